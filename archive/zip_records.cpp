#include "archive/zip_records.h"

namespace kzpzip {

std::uint16_t ReadU16(const std::uint8_t* bytes) {
  return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}

std::uint32_t ReadU32(const std::uint8_t* bytes) {
  return static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
         (static_cast<std::uint32_t>(bytes[2]) << 16) |
         (static_cast<std::uint32_t>(bytes[3]) << 24);
}

bool operator==(const ZipSharedFields& a, const ZipSharedFields& b) {
  return a.versionNeeded == b.versionNeeded && a.flags == b.flags &&
         a.compressionMethod == b.compressionMethod && a.lastModTime == b.lastModTime &&
         a.lastModDate == b.lastModDate && a.crc == b.crc &&
         a.compressedSize == b.compressedSize && a.uncompressedSize == b.uncompressedSize;
}

namespace {

// Central and local records hold the shared fields in the same order.
ZipSharedFields DecodeSharedFields(const std::uint8_t* bytes) {
  ZipSharedFields fields;
  fields.versionNeeded = ReadU16(bytes + 0);
  fields.flags = ReadU16(bytes + 2);
  fields.compressionMethod = ReadU16(bytes + 4);
  fields.lastModTime = ReadU16(bytes + 6);
  fields.lastModDate = ReadU16(bytes + 8);
  fields.crc = ReadU32(bytes + 10);
  fields.compressedSize = ReadU32(bytes + 14);
  fields.uncompressedSize = ReadU32(bytes + 18);
  return fields;
}

}  // namespace

ZipEndRecord DecodeEndRecord(const std::uint8_t* bytes) {
  ZipEndRecord record;
  record.signature = ReadU32(bytes + 0);
  record.thisDisk = ReadU16(bytes + 4);
  record.centralDirDisk = ReadU16(bytes + 6);
  record.entriesOnDisk = ReadU16(bytes + 8);
  record.totalEntries = ReadU16(bytes + 10);
  record.centralDirSize = ReadU32(bytes + 12);
  record.centralDirOffset = ReadU32(bytes + 16);
  record.commentLength = ReadU16(bytes + 20);
  return record;
}

ZipCentralHeader DecodeCentralHeader(const std::uint8_t* bytes) {
  ZipCentralHeader header;
  header.signature = ReadU32(bytes + 0);
  header.versionMadeBy = ReadU16(bytes + 4);
  header.shared = DecodeSharedFields(bytes + 6);
  header.nameLength = ReadU16(bytes + 28);
  header.extraLength = ReadU16(bytes + 30);
  header.commentLength = ReadU16(bytes + 32);
  header.diskNumberStart = ReadU16(bytes + 34);
  header.internalAttributes = ReadU16(bytes + 36);
  header.externalAttributes = ReadU32(bytes + 38);
  header.localHeaderOffset = ReadU32(bytes + 42);
  return header;
}

ZipLocalHeader DecodeLocalHeader(const std::uint8_t* bytes) {
  ZipLocalHeader header;
  header.signature = ReadU32(bytes + 0);
  header.shared = DecodeSharedFields(bytes + 4);
  header.nameLength = ReadU16(bytes + 26);
  header.extraLength = ReadU16(bytes + 28);
  return header;
}

std::size_t FindLastEndSignature(const std::uint8_t* window, std::size_t size) {
  for (std::size_t i = size; i >= 4; --i) {
    const std::uint8_t* candidate = window + i - 4;
    if (candidate[0] == 0x50 && candidate[1] == 0x4B && candidate[2] == 0x05 &&
        candidate[3] == 0x06) {
      return i - 4;
    }
  }
  return kNoEndSignature;
}

}  // namespace kzpzip
