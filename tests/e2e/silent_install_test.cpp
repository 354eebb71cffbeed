// Silent installation from end to end: real packages run as real processes.
#include <gtest/gtest.h>

#include <windows.h>

#include <set>
#include <string>

#include "file_bytes.h"
#include "package/des_cipher.h"
#include "package_fixture.h"
#include "process_runner.h"
#include "silent_install_fixture.h"
#include "temp_folder.h"

namespace {

const char kMap[] =
    "<installation><install><returncode_map>"
    "<map source=\"1641\" dest=\"0\"/>"
    "<map source=\"-5\" dest=\"7\"/>"
    "</returncode_map></install></installation>";

struct CodeCase {
  const char* told;   // the installer's exit code
  DWORD expected;     // the process exit code after the map
};

void PrintTo(const CodeCase& c, std::ostream* os) { *os << c.told; }

class InstallerExitCode : public SilentInstall, public ::testing::WithParamInterface<CodeCase> {};

TEST_P(InstallerExitCode, IsMappedThroughTheReturnCodeMap) {
  CKzpPackageFixture package;
  package.AddInstaller("setup.exe");
  package.AddDescription("package.xml", "setup.exe", (std::string("-exit:") + GetParam().told).c_str());
  package.AddPackageData(kMap);
  const ProcessOutcome outcome = Run(package, L"/install");
  EXPECT_EQ(outcome.exitCode, GetParam().expected);
  // The installer ran from the work folder: a braced GUID under TMP.
  EXPECT_NE(Log().find("\\temp\\{"), std::string::npos) << Log();
}

INSTANTIATE_TEST_SUITE_P(
    Codes, InstallerExitCode,
    ::testing::Values(CodeCase{"1641", 0u}, CodeCase{"1642", 1642u}, CodeCase{"-5", 7u},
                      CodeCase{"-6", static_cast<DWORD>(-6)}, CodeCase{"0", 0u}));

TEST_F(SilentInstall, ProgramGetsItsParametersAndForce) {
  CKzpPackageFixture package;
  package.AddInstaller("tools/setup.exe");
  package.AddDescription("package.xml", "tools\\setup.exe", "-s -exit:3");
  const ProcessOutcome outcome = Run(package, L"/sms /f");
  EXPECT_EQ(outcome.exitCode, 3u) << "no vr_data.xml: the code passes through";
  const std::string log = Log();
  EXPECT_NE(log.find("\\tools\\setup.exe\" -s -exit:3 /force"), std::string::npos) << log;
}

// The parser hands the parameters over in pieces of at most 1,024
// characters here; the blank that starts the second piece must not cut the
// text short.
TEST_F(SilentInstall, LongParametersReachTheInstallerWhole) {
  const std::string parameters = "-pad:" + std::string(1019, 'p') + " -exit:9";
  CKzpPackageFixture package;
  package.AddInstaller("setup.exe");
  package.AddDescription("package.xml", "setup.exe", parameters.c_str());
  EXPECT_EQ(Run(package, L"/install").exitCode, 9u);
  EXPECT_NE(Log().find("\\setup.exe\" " + parameters + "\n"), std::string::npos) << Log();
}

TEST_F(SilentInstall, BatchFileRunsThroughTheCommandInterpreter) {
  CKzpPackageFixture package;
  package.AddInstaller("setup.exe");
  // The batch file calls the fake installer with its first argument.
  package.Writer().AddFile("install.cmd",
                           "@echo off\r\nsetup.exe -exit:1641 marker=%1\r\nexit /b %errorlevel%\r\n");
  package.AddDescription("package.xml", "install.cmd", "-ignored");
  package.AddPackageData(kMap);
  const ProcessOutcome outcome = Run(package, L"/install /force");
  EXPECT_EQ(outcome.exitCode, 0u) << "1641 from the batch file, mapped to 0";
  const std::string log = Log();
  EXPECT_NE(log.find("marker=xeltr"), std::string::npos) << log;
  EXPECT_EQ(log.find("-ignored"), std::string::npos) << "no parameters for batch files";
  EXPECT_EQ(log.find("/force"), std::string::npos) << "no /force for batch files";
}

// The batch file logs what it was given and its own full path.
const char kLoggingBatch[] =
    "@echo off\r\nsetup.exe -exit:1641 \"marker=%1\" \"args=%*\" \"self=%~f0\"\r\n"
    "exit /b %errorlevel%\r\n";

// A temporary folder whose path holds characters that mean something to the
// command interpreter (a user named R&D, a profile folder "Tom (IT)"): the
// batch file still runs, with the same arguments. A %NAME% pair in the path
// is expanded by the interpreter whatever the quoting, so none is tried.
struct OddTemp {
  const char* label;
  const wchar_t* folderName;
};

void PrintTo(const OddTemp& c, std::ostream* os) { *os << c.label; }

class BatchUnderOddTemp : public SilentInstall, public ::testing::WithParamInterface<OddTemp> {
 protected:
  std::wstring TempFolderName() const override { return GetParam().folderName; }
};

TEST_P(BatchUnderOddTemp, RunsWithItsUsualArguments) {
  CKzpPackageFixture package;
  package.AddInstaller("setup.exe");
  package.Writer().AddFile("install.cmd", kLoggingBatch);
  package.AddDescription("package.xml", "install.cmd", nullptr);
  package.AddPackageData(kMap);
  EXPECT_EQ(Run(package, L"/install").exitCode, 0u)
      << "1641 from the batch file, mapped to 0 (9009: the batch file never ran)";
  const std::string log = Log();
  EXPECT_NE(log.find("\"marker=xeltr\" \"args=xeltr\""), std::string::npos) << log;
  const std::string temp(temp_.begin(), temp_.end());  // ASCII
  EXPECT_NE(log.find("\"self=" + temp + "\\{"), std::string::npos) << log;
}

INSTANTIATE_TEST_SUITE_P(
    Paths, BatchUnderOddTemp,
    ::testing::Values(OddTemp{"Plain", L"temp"}, OddTemp{"Ampersand", L"temp&amp"},
                      OddTemp{"Caret", L"temp^caret"}, OddTemp{"Parens", L"temp(paren)"},
                      OddTemp{"BlankAndAt", L"temp @at"},
                      OddTemp{"All", L"R&D (IT) ^@x"}),
    [](const ::testing::TestParamInfo<OddTemp>& info) { return info.param.label; });

TEST_F(SilentInstall, DescriptionFoundByNameWithoutRegardToCase) {
  CKzpPackageFixture package;
  package.AddInstaller("setup.exe");
  // Not version 2.0.1.0 in content terms: found by name only.
  package.Writer().AddFile(
      "SETUP.XML",
      "<kzp_package version=\"1.0\"><installation><install><command>setup.exe</command>"
      "<command_params>-exit:42</command_params></install></installation></kzp_package>");
  EXPECT_EQ(Run(package, L"/install", L"setup.exe").exitCode, 42u);
}

TEST_F(SilentInstall, DescriptionFoundByContentAfterRenaming) {
  CKzpPackageFixture package;
  package.AddInstaller("bin/setup.exe");
  package.Writer().AddFile("docs/readme.xml", "<other version=\"2.0.1.0\"/>");
  package.AddDescription("meta/Desc.XML", "bin\\setup.exe", "-exit:43");
  EXPECT_EQ(Run(package, L"/install", L"renamed-by-user.exe").exitCode, 43u);
}

// A package whose configuration file conf.hex is marked encrypted.
CKzpPackageFixture EncryptedConfigurationPackage(const std::string& hexText) {
  CKzpPackageFixture package;
  package.AddInstaller("setup.exe");
  package.AddDescription("package.xml", "setup.exe", "-exit:5");
  package.AddPackageData(
      "<configuration><config_file><filename encrypt=\"1\">conf.hex</filename></config_file>"
      "</configuration>");
  package.Writer().AddFile("conf.hex", hexText);
  return package;
}

TEST_F(SilentInstall, EncryptedConfigurationLoads) {
  // The key text is the description's filename text.
  DesCipher cipher;
  cipher.skipParityCheck = true;
  std::uint8_t key[DesCipher::kKeyBytes] = {};
  DesCipher::SetKeyText("package.exe", key);
  ASSERT_TRUE(cipher.ScheduleKeys(key));
  const std::string config = "<config>secret</config>";
  const std::string hex = cipher.EncryptHex(reinterpret_cast<const std::uint8_t*>(config.data()),
                                            config.size());
  EXPECT_EQ(Run(EncryptedConfigurationPackage(hex), L"/install").exitCode, 5u);
}

// Failures before the installer ran end with 1603, silently, and leave no
// work folder behind.
TEST_F(SilentInstall, DamagedEncryptedConfigurationFailsTheInstall) {
  EXPECT_EQ(Run(EncryptedConfigurationPackage("not hex at all!!"), L"/install").exitCode,
            kInstallFailed);
  EXPECT_EQ(Log(), "") << "the installer never ran";
}

TEST_F(SilentInstall, NoDescriptionNoCommandOrBadEntryFail) {
  CKzpPackageFixture noDescription;
  noDescription.AddInstaller("setup.exe");
  EXPECT_EQ(Run(noDescription, L"/install").exitCode, kInstallFailed);

  CKzpPackageFixture noCommand;
  noCommand.Writer().AddFile("package.xml", "<kzp_package version=\"2.0.1.0\"/>");
  EXPECT_EQ(Run(noCommand, L"/install").exitCode, kInstallFailed);

  CKzpPackageFixture hostileName;
  hostileName.AddInstaller("setup.exe");
  hostileName.AddDescription("package.xml", "setup.exe", "-exit:0");
  hostileName.Writer().AddFile("../escape.txt", "outside");
  EXPECT_EQ(Run(hostileName, L"/install").exitCode, kInstallFailed);
  EXPECT_EQ(Log(), "") << "the installer never ran";
}

// An installer may leave a folder chain longer than MAX_PATH (it can make
// one through \\?\ paths); the whole work folder still goes.
TEST_F(SilentInstall, DeepFolderChainIsRemoved) {
  CKzpPackageFixture package;
  package.AddInstaller("setup.exe");
  package.AddDescription("package.xml", "setup.exe", "-deep:20 -exit:4");
  EXPECT_EQ(Run(package, L"/install").exitCode, 4u);
  EXPECT_NE(Log().find("deep=made"), std::string::npos) << Log();
  EXPECT_TRUE(ItemsIn(temp_).empty()) << "nothing of the work folder remains";
}

// Under Wine a symbolic link to a file looks like a plain file, and deleting
// it deletes its target. The cleanup leaves such a link alone, so a file
// outside the work folder survives; everything else goes.
TEST_F(SilentInstall, LinkToAFileOutsideIsLeftAlone) {
  const std::wstring precious = folder_ / L"precious.txt";
  ASSERT_TRUE(WriteFileText(precious, "keep me"));
  CKzpPackageFixture package;
  package.AddInstaller("setup.exe");
  package.Writer().AddFile("readme.txt", "goes");
  package.AddDescription("package.xml", "setup.exe",
                         "-symlink:planted.txt=../../precious.txt -exit:5");
  EXPECT_EQ(Run(package, L"/install").exitCode, 5u);
  EXPECT_EQ(ReadFileText(precious), "keep me");

  const std::set<std::wstring> workFolders = ItemsIn(temp_);
  ASSERT_EQ(workFolders.size(), 1u) << "the work folder stays for the link it holds";
  const std::wstring work = temp_ + L"\\" + *workFolders.begin();
  const std::wstring link = work + L"\\planted.txt";
  EXPECT_EQ(ItemsIn(work), std::set<std::wstring>{L"planted.txt"});
  // Only the system's rm deletes the link itself (Wine cannot wait for it).
  std::wstring command = L"Z:\\bin\\rm planted.txt";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             work.c_str(), &startup, &process));
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  for (int i = 0; i < 100 && GetFileAttributesW(link.c_str()) != INVALID_FILE_ATTRIBUTES; ++i) {
    Sleep(50);
  }
  RemoveDirectoryW(work.c_str());
}

// An installer that cannot start hands on the error CreateProcessW gave.
TEST_F(SilentInstall, InstallerThatCannotStartReportsWhy) {
  CKzpPackageFixture missing;
  missing.AddDescription("package.xml", "missing.exe", nullptr);
  EXPECT_EQ(Run(missing, L"/install").exitCode, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

  CKzpPackageFixture notAProgram;
  notAProgram.Writer().AddFile("notes.exe", "just some text, not a program\r\n");
  notAProgram.AddDescription("package.xml", "notes.exe", nullptr);
  EXPECT_EQ(Run(notAProgram, L"/install").exitCode, static_cast<DWORD>(ERROR_BAD_EXE_FORMAT));
}

TEST_F(SilentInstall, ExtractWinsOverInstall) {
  CKzpPackageFixture package;
  package.AddInstaller("setup.exe");
  package.AddDescription("package.xml", "setup.exe", "-exit:9");
  const std::wstring target = folder_ / L"out";
  ASSERT_TRUE(CreateDirectoryW(target.c_str(), nullptr));
  EXPECT_EQ(Run(package, L"/install /extract:" + target).exitCode, 1u);
  EXPECT_TRUE(FileExists(target + L"\\setup.exe"));
  EXPECT_EQ(Log(), "") << "no installer runs in extract mode";
}

}  // namespace
