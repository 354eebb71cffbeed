// hold_file <path> <share>: opens the file for reading and writing as
// another program would, sharing it as asked ("none": with no one; "read":
// with readers and writers), says "holding", and keeps it open until its
// standard input ends.
#include <windows.h>

#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fwprintf(stderr, L"usage: hold_file <path> none|read\n");
    return 2;
  }
  const DWORD share = std::wcscmp(argv[2], L"none") == 0 ? 0 : FILE_SHARE_READ | FILE_SHARE_WRITE;
  HANDLE file = CreateFileW(argv[1], GENERIC_READ | GENERIC_WRITE, share, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    std::fwprintf(stderr, L"cannot open %ls: %lu\n", argv[1], GetLastError());
    return 1;
  }
  std::printf("holding\n");
  std::fflush(stdout);
  char line[64];
  while (std::fgets(line, sizeof line, stdin) != nullptr) {
  }
  CloseHandle(file);
  return 0;
}
