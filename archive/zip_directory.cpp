// Loading the central directory of a ZIP_File.
#include <algorithm>
#include <cstring>
#include <new>

#include "archive/certificate_table.h"
#include "archive/directory_reader.h"
#include "archive/directory_rules.h"
#include "archive/file_io.h"
#include "archive/file_spans.h"
#include "archive/local_header_window.h"
#include "archive/zip_file.h"
#include "archive/zip_records.h"

namespace kzpzip {

namespace {

// The read-ahead behind a local header: a window's worth when the member's
// data is small enough for the next header to follow within it.
constexpr std::uint32_t kLocalWindowSize = 64 * 1024;

// Reads the local header of one entry into it and checks it against the
// central record.
int LoadLocalHeader(CKzpLocalHeaderWindow& window, const ZipCentralHeader& central,
                    const std::uint8_t* centralName, ZIP_FileEntry& entry) {
  const std::uint32_t expected = kLocalHeaderSize + central.nameLength + central.extraLength;
  const std::uint32_t readAhead =
      central.shared.compressedSize < kLocalWindowSize ? kLocalWindowSize : expected;
  const std::uint8_t* header = nullptr;
  int result = window.View(central.localHeaderOffset, kLocalHeaderSize, readAhead, &header);
  if (result != ZIP_OK) return result;
  ZipLocalHeader local = DecodeLocalHeader(header);
  if (local.signature != kLocalHeaderSignature) return ZIP_E_BAD_ARCHIVE;
  const std::uint32_t need = kLocalHeaderSize + local.nameLength + local.extraLength;
  result = window.View(central.localHeaderOffset, need, readAhead, &header);
  if (result != ZIP_OK) return ZIP_E_BAD_ARCHIVE;

  const std::uint8_t* localName = header + kLocalHeaderSize;
  const std::uint8_t* localExtra = localName + local.nameLength;
  if (!LocalHeaderAgrees(central, centralName, local, localName)) return ZIP_E_BAD_ARCHIVE;

  entry.versionNeeded = local.shared.versionNeeded;
  entry.flags = local.shared.flags;
  entry.compressionMethod = local.shared.compressionMethod;
  entry.lastModTime = local.shared.lastModTime;
  entry.lastModDate = local.shared.lastModDate;
  entry.crc = local.shared.crc;
  entry.compressedSize = local.shared.compressedSize;
  entry.uncompressedSize = local.shared.uncompressedSize;
  if (local.nameLength > 0 &&
      !entry.SetFileName(reinterpret_cast<const char*>(localName), local.nameLength)) {
    return ZIP_E_NO_MEMORY;
  }
  if (local.extraLength > 0 &&
      !entry.SetExtraField(reinterpret_cast<const char*>(localExtra), local.extraLength)) {
    return ZIP_E_NO_MEMORY;
  }
  entry.dataOffset = DataOffsetOf(central.localHeaderOffset, local);
  return ZIP_OK;
}

// The certificate table's search reads through the archive's handle.
bool ReadAtFromHandle(void* source, std::uint32_t offset, void* buffer, std::uint32_t size,
                      std::uint32_t* got) {
  const HANDLE file = static_cast<HANDLE>(source);
  return SeekTo(file, offset) && ReadSome(file, buffer, size, got);
}

}  // namespace

// The end record is searched for in the 65,535 bytes before limit only
// (the end of the archive's part of the file); the occurrence nearest to
// limit wins, and one at position 0 is no record.
int ZIP_File::FindEndRecord(HANDLE file, std::uint32_t limit, std::uint32_t* position) {
  *position = 0;
  std::uint32_t windowStart = 0;
  std::uint32_t span = 0;
  if (!EndRecordWindow(limit, &windowStart, &span)) return ZIP_OK;

  std::vector<std::uint8_t> window;
  try {
    window.resize(span);
  } catch (const std::bad_alloc&) {
    return ZIP_E_NO_MEMORY;
  }
  if (!SeekTo(file, windowStart) || !ReadExact(file, window.data(), span)) return ZIP_OK;
  std::size_t at = FindLastEndSignature(window.data(), span);
  if (at != kNoEndSignature) *position = windowStart + static_cast<std::uint32_t>(at);
  return ZIP_OK;
}

int ZIP_File::ReadEndRecord(HANDLE file, std::uint32_t position, std::uint32_t limit,
                            std::uint32_t* totalEntries) {
  if (!SeekTo(file, position)) return ZIP_E_SEEK;
  // Nothing at or after limit belongs to the archive.
  const std::uint32_t room = limit - position;
  std::uint8_t bytes[kEndRecordSize] = {};
  std::uint32_t got = 0;
  ReadSome(file, bytes, std::min(kEndRecordSize, room), &got);
  ZipEndRecord record = DecodeEndRecord(bytes);
  if (!IsWholeEndRecord(record, got)) return ZIP_E_BAD_ARCHIVE;
  centralDirOffset_ = record.centralDirOffset;

  const std::uint32_t commentRoom = room - kEndRecordSize;
  if (record.commentLength > 0 && commentRoom > 0) {
    std::vector<char> comment(std::min(record.commentLength, commentRoom));
    std::uint32_t commentGot = 0;
    if (ReadSome(file, comment.data(), static_cast<std::uint32_t>(comment.size()), &commentGot)) {
      archiveComment_.assign(comment.data(), strnlen(comment.data(), commentGot));
    }
  }

  if (SpansSeveralDisks(record)) {
    centralDirOffset_ = 0;
    return ZIP_E_BAD_ARCHIVE;
  }
  *totalEntries = record.totalEntries;
  return ZIP_OK;
}

int ZIP_File::ReadDirectory(HANDLE file) {
  try {
    LARGE_INTEGER fileSize{};
    // Positions are 32-bit: a file of 4 GiB or more has no usable size.
    if (!GetFileSizeEx(file, &fileSize) || fileSize.QuadPart > 0xFFFFFFFFLL) return ZIP_E_SEEK;
    // In a signed program the archive ends where the certificate table
    // starts: whatever lies in or after the table is not covered by the
    // signature, so an archive hidden there is never seen.
    const std::uint32_t limit = FindArchiveLimit(ReadAtFromHandle, file,
                                                 static_cast<std::uint32_t>(fileSize.QuadPart));
    std::uint32_t endPosition = 0;
    int result = FindEndRecord(file, limit, &endPosition);
    if (result != ZIP_OK) return result;
    if (endPosition == 0) return ZIP_E_FAIL;
    std::uint32_t total = 0;
    result = ReadEndRecord(file, endPosition, limit, &total);
    if (result != ZIP_OK) return result;
    // The directory must hold every record the end record declares. None
    // can lie at offset 0, where the program starts; an archive declaring
    // more records than its directory holds fails at the first missing one
    // below, rather than opening with the records found.
    if (centralDirOffset_ == 0) return ResultWithoutDirectory(total);

    if (!SeekTo(file, centralDirOffset_)) return ZIP_E_SEEK;
    std::uint32_t start = centralDirOffset_;
    CKzpDirectoryReader reader(file, centralDirOffset_);
    std::vector<std::uint8_t> variable;
    CKzpLocalHeaderWindow localHeaders(file);
    entries_.reserve(total);
    // What each member, the directory and the end record occupy.
    std::vector<ZipFileSpan> spans;
    spans.reserve(std::size_t{total} + 2);
    for (std::uint32_t i = 0; i < total; ++i) {
      std::uint8_t fixed[kCentralHeaderSize];
      if (!reader.Read(fixed, sizeof fixed)) return ZIP_E_BAD_ARCHIVE;
      ZipCentralHeader central = DecodeCentralHeader(fixed);
      if (central.signature != kCentralHeaderSignature) return ZIP_E_BAD_ARCHIVE;
      // Name, extra field and comment; only the name is used (for the check).
      variable.resize(central.nameLength + central.extraLength + central.commentLength);
      if (!reader.Read(variable.data(), variable.size())) return ZIP_E_BAD_ARCHIVE;

      auto entry = std::make_unique<ZIP_FileEntry>();
      start = std::min(start, central.localHeaderOffset);
      result = LoadLocalHeader(localHeaders, central, variable.data(), *entry);
      if (result != ZIP_OK) return result;
      entry->versionMadeBy = central.versionMadeBy;
      entry->diskNumberStart = central.diskNumberStart;
      entry->internalAttributes = central.internalAttributes;
      entry->externalAttributes = central.externalAttributes;
      entry->localHeaderOffset = central.localHeaderOffset;
      entry->storage = STORAGE_ARCHIVE;
      entry->fileHandle = file;
      spans.push_back(
          MemberSpan(central.localHeaderOffset, entry->dataOffset, entry->compressedSize));
      entries_.push_back(std::move(entry));
    }
    spans.push_back({centralDirOffset_, reader.Position()});
    spans.push_back({endPosition, std::uint64_t{endPosition} + kEndRecordSize});
    // Checked before anything can be written: overlapping members would let
    // a few kilobytes decode to gigabytes.
    if (!SpansFitApart(spans, limit)) return ZIP_E_BAD_ARCHIVE;
    archiveStart_ = start;
    return ZIP_OK;
  } catch (const std::bad_alloc&) {
    return ZIP_E_NO_MEMORY;
  }
}

}  // namespace kzpzip
