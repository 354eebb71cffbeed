#include "archive/entry_name_check.h"

#include <cstddef>
#include <initializer_list>

namespace kzpzip {

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// A component of dots and spaces with two or more dots may climb a level.
bool ClimbsUp(const wchar_t* begin, const wchar_t* end) {
  int dots = 0;
  for (const wchar_t* p = begin; p != end; ++p) {
    if (*p == L'.') {
      ++dots;
    } else if (*p != L' ') {
      return false;
    }
  }
  return dots >= 2;
}

wchar_t Upper(wchar_t c) { return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - 32) : c; }

bool StartsWithNoCase(const wchar_t* begin, const wchar_t* end, const wchar_t* word) {
  for (; *word != L'\0'; ++word, ++begin) {
    if (begin == end || Upper(*begin) != *word) return false;
  }
  return true;
}

// Windows takes the superscript digits one to three (U+00B9, U+00B2,
// U+00B3: 0xB9, 0xB2, 0xB3 in the Western code page) as port numbers too.
bool IsPortDigit(wchar_t c) {
  return (c >= L'1' && c <= L'9') || c == L'\u00B9' || c == L'\u00B2' || c == L'\u00B3';
}

// A device name (CON, PRN, AUX, NUL, COM1-9, LPT1-9, COM and LPT with a
// superscript 1-3), alone or followed by an extension or blanks, opens the
// device instead of a file in that folder.
bool NamesADevice(const wchar_t* begin, const wchar_t* end) {
  const wchar_t* stem = begin;
  while (stem != end && *stem != L'.' && *stem != L' ') ++stem;
  const std::ptrdiff_t length = stem - begin;
  for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL"}) {
    if (length == 3 && StartsWithNoCase(begin, stem, device)) return true;
  }
  for (const wchar_t* device : {L"COM", L"LPT"}) {
    if (length == 4 && StartsWithNoCase(begin, stem, device) && IsPortDigit(begin[3])) {
      return true;
    }
  }
  return false;
}

}  // namespace

bool IsSafeEntryName(const wchar_t* name) {
  if (name == nullptr || name[0] == L'\0' || IsSeparator(name[0])) return false;
  const wchar_t* component = name;
  for (const wchar_t* p = name;; ++p) {
    if (*p == L':') return false;
    if (*p == L'\0' || IsSeparator(*p)) {
      if (ClimbsUp(component, p) || NamesADevice(component, p)) return false;
      if (*p == L'\0') return true;
      component = p + 1;
    }
  }
}

}  // namespace kzpzip
