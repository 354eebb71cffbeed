// extract_timer: how long kzpzip::ZIP_File::ExtractAllOnThreads takes on one
// package with a given number of threads, inside one process, so that runs
// with 1 and more threads compare without process start-up in the way.
// Prints "extract_ms=<ms> cpu_ms=<ms> threads=<n> result=<code>", where
// cpu_ms is the process's user and kernel time over the extraction: about
// twice extract_ms when two threads keep busy all along.
// Usage: extract_timer.exe <package> <target folder> <threads>
#include <windows.h>

#include <cstdio>
#include <cwchar>

#include "archive/zip_file.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: extract_timer.exe <package> <target folder> <threads>\n");
    return 2;
  }
  const unsigned threads = static_cast<unsigned>(std::wcstoul(argv[3], nullptr, 10));
  kzpzip::ZIP_File archive;
  if (archive.Open(argv[1], true) != kzpzip::ZIP_OK) {
    std::fprintf(stderr, "cannot open the package\n");
    return 1;
  }
  auto cpuMs = [] {
    FILETIME created{}, exited{}, kernel{}, user{};
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto ticks = [](const FILETIME& t) {
      return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0;
  };
  LARGE_INTEGER frequency{};
  LARGE_INTEGER started{};
  LARGE_INTEGER ended{};
  QueryPerformanceFrequency(&frequency);
  const double cpuBefore = cpuMs();
  QueryPerformanceCounter(&started);
  const int result = archive.ExtractAllOnThreads(argv[2], nullptr, nullptr, threads);
  QueryPerformanceCounter(&ended);
  const double cpu = cpuMs() - cpuBefore;
  const double ms =
      static_cast<double>(ended.QuadPart - started.QuadPart) * 1000.0 / frequency.QuadPart;
  std::printf("extract_ms=%.1f cpu_ms=%.1f threads=%u result=%d\n", ms, cpu, threads, result);
  return result == kzpzip::ZIP_OK ? 0 : 1;
}
