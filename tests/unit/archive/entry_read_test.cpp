#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "archive/zip_file.h"
#include "archive_test_support.h"
#include "file_bytes.h"

namespace {

using kzppack::Bytes;
using kzppack::ZipLayout;
using kzpzip::ZIP_File;
using kzpzip::ZIP_FileEntry;

constexpr std::uint8_t kGuard = 0xA5;
constexpr std::size_t kGuardSize = 64;

// A buffer with guard bytes behind the part handed to Read.
struct GuardedBuffer {
  explicit GuardedBuffer(std::size_t size) : size(size), bytes(size + kGuardSize, kGuard) {}
  bool GuardIntact() const {
    for (std::size_t i = size; i < bytes.size(); ++i) {
      if (bytes[i] != kGuard) return false;
    }
    return true;
  }
  std::string Text(std::size_t count) const {
    return std::string(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(count));
  }
  std::size_t size;
  std::vector<std::uint8_t> bytes;
};

// Opens the stub made from file; the archive must outlive its entries' use.
class EntryReadTest : public ::testing::Test {
 protected:
  ZIP_FileEntry* OpenEntry(const Bytes& file, int index) {
    path_ = SaveStub(temp_, file);
    if (archive_.Open(path_.c_str(), true) != kzpzip::ZIP_OK) return nullptr;
    return archive_.GetEntry(index);
  }
  CKzpTempFolder temp_;
  std::wstring path_;
  ZIP_File archive_;
};

struct SizeCase {
  std::uint16_t method;
  std::size_t size;
};

void PrintTo(const SizeCase& c, std::ostream* os) {
  *os << (c.method == 0 ? "stored " : "deflated ") << c.size << " bytes";
}

class EntryRoundTrip : public EntryReadTest, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(EntryRoundTrip, ReadGivesTheBytesAndNothingMore) {
  std::string data = PatternText(GetParam().size, static_cast<std::uint32_t>(GetParam().size));
  kzppack::ZipWriter writer = StubWriter();
  writer.AddFile("first.bin", "before", GetParam().method);
  writer.AddFile("data.bin", data, GetParam().method);
  ZIP_FileEntry* entry = OpenEntry(writer.Finish(), 1);
  ASSERT_NE(entry, nullptr);
  ASSERT_EQ(entry->uncompressedSize, data.size());
  GuardedBuffer buffer(data.size());
  EXPECT_EQ(entry->Read(buffer.bytes.data(), entry->uncompressedSize), kzpzip::ZIP_OK);
  EXPECT_TRUE(buffer.Text(data.size()) == data);
  EXPECT_TRUE(buffer.GuardIntact());
  // Entries can be read again, in any order.
  GuardedBuffer again(6);
  EXPECT_EQ(archive_.GetEntry(0)->Read(again.bytes.data(), 6), kzpzip::ZIP_OK);
  EXPECT_EQ(again.Text(6), "before");
}

INSTANTIATE_TEST_SUITE_P(Sizes, EntryRoundTrip,
                         ::testing::Values(SizeCase{0, 1}, SizeCase{8, 1}, SizeCase{0, 16383},
                                           SizeCase{8, 16384}, SizeCase{0, 16385},
                                           SizeCase{8, 16385}, SizeCase{0, 100003},
                                           SizeCase{8, 100003}));

TEST_F(EntryReadTest, ShortReadStopsWithoutCheckingTheCrc) {
  kzppack::ZipWriter writer = StubWriter();
  writer.AddFile("a.txt", PatternText(40000, 7));
  ZipLayout layout;
  Bytes file = writer.Finish(&layout);
  ASSERT_TRUE(kzppack::DeclareCrc(file, layout, 0, 0x12345678));
  ZIP_FileEntry* entry = OpenEntry(file, 0);
  ASSERT_NE(entry, nullptr);
  GuardedBuffer buffer(20001);
  EXPECT_EQ(entry->Read(buffer.bytes.data(), 20001), kzpzip::ZIP_OK);
  EXPECT_EQ(buffer.Text(20001), PatternText(40000, 7).substr(0, 20001));
  EXPECT_TRUE(buffer.GuardIntact());
  std::vector<std::uint8_t> whole(40000);
  EXPECT_EQ(entry->Read(whole.data(), 40000), kzpzip::ZIP_E_CRC);
}

TEST_F(EntryReadTest, BadArgumentsAndEmptyEntries) {
  kzppack::ZipWriter writer = StubWriter();
  writer.AddFile("a.txt", "abc");
  writer.AddFile("empty.txt", "");
  ZIP_FileEntry* entry = OpenEntry(writer.Finish(), 0);
  ASSERT_NE(entry, nullptr);
  std::uint8_t byte = 0;
  EXPECT_EQ(entry->Read(&byte, 0), kzpzip::ZIP_E_BAD_ARG);
  EXPECT_EQ(entry->Read(nullptr, 3), kzpzip::ZIP_E_BAD_ARG);
  EXPECT_EQ(archive_.GetEntry(1)->Read(&byte, 0), kzpzip::ZIP_OK);
}

// Data that does not match what the records declare, one lie per case.
struct LieCase {
  const char* name;
  std::uint16_t method;
  bool (*damage)(Bytes&, const ZipLayout&);
  int expected;
};

void PrintTo(const LieCase& c, std::ostream* os) { *os << c.name; }

class EntryDataLies : public EntryReadTest, public ::testing::WithParamInterface<LieCase> {};

TEST_P(EntryDataLies, ReadOfTheWholeEntryFailsAndTheNextEntryStillReads) {
  kzppack::ZipWriter writer = StubWriter();
  writer.AddFile("bad.bin", PatternText(50000, 3), GetParam().method);
  writer.AddFile("good.txt", "still fine");
  ZipLayout layout;
  Bytes file = writer.Finish(&layout);
  ASSERT_TRUE(GetParam().damage(file, layout));
  ZIP_FileEntry* bad = OpenEntry(file, 0);
  ASSERT_NE(bad, nullptr);
  GuardedBuffer buffer(bad->uncompressedSize < 200000 ? bad->uncompressedSize : 200000);
  EXPECT_EQ(bad->Read(buffer.bytes.data(), static_cast<std::uint32_t>(buffer.size)),
            GetParam().expected);
  EXPECT_TRUE(buffer.GuardIntact());
  GuardedBuffer good(10);
  EXPECT_EQ(archive_.GetEntry(1)->Read(good.bytes.data(), 10), kzpzip::ZIP_OK);
  EXPECT_EQ(good.Text(10), "still fine");
}

bool FlipFirstByte(Bytes& f, const ZipLayout& l) { return kzppack::CorruptEntryData(f, l, 0); }
// Block type 3 does not exist: inflate reports a data error at once.
bool BreakDeflateBlock(Bytes& f, const ZipLayout& l) {
  return kzppack::SetField(f, l.entries[0].dataOffset, 1, 0x07);
}
bool StoredDataShort(Bytes& f, const ZipLayout& l) {
  return kzppack::DeclareCompressedSize(f, l, 0, 30000);
}
bool DeclaredLarger(Bytes& f, const ZipLayout& l) {
  return kzppack::DeclareUncompressedSize(f, l, 0, 60000);
}
bool MethodTwelve(Bytes& f, const ZipLayout& l) { return kzppack::DeclareMethod(f, l, 0, 12); }
bool FourGiB(Bytes& f, const ZipLayout& l) {
  return kzppack::DeclareUncompressedSize(f, l, 0, 0xFFFFFFFFu);
}

INSTANTIATE_TEST_SUITE_P(
    Lies, EntryDataLies,
    ::testing::Values(LieCase{"StoredByteFlipped", 0, FlipFirstByte, kzpzip::ZIP_E_CRC},
                      LieCase{"DeflateBroken", 8, BreakDeflateBlock, kzpzip::ZIP_E_BAD_ARCHIVE},
                      LieCase{"StoredShorterThanDeclared", 0, StoredDataShort,
                              kzpzip::ZIP_E_NO_DATA},
                      LieCase{"DeflatedShorterThanDeclared", 8, DeclaredLarger,
                              kzpzip::ZIP_E_NO_DATA},
                      LieCase{"StoredFourGiBDeclared", 0, FourGiB, kzpzip::ZIP_E_NO_DATA},
                      LieCase{"UnsupportedMethod", 8, MethodTwelve, kzpzip::ZIP_E_BAD_ARCHIVE}),
    [](const ::testing::TestParamInfo<LieCase>& info) { return std::string(info.param.name); });

}  // namespace

namespace {

// A valid raw deflate stream whose first 20,000 bytes are empty stored
// blocks (what a flushing compressor leaves behind): whole 16 KiB input
// pieces then decode to nothing, which must not read as the end of the data.
TEST_F(EntryReadTest, InputThatDecodesToNothingIsNotTheEnd) {
  const std::string payload = PatternText(50000, 3);
  Bytes deflate;
  for (int i = 0; i < 4000; ++i) deflate.insert(deflate.end(), {0x00, 0x00, 0x00, 0xFF, 0xFF});
  const std::uint16_t length = static_cast<std::uint16_t>(payload.size());
  deflate.insert(deflate.end(), {0x01, static_cast<std::uint8_t>(length & 0xFF),
                                 static_cast<std::uint8_t>(length >> 8),
                                 static_cast<std::uint8_t>(~length & 0xFF),
                                 static_cast<std::uint8_t>((~length >> 8) & 0xFF)});
  deflate.insert(deflate.end(), payload.begin(), payload.end());

  kzppack::ZipWriter writer = StubWriter();
  kzppack::ZipEntrySpec member;
  member.name = "flushed.bin";
  member.data = deflate;
  member.method = kzppack::kMethodStored;  // written as given, then declared deflated
  writer.Add(member);
  ZipLayout layout;
  Bytes file = writer.Finish(&layout);
  ASSERT_TRUE(kzppack::DeclareMethod(file, layout, 0, kzppack::kMethodDeflated));
  ASSERT_TRUE(kzppack::DeclareUncompressedSize(file, layout, 0, length));
  ASSERT_TRUE(kzppack::DeclareCrc(
      file, layout, 0,
      kzppack::Crc32(reinterpret_cast<const std::uint8_t*>(payload.data()), payload.size())));

  ZIP_FileEntry* entry = OpenEntry(file, 0);
  ASSERT_NE(entry, nullptr);
  std::vector<std::uint8_t> whole(payload.size());
  EXPECT_EQ(entry->Read(whole.data(), length), kzpzip::ZIP_OK);
  EXPECT_TRUE(std::string(whole.begin(), whole.end()) == payload);
  const std::wstring target = temp_ / L"flushed.bin";
  EXPECT_EQ(entry->ExtractTo(target.c_str(), false), kzpzip::ZIP_OK);
  EXPECT_TRUE(ReadFileText(target) == payload);
}

}  // namespace
