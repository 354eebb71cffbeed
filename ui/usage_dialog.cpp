#include "ui/usage_dialog.h"

#include "ui/main_window.h"

INT_PTR CALLBACK UsageDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_COMMAND) return 0;
  // Close is id 2 (IDCANCEL), which Esc also sends: it ends the dialog like
  // the package window's Close. The entry ends with 1 afterwards regardless.
  return OnMainCommand(window, HIWORD(wParam), LOWORD(wParam), reinterpret_cast<HWND>(lParam));
}
