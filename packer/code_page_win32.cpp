// Code pages through Windows' own tables, for the Windows build.
#include <windows.h>

#include <string>

#include "packer/code_page.h"
#include "packer/text_convert.h"

namespace kzppack {
namespace {

// Code pages that take neither WC_NO_BEST_FIT_CHARS nor a "default
// character used" flag (the stateful and UTF encodings); for these the
// round trip alone decides.
bool TakesNoFlags(UINT codePage) {
  return codePage == 42 || codePage == 54936 || (codePage >= 50220 && codePage <= 50229) ||
         (codePage >= 57002 && codePage <= 57011) || codePage == 65000 || codePage == 65001;
}

}  // namespace

bool HasConverter(int codePage) {
  CPINFO info{};
  return IsValidCodePage(static_cast<UINT>(codePage)) &&
         GetCPInfo(static_cast<UINT>(codePage), &info);
}

// Without best fit: a character with no exact form becomes the default
// character, which usedDefault reports, instead of a look-alike ("a" for
// U+00E4 in code page 437 would name another file).
bool ConvertToCodePage(int codePage, const std::string& utf8, std::string& bytes) {
  std::wstring wide;
  if (!Utf8ToWide(utf8, wide)) return false;
  bytes.clear();
  if (wide.empty()) return true;
  const UINT page = static_cast<UINT>(codePage);
  const bool plain = TakesNoFlags(page);
  const DWORD flags = plain ? 0 : WC_NO_BEST_FIT_CHARS;
  BOOL usedDefault = FALSE;
  const int length = static_cast<int>(wide.size());
  const int size = WideCharToMultiByte(page, flags, wide.data(), length, nullptr, 0, nullptr,
                                       plain ? nullptr : &usedDefault);
  if (size <= 0 || usedDefault) return false;
  bytes.assign(static_cast<std::size_t>(size), '\0');
  if (WideCharToMultiByte(page, flags, wide.data(), length, &bytes[0], size, nullptr,
                          plain ? nullptr : &usedDefault) != size ||
      usedDefault) {
    return false;
  }
  return true;
}

bool ConvertFromCodePage(int codePage, const std::string& bytes, std::string& utf8) {
  utf8.clear();
  if (bytes.empty()) return true;
  const UINT page = static_cast<UINT>(codePage);
  const int length = static_cast<int>(bytes.size());
  const DWORD flags = TakesNoFlags(page) ? 0 : MB_ERR_INVALID_CHARS;
  const int size = MultiByteToWideChar(page, flags, bytes.data(), length, nullptr, 0);
  if (size <= 0) return false;
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  if (MultiByteToWideChar(page, flags, bytes.data(), length, &wide[0], size) != size) {
    return false;
  }
  utf8 = WideToUtf8(wide);
  return true;
}

std::wstring UpperCaseName(const std::wstring& text) {
  if (text.empty()) return text;
  const int length = static_cast<int>(text.size());
  std::wstring upper(text.size(), L'\0');
  // Simple case mapping keeps the length; anything else is not a fold.
  if (LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, text.data(), length, &upper[0], length,
                    nullptr, nullptr, 0) != length) {
    return text;
  }
  return upper;
}

}  // namespace kzppack
