// zlib's crc32 and adler32, defined here in place of the ones in Debian's
// libz.a, which the linker then leaves out: their CRC-32 tables are 12 KB of
// constant data in every package, where these tables are made in memory
// when the program starts (9 KB of .bss, which takes no room in the file).
// inflate refers to both functions; a raw deflate stream, the only kind the
// stub reads, never calls adler32.
//
// CRC-32 runs as zlib's does: five interleaved braids of 8-byte words, so
// the table lookups of five words overlap, then the braids are folded into
// one register over the last block. As fast as zlib's own (10.8 against
// 10.6 ms for 64 MiB under Wine, in 16 KiB pieces).
#include <zlib.h>

#include <cstdint>
#include <cstring>

namespace {

constexpr std::uint32_t kPolynomial = 0xEDB88320u;  // reflected 0x04C11DB7
constexpr int kBraids = 5;
constexpr int kWordBytes = 8;

struct CrcTables {
  std::uint32_t byte[256];              // one byte into the register
  std::uint32_t braid[kWordBytes][256];  // byte i of a word, then the other braids' words
};

// Zero until filled, in .bss (this file is compiled without a section per
// data item, with which mingw's GCC puts zero-initialised objects into
// .data, zeros and all: archive/CMakeLists.txt).
CrcTables g_crc;

// Out of line, so that the compiler does not work the tables out itself and
// put them into the file after all.
__attribute__((noinline)) void FillCrcTables(CrcTables& tables) {
  for (std::uint32_t value = 0; value < 256; ++value) {
    std::uint32_t crc = value;
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (kPolynomial & (0u - (crc & 1)));
    tables.byte[value] = crc;
  }
  // A byte at position i of a word moves on over the rest of its word and
  // the words of the other braids, to where the next word of its own braid
  // begins.
  for (int position = 0; position < kWordBytes; ++position) {
    const int zeros = kWordBytes - 1 - position + (kBraids - 1) * kWordBytes;
    for (std::uint32_t value = 0; value < 256; ++value) {
      std::uint32_t crc = tables.byte[value];
      for (int i = 0; i < zeros; ++i) crc = (crc >> 8) ^ tables.byte[crc & 0xFF];
      tables.braid[position][value] = crc;
    }
  }
}

// Filled before the entry runs, so before any thread.
const struct CrcTablesFiller {
  CrcTablesFiller() { FillCrcTables(g_crc); }
} g_crcFiller;

std::uint64_t LoadWord(const unsigned char* p) {
  std::uint64_t word = 0;
  std::memcpy(&word, p, sizeof word);  // little-endian
  return word;
}

// The register after a whole word (the register already folded into it).
std::uint32_t CrcOfWord(std::uint64_t word) {
  for (int i = 0; i < kWordBytes; ++i) word = (word >> 8) ^ g_crc.byte[word & 0xFF];
  return static_cast<std::uint32_t>(word);
}

inline __attribute__((always_inline)) std::uint32_t Braid(std::uint64_t w) {
  const auto& t = g_crc.braid;
  return t[0][w & 0xFF] ^ t[1][(w >> 8) & 0xFF] ^ t[2][(w >> 16) & 0xFF] ^
         t[3][(w >> 24) & 0xFF] ^ t[4][(w >> 32) & 0xFF] ^ t[5][(w >> 40) & 0xFF] ^
         t[6][(w >> 48) & 0xFF] ^ t[7][w >> 56];
}

std::uint32_t CrcOfBytes(std::uint32_t crc, const unsigned char* p, std::size_t length) {
  while (length-- > 0) crc = (crc >> 8) ^ g_crc.byte[(crc ^ *p++) & 0xFF];
  return crc;
}

}  // namespace

extern "C" uLong ZEXPORT crc32(uLong start, const Bytef* data, uInt length) {
  if (data == Z_NULL) return 0;
  std::uint32_t crc = ~static_cast<std::uint32_t>(start);
  std::size_t left = length;
  const std::size_t misaligned = (0u - reinterpret_cast<std::uintptr_t>(data)) & (kWordBytes - 1);
  if (misaligned < left) {
    crc = CrcOfBytes(crc, data, misaligned);
    data += misaligned;
    left -= misaligned;
  }
  constexpr std::size_t kBlockBytes = kBraids * kWordBytes;
  std::size_t blocks = left / kBlockBytes;
  if (blocks > 0) {
    left -= blocks * kBlockBytes;
    std::uint32_t s0 = crc, s1 = 0, s2 = 0, s3 = 0, s4 = 0;
    while (--blocks > 0) {
      const std::uint64_t w0 = LoadWord(data) ^ s0, w1 = LoadWord(data + 8) ^ s1,
                          w2 = LoadWord(data + 16) ^ s2, w3 = LoadWord(data + 24) ^ s3,
                          w4 = LoadWord(data + 32) ^ s4;
      s0 = Braid(w0);
      s1 = Braid(w1);
      s2 = Braid(w2);
      s3 = Braid(w3);
      s4 = Braid(w4);
      data += kBlockBytes;
    }
    // The last block folds the braids into one register, word by word.
    crc = CrcOfWord(LoadWord(data) ^ s0);
    crc = CrcOfWord(LoadWord(data + 8) ^ s1 ^ crc);
    crc = CrcOfWord(LoadWord(data + 16) ^ s2 ^ crc);
    crc = CrcOfWord(LoadWord(data + 24) ^ s3 ^ crc);
    crc = CrcOfWord(LoadWord(data + 32) ^ s4 ^ crc);
    data += kBlockBytes;
  }
  return ~CrcOfBytes(crc, data, left);
}

extern "C" uLong ZEXPORT adler32(uLong start, const Bytef* data, uInt length) {
  if (data == Z_NULL) return 1;
  constexpr std::uint32_t kBase = 65521;
  // 5552 bytes is the most that cannot overflow 32 bits before the modulo.
  constexpr uInt kRun = 5552;
  std::uint32_t a = start & 0xFFFF;
  std::uint32_t b = (start >> 16) & 0xFFFF;
  while (length > 0) {
    const uInt run = length < kRun ? length : kRun;
    length -= run;
    for (uInt i = 0; i < run; ++i) {
      a += *data++;
      b += a;
    }
    a %= kBase;
    b %= kBase;
  }
  return (b << 16) | a;
}
