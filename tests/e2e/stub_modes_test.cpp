// Starts the built stub as a real process under Wine and checks its windows
// and its full exit code in each mode.
#include <gtest/gtest.h>

#include <windows.h>

#include "file_bytes.h"
#include "packer/zip_writer.h"
#include "process_runner.h"
#include "temp_folder.h"

namespace {

const wchar_t kCaption[] = L"Quellmar Self Extracting Package";
const wchar_t kNotAPackage[] =
    L"A package definition file was not found.  The file is not a valid Package.";

// The stub alone, copied to a folder of the test's own.
std::wstring BareStub(const CKzpTempFolder& folder) {
  const std::wstring path = folder / L"bare.exe";
  EXPECT_TRUE(CopyFileW(BuiltStubPath().c_str(), path.c_str(), FALSE));
  return path;
}

// The stub followed by a small archive.
std::wstring PackagedStub(const CKzpTempFolder& folder) {
  kzppack::ZipWriter writer(ReadFileBytes(BuiltStubPath()));
  writer.AddFile("readme.txt", "hello\r\n");
  writer.AddFolder("docs/");
  writer.AddFile("docs/guide.txt", std::string(100000, 'g'));
  writer.AddFile("bin/tool.dat", "stored bytes", kzppack::kMethodStored);
  kzppack::ZipEntrySpec dated;
  dated.name = "bin/dated.txt";
  dated.data = {'d'};
  dated.dosDate = kzppack::DosDate(2024, 2, 29);
  dated.dosTime = kzppack::DosTime(13, 45, 30);
  dated.externalAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE;
  writer.Add(std::move(dated));
  const std::wstring path = folder / L"package.exe";
  EXPECT_TRUE(WriteFileBytes(path, writer.Finish()));
  return path;
}

bool ShowedNotAPackage(const ProcessOutcome& outcome) {
  return outcome.windows.size() == 1 && outcome.windows[0].title == kCaption &&
         outcome.windows[0].HasChildText(kNotAPackage);
}

struct ModeCase {
  const wchar_t* arguments;
  DWORD exitCode;
};

void PrintTo(const ModeCase& c, std::ostream* os) {
  const std::wstring text(c.arguments);
  *os << '"' << std::string(text.begin(), text.end()) << '"';
}

class StubWithoutArchive : public ::testing::TestWithParam<ModeCase> {};

TEST_P(StubWithoutArchive, ShowsMessage1000) {
  CKzpTempFolder folder;
  const ProcessOutcome outcome = RunProcess(BareStub(folder), GetParam().arguments);
  ASSERT_TRUE(outcome.started);
  EXPECT_FALSE(outcome.timedOut);
  EXPECT_EQ(outcome.exitCode, GetParam().exitCode);
  EXPECT_TRUE(ShowedNotAPackage(outcome)) << "windows seen: " << outcome.windows.size();
}

// The message is shown in every mode, the silent ones included. A silent
// installation that could not even start ends with 1603, never with 0,
// which deployment tools read as "installed".
INSTANTIATE_TEST_SUITE_P(EveryMode, StubWithoutArchive,
                         ::testing::Values(ModeCase{L"", 0u}, ModeCase{L"/install", 1603u},
                                           ModeCase{L"/sms /f", 1603u},
                                           ModeCase{L"/install /extract:C:\\out", 0u}));

class HelpSwitch : public ::testing::TestWithParam<const wchar_t*> {};

TEST_P(HelpSwitch, ShowsOnlyTheUsageDialogAndEndsWith1) {
  CKzpTempFolder folder;
  const ProcessOutcome outcome = RunProcess(BareStub(folder), GetParam());
  ASSERT_TRUE(outcome.started);
  EXPECT_FALSE(outcome.timedOut);
  EXPECT_EQ(outcome.exitCode, 1u);
  ASSERT_EQ(outcome.windows.size(), 1u);
  EXPECT_EQ(outcome.windows[0].title, L"Command Line Usage");
  EXPECT_TRUE(outcome.windows[0].HasChildText(L"/extract:<path>"));
}

// Help wins over every other switch, whatever their order; the archive is
// not even opened, so a bare stub shows no message 1000.
INSTANTIATE_TEST_SUITE_P(Switches, HelpSwitch,
                         ::testing::Values(L"/help", L"/H", L"/?", L"/install /help",
                                           L"/extract:C:\\out /?"));

TEST(SilentExtract, ExtractsEveryEntryWithoutAWindowAndEndsWith1) {
  CKzpTempFolder folder;
  // The target must exist: the run makes it the current folder first.
  const std::wstring target = folder / L"out";
  ASSERT_TRUE(CreateDirectoryW(target.c_str(), nullptr));
  const ProcessOutcome outcome =
      RunProcess(PackagedStub(folder), L"/extract:" + target);
  ASSERT_TRUE(outcome.started);
  EXPECT_EQ(outcome.exitCode, 1u);
  EXPECT_TRUE(outcome.windows.empty());
  EXPECT_EQ(ReadFileText(target + L"\\readme.txt"), "hello\r\n");
  EXPECT_TRUE(ReadFileText(target + L"\\docs\\guide.txt") == std::string(100000, 'g'));
  EXPECT_EQ(ReadFileText(target + L"\\bin\\tool.dat"), "stored bytes");

  // Times are the entry's local DOS time; attributes the entry's own.
  const std::wstring dated = target + L"\\bin\\dated.txt";
  EXPECT_EQ(GetFileAttributesW(dated.c_str()), DWORD{FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE});
  WIN32_FILE_ATTRIBUTE_DATA data{};
  ASSERT_TRUE(GetFileAttributesExW(dated.c_str(), GetFileExInfoStandard, &data));
  FILETIME local{};
  SYSTEMTIME when{};
  FileTimeToLocalFileTime(&data.ftLastWriteTime, &local);
  FileTimeToSystemTime(&local, &when);
  EXPECT_EQ(when.wYear, 2024);
  EXPECT_EQ(when.wMonth, 2);
  EXPECT_EQ(when.wDay, 29);
  EXPECT_EQ(when.wHour, 13);
  EXPECT_EQ(when.wMinute, 45);
  EXPECT_EQ(when.wSecond, 30);
  SetFileAttributesW(dated.c_str(), FILE_ATTRIBUTE_NORMAL);
}

class SilentExtractRefused : public ::testing::TestWithParam<const wchar_t*> {};

// A path the run cannot use ends with 0, silently, and writes nothing.
TEST_P(SilentExtractRefused, EndsWith0WithoutAWindow) {
  CKzpTempFolder folder;
  const ProcessOutcome outcome = RunProcess(PackagedStub(folder), GetParam());
  ASSERT_TRUE(outcome.started);
  EXPECT_EQ(outcome.exitCode, 0u);
  EXPECT_TRUE(outcome.windows.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Paths, SilentExtractRefused,
    ::testing::Values(L"/extract:", L"/extract:relative\\out", L"/extract:C:\\no\\such\\folder",
                      L"/extract:\"C:\\with blank\""));

TEST(SilentExtract, RefusesAPathTooLongForItsBuffer) {
  CKzpTempFolder folder;
  const std::wstring longPath = folder.Path() + L"\\" + std::wstring(300, L'x');
  const ProcessOutcome outcome = RunProcess(PackagedStub(folder), L"/extract:" + longPath);
  EXPECT_EQ(outcome.exitCode, 0u);
  EXPECT_TRUE(outcome.windows.empty());
}

}  // namespace
