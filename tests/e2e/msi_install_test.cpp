// Windows Installer packages as the install command: real packages that
// make-msi-packages.sh builds with wixl at test time, installed through the
// stub by the system's msiexec under Wine.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "silent_install_fixture.h"

namespace {

std::wstring BuiltMsi(const char* name) {
  return WinePathFromUnix(std::string(KZP_MSI_FOLDER_UNIX_PATH) + "/" + name);
}

struct MsiCase {
  const char* name;
  const char* built;    // the package make-msi-packages.sh built
  const char* command;  // its name in the stub's package, the install command
  const wchar_t* switches;
  DWORD expected;
  bool installs;
};

void PrintTo(const MsiCase& c, std::ostream* os) { *os << c.name; }

class MsiPackage : public SilentInstall, public ::testing::WithParamInterface<MsiCase> {
 protected:
  // Removes what the test installed, so that the prefix keeps no product.
  void TearDown() override {
    if (GetParam().installs) {
      std::wstring command = L"msiexec.exe /x \"" + BuiltMsi(GetParam().built) + L"\" /qn";
      STARTUPINFOW startup{};
      startup.cb = sizeof startup;
      PROCESS_INFORMATION process{};
      if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                         &startup, &process)) {
        WaitForSingleObject(process.hProcess, 60000);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
      }
    }
    SilentInstall::TearDown();
  }
};

TEST_P(MsiPackage, RunsThroughMsiexec) {
  const MsiCase& c = GetParam();
  const std::wstring installed = folder_ / L"installed";
  CKzpPackageFixture package;
  kzppack::ZipEntrySpec msi;
  msi.name = c.command;
  msi.data = ReadFileBytes(BuiltMsi(c.built));
  ASSERT_FALSE(msi.data.empty()) << "make-msi-packages.sh has not run";
  package.Writer().Add(std::move(msi));
  const std::string target(installed.begin(), installed.end());  // ASCII
  package.AddDescription("package.xml", c.command,
                         ("/qn /norestart INSTALLDIR=\"" + target + "\"").c_str());
  package.AddPackageData(
      "<installation><install><returncode_map><map source=\"3010\" dest=\"7\"/>"
      "</returncode_map></install></installation>");
  EXPECT_EQ(Run(package, c.switches).exitCode, c.expected);
  EXPECT_EQ(FileExists(installed + L"\\payload.txt"), c.installs);
}

INSTANTIATE_TEST_SUITE_P(
    Packages, MsiPackage,
    ::testing::Values(MsiCase{"Installs", "product.msi", "product.msi", L"/install", 0, true},
                      // msiexec refuses a command line with /force (1639): it gets none.
                      MsiCase{"CapitalsAndForce", "product.msi", "Setup.MSI", L"/install /f", 0,
                              true},
                      // A restart asked for (3010) goes through the package's map.
                      MsiCase{"RestartMapped", "reboot.msi", "reboot.msi", L"/sms", 7, true},
                      MsiCase{"LaunchConditionFails", "never.msi", "never.msi", L"/install",
                              kInstallFailed, false}),
    [](const ::testing::TestParamInfo<MsiCase>& info) { return info.param.name; });

}  // namespace
