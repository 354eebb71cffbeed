// A GoogleTest program for wine_verdict_test.sh, which runs it behind a
// stand-in for wine that makes its process die. Not registered as tests of
// its own: one case fails on purpose.
#include <gtest/gtest.h>

#include "process_runner.h"

TEST(Probe, Passes) { SUCCEED(); }

TEST(Probe, Fails) { ADD_FAILURE() << "fails on purpose"; }

// A folder stands in for a child that Wine fails to start.
TEST(Probe, ChildDoesNotStart) {
  RunProcess(L"C:\\windows", L"");
  ADD_FAILURE() << "RunProcess returned";
}
