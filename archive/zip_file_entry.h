#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>

#include "archive/zip_result.h"

namespace kzpzip {

struct ZIP_EntryStream;

// One member of an archive. The numeric fields mirror the ZIP records (16-bit
// fields zero-extended); the strings are owned by the entry. An entry read
// from an archive borrows the archive's file handle, so it is usable only
// while its ZIP_File stays open.
class ZIP_FileEntry {
 public:
  ZIP_FileEntry() = default;
  virtual ~ZIP_FileEntry();
  ZIP_FileEntry(const ZIP_FileEntry&) = delete;
  ZIP_FileEntry& operator=(const ZIP_FileEntry&) = delete;

  std::uint32_t versionMadeBy = 0;
  std::uint32_t versionNeeded = 0;
  std::uint32_t flags = 0;
  std::uint32_t compressionMethod = 0;
  std::uint32_t lastModTime = 0;
  std::uint32_t lastModDate = 0;
  std::uint32_t crc = 0;
  std::uint32_t compressedSize = 0;
  std::uint32_t uncompressedSize = 0;
  std::uint32_t diskNumberStart = 0;
  std::uint32_t internalAttributes = 0;
  std::uint32_t externalAttributes = 0;
  std::uint32_t localHeaderOffset = 0;
  // Narrow strings in the system's default Windows code page, except a
  // fileName that flag bit 11 marks as UTF-8 (entry_name.h decides how a
  // name reads); null when the record has none. Set them through the
  // setters, which keep ownership.
  char* fileName = nullptr;
  char* extraField = nullptr;
  char* fileComment = nullptr;
  std::uint32_t storage = STORAGE_NONE;
  // The archive's handle for STORAGE_ARCHIVE (borrowed), the entry's own
  // for STORAGE_TEMP_FILE.
  HANDLE fileHandle = INVALID_HANDLE_VALUE;
  std::uint32_t dataOffset = 0;
  wchar_t* tempFilePath = nullptr;

  // Each copies up to the first zero byte (or length bytes) and terminates
  // the copy; false when it cannot be allocated.
  bool SetFileName(const char* bytes, std::size_t length);
  bool SetExtraField(const char* bytes, std::size_t length);
  bool SetFileComment(const char* bytes, std::size_t length);
  bool SetTempFilePath(const wchar_t* path);

  // A name ending in '/' is a folder; one ending in '\' only when it also
  // has no data.
  bool IsDirectory() const;

  // Decodes up to size bytes (callers pass uncompressedSize) to the start of
  // buffer, writing nothing beyond the bytes produced. The CRC-32 is checked
  // when the whole entry was produced. Fails with ZIP_E_NO_DATA when the data
  // ends before min(size, uncompressedSize) bytes came out.
  int Read(void* buffer, std::uint32_t size);

  // Writes the entry to the complete target path, creating its folders, then
  // sets its times and attributes. Folder entries are refused. A file whose
  // data does not come out whole and right (damaged data, a wrong CRC-32, a
  // failed write) is removed, so nothing stays under its name; a file it
  // was to replace is gone as well, as creating the new one truncated it.
  // One entry in, one result out: it shares nothing with other entries'
  // extraction but the archive's file handle.
  int ExtractTo(const wchar_t* path, bool failIfExists);

 private:
  int OpenStream(ZIP_EntryStream& stream);
  int ReadStream(void* buffer, std::uint32_t size, ZIP_EntryStream& stream,
                 std::uint32_t* count);
  int CloseStream(ZIP_EntryStream& stream);
  int CopyToFile(HANDLE file);

  std::unique_ptr<char[]> fileNameStore_;
  std::unique_ptr<char[]> extraFieldStore_;
  std::unique_ptr<char[]> fileCommentStore_;
  std::unique_ptr<wchar_t[]> tempFilePathStore_;
};

}  // namespace kzpzip
