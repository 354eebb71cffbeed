#include "app/installer_run.h"

#include <string>

#include "app/app_state.h"
#include "app/install_log.h"
#include "app/installation_job.h"
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

// Waits in slices, serving the thread's window messages between them, for
// the installer to end and then for every later stage of the installation
// that still needs the work folder (CKzpInstallationJob tells which).
void WaitForInstallation(HANDLE installer, const CKzpInstallationJob& job) {
  while (WaitForSingleObject(installer, kWaitSliceMs) == WAIT_TIMEOUT) {
    DispatchWaitingMessages();
  }
  if (!job.UsesWorkFolder()) return;
  LogLine("the installer has ended; later stages still use the work folder: waiting");
  do {
    DispatchWaitingMessages();
    Sleep(kWaitSliceMs);
  } while (job.UsesWorkFolder());
  LogLine("the later stages have ended");
}

// The command interpreter or Windows Installer by its full path: a bare
// "cmd.exe" would be searched for in the program's own folder first, where
// a downloaded package may have a stranger's cmd.exe next to it. Empty for a
// program, which the command line names.
std::wstring SystemProgramFor(InstallerKind kind) {
  if (kind == InstallerKind::kProgram) return {};
  wchar_t system[MAX_PATH] = {};
  const UINT length = GetSystemDirectoryW(system, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  return std::wstring(system) + (kind == InstallerKind::kBatch ? L"\\cmd.exe" : L"\\msiexec.exe");
}

}  // namespace

bool BuildInstallerCommand(wchar_t* programPart, size_t capacity, InstallerKind* kind) {
  const AppState& app = TheApp();
  const bool built =
      ComposeProgramPart(app.package.GetInstallCommand(), app.package.GetInstallParameters(),
                         app.switches.forceRequested, programPart, capacity, kind);
  if (built && app.switches.forceRequested && *kind != InstallerKind::kProgram) {
    LogLine("/force is not passed to a batch file or a Windows Installer package");
  }
  return built;
}

DWORD RunInstaller(wchar_t* commandLine, const wchar_t* folder, InstallerKind kind) {
  const std::wstring program = SystemProgramFor(kind);
  if (kind != InstallerKind::kProgram && program.empty()) return ERROR_FILE_NOT_FOUND;

  CKzpInstallationJob job(folder);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  // Suspended until it is in the job, so that nothing it starts escapes.
  if (!program.empty()) LogText("installer program: ", program.c_str());
  LogText("installer command line: ", commandLine);
  if (!CreateProcessW(program.empty() ? nullptr : program.c_str(), commandLine, nullptr, nullptr,
                      FALSE, CREATE_SUSPENDED | CREATE_NO_WINDOW | NORMAL_PRIORITY_CLASS, nullptr,
                      folder, &startup, &info)) {
    const DWORD error = GetLastError();
    LogLine("the installer cannot be started (error %lu)", error);
    return error;
  }
  CKzpProcess process(info);
  if (!job.Assign(process.Handle())) {
    LogLine("no job for the installer (error %lu): only the installer itself is waited for",
            GetLastError());
  }
  if (ResumeThread(info.hThread) == static_cast<DWORD>(-1)) {
    // Left suspended it would be waited for for ever.
    const DWORD error = GetLastError();
    TerminateProcess(process.Handle(), error);
    LogLine("the installer cannot be started (error %lu)", error);
    return error;
  }
  LogLine("installer started, process id %lu", info.dwProcessId);
  WaitForInstallation(process.Handle(), job);
  // The exit code is the installer's own, whatever its later stages end with.
  DWORD exitCode = 0;
  if (!GetExitCodeProcess(process.Handle(), &exitCode)) exitCode = GetLastError();
  LogLine("installer exit code %d", exitCode);
  return exitCode;
}
