# Expat, built from Debian's source package (scripts/fetch-expat puts it in
# .deps/expat/src) as a static library whose XML_Char is a UTF-16 unit:
# wchar_t on Windows; unsigned short in the native build, where wchar_t has
# 32 bits. Defines the target kzp_expat, which carries the definitions every
# user of <expat.h> needs.
include_guard(GLOBAL)

set(KZP_EXPAT_ROOT ${CMAKE_SOURCE_DIR}/.deps/expat)
set(KZP_EXPAT_SOURCE ${KZP_EXPAT_ROOT}/src/expat)

if(NOT EXISTS ${KZP_EXPAT_SOURCE}/CMakeLists.txt OR NOT EXISTS ${KZP_EXPAT_ROOT}/VERSION)
  message(FATAL_ERROR
    "Expat's source is missing (${KZP_EXPAT_SOURCE}).\n"
    "Run scripts/bootstrap (or scripts/fetch-expat) to fetch it, then configure again.")
endif()
file(STRINGS ${KZP_EXPAT_ROOT}/VERSION KZP_EXPAT_DEBIAN_VERSION LIMIT_COUNT 1)

# One of Debian's patches tests `#if XML_DTD == 1`, but the config template
# defines XML_DTD (and XML_NS) empty, which does not compile. Define both as 1.
# Done here rather than by hand so that a fresh fetch gets it too.
set(_kzp_expat_template ${KZP_EXPAT_SOURCE}/expat_config.h.cmake)
file(READ ${_kzp_expat_template} _kzp_expat_config)
string(REGEX REPLACE "#cmakedefine (XML_DTD|XML_NS)\n" "#cmakedefine \\1 1\n"
  _kzp_expat_config_fixed "${_kzp_expat_config}")
if(NOT _kzp_expat_config_fixed STREQUAL _kzp_expat_config)
  file(WRITE ${_kzp_expat_template} "${_kzp_expat_config_fixed}")
endif()

# Expat reads these through its shy-set macro: plain variables win over its defaults.
if(WIN32)
  set(EXPAT_CHAR_TYPE wchar_t)
else()
  set(EXPAT_CHAR_TYPE ushort)
endif()
set(EXPAT_SHARED_LIBS OFF)
set(EXPAT_DTD ON)   # also turns on the billion-laughs amplification limit
# Namespace processing adds a second, namespace-aware set of Expat's encoding
# tables (about 7 KB of the stub); our documents use no namespaces and we
# create plain parsers.
set(EXPAT_NS OFF)
set(EXPAT_BUILD_TOOLS OFF)
set(EXPAT_BUILD_EXAMPLES OFF)
set(EXPAT_BUILD_TESTS OFF)
set(EXPAT_BUILD_DOCS OFF)
set(EXPAT_BUILD_FUZZERS OFF)
set(EXPAT_BUILD_PKGCONFIG OFF)
set(EXPAT_ENABLE_INSTALL OFF)
add_subdirectory(${KZP_EXPAT_SOURCE} ${CMAKE_BINARY_DIR}/expat EXCLUDE_FROM_ALL)
# xmlparse.c defines _GNU_SOURCE, which makes mingw-w64 route its printf calls
# (a debugging report on stderr that only an environment variable turns on)
# through mingw's own printf: 25 KB of the stub for output nobody sees. The
# report works as well with the C runtime's printf, and Expat picks the
# matching format strings by itself.
target_compile_definitions(expat PRIVATE __USE_MINGW_ANSI_STDIO=0)
# Link-time optimisation drops the parts of Expat's API that we never call,
# which --gc-sections cannot (on x86-64 Windows the linker keeps every
# function's unwind entry, and the entries refer to the code): about 16 KB.
# Expat alone: our C++ code stays out of it, since GCC 12's link-time
# optimiser fails on it (undefined privatised clones of std::string members,
# an internal error on string streams). The objects also carry ordinary code
# (fat), so archives index their symbols as usual; every program that links
# Expat optimises it in one partition.
target_compile_options(expat PRIVATE -flto -ffat-lto-objects)
# No unwind tables for Expat (5.6 KB of .pdata and .xdata): no exception
# ever passes through its frames, as our handlers catch what they may throw
# and are noexcept (xml/xml_reader.cpp). Only a debugger's stack walk
# through Expat loses them.
target_compile_options(expat PRIVATE -fno-asynchronous-unwind-tables -fno-unwind-tables)
target_link_options(expat INTERFACE -flto-partition=one)
# Expat's winconfig.h defines WIN32_LEAN_AND_MEAN itself; the project-wide
# definition would only make it warn about the redefinition.
get_directory_property(_kzp_expat_definitions DIRECTORY ${KZP_EXPAT_SOURCE} COMPILE_DEFINITIONS)
list(REMOVE_ITEM _kzp_expat_definitions WIN32_LEAN_AND_MEAN)
set_property(DIRECTORY ${KZP_EXPAT_SOURCE} PROPERTY COMPILE_DEFINITIONS "${_kzp_expat_definitions}")

file(STRINGS ${KZP_EXPAT_SOURCE}/lib/expat.h _kzp_expat_version_lines
  REGEX "^#define XML_(MAJOR|MINOR|MICRO)_VERSION [0-9]+$")
string(REGEX REPLACE "[^;]*_VERSION ([0-9]+)" "\\1" _kzp_expat_version "${_kzp_expat_version_lines}")
string(REPLACE ";" "." KZP_EXPAT_VERSION "${_kzp_expat_version}")
message(STATUS "Expat ${KZP_EXPAT_VERSION} (Debian source package ${KZP_EXPAT_DEBIAN_VERSION}), XML_Char = ${EXPAT_CHAR_TYPE} (UTF-16)")

# Without these in every translation unit that includes <expat.h>, XML_Char
# silently becomes char there while the library works in UTF-16.
add_library(kzp_expat INTERFACE)
target_link_libraries(kzp_expat INTERFACE expat)
target_compile_definitions(kzp_expat INTERFACE XML_STATIC XML_UNICODE)
if(WIN32)
  target_compile_definitions(kzp_expat INTERFACE XML_UNICODE_WCHAR_T)
endif()
