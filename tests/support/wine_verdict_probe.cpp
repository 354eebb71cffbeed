// A GoogleTest program for the tests of wine_verdict.sh, which run it under
// a stand-in for wine that makes its process die. Not registered as tests
// of its own: one case fails on purpose.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "process_runner.h"

TEST(Probe, Passes) { SUCCEED(); }

TEST(Probe, Fails) { ADD_FAILURE() << "fails on purpose"; }

// A file that is not a program stands in for a child that Wine fails to
// start: RunProcess ends this process without a result.
TEST(Probe, StartsAChildThatCannotStart) {
  wchar_t folder[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, folder);
  const std::wstring file = std::wstring(folder) + L"kzp-verdict-probe-not-a-program.exe";
  FILE* text = _wfopen(file.c_str(), L"wb");
  ASSERT_NE(text, nullptr);
  std::fputs("not a program", text);
  std::fclose(text);
  RunProcess(file, L"");
  ADD_FAILURE() << "RunProcess returned";
}
