// Installers that hand over to a later stage and exit: the stub keeps the
// work folder, and its own exit, until the last stage that still needs the
// folder has ended, and waits for no program that the installer merely
// launched from elsewhere.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>

#include "silent_install_fixture.h"

namespace {

// A script that starts its second stage and exits at once; the second stage
// waits three seconds, then looks for payload.dat beside it.
const char kRelaunchingScript[] =
    "@echo off\r\nstart \"\" /b cmd /c stage2.cmd\r\nexit /b 5\r\n";
const char kSecondStageScript[] =
    "@echo off\r\nsetup.exe -sleep:3000 -check:payload.dat -exit:9\r\n";

struct StageCase {
  const char* name;
  const char* command;
  const char* parameters;  // "{app}" stands for a program outside the work folder
  bool insideAJob;         // the stub runs in a job of its starter's, as under a deployment agent
  DWORD expected;          // the first stage's exit code
  const char* logged;
};

void PrintTo(const StageCase& c, std::ostream* os) { *os << c.name; }

class InstallerStages : public SilentInstall, public ::testing::WithParamInterface<StageCase> {};

TEST_P(InstallerStages, WaitForWhatNeedsTheWorkFolderOnly) {
  const StageCase& c = GetParam();
  const std::wstring app = folder_ / L"app";
  ASSERT_TRUE(CreateDirectoryW(app.c_str(), nullptr));
  ASSERT_TRUE(CopyFileW(WinePathFromUnix(KZP_LAUNCHED_APP_UNIX_PATH).c_str(),
                        (app + L"\\app.exe").c_str(), FALSE));
  std::string parameters = c.parameters;
  if (const std::size_t at = parameters.find("{app}"); at != std::string::npos) {
    parameters.replace(at, 5, std::string(app.begin(), app.end()) + "\\app.exe");  // ASCII
  }
  CKzpPackageFixture package;
  package.AddInstaller("setup.exe");
  package.Writer().AddFile("setup.cmd", kRelaunchingScript);
  package.Writer().AddFile("stage2.cmd", kSecondStageScript);
  package.Writer().AddFile("payload.dat", "payload");
  package.AddDescription("package.xml", c.command,
                         parameters.empty() ? nullptr : parameters.c_str());
  if (c.insideAJob) {
    HANDLE job = CreateJobObjectW(nullptr, nullptr);  // lives as long as this test's process
    ASSERT_TRUE(AssignProcessToJobObject(job, GetCurrentProcess()));
  }

  const ULONGLONG start = GetTickCount64();
  EXPECT_EQ(Run(package, L"/install").exitCode, c.expected);
  const ULONGLONG elapsed = GetTickCount64() - start;
  const std::string log = Log();
  EXPECT_NE(log.find(c.logged), std::string::npos) << log;

  const std::size_t launched = log.find("launched=");
  if (launched == std::string::npos) return;
  // The launched program runs on for 30 s; the stub did not wait for it.
  EXPECT_LT(elapsed, 15000u);
  const DWORD id = std::strtoul(log.c_str() + launched + 9, nullptr, 10);
  HANDLE program = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
  ASSERT_NE(program, nullptr) << "the launched program still runs";
  TerminateProcess(program, 0);
  WaitForSingleObject(program, 5000);
  CloseHandle(program);
}

INSTANTIATE_TEST_SUITE_P(
    Handovers, InstallerStages,
    ::testing::Values(
        // The second stage is the system's cmd.exe, in the work folder.
        StageCase{"RelaunchingScript", "setup.cmd", "", false, 5, "payload.dat=present"},
        StageCase{"RelaunchingScriptInsideAJob", "setup.cmd", "", true, 5,
                  "payload.dat=present"},
        // The second stage's program lies in the work folder; it runs from C:\.
        StageCase{"SecondStageProgram", "setup.exe", "-relaunch -exit:5", false, 5,
                  "payload.dat=present"},
        StageCase{"LaunchedProgramOutside", "setup.exe", "-launch:{app} -exit:4", false, 4,
                  "launched="}),
    [](const ::testing::TestParamInfo<StageCase>& info) { return info.param.name; });

}  // namespace
