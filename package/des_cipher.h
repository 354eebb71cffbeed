#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "package/des_crypt_exception.h"

// DES (FIPS 46-3) in electronic codebook mode, for the package's encrypted
// configuration file: hex text of 8-byte cipher blocks, keyed by a text.
// Portable C++17 with no platform calls, so the packer encrypts with the
// same code that the stub decrypts with.
//
// A plain value: the stub makes one on its stack per decryption, sets
// skipParityCheck, schedules a key and discards it afterwards.
class DesCipher {
 public:
  static constexpr std::size_t kKeyBytes = 8;
  static constexpr std::size_t kBlockBytes = 8;
  static constexpr std::size_t kSubkeyBytes = 6;
  static constexpr std::size_t kRounds = 16;

  // K1 to K16, each 48 bits, most significant bit first.
  std::uint8_t subkeys[kRounds][kSubkeyBytes] = {};
  // ScheduleKeys accepts key bytes of even parity.
  bool skipParityCheck = false;
  // ScheduleKeys has filled subkeys.
  bool keyScheduled = false;

  // Makes an 8-byte key from a narrow text: its first 8 bytes, padded with
  // spaces; a null text counts as empty. When no byte has odd parity, the
  // top bit of the first byte is cleared. Returns HasOddParityByte of the
  // final key.
  static bool SetKeyText(const char* text, std::uint8_t key[kKeyBytes]);

  // Derives K1 to K16 from the key. Unless skipParityCheck is set, a key
  // byte of even parity makes it return false with the subkeys unchanged.
  bool ScheduleKeys(const std::uint8_t key[kKeyBytes]);

  // Deciphers hex text (a multiple of 16 hexadecimal digits, nothing else)
  // block by block. The text is taken with its length and never read past
  // it; it need not be terminated. On return *result owns a new array of
  // text.size() / 2 bytes (release with delete[]) and *resultLength, if
  // given, holds that count. Checks run in this order: the length, then the
  // output place, then every character.
  // Throws DesCryptException.
  void DecryptHex(std::string_view text, std::uint8_t** result,
                  std::size_t* resultLength) const;

  // Runs one block through the sixteen iterations with the subkeys in the
  // given order: K1..K16 enciphers, K16..K1 deciphers.
  static void CryptBlock(const std::uint8_t* const subkeyOrder[kRounds],
                         const std::uint8_t input[kBlockBytes],
                         std::uint8_t output[kBlockBytes]);

  // Destination bit i (1-based, most significant bit of byte 0 first)
  // becomes source bit table[i - 1], as FIPS 46-3 prints its tables. The
  // destination's bytes are cleared first. A table entry beyond the
  // source's bits reads as 0 rather than past the source.
  static void Permute(const std::uint8_t* table, std::size_t count,
                      const std::uint8_t* source, std::size_t sourceBytes,
                      std::uint8_t* destination);

  // True if any of the 8 key bytes has an odd number of 1 bits.
  static bool HasOddParityByte(const std::uint8_t key[kKeyBytes]);

  // 0 to 15 for "0"-"9", "A"-"F", "a"-"f". Throws DesCryptException.
  static std::uint8_t HexDigitValue(char character);

  // --- Encrypting side, used by the packer (the stub only decrypts). ---

  // One block with K1..K16, and its inverse with K16..K1.
  void EncryptBlock(const std::uint8_t input[kBlockBytes],
                    std::uint8_t output[kBlockBytes]) const;
  void DecryptBlock(const std::uint8_t input[kBlockBytes],
                    std::uint8_t output[kBlockBytes]) const;

  // Enciphers the bytes block by block and returns upper-case hex text that
  // DecryptHex accepts. A short last block is completed with `filler`
  // bytes, which the decrypting side keeps.
  std::string EncryptHex(const std::uint8_t* data, std::size_t length,
                         std::uint8_t filler = 0) const;
};
