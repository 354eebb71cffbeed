#pragma once

#include <cstdint>

namespace kzpzip {

// General-purpose flag bit 11: the entry's name is UTF-8 (7-Zip, WinRAR,
// WinZip, Info-ZIP and kzppack mark such names). Portable, for the stub's
// readers of names (archive/entry_name.h) and for kzppack alike.
constexpr std::uint32_t kFlagUtf8Name = 0x0800;

constexpr bool HasUtf8NameFlag(std::uint32_t flags) { return (flags & kFlagUtf8Name) != 0; }

}  // namespace kzpzip
