#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Writes a single-disk ZIP archive after a prefix (the stub program), with
// every recorded offset counted from the start of the whole file, so the
// result can be read by a reader that takes offsets as absolute positions.
// Portable C++17 and zlib: no Win32 calls, builds for Linux and Windows.
namespace kzppack {

using Bytes = std::vector<std::uint8_t>;

// Appends a 16- or 32-bit field, little-endian, as every ZIP record stores
// its numbers.
void PutU16(Bytes& out, std::uint16_t value);
void PutU32(Bytes& out, std::uint32_t value);

constexpr std::uint16_t kMethodStored = 0;
constexpr std::uint16_t kMethodDeflated = 8;

// DOS date and time (local time) of 1 January 1980, 00:00:00.
constexpr std::uint16_t kDosEpochDate = 0x0021;
constexpr std::uint16_t kDosEpochTime = 0x0000;

// One member as it is to be written. The name is stored as the given bytes,
// without any conversion or check, so tests can write hostile names. Data is
// deflated for kMethodDeflated and written as given for any other method, so
// an unsupported method can be written too. Flags are written as given: the
// writer adds none of its own (never bit 3, so there are no data descriptors).
// Names, extra fields and comments longer than 65,535 bytes are cut to fit
// their 16-bit length fields.
struct ZipEntrySpec {
  std::string name;
  Bytes data;
  std::uint16_t method = kMethodDeflated;
  std::uint16_t dosTime = kDosEpochTime;
  std::uint16_t dosDate = kDosEpochDate;
  std::uint32_t externalAttributes = 0x20;  // FILE_ATTRIBUTE_ARCHIVE
  std::uint16_t versionMadeBy = 20;
  std::uint16_t versionNeeded = 20;
  std::uint16_t flags = 0;
  std::string extra;    // written in both the local and the central record
  std::string comment;  // central record only
};

// Where each record landed in the finished file (absolute offsets), so that
// damage can be aimed at one field of one record.
struct ZipLayout {
  struct Entry {
    std::uint32_t localHeader = 0;
    std::uint32_t dataOffset = 0;
    std::uint32_t compressedSize = 0;
    std::uint32_t centralHeader = 0;
    std::uint32_t uncompressedSize = 0;
    std::uint32_t crc = 0;
  };
  std::vector<Entry> entries;
  std::uint32_t archiveStart = 0;  // the prefix size: first byte of the ZIP
  std::uint32_t centralDirectory = 0;
  std::uint32_t centralDirectorySize = 0;
  std::uint32_t endRecord = 0;
  std::uint32_t fileSize = 0;
};

class ZipWriter {
 public:
  explicit ZipWriter(Bytes prefix = {});

  void Add(ZipEntrySpec entry);
  // Convenience: a file entry with the given bytes, deflated by default.
  void AddFile(const std::string& name, const std::string& data,
               std::uint16_t method = kMethodDeflated);
  // A folder entry ("name/" with no data, stored).
  void AddFolder(const std::string& name);
  void SetComment(std::string comment);

  // The prefix followed by the archive. Fills layout when given. Empty when
  // compression fails (zlib out of memory); a finished file never is, as the
  // end record alone takes 22 bytes. There is no ZIP64: the whole file must
  // stay below 4 GiB and below 65,536 entries.
  Bytes Finish(ZipLayout* layout = nullptr) const;

 private:
  Bytes prefix_;
  std::vector<ZipEntrySpec> entries_;
  std::string comment_;
};

// Standard ZIP CRC-32 of a byte range.
std::uint32_t Crc32(const std::uint8_t* data, std::size_t size);

// DOS date and time fields for a calendar time (local time, 1980..2107).
// DOS time counts seconds in twos, so an odd second rounds down. Values out
// of range are not checked; they are masked into their bit fields.
std::uint16_t DosDate(int year, int month, int day);
std::uint16_t DosTime(int hour, int minute, int second);

}  // namespace kzppack
