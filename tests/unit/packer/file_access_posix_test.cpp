// How the Linux build describes a folder: the attribute bits that Wine
// shows Windows programs for the same files, so that both builds pack the
// same bytes.
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "packer/file_access.h"
#include "scratch_folder.h"

namespace kzppack {
namespace {

namespace fs = std::filesystem;

FolderItem Find(const std::vector<FolderItem>& items, const std::string& name) {
  auto it = std::find_if(items.begin(), items.end(),
                         [&](const FolderItem& item) { return item.name == name; });
  return it != items.end() ? *it : FolderItem{};
}

TEST(ListFolderOnLinux, AttributesAsWineShowsThem) {
  ScratchFolder scratch;
  for (const char* name : {"plain", "locked", "owner-locked", ".profile", "recorded-hidden",
                           "recorded-system", ".dot folder/x"}) {
    scratch.Write(std::string("in/") + name, Bytes{'x'});
  }
  ::chmod((scratch / "in" / "locked").c_str(), 0444);
  // Wine: read-only only when nobody may write.
  ::chmod((scratch / "in" / "owner-locked").c_str(), 0464);
  const bool recorded =
      ::setxattr((scratch / "in" / "recorded-hidden").c_str(), "user.DOSATTRIB", "0x2", 3, 0) == 0 &&
      ::setxattr((scratch / "in" / "recorded-system").c_str(), "user.DOSATTRIB", "0x24", 4, 0) == 0;
  std::vector<FolderItem> items;
  std::vector<std::string> problems;
  ListFolder(scratch / "in", items, problems);
  EXPECT_EQ(Find(items, "plain").attributes, 0u);
  EXPECT_EQ(Find(items, "locked").attributes, kAttributeReadOnly);
  EXPECT_EQ(Find(items, "owner-locked").attributes, 0u);
  // A dot file is a file like any other (Wine hides it unless ShowDotFiles
  // is set).
  EXPECT_EQ(Find(items, ".profile").attributes, 0u);
  EXPECT_EQ(Find(items, ".dot folder").attributes, 0u);
  EXPECT_EQ(Find(items, ".dot folder/x").attributes, 0u);
  if (recorded) {
    EXPECT_EQ(Find(items, "recorded-hidden").attributes, kAttributeHidden);
    EXPECT_EQ(Find(items, "recorded-system").attributes, kAttributeSystem);
  }
}

TEST(ListFolderOnLinux, LinksAndPipesAreNotFiles) {
  ScratchFolder scratch;
  scratch.Write("in/target", Bytes{'x'});
  fs::create_symlink("target", scratch / "in" / "link");
  fs::create_directory_symlink("/tmp", scratch / "in" / "folder link");
  ASSERT_EQ(::mkfifo((scratch / "in" / "pipe").c_str(), 0600), 0);
  std::vector<FolderItem> items;
  std::vector<std::string> problems;
  ListFolder(scratch / "in", items, problems);
  EXPECT_EQ(items.size(), 4u);  // links are not followed
  EXPECT_EQ(Find(items, "link").kind, ItemKind::kLink);
  EXPECT_EQ(Find(items, "folder link").kind, ItemKind::kLink);
  EXPECT_EQ(Find(items, "pipe").kind, ItemKind::kOther);
  InputFile pipe;
  std::string error;
  EXPECT_FALSE(pipe.Open(scratch / "in" / "pipe", error));  // and does not hang
  EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
}

}  // namespace
}  // namespace kzppack
