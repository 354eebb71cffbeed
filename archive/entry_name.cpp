#include "archive/entry_name.h"

#include <windows.h>

namespace kzpzip {

bool WidenEntryName(const ZIP_FileEntry& entry, std::wstring& wide) {
  wide.clear();
  if (entry.fileName == nullptr) return false;
  // Strict for UTF-8: invalid bytes fail instead of turning into U+FFFD.
  const UINT from = HasUtf8Name(entry) ? CP_UTF8 : CP_ACP;
  const DWORD flags = HasUtf8Name(entry) ? MB_ERR_INVALID_CHARS : 0;
  const int size = MultiByteToWideChar(from, flags, entry.fileName, -1, nullptr, 0);
  if (size <= 0) return false;
  wide.assign(static_cast<std::size_t>(size), L'\0');
  if (MultiByteToWideChar(from, flags, entry.fileName, -1, &wide[0], size) != size) {
    wide.clear();
    return false;
  }
  wide.resize(static_cast<std::size_t>(size) - 1);
  return true;
}

}  // namespace kzpzip
