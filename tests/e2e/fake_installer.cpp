// A stand-in installer for the end-to-end tests: records how it was started
// and ends with the exit code it is told ("-exit:N" anywhere on its command
// line; 0 without one).
#include <windows.h>

#include <cwchar>
#include <cstdlib>
#include <string>

namespace {

void AppendToLog(const std::wstring& line) {
  wchar_t logPath[MAX_PATH] = {};
  if (GetEnvironmentVariableW(L"KZP_INSTALLER_LOG", logPath, MAX_PATH) == 0) return;
  HANDLE log = CreateFileW(logPath, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (log == INVALID_HANDLE_VALUE) return;
  const std::wstring text = line + L"\n";
  char narrow[4096] = {};
  const int length = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                         narrow, sizeof narrow, nullptr, nullptr);
  DWORD written = 0;
  WriteFile(log, narrow, static_cast<DWORD>(length), &written, nullptr);
  CloseHandle(log);
}

}  // namespace

int wmain() {
  const wchar_t* commandLine = GetCommandLineW();
  wchar_t folder[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, folder);
  AppendToLog(std::wstring(L"cmdline=") + commandLine);
  AppendToLog(std::wstring(L"cwd=") + folder);

  const wchar_t* exitSwitch = std::wcsstr(commandLine, L"-exit:");
  return exitSwitch != nullptr ? static_cast<int>(std::wcstol(exitSwitch + 6, nullptr, 10)) : 0;
}
