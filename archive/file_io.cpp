#include "archive/file_io.h"

namespace kzpzip {

bool SeekTo(HANDLE file, std::uint32_t position) {
  if (position > 0x7FFFFFFFu) return false;
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

}  // namespace kzpzip
