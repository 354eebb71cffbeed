#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "des_test_helpers.h"
#include "package/des_cipher.h"
#include "package/des_crypt_exception.h"

namespace {

using kzptest::Block;
using kzptest::BlockFromHex;
using kzptest::HexFromBlock;
using kzptest::HexFromBytes;

constexpr const char* kLengthMessage =
    "Input string is not a multiple of 16 characters!";
constexpr const char* kOutputMessage = "Bad output buffer";
constexpr const char* kHexMessage =
    "Input text contains a non-hexadecimal character!";

// Published pair for key 01..01: plaintext 80 00.. enciphers to this.
constexpr const char* kOnesKey = "0101010101010101";
constexpr const char* kPlainRow0 = "8000000000000000";
constexpr const char* kCipherRow0 = "95F8A5E5DD31D900";
constexpr const char* kPlainRow1 = "4000000000000000";
constexpr const char* kCipherRow1 = "DD7F121CA5015619";

DesCipher ScheduledCipher(const char* keyHex) {
  DesCipher cipher;
  cipher.skipParityCheck = true;
  cipher.ScheduleKeys(BlockFromHex(keyHex).data());
  return cipher;
}

// Runs DecryptHex and returns the plaintext as hex; the array is released
// here, so a test that leaks shows up as a failing expectation, not a leak.
std::string DecryptToHex(const DesCipher& cipher, std::string_view text) {
  std::uint8_t* raw = nullptr;
  std::size_t length = 12345;
  cipher.DecryptHex(text, &raw, &length);
  std::unique_ptr<std::uint8_t[]> owned(raw);
  EXPECT_NE(raw, nullptr);
  if (raw == nullptr) return "";
  return HexFromBytes(std::vector<std::uint8_t>(raw, raw + length));
}

// The message DecryptHex raises, or "" if it raises nothing.
std::string DecryptHexMessage(std::string_view text, bool giveResult = true) {
  const DesCipher cipher = ScheduledCipher(kOnesKey);
  std::uint8_t* raw = nullptr;
  try {
    cipher.DecryptHex(text, giveResult ? &raw : nullptr, nullptr);
  } catch (const DesCryptException& e) {
    EXPECT_EQ(raw, nullptr) << "result written despite the failure";
    return e.Message();
  }
  delete[] raw;
  return "";
}

std::string KeyFromText(const char* text, bool* oddParity = nullptr) {
  Block key{};
  const bool result = DesCipher::SetKeyText(text, key.data());
  if (oddParity != nullptr) *oddParity = result;
  return std::string(key.begin(), key.end());
}

// --- DecryptHex ------------------------------------------------------------

TEST(DesDecryptHex, DecodesBlocksInOrderAndKeepsEveryByte) {
  const DesCipher cipher = ScheduledCipher(kOnesKey);
  EXPECT_EQ(DecryptToHex(cipher, std::string(kCipherRow0) + kCipherRow1),
            std::string(kPlainRow0) + kPlainRow1);
  // Electronic codebook: the same block at two positions gives the same
  // plaintext, and nothing (filler included) is trimmed.
  EXPECT_EQ(DecryptToHex(cipher, std::string(kCipherRow1) + kCipherRow0 +
                                     kCipherRow1),
            std::string(kPlainRow1) + kPlainRow0 + kPlainRow1);
}

TEST(DesDecryptHex, UpperAndLowerCaseDigitsDecodeAlike) {
  const DesCipher cipher = ScheduledCipher(kOnesKey);
  EXPECT_EQ(DecryptToHex(cipher, "95f8a5e5dd31d900"), kPlainRow0);
  EXPECT_EQ(DecryptToHex(cipher, "95F8a5E5dD31d900"), kPlainRow0);
}

TEST(DesDecryptHex, EmptyTextGivesEmptyResult) {
  const DesCipher cipher = ScheduledCipher(kOnesKey);
  std::uint8_t* raw = nullptr;
  std::size_t length = 99;
  cipher.DecryptHex(std::string_view(), &raw, &length);
  std::unique_ptr<std::uint8_t[]> owned(raw);
  EXPECT_EQ(length, 0u);
  EXPECT_NE(raw, nullptr);
}

TEST(DesDecryptHex, LengthIsOptional) {
  const DesCipher cipher = ScheduledCipher(kOnesKey);
  std::uint8_t* raw = nullptr;
  cipher.DecryptHex(kCipherRow0, &raw, nullptr);
  std::unique_ptr<std::uint8_t[]> owned(raw);
  ASSERT_NE(raw, nullptr);
  EXPECT_EQ(raw[0], 0x80);
}

// The configuration entry's bytes are not terminated: only the given length
// counts, whatever follows it in memory.
TEST(DesDecryptHex, ReadsOnlyTheGivenLength) {
  const DesCipher cipher = ScheduledCipher(kOnesKey);
  const std::string buffer = std::string(kCipherRow0) + kCipherRow1 + "ZZ";
  EXPECT_EQ(DecryptToHex(cipher, std::string_view(buffer.data(), 16)),
            kPlainRow0);
  // Guard bytes that are not hex right behind the text are never examined.
  const std::vector<char> unterminated = {'9', '5', 'F', '8', 'A', '5', 'E',
                                          '5', 'D', 'D', '3', '1', 'D', '9',
                                          '0', '0', 'x'};
  EXPECT_EQ(DecryptToHex(cipher, std::string_view(unterminated.data(), 16)),
            kPlainRow0);
}

struct HexErrorCase {
  const char* name;
  std::string text;
  bool giveResult;
  const char* message;
};

void PrintTo(const HexErrorCase& c, std::ostream* os) { *os << c.name; }

class DesDecryptHexErrors : public ::testing::TestWithParam<HexErrorCase> {};

TEST_P(DesDecryptHexErrors, RaisesTheFirstFailingCheck) {
  EXPECT_EQ(DecryptHexMessage(GetParam().text, GetParam().giveResult),
            GetParam().message);
}

const std::string kValid16 = kCipherRow0;

INSTANTIATE_TEST_SUITE_P(
    Rules, DesDecryptHexErrors,
    ::testing::Values(
        HexErrorCase{"Length17", kValid16 + "0", true, kLengthMessage},
        HexErrorCase{"Length8", "95F8A5E5", true, kLengthMessage},
        // The length is checked before any character or the output place.
        HexErrorCase{"LengthBeforeCharacters", "ZZZZZZZZZZZZZZZZZ", true,
                     kLengthMessage},
        HexErrorCase{"LengthBeforeOutput", "123", false, kLengthMessage},
        // The output place is checked before any character is decoded.
        HexErrorCase{"OutputBeforeCharacters", "ZZZZZZZZZZZZZZZZ", false,
                     kOutputMessage},
        HexErrorCase{"NoOutputPlace", kValid16, false, kOutputMessage},
        HexErrorCase{"TrailingLineBreak", "95F8A5E5DD31D90\n", true,
                     kHexMessage},
        HexErrorCase{"Space", "95F8A5E5 D31D900", true, kHexMessage},
        HexErrorCase{"LetterBeyondF", "95F8A5E5DD31D90G", true, kHexMessage},
        HexErrorCase{"BadCharacterInLaterBlock", kValid16 + "95F8A5E5DD31D9g0",
                     true, kHexMessage},
        HexErrorCase{"EmbeddedNul", std::string("95F8A5E5\0D31D900", 16), true,
                     kHexMessage}),
    [](const ::testing::TestParamInfo<HexErrorCase>& info) {
      return std::string(info.param.name);
    });

// Every character outside the three digit ranges is refused, including the
// neighbours of each range and bytes with the top bit set.
TEST(DesHexDigitValue, AcceptsExactlyTheHexDigits) {
  for (int c = 0; c < 256; ++c) {
    const char character = static_cast<char>(c);
    int expected = -1;
    if (c >= '0' && c <= '9') expected = c - '0';
    if (c >= 'A' && c <= 'F') expected = c - 'A' + 10;
    if (c >= 'a' && c <= 'f') expected = c - 'a' + 10;
    int actual = -1;
    try {
      actual = DesCipher::HexDigitValue(character);
    } catch (const DesCryptException& e) {
      EXPECT_STREQ(e.Message(), kHexMessage);
    }
    EXPECT_EQ(actual, expected) << "character code " << c;
  }
}

// --- Key text ----------------------------------------------------------------

TEST(DesSetKeyText, TakesAtMostEightBytesPaddedWithSpaces) {
  EXPECT_EQ(KeyFromText("pkg123.xml12"), "pkg123.x");
  EXPECT_EQ(KeyFromText("abcde"), "abcde   ");
  EXPECT_EQ(KeyFromText("abcdefgh"), "abcdefgh");
  EXPECT_EQ(KeyFromText(""), "        ");
  EXPECT_EQ(KeyFromText(nullptr), "        ");
}

TEST(DesSetKeyText, ClearsTopBitOnlyWhenNoByteHasOddParity) {
  // 0xC3 and 'c' (0x63) both have four 1 bits.
  bool odd = false;
  EXPECT_EQ(KeyFromText("\xC3" "ccccccc", &odd), "\x43" "ccccccc");
  EXPECT_TRUE(odd);
  // Bytes past the eighth take no part in the decision.
  EXPECT_EQ(KeyFromText("\xC3" "cccccccbbbb", &odd), "\x43" "ccccccc");
  // One odd byte ('b' = 0x62) anywhere: the key is used as made.
  EXPECT_EQ(KeyFromText("\xC3" "ccccccb", &odd), "\xC3" "ccccccb");
  EXPECT_TRUE(odd);
  // A padding space (0x20) is itself an odd byte.
  EXPECT_EQ(KeyFromText("\xC3" "cc", &odd), "\xC3" "cc     ");
  EXPECT_TRUE(odd);
  // All even but the top bit clear: unchanged, and reported as even.
  EXPECT_EQ(KeyFromText("cccccccc", &odd), "cccccccc");
  EXPECT_FALSE(odd);
}

TEST(DesHasOddParityByte, LooksAtEveryByte) {
  const Block even = BlockFromHex("0003050FFF3CC000");
  EXPECT_FALSE(DesCipher::HasOddParityByte(even.data()));
  for (std::size_t i = 0; i < 8; ++i) {
    Block key = even;
    key[i] ^= 0x10;
    EXPECT_TRUE(DesCipher::HasOddParityByte(key.data())) << "byte " << i;
  }
}

// --- Key schedule ------------------------------------------------------------

TEST(DesScheduleKeys, RejectsAnyEvenByteUnlessParityIsSkipped) {
  for (std::size_t i = 0; i < 8; ++i) {
    Block key = BlockFromHex(kOnesKey);
    key[i] = 0x03;
    DesCipher cipher;
    std::memset(cipher.subkeys, 0xA5, sizeof cipher.subkeys);
    EXPECT_FALSE(cipher.ScheduleKeys(key.data())) << "byte " << i;
    EXPECT_FALSE(cipher.keyScheduled);
    EXPECT_EQ(cipher.subkeys[0][0], 0xA5) << "subkeys changed on rejection";
    EXPECT_EQ(cipher.subkeys[15][5], 0xA5) << "subkeys changed on rejection";

    cipher.skipParityCheck = true;
    EXPECT_TRUE(cipher.ScheduleKeys(key.data())) << "byte " << i;
    EXPECT_TRUE(cipher.keyScheduled);
  }
}

TEST(DesScheduleKeys, ParityBitsTakeNoPart) {
  DesCipher withParity = ScheduledCipher("0123456789ABCDEF");
  DesCipher withoutParity = ScheduledCipher("0022446688AACCEE");
  EXPECT_EQ(0, std::memcmp(withParity.subkeys, withoutParity.subkeys,
                           sizeof withParity.subkeys));
  // Text keys: "a" (0x61) and "`" (0x60) differ only in the parity bit.
  Block keyA{};
  Block keyB{};
  DesCipher::SetKeyText("a", keyA.data());
  DesCipher::SetKeyText("`", keyB.data());
  DesCipher cipherA;
  DesCipher cipherB;
  cipherA.skipParityCheck = cipherB.skipParityCheck = true;
  cipherA.ScheduleKeys(keyA.data());
  cipherB.ScheduleKeys(keyB.data());
  EXPECT_EQ(0, std::memcmp(cipherA.subkeys, cipherB.subkeys,
                           sizeof cipherA.subkeys));
}

// --- Permutation and the block function --------------------------------------

TEST(DesPermute, FollowsTheTableAndClearsTheDestination) {
  const std::uint8_t reverse[8] = {8, 7, 6, 5, 4, 3, 2, 1};
  const std::uint8_t source[1] = {0xB1};  // 1011 0001
  std::uint8_t destination[2] = {0xFF, 0xEE};
  DesCipher::Permute(reverse, 8, source, 1, destination);
  EXPECT_EQ(destination[0], 0x8D);  // 1000 1101
  EXPECT_EQ(destination[1], 0xEE) << "wrote past count / 8 bytes";

  // Bits 9 to 16 of a two-byte source, and a number past the source reads 0.
  const std::uint8_t picks[8] = {9, 16, 1, 17, 200, 10, 11, 12};
  const std::uint8_t twoBytes[2] = {0x80, 0xF1};  // bits 1 and 9-12, 16
  DesCipher::Permute(picks, 8, twoBytes, 2, destination);
  EXPECT_EQ(destination[0], 0xE7);  // 1 1 1 0 0 1 1 1
}

TEST(DesCryptBlock, SubkeyOrderDecidesTheDirection) {
  const DesCipher cipher = ScheduledCipher("133457799BBCDFF1");
  const std::uint8_t* forward[16];
  const std::uint8_t* backward[16];
  for (std::size_t n = 0; n < 16; ++n) {
    forward[n] = cipher.subkeys[n];
    backward[n] = cipher.subkeys[15 - n];
  }
  // A widely published worked example: key 133457799BBCDFF1, plaintext
  // 0123456789ABCDEF.
  Block out{};
  DesCipher::CryptBlock(forward, BlockFromHex("0123456789ABCDEF").data(),
                        out.data());
  EXPECT_EQ(HexFromBlock(out), "85E813540F0AB405");
  Block back{};
  DesCipher::CryptBlock(backward, out.data(), back.data());
  EXPECT_EQ(HexFromBlock(back), "0123456789ABCDEF");
}

// --- Encrypting side and the round trip -------------------------------------

TEST(DesEncryptHex, RoundTripsThroughDecryptHexWithFiller) {
  Block key{};
  DesCipher::SetKeyText("pkg123.xml", key.data());
  DesCipher cipher;
  cipher.skipParityCheck = true;
  ASSERT_TRUE(cipher.ScheduleKeys(key.data()));

  const std::string config = "[setup]\r\nmode=1\r\n";  // 17 bytes
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(config.data());
  const std::string text = cipher.EncryptHex(bytes, config.size(), 0x20);
  ASSERT_EQ(text.size(), 48u);
  EXPECT_EQ(text.find_first_not_of("0123456789ABCDEF"), std::string::npos);

  std::uint8_t* raw = nullptr;
  std::size_t length = 0;
  cipher.DecryptHex(text, &raw, &length);
  std::unique_ptr<std::uint8_t[]> owned(raw);
  ASSERT_EQ(length, 24u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(raw), length),
            config + std::string(7, ' '));
}

TEST(DesEncryptHex, MatchesThePublishedBlockAndHandlesEmptyInput) {
  const DesCipher cipher = ScheduledCipher(kOnesKey);
  const Block plain = BlockFromHex(kPlainRow0);
  EXPECT_EQ(cipher.EncryptHex(plain.data(), plain.size()), kCipherRow0);
  EXPECT_EQ(cipher.EncryptHex(nullptr, 0), "");
  // A single 0x80 byte completed with zero filler is the same block.
  EXPECT_EQ(cipher.EncryptHex(plain.data(), 1), kCipherRow0);
}

// --- Exception -----------------------------------------------------------------

TEST(DesCryptExceptionTest, CopiesAndCutsItsMessage) {
  std::string text = "Bad output buffer";
  const DesCryptException copied(text.c_str());
  text[0] = 'X';
  EXPECT_STREQ(copied.Message(), "Bad output buffer");

  const std::string longText(2000, 'm');
  const DesCryptException cut(longText.c_str());
  EXPECT_EQ(std::string(cut.Message()), std::string(1023, 'm'));
  const DesCryptException thrownCopy = cut;
  EXPECT_EQ(std::strlen(thrownCopy.Message()), 1023u);
}

}  // namespace
