#include "archive/file_io.h"

namespace kzpzip {

bool IsReachable(std::uint32_t position) { return position <= 0x7FFFFFFFu; }

bool SeekTo(HANDLE file, std::uint32_t position) {
  if (!IsReachable(position)) return false;
  DWORD landed = SetFilePointer(file, static_cast<LONG>(position), nullptr, FILE_BEGIN);
  return landed == position;
}

bool ReadSome(HANDLE file, void* buffer, std::uint32_t size, std::uint32_t* got) {
  DWORD read = 0;
  BOOL ok = ReadFile(file, buffer, size, &read, nullptr);
  *got = read;
  return ok != FALSE;
}

bool ReadExact(HANDLE file, void* buffer, std::uint32_t size) {
  std::uint32_t got = 0;
  return ReadSome(file, buffer, size, &got) && got == size;
}

// A synchronous handle given an OVERLAPPED reads at its offset and returns
// when done; Windows serialises such reads on one handle, and Wine serves
// them with pread(), which never looks at the shared position.
bool ReadExactAt(HANDLE file, std::uint32_t position, void* buffer, std::uint32_t size) {
  if (!IsReachable(position)) return false;
  OVERLAPPED at{};
  at.Offset = position;
  DWORD read = 0;
  return ReadFile(file, buffer, size, &read, &at) && read == size;
}

}  // namespace kzpzip
