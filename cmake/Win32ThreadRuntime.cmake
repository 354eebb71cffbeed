# kzp_link_win32_thread_runtime(<target>)
#
# Links <target> against the C++ runtime (libstdc++, libgcc) that Debian's
# mingw-w64 builds for the Win32 thread model, instead of the posix one that
# the rest of the build uses. The posix runtime implements its locks and
# thread-local storage with the winpthreads library, which a static link then
# carries whole (about 26 KB, with its own thread list, condition variables
# and read-write locks); the Win32 one calls Windows directly.
#
# Why only the link: the two runtimes differ only in their threading layer
# (their c++config.h differ only in the gthreads, clock and sleep settings),
# and the stub's code uses none of it; our threads are Win32 threads
# (CreateThread). The tests keep the posix compiler, which GoogleTest needs
# (its thread-safe mode uses std::mutex, which the Win32 model of GCC 12 lacks).
# -no-pthread drops the posix driver's -lpthread: code that still needed
# winpthreads would fail to link instead of silently growing the stub.
include_guard(GLOBAL)

function(kzp_link_win32_thread_runtime target)
  string(REGEX REPLACE "-posix$" "-win32" win32_compiler "${CMAKE_CXX_COMPILER}")
  execute_process(COMMAND "${win32_compiler}" -print-file-name=libstdc++.a
    OUTPUT_VARIABLE runtime OUTPUT_STRIP_TRAILING_WHITESPACE
    RESULT_VARIABLE status ERROR_QUIET)
  if(NOT status EQUAL 0 OR NOT IS_ABSOLUTE "${runtime}" OR NOT EXISTS "${runtime}")
    message(FATAL_ERROR "The Win32 thread model runtime (${win32_compiler}) is missing: "
      "run scripts/bootstrap (package g++-mingw-w64-x86-64-win32).")
  endif()
  get_filename_component(runtime_dir "${runtime}" DIRECTORY)
  target_link_options(${target} PRIVATE "-L${runtime_dir}" -no-pthread)
endfunction()
