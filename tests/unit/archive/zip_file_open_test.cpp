#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <ostream>
#include <string>

#include "archive/zip_file.h"
#include "archive_test_support.h"
#include "file_bytes.h"

namespace {

using kzppack::Bytes;
using kzppack::ZipLayout;
using kzpzip::ZIP_File;
using kzpzip::ZIP_FileEntry;

// Three entries: a deflated file, a folder, a stored file with extras.
Bytes ThreeEntryStub(ZipLayout* layout) {
  kzppack::ZipWriter writer = StubWriter();
  kzppack::ZipEntrySpec readme;
  readme.name = "setup.xml";
  readme.data = kzppack::Bytes(5000, 'a');
  readme.dosDate = kzppack::DosDate(2021, 6, 30);
  readme.dosTime = kzppack::DosTime(13, 45, 10);
  readme.externalAttributes = 0x21;
  readme.versionMadeBy = 0x0B14;
  writer.Add(readme);
  writer.AddFolder("dir/");
  kzppack::ZipEntrySpec stored;
  stored.name = "dir/data.bin";
  stored.data = kzppack::Bytes{1, 2, 3};
  stored.method = kzppack::kMethodStored;
  stored.extra = "EXTRA";
  stored.comment = "a comment that is read and dropped";
  writer.Add(stored);
  writer.SetComment("archive comment");
  return writer.Finish(layout);
}

TEST(ZipFileOpen, LoadsEntriesInDirectoryOrderWithAbsoluteOffsets) {
  CKzpTempFolder temp;
  ZipLayout layout;
  std::wstring path = SaveStub(temp, ThreeEntryStub(&layout));
  ZIP_File archive;
  ASSERT_EQ(archive.Open(path.c_str(), true), kzpzip::ZIP_OK);
  ASSERT_EQ(archive.GetEntryCount(), 3u);

  ZIP_FileEntry* first = archive.GetEntry(0);
  EXPECT_STREQ(first->fileName, "setup.xml");
  EXPECT_EQ(first->compressionMethod, 8u);
  EXPECT_EQ(first->uncompressedSize, 5000u);
  EXPECT_EQ(first->compressedSize, layout.entries[0].compressedSize);
  EXPECT_EQ(first->lastModDate, kzppack::DosDate(2021, 6, 30));
  EXPECT_EQ(first->lastModTime, kzppack::DosTime(13, 45, 10));
  EXPECT_EQ(first->externalAttributes, 0x21u);
  EXPECT_EQ(first->versionMadeBy, 0x0B14u);
  EXPECT_EQ(first->localHeaderOffset, layout.entries[0].localHeader);
  EXPECT_EQ(first->dataOffset, layout.entries[0].dataOffset);
  EXPECT_EQ(first->storage, kzpzip::STORAGE_ARCHIVE);
  EXPECT_EQ(first->extraField, nullptr);
  EXPECT_GE(first->localHeaderOffset, kStubSize);

  EXPECT_TRUE(archive.GetEntry(1)->IsDirectory());
  ZIP_FileEntry* third = archive.GetEntry(2);
  EXPECT_STREQ(third->extraField, "EXTRA");
  EXPECT_EQ(third->fileComment, nullptr);
  EXPECT_EQ(third->dataOffset, layout.entries[2].dataOffset);

  EXPECT_EQ(archive.GetEntry(-1), nullptr);
  EXPECT_EQ(archive.GetEntry(3), nullptr);
}

TEST(ZipFileOpen, EnumerationWalksEveryEntryOnce) {
  CKzpTempFolder temp;
  std::wstring path = SaveStub(temp, ThreeEntryStub(nullptr));
  ZIP_File archive;
  ASSERT_EQ(archive.Open(path.c_str(), true), kzpzip::ZIP_OK);
  kzpzip::ZIP_EnumCursor* cursor = archive.EnumBegin();
  ASSERT_NE(cursor, nullptr);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(archive.EnumNext(cursor), archive.GetEntry(i));
  EXPECT_EQ(archive.EnumNext(cursor), nullptr);
  EXPECT_EQ(archive.EnumNext(cursor), nullptr);
  archive.EnumEnd(cursor);
  EXPECT_EQ(archive.EnumNext(nullptr), nullptr);
  archive.EnumEnd(nullptr);
}

TEST(ZipFileOpen, FindEntryFoldsCaseButNotSeparators) {
  kzppack::ZipWriter writer = StubWriter();
  writer.AddFile("setup.xml", "first");
  writer.AddFile("dir/a.xml", "a");
  writer.AddFile("SETUP.xml", "second");
  CKzpTempFolder temp;
  std::wstring path = SaveStub(temp, writer.Finish());
  ZIP_File archive;
  ASSERT_EQ(archive.Open(path.c_str(), true), kzpzip::ZIP_OK);
  EXPECT_EQ(archive.FindEntry(L"Setup.XML"), archive.GetEntry(0));
  EXPECT_EQ(archive.FindEntry(L"dir/A.xml"), archive.GetEntry(1));
  EXPECT_EQ(archive.FindEntry(L"dir\\a.xml"), nullptr);
  EXPECT_EQ(archive.FindEntry(L"/dir/a.xml"), nullptr);
  EXPECT_EQ(archive.FindEntry(L"setup.xm"), nullptr);
  EXPECT_EQ(archive.FindEntry(nullptr), nullptr);
}

TEST(ZipFileOpen, EmptyArchiveAfterTheProgramHasNoEntries) {
  CKzpTempFolder temp;
  std::wstring path = SaveStub(temp, StubWriter().Finish());
  ZIP_File archive;
  EXPECT_EQ(archive.Open(path.c_str(), true), kzpzip::ZIP_OK);
  EXPECT_EQ(archive.GetEntryCount(), 0u);
}

TEST(ZipFileOpen, FailureLeavesTheObjectClosedAndReusable) {
  CKzpTempFolder temp;
  std::wstring good = SaveStub(temp, ThreeEntryStub(nullptr));
  std::wstring bare = temp / L"bare.exe";
  ASSERT_TRUE(WriteFileBytes(bare, StubPrefix()));
  ZIP_File archive;
  ASSERT_EQ(archive.Open(good.c_str(), true), kzpzip::ZIP_OK);
  EXPECT_EQ(archive.Open(bare.c_str(), true), kzpzip::ZIP_E_FAIL);
  EXPECT_EQ(archive.GetEntryCount(), 0u);
  EXPECT_EQ(archive.Open(good.c_str(), true), kzpzip::ZIP_OK);
  EXPECT_EQ(archive.GetEntryCount(), 3u);
  EXPECT_EQ(archive.Close(), kzpzip::ZIP_OK);
  EXPECT_EQ(archive.Close(), kzpzip::ZIP_OK);
  EXPECT_EQ(archive.GetEntry(0), nullptr);
  EXPECT_EQ(archive.Open((temp / L"missing.exe").c_str(), true), kzpzip::ZIP_E_OPEN);
}

TEST(ZipFileOpen, ReadOnlyOpenersShareTheFileWritersDoNot) {
  CKzpTempFolder temp;
  std::wstring path = SaveStub(temp, ThreeEntryStub(nullptr));
  ZIP_File first;
  ZIP_File second;
  ZIP_File writer;
  ASSERT_EQ(first.Open(path.c_str(), true), kzpzip::ZIP_OK);
  EXPECT_EQ(second.Open(path.c_str(), true), kzpzip::ZIP_OK);
  EXPECT_EQ(writer.Open(path.c_str(), false), kzpzip::ZIP_E_OPEN);
  first.Close();
  second.Close();
  ASSERT_EQ(writer.Open(path.c_str(), false), kzpzip::ZIP_OK);
  EXPECT_EQ(first.Open(path.c_str(), true), kzpzip::ZIP_E_OPEN);
}

// Members need not lie in directory order, only apart.
TEST(ZipFileOpen, MembersOutOfDirectoryOrderStillOpen) {
  kzppack::ZipWriter writer = StubWriter();
  writer.AddFile("a.txt", "first in the file");
  writer.AddFile("b.txt", "second in the file");
  ZipLayout layout;
  Bytes file = writer.Finish(&layout);
  // Records of the same length: swapping them reverses the directory order.
  const auto first = file.begin() + layout.entries[0].centralHeader;
  const auto second = file.begin() + layout.entries[1].centralHeader;
  std::swap_ranges(first, second, second);
  CKzpTempFolder temp;
  std::wstring path = SaveStub(temp, file);
  ZIP_File archive;
  ASSERT_EQ(archive.Open(path.c_str(), true), kzpzip::ZIP_OK);
  EXPECT_STREQ(archive.GetEntry(0)->fileName, "b.txt");
  EXPECT_STREQ(archive.GetEntry(1)->fileName, "a.txt");
}

// One kind of damage per case, applied to the three-entry stub.
struct DamageCase {
  const char* name;
  std::function<bool(Bytes&, ZipLayout&)> damage;
  int expected;
};

void PrintTo(const DamageCase& c, std::ostream* os) { *os << c.name; }

class ZipFileDamage : public ::testing::TestWithParam<DamageCase> {};

TEST_P(ZipFileDamage, OpenFailsWithTheRightCode) {
  ZipLayout layout;
  Bytes file = ThreeEntryStub(&layout);
  ASSERT_TRUE(GetParam().damage(file, layout));
  CKzpTempFolder temp;
  std::wstring path = SaveStub(temp, file);
  ZIP_File archive;
  EXPECT_EQ(archive.Open(path.c_str(), true), GetParam().expected);
  EXPECT_EQ(archive.GetEntryCount(), 0u);
}

using namespace kzppack;

DamageCase Shared(const char* name, SharedField field, std::uint32_t value) {
  return {name,
          [field, value](Bytes& f, ZipLayout& l) {
            // Local header only: the central record keeps the true value.
            static const std::uint32_t offsets[] = {
                kLocalVersionNeeded, kLocalFlags, kLocalMethod, kLocalTime,
                kLocalDate, kLocalCrc, kLocalCompressedSize, kLocalUncompressedSize};
            static const int widths[] = {2, 2, 2, 2, 2, 4, 4, 4};
            int i = static_cast<int>(field);
            return SetLocalField(f, l, 2, offsets[i], widths[i], value);
          },
          kzpzip::ZIP_E_BAD_ARCHIVE};
}

// The package without its archive comment loses its last bytes: the end
// record's fields from the directory offset (6), the directory size (10) or
// the entry counts (18) on would read as 0.
DamageCase CutEnd(const char* name, std::size_t bytes) {
  return {name,
          [bytes](Bytes& f, ZipLayout& l) {
            return ReplaceArchiveComment(f, l, "") && TruncateTo(f, l, f.size() - bytes);
          },
          kzpzip::ZIP_E_BAD_ARCHIVE};
}

INSTANTIATE_TEST_SUITE_P(
    Damage, ZipFileDamage,
    ::testing::Values(
        DamageCase{"NoArchive", [](Bytes& f, ZipLayout& l) { return TruncateTo(f, l, kStubSize); },
                   kzpzip::ZIP_E_FAIL},
        DamageCase{"ShorterThanASignature",
                   [](Bytes& f, ZipLayout&) { f = Bytes{'P', 'K', 5}; return true; },
                   kzpzip::ZIP_E_FAIL},
        DamageCase{"EmptyArchiveAtPositionZero",
                   [](Bytes& f, ZipLayout&) { f = ZipWriter().Finish(); return true; },
                   kzpzip::ZIP_E_FAIL},
        DamageCase{"EndSignatureBroken",
                   [](Bytes& f, ZipLayout& l) { return BreakEndSignature(f, l); },
                   kzpzip::ZIP_E_FAIL},
        DamageCase{"EndRecordOutOfReach", PushEndRecordOutOfReach, kzpzip::ZIP_E_FAIL},
        DamageCase{"BareSignatureInComment",
                   [](Bytes& f, ZipLayout& l) { return HideEndSignatureInComment(f, l, 30); },
                   kzpzip::ZIP_E_BAD_ARCHIVE},
        DamageCase{"MultiDisk",
                   [](Bytes& f, ZipLayout& l) { return SetDiskNumbers(f, l, 1, 1); },
                   kzpzip::ZIP_E_BAD_ARCHIVE},
        DamageCase{"EntriesOnDiskDiffer",
                   [](Bytes& f, ZipLayout& l) { return SetEntriesOnThisDisk(f, l, 2); },
                   kzpzip::ZIP_E_BAD_ARCHIVE},
        DamageCase{"OffsetsFromArchiveStart",
                   [](Bytes& f, ZipLayout& l) { return CountOffsetsFromArchiveStart(f, l); },
                   kzpzip::ZIP_E_BAD_ARCHIVE},
        DamageCase{"CentralSignature",
                   [](Bytes& f, ZipLayout& l) { return BreakCentralSignature(f, l, 1); },
                   kzpzip::ZIP_E_BAD_ARCHIVE},
        DamageCase{"LocalSignature",
                   [](Bytes& f, ZipLayout& l) { return BreakLocalSignature(f, l, 2); },
                   kzpzip::ZIP_E_BAD_ARCHIVE},
        DamageCase{"LocalNameCase",
                   [](Bytes& f, ZipLayout& l) { return FlipLocalNameCase(f, l, 0); },
                   kzpzip::ZIP_E_BAD_ARCHIVE},
        DamageCase{"DataDescriptor",
                   [](Bytes& f, ZipLayout& l) { return UseDataDescriptor(f, l, 0); },
                   kzpzip::ZIP_E_BAD_ARCHIVE},
        DamageCase{"MoreEntriesClaimedThanRecorded",
                   [](Bytes& f, ZipLayout& l) {
                     return SetEndField(f, l, kEndTotalEntries, 2, 4) &&
                            SetEndField(f, l, kEndEntriesOnDisk, 2, 4);
                   },
                   kzpzip::ZIP_E_BAD_ARCHIVE},
        DamageCase{"DirectoryOffsetZero",
                   [](Bytes& f, ZipLayout& l) { return SetEndField(f, l, kEndDirectoryOffset, 4, 0); },
                   kzpzip::ZIP_E_BAD_ARCHIVE},
        CutEnd("LastSixBytesCut", 6), CutEnd("LastTenBytesCut", 10),
        CutEnd("LastEighteenBytesCut", 18),
        // Members that share bytes with each other or with the directory.
        DamageCase{"TwoRecordsShareOneMember",
                   [](Bytes& f, ZipLayout& l) { return DuplicateCentralRecord(f, l, 0); },
                   kzpzip::ZIP_E_BAD_ARCHIVE},
        DamageCase{"DataRunsIntoTheNextHeader",
                   [](Bytes& f, ZipLayout& l) {
                     return DeclareCompressedSize(f, l, 0, l.entries[0].compressedSize + 1);
                   },
                   kzpzip::ZIP_E_BAD_ARCHIVE},
        DamageCase{"DataRunsIntoTheDirectory",
                   [](Bytes& f, ZipLayout& l) { return DeclareCompressedSize(f, l, 2, 4); },
                   kzpzip::ZIP_E_BAD_ARCHIVE},
        DamageCase{"HugeNameLength",
                   [](Bytes& f, ZipLayout& l) {
                     return SetCentralField(f, l, 2, kCentralNameLength, 2, 0xFFFF);
                   },
                   kzpzip::ZIP_E_BAD_ARCHIVE},
        DamageCase{"LocalHeaderBeyondTwoGiB",
                   [](Bytes& f, ZipLayout& l) {
                     return SetCentralField(f, l, 1, kCentralLocalHeaderOffset, 4, 0x80000000u);
                   },
                   kzpzip::ZIP_E_SEEK},
        DamageCase{"LocalHeaderAtEndOfFile",
                   [](Bytes& f, ZipLayout& l) {
                     return SetCentralField(f, l, 1, kCentralLocalHeaderOffset, 4,
                                            l.fileSize - 10);
                   },
                   kzpzip::ZIP_E_BAD_ARCHIVE},
        Shared("VersionNeeded", SharedField::kVersionNeeded, 45),
        Shared("Flags", SharedField::kFlags, 1),
        Shared("Method", SharedField::kMethod, 8),
        Shared("Time", SharedField::kTime, 1),
        Shared("Date", SharedField::kDate, 0x21 + 1),
        Shared("Crc", SharedField::kCrc, 0),
        Shared("CompressedSize", SharedField::kCompressedSize, 2),
        Shared("UncompressedSize", SharedField::kUncompressedSize, 4)),
    [](const ::testing::TestParamInfo<DamageCase>& info) { return std::string(info.param.name); });

}  // namespace
