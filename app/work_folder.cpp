#include "app/work_folder.h"

#include <windows.h>
#include <objbase.h>

#include <cwchar>

namespace {

constexpr std::size_t kPathCapacity = MAX_PATH;

bool EndsWithBackslash(const wchar_t* path) {
  const std::size_t length = std::wcslen(path);
  return length > 0 && path[length - 1] == L'\\';
}

// Owns the text that StringFromCLSID allocates.
class CKzpCoTaskText {
 public:
  CKzpCoTaskText() = default;
  ~CKzpCoTaskText() { CoTaskMemFree(text_); }
  CKzpCoTaskText(const CKzpCoTaskText&) = delete;
  CKzpCoTaskText& operator=(const CKzpCoTaskText&) = delete;
  LPOLESTR* Receive() { return &text_; }
  const wchar_t* Get() const { return text_; }

 private:
  LPOLESTR text_ = nullptr;
};

// Owns a FindFirstFileW search.
class CKzpFindHandle {
 public:
  explicit CKzpFindHandle(HANDLE handle) : handle_(handle) {}
  ~CKzpFindHandle() {
    if (handle_ != INVALID_HANDLE_VALUE) FindClose(handle_);
  }
  CKzpFindHandle(const CKzpFindHandle&) = delete;
  CKzpFindHandle& operator=(const CKzpFindHandle&) = delete;
  HANDLE Get() const { return handle_; }

 private:
  HANDLE handle_;
};

void DeleteNowOrAtRestart(const wchar_t* path, bool isFolder) {
  const BOOL deleted = isFolder ? RemoveDirectoryW(path) : DeleteFileW(path);
  if (!deleted) MoveFileExW(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

bool RemoveFolderContents(const wchar_t* folder) {
  wchar_t pattern[kPathCapacity] = {};
  if (!JoinFolderPath(folder, L"*", pattern, kPathCapacity)) return false;

  WIN32_FIND_DATAW item{};
  CKzpFindHandle search(FindFirstFileW(pattern, &item));
  if (search.Get() == INVALID_HANDLE_VALUE) return false;

  do {
    if (std::wcscmp(item.cFileName, L".") == 0 || std::wcscmp(item.cFileName, L"..") == 0) {
      continue;
    }
    wchar_t path[kPathCapacity] = {};
    // An item whose path does not fit cannot be addressed; it stays, and so
    // does its folder (scheduled below).
    if (!JoinFolderPath(folder, item.cFileName, path, kPathCapacity)) continue;

    const DWORD attributes = item.dwFileAttributes;
    if (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM)) {
      SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL);
    }
    switch (ActionForFolderItem(attributes)) {
      case FolderItemAction::Descend:
        if (!RemoveFolderTree(path)) return false;
        break;
      case FolderItemAction::RemoveLink:
        DeleteNowOrAtRestart(path, (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
        break;
      case FolderItemAction::RemoveFile:
        DeleteNowOrAtRestart(path, false);
        break;
    }
  } while (FindNextFileW(search.Get(), &item));
  return true;  // the search ends here, before its folder is removed
}

}  // namespace

FolderItemAction ActionForFolderItem(unsigned long attributes) {
  // A junction or symbolic link is removed as a link (a folder link with
  // RemoveDirectoryW, a file link with DeleteFileW); its target is never
  // entered.
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return FolderItemAction::RemoveLink;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return FolderItemAction::Descend;
  return FolderItemAction::RemoveFile;
}

bool JoinFolderPath(const wchar_t* folder, const wchar_t* name, wchar_t* out, std::size_t capacity) {
  const wchar_t* separator = EndsWithBackslash(folder) ? L"" : L"\\";
  const std::size_t needed = std::wcslen(folder) + std::wcslen(separator) + std::wcslen(name) + 1;
  if (needed > capacity) return false;
  std::wcscpy(out, folder);
  std::wcscat(out, separator);
  std::wcscat(out, name);
  return true;
}

bool CreateWorkFolder(wchar_t* path, std::size_t capacity) {
  wchar_t temp[kPathCapacity] = {};
  const DWORD tempLength = GetTempPathW(kPathCapacity, temp);
  if (tempLength == 0 || tempLength >= kPathCapacity) return false;

  GUID guid{};
  CKzpCoTaskText guidText;
  if (FAILED(CoCreateGuid(&guid)) || FAILED(StringFromCLSID(guid, guidText.Receive()))) {
    return false;
  }
  if (path == nullptr || capacity < kPathCapacity) return false;
  // A temporary folder so long that the GUID does not fit is refused rather
  // than cut.
  if (!JoinFolderPath(temp, guidText.Get(), path, capacity)) return false;
  return CreateDirectoryW(path, nullptr) != FALSE;
}

bool RemoveFolderTree(const wchar_t* folder) {
  if (!RemoveFolderContents(folder)) return false;
  SetFileAttributesW(folder, FILE_ATTRIBUTE_NORMAL);
  DeleteNowOrAtRestart(folder, true);
  return true;
}
