#include "ui/main_window.h"

#include <commctrl.h>
#include <locale.h>
#include <richedit.h>

#include <cstdint>
#include <new>

#include "app/app_state.h"
#include "app/extraction_run.h"
#include "resources/resource.h"
#include "ui/contents_window.h"
#include "ui/license_dialog.h"

namespace {

constexpr int kFontFaceCapacity = 64;
constexpr int kTextCapacity = 1024;
constexpr LONG kNameHeightTwips = 220;  // 11 points
constexpr int kExitClosed = 3;

// One package window at a time: its description view and the view's own
// window procedure, restored when the window goes.
HWND g_descriptionView = nullptr;
WNDPROC g_descriptionViewProc = nullptr;

const wchar_t* OrEmpty(const wchar_t* text) { return text != nullptr ? text : L""; }

// A setting counts only when it is exactly "1" (not "01", not "true").
bool IsSetToOne(const wchar_t* setting) {
  return setting != nullptr && lstrcmpW(setting, L"1") == 0;
}

void ReplaceAtStart(HWND view, const wchar_t* text) {
  SendMessageW(view, EM_SETSEL, 0, 0);
  SendMessageW(view, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text));
}

// The view reads: name, line break, "Version: " and the version, an empty
// line, the description. Each piece goes in at the start, last one first.
void FillDescriptionView(HWND view, const VRPkg& package) {
  wchar_t versionLabel[kTextCapacity] = {};
  LoadStringW(TheApp().instance, IDS_VERSION_LABEL, versionLabel, kTextCapacity);
  SendMessageW(view, WM_SETTEXT, 0,
               reinterpret_cast<LPARAM>(OrEmpty(package.GetPackageDescription())));
  ReplaceAtStart(view, L"\r\n\r\n");
  ReplaceAtStart(view, versionLabel);
  SendMessageW(view, EM_REPLACESEL, FALSE,
               reinterpret_cast<LPARAM>(OrEmpty(package.GetPackageVersion())));
  ReplaceAtStart(view, L"\r\n");
  ReplaceAtStart(view, OrEmpty(package.GetPackageName()));
}

// The whole text in the face of string 3000; the name bold at 11 points.
void FormatDescriptionView(HWND view, const wchar_t* fontFace, const wchar_t* name) {
  CHARFORMATW face{};
  face.cbSize = sizeof face;
  face.dwMask = CFM_FACE;
  lstrcpynW(face.szFaceName, fontFace, LF_FACESIZE);
  SendMessageW(view, EM_SETSEL, 0, -1);
  SendMessageW(view, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&face));

  setlocale(LC_ALL, "");
  const std::size_t nameBytes = BoldRangeByteCount(name, ___lc_codepage_func());
  CHARFORMATW bold{};
  bold.cbSize = sizeof bold;
  bold.dwMask = CFM_SIZE | CFM_BOLD;
  bold.dwEffects = CFE_BOLD;
  bold.yHeight = kNameHeightTwips;
  SendMessageW(view, EM_SETSEL, 0, static_cast<LPARAM>(nameBytes));
  SendMessageW(view, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&bold));
}

void AddViewContentsItem(HWND window) {
  wchar_t item[kTextCapacity] = {};
  LoadStringW(TheApp().instance, IDS_VIEW_CONTENTS, item, kTextCapacity);
  HMENU systemMenu = GetSystemMenu(window, FALSE);
  AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(systemMenu, MF_STRING, IDM_VIEW_CONTENTS, item);
}

INT_PTR InitMainWindow(HWND window) {
  const AppState& app = TheApp();
  const bool viewContents = !IsSetToOne(app.package.GetSetting(L"DISABLE_VIEW_CONTENTS"));
  wchar_t fontFace[kFontFaceCapacity] = {};
  LoadStringW(app.instance, IDS_DESCRIPTION_FONT, fontFace, kFontFaceCapacity);

  SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(app.largeIcon));
  SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(app.smallIcon));
  wchar_t title[kTextCapacity] = {};
  LoadStringW(app.instance, IDS_CAPTION, title, kTextCapacity);
  SetWindowTextW(window, title);
  if (viewContents) AddViewContentsItem(window);

  HWND view = GetDlgItem(window, IDC_DESCRIPTION);
  g_descriptionView = view;
  // SetWindowLongPtrW: the 32-bit call would cut a 64-bit procedure address.
  g_descriptionViewProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
      view, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DescriptionViewProc)));

  FillDescriptionView(view, app.package);
  FormatDescriptionView(view, fontFace, app.package.GetPackageName());

  wchar_t instruction[kTextCapacity] = {};
  LoadStringW(app.instance, IDS_INSTRUCTION, instruction, kTextCapacity);
  SetDlgItemTextW(window, IDC_INSTRUCTION, instruction);
  SetFocus(GetDlgItem(window, IDC_EXTRACT));
  SendMessageW(view, EM_HIDESELECTION, TRUE, 0);
  return 0;  // the focus has been set
}

void RestoreDescriptionView() {
  if (g_descriptionView != nullptr && g_descriptionViewProc != nullptr) {
    SetWindowLongPtrW(g_descriptionView, GWLP_WNDPROC,
                      reinterpret_cast<LONG_PTR>(g_descriptionViewProc));
  }
  g_descriptionView = nullptr;
  g_descriptionViewProc = nullptr;
}

// Extract: the license first when the package has one, then the folder
// browser and the extraction. Every Extract that gets past the license
// leaves exit code 1, whatever the run's result.
void RunExtractCommand(HWND window) {
  AppState& app = TheApp();
  std::uint32_t licenseSize = 0;
  if (app.package.GetLicense(nullptr, &licenseSize)) {
    // Only an accepted license goes on: a dialog that could not even be
    // shown (-1) must not extract as if it had been accepted.
    if (DialogBoxParamW(app.instance, MAKEINTRESOURCEW(IDD_LICENSE), window, LicenseDialogProc,
                        0) != IDOK) {
      return;
    }
  }
  RunExtraction(window, nullptr, false, false);
  app.exitCode = 1;
}

}  // namespace

std::size_t BoldRangeByteCount(const wchar_t* name, unsigned codePage) {
  if (name == nullptr || name[0] == L'\0') return 0;
  const int bytes = WideCharToMultiByte(codePage, 0, name, -1, nullptr, 0, nullptr, nullptr);
  return bytes > 0 ? static_cast<std::size_t>(bytes - 1) : 0;
}

void ShowMainWindow() {
  const AppState& app = TheApp();
  const int templateId =
      IsSetToOne(app.package.GetSetting(L"LARGE_WINDOW")) ? IDD_MAIN_LARGE : IDD_MAIN;
  DialogBoxParamW(app.instance, MAKEINTRESOURCEW(templateId), GetDesktopWindow(), MainWindowProc,
                  0);
}

INT_PTR OnMainCommand(HWND window, WORD, WORD command, HWND) {
  switch (command) {
    case IDCANCEL:
    case IDC_CLOSE:
    case IDC_EXIT:
      TheApp().exitCode = kExitClosed;
      EndDialog(window, kExitClosed);
      return 0;
    case IDC_EXTRACT:
      RunExtractCommand(window);
      return 0;
    default:
      return 1;
  }
}

INT_PTR OnMainSysCommand(HWND window, WPARAM command, LPARAM) {
  if ((command & 0xFFF0) != IDM_VIEW_CONTENTS) return 0;
  ShowContentsWindow(window);
  return 1;
}

LRESULT CALLBACK DescriptionViewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_SETFOCUS) {
    return CallWindowProcW(g_descriptionViewProc, window, message, wParam, lParam);
  }
  CallWindowProcW(g_descriptionViewProc, window, message, wParam, lParam);
  // Hand the focus back to where it came from (none when it came from
  // another application's window).
  HWND previous = reinterpret_cast<HWND>(wParam);
  if (previous != nullptr && IsWindow(previous)) SetFocus(previous);
  return 0;
}

INT_PTR CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  try {
    switch (message) {
      case WM_INITDIALOG:
        return InitMainWindow(window);
      case WM_COMMAND:
        return OnMainCommand(window, HIWORD(wParam), LOWORD(wParam),
                             reinterpret_cast<HWND>(lParam));
      case WM_SYSCOMMAND:
        return OnMainSysCommand(window, wParam, lParam);
      case WM_DESTROY:
        RestoreDescriptionView();
        return 1;
      default:
        return 0;
    }
  } catch (const std::bad_alloc&) {
    return 0;  // the action is dropped; the window stays usable
  }
}
