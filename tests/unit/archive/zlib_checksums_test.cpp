// The stub's own crc32 and adler32, which stand in for zlib's: the same
// results as a bit-by-bit reference, for every length and alignment, in
// one piece or in several.
#include <zlib.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

std::uint32_t ReferenceCrc(const std::vector<unsigned char>& bytes, std::size_t from,
                           std::size_t length) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (std::size_t i = from; i < from + length; ++i) {
    crc ^= bytes[i];
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

std::vector<unsigned char> Pattern(std::size_t size) {
  std::vector<unsigned char> bytes(size);
  std::uint32_t state = 20240314;  // fixed seed
  for (unsigned char& b : bytes) {
    state = state * 1664525u + 1013904223u;
    b = static_cast<unsigned char>(state >> 24);
  }
  return bytes;
}

uLong Crc(const std::string& text) {
  return crc32(0, reinterpret_cast<const Bytef*>(text.data()), static_cast<uInt>(text.size()));
}

TEST(ZlibChecksums, KnownValues) {
  EXPECT_EQ(Crc("123456789"), 0xCBF43926u);
  EXPECT_EQ(Crc(""), 0u);
  EXPECT_EQ(crc32(0, Z_NULL, 0), 0u);
  const std::string text = "Wikipedia";
  EXPECT_EQ(adler32(1, reinterpret_cast<const Bytef*>(text.data()), 9), 0x11E60398u);
  EXPECT_EQ(adler32(0, Z_NULL, 0), 1u);
}

// Lengths around the five-word blocks, at every alignment.
TEST(ZlibChecksums, CrcMatchesTheReferenceAtEveryLengthAndAlignment) {
  const std::vector<unsigned char> bytes = Pattern(512);
  for (std::size_t from = 0; from < 8; ++from) {
    for (std::size_t length = 0; length + from <= 300; ++length) {
      ASSERT_EQ(crc32(0, bytes.data() + from, static_cast<uInt>(length)),
                ReferenceCrc(bytes, from, length))
          << "from " << from << ", length " << length;
    }
  }
}

// In pieces of growing sizes, and for a run of 0xFF bytes, the largest sums
// Adler-32 makes before its modulo.
TEST(ZlibChecksums, PiecesGiveTheWholeChecksum) {
  for (const std::vector<unsigned char>& bytes :
       {Pattern(100003), std::vector<unsigned char>(20000, 0xFF)}) {
    uLong crc = crc32(0, Z_NULL, 0);
    uLong adler = adler32(0, Z_NULL, 0);
    for (std::size_t at = 0, piece = 1; at < bytes.size(); at += piece, piece = piece * 3 + 1) {
      const uInt length = static_cast<uInt>(std::min(piece, bytes.size() - at));
      crc = crc32(crc, bytes.data() + at, length);
      adler = adler32(adler, bytes.data() + at, length);
    }
    std::uint32_t a = 1, b = 0;  // Adler-32 by its definition
    for (unsigned char byte : bytes) {
      a = (a + byte) % 65521;
      b = (b + a) % 65521;
    }
    EXPECT_EQ(crc, ReferenceCrc(bytes, 0, bytes.size()));
    EXPECT_EQ(adler, (b << 16) | a);
  }
}

}  // namespace
