#pragma once

#include <cstdint>

namespace kzpzip {

constexpr std::uint32_t kMethodStored = 0;
constexpr std::uint32_t kMethodDeflated = 8;
// General-purpose flag bit 0: the data is encrypted (strong encryption
// sets it as well).
constexpr std::uint32_t kFlagEncrypted = 0x0001;

// True when this program can decode an entry's data: stored or deflated,
// and not encrypted. Both are known from the directory, so an archive with
// data that cannot come out is refused before anything is written.
constexpr bool IsDecodableEntry(std::uint32_t flags, std::uint32_t compressionMethod) {
  return (flags & kFlagEncrypted) == 0 &&
         (compressionMethod == kMethodStored || compressionMethod == kMethodDeflated);
}

}  // namespace kzpzip
