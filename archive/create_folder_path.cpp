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

// A folder that is there already counts as made; so does a name the file
// system calls too long, which leaves the outcome to the calls that follow.
bool CreatedOrPresent(const wchar_t* path) {
  if (CreateDirectoryW(path, nullptr)) return true;
  DWORD error = GetLastError();
  return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ||
         error == ERROR_FILENAME_EXCED_RANGE;
}

}  // namespace

bool CreateFolderPath(const wchar_t* path) {
  if (path == nullptr || !IsDriveRooted(path)) return false;
  std::size_t length = std::wcslen(path);
  if (length >= MAX_PATH) return false;
  if (CreatedOrPresent(path)) return true;

  // Walk a copy that always ends with a separator, making each prefix.
  wchar_t work[MAX_PATH] = {};
  bool addSeparator = path[length - 1] != L'\\';
  if (length + (addSeparator ? 1 : 0) >= MAX_PATH) return false;
  std::wmemcpy(work, path, length);
  if (addSeparator) work[length++] = L'\\';

  for (std::size_t i = 3; i < length; ++i) {
    if (!IsSeparator(work[i])) continue;
    work[i] = L'\0';
    if (!CreatedOrPresent(work)) return false;
    work[i] = L'\\';
  }
  return true;
}

}  // namespace kzpzip
