// run_measured: starts one program, waits for it and prints its wall time,
// exit code and peak memory on one line:
//   wall_ms=<ms> exit=<code> peak_ws_kib=<KiB> peak_pagefile_kib=<KiB> samples=<n>
// Usage: run_measured.exe <program> [arguments...]
//
// The memory figures come from GetProcessMemoryInfo (psapi) on the child.
// Under Wine the query reads the child's /proc/<pid>/status: VmHWM becomes
// PeakWorkingSetSize (a true high-water mark kept by the kernel), while
// PeakPagefileUsage is only the current private size. Once the child has
// exited the query has nothing to read, so the child is sampled while it
// runs: the last sample holds the working-set peak up to that moment, and
// the largest sampled private size stands for the private peak.
#include <windows.h>
#include <psapi.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

constexpr DWORD kSampleMilliseconds = 10;

// Quotes one argument the way CommandLineToArgvW splits it again.
void AppendQuoted(std::wstring& line, const wchar_t* argument) {
  std::wstring text(argument);
  if (!text.empty() && text.find_first_of(L" \t\"") == std::wstring::npos) {
    line += text;
    return;
  }
  line += L'"';
  std::size_t backslashes = 0;
  for (wchar_t c : text) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    if (c == L'"') line.append(backslashes * 2 + 1, L'\\');
    else line.append(backslashes, L'\\');
    backslashes = 0;
    line += c;
  }
  line.append(backslashes * 2, L'\\');
  line += L'"';
}

struct MemoryPeaks {
  SIZE_T workingSet = 0;
  SIZE_T privateBytes = 0;
  unsigned samples = 0;
};

void Sample(HANDLE process, MemoryPeaks& peaks) {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(process, &counters, sizeof counters)) return;
  // A query that found no process reports zeros; it is no sample.
  if (counters.PeakWorkingSetSize == 0 && counters.WorkingSetSize == 0) return;
  peaks.workingSet = std::max({peaks.workingSet, counters.PeakWorkingSetSize,
                               counters.WorkingSetSize});
  peaks.privateBytes = std::max({peaks.privateBytes, counters.PeakPagefileUsage,
                                 counters.PagefileUsage});
  ++peaks.samples;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: run_measured.exe <program> [arguments...]\n");
    return 2;
  }
  std::wstring commandLine;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) commandLine += L' ';
    AppendQuoted(commandLine, argv[i]);
  }

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  LARGE_INTEGER frequency{};
  LARGE_INTEGER started{};
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&started);
  if (!CreateProcessW(argv[1], &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &info)) {
    std::fprintf(stderr, "run_measured: cannot start %ls (error %lu)\n", argv[1], GetLastError());
    return 2;
  }
  CloseHandle(info.hThread);

  MemoryPeaks peaks;
  while (WaitForSingleObject(info.hProcess, kSampleMilliseconds) == WAIT_TIMEOUT) {
    Sample(info.hProcess, peaks);
  }
  LARGE_INTEGER ended{};
  QueryPerformanceCounter(&ended);
  Sample(info.hProcess, peaks);

  DWORD exitCode = 0;
  GetExitCodeProcess(info.hProcess, &exitCode);
  CloseHandle(info.hProcess);
  const double wallMs =
      static_cast<double>(ended.QuadPart - started.QuadPart) * 1000.0 / frequency.QuadPart;
  std::printf("wall_ms=%.1f exit=%lu peak_ws_kib=%llu peak_pagefile_kib=%llu samples=%u\n",
              wallMs, exitCode, static_cast<unsigned long long>(peaks.workingSet / 1024),
              static_cast<unsigned long long>(peaks.privateBytes / 1024), peaks.samples);
  return 0;
}
