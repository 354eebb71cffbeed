#pragma once

#include <cstddef>
#include <cstdint>

// Fixed parts of the three ZIP records this reader uses, decoded from bytes
// already in memory. All integers are little-endian whatever the host.
namespace kzpzip {

constexpr std::uint32_t kEndRecordSignature = 0x06054B50;
constexpr std::uint32_t kCentralHeaderSignature = 0x02014B50;
constexpr std::uint32_t kLocalHeaderSignature = 0x04034B50;

constexpr std::uint32_t kEndRecordSize = 22;
constexpr std::uint32_t kCentralHeaderSize = 46;
constexpr std::uint32_t kLocalHeaderSize = 30;

// The end record must start within this many bytes of the end of the file.
constexpr std::uint32_t kEndRecordSearchSpan = 0xFFFF;

std::uint16_t ReadU16(const std::uint8_t* bytes);
std::uint32_t ReadU32(const std::uint8_t* bytes);

struct ZipEndRecord {
  std::uint32_t signature = 0;
  std::uint32_t thisDisk = 0;
  std::uint32_t centralDirDisk = 0;
  std::uint32_t entriesOnDisk = 0;
  std::uint32_t totalEntries = 0;
  std::uint32_t centralDirSize = 0;
  std::uint32_t centralDirOffset = 0;
  std::uint32_t commentLength = 0;
};

// The fields that a local header and its central record both carry.
struct ZipSharedFields {
  std::uint32_t versionNeeded = 0;
  std::uint32_t flags = 0;
  std::uint32_t compressionMethod = 0;
  std::uint32_t lastModTime = 0;
  std::uint32_t lastModDate = 0;
  std::uint32_t crc = 0;
  std::uint32_t compressedSize = 0;
  std::uint32_t uncompressedSize = 0;
};

bool operator==(const ZipSharedFields& a, const ZipSharedFields& b);

struct ZipCentralHeader {
  std::uint32_t signature = 0;
  std::uint32_t versionMadeBy = 0;
  ZipSharedFields shared;
  std::uint32_t nameLength = 0;
  std::uint32_t extraLength = 0;
  std::uint32_t commentLength = 0;
  std::uint32_t diskNumberStart = 0;
  std::uint32_t internalAttributes = 0;
  std::uint32_t externalAttributes = 0;
  std::uint32_t localHeaderOffset = 0;
};

struct ZipLocalHeader {
  std::uint32_t signature = 0;
  ZipSharedFields shared;
  std::uint32_t nameLength = 0;
  std::uint32_t extraLength = 0;
};

// Each decoder reads exactly its record's fixed size from bytes.
ZipEndRecord DecodeEndRecord(const std::uint8_t* bytes);
ZipCentralHeader DecodeCentralHeader(const std::uint8_t* bytes);
ZipLocalHeader DecodeLocalHeader(const std::uint8_t* bytes);

constexpr std::size_t kNoEndSignature = static_cast<std::size_t>(-1);

// Offset of the end-record signature nearest to the end of the window (the
// signature lying wholly inside it), or kNoEndSignature.
std::size_t FindLastEndSignature(const std::uint8_t* window, std::size_t size);

}  // namespace kzpzip
