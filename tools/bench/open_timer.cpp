// open_timer: how long kzpzip::ZIP_File::Open takes on one package, read
// only, as the stub opens its own file. Process start-up is not counted.
// Prints "open_ms=<ms> entries=<count> result=<code>".
// Usage: open_timer.exe <package>
#include <windows.h>

#include <cstdio>

#include "archive/zip_file.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: open_timer.exe <package>\n");
    return 2;
  }
  LARGE_INTEGER frequency{};
  LARGE_INTEGER started{};
  LARGE_INTEGER ended{};
  QueryPerformanceFrequency(&frequency);

  kzpzip::ZIP_File archive;
  QueryPerformanceCounter(&started);
  const int result = archive.Open(argv[1], true);
  QueryPerformanceCounter(&ended);

  const double ms =
      static_cast<double>(ended.QuadPart - started.QuadPart) * 1000.0 / frequency.QuadPart;
  std::printf("open_ms=%.2f entries=%u result=%d\n", ms, archive.GetEntryCount(), result);
  archive.Close();
  return result == kzpzip::ZIP_OK ? 0 : 1;
}
