// Entry names through the real stub: what a silent extraction makes of
// them, and what the package's own lookups find.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <ostream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "file_bytes.h"
#include "package_fixture.h"
#include "packer/zip_writer.h"
#include "process_runner.h"
#include "temp_folder.h"

namespace {

using kzppack::ZipWriter;

// Extracts the package into a new folder; answers the full exit code.
DWORD ExtractPackage(const ZipWriter& writer, const CKzpTempFolder& folder,
                     const std::wstring& target) {
  const std::wstring path = folder / L"package.exe";
  EXPECT_TRUE(WriteFileBytes(path, writer.Finish()));
  EXPECT_TRUE(CreateDirectoryW(target.c_str(), nullptr));
  const ProcessOutcome outcome = RunProcess(path, L"/extract:" + target);
  EXPECT_TRUE(outcome.started);
  EXPECT_TRUE(outcome.windows.empty());
  return outcome.exitCode;
}

// Win32 trims trailing blanks and dots from the last level of a path only,
// so a folder level ending in a blank is a folder of its own under Wine.
// The threaded run makes folders ahead of the entries that need them; the
// tree must still be the one the entries' own paths give, with no second
// folder beside it.
struct TreeCase {
  const char* label;
  std::vector<std::string> names;  // "name/": a folder entry
  std::set<std::wstring> tree;
};

void PrintTo(const TreeCase& c, std::ostream* os) { *os << c.label; }

class ExtractedTree : public ::testing::TestWithParam<TreeCase> {};

TEST_P(ExtractedTree, HoldsTheFoldersTheNamesGive) {
  ZipWriter writer(ReadFileBytes(BuiltStubPath()));
  for (const std::string& name : GetParam().names) {
    if (name.back() == '/') {
      writer.AddFolder(name);
    } else {
      writer.AddFile(name, "data of " + name);
    }
  }
  CKzpTempFolder folder;
  const std::wstring target = folder / L"out";
  EXPECT_EQ(ExtractPackage(writer, folder, target), 1u);
  EXPECT_EQ(ListTree(target), GetParam().tree);
}

INSTANTIATE_TEST_SUITE_P(
    Names, ExtractedTree,
    ::testing::Values(
        TreeCase{"FolderEndingInABlank", {"ok.txt", "dir /x.txt"},
                 {L"ok.txt", L"dir \\", L"dir \\x.txt"}},
        // Below a folder that is not there yet (the one-by-one walk).
        TreeCase{"DeeperFolderEndingInABlank", {"ok.txt", "a/b /x.txt"},
                 {L"ok.txt", L"a\\", L"a\\b \\", L"a\\b \\x.txt"}},
        TreeCase{"FolderEntryEndingInABlank", {"d /", "d /f.txt", "ok.txt"},
                 {L"ok.txt", L"d \\", L"d \\f.txt"}}),
    [](const ::testing::TestParamInfo<TreeCase>& info) { return std::string(info.param.label); });

// Names marked as UTF-8 (flag bit 11) read the same under every Windows
// locale. This suite runs from two CTest entries, under a Western and a
// Japanese locale (tests/e2e/CMakeLists.txt), each of which says its ANSI
// code page in KZP_EXPECTED_ACP.
void ExpectTheLocaleAsked() {
  const char* expected = std::getenv("KZP_EXPECTED_ACP");
  ASSERT_NE(expected, nullptr) << "run from the CTest entries that set a locale";
  ASSERT_EQ(GetACP(), static_cast<UINT>(std::atoi(expected)));
}

void AddUtf8(ZipWriter& writer, const std::string& name, const std::string& data) {
  kzppack::ZipEntrySpec entry;
  entry.name = name;
  entry.data.assign(data.begin(), data.end());
  entry.flags = 0x0800;
  writer.Add(std::move(entry));
}

// Japanese and accented names in UTF-8, beside a plain ASCII one.
TEST(Utf8NamesUnderLocale, ComeOutUnderTheirOwnNames) {
  ExpectTheLocaleAsked();
  ZipWriter writer(ReadFileBytes(BuiltStubPath()));
  writer.AddFile("readme.txt", "plain");
  AddUtf8(writer, u8"資料/説明書.txt", "text");
  AddUtf8(writer, u8"Café déjà vu.txt", "accents");
  AddUtf8(writer, u8"ソフト 表.txt", "x");
  AddUtf8(writer, u8"空のフォルダ/", "");
  CKzpTempFolder folder;
  const std::wstring target = folder / L"out";
  EXPECT_EQ(ExtractPackage(writer, folder, target), 1u);
  EXPECT_EQ(ListTree(target),
            (std::set<std::wstring>{L"readme.txt", L"資料\\", L"資料\\説明書.txt",
                                    L"Café déjà vu.txt", L"ソフト 表.txt", L"空のフォルダ\\"}));
  EXPECT_EQ(ReadFileText(target + L"\\資料\\説明書.txt"), "text");
}

std::string Description(const char* version, const char* exitCode) {
  return std::string("<kzp_package version=\"") + version +
         "\"><installation><install><command>setup.exe</command><command_params>-exit:" +
         exitCode + "</command_params></install></installation></kzp_package>";
}

// The description is found by a UTF-8 name: the program's own name with
// ".xml" (without regard to case), or the name the search by content
// found.
TEST(Utf8NamesUnderLocale, DescriptionIsFoundByItsName) {
  ExpectTheLocaleAsked();
  CKzpPackageFixture package;
  package.AddInstaller("setup.exe");
  // Version 1.0: found by name only.
  AddUtf8(package.Writer(), u8"パッケージ.xml", Description("1.0", "21"));
  AddUtf8(package.Writer(), u8"CAFÉ.XML", Description("1.0", "22"));
  AddUtf8(package.Writer(), u8"説明/記述.xml", Description("2.0.1.0", "23"));
  CKzpTempFolder folder;
  for (const auto& [exeName, code] : std::vector<std::pair<std::wstring, DWORD>>{
           {L"パッケージ.exe", 21u}, {L"café.exe", 22u}, {L"renamed.exe", 23u}}) {
    const std::wstring path = folder / exeName;
    ASSERT_TRUE(package.WriteTo(path));
    const ProcessOutcome outcome = RunProcess(path, L"/install", 60000);
    EXPECT_EQ(outcome.exitCode, code) << "the package of code " << code;
    EXPECT_TRUE(outcome.windows.empty());
  }
}

}  // namespace
