#include "archive/target_overlap.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>

namespace kzpzip {

namespace {

constexpr std::uint64_t kHashStart = 14695981039346656037ull;  // FNV-1a, 64-bit
constexpr std::uint64_t kHashFactor = 1099511628211ull;

std::uint64_t Mix(std::uint64_t hash, wchar_t c) {
  hash ^= static_cast<std::uint16_t>(c);
  return hash * kHashFactor;
}

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool IsAscii(const wchar_t* name) {
  for (; *name != L'\0'; ++name) {
    if (*name > 0x7F) return false;
  }
  return true;
}

wchar_t AsciiUpper(wchar_t c) { return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - 32) : c; }

// Other letters fold as the invariant locale folds them, which is how the
// file system's own case table was made.
bool FoldCase(const wchar_t* name, std::wstring& folded) {
  const int length = static_cast<int>(std::wcslen(name));
  const int size = LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, name, length, nullptr, 0,
                                 nullptr, nullptr, 0);
  if (size <= 0) return false;
  folded.assign(static_cast<std::size_t>(size), L'\0');
  return LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, name, length, &folded[0], size,
                       nullptr, nullptr, 0) == size;
}

bool HasDuplicate(const std::vector<std::uint64_t>& sorted) {
  return std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end();
}

bool ShareAny(const std::vector<std::uint64_t>& a, const std::vector<std::uint64_t>& b) {
  auto i = a.begin();
  auto j = b.begin();
  while (i != a.end() && j != b.end()) {
    if (*i == *j) return true;
    if (*i < *j) {
      ++i;
    } else {
      ++j;
    }
  }
  return false;
}

}  // namespace

void CKzpTargetOverlap::Add(const wchar_t* name) {
  if (found_ || name == nullptr) return;
  const wchar_t* text = name;
  if (!IsAscii(name)) {
    if (!FoldCase(name, folded_)) {
      found_ = true;
      return;
    }
    text = folded_.c_str();
  }

  std::uint64_t path = kHashStart;  // the levels so far, joined by '\'
  std::size_t depth = 0;
  const wchar_t* level = text;
  for (const wchar_t* p = text;; ++p) {
    if (*p != L'\0' && !IsSeparator(*p)) continue;
    const wchar_t* end = p;
    while (end != level && (end[-1] == L'.' || end[-1] == L' ')) --end;
    if (end != level) {
      if (depth > 0) {
        AddFolder(path, depth - 1);
        path = Mix(path, L'\\');
      }
      for (const wchar_t* c = level; c != end; ++c) {
        if (*c == L'~') {
          found_ = true;
          return;
        }
        path = Mix(path, AsciiUpper(*c));
      }
      ++depth;
    }
    if (*p == L'\0') break;
    level = p + 1;
  }
  const bool isFolder = text[0] != L'\0' && IsSeparator(text[std::wcslen(text) - 1]);
  if (isFolder) {
    if (depth > 0) AddFolder(path, depth - 1);
  } else {
    files_.push_back(path);
  }
}

// Entries come sorted by folder as a rule, so a folder level that the
// previous name had at the same depth is not kept again.
void CKzpTargetOverlap::AddFolder(std::uint64_t path, std::size_t depth) {
  if (depth < lastFolders_.size() && lastFolders_[depth] == path) return;
  lastFolders_.resize(depth + 1);
  lastFolders_[depth] = path;
  folders_.push_back(path);
}

bool CKzpTargetOverlap::Found() {
  if (found_) return true;
  std::sort(files_.begin(), files_.end());
  std::sort(folders_.begin(), folders_.end());
  found_ = HasDuplicate(files_) || ShareAny(files_, folders_);
  return found_;
}

}  // namespace kzpzip
