#include "ui/license_dialog.h"

#include <cstdint>
#include <new>
#include <vector>

#include "app/app_state.h"
#include "resources/resource.h"

namespace {

constexpr int kExitDeclined = 3;

// Fills the text box with the package's license, in the system's narrow code
// page; a license that cannot be read leaves it empty.
void ShowLicenseText(HWND window) {
  const VRPkg& package = TheApp().package;
  std::uint32_t size = 0;
  if (!package.GetLicense(nullptr, &size) || size == 0) return;
  std::vector<char> text(size, '\0');
  if (!package.GetLicense(text.data(), &size)) return;
  text.back() = '\0';
  SetDlgItemTextA(window, IDC_LICENSE_TEXT, WithCrLfLineEnds(text.data()).c_str());
}

}  // namespace

std::string WithCrLfLineEnds(const char* text) {
  std::string result;
  if (text == nullptr) return result;
  char previous = '\0';
  for (const char* c = text; *c != '\0'; ++c) {
    if (*c == '\n' && previous != '\r') result += '\r';
    result += *c;
    previous = *c;
  }
  return result;
}

INT_PTR CALLBACK LicenseDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM) {
  try {
    if (message == WM_INITDIALOG) {
      ShowLicenseText(window);
      return TRUE;  // the focus goes to the first control, Cancel
    }
    if (message != WM_COMMAND) return 0;
    switch (LOWORD(wParam)) {
      case IDOK:
        EndDialog(window, IDOK);
        return 0;
      case IDCANCEL:
        TheApp().exitCode = kExitDeclined;
        EndDialog(window, 0);
        return 0;
      default:
        return 1;
    }
  } catch (const std::bad_alloc&) {
    return TRUE;  // the text box stays empty; Accept still extracts
  }
}
