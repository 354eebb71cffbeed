#include <windows.h>

#include <new>

#include "app/app_state.h"
#include "app/dll_search.h"
#include "app/extraction_run.h"
#include "app/language_code.h"
#include "app/module_library.h"
#include "resources/resource.h"
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

// Runs the one mode the switches and the package ask for; returns the
// process exit code.
int RunMode(AppState& app, const LanguageCode& /*languageCode*/) {
  if (app.switches.helpRequested) {
    DialogBoxParamW(app.instance, MAKEINTRESOURCEW(IDD_USAGE), GetDesktopWindow(),
                    UsageDialogProc, 0);
    return 1;
  }

  wchar_t programPath[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameW(nullptr, programPath, MAX_PATH);
  // A path that filled the buffer was cut: never open a file under a cut name.
  const bool pathOk = length > 0 && length < MAX_PATH;
  if (!pathOk || app.archive.Open(programPath, true) != kzpzip::ZIP_OK) {
    ShowNotAPackage();
    app.exitCode = 0;
    return 0;
  }

  if (app.switches.extractRequested) {
    return RunExtraction(nullptr, app.switches.extractPath, false, true);
  }

  // The package definition is read by the package module; without it no
  // description can be found.
  if (!app.switches.installRequested) ShowNotAPackage();
  app.exitCode = 0;
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
    // A missing library is not reported here: the main window then cannot be
    // created and the process ends with the initial exit code.
    CKzpModuleLibrary richEdit(L"riched32.dll");
    CKzpIconRelease icons(app);
    ParseCommandLine(commandLine, app.switches);
    return RunMode(app, languageCode);
  } catch (const std::bad_alloc&) {
    return app.exitCode;
  }
}
