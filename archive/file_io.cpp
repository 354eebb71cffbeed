#include "archive/file_io.h"

namespace kzpzip {

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

namespace {

// Held from the seek to the end of the read, by every caller of ReadExactAt.
SRWLOCK g_positionedReadLock = SRWLOCK_INIT;

}  // namespace

// ReadFile given an OVERLAPPED offset would need no seek, but Wine answers
// every such read with a round trip to its server (to post a completion for
// the OVERLAPPED), one per 16 KiB piece. A seek and a plain read under a
// lock stay inside the process; readers hold the lock for a copy from the
// file cache, so it is rarely contended.
bool ReadExactAt(HANDLE file, std::uint32_t position, void* buffer, std::uint32_t size) {
  AcquireSRWLockExclusive(&g_positionedReadLock);
  const bool read = SeekTo(file, position) && ReadExact(file, buffer, size);
  ReleaseSRWLockExclusive(&g_positionedReadLock);
  return read;
}

}  // namespace kzpzip
