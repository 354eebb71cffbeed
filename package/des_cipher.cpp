#include "package/des_cipher.h"

#include <cstring>
#include <memory>
#include <vector>

namespace {

// The tables as FIPS 46-3 prints them: permutations as 1-based bit numbers,
// most significant bit first; S-boxes as 4 rows of 16 entries each.

constexpr std::uint8_t kInitialPermutation[64] = {
    58, 50, 42, 34, 26, 18, 10, 2, 60, 52, 44, 36, 28, 20, 12, 4,
    62, 54, 46, 38, 30, 22, 14, 6, 64, 56, 48, 40, 32, 24, 16, 8,
    57, 49, 41, 33, 25, 17, 9,  1, 59, 51, 43, 35, 27, 19, 11, 3,
    61, 53, 45, 37, 29, 21, 13, 5, 63, 55, 47, 39, 31, 23, 15, 7};

constexpr std::uint8_t kInverseInitialPermutation[64] = {
    40, 8, 48, 16, 56, 24, 64, 32, 39, 7, 47, 15, 55, 23, 63, 31,
    38, 6, 46, 14, 54, 22, 62, 30, 37, 5, 45, 13, 53, 21, 61, 29,
    36, 4, 44, 12, 52, 20, 60, 28, 35, 3, 43, 11, 51, 19, 59, 27,
    34, 2, 42, 10, 50, 18, 58, 26, 33, 1, 41, 9,  49, 17, 57, 25};

constexpr std::uint8_t kExpansion[48] = {
    32, 1,  2,  3,  4,  5,  4,  5,  6,  7,  8,  9,  8,  9,  10, 11,
    12, 13, 12, 13, 14, 15, 16, 17, 16, 17, 18, 19, 20, 21, 20, 21,
    22, 23, 24, 25, 24, 25, 26, 27, 28, 29, 28, 29, 30, 31, 32, 1};

constexpr std::uint8_t kRoundPermutation[32] = {
    16, 7, 20, 21, 29, 12, 28, 17, 1,  15, 23, 26, 5,  18, 31, 10,
    2,  8, 24, 14, 32, 27, 3,  9,  19, 13, 30, 6,  22, 11, 4,  25};

constexpr std::uint8_t kPermutedChoice1[56] = {
    57, 49, 41, 33, 25, 17, 9,  1,  58, 50, 42, 34, 26, 18,
    10, 2,  59, 51, 43, 35, 27, 19, 11, 3,  60, 52, 44, 36,
    63, 55, 47, 39, 31, 23, 15, 7,  62, 54, 46, 38, 30, 22,
    14, 6,  61, 53, 45, 37, 29, 21, 13, 5,  28, 20, 12, 4};

constexpr std::uint8_t kPermutedChoice2[48] = {
    14, 17, 11, 24, 1,  5,  3,  28, 15, 6,  21, 10,
    23, 19, 12, 4,  26, 8,  16, 7,  27, 20, 13, 2,
    41, 52, 31, 37, 47, 55, 30, 40, 51, 45, 33, 48,
    44, 49, 39, 56, 34, 53, 46, 42, 50, 36, 29, 32};

constexpr std::uint8_t kShifts[DesCipher::kRounds] = {1, 1, 2, 2, 2, 2, 2, 2,
                                                      1, 2, 2, 2, 2, 2, 2, 1};

constexpr std::uint8_t kSBoxes[8][64] = {
    {14, 4,  13, 1, 2,  15, 11, 8,  3,  10, 6,  12, 5,  9,  0, 7,
     0,  15, 7,  4, 14, 2,  13, 1,  10, 6,  12, 11, 9,  5,  3, 8,
     4,  1,  14, 8, 13, 6,  2,  11, 15, 12, 9,  7,  3,  10, 5, 0,
     15, 12, 8,  2, 4,  9,  1,  7,  5,  11, 3,  14, 10, 0,  6, 13},
    {15, 1,  8,  14, 6,  11, 3,  4,  9,  7, 2,  13, 12, 0, 5,  10,
     3,  13, 4,  7,  15, 2,  8,  14, 12, 0, 1,  10, 6,  9, 11, 5,
     0,  14, 7,  11, 10, 4,  13, 1,  5,  8, 12, 6,  9,  3, 2,  15,
     13, 8,  10, 1,  3,  15, 4,  2,  11, 6, 7,  12, 0,  5, 14, 9},
    {10, 0,  9,  14, 6, 3,  15, 5,  1,  13, 12, 7,  11, 4,  2,  8,
     13, 7,  0,  9,  3, 4,  6,  10, 2,  8,  5,  14, 12, 11, 15, 1,
     13, 6,  4,  9,  8, 15, 3,  0,  11, 1,  2,  12, 5,  10, 14, 7,
     1,  10, 13, 0,  6, 9,  8,  7,  4,  15, 14, 3,  11, 5,  2,  12},
    {7,  13, 14, 3, 0,  6,  9,  10, 1,  2, 8, 5,  11, 12, 4,  15,
     13, 8,  11, 5, 6,  15, 0,  3,  4,  7, 2, 12, 1,  10, 14, 9,
     10, 6,  9,  0, 12, 11, 7,  13, 15, 1, 3, 14, 5,  2,  8,  4,
     3,  15, 0,  6, 10, 1,  13, 8,  9,  4, 5, 11, 12, 7,  2,  14},
    {2,  12, 4,  1,  7,  10, 11, 6,  8,  5,  3,  15, 13, 0, 14, 9,
     14, 11, 2,  12, 4,  7,  13, 1,  5,  0,  15, 10, 3,  9, 8,  6,
     4,  2,  1,  11, 10, 13, 7,  8,  15, 9,  12, 5,  6,  3, 0,  14,
     11, 8,  12, 7,  1,  14, 2,  13, 6,  15, 0,  9,  10, 4, 5,  3},
    {12, 1,  10, 15, 9, 2,  6,  8,  0,  13, 3,  4,  14, 7,  5,  11,
     10, 15, 4,  2,  7, 12, 9,  5,  6,  1,  13, 14, 0,  11, 3,  8,
     9,  14, 15, 5,  2, 8,  12, 3,  7,  0,  4,  10, 1,  13, 11, 6,
     4,  3,  2,  12, 9, 5,  15, 10, 11, 14, 1,  7,  6,  0,  8,  13},
    {4,  11, 2,  14, 15, 0, 8,  13, 3,  12, 9, 7,  5,  10, 6, 1,
     13, 0,  11, 7,  4,  9, 1,  10, 14, 3,  5, 12, 2,  15, 8, 6,
     1,  4,  11, 13, 12, 3, 7,  14, 10, 15, 6, 8,  0,  5,  9, 2,
     6,  11, 13, 8,  1,  4, 10, 7,  9,  5,  0, 15, 14, 2,  3, 12},
    {13, 2,  8,  4, 6,  15, 11, 1,  10, 9,  3,  14, 5,  0,  12, 7,
     1,  15, 13, 8, 10, 3,  7,  4,  12, 5,  6,  11, 0,  14, 9,  2,
     7,  11, 4,  1, 9,  12, 14, 2,  0,  6,  10, 13, 15, 3,  5,  8,
     2,  1,  14, 7, 4,  10, 8,  13, 15, 12, 9,  0,  3,  5,  6,  11}};

constexpr char kLengthMessage[] =
    "Input string is not a multiple of 16 characters!";
constexpr char kOutputMessage[] = "Bad output buffer";
constexpr char kHexMessage[] =
    "Input text contains a non-hexadecimal character!";

constexpr std::uint32_t kHalfKeyMask = 0x0FFFFFFF;  // 28 bits

bool HasOddParity(std::uint8_t byte) {
  byte ^= byte >> 4;
  byte ^= byte >> 2;
  byte ^= byte >> 1;
  return (byte & 1) != 0;
}

// Big-endian packing of up to 8 bytes into the low bits of an integer.
std::uint64_t LoadBits(const std::uint8_t* bytes, std::size_t count) {
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < count; ++i) {
    value = (value << 8) | bytes[i];
  }
  return value;
}

void StoreBits(std::uint64_t value, std::uint8_t* bytes, std::size_t count) {
  for (std::size_t i = count; i-- > 0;) {
    bytes[i] = static_cast<std::uint8_t>(value & 0xFF);
    value >>= 8;
  }
}

std::uint32_t RotateHalfKey(std::uint32_t half, unsigned shift) {
  return ((half << shift) | (half >> (28 - shift))) & kHalfKeyMask;
}

// The cipher function f(R, K) of FIPS 46-3: expand, mix in the subkey,
// substitute through S1..S8, permute with P.
void CipherFunction(const std::uint8_t right[4], const std::uint8_t* subkey,
                    std::uint8_t out[4]) {
  std::uint8_t expanded[6];
  DesCipher::Permute(kExpansion, 48, right, 4, expanded);
  for (std::size_t i = 0; i < 6; ++i) {
    expanded[i] ^= subkey[i];
  }
  const std::uint64_t mixed = LoadBits(expanded, 6);
  std::uint32_t substituted = 0;
  for (unsigned box = 0; box < 8; ++box) {
    const unsigned group = static_cast<unsigned>(mixed >> (42 - 6 * box)) & 0x3F;
    const unsigned row = ((group >> 4) & 0x2) | (group & 0x1);
    const unsigned column = (group >> 1) & 0xF;
    substituted = (substituted << 4) | kSBoxes[box][row * 16 + column];
  }
  std::uint8_t substitutedBytes[4];
  StoreBits(substituted, substitutedBytes, 4);
  DesCipher::Permute(kRoundPermutation, 32, substitutedBytes, 4, out);
}

char HexDigitText(unsigned value) {
  return "0123456789ABCDEF"[value & 0xF];
}

}  // namespace

bool DesCipher::SetKeyText(const char* text, std::uint8_t key[kKeyBytes]) {
  std::memset(key, ' ', kKeyBytes);
  // Stops at the terminator or after 8 bytes, so a long text is never
  // measured in full.
  for (std::size_t i = 0; text != nullptr && i < kKeyBytes && text[i] != '\0';
       ++i) {
    key[i] = static_cast<std::uint8_t>(text[i]);
  }
  if (!HasOddParityByte(key) && (key[0] & 0x80) != 0) {
    key[0] &= 0x7F;
  }
  return HasOddParityByte(key);
}

bool DesCipher::ScheduleKeys(const std::uint8_t key[kKeyBytes]) {
  if (!skipParityCheck) {
    for (std::size_t i = 0; i < kKeyBytes; ++i) {
      if (!HasOddParity(key[i])) {
        return false;
      }
    }
  }
  // PC-1 drops the parity bits (the least significant bit of each byte).
  std::uint8_t choice1[7];
  Permute(kPermutedChoice1, 56, key, kKeyBytes, choice1);
  const std::uint64_t cd = LoadBits(choice1, 7);
  std::uint32_t c = static_cast<std::uint32_t>(cd >> 28) & kHalfKeyMask;
  std::uint32_t d = static_cast<std::uint32_t>(cd) & kHalfKeyMask;
  for (std::size_t n = 0; n < kRounds; ++n) {
    c = RotateHalfKey(c, kShifts[n]);
    d = RotateHalfKey(d, kShifts[n]);
    std::uint8_t shifted[7];
    StoreBits((static_cast<std::uint64_t>(c) << 28) | d, shifted, 7);
    Permute(kPermutedChoice2, 48, shifted, 7, subkeys[n]);
  }
  keyScheduled = true;
  return true;
}

void DesCipher::DecryptHex(std::string_view text, std::uint8_t** result,
                           std::size_t* resultLength) const {
  if (text.size() % (2 * kBlockBytes) != 0) {
    throw DesCryptException(kLengthMessage);
  }
  if (result == nullptr) {
    throw DesCryptException(kOutputMessage);
  }
  const std::size_t byteCount = text.size() / 2;
  std::vector<std::uint8_t> ciphertext(byteCount);
  for (std::size_t i = 0; i < byteCount; ++i) {
    const std::uint8_t high = HexDigitValue(text[2 * i]);
    const std::uint8_t low = HexDigitValue(text[2 * i + 1]);
    ciphertext[i] = static_cast<std::uint8_t>(high * 16 + low);
  }
  // Owned here until the end, so a failure leaves nothing behind and the
  // caller's outputs untouched.
  std::unique_ptr<std::uint8_t[]> plaintext(new std::uint8_t[byteCount]);
  for (std::size_t offset = 0; offset < byteCount; offset += kBlockBytes) {
    DecryptBlock(ciphertext.data() + offset, plaintext.get() + offset);
  }
  if (resultLength != nullptr) {
    *resultLength = byteCount;
  }
  *result = plaintext.release();
}

void DesCipher::CryptBlock(const std::uint8_t* const subkeyOrder[kRounds],
                           const std::uint8_t input[kBlockBytes],
                           std::uint8_t output[kBlockBytes]) {
  std::uint8_t permuted[kBlockBytes];
  Permute(kInitialPermutation, 64, input, kBlockBytes, permuted);
  std::uint8_t left[4];
  std::uint8_t right[4];
  std::memcpy(left, permuted, 4);
  std::memcpy(right, permuted + 4, 4);
  for (std::size_t n = 0; n < kRounds; ++n) {
    std::uint8_t f[4];
    CipherFunction(right, subkeyOrder[n], f);
    for (std::size_t i = 0; i < 4; ++i) {
      const std::uint8_t newRight = left[i] ^ f[i];
      left[i] = right[i];
      right[i] = newRight;
    }
  }
  // The halves are exchanged after the last iteration: R16 then L16.
  std::uint8_t preoutput[kBlockBytes];
  std::memcpy(preoutput, right, 4);
  std::memcpy(preoutput + 4, left, 4);
  Permute(kInverseInitialPermutation, 64, preoutput, kBlockBytes, output);
}

void DesCipher::Permute(const std::uint8_t* table, std::size_t count,
                        const std::uint8_t* source, std::size_t sourceBytes,
                        std::uint8_t* destination) {
  std::memset(destination, 0, (count + 7) / 8);
  const std::size_t sourceBits = sourceBytes * 8;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t bit = table[i];
    if (bit == 0 || bit > sourceBits) {
      continue;
    }
    const std::size_t index = bit - 1;
    if ((source[index / 8] >> (7 - index % 8)) & 1) {
      destination[i / 8] |= static_cast<std::uint8_t>(0x80 >> (i % 8));
    }
  }
}

bool DesCipher::HasOddParityByte(const std::uint8_t key[kKeyBytes]) {
  for (std::size_t i = 0; i < kKeyBytes; ++i) {
    if (HasOddParity(key[i])) {
      return true;
    }
  }
  return false;
}

std::uint8_t DesCipher::HexDigitValue(char character) {
  if (character >= '0' && character <= '9') {
    return static_cast<std::uint8_t>(character - '0');
  }
  if (character >= 'A' && character <= 'F') {
    return static_cast<std::uint8_t>(character - 'A' + 10);
  }
  if (character >= 'a' && character <= 'f') {
    return static_cast<std::uint8_t>(character - 'a' + 10);
  }
  throw DesCryptException(kHexMessage);
}

void DesCipher::EncryptBlock(const std::uint8_t input[kBlockBytes],
                             std::uint8_t output[kBlockBytes]) const {
  const std::uint8_t* order[kRounds];
  for (std::size_t n = 0; n < kRounds; ++n) {
    order[n] = subkeys[n];
  }
  CryptBlock(order, input, output);
}

void DesCipher::DecryptBlock(const std::uint8_t input[kBlockBytes],
                             std::uint8_t output[kBlockBytes]) const {
  const std::uint8_t* order[kRounds];
  for (std::size_t n = 0; n < kRounds; ++n) {
    order[n] = subkeys[kRounds - 1 - n];
  }
  CryptBlock(order, input, output);
}

std::string DesCipher::EncryptHex(const std::uint8_t* data, std::size_t length,
                                  std::uint8_t filler) const {
  std::string text;
  text.reserve((length + kBlockBytes - 1) / kBlockBytes * 2 * kBlockBytes);
  for (std::size_t offset = 0; offset < length; offset += kBlockBytes) {
    std::uint8_t block[kBlockBytes];
    std::memset(block, filler, kBlockBytes);
    const std::size_t take =
        length - offset < kBlockBytes ? length - offset : kBlockBytes;
    std::memcpy(block, data + offset, take);
    std::uint8_t enciphered[kBlockBytes];
    EncryptBlock(block, enciphered);
    for (std::uint8_t byte : enciphered) {
      text += HexDigitText(byte >> 4);
      text += HexDigitText(byte);
    }
  }
  return text;
}
