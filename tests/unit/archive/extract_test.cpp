#include <windows.h>

#include <gtest/gtest.h>

#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "archive/create_folder_path.h"
#include "archive/zip_file.h"
#include "archive_test_support.h"
#include "file_bytes.h"

namespace {

using kzppack::Bytes;
using kzppack::ZipLayout;
using kzpzip::ZIP_File;

// The stub lives in its own folder; extraction goes to a sibling "out".
class ExtractTest : public ::testing::Test {
 protected:
  int OpenStub(const Bytes& file) {
    archive_.Close();
    std::wstring path = SaveStub(temp_, file);
    return archive_.Open(path.c_str(), true);
  }
  int ExtractAll() { return archive_.ExtractAll(out_.c_str(), nullptr, nullptr); }
  std::wstring Out(const std::wstring& relative) const { return out_ + L"\\" + relative; }

  CKzpTempFolder temp_;
  std::wstring out_ = temp_ / L"out";
  ZIP_File archive_;
};

FILETIME LastWriteTime(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
  return data.ftLastWriteTime;
}

// A DOS stamp is local time under the rules of its own date.
FILETIME FromDos(std::uint16_t date, std::uint16_t time) {
  FILETIME stamp{};
  SYSTEMTIME local{};
  SYSTEMTIME universal{};
  FILETIME utc{};
  DosDateTimeToFileTime(date, time, &stamp);
  FileTimeToSystemTime(&stamp, &local);
  TzSpecificLocalTimeToSystemTime(nullptr, &local, &universal);
  SystemTimeToFileTime(&universal, &utc);
  return utc;
}

bool SameTime(const FILETIME& a, const FILETIME& b) {
  return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

TEST_F(ExtractTest, ExtractsFoldersFilesTimesAndAttributes) {
  kzppack::ZipWriter writer = StubWriter();
  writer.AddFolder("dir/");
  kzppack::ZipEntrySpec backslashFolder;
  backslashFolder.name = "win\\";
  backslashFolder.method = kzppack::kMethodStored;
  backslashFolder.externalAttributes = 0x10;
  writer.Add(backslashFolder);
  // Not a folder by its sizes, but extraction goes by the last character.
  writer.AddFile("data\\", "x", kzppack::kMethodStored);
  kzppack::ZipEntrySpec readOnly;
  readOnly.name = "sub/deep/a.txt";
  readOnly.data = Bytes(70000, 'z');
  readOnly.dosDate = kzppack::DosDate(2019, 12, 31);
  readOnly.dosTime = kzppack::DosTime(23, 59, 58);
  readOnly.externalAttributes = 0x21;
  writer.Add(readOnly);
  writer.AddFile("x\\y/mixed.txt", "mixed", kzppack::kMethodStored);
  writer.AddFile("empty.txt", "");
  ASSERT_EQ(OpenStub(writer.Finish()), kzpzip::ZIP_OK);

  EXPECT_FALSE(archive_.GetEntry(2)->IsDirectory());
  ASSERT_EQ(ExtractAll(), kzpzip::ZIP_OK);
  EXPECT_TRUE(FolderExists(Out(L"data")));
  EXPECT_TRUE(FolderExists(Out(L"dir")));
  EXPECT_TRUE(FolderExists(Out(L"win")));
  EXPECT_EQ(ReadFileText(Out(L"sub\\deep\\a.txt")), std::string(70000, 'z'));
  EXPECT_EQ(GetFileAttributesW(Out(L"sub\\deep\\a.txt").c_str()), 0x21u);
  EXPECT_TRUE(SameTime(LastWriteTime(Out(L"sub\\deep\\a.txt")),
                       FromDos(kzppack::DosDate(2019, 12, 31), kzppack::DosTime(23, 59, 58))));
  EXPECT_EQ(ReadFileText(Out(L"x\\y\\mixed.txt")), "mixed");
  EXPECT_TRUE(FileExists(Out(L"empty.txt")));
  EXPECT_TRUE(ReadFileBytes(Out(L"empty.txt")).empty());
  // Plain archive files get their attributes set too: check the result.
  EXPECT_EQ(GetFileAttributesW(Out(L"empty.txt").c_str()),
            static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_TRUE(SameTime(LastWriteTime(Out(L"empty.txt")),
                       FromDos(kzppack::kDosEpochDate, kzppack::kDosEpochTime)));
}

TEST_F(ExtractTest, ReplacesExistingFilesAndStopsWhereNoFileCanBeMade) {
  kzppack::ZipWriter writer = StubWriter();
  writer.AddFile("a.txt", "new contents");
  writer.AddFile("b.txt", "never written");
  ASSERT_EQ(OpenStub(writer.Finish()), kzpzip::ZIP_OK);
  ASSERT_TRUE(kzpzip::CreateFolderPath(out_.c_str()));
  ASSERT_TRUE(WriteFileText(Out(L"a.txt"), "old and longer contents"));
  ASSERT_TRUE(SetFileAttributesW(Out(L"a.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  // Wine lets root replace read-only and hidden files; a folder in the way
  // stops the creation everywhere.
  ASSERT_TRUE(CreateDirectoryW(Out(L"b.txt").c_str(), nullptr));

  EXPECT_EQ(archive_.GetEntry(0)->ExtractTo(Out(L"a.txt").c_str(), true), kzpzip::ZIP_E_CREATE);
  ASSERT_TRUE(SetFileAttributesW(Out(L"a.txt").c_str(), FILE_ATTRIBUTE_NORMAL));
  // Replacing a file applies the attributes even when they are the default.
  EXPECT_EQ(ExtractAll(), kzpzip::ZIP_E_CREATE);
  EXPECT_EQ(ReadFileText(Out(L"a.txt")), "new contents");
  EXPECT_EQ(GetFileAttributesW(Out(L"a.txt").c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_TRUE(FolderExists(Out(L"b.txt")));
}

// "Already exists" means success only when what exists is a folder.
TEST_F(ExtractTest, FolderEntryFailsWhereAFileStands) {
  kzppack::ZipWriter writer = StubWriter();
  writer.AddFile("x", "file");
  writer.AddFolder("x/");
  writer.AddFile("later.txt", "later");
  ASSERT_EQ(OpenStub(writer.Finish()), kzpzip::ZIP_OK);
  EXPECT_EQ(ExtractAll(), kzpzip::ZIP_E_FAIL);
  EXPECT_EQ(ReadFileText(Out(L"x")), "file");
  EXPECT_FALSE(FileExists(Out(L"later.txt")));
}

TEST_F(ExtractTest, FolderEntryIsNotWrittenAsAFile) {
  kzppack::ZipWriter writer = StubWriter();
  writer.AddFolder("dir/");
  ASSERT_EQ(OpenStub(writer.Finish()), kzpzip::ZIP_OK);
  EXPECT_EQ(archive_.GetEntry(0)->ExtractTo(Out(L"dir").c_str(), false), kzpzip::ZIP_E_BAD_ARG);
  EXPECT_FALSE(FolderExists(out_));
}

// Damaged data: the file that failed is removed, so nothing stays under its
// name looking complete; the complete file before it stays, and a later
// entry is not reached. Data in a method that cannot be decoded is known
// from the directory: then nothing at all is written.
struct DamagedExtractCase {
  const char* name;
  std::uint16_t method;
  bool (*damage)(Bytes&, const ZipLayout&);
  int expected;
  bool knownFromDirectory = false;
};

void PrintTo(const DamagedExtractCase& c, std::ostream* os) { *os << c.name; }

class DamagedExtract : public ExtractTest,
                       public ::testing::WithParamInterface<DamagedExtractCase> {};

constexpr std::size_t kBad = 1;  // the damaged entry

TEST_P(DamagedExtract, FailsStopsAndLeavesNoPartOfTheFile) {
  const std::string data = PatternText(50000, 11);
  kzppack::ZipWriter writer = StubWriter();
  writer.AddFile("before.txt", "complete");
  kzppack::ZipEntrySpec member;
  member.name = "bad.bin";
  member.data.assign(data.begin(), data.end());
  member.method = GetParam().method;
  writer.Add(member);
  writer.AddFile("after.txt", "after");
  ZipLayout layout;
  Bytes file = writer.Finish(&layout);
  ASSERT_TRUE(GetParam().damage(file, layout));
  ASSERT_EQ(OpenStub(file), kzpzip::ZIP_OK);

  EXPECT_EQ(ExtractAll(), GetParam().expected);
  EXPECT_EQ(ListTree(out_), GetParam().knownFromDirectory
                                ? std::set<std::wstring>{}
                                : std::set<std::wstring>{L"before.txt"});
  CreateDirectoryW(out_.c_str(), nullptr);
  // A file of that name that was there before is gone too: replacing it
  // had already truncated it.
  ASSERT_TRUE(WriteFileText(Out(L"bad.bin"), "older contents"));
  EXPECT_EQ(archive_.GetEntry(kBad)->ExtractTo(Out(L"bad.bin").c_str(), false),
            GetParam().expected);
  EXPECT_FALSE(FileExists(Out(L"bad.bin")));
}

bool StoredDataShort(Bytes& f, const ZipLayout& l) {
  return kzppack::DeclareCompressedSize(f, l, kBad, 30000);
}
bool DeclaredLarger(Bytes& f, const ZipLayout& l) {
  return kzppack::DeclareUncompressedSize(f, l, kBad, 0xFFFFFFFFu);
}
bool BadCrc(Bytes& f, const ZipLayout& l) { return kzppack::DeclareCrc(f, l, kBad, 1); }
bool MethodFourteen(Bytes& f, const ZipLayout& l) { return kzppack::DeclareMethod(f, l, kBad, 14); }
// Block type 3 does not exist: inflate reports a data error at once.
bool BreakDeflateBlock(Bytes& f, const ZipLayout& l) {
  return kzppack::SetField(f, l.entries[kBad].dataOffset, 1, 0x07);
}

INSTANTIATE_TEST_SUITE_P(
    Damage, DamagedExtract,
    ::testing::Values(
        DamagedExtractCase{"StoredShort", 0, StoredDataShort, kzpzip::ZIP_E_NO_DATA},
        DamagedExtractCase{"DeflatedFourGiBDeclared", 8, DeclaredLarger, kzpzip::ZIP_E_NO_DATA},
        DamagedExtractCase{"Crc", 8, BadCrc, kzpzip::ZIP_E_CRC},
        DamagedExtractCase{"MethodFourteen", 8, MethodFourteen, kzpzip::ZIP_E_BAD_ARCHIVE, true},
        DamagedExtractCase{"DeflateBroken", 8, BreakDeflateBlock, kzpzip::ZIP_E_BAD_ARCHIVE}),
    [](const ::testing::TestParamInfo<DamagedExtractCase>& info) {
      return std::string(info.param.name);
    });

// A hostile name anywhere in the archive: nothing at all is written.
class HostileName : public ExtractTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(HostileName, ExtractsNothing) {
  kzppack::ZipWriter writer = StubWriter();
  writer.AddFile("good.txt", "good");
  writer.AddFile("sub/fine.txt", "fine");
  writer.AddFile(GetParam(), "escaped");
  ASSERT_EQ(OpenStub(writer.Finish()), kzpzip::ZIP_OK);
  EXPECT_EQ(ExtractAll(), kzpzip::ZIP_E_BAD_ARCHIVE);
  EXPECT_FALSE(FolderExists(out_));
  EXPECT_FALSE(FileExists(temp_ / L"x"));
}

INSTANTIATE_TEST_SUITE_P(Names, HostileName,
                         ::testing::Values("../x", "..\\x", "a/../../x", "/x", "\\x", "C:\\x",
                                           "\\\\server\\x", "a:b", "good.txt:ads", ".. /x", "",
                                           // COM and LPT with a superscript digit
                                           // (Western code page) are devices too.
                                           "docs/com\xB9", "LPT\xB3.txt"));

TEST_F(ExtractTest, TargetPathsBeyondMaxPathAreRefusedBeforeAnythingIsWritten) {
  std::size_t room = MAX_PATH - 1 - (out_.size() + 1);  // name characters that fit
  std::string fits = "sub/" + std::string(room - 4, 'f');
  std::string tooLong = "sub/" + std::string(room - 3, 'g');
  {
    kzppack::ZipWriter writer = StubWriter();
    writer.AddFile(fits, "fits");
    ASSERT_EQ(OpenStub(writer.Finish()), kzpzip::ZIP_OK);
    EXPECT_EQ(ExtractAll(), kzpzip::ZIP_OK);
    EXPECT_EQ(ReadFileText(Out(L"sub\\" + std::wstring(room - 4, L'f'))), "fits");
  }
  RemoveTreeForTests(out_);
  kzppack::ZipWriter writer = StubWriter();
  writer.AddFile("first.txt", "first");
  writer.AddFile(tooLong, "cut");
  writer.AddFolder(tooLong + "/");
  ASSERT_EQ(OpenStub(writer.Finish()), kzpzip::ZIP_OK);
  EXPECT_EQ(ExtractAll(), kzpzip::ZIP_E_CREATE);
  EXPECT_FALSE(FolderExists(out_));

  std::wstring longPath = out_ + L"\\" + std::wstring(MAX_PATH, L'h');
  EXPECT_EQ(archive_.GetEntry(0)->ExtractTo(longPath.c_str(), false), kzpzip::ZIP_E_CREATE);
  EXPECT_FALSE(FolderExists(out_));
  EXPECT_FALSE(kzpzip::CreateFolderPath(longPath.c_str()));
}

TEST_F(ExtractTest, ProgressSeesEveryEntryBeforeItIsWritten) {
  kzppack::ZipWriter writer = StubWriter();
  writer.AddFolder("d/");
  writer.AddFile("d/1.txt", "1");
  writer.AddFile("2.txt", "2");
  writer.AddFile("3.txt", "3");
  ASSERT_EQ(OpenStub(writer.Finish()), kzpzip::ZIP_OK);
  struct Seen {
    std::vector<std::uint32_t> percent;
    std::vector<std::wstring> paths;
    std::vector<bool> existedBefore;
    std::uint32_t stopAt = 0;
  } seen;
  auto callback = [](void* context, const kzpzip::ZIP_ExtractProgress* progress) -> unsigned char {
    auto* s = static_cast<Seen*>(context);
    s->percent.push_back(progress->current * 100 / progress->total);
    s->paths.push_back(progress->path);
    s->existedBefore.push_back(GetFileAttributesW(progress->path) != INVALID_FILE_ATTRIBUTES);
    return progress->current != s->stopAt;
  };
  ASSERT_EQ(archive_.ExtractAll(out_.c_str(), callback, &seen), kzpzip::ZIP_OK);
  EXPECT_EQ(seen.percent, (std::vector<std::uint32_t>{25, 50, 75, 100}));
  EXPECT_EQ(seen.paths[1], out_ + L"\\d/1.txt");
  EXPECT_EQ(seen.existedBefore, (std::vector<bool>{false, false, false, false}));

  RemoveTreeForTests(out_);
  seen = Seen();
  seen.stopAt = 3;
  EXPECT_EQ(archive_.ExtractAll(out_.c_str(), callback, &seen), kzpzip::ZIP_OK);
  EXPECT_TRUE(FileExists(Out(L"d\\1.txt")));
  EXPECT_FALSE(FileExists(Out(L"2.txt")));
}

TEST_F(ExtractTest, DestinationMustBeADriveLetterPath) {
  kzppack::ZipWriter writer = StubWriter();
  writer.AddFile("a.txt", "a");
  ASSERT_EQ(OpenStub(writer.Finish()), kzpzip::ZIP_OK);
  EXPECT_EQ(archive_.ExtractAll(L"\\\\server\\share\\dest", nullptr, nullptr), kzpzip::ZIP_E_FAIL);
  EXPECT_EQ(archive_.ExtractAll(L"relative\\dest", nullptr, nullptr), kzpzip::ZIP_E_FAIL);
  std::wstring forward = out_;
  for (wchar_t& c : forward) {
    if (c == L'\\') c = L'/';
  }
  EXPECT_EQ(archive_.ExtractAll(forward.c_str(), nullptr, nullptr), kzpzip::ZIP_OK);
  EXPECT_EQ(ReadFileText(Out(L"a.txt")), "a");
}

TEST(CreateFolderPath, MakesEveryMissingLevel) {
  CKzpTempFolder temp;
  std::wstring deep = temp / L"a\\b/c\\d";
  EXPECT_TRUE(kzpzip::CreateFolderPath(deep.c_str()));
  EXPECT_TRUE(FolderExists(temp / L"a\\b\\c\\d"));
  EXPECT_TRUE(kzpzip::CreateFolderPath((deep + L"\\").c_str()));
  EXPECT_FALSE(kzpzip::CreateFolderPath(L"C:"));
  EXPECT_FALSE(kzpzip::CreateFolderPath(L"a\\b"));
  ASSERT_TRUE(WriteFileText(temp / L"file", "x"));
  EXPECT_FALSE(kzpzip::CreateFolderPath((temp / L"file\\below").c_str()));
  EXPECT_FALSE(kzpzip::CreateFolderPath((temp / L"file").c_str()));
  EXPECT_FALSE(kzpzip::CreateFolderPath((temp / L"file\\").c_str()));
}

}  // namespace
