#include <windows.h>

#include <new>

#include "app/app_state.h"
#include "app/dll_search.h"
#include "app/extraction_run.h"
#include "app/decimal_text.h"
#include "app/install_log.h"
#include "app/language_code.h"
#include "app/module_library.h"
#include "package/description_search.h"
#include "resources/resource.h"
#include "ui/main_window.h"
#include "ui/resource_message.h"
#include "ui/usage_dialog.h"

namespace {

// At system shutdown this process is asked to end after ordinary
// applications (whose default level is 0x280).
constexpr DWORD kShutdownLevel = 0x64;

void ShowNotAPackage() {
  ShowResourceMessage(nullptr, IDS_NOT_A_PACKAGE, IDS_CAPTION, MB_ICONERROR);
}

// Destroys the icons on every way out of the entry.
class CKzpIconRelease {
 public:
  explicit CKzpIconRelease(AppState& app) : app_(app) {}
  ~CKzpIconRelease() {
    if (app_.largeIcon != nullptr) DestroyIcon(app_.largeIcon);
    if (app_.smallIcon != nullptr) DestroyIcon(app_.smallIcon);
    app_.largeIcon = nullptr;
    app_.smallIcon = nullptr;
  }
  CKzpIconRelease(const CKzpIconRelease&) = delete;
  CKzpIconRelease& operator=(const CKzpIconRelease&) = delete;

 private:
  AppState& app_;
};

// Loads the package description: named after the program file, or else
// found by its content.
bool LoadPackageDefinition(AppState& app, const wchar_t* programPath,
                           const LanguageCode& languageCode) {
  if (app.package.LoadPackage(programPath, languageCode.text)) {
    LogLine("package description: the entry named after the program file");
    return true;
  }
  wchar_t name[kDescriptionNameCapacity] = {};
  const bool found = FindDescriptionEntry(app.archive, name);
  const bool loaded = found && app.package.Load(programPath, name, languageCode.text);
  if (!found) {
    LogLine("package description: none found");
  } else {
    LogLine(loaded ? "package description: %s, found by its content"
                   : "package description: %s, found by its content, cannot be read",
            name);
  }
  return loaded;
}

const wchar_t* NoneIfNull(const wchar_t* text) { return text != nullptr ? text : L"(none)"; }

const wchar_t* ModeName(const CommandLineSwitches& switches) {
  if (switches.helpRequested) return L"usage";
  if (switches.extractRequested) return L"silent extract";
  if (switches.installRequested) return L"silent install";
  return L"interactive";
}

// The run's first lines: who, how started, in which mode.
void LogStart(const wchar_t* programPath, const CommandLineSwitches& switches,
              const LanguageCode& languageCode) {
  LogText("program: ", programPath);
  LogText("command line: ", GetCommandLineW());
  LogLine("mode: %s, language: %s", ModeName(switches), languageCode.text);
}

void LogArchive(const kzpzip::ZIP_File& archive, int opened) {
  if (!InstallLogActive()) return;
  if (opened != kzpzip::ZIP_OK) {
    LogLine("archive: cannot be opened (result %d)", opened);
    return;
  }
  unsigned long long bytes = 0;
  for (unsigned i = 0; i < archive.GetEntryCount(); ++i) {
    bytes += archive.GetEntry(static_cast<int>(i))->uncompressedSize;
  }
  LogLine("archive: opened, %u entries, %s bytes", archive.GetEntryCount(),
          DecimalText(bytes).c_str());
}

void LoadIcons(AppState& app) {
  app.smallIcon = static_cast<HICON>(
      LoadImageW(app.instance, MAKEINTRESOURCEW(IDI_PACKAGE), IMAGE_ICON,
                 GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
  app.largeIcon = static_cast<HICON>(LoadImageW(app.instance, MAKEINTRESOURCEW(IDI_PACKAGE),
                                                IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
}

// Runs the one mode the switches and the package ask for; returns the
// process exit code. The mode is the first that applies: help, no archive,
// extract, no description, install, interactive.
int RunMode(AppState& app, const LanguageCode& languageCode) {
  const CommandLineSwitches& switches = app.switches;
  wchar_t programPath[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameW(nullptr, programPath, MAX_PATH);
  LogStart(programPath, switches, languageCode);
  if (switches.helpRequested) {
    DialogBoxParamW(app.instance, MAKEINTRESOURCEW(IDD_USAGE), GetDesktopWindow(),
                    UsageDialogProc, 0);
    return 1;
  }
  const bool silentInstall = IsSilentInstall(switches);

  // A path that filled the buffer was cut: never open a file under a cut name.
  const bool pathOk = length > 0 && length < MAX_PATH;
  const int opened = pathOk ? app.archive.Open(programPath, true) : kzpzip::ZIP_E_BAD_ARG;
  LogArchive(app.archive, opened);
  if (opened != kzpzip::ZIP_OK) {
    ShowNotAPackage();  // in every mode, the silent ones included
    app.exitCode = silentInstall ? kInstallFailedExitCode : 0;
    return app.exitCode;
  }

  if (switches.extractRequested) {
    return RunExtraction(nullptr, switches.extractPath, false, true);
  }

  if (!LoadPackageDefinition(app, programPath, languageCode)) {
    if (!silentInstall) ShowNotAPackage();
    app.exitCode = silentInstall ? kInstallFailedExitCode : 0;
    return app.exitCode;
  }
  LogLine("package: %s, version %s", NoneIfNull(app.package.GetPackageName()),
          NoneIfNull(app.package.GetPackageVersion()));
  LoadIcons(app);

  if (silentInstall) {
    app.exitCode = RunExtraction(nullptr, nullptr, true, true);
    return app.exitCode;
  }
  // The window sets the exit code; without the RichEdit library it cannot
  // be created and the process ends with the initial 1.
  ShowMainWindow();
  return app.exitCode;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int) {
  RestrictDllSearchPath();
  AppState& app = TheApp();
  app.instance = instance;
  app.smallIcon = nullptr;
  app.largeIcon = nullptr;
  app.exitCode = 1;

  try {
    LanguageCode languageCode;
    SelectLanguageCode(languageCode);
    SetProcessShutdownParameters(kShutdownLevel, 0);
    // On the way out the library goes first, then the icons.
    CKzpIconRelease icons(app);
    // A missing library is not reported here: the main window then cannot be
    // created and the process ends with the initial exit code.
    CKzpModuleLibrary richEdit(L"riched32.dll");
    ParseCommandLine(commandLine, app.switches);
    OpenInstallLog(app.switches.logPath);
    const int exitCode = RunMode(app, languageCode);
    LogLine("exit code %d", exitCode);
    return exitCode;
  } catch (const std::bad_alloc&) {
    // Out of memory outside the run (loading the package, say): a silent
    // installation reports a failure that deployment tools recognise.
    const int exitCode = IsSilentInstall(app.switches) ? kInstallFailedExitCode : app.exitCode;
    LogLine("out of memory; exit code %d", exitCode);
    return exitCode;
  }
}
