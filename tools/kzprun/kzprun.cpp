// kzprun <program> [arguments...]: starts a program, waits for it and
// prints its full 32-bit exit code (a Linux shell sees only its low 8 bits
// when a Windows program ends under Wine).
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

// The raw text after the first n tokens of a command line, following the
// platform's rule for program names: a token ends at the first blank unless
// it begins with a quotation mark.
const wchar_t* SkipTokens(const wchar_t* text, int n) {
  for (int i = 0; i < n; ++i) {
    while (*text == L' ' || *text == L'\t') ++text;
    if (*text == L'"') {
      ++text;
      while (*text != L'\0' && *text != L'"') ++text;
      if (*text == L'"') ++text;
    } else {
      while (*text != L'\0' && *text != L' ' && *text != L'\t') ++text;
    }
  }
  while (*text == L' ' || *text == L'\t') ++text;
  return text;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fwprintf(stderr, L"usage: kzprun <program> [arguments...]\n");
    return 2;
  }
  std::wstring commandLine = std::wstring(L"\"") + argv[1] + L"\" " + SkipTokens(GetCommandLineW(), 2);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(argv[1], commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    std::fwprintf(stderr, L"kzprun: cannot start %ls (error %lu)\n", argv[1], GetLastError());
    return 2;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD exitCode = 0;
  GetExitCodeProcess(process.hProcess, &exitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  std::wprintf(L"exit code %ld (0x%08lX)\n", static_cast<long>(exitCode), exitCode);
  return 0;
}
