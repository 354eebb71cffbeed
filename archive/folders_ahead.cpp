#include "archive/folders_ahead.h"

#include <windows.h>

namespace kzpzip {

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

}  // namespace

void CKzpFoldersAhead::Make(wchar_t* target, std::size_t length, std::uint32_t index) {
  // The folder part ends before the last separator (a folder entry's is its
  // trailing one).
  std::size_t end = length - 1;
  if (!IsSeparator(target[end])) {
    while (end > destinationLength_ && !IsSeparator(target[end])) --end;
  }
  if (end <= destinationLength_) return;  // right in the destination
  // Entries of one folder come together as a rule: its levels are made once.
  if (lastFolder_.size() == end && lastFolder_.compare(0, end, target, end) == 0) return;
  lastFolder_.assign(target, end);

  // Each level is named with the separator behind it, as in the target
  // path itself: without it, Win32 would trim trailing blanks and dots from
  // the level ("dir " would make "dir"), and the entry's own extraction,
  // which names it inside the longer path, would make a second folder.
  for (std::size_t i = destinationLength_ + 1; i <= end; ++i) {
    if (!IsSeparator(target[i])) continue;
    if (IsSeparator(target[i - 1])) continue;  // an empty level
    const wchar_t kept = target[i + 1];
    target[i + 1] = L'\0';
    const bool made = CreateDirectoryW(target, nullptr) != FALSE;
    const DWORD error = made ? ERROR_SUCCESS : GetLastError();
    target[i + 1] = kept;
    if (made) {
      made_.push_back(Made{index, static_cast<std::uint32_t>(i + 1)});
    } else if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) {
      return;
    }
  }
}

}  // namespace kzpzip
