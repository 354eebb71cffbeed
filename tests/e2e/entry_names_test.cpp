// Entry names through the real stub: what a silent extraction makes of
// them.
#include <gtest/gtest.h>

#include <windows.h>

#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "file_bytes.h"
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

}  // namespace
