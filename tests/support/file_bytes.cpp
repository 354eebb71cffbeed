#include "file_bytes.h"

#include <windows.h>

bool WriteFileBytes(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  std::size_t done = 0;
  while (ok && done < bytes.size()) {
    DWORD piece = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
    DWORD written = 0;
    ok = WriteFile(file, bytes.data() + done, piece, &written, nullptr) && written == piece;
    done += written;
  }
  return CloseHandle(file) && ok;
}

bool WriteFileText(const std::wstring& path, const std::string& text) {
  return WriteFileBytes(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

std::vector<std::uint8_t> ReadFileBytes(const std::wstring& path) {
  std::vector<std::uint8_t> bytes;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  std::uint8_t buffer[65536];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) {
    bytes.insert(bytes.end(), buffer, buffer + got);
  }
  CloseHandle(file);
  return bytes;
}

std::string ReadFileText(const std::wstring& path) {
  std::vector<std::uint8_t> bytes = ReadFileBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

bool FileExists(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

namespace {

void ListTreeBelow(const std::wstring& root, const std::wstring& relative,
                   std::set<std::wstring>& found) {
  WIN32_FIND_DATAW item{};
  HANDLE search = FindFirstFileW((root + L"\\" + relative + L"*").c_str(), &item);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = item.cFileName;
    if (name == L"." || name == L"..") continue;
    if (item.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      found.insert(relative + name + L"\\");
      ListTreeBelow(root, relative + name + L"\\", found);
    } else {
      found.insert(relative + name);
    }
  } while (FindNextFileW(search, &item));
  FindClose(search);
}

}  // namespace

std::set<std::wstring> ListTree(const std::wstring& folder) {
  std::set<std::wstring> found;
  ListTreeBelow(folder, L"", found);
  return found;
}

std::wstring WinePathFromUnix(const std::string& unixPath) {
  std::wstring result = L"Z:";
  for (char c : unixPath) result += (c == '/') ? L'\\' : static_cast<wchar_t>(c);
  return result;
}

namespace {

void ReadListing(const std::wstring& folder) {
  WIN32_FIND_DATAW item{};
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &item);
  if (search == INVALID_HANDLE_VALUE) return;
  while (FindNextFileW(search, &item)) {
  }
  FindClose(search);
}

}  // namespace

void SettleFolderTimes(const std::wstring& path) {
  // "C:" (the root, listed as "C:\*"), then "C:\a", "C:\a\b", ...
  for (std::size_t end = path.find(L'\\'); end != std::wstring::npos;
       end = path.find(L'\\', end + 1)) {
    ReadListing(path.substr(0, end));
  }
  ReadListing(path);
}
