#pragma once

#include <cstdint>
#include <string>

// A 64-bit count in decimal: wsprintfW, which formats every other number
// the program shows or logs, has no 64-bit field.
inline std::wstring DecimalText(std::uint64_t value) {
  wchar_t digits[21] = {};
  wchar_t* at = digits + 20;
  do {
    *--at = static_cast<wchar_t>(L'0' + value % 10);
    value /= 10;
  } while (value != 0);
  return at;
}
