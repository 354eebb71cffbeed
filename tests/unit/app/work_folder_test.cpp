#include "app/work_folder.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cwctype>
#include <string>

#include "file_bytes.h"
#include "temp_folder.h"

namespace {

TEST(CreateWorkFolder, MakesABracedGuidFolderUnderTheTemporaryFolder) {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  wchar_t path[MAX_PATH] = {};
  ASSERT_TRUE(CreateWorkFolder(path, MAX_PATH));
  const std::wstring created = path;
  ASSERT_EQ(created.substr(0, std::wcslen(temp)), temp);
  const std::wstring guid = created.substr(std::wcslen(temp));
  ASSERT_EQ(guid.size(), 38u) << "the temporary folder ends with a backslash: no second one";
  EXPECT_EQ(guid.front(), L'{');
  EXPECT_EQ(guid.back(), L'}');
  for (std::size_t i : {9u, 14u, 19u, 24u}) EXPECT_EQ(guid[i], L'-');
  EXPECT_TRUE(FolderExists(created));

  wchar_t second[MAX_PATH] = {};
  ASSERT_TRUE(CreateWorkFolder(second, MAX_PATH));
  EXPECT_NE(created, second);
  EXPECT_TRUE(RemoveFolderTree(path));
  EXPECT_TRUE(RemoveFolderTree(second));
}

TEST(CreateWorkFolder, RefusesASmallBuffer) {
  wchar_t path[MAX_PATH - 1] = {};
  EXPECT_FALSE(CreateWorkFolder(path, MAX_PATH - 1));
}

TEST(RemoveFolderTree, DeletesEverythingIncludingReadOnlyItems) {
  CKzpTempFolder scratch;
  const std::wstring work = scratch / L"work";
  ASSERT_TRUE(CreateDirectoryW(work.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW((work + L"\\sub").c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW((work + L"\\sub\\deeper").c_str(), nullptr));
  ASSERT_TRUE(WriteFileText(work + L"\\a.txt", "a"));
  ASSERT_TRUE(WriteFileText(work + L"\\sub\\deeper\\b.txt", "b"));
  ASSERT_TRUE(WriteFileText(work + L"\\sub\\ro.txt", "r"));
  SetFileAttributesW((work + L"\\sub\\ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  SetFileAttributesW((work + L"\\sub\\deeper").c_str(), FILE_ATTRIBUTE_READONLY);
  SetFileAttributesW((work + L"\\a.txt").c_str(), FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN);

  // A trailing backslash addresses the same tree.
  EXPECT_TRUE(RemoveFolderTree((work + L"\\").c_str()));
  EXPECT_FALSE(FolderExists(work));
  EXPECT_TRUE(FolderExists(scratch.Path())) << "nothing above the folder is touched";
}

TEST(RemoveFolderTree, EmptyAndMissingFolders) {
  CKzpTempFolder scratch;
  const std::wstring empty = scratch / L"empty";
  ASSERT_TRUE(CreateDirectoryW(empty.c_str(), nullptr));
  EXPECT_TRUE(RemoveFolderTree(empty.c_str()));
  EXPECT_FALSE(FolderExists(empty));
  EXPECT_FALSE(RemoveFolderTree((scratch / L"missing").c_str()));
}

// Links left by an installer are removed as links; their targets are never
// entered. An item that opens as something else (a link Wine shows as a
// plain file or folder) is left alone. (Wine cannot make reparse points, so
// the decision is checked by attributes.)
TEST(RemoveFolderTree, NeverEntersJunctionsOrLinks) {
  EXPECT_EQ(ActionForFolderItem(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT, true),
            FolderItemAction::RemoveLink);
  EXPECT_EQ(ActionForFolderItem(FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_ARCHIVE, true),
            FolderItemAction::RemoveLink);
  EXPECT_EQ(ActionForFolderItem(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY, true),
            FolderItemAction::Descend);
  EXPECT_EQ(ActionForFolderItem(FILE_ATTRIBUTE_ARCHIVE, true), FolderItemAction::RemoveFile);
  EXPECT_EQ(ActionForFolderItem(FILE_ATTRIBUTE_ARCHIVE, false), FolderItemAction::Leave);
  EXPECT_EQ(ActionForFolderItem(FILE_ATTRIBUTE_DIRECTORY, false), FolderItemAction::Leave);
}

TEST(ExtendedLengthPath, PrefixesDriveAndNetworkPaths) {
  EXPECT_EQ(ExtendedLengthPath(L"C:\\W"), L"\\\\?\\C:\\W");
  EXPECT_EQ(ExtendedLengthPath(L"\\\\srv\\share"), L"\\\\?\\UNC\\srv\\share");
  EXPECT_EQ(ExtendedLengthPath(L"\\\\?\\C:\\W"), L"\\\\?\\C:\\W");
  EXPECT_EQ(ExtendedLengthPath(L"work"), L"work") << "a relative path keeps the usual limits";
}

TEST(JoinFolderPath, OneBackslashAndNoCutting) {
  wchar_t out[16] = {};
  ASSERT_TRUE(JoinFolderPath(L"C:\\Work\\", L"x", out, 16));
  EXPECT_STREQ(out, L"C:\\Work\\x");
  ASSERT_TRUE(JoinFolderPath(L"C:\\Work", L"x", out, 16));
  EXPECT_STREQ(out, L"C:\\Work\\x");
  EXPECT_FALSE(JoinFolderPath(L"C:\\Work", L"long-name.txt", out, 16));
}

}  // namespace
