// The packer's file calls, the same expectations on both builds.
#include "packer/file_access.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>

#include "packer/text_convert.h"
#include "scratch_folder.h"

namespace kzppack {
namespace {

namespace fs = std::filesystem;

std::string Contents(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> TemporaryFiles(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& item : fs::directory_iterator(folder)) {
    const std::string name = PathToUtf8(item.path().filename());
    if (name.find(".kzppack-") != std::string::npos) names.push_back(name);
  }
  return names;
}

TEST(TemporaryOutput, CommitReplacesTheOutputWithWhatWasWritten) {
  ScratchFolder scratch;
  const fs::path output = scratch.Write("package.exe", Bytes{'o', 'l', 'd'});
  std::string error;
  {
    TemporaryOutput out(output);
    ASSERT_TRUE(out.Created(error)) << error;
    EXPECT_EQ(TemporaryFiles(scratch.path()).size(), 1u);
    ASSERT_TRUE(out.Write("header--data-tail", 17, error)) << error;
    ASSERT_TRUE(out.WriteAt(0, "HEADER", 6, error)) << error;
    ASSERT_TRUE(out.Write("!", 1, error)) << error;  // still at the end
    ASSERT_TRUE(out.Truncate(12, error)) << error;
    ASSERT_TRUE(out.Write("+end", 4, error)) << error;
    EXPECT_EQ(Contents(output), "old");  // nothing shows before the commit
    ASSERT_TRUE(out.Commit(error)) << error;
  }
  EXPECT_EQ(Contents(output), "HEADER--data+end");
  EXPECT_TRUE(TemporaryFiles(scratch.path()).empty());
}

TEST(TemporaryOutput, WithoutCommitNothingChangesAndNothingStays) {
  ScratchFolder scratch;
  const fs::path output = scratch.Write("package.exe", Bytes{'o', 'l', 'd'});
  std::string error;
  {
    TemporaryOutput out(output);
    ASSERT_TRUE(out.Created(error)) << error;
    ASSERT_TRUE(out.Write("half a package", 14, error));
  }
  EXPECT_EQ(Contents(output), "old");
  EXPECT_TRUE(TemporaryFiles(scratch.path()).empty());
  TemporaryOutput nowhere(scratch / "no such folder" / "package.exe");
  EXPECT_FALSE(nowhere.Created(error));
  EXPECT_NE(error.find("cannot create a file here"), std::string::npos) << error;
}

TEST(InputFile, ReadsInPiecesAndAtOffsets) {
  ScratchFolder scratch;
  const fs::path path = scratch.Write("data.bin", Bytes{'0', '1', '2', '3', '4', '5', '6'});
  InputFile file;
  std::string error;
  ASSERT_TRUE(file.Open(path, error)) << error;
  std::uint64_t size = 0;
  ASSERT_TRUE(file.Size(size, error));
  EXPECT_EQ(size, 7u);
  std::uint8_t buffer[4] = {};
  std::size_t got = 0;
  ASSERT_TRUE(file.ReadAt(5, buffer, 4, got, error));
  EXPECT_EQ(got, 2u);
  EXPECT_EQ(buffer[0], '5');
  ASSERT_TRUE(file.ReadAt(1, buffer, 3, got, error));
  EXPECT_EQ(std::string(buffer, buffer + got), "123");
  InputFile missing;
  EXPECT_FALSE(missing.Open(scratch / "missing.bin", error));
  EXPECT_EQ(error, PathToUtf8(scratch / "missing.bin") + ": No such file or directory");
  InputFile folder;
  EXPECT_FALSE(folder.Open(scratch.path(), error));
}

TEST(ListFolder, EveryItemWithItsNameKindAndSize) {
  ScratchFolder scratch;
  scratch.Write("in/a.txt", Bytes{'a'});
  scratch.Write("in/sub/deeper/b.bin", Bytes(70000, 'b'));
  fs::create_directories(scratch / "in" / "empty folder");
  // "表" ends in the byte 0x5C in code page 932: UTF-16 must carry it.
  scratch.Write(u8"in/\u8CC7\u6599/\u8868.txt", Bytes{});
  std::vector<FolderItem> items;
  std::vector<std::string> problems;
  ListFolder(scratch / "in", items, problems);
  EXPECT_TRUE(problems.empty());
  std::sort(items.begin(), items.end(),
            [](const FolderItem& a, const FolderItem& b) { return a.name < b.name; });
  std::vector<std::string> names;
  for (const FolderItem& item : items) names.push_back(item.name);
  const std::vector<std::string> expected = {
      "a.txt", "empty folder", "sub", "sub/deeper", "sub/deeper/b.bin",
      "\xE8\xB3\x87\xE6\x96\x99", "\xE8\xB3\x87\xE6\x96\x99/\xE8\xA1\xA8.txt"};
  EXPECT_EQ(names, expected);
  EXPECT_EQ(items[1].kind, ItemKind::kFolder);
  EXPECT_TRUE(items[1].empty);
  EXPECT_FALSE(items[2].empty);
  EXPECT_EQ(items[4].kind, ItemKind::kFile);
  EXPECT_EQ(items[4].size, 70000u);
  EXPECT_EQ(items[0].attributes, 0u);
  EXPECT_EQ(KindOf(scratch / "in"), PathKind::kFolder);
  EXPECT_EQ(KindOf(scratch / "in" / "a.txt"), PathKind::kFile);
  EXPECT_EQ(KindOf(scratch / "none"), PathKind::kMissing);
}

TEST(FullPath, InsideOrNot) {
  ScratchFolder scratch;
  fs::create_directories(scratch / "in" / "sub");
  const fs::path in = FullPath(scratch / "in");
  EXPECT_TRUE(IsSameOrBelow(FullPath(scratch / "in" / "sub"), in));
  EXPECT_TRUE(IsSameOrBelow(FullPath(scratch / "in" / "sub" / ".."), in));
  EXPECT_FALSE(IsSameOrBelow(FullPath(scratch.path()), in));
  EXPECT_FALSE(IsSameOrBelow(FullPath(scratch / "in2"), in));
}

}  // namespace
}  // namespace kzppack
