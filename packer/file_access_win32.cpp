// The packer's file system calls on Windows. Every path goes to Windows in
// its "\\?\" form (full, backslashes, no "." or ".." levels), which is not
// limited to 260 characters and is taken as it is: names ending in a dot
// or a blank are reached as they are.
#include <windows.h>

#include <cwchar>
#include <system_error>

#include "packer/file_access.h"
#include "packer/text_convert.h"

namespace kzppack {
namespace {

namespace fs = std::filesystem;

// 100-nanosecond steps from 1601 to 1970.
constexpr std::int64_t kFileTimeOf1970 = 116444736000000000LL;
constexpr std::int64_t kFileTimeSteps = 10000000LL;

HANDLE AsHandle(std::intptr_t value) { return reinterpret_cast<HANDLE>(value); }
std::intptr_t FromHandle(HANDLE handle) { return reinterpret_cast<std::intptr_t>(handle); }
const std::intptr_t kNoHandle = FromHandle(INVALID_HANDLE_VALUE);

// The texts of the Linux build for the failures both builds meet; others
// in Windows' own words.
std::string Reason(DWORD code) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
      return "No such file or directory";
    case ERROR_ACCESS_DENIED:
      return "Permission denied";
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return "No space left on device";
    case ERROR_SHARING_VIOLATION:
      return "another program has it open and lets no other program read it; close that "
             "program and try again";
    case ERROR_LOCK_VIOLATION:
      return "another program has locked part of it; close that program and try again";
    default:
      break;
  }
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message = length > 0 ? std::wstring(text, length) : std::wstring();
  LocalFree(text);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' ||
                              message.back() == L'.' || message.back() == L' ')) {
    message.pop_back();
  }
  return message.empty() ? "error " + std::to_string(code) : WideToUtf8(message);
}

std::wstring FullWide(const std::wstring& path) {
  const DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (size == 0) return path;
  std::wstring full(size, L'\0');
  const DWORD length = GetFullPathNameW(path.c_str(), size, &full[0], nullptr);
  if (length == 0 || length >= size) return path;
  full.resize(length);
  return full;
}

// "\\?\C:\..." or "\\?\UNC\server\share\...".
std::wstring LongPath(const fs::path& path) {
  const std::wstring text = path.wstring();
  if (text.rfind(L"\\\\?\\", 0) == 0) return text;
  const std::wstring full = FullWide(text);
  if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

std::int64_t Seconds(const FILETIME& time) {
  const std::int64_t steps =
      static_cast<std::int64_t>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) |
                                time.dwLowDateTime) -
      kFileTimeOf1970;
  // Rounded down, as Linux's whole seconds are.
  return steps >= 0 ? steps / kFileTimeSteps : -((-steps + kFileTimeSteps - 1) / kFileTimeSteps);
}

// Symbolic links and junctions; other reparse points (deduplicated or
// cloud files) read as the files they stand for. Wine marks a Linux link
// to a folder as a reparse point without naming its tag (0).
bool IsLink(const WIN32_FIND_DATAW& data) {
  return (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
         (data.dwReserved0 == IO_REPARSE_TAG_SYMLINK ||
          data.dwReserved0 == IO_REPARSE_TAG_MOUNT_POINT || data.dwReserved0 == 0);
}

class FindOwner {
 public:
  explicit FindOwner(HANDLE handle) : handle_(handle) {}
  ~FindOwner() {
    if (handle_ != INVALID_HANDLE_VALUE) FindClose(handle_);
  }
  FindOwner(const FindOwner&) = delete;
  FindOwner& operator=(const FindOwner&) = delete;
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

// The items of one folder, and of the folders below it; answers whether the
// folder holds anything.
bool ListLevel(const std::wstring& longFolder, const fs::path& folder, const std::string& prefix,
               std::vector<FolderItem>& items, std::vector<std::string>& problems) {
  WIN32_FIND_DATAW data{};
  FindOwner find(FindFirstFileExW((longFolder + L"\\*").c_str(), FindExInfoBasic, &data,
                                  FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
  if (find.get() == INVALID_HANDLE_VALUE) {
    const DWORD code = GetLastError();
    if (code != ERROR_FILE_NOT_FOUND) {
      problems.push_back(PathToUtf8(folder) + ": error: " + Reason(code));
    }
    return false;
  }
  bool any = false;
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    any = true;
    if (!IsWellFormedUtf16(name)) {
      // NTFS takes names that are not well-formed UTF-16; no package name
      // (UTF-8 or a code page) can hold one, nor the stub's paths.
      problems.push_back(PathToUtf8(folder / name) +
                         ": error: the name holds a lone UTF-16 surrogate (U+D800 to U+DFFF), "
                         "which no entry name can hold; rename it");
      continue;
    }
    FolderItem item;
    item.name = prefix + WideToUtf8(name);
    item.path = folder / name;
    item.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    item.modified = Seconds(data.ftLastWriteTime);
    item.attributes =
        data.dwFileAttributes & (kAttributeReadOnly | kAttributeHidden | kAttributeSystem);
    if (IsLink(data)) {
      item.kind = ItemKind::kLink;
    } else if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      item.kind = ItemKind::kFolder;
      item.size = 0;
      const std::size_t at = items.size();
      items.push_back(item);
      const bool full = ListLevel(longFolder + L"\\" + name, item.path, item.name + "/", items,
                                  problems);
      items[at].empty = !full;
      continue;
    } else if ((data.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) != 0) {
      item.kind = ItemKind::kOther;
    }
    items.push_back(std::move(item));
  } while (FindNextFileW(find.get(), &data));
  const DWORD code = GetLastError();
  if (code != ERROR_NO_MORE_FILES) problems.push_back(PathToUtf8(folder) + ": error: " + Reason(code));
  return any;
}

}  // namespace

void ListFolder(const fs::path& folder, std::vector<FolderItem>& items,
                std::vector<std::string>& problems) {
  std::wstring longFolder = LongPath(folder);
  while (longFolder.size() > 7 && longFolder.back() == L'\\') longFolder.pop_back();
  ListLevel(longFolder, folder, "", items, problems);
}

PathKind KindOf(const fs::path& path) {
  const DWORD attributes = GetFileAttributesW(LongPath(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::kMissing;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? PathKind::kFolder : PathKind::kFile;
}

fs::path FullPath(const fs::path& path) { return fs::path(FullWide(path.wstring())); }

// Names compare as NTFS compares them: without regard to case.
bool IsSameOrBelow(const fs::path& inner, const fs::path& outer) {
  std::wstring a = inner.wstring();
  std::wstring b = outer.wstring();
  while (b.size() > 3 && b.back() == L'\\') b.pop_back();
  if (a.size() < b.size()) return false;
  if (CompareStringOrdinal(a.c_str(), static_cast<int>(b.size()), b.c_str(),
                           static_cast<int>(b.size()), TRUE) != CSTR_EQUAL) {
    return false;
  }
  return a.size() == b.size() || b.back() == L'\\' || a[b.size()] == L'\\';
}

bool ToLocalTime(std::int64_t seconds, std::tm& parts) {
  const std::int64_t steps = seconds * kFileTimeSteps + kFileTimeOf1970;
  if (steps < 0) return false;
  FILETIME utc{static_cast<DWORD>(steps), static_cast<DWORD>(steps >> 32)};
  SYSTEMTIME universal{};
  SYSTEMTIME local{};
  DYNAMIC_TIME_ZONE_INFORMATION zone{};
  TIME_ZONE_INFORMATION rules{};
  // The zone's rules for that year, not today's.
  if (!FileTimeToSystemTime(&utc, &universal) ||
      GetDynamicTimeZoneInformation(&zone) == TIME_ZONE_ID_INVALID ||
      !GetTimeZoneInformationForYear(universal.wYear, &zone, &rules) ||
      !SystemTimeToTzSpecificLocalTime(&rules, &universal, &local)) {
    return false;
  }
  parts = std::tm{};
  parts.tm_year = local.wYear - 1900;
  parts.tm_mon = local.wMonth - 1;
  parts.tm_mday = local.wDay;
  parts.tm_hour = local.wHour;
  parts.tm_min = local.wMinute;
  parts.tm_sec = local.wSecond;
  return true;
}

InputFile::~InputFile() { Close(); }

bool InputFile::Open(const fs::path& path, std::string& error) {
  Close();
  name_ = PathToUtf8(path);
  const HANDLE file = CreateFileW(LongPath(path).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    error = name_ + ": " + Reason(GetLastError());
    return false;
  }
  handle_ = FromHandle(file);
  // Under Wine a Linux pipe or device opens as a file; its reads would wait.
  if (GetFileType(file) != FILE_TYPE_DISK) {
    error = name_ + ": not a regular file";
    Close();
    return false;
  }
  return true;
}

bool InputFile::Read(std::uint8_t* buffer, std::size_t capacity, std::size_t& got,
                     std::string& error) {
  got = 0;
  DWORD read = 0;
  const DWORD ask = capacity > 0x40000000 ? 0x40000000 : static_cast<DWORD>(capacity);
  if (!ReadFile(AsHandle(handle_), buffer, ask, &read, nullptr)) {
    error = name_ + ": cannot read: " + Reason(GetLastError());
    return false;
  }
  got = read;
  return true;
}

bool InputFile::ReadAt(std::uint64_t offset, std::uint8_t* buffer, std::size_t size,
                       std::size_t& got, std::string& error) {
  got = 0;
  LARGE_INTEGER position{};
  position.QuadPart = static_cast<LONGLONG>(offset);
  if (!SetFilePointerEx(AsHandle(handle_), position, nullptr, FILE_BEGIN)) {
    error = name_ + ": cannot read: " + Reason(GetLastError());
    return false;
  }
  while (got < size) {
    std::size_t part = 0;
    if (!Read(buffer + got, size - got, part, error)) return false;
    if (part == 0) break;
    got += part;
  }
  return true;
}

bool InputFile::Size(std::uint64_t& size, std::string& error) const {
  LARGE_INTEGER value{};
  if (!GetFileSizeEx(AsHandle(handle_), &value)) {
    error = name_ + ": " + Reason(GetLastError());
    return false;
  }
  size = static_cast<std::uint64_t>(value.QuadPart);
  return true;
}

void InputFile::Close() {
  if (handle_ != -1 && handle_ != kNoHandle) CloseHandle(AsHandle(handle_));
  handle_ = -1;
}

TemporaryOutput::TemporaryOutput(const fs::path& output) : output_(output) {
  const fs::path folder = output.has_parent_path() ? output.parent_path() : fs::path(L".");
  // A name no other build picks at the same moment: the process and a
  // counter, tried until one is free.
  static const wchar_t kLetters[] = L"abcdefghijklmnopqrstuvwxyz0123456789";
  std::uint64_t seed = (static_cast<std::uint64_t>(GetCurrentProcessId()) << 32) ^ GetTickCount64();
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::wstring suffix;
    std::uint64_t value = seed + static_cast<std::uint64_t>(attempt) * 7919;
    for (int i = 0; i < 6; ++i, value /= 36) suffix += kLetters[value % 36];
    const fs::path candidate =
        folder / (L"." + output.filename().wstring() + L".kzppack-" + suffix);
    const HANDLE file = CreateFileW(LongPath(candidate).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                    nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      handle_ = FromHandle(file);
      path_ = candidate;
      return;
    }
    const DWORD code = GetLastError();
    if (code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS) {
      createError_ = PathToUtf8(folder) + ": cannot create a file here: " + Reason(code);
      return;
    }
  }
  createError_ = PathToUtf8(folder) + ": cannot create a file here: " + Reason(ERROR_FILE_EXISTS);
}

TemporaryOutput::~TemporaryOutput() {
  if (handle_ != -1) CloseHandle(AsHandle(handle_));
  if (!path_.empty() && !committed_) DeleteFileW(LongPath(path_).c_str());
}

bool TemporaryOutput::Created(std::string& error) const {
  if (handle_ == -1 && !committed_) error = createError_;
  return handle_ != -1;
}

bool TemporaryOutput::Write(const void* data, std::size_t size, std::string& error) {
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  while (size > 0) {
    const DWORD part = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!WriteFile(AsHandle(handle_), bytes, part, &written, nullptr) || written == 0) {
      error = "cannot write the package: " + Reason(GetLastError());
      return false;
    }
    bytes += written;
    size -= written;
  }
  return true;
}

// The handle is synchronous, so a write at an offset moves the file pointer
// behind it: it goes back to the end afterwards.
bool TemporaryOutput::WriteAt(std::uint64_t offset, const void* data, std::size_t size,
                              std::string& error) {
  const HANDLE file = AsHandle(handle_);
  LARGE_INTEGER zero{};
  LARGE_INTEGER end{};
  LARGE_INTEGER position{};
  position.QuadPart = static_cast<LONGLONG>(offset);
  if (!SetFilePointerEx(file, zero, &end, FILE_CURRENT) ||
      !SetFilePointerEx(file, position, nullptr, FILE_BEGIN) || !Write(data, size, error) ||
      !SetFilePointerEx(file, end, nullptr, FILE_BEGIN)) {
    if (error.empty()) error = "cannot write the package: " + Reason(GetLastError());
    return false;
  }
  return true;
}

bool TemporaryOutput::Truncate(std::uint64_t size, std::string& error) {
  const HANDLE file = AsHandle(handle_);
  LARGE_INTEGER position{};
  position.QuadPart = static_cast<LONGLONG>(size);
  if (!SetFilePointerEx(file, position, nullptr, FILE_BEGIN) || !SetEndOfFile(file)) {
    error = "cannot write the package: " + Reason(GetLastError());
    return false;
  }
  return true;
}

bool TemporaryOutput::Commit(std::string& error) {
  const HANDLE file = AsHandle(handle_);
  handle_ = -1;
  if (!FlushFileBuffers(file)) {
    error = "cannot write " + PathToUtf8(path_) + ": " + Reason(GetLastError());
    CloseHandle(file);
    return false;
  }
  if (!CloseHandle(file)) {
    error = "cannot write " + PathToUtf8(path_) + ": " + Reason(GetLastError());
    return false;
  }
  if (!MoveFileExW(LongPath(path_).c_str(), LongPath(output_).c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    error = "cannot rename " + PathToUtf8(path_) + " to " + PathToUtf8(output_) + ": " +
            Reason(GetLastError());
    return false;
  }
  committed_ = true;
  return true;
}

}  // namespace kzppack
