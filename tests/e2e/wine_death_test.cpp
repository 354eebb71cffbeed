// The end-to-end tests read a child's exit code with GetExitCodeProcess.
// When Wine's process for the child dies on its way out, the code read must
// still be the child's own: Wine's server records it as ExitProcess begins,
// before the Unix process ends. (A child that died before it reported would
// read as 0.)
#include <gtest/gtest.h>

#include <windows.h>

#include "package_fixture.h"
#include "process_runner.h"

TEST(WineDeath, ChildThatDiesOnItsWayOutKeepsItsExitCode) {
  const ProcessOutcome outcome = RunProcess(FakeInstallerPath(), L"-exit:1603 -die-on-exit");
  ASSERT_TRUE(outcome.started);
  EXPECT_EQ(outcome.exitCode, 1603u);
}
