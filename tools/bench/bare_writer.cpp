// bare_writer: the floor for extraction under the same Win32 layer. It makes
// the files a payload manifest lists with the same per-file calls, flags and
// piece size as ZIP_FileEntry::ExtractTo, and nothing else: no archive is
// read, nothing is inflated, no CRC is computed.
//
// Per file, as the extractor does it:
//   CreateDirectoryW(parent folder with its trailing separator), walking the
//     path only when that fails for another reason than "already exists";
//   CreateFileW(GENERIC_WRITE, no sharing, CREATE_ALWAYS,
//     FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN);
//   WriteFile in pieces of 16 KiB;
//   DosDateTimeToFileTime, LocalFileTimeToFileTime,
//     SetFileTime(creation and last write);
//   CloseHandle;
//   SetFileAttributesW only for attributes other than FILE_ATTRIBUTE_ARCHIVE
//     (or a replaced file).
//
// Usage: bare_writer.exe [--profile] <manifest> <absolute target folder>
// The manifest lines are "<size> <dos date> <dos time> <attributes> <name>"
// (UTF-8, '/' separators), as tools/bench/gen_payload.py writes them. With
// --profile the time spent in each kind of call is printed.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr DWORD kPieceSize = 16384;

struct ManifestLine {
  unsigned long long size = 0;
  WORD dosDate = 0;
  WORD dosTime = 0;
  DWORD attributes = 0;
  std::wstring name;
};

bool Widen(const char* text, std::wstring& wide) {
  int size = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
  if (size <= 0) return false;
  wide.assign(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text, -1, &wide[0], size);
  wide.resize(static_cast<std::size_t>(size) - 1);
  return true;
}

bool ReadManifest(const wchar_t* path, std::vector<ManifestLine>& lines) {
  FILE* file = _wfopen(path, L"rb");
  if (file == nullptr) return false;
  char text[1024];
  bool ok = true;
  while (ok && std::fgets(text, sizeof text, file) != nullptr) {
    text[std::strcspn(text, "\r\n")] = '\0';
    if (text[0] == '\0') continue;
    unsigned long long size = 0;
    unsigned date = 0, time = 0;
    unsigned long attributes = 0;
    int used = 0;
    if (std::sscanf(text, "%llu %u %u %lu %n", &size, &date, &time, &attributes, &used) != 4) {
      ok = false;
      break;
    }
    ManifestLine line;
    line.size = size;
    line.dosDate = static_cast<WORD>(date);
    line.dosTime = static_cast<WORD>(time);
    line.attributes = attributes;
    ok = Widen(text + used, line.name);
    lines.push_back(std::move(line));
  }
  std::fclose(file);
  return ok;
}

struct Profile {
  bool enabled = false;
  LARGE_INTEGER frequency{};
  long long createFolder = 0, createFile = 0, write = 0, setTime = 0, close = 0, attributes = 0;

  long long Now() const {
    if (!enabled) return 0;
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    return now.QuadPart;
  }
  void Print(std::size_t files) const {
    auto ms = [&](long long ticks) { return ticks * 1000.0 / frequency.QuadPart; };
    std::printf(
        "profile files=%zu create_folder_ms=%.1f create_file_ms=%.1f write_ms=%.1f "
        "set_time_ms=%.1f close_ms=%.1f set_attributes_ms=%.1f\n",
        files, ms(createFolder), ms(createFile), ms(write), ms(setTime), ms(close),
        ms(attributes));
  }
};

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool CreatedOrPresent(const wchar_t* path) {
  if (CreateDirectoryW(path, nullptr)) return true;
  DWORD error = GetLastError();
  return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ||
         error == ERROR_FILENAME_EXCED_RANGE;
}

// The extractor's folder chain: one call when the folder is there already.
void CreateParentFolders(const std::wstring& path) {
  std::size_t cut = path.size();
  while (cut > 0 && !IsSeparator(path[cut - 1])) --cut;
  if (cut == 0) return;
  std::wstring folder = path.substr(0, cut);
  if (CreatedOrPresent(folder.c_str())) return;
  for (std::size_t i = 3; i < folder.size(); ++i) {
    if (!IsSeparator(folder[i])) continue;
    std::wstring prefix = folder.substr(0, i);
    if (!CreatedOrPresent(prefix.c_str())) return;
  }
}

bool WriteOne(const ManifestLine& line, const std::wstring& path, const BYTE* data,
              Profile& profile) {
  long long t0 = profile.Now();
  CreateParentFolders(path);
  long long t1 = profile.Now();
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const bool replaced = GetLastError() == ERROR_ALREADY_EXISTS;
  long long t2 = profile.Now();

  bool ok = true;
  unsigned long long left = line.size;
  while (ok && left > 0) {
    DWORD piece = left < kPieceSize ? static_cast<DWORD>(left) : kPieceSize;
    DWORD written = 0;
    ok = WriteFile(file, data, piece, &written, nullptr) && written == piece;
    left -= piece;
  }
  long long t3 = profile.Now();

  FILETIME local{};
  FILETIME utc{};
  if (DosDateTimeToFileTime(line.dosDate, line.dosTime, &local) &&
      LocalFileTimeToFileTime(&local, &utc)) {
    SetFileTime(file, &utc, nullptr, &utc);
  }
  long long t4 = profile.Now();
  if (!CloseHandle(file)) ok = false;
  long long t5 = profile.Now();
  if (replaced || line.attributes != FILE_ATTRIBUTE_ARCHIVE) {
    SetFileAttributesW(path.c_str(), line.attributes);
  }
  long long t6 = profile.Now();

  profile.createFolder += t1 - t0;
  profile.createFile += t2 - t1;
  profile.write += t3 - t2;
  profile.setTime += t4 - t3;
  profile.close += t5 - t4;
  profile.attributes += t6 - t5;
  return ok;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  Profile profile;
  int first = 1;
  if (argc > 1 && std::wcscmp(argv[1], L"--profile") == 0) {
    profile.enabled = true;
    QueryPerformanceFrequency(&profile.frequency);
    ++first;
  }
  if (argc - first != 2) {
    std::fprintf(stderr, "usage: bare_writer.exe [--profile] <manifest> <target folder>\n");
    return 2;
  }
  std::vector<ManifestLine> lines;
  if (!ReadManifest(argv[first], lines)) {
    std::fprintf(stderr, "bare_writer: cannot read the manifest %ls\n", argv[first]);
    return 2;
  }
  std::wstring folder = argv[first + 1];
  if (!folder.empty() && IsSeparator(folder.back())) folder.pop_back();
  CreateDirectoryW(folder.c_str(), nullptr);

  // Bytes that deflate would not shrink; what is written does not change
  // the cost of writing it.
  std::vector<BYTE> data(kPieceSize);
  unsigned state = 2463534242u;
  for (BYTE& b : data) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    b = static_cast<BYTE>(state);
  }

  std::wstring path;
  for (const ManifestLine& line : lines) {
    path = folder;
    path += L'\\';
    path += line.name;
    if (!WriteOne(line, path, data.data(), profile)) {
      std::fprintf(stderr, "bare_writer: cannot write %ls (error %lu)\n", path.c_str(),
                   GetLastError());
      return 1;
    }
  }
  if (profile.enabled) profile.Print(lines.size());
  return 0;
}
