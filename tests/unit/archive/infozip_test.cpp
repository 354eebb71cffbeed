#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "archive/zip_file.h"
#include "archive_test_support.h"
#include "file_bytes.h"

namespace {

using kzpzip::ZIP_File;

// What an extracted tree holds: relative path -> contents and write time
// (folders map to "<folder>").
using TreeContents = std::map<std::wstring, std::pair<std::string, ULONGLONG>>;

void CollectTree(const std::wstring& root, const std::wstring& relative, TreeContents& tree) {
  WIN32_FIND_DATAW data{};
  HANDLE find = FindFirstFileW((root + relative + L"*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    std::wstring path = relative + name;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      tree[path] = {"<folder>", 0};
      CollectTree(root, path + L"\\", tree);
    } else {
      ULONGLONG time = (static_cast<ULONGLONG>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                       data.ftLastWriteTime.dwLowDateTime;
      tree[path] = {ReadFileText(root + path), time};
    }
  } while (FindNextFileW(find, &data));
  FindClose(find);
}

TreeContents ExtractTree(const std::wstring& stub, const std::wstring& out) {
  ZIP_File archive;
  TreeContents tree;
  EXPECT_EQ(archive.Open(stub.c_str(), true), kzpzip::ZIP_OK);
  EXPECT_EQ(archive.ExtractAll(out.c_str(), nullptr, nullptr), kzpzip::ZIP_OK);
  CollectTree(out + L"\\", L"", tree);
  return tree;
}

// The tree that make_infozip_fixture.sh zips, written by our own writer.
kzppack::Bytes SameTreeFromZipWriter() {
  const std::uint16_t date = kzppack::DosDate(2020, 1, 2);
  const std::uint16_t time = kzppack::DosTime(15, 30, 44);
  std::string readme;
  for (int i = 0; i < 400; ++i) readme += "line " + std::to_string(i) + " of the package readme\n";
  kzppack::ZipWriter writer = StubWriter();
  auto add = [&](const std::string& name, const std::string& data, std::uint16_t method) {
    kzppack::ZipEntrySpec member;
    member.name = name;
    member.data.assign(data.begin(), data.end());
    member.method = method;
    member.dosDate = date;
    member.dosTime = time;
    writer.Add(member);
  };
  add("readme.txt", readme, kzppack::kMethodDeflated);
  add("data/", "", kzppack::kMethodStored);
  add("data/deep/", "", kzppack::kMethodStored);
  add("data/deep/empty.txt", "", kzppack::kMethodStored);
  add("data/stored.txt", "stored bytes\n", kzppack::kMethodStored);
  return writer.Finish();
}

TEST(InfoZipStub, OpensAndExtractsLikeOurOwnArchive) {
#ifndef KZP_INFOZIP_STUB
  GTEST_SKIP() << "zip was not found when the build was configured";
#else
  std::wstring infoZip = WinePathFromUnix(KZP_INFOZIP_STUB);
  CKzpTempFolder temp;
  std::wstring ours = SaveStub(temp, SameTreeFromZipWriter());

  ZIP_File archive;
  ASSERT_EQ(archive.Open(infoZip.c_str(), true), kzpzip::ZIP_OK);
  ASSERT_EQ(archive.GetEntryCount(), 5u);
  EXPECT_EQ(archive.FindEntry(L"readme.txt")->compressionMethod, 8u);
  EXPECT_EQ(archive.FindEntry(L"data/stored.txt")->compressionMethod, 0u);
  EXPECT_GE(archive.GetEntry(0)->localHeaderOffset, kStubSize);
  archive.Close();

  TreeContents fromInfoZip = ExtractTree(infoZip, temp / L"infozip");
  TreeContents fromOurs = ExtractTree(ours, temp / L"ours");
  EXPECT_EQ(fromInfoZip.size(), 5u);
  EXPECT_TRUE(fromInfoZip == fromOurs);
  EXPECT_EQ(fromInfoZip[L"data\\stored.txt"].first, "stored bytes\n");
#endif
}

}  // namespace
