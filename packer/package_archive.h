#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "archive/utf8_name_flag.h"
#include "packer/file_access.h"
#include "packer/package_contents.h"

// A built package read back with the stub's own archive rules: its record
// decoders, name check and directory checks, in the same order, so that
// the packer refuses exactly what the stub refuses, and reads every
// package that `build` writes (sizes up to 4 GiB less one byte; without
// ZIP64, 0xFFFFFFFF is a size like any other). Portable: the same on Linux
// and Windows.
namespace kzppack {

struct ArchiveEntryInfo {
  std::string name;  // as stored
  std::uint32_t flags = 0;
  std::uint32_t method = 0;
  std::uint32_t dosDate = 0;
  std::uint32_t dosTime = 0;
  std::uint32_t crc = 0;
  std::uint32_t size = 0;  // uncompressed
  std::uint32_t packedSize = 0;
  std::uint32_t attributes = 0;  // external attributes
  std::uint32_t dataOffset = 0;

  // Marked as UTF-8 (flag bit 11).
  bool utf8Name() const { return kzpzip::HasUtf8NameFlag(flags); }
};

struct ArchiveListing {
  // The stub's result for opening the package (0, or its negative code;
  // ZIP_E_OPEN when the file cannot be opened at all) and why, in words;
  // the entries only when it opens.
  int result = 0;
  std::string error;
  std::vector<ArchiveEntryInfo> entries;
};

// Opens the package as the stub does at start.
ArchiveListing ListArchive(const std::filesystem::path& package);

// The stub's result for decoding one entry of a package whole, as
// extraction decodes it (0: the declared size comes out with its CRC-32);
// why in words when it does not. With bytes, they are kept. The package is
// opened once for all its entries.
int DecodeArchiveEntry(InputFile& package, const ArchiveEntryInfo& entry, Bytes* bytes,
                       std::string& why);

// The name of a compression method for people ("deflated", "bzip2"); null
// for a number without one.
const char* MethodName(std::uint32_t method);

// The entries of a package that opens, to check it as it is; names not
// marked as UTF-8 are read in the code page given (0: ASCII).
PackageContents ArchiveContents(const std::filesystem::path& package, int codePage,
                                const ArchiveListing& listing);

// What keeps the stub from extracting the package, as errors: that it does
// not open at all; else, entry by entry, an unsupported method,
// encryption, a name it refuses, a file where a folder goes, data that
// does not decode to its size and CRC-32 (each entry is decoded once). As
// warnings, what it extracts otherwise than meant: names that depend on
// the machine's code page, two entries for one file.
std::vector<Finding> CheckArchive(const std::filesystem::path& package,
                                  const ArchiveListing& listing, int codePage);

// An entry name for people: decoded as UTF-8 when it is marked so, else in
// the code page (0: ASCII); bytes that do not decode as \xNN.
std::string DisplayName(int codePage, const std::string& name, bool utf8Name = false);

}  // namespace kzppack
