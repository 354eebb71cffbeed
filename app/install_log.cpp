#include "app/install_log.h"

#include <windows.h>

#include <cstdarg>
#include <new>
#include <string>

#include "archive/kzp_file_handle.h"

namespace {

kzpzip::CKzpFileHandle g_log;

// Widens an ASCII text into out (capacity characters, the terminator
// included), cutting what does not fit.
void Widen(const char* text, wchar_t* out, std::size_t capacity) {
  std::size_t i = 0;
  for (; text[i] != '\0' && i + 1 < capacity; ++i) out[i] = static_cast<unsigned char>(text[i]);
  out[i] = L'\0';
}

void WriteLine(const wchar_t* label, const wchar_t* text) noexcept try {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  wchar_t stamp[32] = {};
  wsprintfW(stamp, L"%04u-%02u-%02u %02u:%02u:%02u.%03u  ", now.wYear, now.wMonth, now.wDay,
            now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
  const std::wstring line = std::wstring(stamp) + label + text + L"\r\n";
  const int size = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()),
                                       nullptr, 0, nullptr, nullptr);
  if (size <= 0) return;
  std::string bytes(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), bytes.data(), size,
                      nullptr, nullptr);
  DWORD written = 0;
  // Appended whole with one call: lines of runs that share the file do not mix.
  if (!WriteFile(g_log.get(), bytes.data(), static_cast<DWORD>(size), &written, nullptr)) {
    g_log.reset();  // a log that cannot be written is given up, never retried
  }
} catch (const std::bad_alloc&) {
  // Out of memory: the line is lost, the run goes on as it would.
}

}  // namespace

void OpenInstallLog(const wchar_t* path) {
  if (path == nullptr || *path == L'\0') return;
  // FILE_APPEND_DATA alone: every write goes to the end, whoever else appends.
  g_log.reset(CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!g_log.valid()) return;
  LARGE_INTEGER size{};
  if (GetFileSizeEx(g_log.get(), &size) && size.QuadPart == 0) {
    DWORD written = 0;
    WriteFile(g_log.get(), "\xEF\xBB\xBF", 3, &written, nullptr);
  }
  WriteLine(L"", L"======== kzpstub run ========");
}

bool InstallLogActive() { return g_log.valid(); }

void LogLine(const char* format, ...) {
  if (!g_log.valid()) return;
  wchar_t wideFormat[256] = {};
  Widen(format, wideFormat, 256);
  wchar_t text[1025] = {};
  va_list arguments;
  va_start(arguments, format);
  wvsprintfW(text, wideFormat, arguments);
  va_end(arguments);
  WriteLine(L"", text);
}

void LogText(const char* label, const wchar_t* text) {
  if (!g_log.valid()) return;
  wchar_t wideLabel[256] = {};
  Widen(label, wideLabel, 256);
  WriteLine(wideLabel, text != nullptr ? text : L"(none)");
}

