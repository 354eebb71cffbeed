#pragma once

#include <cstdint>
#include <cstring>

#include "archive/file_spans.h"
#include "archive/zip_records.h"
#include "archive/zip_result.h"

// The decisions of loading an archive's directory, apart from the file
// calls that fetch its bytes: the stub's ZIP_File (zip_directory.cpp) and
// kzppack's package reader make these same decisions in the same order, so
// that kzppack check refuses exactly what the stub refuses. Portable: no
// Win32 here. Inline: each is a line or two where the stub calls it.
namespace kzpzip {

// Positions are addressed as signed 32-bit values, so anything from 2 GiB
// up cannot be reached.
inline bool IsReachable(std::uint32_t position) { return position <= 0x7FFFFFFFu; }

// The window of the file searched for the end record: the 65,535 bytes
// before limit (the end of the archive's part of the file), or all of it
// when it is shorter. False when it cannot hold a signature.
inline bool EndRecordWindow(std::uint32_t limit, std::uint32_t* start, std::uint32_t* size) {
  *size = limit < kEndRecordSearchSpan ? limit : kEndRecordSearchSpan;
  *start = limit - *size;
  return *size > 4;
}

// The end record at the signature found, read as far as the archive's part
// of the file goes (got bytes): a record cut short is damage, not a record
// whose missing fields read as 0, which would open a package that lost its
// last bytes as one without a directory, or as an empty one.
inline bool IsWholeEndRecord(const ZipEndRecord& record, std::uint32_t got) {
  return record.signature == kEndRecordSignature && got >= kEndRecordSize;
}

// Several disks, or entries on this disk other than all of them.
inline bool SpansSeveralDisks(const ZipEndRecord& record) {
  return record.entriesOnDisk != record.totalEntries || record.centralDirDisk != 0 ||
         record.thisDisk != 0;
}

// The result for an end record whose directory offset is 0, where the
// program starts: an empty archive opens; one that declares records does
// not (it fails rather than open with the records found).
inline int ResultWithoutDirectory(std::uint32_t totalEntries) {
  return totalEntries == 0 ? ZIP_OK : ZIP_E_BAD_ARCHIVE;
}

// True when the local header agrees with its central record: the eight
// fields both carry, and the names, byte for byte (case included).
inline bool LocalHeaderAgrees(const ZipCentralHeader& central, const std::uint8_t* centralName,
                              const ZipLocalHeader& local, const std::uint8_t* localName) {
  return local.shared == central.shared && local.nameLength == central.nameLength &&
         std::memcmp(localName, centralName, local.nameLength) == 0;
}

// The first byte of a member's data. Cannot wrap: a reachable header offset
// is below 2 GiB and the lengths have 16 bits.
inline std::uint32_t DataOffsetOf(std::uint32_t localHeaderOffset, const ZipLocalHeader& local) {
  return localHeaderOffset + kLocalHeaderSize + local.nameLength + local.extraLength;
}

// What a member occupies: its local header and its data.
inline ZipFileSpan MemberSpan(std::uint32_t localHeaderOffset, std::uint32_t dataOffset,
                              std::uint32_t compressedSize) {
  return {localHeaderOffset, std::uint64_t{dataOffset} + compressedSize};
}

}  // namespace kzpzip
