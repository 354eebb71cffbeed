#include "archive/entry_name_check.h"

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

}  // namespace

bool IsSafeEntryName(const wchar_t* name) {
  if (name == nullptr || name[0] == L'\0' || IsSeparator(name[0])) return false;
  const wchar_t* component = name;
  for (const wchar_t* p = name;; ++p) {
    if (*p == L':') return false;
    if (*p == L'\0' || IsSeparator(*p)) {
      if (ClimbsUp(component, p)) return false;
      if (*p == L'\0') return true;
      component = p + 1;
    }
  }
}

}  // namespace kzpzip
