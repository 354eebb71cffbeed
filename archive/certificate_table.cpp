#include "archive/certificate_table.h"

#include <algorithm>

#include "archive/zip_records.h"

namespace kzpzip {

namespace {

constexpr std::uint32_t kLfanewField = 0x3C;
constexpr std::uint32_t kSizeOfOptionalHeaderField = 4 + 16;
constexpr std::uint32_t kOptionalHeader = 4 + 20;
constexpr std::uint32_t kMagicPe32 = 0x10B;
constexpr std::uint32_t kMagicPe32Plus = 0x20B;
constexpr std::uint32_t kSecurityDirectory = 4;  // index in the data directories

}  // namespace

std::uint32_t DecodePeHeaderOffset(const std::uint8_t* dosHeader, std::size_t size) {
  if (size < kDosHeaderSize || dosHeader[0] != 'M' || dosHeader[1] != 'Z') return 0;
  return ReadU32(dosHeader + kLfanewField);
}

bool DecodeCertificateTable(const std::uint8_t* peHeaders, std::size_t size,
                            std::uint32_t* offset, std::uint32_t* length) {
  *offset = 0;
  *length = 0;
  if (size < kOptionalHeader + 2 || ReadU32(peHeaders) != 0x00004550) return false;  // "PE\0\0"
  const std::uint32_t optionalSize = ReadU16(peHeaders + kSizeOfOptionalHeaderField);
  const std::uint32_t magic = ReadU16(peHeaders + kOptionalHeader);
  // The count of data directories and the directories themselves sit 16
  // bytes further on in the 64-bit header, whose image base is 8 bytes.
  std::uint32_t countField = 0;
  if (magic == kMagicPe32) {
    countField = 92;
  } else if (magic == kMagicPe32Plus) {
    countField = 108;
  } else {
    return false;
  }
  const std::uint32_t entry = countField + 4 + kSecurityDirectory * 8;
  if (optionalSize < entry + 8 || size < kOptionalHeader + entry + 8) return false;
  if (ReadU32(peHeaders + kOptionalHeader + countField) <= kSecurityDirectory) return false;
  *offset = ReadU32(peHeaders + kOptionalHeader + entry);
  *length = ReadU32(peHeaders + kOptionalHeader + entry + 4);
  return *offset != 0 && *length != 0;
}

std::uint32_t FindArchiveLimit(ZipReadAt read, void* source, std::uint32_t fileSize) {
  std::uint8_t dosHeader[kDosHeaderSize] = {};
  std::uint32_t got = 0;
  if (!read(source, 0, dosHeader, sizeof dosHeader, &got)) return fileSize;
  const std::uint32_t peOffset = DecodePeHeaderOffset(dosHeader, got);
  if (peOffset == 0 || peOffset >= fileSize) return fileSize;

  std::uint8_t peHeaders[kPeHeadersSize] = {};
  if (!read(source, peOffset, peHeaders, sizeof peHeaders, &got)) return fileSize;
  std::uint32_t offset = 0;
  std::uint32_t length = 0;
  if (!DecodeCertificateTable(peHeaders, got, &offset, &length)) return fileSize;
  // A table said to start beyond the end of the file is not there: such a
  // file carries no signature that could vouch for anything.
  return std::min(offset, fileSize);
}

}  // namespace kzpzip
