#include "archive/zip_file_entry.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <new>

#include "archive/create_folder_path.h"
#include "archive/dos_time.h"
#include "archive/entry_stream.h"
#include "archive/kzp_file_handle.h"

namespace kzpzip {

namespace {

template <typename Char>
bool CopyString(const Char* source, std::size_t length, std::unique_ptr<Char[]>& store,
                Char*& field) {
  std::size_t used = 0;
  while (used < length && source[used] != Char()) ++used;
  try {
    store = std::make_unique<Char[]>(used + 1);
  } catch (const std::bad_alloc&) {
    field = nullptr;
    store.reset();
    return false;
  }
  std::copy(source, source + used, store.get());
  field = store.get();
  return true;
}

// Creates the folders above a target file: the drive and folder parts that
// the C library's path splitter would give, which is everything through the
// last separator. A missing folder then fails the file's creation.
void CreateParentFolders(const wchar_t* path, std::size_t length) {
  std::size_t cut = length;
  while (cut > 0 && path[cut - 1] != L'\\' && path[cut - 1] != L'/') --cut;
  if (cut == 0) return;
  wchar_t folder[MAX_PATH] = {};
  std::wmemcpy(folder, path, cut);
  CreateFolderPath(folder);
}

// DELETE access lets a file that fails be removed through its own handle.
HANDLE CreateTargetFile(const wchar_t* path, DWORD disposition) {
  return CreateFileW(path, GENERIC_WRITE | DELETE, 0, nullptr, disposition,
                     FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
}

// Removes a file whose data did not come out whole, so that nothing is left
// under its name looking complete. It is marked for deletion through its
// own handle and goes when that closes, which reaches exactly the file
// written here; by path only when the file system refuses the mark.
void DiscardFile(CKzpFileHandle& file, const wchar_t* path) {
  FILE_DISPOSITION_INFO disposition{};
  disposition.DeleteFile = TRUE;
  const bool marked = SetFileInformationByHandle(file.get(), FileDispositionInfo, &disposition,
                                                 sizeof disposition) != FALSE;
  file.close();
  if (!marked) DeleteFileW(path);
}

// Times and attributes in one call on the open handle: exact, where a
// skipped or separate call by path would keep attributes that a new file
// inherits from its folder (NTFS gives it "not content indexed" from a
// folder marked so), and cheaper than opening the file again by path.
// Creation and last-write times come from the DOS stamp (local time); the
// last-access and change times stay as they are (zero fields are left
// alone). A stamp that does not convert leaves the times unchanged.
// Answers false when the attributes could not be set this way; the times
// are then set on their own and the caller sets the attributes by path.
bool SetTimesAndAttributes(HANDLE file, std::uint32_t dosDate, std::uint32_t dosTime,
                           std::uint32_t attributes) {
  FILE_BASIC_INFO info{};
  FILETIME utc{};
  if (DosTimeToFileTime(dosDate, dosTime, &utc)) {
    info.CreationTime.LowPart = utc.dwLowDateTime;
    info.CreationTime.HighPart = static_cast<LONG>(utc.dwHighDateTime);
    info.LastWriteTime = info.CreationTime;
  }
  // Zero would mean "unchanged" here; by path it clears every attribute.
  info.FileAttributes = attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL;
  if (SetFileInformationByHandle(file, FileBasicInfo, &info, sizeof info)) return true;
  info.FileAttributes = 0;
  SetFileInformationByHandle(file, FileBasicInfo, &info, sizeof info);
  return false;
}

}  // namespace

ZIP_FileEntry::~ZIP_FileEntry() {
  if (storage == STORAGE_TEMP_FILE) {
    if (fileHandle != INVALID_HANDLE_VALUE) CloseHandle(fileHandle);
    if (tempFilePath != nullptr) DeleteFileW(tempFilePath);
  }
}

bool ZIP_FileEntry::SetFileName(const char* bytes, std::size_t length) {
  return CopyString(bytes, length, fileNameStore_, fileName);
}

bool ZIP_FileEntry::SetExtraField(const char* bytes, std::size_t length) {
  return CopyString(bytes, length, extraFieldStore_, extraField);
}

bool ZIP_FileEntry::SetFileComment(const char* bytes, std::size_t length) {
  return CopyString(bytes, length, fileCommentStore_, fileComment);
}

bool ZIP_FileEntry::SetTempFilePath(const wchar_t* path) {
  return CopyString(path, std::wcslen(path), tempFilePathStore_, tempFilePath);
}

bool ZIP_FileEntry::IsDirectory() const {
  if (fileName == nullptr || fileName[0] == '\0') return false;
  char last = fileName[std::strlen(fileName) - 1];
  if (last == '/') return true;
  return last == '\\' && compressedSize == 0 && uncompressedSize == 0;
}

int ZIP_FileEntry::Read(void* buffer, std::uint32_t size) {
  ZIP_EntryStream stream;
  int result = OpenStream(stream);
  if (result != ZIP_OK) return result;
  int readResult = ZIP_OK;
  if (uncompressedSize > 0) {
    std::uint32_t produced = 0;
    readResult = ReadStream(buffer, size, stream, &produced);
    // One pass fills the window unless the data runs out first.
    if (readResult == ZIP_OK && produced < std::min(size, uncompressedSize)) {
      readResult = ZIP_E_NO_DATA;
    }
  }
  int closeResult = CloseStream(stream);
  return readResult != ZIP_OK ? readResult : closeResult;
}

int ZIP_FileEntry::CopyToFile(HANDLE file) {
  ZIP_EntryStream stream;
  int result = OpenStream(stream);
  if (result != ZIP_OK) return result;
  std::uint8_t piece[kStreamChunkSize];
  int readResult = ZIP_OK;
  bool writeFailed = false;
  for (;;) {
    std::uint32_t produced = 0;
    readResult = ReadStream(piece, sizeof piece, stream, &produced);
    if (readResult != ZIP_OK || produced == 0) break;
    DWORD written = 0;
    if (!WriteFile(file, piece, produced, &written, nullptr) || written != produced) {
      writeFailed = true;
      break;
    }
  }
  int closeResult = CloseStream(stream);
  if (readResult != ZIP_OK) return readResult;
  return writeFailed ? ZIP_E_FAIL : closeResult;
}

int ZIP_FileEntry::ExtractTo(const wchar_t* path, bool failIfExists) {
  if (IsDirectory() || path == nullptr) return ZIP_E_BAD_ARG;
  // Refused outright rather than cut: no path buffer here holds more.
  std::size_t length = std::wcslen(path);
  if (length == 0 || length >= MAX_PATH) return ZIP_E_CREATE;
  const DWORD disposition = failIfExists ? CREATE_NEW : CREATE_ALWAYS;
  CKzpFileHandle file(CreateTargetFile(path, disposition));
  // The folders above are made only when the file cannot be created without
  // them: in a package they mostly exist already, and making a folder that
  // is there costs two calls for every file.
  if (!file.valid() && GetLastError() == ERROR_PATH_NOT_FOUND) {
    CreateParentFolders(path, length);
    file.reset(CreateTargetFile(path, disposition));
  }
  if (!file.valid()) return ZIP_E_CREATE;
  // Damaged data, a wrong CRC-32 or a full disk: the file goes.
  const int result = CopyToFile(file.get());
  if (result != ZIP_OK) {
    DiscardFile(file, path);
    return result;
  }
  // The read-only attribute is accepted on a handle open for writing (the
  // handle keeps its access), so even a read-only file gets everything
  // here; a file system that refuses falls back to the call by path.
  const bool attributesSet =
      SetTimesAndAttributes(file.get(), lastModDate, lastModTime, externalAttributes);
  if (!file.close()) {
    // Data that may not have reached the disk must not stay either.
    SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(path);
    return ZIP_E_FAIL;
  }
  // Its outcome is not looked at: the data is what the run depends on.
  if (!attributesSet) SetFileAttributesW(path, externalAttributes);
  return ZIP_OK;
}

}  // namespace kzpzip
