#include "archive/directory_rules.h"

#include <cstring>

#include "archive/zip_result.h"

namespace kzpzip {

bool IsReachable(std::uint32_t position) { return position <= 0x7FFFFFFFu; }

bool EndRecordWindow(std::uint32_t limit, std::uint32_t* start, std::uint32_t* size) {
  *size = limit < kEndRecordSearchSpan ? limit : kEndRecordSearchSpan;
  *start = limit - *size;
  return *size > 4;
}

bool IsWholeEndRecord(const ZipEndRecord& record, std::uint32_t got) {
  return record.signature == kEndRecordSignature && got >= kEndRecordSize;
}

bool SpansSeveralDisks(const ZipEndRecord& record) {
  return record.entriesOnDisk != record.totalEntries || record.centralDirDisk != 0 ||
         record.thisDisk != 0;
}

int ResultWithoutDirectory(std::uint32_t totalEntries) {
  return totalEntries == 0 ? ZIP_OK : ZIP_E_BAD_ARCHIVE;
}

bool LocalHeaderAgrees(const ZipCentralHeader& central, const std::uint8_t* centralName,
                       const ZipLocalHeader& local, const std::uint8_t* localName) {
  return local.shared == central.shared && local.nameLength == central.nameLength &&
         std::memcmp(localName, centralName, local.nameLength) == 0;
}

std::uint32_t DataOffsetOf(std::uint32_t localHeaderOffset, const ZipLocalHeader& local) {
  return localHeaderOffset + kLocalHeaderSize + local.nameLength + local.extraLength;
}

ZipFileSpan MemberSpan(std::uint32_t localHeaderOffset, std::uint32_t dataOffset,
                       std::uint32_t compressedSize) {
  return {localHeaderOffset, std::uint64_t{dataOffset} + compressedSize};
}

}  // namespace kzpzip
