// kzppack reads packages with the stub's archive rules: on every kind of
// damage it reaches the stub's verdict, with the stub's result code. Both
// builds check the codes the stub is known to give; the Windows build also
// asks the stub's own ZIP_File for each case and requires the same answer.
#include "packer/package_archive.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <ostream>
#include <string>

#include "archive/zip_result.h"
#include "packer/zip_mutators.h"
#include "packer/zip_writer.h"
#include "scratch_folder.h"
#include "stub_verdict.h"

namespace kzppack {
namespace {

// A program-sized prefix, so that every offset is an absolute one, that
// starts with the headers of a 64-bit program whose security directory
// signing can fill in.
Bytes Prefix() {
  Bytes prefix(40000, 0xCC);
  prefix[0] = 'M';
  prefix[1] = 'Z';
  constexpr std::size_t kHeaders = 0x80;
  SetField(prefix, 0x3C, 4, kHeaders);
  std::fill(prefix.begin() + kHeaders, prefix.begin() + kHeaders + 24 + 240, 0);
  SetField(prefix, kHeaders, 4, 0x00004550);     // "PE\0\0"
  SetField(prefix, kHeaders + 4, 2, 0x8664);     // x86-64
  SetField(prefix, kHeaders + 20, 2, 240);       // optional header size
  SetField(prefix, kHeaders + 24, 2, 0x20B);     // PE32+
  SetField(prefix, kHeaders + 24 + 108, 4, 16);  // data directories
  return prefix;
}

// Signing as it lays the file out; the certificate bytes start 8 bytes
// into the table, which starts at the next multiple of 8.
const Bytes kCertificate(1501, 0x30);
bool Sign(Bytes& f, ZipLayout& l) { return AppendCertificateTable(f, l, kCertificate); }
std::uint32_t CertificateBytesOffset(const Bytes& file) {
  return static_cast<std::uint32_t>((file.size() + 7) / 8 * 8 + 8);
}

// A deflated file, a folder, a stored file with an extra field.
Bytes ThreeEntries(ZipLayout* layout) {
  ZipWriter writer(Prefix());
  writer.AddFile("setup.xml", std::string(5000, 'a'));
  writer.AddFolder("dir/");
  ZipEntrySpec stored;
  stored.name = "dir/data.bin";
  stored.data = Bytes{1, 2, 3};
  stored.method = kMethodStored;
  stored.extra = "EXTRA";
  writer.Add(stored);
  writer.SetComment("archive comment");
  return writer.Finish(layout);
}

struct OpenCase {
  const char* name;
  std::function<bool(Bytes&, ZipLayout&)> damage;
  int expected;  // what the stub's ZIP_File::Open answers
};

void PrintTo(const OpenCase& c, std::ostream* os) { *os << c.name; }

class ArchiveOpen : public ::testing::TestWithParam<OpenCase> {};

TEST_P(ArchiveOpen, SameResultAsTheStub) {
  ZipLayout layout;
  Bytes file = ThreeEntries(&layout);
  ASSERT_TRUE(GetParam().damage(file, layout));
  ScratchFolder scratch;
  const auto path = scratch.Write("package.exe", file);
  const ArchiveListing listing = ListArchive(path);
  EXPECT_EQ(listing.result, GetParam().expected) << listing.error;
  EXPECT_EQ(listing.error.empty(), GetParam().expected == kzpzip::ZIP_OK) << listing.error;
  if (listing.result != kzpzip::ZIP_OK) {
    EXPECT_TRUE(listing.entries.empty());
    const std::vector<Finding> findings = CheckArchive(path, listing, 0);
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].severity, Severity::kError);
    EXPECT_NE(findings[0].message.find("does not open"), std::string::npos);
  }
  if (const auto stub = StubOpenResult(path)) {
    EXPECT_EQ(*stub, GetParam().expected);
  }
}

OpenCase LocalOnly(const char* name, std::uint32_t field, int width, std::uint32_t value) {
  return {name,
          [=](Bytes& f, ZipLayout& l) { return SetLocalField(f, l, 2, field, width, value); },
          kzpzip::ZIP_E_BAD_ARCHIVE};
}

OpenCase CutEnd(const char* name, std::size_t bytes) {
  return {name,
          [bytes](Bytes& f, ZipLayout& l) {
            return ReplaceArchiveComment(f, l, "") && TruncateTo(f, l, f.size() - bytes);
          },
          kzpzip::ZIP_E_BAD_ARCHIVE};
}

INSTANTIATE_TEST_SUITE_P(
    Damage, ArchiveOpen,
    ::testing::Values(
        OpenCase{"Sound", [](Bytes&, ZipLayout&) { return true; }, kzpzip::ZIP_OK},
        OpenCase{"NoArchive", [](Bytes& f, ZipLayout& l) { return TruncateTo(f, l, 40000); },
                 kzpzip::ZIP_E_FAIL},
        OpenCase{"ShorterThanASignature",
                 [](Bytes& f, ZipLayout&) { f = Bytes{'P', 'K', 5}; return true; },
                 kzpzip::ZIP_E_FAIL},
        OpenCase{"EmptyArchiveAtPositionZero",
                 [](Bytes& f, ZipLayout&) { f = ZipWriter().Finish(); return true; },
                 kzpzip::ZIP_E_FAIL},
        OpenCase{"EmptyArchiveBehindTheProgram",
                 [](Bytes& f, ZipLayout&) { f = ZipWriter(Prefix()).Finish(); return true; },
                 kzpzip::ZIP_OK},
        OpenCase{"EndSignatureBroken", [](Bytes& f, ZipLayout& l) { return BreakEndSignature(f, l); },
                 kzpzip::ZIP_E_FAIL},
        OpenCase{"EndRecordOutOfReach", PushEndRecordOutOfReach, kzpzip::ZIP_E_FAIL},
        OpenCase{"BareSignatureInComment",
                 [](Bytes& f, ZipLayout& l) { return HideEndSignatureInComment(f, l, 30); },
                 kzpzip::ZIP_E_BAD_ARCHIVE},
        OpenCase{"MultiDisk", [](Bytes& f, ZipLayout& l) { return SetDiskNumbers(f, l, 1, 1); },
                 kzpzip::ZIP_E_BAD_ARCHIVE},
        OpenCase{"EntriesOnDiskDiffer",
                 [](Bytes& f, ZipLayout& l) { return SetEntriesOnThisDisk(f, l, 2); },
                 kzpzip::ZIP_E_BAD_ARCHIVE},
        OpenCase{"OffsetsFromArchiveStart",
                 [](Bytes& f, ZipLayout& l) { return CountOffsetsFromArchiveStart(f, l); },
                 kzpzip::ZIP_E_BAD_ARCHIVE},
        OpenCase{"CentralSignature",
                 [](Bytes& f, ZipLayout& l) { return BreakCentralSignature(f, l, 1); },
                 kzpzip::ZIP_E_BAD_ARCHIVE},
        OpenCase{"LocalSignature",
                 [](Bytes& f, ZipLayout& l) { return BreakLocalSignature(f, l, 2); },
                 kzpzip::ZIP_E_BAD_ARCHIVE},
        OpenCase{"LocalNameCase", [](Bytes& f, ZipLayout& l) { return FlipLocalNameCase(f, l, 0); },
                 kzpzip::ZIP_E_BAD_ARCHIVE},
        OpenCase{"DataDescriptor", [](Bytes& f, ZipLayout& l) { return UseDataDescriptor(f, l, 0); },
                 kzpzip::ZIP_E_BAD_ARCHIVE},
        OpenCase{"MoreEntriesClaimedThanRecorded",
                 [](Bytes& f, ZipLayout& l) {
                   return SetEndField(f, l, kEndTotalEntries, 2, 4) &&
                          SetEndField(f, l, kEndEntriesOnDisk, 2, 4);
                 },
                 kzpzip::ZIP_E_BAD_ARCHIVE},
        OpenCase{"DirectoryOffsetZero",
                 [](Bytes& f, ZipLayout& l) { return SetEndField(f, l, kEndDirectoryOffset, 4, 0); },
                 kzpzip::ZIP_E_BAD_ARCHIVE},
        CutEnd("LastSixBytesCut", 6), CutEnd("LastTenBytesCut", 10),
        CutEnd("LastEighteenBytesCut", 18),
        OpenCase{"TwoRecordsShareOneMember",
                 [](Bytes& f, ZipLayout& l) { return DuplicateCentralRecord(f, l, 0); },
                 kzpzip::ZIP_E_BAD_ARCHIVE},
        OpenCase{"DataRunsIntoTheNextHeader",
                 [](Bytes& f, ZipLayout& l) {
                   return DeclareCompressedSize(f, l, 0, l.entries[0].compressedSize + 1);
                 },
                 kzpzip::ZIP_E_BAD_ARCHIVE},
        OpenCase{"DataRunsIntoTheDirectory",
                 [](Bytes& f, ZipLayout& l) { return DeclareCompressedSize(f, l, 2, 4); },
                 kzpzip::ZIP_E_BAD_ARCHIVE},
        OpenCase{"HugeNameLength",
                 [](Bytes& f, ZipLayout& l) {
                   return SetCentralField(f, l, 2, kCentralNameLength, 2, 0xFFFF);
                 },
                 kzpzip::ZIP_E_BAD_ARCHIVE},
        OpenCase{"LocalHeaderBeyondTwoGiB",
                 [](Bytes& f, ZipLayout& l) {
                   return SetCentralField(f, l, 1, kCentralLocalHeaderOffset, 4, 0x80000000u);
                 },
                 kzpzip::ZIP_E_SEEK},
        OpenCase{"LocalHeaderAtEndOfFile",
                 [](Bytes& f, ZipLayout& l) {
                   return SetCentralField(f, l, 1, kCentralLocalHeaderOffset, 4, l.fileSize - 10);
                 },
                 kzpzip::ZIP_E_BAD_ARCHIVE},
        // Signed after the build: only what lies before the certificate
        // table counts.
        OpenCase{"Signed", Sign, kzpzip::ZIP_OK},
        OpenCase{"SignedWithAnArchiveAppended",
                 [](Bytes& f, ZipLayout& l) {
                   if (!Sign(f, l)) return false;
                   ZipWriter writer(f);
                   writer.AddFile("evil.txt", "outside the signature");
                   f = writer.Finish(&l);
                   return !f.empty();
                 },
                 kzpzip::ZIP_OK},
        OpenCase{"TableCutsTheEndRecord",
                 [](Bytes& f, ZipLayout& l) {
                   return Sign(f, l) && SetField(f, SecurityDirectoryEntry(f), 4, l.endRecord + 10);
                 },
                 kzpzip::ZIP_E_BAD_ARCHIVE},
        OpenCase{"LocalHeaderInsideTheTable",
                 [](Bytes& f, ZipLayout& l) {
                   const ZipLayout::Entry& e = l.entries[2];
                   const Bytes copy(f.begin() + e.localHeader,
                                    f.begin() + e.dataOffset + e.compressedSize);
                   return SetCentralField(f, l, 2, kCentralLocalHeaderOffset, 4,
                                          CertificateBytesOffset(f)) &&
                          AppendCertificateTable(f, l, copy);
                 },
                 kzpzip::ZIP_E_BAD_ARCHIVE},
        OpenCase{"DirectoryInsideTheTable",
                 [](Bytes& f, ZipLayout& l) {
                   const Bytes copy(f.begin() + l.centralDirectory,
                                    f.begin() + l.centralDirectory + l.centralDirectorySize);
                   return SetEndField(f, l, kEndDirectoryOffset, 4, CertificateBytesOffset(f)) &&
                          AppendCertificateTable(f, l, copy);
                 },
                 kzpzip::ZIP_E_BAD_ARCHIVE},
        LocalOnly("VersionNeeded", kLocalVersionNeeded, 2, 45), LocalOnly("Flags", kLocalFlags, 2, 1),
        LocalOnly("Method", kLocalMethod, 2, 8), LocalOnly("Time", kLocalTime, 2, 1),
        LocalOnly("Date", kLocalDate, 2, 0x22), LocalOnly("Crc", kLocalCrc, 4, 0),
        LocalOnly("CompressedSize", kLocalCompressedSize, 4, 2),
        LocalOnly("UncompressedSize", kLocalUncompressedSize, 4, 4)),
    [](const ::testing::TestParamInfo<OpenCase>& info) { return std::string(info.param.name); });

// Archives that open, and whether extracting them succeeds.
struct ExtractCase {
  const char* name;
  std::function<Bytes()> make;
  int expected;         // what the stub's extraction answers
  int damaged = -1;     // the entry whose data is at fault, if one is
};

void PrintTo(const ExtractCase& c, std::ostream* os) { *os << c.name; }

class ArchiveExtract : public ::testing::TestWithParam<ExtractCase> {};

TEST_P(ArchiveExtract, CheckFailsExactlyWhenTheStubDoes) {
  const ExtractCase& c = GetParam();
  ScratchFolder scratch;
  const auto path = scratch.Write("package.exe", c.make());
  const ArchiveListing listing = ListArchive(path);
  ASSERT_EQ(listing.result, kzpzip::ZIP_OK) << listing.error;
  bool errors = false;
  std::string messages;
  for (const Finding& finding : CheckArchive(path, listing, 0)) {
    errors = errors || finding.severity == Severity::kError;
    messages += finding.file + ": " + finding.message + "\n";
  }
  EXPECT_EQ(errors, c.expected != kzpzip::ZIP_OK) << messages;
  if (c.damaged >= 0) {
    InputFile file;
    std::string why;
    ASSERT_TRUE(file.Open(path, why)) << why;
    EXPECT_EQ(DecodeArchiveEntry(file, listing.entries[static_cast<std::size_t>(c.damaged)],
                                 nullptr, why),
              c.expected);
  }
  if (const auto stub = StubExtractResult(path, scratch / "out")) {
    EXPECT_EQ(*stub, c.expected);
  }
}

// Entries in the order given; a name ending in "/" is a folder.
Bytes Archive(std::initializer_list<std::pair<std::string, std::string>> entries,
              std::function<bool(Bytes&, ZipLayout&)> damage = nullptr,
              std::uint16_t method = kMethodDeflated) {
  ZipWriter writer(Prefix());
  for (const auto& [name, data] : entries) {
    if (!name.empty() && name.back() == '/') {
      writer.AddFolder(name);
    } else {
      writer.AddFile(name, data, method);
    }
  }
  ZipLayout layout;
  Bytes file = writer.Finish(&layout);
  if (damage && !damage(file, layout)) return {};
  return file;
}

const std::string kText(3000, 'x');

INSTANTIATE_TEST_SUITE_P(
    Damage, ArchiveExtract,
    ::testing::Values(
        ExtractCase{"Sound", [] { return Archive({{"a.txt", kText}, {"dir/", ""}}); },
                    kzpzip::ZIP_OK},
        ExtractCase{"Bzip2Entry",
                    [] {
                      return Archive({{"a.txt", kText}, {"b.txt", kText}},
                                     [](Bytes& f, ZipLayout& l) { return DeclareMethod(f, l, 1, 12); });
                    },
                    kzpzip::ZIP_E_BAD_ARCHIVE, 1},
        ExtractCase{"EncryptedEntry",
                    [] {
                      return Archive({{"a.txt", kText}},
                                     [](Bytes& f, ZipLayout& l) {
                                       return SetSharedField(f, l, 0, SharedField::kFlags, 1) &&
                                              CorruptEntryData(f, l, 0);
                                     },
                                     kMethodStored);
                    },
                    kzpzip::ZIP_E_BAD_ARCHIVE},
        ExtractCase{"FolderRecordedAsBzip2",
                    [] {
                      return Archive({{"dir/", ""}, {"dir/a.txt", "a"}},
                                     [](Bytes& f, ZipLayout& l) { return DeclareMethod(f, l, 0, 12); });
                    },
                    kzpzip::ZIP_OK},
        ExtractCase{"Utf8Name",
                    [] {
                      return Archive({{"\xE4\xB8\x96\xE7\x95\x8C.txt", "w"}},
                                     [](Bytes& f, ZipLayout& l) {
                                       return SetSharedField(f, l, 0, SharedField::kFlags, 0x800);
                                     });
                    },
                    kzpzip::ZIP_OK},
        ExtractCase{"MarkedUtf8ButNotUtf8",
                    [] {
                      return Archive({{"caf\xE9.txt", "c"}},
                                     [](Bytes& f, ZipLayout& l) {
                                       return SetSharedField(f, l, 0, SharedField::kFlags, 0x800);
                                     });
                    },
                    kzpzip::ZIP_E_BAD_ARCHIVE},
        ExtractCase{"ClimbingName", [] { return Archive({{"ok.txt", "a"}, {"../evil.txt", "b"}}); },
                    kzpzip::ZIP_E_BAD_ARCHIVE},
        ExtractCase{"AbsoluteName", [] { return Archive({{"/etc/evil", "b"}}); },
                    kzpzip::ZIP_E_BAD_ARCHIVE},
        ExtractCase{"BackslashRooted", [] { return Archive({{"\\evil", "b"}}); },
                    kzpzip::ZIP_E_BAD_ARCHIVE},
        ExtractCase{"DriveLetter", [] { return Archive({{"C:evil.txt", "b"}}); },
                    kzpzip::ZIP_E_BAD_ARCHIVE},
        ExtractCase{"DeviceName", [] { return Archive({{"docs/nul.txt", "b"}}); },
                    kzpzip::ZIP_E_BAD_ARCHIVE},
        ExtractCase{"FileWhereAFolderGoes", [] { return Archive({{"a", "1"}, {"a/b.txt", "2"}}); },
                    kzpzip::ZIP_E_CREATE},
        ExtractCase{"FolderWhereAFileGoes", [] { return Archive({{"a/", ""}, {"A", "2"}}); },
                    kzpzip::ZIP_E_CREATE},
        // Win32 drops trailing blanks and dots from the last level of a
        // path: these files would be the folder they lie in.
        ExtractCase{"FileNamedDot", [] { return Archive({{"a.txt", "1"}, {".", "2"}}); },
                    kzpzip::ZIP_E_CREATE},
        ExtractCase{"FileNamedBlank", [] { return Archive({{" ", "2"}}); }, kzpzip::ZIP_E_CREATE},
        ExtractCase{"FileNamedDotAndBlank", [] { return Archive({{". ", "2"}}); },
                    kzpzip::ZIP_E_CREATE},
        ExtractCase{"FileNamedByItsFolder", [] { return Archive({{"a/. ", "2"}}); },
                    kzpzip::ZIP_E_CREATE},
        ExtractCase{"FolderNamedDot", [] { return Archive({{"./", ""}, {"a.txt", "1"}}); },
                    kzpzip::ZIP_OK},
        // A level that a separator follows keeps its blanks, and loses one
        // trailing dot.
        ExtractCase{"BlankBeforeASeparator",
                    [] { return Archive({{"dir", "1"}, {"dir /x.txt", "2"}}); }, kzpzip::ZIP_OK},
        ExtractCase{"DotBeforeASeparator",
                    [] { return Archive({{"dir", "1"}, {"dir./x.txt", "2"}}); },
                    kzpzip::ZIP_E_CREATE},
        ExtractCase{"NamesThatDifferInCase", [] { return Archive({{"a.txt", "1"}, {"A.TXT", "2"}}); },
                    kzpzip::ZIP_OK},
        ExtractCase{"StoredByteFlipped",
                    [] {
                      return Archive({{"a.txt", kText}},
                                     [](Bytes& f, ZipLayout& l) { return CorruptEntryData(f, l, 0); },
                                     kMethodStored);
                    },
                    kzpzip::ZIP_E_CRC, 0},
        ExtractCase{"DeflateBroken",
                    [] {
                      return Archive({{"a.txt", kText}}, [](Bytes& f, ZipLayout& l) {
                        return SetField(f, l.entries[0].dataOffset, 1, 0x07);
                      });
                    },
                    kzpzip::ZIP_E_BAD_ARCHIVE, 0},
        ExtractCase{"StoredShorterThanDeclared",
                    [] {
                      return Archive({{"a.txt", kText}},
                                     [](Bytes& f, ZipLayout& l) {
                                       return DeclareUncompressedSize(f, l, 0, 5000);
                                     },
                                     kMethodStored);
                    },
                    kzpzip::ZIP_E_NO_DATA, 0},
        ExtractCase{"DeflatedShorterThanDeclared",
                    [] {
                      return Archive({{"a.txt", kText}}, [](Bytes& f, ZipLayout& l) {
                        return DeclareUncompressedSize(f, l, 0, 6000);
                      });
                    },
                    kzpzip::ZIP_E_NO_DATA, 0},
        ExtractCase{"EmptyFileWithACrc",
                    [] {
                      return Archive({{"empty.txt", ""}},
                                     [](Bytes& f, ZipLayout& l) { return DeclareCrc(f, l, 0, 1); },
                                     kMethodStored);
                    },
                    kzpzip::ZIP_E_CRC, 0}),
    [](const ::testing::TestParamInfo<ExtractCase>& info) { return std::string(info.param.name); });

TEST(ArchiveRead, EntriesComeBackWhole) {
  ZipWriter writer(Prefix());
  std::string big;
  for (int i = 0; i < 20000; ++i) big += "line " + std::to_string(i) + "\n";
  writer.AddFile("big.txt", big);
  writer.AddFile("stored.bin", std::string(40000, '\x7F'), kMethodStored);
  writer.AddFile("empty", "");
  ScratchFolder scratch;
  const auto path = scratch.Write("package.exe", writer.Finish());
  const ArchiveListing listing = ListArchive(path);
  ASSERT_EQ(listing.result, kzpzip::ZIP_OK) << listing.error;
  ASSERT_EQ(listing.entries.size(), 3u);
  const std::string expected[] = {big, std::string(40000, '\x7F'), ""};
  InputFile file;
  std::string error;
  ASSERT_TRUE(file.Open(path, error)) << error;
  for (std::size_t i = 0; i < 3; ++i) {
    Bytes bytes;
    std::string why;
    ASSERT_EQ(DecodeArchiveEntry(file, listing.entries[i], &bytes, why), kzpzip::ZIP_OK) << why;
    EXPECT_TRUE(std::string(bytes.begin(), bytes.end()) == expected[i]) << i;
  }
  EXPECT_EQ(listing.entries[0].method, 8u);
  EXPECT_EQ(listing.entries[1].packedSize, 40000u);
}

// The message of a file that is there never says it is missing.
TEST(ArchiveRead, WhatIsThereIsNeverCalledMissing) {
  ScratchFolder scratch;
  const auto path = scratch.Write("plain.exe", Prefix());
  const ArchiveListing listing = ListArchive(path);
  EXPECT_EQ(listing.result, kzpzip::ZIP_E_FAIL);
  EXPECT_EQ(listing.error.find("No such file"), std::string::npos) << listing.error;
  const ArchiveListing missing = ListArchive(scratch / "missing.exe");
  EXPECT_EQ(missing.result, kzpzip::ZIP_E_OPEN);
  EXPECT_NE(missing.error.find("No such file"), std::string::npos) << missing.error;
}

}  // namespace
}  // namespace kzppack
