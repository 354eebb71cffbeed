// A stand-in installer for the end-to-end tests: records how it was started
// and ends with the exit code it is told ("-exit:N" anywhere on its command
// line; 0 without one). On request it leaves what real installers may leave
// in their folder:
//   -deep:N               a chain of N nested folders, longer than MAX_PATH,
//                         with a read-only file at its end ("deep=made" in
//                         the log when it was made)
//   -symlink:NAME=TARGET  a symbolic link NAME to TARGET (under Wine; TARGET
//                         is a Linux path, relative to the current folder)
// and what installers that hand over to a later stage do:
//   -sleep:MS             waits that long first
//   -check:NAME           logs "NAME=present" or "NAME=missing" for a file
//                         beside the program (after the sleep)
//   -relaunch             starts its own program file again as a second stage
//                         ("-sleep:3000 -check:payload.dat -exit:9") from C:\,
//                         so that only its program file lies in the work folder
//   -launch:PATH          starts the program PATH from its own folder and logs
//                         "launched=<id>"
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

// The text after a switch up to the next blank, or none.
bool SwitchValue(const wchar_t* commandLine, const wchar_t* name, std::wstring& value) {
  const wchar_t* found = std::wcsstr(commandLine, name);
  if (found == nullptr) return false;
  const wchar_t* start = found + std::wcslen(name);
  const wchar_t* end = std::wcschr(start, L' ');
  value.assign(start, end != nullptr ? end : start + std::wcslen(start));
  return true;
}

bool MakeDeepChain(const wchar_t* folder, int levels) {
  std::wstring path = std::wstring(L"\\\\?\\") + folder;
  for (int i = 0; i < levels; ++i) {
    path += L"\\" + std::wstring(40, static_cast<wchar_t>(L'a' + i % 26));
    if (!CreateDirectoryW(path.c_str(), nullptr)) return false;
  }
  path += L"\\bottom.txt";
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_READONLY, nullptr);
  return file != INVALID_HANDLE_VALUE && CloseHandle(file) && path.size() > MAX_PATH;
}

// Made by the system's ln through Wine's Z: drive, as Wine 8's
// CreateSymbolicLinkW reports success and makes nothing. Wine cannot wait
// for a Linux process: watch the link (to an existing target) appear.
void MakeSymbolicLink(const std::wstring& name, const std::wstring& target) {
  std::wstring command = L"Z:\\bin\\ln -s " + target + L" " + name;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  for (int i = 0; i < 100 && GetFileAttributesW(name.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) {
    Sleep(50);
  }
}

// Starts program with arguments from folder, without waiting; answers its
// process id, 0 when it did not start.
DWORD Start(const std::wstring& program, const std::wstring& arguments, const wchar_t* folder,
            DWORD flags = 0) {
  std::wstring commandLine = L"\"" + program + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, flags,
                      nullptr, folder, &startup, &process)) {
    return 0;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return process.dwProcessId;
}

std::wstring OwnFolder() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder = path;
  return folder.substr(0, folder.rfind(L'\\'));
}

}  // namespace

int wmain() {
  const wchar_t* commandLine = GetCommandLineW();
  wchar_t folder[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, folder);
  AppendToLog(std::wstring(L"cmdline=") + commandLine);
  AppendToLog(std::wstring(L"cwd=") + folder);

  std::wstring value;
  if (SwitchValue(commandLine, L"-sleep:", value)) Sleep(std::wcstoul(value.c_str(), nullptr, 10));
  if (SwitchValue(commandLine, L"-check:", value)) {
    const std::wstring path = OwnFolder() + L"\\" + value;
    const bool present = GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    AppendToLog(value + (present ? L"=present" : L"=missing"));
  }
  if (std::wcsstr(commandLine, L"-relaunch") != nullptr) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    Start(self, L"-sleep:3000 -check:payload.dat -exit:9", L"C:\\");
  }
  if (SwitchValue(commandLine, L"-launch:", value)) {
    const std::wstring folder = value.substr(0, value.rfind(L'\\'));
    // Detached: under Wine a program started from a console program keeps
    // its console, and with it the console host, whose current folder is
    // the work folder, even a GUI program, which on Windows has none.
    AppendToLog(L"launched=" +
                std::to_wstring(Start(value, L"", folder.c_str(), DETACHED_PROCESS)));
  }
  if (SwitchValue(commandLine, L"-deep:", value)) {
    AppendToLog(MakeDeepChain(folder, std::wcstol(value.c_str(), nullptr, 10)) ? L"deep=made"
                                                                              : L"deep=failed");
  }
  if (SwitchValue(commandLine, L"-symlink:", value) && value.find(L'=') != std::wstring::npos) {
    MakeSymbolicLink(value.substr(0, value.find(L'=')), value.substr(value.find(L'=') + 1));
  }

  const wchar_t* exitSwitch = std::wcsstr(commandLine, L"-exit:");
  return exitSwitch != nullptr ? static_cast<int>(std::wcstol(exitSwitch + 6, nullptr, 10)) : 0;
}
