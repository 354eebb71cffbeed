#include "archive/create_folder_path.h"

#include <windows.h>

#include <cwchar>

namespace kzpzip {

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool IsDriveRooted(const wchar_t* path) {
  wchar_t letter = path[0];
  bool isLetter = (letter >= L'A' && letter <= L'Z') || (letter >= L'a' && letter <= L'z');
  return isLetter && path[1] == L':' && IsSeparator(path[2]);
}

bool IsFolder(const wchar_t* path) {
  const DWORD attributes = GetFileAttributesW(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool AlreadyThere(DWORD error) { return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS; }

}  // namespace

// Succeeds only when a folder is there afterwards: "already exists" may
// name a file, which no folder entry or target below it can use.
bool CreateFolderPath(const wchar_t* path) {
  if (path == nullptr || !IsDriveRooted(path)) return false;
  std::size_t length = std::wcslen(path);
  if (length >= MAX_PATH) return false;
  // The usual cases cost one call, two when something is there already.
  if (CreateDirectoryW(path, nullptr)) return true;
  if (AlreadyThere(GetLastError())) return IsFolder(path);

  // Walk a copy that always ends with a separator, making each prefix up to
  // and including the separator behind its last level. Win32 trims trailing
  // blanks and dots from the last level of a path, but not from a level a
  // separator follows (that one loses a single trailing dot at most):
  // "C:\dest\dir " names the folder "dir", while "C:\dest\dir \x.txt" goes
  // through "dir ". Each level is named as the path names it. A level that
  // is there goes on (a file there fails the next level), as does one the
  // file system calls too long, which leaves the outcome to the final check.
  wchar_t work[MAX_PATH] = {};
  bool addSeparator = !IsSeparator(path[length - 1]);
  if (length + (addSeparator ? 1 : 0) >= MAX_PATH) return false;
  std::wmemcpy(work, path, length);
  if (addSeparator) work[length++] = L'\\';

  for (std::size_t i = 3; i < length; ++i) {
    if (!IsSeparator(work[i]) || IsSeparator(work[i - 1])) continue;
    const wchar_t kept = work[i + 1];
    work[i + 1] = L'\0';
    if (!CreateDirectoryW(work, nullptr)) {
      const DWORD error = GetLastError();
      if (!AlreadyThere(error) && error != ERROR_FILENAME_EXCED_RANGE) return false;
    }
    work[i + 1] = kept;
  }
  return IsFolder(path);
}

}  // namespace kzpzip
