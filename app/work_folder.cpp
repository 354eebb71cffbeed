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

}  // namespace

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
