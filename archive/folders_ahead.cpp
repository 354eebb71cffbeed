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

  for (std::size_t i = destinationLength_ + 1; i <= end; ++i) {
    if (i < end && !IsSeparator(target[i])) continue;
    if (IsSeparator(target[i - 1])) continue;  // an empty level
    const wchar_t kept = target[i];
    target[i] = L'\0';
    const bool made = CreateDirectoryW(target, nullptr) != FALSE;
    const DWORD error = made ? ERROR_SUCCESS : GetLastError();
    target[i] = kept;
    if (made) {
      made_.push_back(Made{index, static_cast<std::uint32_t>(i)});
    } else if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) {
      return;
    }
  }
}

}  // namespace kzpzip
