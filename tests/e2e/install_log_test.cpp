// The install log of "/log:<path>", read back after real runs: what each
// kind of run writes, in order; runs appended to one file; a log that cannot
// be opened changes nothing; a killed run keeps what it had written.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "silent_install_fixture.h"

namespace {

const char kByteOrderMark[] = "\xEF\xBB\xBF";
const char kSeparator[] = "======== kzpstub run ========";

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

struct LogCase {
  const char* name;
  std::function<void(CKzpPackageFixture&)> build;
  const wchar_t* switches;  // "{out}" stands for an extraction folder
  DWORD exitCode;
  std::vector<const char*> lines;  // expected in this order
};

void PrintTo(const LogCase& c, std::ostream* os) { *os << c.name; }

class InstallLog : public SilentInstall, public ::testing::WithParamInterface<LogCase> {
 protected:
  std::wstring LogPath() const { return folder_ / L"install.log"; }
  // Read as a log viewer reads it, beside a run that is still writing it.
  std::string InstallLogText() const {
    std::string text;
    HANDLE file = CreateFileW(LogPath().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return text;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
    CloseHandle(file);
    return text;
  }
};

TEST_P(InstallLog, TellsWhatTheRunDid) {
  const LogCase& c = GetParam();
  CKzpPackageFixture package;
  c.build(package);
  std::wstring switches = c.switches;
  if (const std::size_t at = switches.find(L"{out}"); at != std::wstring::npos) {
    const std::wstring out = folder_ / L"out";
    ASSERT_TRUE(CreateDirectoryW(out.c_str(), nullptr));
    switches.replace(at, 5, out);
  }
  EXPECT_EQ(Run(package, switches + L" \"/log:" + LogPath() + L"\"").exitCode, c.exitCode);
  const std::string log = InstallLogText();
  ASSERT_EQ(log.compare(0, 3, kByteOrderMark), 0) << "UTF-8 with a byte order mark";
  std::size_t at = 0;
  for (const char* line : c.lines) {
    const std::size_t found = log.find(line, at);
    ASSERT_NE(found, std::string::npos) << "\"" << line << "\" after position " << at << ":\n"
                                        << log;
    at = found + 1;
  }
  EXPECT_EQ(log.find("secret"), std::string::npos) << "never the configuration file";
  EXPECT_EQ(log.back(), '\n');
}

void Mapped(CKzpPackageFixture& package) {
  package.AddInstaller("setup.exe");
  package.Writer().AddFile(
      "package.xml",
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<kzp_package version=\"2.0.1.0\">"
      "<name><name_xlate lang=\"en\">Pr\xC3\xBC" "fpaket</name_xlate></name>"
      "<version value=\"3.2\"/><installation><install><command>setup.exe</command>"
      "<command_params>-exit:1641</command_params></install></installation></kzp_package>");
  package.AddPackageData(
      "<installation><install><returncode_map><map source=\"1641\" dest=\"0\"/>"
      "</returncode_map></install></installation>"
      "<configuration><config_file><filename>conf.xml</filename></config_file></configuration>");
  package.Writer().AddFile("conf.xml", "<config>secret</config>");
}

void Hostile(CKzpPackageFixture& package) {
  package.AddInstaller("setup.exe");
  package.AddDescription("package.xml", "setup.exe", "-exit:0");
  package.Writer().AddFile("../escape.txt", "outside");
}

// A file whose data the stub cannot decode (bzip2), named in UTF-8: the log
// names it as the extraction reads it.
void Undecodable(CKzpPackageFixture& package) {
  package.AddInstaller("setup.exe");
  package.AddDescription("package.xml", "setup.exe", "-exit:0");
  kzppack::ZipEntrySpec entry;
  entry.name = "\xE8\xB3\x87\xE6\x96\x99/caf\xC3\xA9.txt";
  entry.data = {'B', 'Z', 'h'};
  entry.method = 12;
  entry.flags = 0x0800;
  package.Writer().Add(std::move(entry));
}

void Missing(CKzpPackageFixture& package) {
  package.AddDescription("package.xml", "missing.exe", nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Runs, InstallLog,
    ::testing::Values(
        LogCase{"MappedInstall", Mapped, L"/install", 0,
                {kSeparator, "  program: ", "  command line: ", "/install",
                 "  mode: silent install, language: en", "  archive: opened, 4 entries, ",
                 "  package description: the entry named after the program file",
                 "  package: Pr\xC3\xBC" "fpaket, version 3.2", "  work folder: ", "  space: ",
                 "  extraction: every entry extracted", "  installer command line: \"",
                 "\\setup.exe\" -exit:1641", "  installer started, process id ",
                 "  installer exit code 1641", "  exit code 1641 mapped to 0",
                 "  work folder removed: ", "  exit code 0\r\n"}},
        LogCase{"HostileEntry", Hostile, L"/install", kInstallFailed,
                {"  extraction failed (result -7) at the entry ../escape.txt",
                 "  work folder removed: ", "  exit code 1603\r\n"}},
        LogCase{"UndecodableUtf8Entry", Undecodable, L"/install", kInstallFailed,
                {"  extraction failed (result -7) at the entry "
                 "\xE8\xB3\x87\xE6\x96\x99/caf\xC3\xA9.txt",
                 "  exit code 1603\r\n"}},
        LogCase{"InstallerCannotStart", Missing, L"/sms", ERROR_FILE_NOT_FOUND,
                {"  the installer cannot be started (error 2)", "  exit code 2\r\n"}},
        LogCase{"SilentExtract", Hostile, L"/extract:{out}", 0,
                {"  mode: silent extract", "  target folder: ",
                 "  extraction failed (result -7) at the entry ../escape.txt",
                 "  exit code 0\r\n"}}),
    [](const ::testing::TestParamInfo<LogCase>& info) { return info.param.name; });

TEST_F(InstallLog, RunsAppendEachAfterASeparator) {
  CKzpPackageFixture package;
  package.AddInstaller("setup.exe");
  package.AddDescription("package.xml", "setup.exe", "-exit:7");
  for (int run = 0; run < 2; ++run) {
    EXPECT_EQ(Run(package, L"/install /LOG:" + LogPath()).exitCode, 7u);
  }
  const std::string log = InstallLogText();
  EXPECT_EQ(Count(log, kByteOrderMark), 1u) << "a byte order mark only where the file begins";
  EXPECT_EQ(Count(log, kSeparator), 2u);
  EXPECT_EQ(Count(log, "  exit code 7\r\n"), 2u);
}

// A log that cannot be made is skipped: same exit code, no file anywhere.
TEST_F(InstallLog, ThatCannotBeOpenedChangesNothing) {
  CKzpPackageFixture package;
  package.AddInstaller("setup.exe");
  package.AddDescription("package.xml", "setup.exe", "-exit:1641");
  const std::wstring nowhere = folder_ / L"no such folder\\install.log";
  EXPECT_EQ(Run(package, L"/install \"/log:" + nowhere + L"\"").exitCode, 1641u);
  EXPECT_EQ(Run(package, L"/install /log:" + folder_.Path()).exitCode, 1641u) << "a folder";
  EXPECT_FALSE(FileExists(nowhere));
}

// Every line reaches the file when it is written: a run that is killed
// while its installer runs leaves everything up to the installer's start.
TEST_F(InstallLog, KilledRunKeepsWhatItHadWritten) {
  CKzpPackageFixture package;
  package.AddInstaller("setup.exe");
  package.AddDescription("package.xml", "setup.exe", "-sleep:20000");
  const std::wstring path = folder_ / L"package.exe";
  ASSERT_TRUE(package.WriteTo(path));
  std::wstring commandLine = L"\"" + path + L"\" /install /log:" + LogPath();
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION stub{};
  ASSERT_TRUE(CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                             nullptr, nullptr, &startup, &stub));
  std::string log;
  for (int wait = 0; wait < 300 && log.find("process id ") == std::string::npos; ++wait) {
    Sleep(50);
    log = InstallLogText();
  }
  TerminateProcess(stub.hProcess, 1);
  WaitForSingleObject(stub.hProcess, 5000);
  CloseHandle(stub.hThread);
  CloseHandle(stub.hProcess);
  EXPECT_NE(log.find("  installer started, process id "), std::string::npos) << log;

  // The installer and its work folder outlive the killed stub: clear both.
  const std::size_t id = log.find("process id ");
  HANDLE installer = id == std::string::npos ? nullptr
                     : OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE,
                                   std::strtoul(log.c_str() + id + 11, nullptr, 10));
  if (installer != nullptr) {
    TerminateProcess(installer, 1);
    WaitForSingleObject(installer, 5000);
    CloseHandle(installer);
  }
  // Its console host lets go of the folder a moment after it.
  for (int wait = 0; wait < 100 && !ItemsIn(temp_).empty(); ++wait, Sleep(100)) {
    for (const std::wstring& work : ItemsIn(temp_)) RemoveTreeForTests(temp_ + L"\\" + work);
  }
}

}  // namespace
