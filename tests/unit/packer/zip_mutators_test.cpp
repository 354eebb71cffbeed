#include "packer/zip_mutators.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <ostream>
#include <string>

namespace kzppack {
namespace {

constexpr std::size_t kPrefixSize = 2053;

ZipWriter TwoEntryWriter(Bytes prefix) {
  ZipWriter writer(std::move(prefix));
  writer.AddFile("first.txt", std::string(1000, 'a'));
  writer.AddFile("Second.txt", "stored bytes", kMethodStored);
  return writer;
}

struct Damaged {
  Bytes file;
  ZipLayout layout;
};

Damaged Fresh() {
  Damaged d;
  d.file = TwoEntryWriter(Bytes(kPrefixSize, 0x90)).Finish(&d.layout);
  return d;
}

std::size_t LastEndSignature(const Bytes& file) {
  const std::uint8_t signature[] = {0x50, 0x4B, 0x05, 0x06};
  const auto found = std::find_end(file.begin(), file.end(), signature, signature + 4);
  return static_cast<std::size_t>(found - file.begin());
}

// One in-place mutation and the field (or byte) that must now read as said.
struct FieldCase {
  const char* name;
  std::function<bool(Damaged&)> mutate;
  std::function<std::uint32_t(const Damaged&)> probe;
  std::uint32_t expected;
};
void PrintTo(const FieldCase& c, std::ostream* os) { *os << c.name; }

std::uint32_t Local(const Damaged& d, std::size_t i, std::uint32_t field, int width) {
  return GetField(d.file, d.layout.entries[i].localHeader + field, width);
}
std::uint32_t Central(const Damaged& d, std::size_t i, std::uint32_t field, int width) {
  return GetField(d.file, d.layout.entries[i].centralHeader + field, width);
}
std::uint32_t End(const Damaged& d, std::uint32_t field, int width) {
  return GetField(d.file, d.layout.endRecord + field, width);
}

class FieldMutatorTest : public testing::TestWithParam<FieldCase> {};

TEST_P(FieldMutatorTest, ChangesOnlyWhatItSays) {
  const Damaged before = Fresh();
  Damaged after = Fresh();
  ASSERT_NE(GetParam().probe(before), GetParam().expected);
  ASSERT_TRUE(GetParam().mutate(after));
  EXPECT_EQ(GetParam().probe(after), GetParam().expected);
  ASSERT_EQ(after.file.size(), before.file.size());
  int changed = 0;
  for (std::size_t i = 0; i < after.file.size(); ++i) changed += after.file[i] != before.file[i];
  EXPECT_GE(changed, 1);
  EXPECT_LE(changed, 8);  // one field, or one field in both records
}

INSTANTIATE_TEST_SUITE_P(InPlace, FieldMutatorTest, testing::Values(
    FieldCase{"LocalField", [](Damaged& d) { return SetLocalField(d.file, d.layout, 1, kLocalTime, 2, 0x1234); },
              [](const Damaged& d) { return Local(d, 1, kLocalTime, 2); }, 0x1234},
    FieldCase{"CentralField", [](Damaged& d) { return SetCentralField(d.file, d.layout, 0, kCentralLocalHeaderOffset, 4, 7); },
              [](const Damaged& d) { return Central(d, 0, kCentralLocalHeaderOffset, 4); }, 7},
    FieldCase{"UncompressedSizeLocal", [](Damaged& d) { return DeclareUncompressedSize(d.file, d.layout, 0, 999); },
              [](const Damaged& d) { return Local(d, 0, kLocalUncompressedSize, 4); }, 999},
    FieldCase{"UncompressedSizeCentral", [](Damaged& d) { return DeclareUncompressedSize(d.file, d.layout, 0, 1001); },
              [](const Damaged& d) { return Central(d, 0, kCentralUncompressedSize, 4); }, 1001},
    FieldCase{"CrcCentral", [](Damaged& d) { return DeclareCrc(d.file, d.layout, 1, 0xDEADBEEF); },
              [](const Damaged& d) { return Central(d, 1, kCentralCrc, 4); }, 0xDEADBEEF},
    FieldCase{"MethodLocal", [](Damaged& d) { return DeclareMethod(d.file, d.layout, 1, 99); },
              [](const Damaged& d) { return Local(d, 1, kLocalMethod, 2); }, 99},
    FieldCase{"LocalSignature", [](Damaged& d) { return BreakLocalSignature(d.file, d.layout, 1); },
              [](const Damaged& d) { return Local(d, 1, kLocalSignatureField, 4); }, 0xFB034B50},
    FieldCase{"CentralSignature", [](Damaged& d) { return BreakCentralSignature(d.file, d.layout, 0); },
              [](const Damaged& d) { return Central(d, 0, kCentralSignatureField, 4); }, 0xFD014B50},
    FieldCase{"EndSignature", [](Damaged& d) { return BreakEndSignature(d.file, d.layout); },
              [](const Damaged& d) { return End(d, kEndSignatureField, 4); }, 0xF9054B50},
    FieldCase{"DiskNumbers", [](Damaged& d) { return SetDiskNumbers(d.file, d.layout, 1, 1); },
              [](const Damaged& d) { return End(d, kEndThisDisk, 4); }, 0x00010001},
    FieldCase{"EntriesOnDisk", [](Damaged& d) { return SetEntriesOnThisDisk(d.file, d.layout, 1); },
              [](const Damaged& d) { return End(d, kEndEntriesOnDisk, 2); }, 1},
    FieldCase{"LocalNameCase", [](Damaged& d) { return FlipLocalNameCase(d.file, d.layout, 1); },
              [](const Damaged& d) { return Local(d, 1, kLocalHeaderSize, 1); }, 's'},
    FieldCase{"EntryData", [](Damaged& d) { return CorruptEntryData(d.file, d.layout, 1); },
              [](const Damaged& d) { return GetField(d.file, d.layout.entries[1].dataOffset, 1); },
              static_cast<std::uint8_t>(~'s')}),
    [](const testing::TestParamInfo<FieldCase>& info) { return info.param.name; });

TEST(ZipMutators, RefuseTargetsOutsideTheFile) {
  Damaged d = Fresh();
  const Bytes original = d.file;
  EXPECT_FALSE(SetLocalField(d.file, d.layout, 2, kLocalCrc, 4, 0));
  EXPECT_FALSE(DeclareCrc(d.file, d.layout, 5, 0));
  EXPECT_FALSE(SetField(d.file, d.file.size() - 1, 2, 0));
  ASSERT_TRUE(TruncateTo(d.file, d.layout, d.layout.endRecord + 2));
  EXPECT_EQ(d.layout.fileSize, d.file.size());
  EXPECT_FALSE(SetDiskNumbers(d.file, d.layout, 1, 1));
}

TEST(ZipMutators, OffsetsFromArchiveStartEqualAPlainAppend) {
  Damaged d = Fresh();
  ASSERT_TRUE(CountOffsetsFromArchiveStart(d.file, d.layout));
  Bytes appended(kPrefixSize, 0x90);
  const Bytes plain = TwoEntryWriter({}).Finish();
  appended.insert(appended.end(), plain.begin(), plain.end());
  EXPECT_EQ(d.file, appended);
}

TEST(ZipMutators, DataDescriptorKeepsRecordsReachable) {
  Damaged d = Fresh();
  const ZipLayout::Entry before = d.layout.entries[0];
  ASSERT_TRUE(UseDataDescriptor(d.file, d.layout, 0));
  EXPECT_EQ(Local(d, 0, kLocalFlags, 2), 0x0008u);
  EXPECT_EQ(Central(d, 0, kCentralFlags, 2), 0x0008u);
  EXPECT_EQ(Local(d, 0, kLocalCrc, 4), 0u);
  EXPECT_EQ(Local(d, 0, kLocalCompressedSize, 4), 0u);
  EXPECT_EQ(Central(d, 0, kCentralCrc, 4), before.crc);
  EXPECT_EQ(Central(d, 0, kCentralUncompressedSize, 4), 1000u);
  const std::size_t descriptor = before.dataOffset + before.compressedSize;
  EXPECT_EQ(GetField(d.file, descriptor, 4), kDataDescriptorSignature);
  EXPECT_EQ(GetField(d.file, descriptor + 8, 4), before.compressedSize);
  // The second entry and the directory moved; their recorded offsets follow.
  EXPECT_EQ(d.layout.entries[1].localHeader, descriptor + kDataDescriptorSize);
  EXPECT_EQ(Local(d, 1, kLocalSignatureField, 4), 0x04034B50u);
  EXPECT_EQ(Central(d, 1, kCentralLocalHeaderOffset, 4), d.layout.entries[1].localHeader);
  EXPECT_EQ(End(d, kEndDirectoryOffset, 4), d.layout.centralDirectory);
  EXPECT_EQ(Central(d, 0, kCentralSignatureField, 4), 0x02014B50u);
}

TEST(ZipMutators, DuplicatedRecordNamesTheSameMember) {
  Damaged d = Fresh();
  ASSERT_TRUE(DuplicateCentralRecord(d.file, d.layout, 1));
  EXPECT_EQ(End(d, kEndTotalEntries, 2), 3u);
  EXPECT_EQ(End(d, kEndDirectorySize, 4), d.layout.centralDirectorySize);
  EXPECT_EQ(Central(d, 2, kCentralLocalHeaderOffset, 4), d.layout.entries[1].localHeader);
  EXPECT_EQ(LastEndSignature(d.file), d.layout.endRecord);
}

TEST(ZipMutators, EndRecordMovesAwayFromTheEnd) {
  Damaged junk = Fresh();
  AppendJunk(junk.file, junk.layout, 300);
  EXPECT_EQ(junk.file.size() - junk.layout.endRecord, kEndRecordSize + 300);
  EXPECT_EQ(LastEndSignature(junk.file), junk.layout.endRecord);

  Damaged far = Fresh();
  ASSERT_TRUE(PushEndRecordOutOfReach(far.file, far.layout));
  EXPECT_GT(far.file.size() - far.layout.endRecord, 65535u);
  EXPECT_EQ(End(far, kEndCommentLength, 2), 65535u);
  EXPECT_EQ(far.layout.fileSize, far.file.size());
}

TEST(ZipMutators, CommentsHidingTheEndSignature) {
  Damaged bare = Fresh();
  ASSERT_TRUE(HideEndSignatureInComment(bare.file, bare.layout, 5));
  EXPECT_EQ(LastEndSignature(bare.file), bare.file.size() - 9);
  EXPECT_EQ(End(bare, kEndCommentLength, 2), bare.file.size() - bare.layout.endRecord - kEndRecordSize);

  Damaged copy = Fresh();
  ASSERT_TRUE(HideEndRecordCopyInComment(copy.file, copy.layout));
  const std::size_t copyAt = copy.layout.endRecord + kEndRecordSize;
  EXPECT_EQ(LastEndSignature(copy.file), copyAt);
  EXPECT_EQ(GetField(copy.file, copyAt + kEndDirectoryOffset, 4), copy.layout.centralDirectory);
  EXPECT_EQ(GetField(copy.file, copyAt + kEndCommentLength, 2), 0u);
}

}  // namespace
}  // namespace kzppack
