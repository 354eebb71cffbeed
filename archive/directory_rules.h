#pragma once

#include <cstdint>

#include "archive/file_spans.h"
#include "archive/zip_records.h"

// The decisions of loading an archive's directory, apart from the file
// calls that fetch its bytes: the stub's ZIP_File (zip_directory.cpp) and
// kzppack's package reader make these same decisions in the same order, so
// that kzppack check refuses exactly what the stub refuses. Portable: no
// Win32 here.
namespace kzpzip {

// Positions are addressed as signed 32-bit values, so anything from 2 GiB
// up cannot be reached.
bool IsReachable(std::uint32_t position);

// The window of the file searched for the end record: the 65,535 bytes
// before limit (the end of the archive's part of the file), or all of it
// when it is shorter. False when it cannot hold a signature.
bool EndRecordWindow(std::uint32_t limit, std::uint32_t* start, std::uint32_t* size);

// The end record at the signature found, read as far as the archive's part
// of the file goes (got bytes): a record cut short is damage, not a record
// whose missing fields read as 0, which would open a package that lost its
// last bytes as one without a directory, or as an empty one.
bool IsWholeEndRecord(const ZipEndRecord& record, std::uint32_t got);
// Several disks, or entries on this disk other than all of them.
bool SpansSeveralDisks(const ZipEndRecord& record);
// The result for an end record whose directory offset is 0, where the
// program starts: an empty archive opens; one that declares records does
// not (it fails rather than open with the records found).
int ResultWithoutDirectory(std::uint32_t totalEntries);

// True when the local header agrees with its central record: the eight
// fields both carry, and the names, byte for byte (case included).
bool LocalHeaderAgrees(const ZipCentralHeader& central, const std::uint8_t* centralName,
                       const ZipLocalHeader& local, const std::uint8_t* localName);
// The first byte of a member's data. Cannot wrap: a reachable header offset
// is below 2 GiB and the lengths have 16 bits.
std::uint32_t DataOffsetOf(std::uint32_t localHeaderOffset, const ZipLocalHeader& local);
// What a member occupies: its local header and its data.
ZipFileSpan MemberSpan(std::uint32_t localHeaderOffset, std::uint32_t dataOffset,
                       std::uint32_t compressedSize);

}  // namespace kzpzip
