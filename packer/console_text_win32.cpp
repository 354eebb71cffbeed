#include <windows.h>

#include "packer/console_text.h"
#include "packer/text_convert.h"

namespace kzppack {
namespace {

std::string WithCrLf(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 32);
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

}  // namespace

void WriteConsoleText(ConsoleStream stream, const std::string& utf8) {
  const HANDLE handle =
      GetStdHandle(stream == ConsoleStream::kOut ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return;
  const std::string text = WithCrLf(utf8);
  DWORD mode = 0;
  if (GetConsoleMode(handle, &mode)) {
    std::wstring wide;
    if (!Utf8ToWide(text, wide)) wide.assign(text.begin(), text.end());
    const wchar_t* next = wide.data();
    std::size_t left = wide.size();
    while (left > 0) {
      // Consoles take limited pieces at a time.
      const DWORD part = left > 8192 ? 8192 : static_cast<DWORD>(left);
      DWORD written = 0;
      if (!WriteConsoleW(handle, next, part, &written, nullptr) || written == 0) return;
      next += written;
      left -= written;
    }
    return;
  }
  const char* next = text.data();
  std::size_t left = text.size();
  while (left > 0) {
    DWORD written = 0;
    if (!WriteFile(handle, next, static_cast<DWORD>(left), &written, nullptr) || written == 0) {
      return;
    }
    next += written;
    left -= written;
  }
}

}  // namespace kzppack
