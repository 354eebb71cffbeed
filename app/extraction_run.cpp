#include "app/extraction_run.h"

#include <commctrl.h>

#include <cwchar>
#include <new>
#include <vector>

#include "app/app_state.h"
#include "app/decimal_text.h"
#include "app/install_log.h"
#include "app/installer_command.h"
#include "app/installer_run.h"
#include "app/work_folder.h"
#include "archive/entry_name.h"
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
    if (folder_ == nullptr) return;
    RemoveFolderTree(folder_);
    if (!InstallLogActive()) return;
    LogText(GetFileAttributesW(folder_) == INVALID_FILE_ATTRIBUTES
                ? "work folder removed: "
                : "work folder left, for removal at restart where it could be scheduled: ",
            folder_);
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

void LogExtraction(int result) {
  if (result == kzpzip::ZIP_OK) {
    LogLine("extraction: every entry extracted");
    return;
  }
  const kzpzip::ZIP_FileEntry* entry = TheApp().archive.FailedEntry();
  if (entry == nullptr) {
    LogLine("extraction failed (result %d)", result);
  } else {
    // Decoded as the extraction decodes it (UTF-8 or the system's code
    // page); a name that does not decode is logged as its raw bytes.
    std::wstring name;
    if (kzpzip::WidenEntryName(*entry, name)) {
      LogLine("extraction failed (result %d) at the entry %s", result, name.c_str());
    } else {
      LogLine("extraction failed (result %d) at the entry %S", result, entry->fileName);
    }
  }
}

int ExtractAndInstall(HWND owner, const wchar_t* folder, bool useWorkFolder, bool silent) {
  const int failed = FailedRunResult(useWorkFolder, silent);
  CKzpCurrentFolderRestorer currentFolder;

  wchar_t target[kPathCapacity] = {};
  if (useWorkFolder) {
    if (!CreateWorkFolder(target, kPathCapacity)) {
      LogLine("work folder: cannot be made (error %lu)", GetLastError());
      return failed;
    }
  } else if (folder != nullptr) {
    if (std::wcslen(folder) >= kPathCapacity) return 0;
    std::wcscpy(target, folder);
  } else if (!BrowseForTargetFolder(owner, target)) {
    LogLine("no target folder chosen");
    return 0;  // cancelled, or no file-system folder
  }
  LogText(useWorkFolder ? "work folder: " : "target folder: ", target);

  // From here every way out restores the current folder and removes the
  // work folder, if there is one.
  CKzpWorkFolderRemoval workFolder(currentFolder, useWorkFolder ? target : nullptr);

  if (!SetCurrentDirectoryW(target)) {
    LogLine("the folder cannot be made current (error %lu)", GetLastError());
    return failed;
  }

  const unsigned long long required = TheApp().package.GetRequiredSpace();
  const unsigned long long available = AvailableBytesHere();
  if (InstallLogActive()) {
    LogLine("space: %s bytes needed, %s available", DecimalText(required).c_str(),
            DecimalText(available).c_str());
  }
  if (!HasEnoughSpace(available, required)) {
    LogLine("not enough space");
    if (!silent) ShowNoSpaceMessage(owner, required, available);
    return failed;
  }

  CKzpProgressWindow progress;
  if (!silent) progress.Create(owner);
  const int extracted =
      TheApp().archive.ExtractAll(target, ReportExtractionProgress, progress.Bar());
  LogExtraction(extracted);
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
    LogLine("no install command, or one that does not fit");
    return failed;
  }
  const DWORD installerCode = RunInstaller(commandLine.data(), target, kind);
  const int result = TheApp().package.MapReturnCode(static_cast<std::int32_t>(installerCode));
  LogLine(result != static_cast<int>(installerCode)
              ? "exit code %d mapped to %d by the package's returncode_map"
              : "exit code %d taken as it is",
          installerCode, result);

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
