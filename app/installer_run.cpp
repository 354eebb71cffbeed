#include "app/installer_run.h"

#include <string>

#include "app/app_state.h"
#include "app/installer_command.h"

namespace {

constexpr DWORD kWaitSliceMs = 100;

// Owns the two handles CreateProcessW hands out.
class CKzpProcess {
 public:
  explicit CKzpProcess(const PROCESS_INFORMATION& info)
      : process_(info.hProcess), thread_(info.hThread) {}
  ~CKzpProcess() {
    if (thread_ != nullptr) CloseHandle(thread_);
    if (process_ != nullptr) CloseHandle(process_);
  }
  CKzpProcess(const CKzpProcess&) = delete;
  CKzpProcess& operator=(const CKzpProcess&) = delete;
  HANDLE Handle() const { return process_; }

 private:
  HANDLE process_;
  HANDLE thread_;
};

void DispatchWaitingMessages() {
  MSG message{};
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

// The command interpreter by its full path: a bare "cmd.exe" would be
// searched for in the program's own folder first, where a downloaded
// package may have a stranger's cmd.exe next to it.
std::wstring CommandInterpreterPath() {
  wchar_t system[MAX_PATH] = {};
  const UINT length = GetSystemDirectoryW(system, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  return std::wstring(system) + L"\\cmd.exe";
}

}  // namespace

bool BuildInstallerCommand(wchar_t* programPart, size_t capacity, bool* isBatch) {
  const AppState& app = TheApp();
  return ComposeProgramPart(app.package.GetInstallCommand(), app.package.GetInstallParameters(),
                            app.switches.forceRequested, programPart, capacity, isBatch);
}

DWORD RunInstaller(wchar_t* commandLine, const wchar_t* folder, bool isBatch) {
  const std::wstring interpreter = isBatch ? CommandInterpreterPath() : std::wstring();
  if (isBatch && interpreter.empty()) return ERROR_FILE_NOT_FOUND;

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(isBatch ? interpreter.c_str() : nullptr, commandLine, nullptr, nullptr,
                      FALSE, CREATE_NO_WINDOW | NORMAL_PRIORITY_CLASS, nullptr, folder, &startup,
                      &info)) {
    return GetLastError();
  }
  CKzpProcess process(info);
  while (WaitForSingleObject(process.Handle(), kWaitSliceMs) == WAIT_TIMEOUT) {
    DispatchWaitingMessages();
  }
  DWORD exitCode = 0;
  if (!GetExitCodeProcess(process.Handle(), &exitCode)) exitCode = GetLastError();
  return exitCode;
}
