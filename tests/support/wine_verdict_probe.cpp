// A GoogleTest program for wine_verdict_test.sh, which runs it behind a
// stand-in for wine that makes its process die. Not registered as tests of
// its own: one case fails on purpose.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>

#include "process_runner.h"

TEST(Probe, Passes) { SUCCEED(); }

TEST(Probe, Fails) { ADD_FAILURE() << "fails on purpose"; }

// A file that is not a program stands in for a child that Wine fails to start.
TEST(Probe, ChildDoesNotStart) {
  const wchar_t* file = L"C:\\windows\\temp\\kzp-not-a-program.exe";
  FILE* text = _wfopen(file, L"wb");
  ASSERT_NE(text, nullptr);
  std::fclose(text);
  RunProcess(file, L"");
  ADD_FAILURE() << "RunProcess returned";
}
