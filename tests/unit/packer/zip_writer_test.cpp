#include "packer/zip_writer.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <ostream>
#include <string>

#include "packer/zip_mutators.h"

namespace kzppack {
namespace {

Bytes ToBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes InflateRaw(const std::uint8_t* data, std::size_t size, std::size_t expected) {
  z_stream stream{};
  if (inflateInit2(&stream, -15) != Z_OK) return {};
  Bytes out(expected + 1);  // one spare byte shows an over-long stream
  stream.next_in = const_cast<Bytef*>(data);
  stream.avail_in = static_cast<uInt>(size);
  stream.next_out = out.data();
  stream.avail_out = static_cast<uInt>(out.size());
  const int result = inflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  inflateEnd(&stream);
  return result == Z_STREAM_END ? out : Bytes{};
}

// An odd-sized, mostly compressible payload with a fixed pattern.
std::string Payload(std::size_t size) {
  std::string text;
  for (std::size_t i = 0; text.size() < size; ++i) text += std::to_string(i * 7919 % 1000) + ';';
  text.resize(size);
  return text;
}

struct CrcCase { const char* text; std::uint32_t crc; };
void PrintTo(const CrcCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }
class Crc32Test : public testing::TestWithParam<CrcCase> {};

TEST_P(Crc32Test, MatchesKnownValue) {
  const std::string text = GetParam().text;
  EXPECT_EQ(Crc32(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()),
            GetParam().crc);
}

INSTANTIATE_TEST_SUITE_P(KnownStrings, Crc32Test, testing::Values(
    CrcCase{"", 0x00000000u}, CrcCase{"a", 0xE8B7BE43u},
    CrcCase{"123456789", 0xCBF43926u},
    CrcCase{"The quick brown fox jumps over the lazy dog", 0x414FA339u}));

struct DosCase { int a, b, c; bool isDate; std::uint16_t packed; };
void PrintTo(const DosCase& c, std::ostream* os) {
  *os << (c.isDate ? "date " : "time ") << c.a << '-' << c.b << '-' << c.c;
}
class DosPackingTest : public testing::TestWithParam<DosCase> {};

TEST_P(DosPackingTest, PacksFields) {
  const DosCase& c = GetParam();
  EXPECT_EQ(c.isDate ? DosDate(c.a, c.b, c.c) : DosTime(c.a, c.b, c.c), c.packed);
}

INSTANTIATE_TEST_SUITE_P(Calendar, DosPackingTest, testing::Values(
    DosCase{1980, 1, 1, true, kDosEpochDate}, DosCase{2024, 2, 29, true, 0x585D},
    DosCase{2107, 12, 31, true, 0xFF9F}, DosCase{0, 0, 0, false, kDosEpochTime},
    DosCase{23, 59, 58, false, 0xBF7D},
    DosCase{12, 0, 59, false, 0x601D}));  // odd seconds round down

class ZipWriterTest : public testing::Test {
 protected:
  void SetUp() override {
    for (std::size_t i = 0; i < prefix_.size(); ++i) prefix_[i] = static_cast<std::uint8_t>(i * 13);
    ZipWriter writer(prefix_);
    writer.AddFile("a.txt", Payload(10007));
    writer.AddFile("stored.bin", Payload(333), kMethodStored);
    writer.AddFile("empty.txt", "");
    writer.AddFolder("dir");
    ZipEntrySpec member;
    member.name = "dir/x.xml";
    member.data = ToBytes("<x/>");
    member.extra = "EXTR";
    member.comment = "entry comment";
    member.dosDate = DosDate(2001, 9, 9);
    writer.Add(member);
    writer.SetComment("archive comment");
    file_ = writer.Finish(&layout_);
  }

  Bytes prefix_ = Bytes(4099);
  Bytes file_;
  ZipLayout layout_;
};

TEST_F(ZipWriterTest, LayoutPointsAtSignaturesBehindThePrefix) {
  ASSERT_EQ(layout_.entries.size(), 5u);
  EXPECT_TRUE(std::equal(prefix_.begin(), prefix_.end(), file_.begin()));
  EXPECT_EQ(layout_.archiveStart, prefix_.size());
  EXPECT_EQ(layout_.entries[0].localHeader, prefix_.size());
  for (const ZipLayout::Entry& entry : layout_.entries) {
    EXPECT_EQ(GetField(file_, entry.localHeader, 4), 0x04034B50u);
    EXPECT_EQ(GetField(file_, entry.centralHeader, 4), 0x02014B50u);
    EXPECT_EQ(GetField(file_, entry.centralHeader + kCentralLocalHeaderOffset, 4),
              entry.localHeader);
  }
  EXPECT_EQ(GetField(file_, layout_.endRecord, 4), 0x06054B50u);
  EXPECT_EQ(GetField(file_, layout_.endRecord + kEndDirectoryOffset, 4), layout_.centralDirectory);
  EXPECT_EQ(GetField(file_, layout_.endRecord + kEndDirectorySize, 4), layout_.centralDirectorySize);
  EXPECT_EQ(layout_.centralDirectory + layout_.centralDirectorySize, layout_.endRecord);
  EXPECT_EQ(GetField(file_, layout_.endRecord + kEndTotalEntries, 2), 5u);
  EXPECT_EQ(layout_.fileSize, file_.size());
  const std::string comment(file_.end() - 15, file_.end());
  EXPECT_EQ(comment, "archive comment");
}

TEST_F(ZipWriterTest, LocalHeadersAgreeWithCentralRecords) {
  for (const ZipLayout::Entry& entry : layout_.entries) {
    // version needed .. extra length, then the name: the same bytes in both.
    const std::size_t nameLength = GetField(file_, entry.localHeader + kLocalNameLength, 2);
    EXPECT_EQ(0, std::memcmp(&file_[entry.localHeader + 4], &file_[entry.centralHeader + 6], 26));
    EXPECT_EQ(0, std::memcmp(&file_[entry.localHeader + 30], &file_[entry.centralHeader + 46],
                             nameLength));
    EXPECT_EQ(GetField(file_, entry.localHeader + kLocalFlags, 2) & 0x0008, 0u);
    EXPECT_EQ(entry.dataOffset, entry.localHeader + 30 + nameLength +
                                    GetField(file_, entry.localHeader + kLocalExtraLength, 2));
  }
  const ZipLayout::Entry& folder = layout_.entries[3];
  EXPECT_EQ(std::string(file_.begin() + folder.localHeader + 30,
                        file_.begin() + folder.dataOffset), "dir/");
  EXPECT_EQ(GetField(file_, folder.centralHeader + kCentralExternalAttributes, 4), 0x10u);
  EXPECT_EQ(GetField(file_, layout_.entries[4].localHeader + kLocalDate, 2), DosDate(2001, 9, 9));
}

TEST_F(ZipWriterTest, DataDecodesToTheInput) {
  const std::string inputs[] = {Payload(10007), Payload(333), ""};
  for (int i = 0; i < 3; ++i) {
    const ZipLayout::Entry& entry = layout_.entries[i];
    const Bytes expected = ToBytes(inputs[i]);
    const std::uint8_t* data = file_.data() + entry.dataOffset;
    const bool deflated = GetField(file_, entry.localHeader + kLocalMethod, 2) == kMethodDeflated;
    const Bytes decoded = deflated ? InflateRaw(data, entry.compressedSize, expected.size())
                                   : Bytes(data, data + entry.compressedSize);
    EXPECT_EQ(decoded, expected) << "entry " << i;
    EXPECT_EQ(GetField(file_, entry.localHeader + kLocalCrc, 4),
              Crc32(expected.data(), expected.size()));
    EXPECT_EQ(GetField(file_, entry.localHeader + kLocalUncompressedSize, 4), expected.size());
  }
  EXPECT_LT(layout_.entries[0].compressedSize, 10007u / 2);
}

TEST(ZipWriterEmpty, EmptyArchiveIsAnEndRecordBehindThePrefix) {
  ZipLayout layout;
  const Bytes file = ZipWriter(Bytes(100, 0xCC)).Finish(&layout);
  ASSERT_EQ(file.size(), 100u + kEndRecordSize);
  EXPECT_EQ(layout.endRecord, 100u);
  EXPECT_EQ(GetField(file, 100 + kEndDirectoryOffset, 4), 100u);
}

}  // namespace
}  // namespace kzppack
