#pragma once

#include <array>
#include <cstdint>
#include <string>

// Hex conversions for the tests, written apart from the codec's own so a
// fault in the codec's hex handling cannot hide in the expectations.
namespace kzptest {

using Block = std::array<std::uint8_t, 8>;

inline std::uint8_t NibbleFromHex(char c) {
  if (c >= '0' && c <= '9') return static_cast<std::uint8_t>(c - '0');
  if (c >= 'A' && c <= 'F') return static_cast<std::uint8_t>(c - 'A' + 10);
  return static_cast<std::uint8_t>(c - 'a' + 10);
}

inline Block BlockFromHex(const std::string& hex) {
  Block block{};
  for (std::size_t i = 0; i < block.size() && 2 * i + 1 < hex.size(); ++i) {
    block[i] = static_cast<std::uint8_t>(NibbleFromHex(hex[2 * i]) * 16 +
                                         NibbleFromHex(hex[2 * i + 1]));
  }
  return block;
}

template <typename Bytes>
std::string HexFromBytes(const Bytes& bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  for (std::uint8_t byte : bytes) {
    hex += kDigits[byte >> 4];
    hex += kDigits[byte & 0xF];
  }
  return hex;
}

inline std::string HexFromBlock(const Block& block) {
  return HexFromBytes(block);
}

}  // namespace kzptest
