#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "packer/package_contents.h"

// A built package read back with libzip: the packer's second opinion on the
// archive, independent of the stub's own reader (and of the writer).
namespace kzppack {

struct ArchiveEntryInfo {
  std::string name;  // as stored
  bool utf8Name = false;  // marked as UTF-8 (flag bit 11)
  std::uint64_t size = 0;
  std::uint64_t packedSize = 0;
  std::uint16_t method = 0;
  std::uint32_t crc = 0;
  std::int64_t modified = 0;  // seconds, from the DOS time as local time
  std::uint32_t attributes = 0;
};

struct ArchiveListing {
  std::vector<ArchiveEntryInfo> entries;
  std::string error;  // why it could not be read; empty when it could
};

ArchiveListing ListArchive(const std::filesystem::path& package);

// The package's entries, to check it as it is; names not marked as UTF-8
// are taken to be in the code page given (0: ASCII).
PackageContents ArchiveContents(const std::filesystem::path& package, int codePage,
                                std::string& error);

}  // namespace kzppack
