#include "app/extraction_run.h"

#include <commctrl.h>

#include <cwchar>
#include <new>
#include <vector>

#include "app/app_state.h"
#include "app/installer_command.h"
#include "app/installer_run.h"
#include "app/work_folder.h"
#include "resources/resource.h"
#include "ui/folder_browser.h"
#include "ui/no_space_message.h"
#include "ui/progress_window.h"
#include "ui/resource_message.h"

namespace {

constexpr DWORD kPathCapacity = MAX_PATH;
// Gives an installer's last child processes time to let go of their files.
constexpr DWORD kPauseBeforeRemovalMs = 2000;
// Leaves the full progress bar on screen before its window goes.
constexpr DWORD kPauseAfterExtractionMs = 2000;

// Restores the current folder saved at the start of the run on every way out,
// so the target folder is never current when the run returns.
class CKzpCurrentFolderRestorer {
 public:
  CKzpCurrentFolderRestorer() {
    const DWORD length = GetCurrentDirectoryW(kPathCapacity, saved_);
    if (length == 0 || length >= kPathCapacity) saved_[0] = L'\0';
  }
  ~CKzpCurrentFolderRestorer() { Restore(); }
  CKzpCurrentFolderRestorer(const CKzpCurrentFolderRestorer&) = delete;
  CKzpCurrentFolderRestorer& operator=(const CKzpCurrentFolderRestorer&) = delete;

  void Restore() {
    if (saved_[0] != L'\0') SetCurrentDirectoryW(saved_);
  }

 private:
  wchar_t saved_[kPathCapacity] = {};
};

// Removes the work folder on every way out of the run, an exception
// included, after restoring the current folder: the work folder is never
// current when it goes.
class CKzpWorkFolderRemoval {
 public:
  CKzpWorkFolderRemoval(CKzpCurrentFolderRestorer& currentFolder, const wchar_t* folder)
      : currentFolder_(currentFolder), folder_(folder) {}
  ~CKzpWorkFolderRemoval() {
    currentFolder_.Restore();
    if (folder_ != nullptr) RemoveFolderTree(folder_);
  }
  CKzpWorkFolderRemoval(const CKzpWorkFolderRemoval&) = delete;
  CKzpWorkFolderRemoval& operator=(const CKzpWorkFolderRemoval&) = delete;

 private:
  CKzpCurrentFolderRestorer& currentFolder_;
  const wchar_t* folder_;  // none without a work folder
};

// A silent installation that fails before its installer ran must not
// report success: 0 is what deployment tools read as "installed".
int FailedRunResult(bool useWorkFolder, bool silent) {
  return (useWorkFolder && silent) ? kInstallFailedExitCode : 0;
}

unsigned long long AvailableBytesHere() {
  ULARGE_INTEGER available{};
  if (!GetDiskFreeSpaceExW(nullptr, &available, nullptr, nullptr)) return 0;
  return available.QuadPart;
}

}  // namespace

bool HasEnoughSpace(unsigned long long available, unsigned long long required) {
  return available > required;
}

unsigned char ReportExtractionProgress(void* context, const kzpzip::ZIP_ExtractProgress* progress) {
  if (context != nullptr && progress != nullptr && progress->total != 0) {
    const double share = static_cast<double>(progress->current) / progress->total * 100.0;
    SendMessageW(static_cast<HWND>(context), PBM_SETPOS, static_cast<WPARAM>(share), 0);
  }
  return 1;
}

namespace {

int ExtractAndInstall(HWND owner, const wchar_t* folder, bool useWorkFolder, bool silent) {
  const int failed = FailedRunResult(useWorkFolder, silent);
  CKzpCurrentFolderRestorer currentFolder;

  wchar_t target[kPathCapacity] = {};
  if (useWorkFolder) {
    if (!CreateWorkFolder(target, kPathCapacity)) return failed;
  } else if (folder != nullptr) {
    if (std::wcslen(folder) >= kPathCapacity) return 0;
    std::wcscpy(target, folder);
  } else if (!BrowseForTargetFolder(owner, target)) {
    return 0;  // cancelled, or no file-system folder
  }

  // From here every way out restores the current folder and removes the
  // work folder, if there is one.
  CKzpWorkFolderRemoval workFolder(currentFolder, useWorkFolder ? target : nullptr);

  if (!SetCurrentDirectoryW(target)) return failed;

  const unsigned long long required = TheApp().package.GetRequiredSpace();
  const unsigned long long available = AvailableBytesHere();
  if (!HasEnoughSpace(available, required)) {
    if (!silent) ShowNoSpaceMessage(owner, required, available);
    return failed;
  }

  CKzpProgressWindow progress;
  if (!silent) progress.Create(owner);
  const int extracted =
      TheApp().archive.ExtractAll(target, ReportExtractionProgress, progress.Bar());
  if (extracted != kzpzip::ZIP_OK) {
    if (!silent) {
      ShowResourceMessage(owner, IDS_EXTRACTION_FAILED, IDS_CAPTION, MB_ICONERROR);
      progress.Destroy();
      // A failed extraction ends the package window, and with it the
      // interactive run (exit code 1).
      if (owner != nullptr) EndDialog(owner, 1);
    }
    return failed;
  }
  if (!silent) {
    SendMessageW(progress.Bar(), PBM_SETPOS, 100, 0);
    Sleep(kPauseAfterExtractionMs);
    progress.Destroy();
  }
  if (!useWorkFolder) {
    currentFolder.Restore();
    return 1;
  }

  wchar_t programPart[kProgramPartCapacity] = {};
  InstallerKind kind = InstallerKind::kProgram;
  std::vector<wchar_t> commandLine(kCommandLineCapacity, L'\0');
  if (!BuildInstallerCommand(programPart, kProgramPartCapacity, &kind) ||
      !FormatInstallerCommandLine(target, programPart, TheApp().package.GetInstallCommand(),
                                  kind, commandLine.data(), commandLine.size())) {
    return failed;
  }
  const DWORD installerCode = RunInstaller(commandLine.data(), target, kind);
  const int result = TheApp().package.MapReturnCode(static_cast<std::int32_t>(installerCode));

  currentFolder.Restore();
  Sleep(kPauseBeforeRemovalMs);
  return result;  // the work folder goes with its guard
}

}  // namespace

int RunExtraction(HWND owner, const wchar_t* folder, bool useWorkFolder, bool silent) {
  try {
    return ExtractAndInstall(owner, folder, useWorkFolder, silent);
  } catch (const std::bad_alloc&) {
    // Out of memory (the command line's buffer, its string builders): a
    // failed run. The guards have restored the current folder and removed
    // the work folder on the way out.
    return FailedRunResult(useWorkFolder, silent);
  }
}
