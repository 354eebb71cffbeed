# Unit tests: GoogleTest programs cross-built and run under Wine through CTest.
include(GoogleTest)

# kzp_add_unit_test(<target> SOURCES <files...> [LIBS <targets...>]
#                   [PROPERTIES <name> <value>...])
# Builds a GoogleTest program and registers each of its tests with CTest,
# with the given CTest properties besides the common time limit.
# Suites named *UnderLocale run only from the extra CTest entries that set a
# Windows locale for them, so they are left out of discovery.
# Discovery runs at test time: a cold Wine prefix is too slow for the
# POST_BUILD default and would fail the link step.
# The program runs under Wine through tests/support/wine_verdict.sh, which
# takes each verdict from GoogleTest's own report rather than from how
# Wine's process ended, and runs once more a process that died before
# reporting: for discovery, for each discovered test and for every add_test()
# that runs the program.
function(kzp_add_unit_test target)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;PROPERTIES" ${ARGN})
  add_executable(${target} ${ARG_SOURCES})
  target_link_libraries(${target} PRIVATE ${ARG_LIBS} kzp_test_support gtest_main kzp_warnings)
  set_target_properties(${target} PROPERTIES CROSSCOMPILING_EMULATOR
    "${CMAKE_SOURCE_DIR}/tests/support/wine_verdict.sh;${KZP_WINE}")
  gtest_discover_tests(${target}
    TEST_PREFIX "${target}."
    TEST_FILTER "-*UnderLocale.*"
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 120
    PROPERTIES TIMEOUT 120 ${ARG_PROPERTIES})
endfunction()
