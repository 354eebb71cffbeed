#pragma once

#include <windows.h>

// The progress window of an interactive extraction: modeless, centred over
// its owner, a bar from 0 to 100 and no way to cancel.
INT_PTR CALLBACK ProgressWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Moves window to the middle of its owner (halves truncated towards zero),
// keeping its size and the owner's z-order, and shows it.
void CenterOverParent(HWND window);

// Owns the progress window for the length of one extraction, so that every
// way out of the run takes it down.
class CKzpProgressWindow {
 public:
  CKzpProgressWindow() = default;
  ~CKzpProgressWindow() { Destroy(); }
  CKzpProgressWindow(const CKzpProgressWindow&) = delete;
  CKzpProgressWindow& operator=(const CKzpProgressWindow&) = delete;

  // Creates the window (template 110) owned by owner; false when it cannot.
  bool Create(HWND owner);
  // The progress bar, or none without a window.
  HWND Bar() const;
  void Destroy();

 private:
  HWND window_ = nullptr;
};
