// How the Windows build reads a folder: attributes, folders deeper than
// 260 characters, and files that another program holds open.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "packer/file_access.h"
#include "packer/text_convert.h"
#include "scratch_folder.h"

namespace kzppack {
namespace {

namespace fs = std::filesystem;

FolderItem Find(const std::vector<FolderItem>& items, const std::string& name) {
  auto it = std::find_if(items.begin(), items.end(),
                         [&](const FolderItem& item) { return item.name == name; });
  return it != items.end() ? *it : FolderItem{};
}

TEST(ListFolderOnWindows, ReadOnlyHiddenAndSystemFromTheAttributes) {
  ScratchFolder scratch;
  const struct {
    const char* name;
    DWORD set;
    std::uint32_t expected;
  } files[] = {{"plain", FILE_ATTRIBUTE_NORMAL, 0},
               {"locked", FILE_ATTRIBUTE_READONLY, kAttributeReadOnly},
               {"hidden", FILE_ATTRIBUTE_HIDDEN, kAttributeHidden},
               {"system", FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE, kAttributeSystem},
               {"all", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM,
                kAttributeReadOnly | kAttributeHidden | kAttributeSystem}};
  for (const auto& file : files) {
    const fs::path path = scratch.Write(std::string("in/") + file.name, Bytes{'x'});
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), file.set));
  }
  std::vector<FolderItem> items;
  std::vector<std::string> problems;
  ListFolder(scratch / "in", items, problems);
  for (const auto& file : files) EXPECT_EQ(Find(items, file.name).attributes, file.expected) << file.name;
  for (const auto& file : files) SetFileAttributesW((scratch / "in" / file.name).c_str(), 0);
}

// NTFS takes a name with an unpaired surrogate; no entry name can hold it:
// refused with a message (and the rest listed), never a crash.
TEST(ListFolderOnWindows, LoneSurrogateInANameIsRefused) {
  ScratchFolder scratch;
  scratch.Write("in/good.txt", Bytes{'x'});
  const std::wstring lone = (scratch / "in").wstring() + L"\\bad\xD800.txt";
  // A path with one is still a path for messages.
  EXPECT_EQ(PathToUtf8(fs::path(L"C:\\in\\bad\xD800.txt")), "C:\\in\\bad\xEF\xBF\xBD.txt");
  EXPECT_FALSE(IsWellFormedUtf16(L"bad\xDC00\xD800"));
  EXPECT_TRUE(IsWellFormedUtf16(L"good\xD83D\xDE00"));
  HANDLE file = CreateFileW(lone.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) GTEST_SKIP() << "this file system holds no such name (Wine)";
  CloseHandle(file);
  std::vector<FolderItem> items;
  std::vector<std::string> problems;
  ListFolder(scratch / "in", items, problems);
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_NE(problems[0].find("bad\xEF\xBF\xBD.txt: error: the name holds a lone UTF-16 surrogate"),
            std::string::npos)
      << problems[0];
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].name, "good.txt");
  DeleteFileW(lone.c_str());
}

// A chain of folders 300 characters deep: listed, and its file read, through
// "\\?\" paths; made here through them too.
TEST(ListFolderOnWindows, FoldersDeeperThan260Characters) {
  ScratchFolder scratch;
  std::wstring path = L"\\\\?\\" + (scratch / "in").wstring();
  ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr));
  std::string relative;
  for (int level = 0; level < 6; ++level) {
    const std::string name(50, static_cast<char>('a' + level));
    path += L"\\" + std::wstring(name.begin(), name.end());
    relative += (level > 0 ? "/" : "") + name;
    ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr));
  }
  const std::wstring file = path + L"\\deep.txt";
  ASSERT_GT(file.size(), 300u);
  HANDLE handle = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  WriteFile(handle, "deep", 4, &written, nullptr);
  CloseHandle(handle);

  std::vector<FolderItem> items;
  std::vector<std::string> problems;
  ListFolder(scratch / "in", items, problems);
  EXPECT_TRUE(problems.empty());
  const FolderItem deep = Find(items, relative + "/deep.txt");
  ASSERT_EQ(deep.kind, ItemKind::kFile);
  EXPECT_EQ(deep.size, 4u);
  InputFile input;
  std::string error;
  ASSERT_TRUE(input.Open(deep.path, error)) << error;
  std::uint8_t bytes[8] = {};
  std::size_t got = 0;
  ASSERT_TRUE(input.Read(bytes, sizeof bytes, got, error));
  EXPECT_EQ(std::string(bytes, bytes + got), "deep");
  input.Close();
  EXPECT_EQ(KindOf(deep.path), PathKind::kFile);
  // ScratchFolder's removal goes through std::filesystem, which stops at
  // 260 characters: the chain goes first.
  for (int level = 6; level >= 0; --level) {
    if (level == 6) DeleteFileW(file.c_str());
    RemoveDirectoryW(path.c_str());
    path.resize(path.rfind(L'\\'));
  }
}

// Another program's handle decides: one that lets others read leaves the
// file readable, even while it writes; one that shares nothing makes the
// read fail with a message that says so.
TEST(InputFileOnWindows, FilesOpenElsewhere) {
  ScratchFolder scratch;
  const fs::path path = scratch.Write("busy.txt", Bytes{'b', 'u', 's', 'y'});
  std::string error;
  {
    HANDLE writer = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    InputFile input;
    EXPECT_TRUE(input.Open(path, error)) << error;
    CloseHandle(writer);
  }
  HANDLE keeper = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(keeper, INVALID_HANDLE_VALUE);
  InputFile input;
  EXPECT_FALSE(input.Open(path, error));
  EXPECT_NE(error.find("another program has it open"), std::string::npos) << error;
  CloseHandle(keeper);
}

}  // namespace
}  // namespace kzppack
