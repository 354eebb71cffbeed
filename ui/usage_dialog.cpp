#include "ui/usage_dialog.h"

INT_PTR CALLBACK UsageDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM) {
  if (message != WM_COMMAND) return 0;
  const WORD command = LOWORD(wParam);
  // Close is id 2 (IDCANCEL), which Esc also sends.
  if (command == IDCANCEL || command == IDOK) EndDialog(window, command);
  return 0;
}
