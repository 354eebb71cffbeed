#include "ui/progress_window.h"

#include <commctrl.h>

#include "app/app_state.h"
#include "resources/resource.h"
#include "ui/common_controls.h"

namespace {

// The top-left corner that centres a window of the given size over parent;
// the halves are truncated towards zero.
POINT CenteredPosition(const RECT& parent, LONG width, LONG height) {
  const LONG parentWidth = parent.right - parent.left;
  const LONG parentHeight = parent.bottom - parent.top;
  return POINT{parent.left + (parentWidth - width) / 2, parent.top + (parentHeight - height) / 2};
}

}  // namespace

void CenterOverParent(HWND window) {
  HWND parent = GetParent(window);  // for a pop-up window, its owner
  RECT own{};
  RECT parentRect{};
  if (parent != nullptr && GetWindowRect(window, &own) && GetWindowRect(parent, &parentRect)) {
    const POINT corner =
        CenteredPosition(parentRect, own.right - own.left, own.bottom - own.top);
    SetWindowPos(window, HWND_TOP, corner.x, corner.y, 0, 0, SWP_NOSIZE | SWP_NOOWNERZORDER);
  }
  ShowWindow(window, SW_SHOW);
}

INT_PTR CALLBACK ProgressWindowProc(HWND window, UINT message, WPARAM, LPARAM) {
  if (message != WM_INITDIALOG) return 0;
  CenterOverParent(window);
  return 1;
}

bool CKzpProgressWindow::Create(HWND owner) {
  Destroy();
  // The progress bar class must exist before the template is created.
  RegisterCommonControlClasses(ICC_PROGRESS_CLASS);
  window_ = CreateDialogParamW(TheApp().instance, MAKEINTRESOURCEW(IDD_PROGRESS), owner,
                               ProgressWindowProc, 0);
  // The extraction that follows handles no messages: paint the window now,
  // or it stays blank until the run ends. The bar repaints itself.
  if (window_ != nullptr) UpdateWindow(window_);
  return window_ != nullptr;
}

HWND CKzpProgressWindow::Bar() const {
  return window_ != nullptr ? GetDlgItem(window_, IDC_PROGRESS_BAR) : nullptr;
}

void CKzpProgressWindow::Destroy() {
  if (window_ != nullptr) DestroyWindow(window_);
  window_ = nullptr;
}
