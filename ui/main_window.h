#pragma once

#include <windows.h>

#include <cstddef>

// The package window: name, version and description in a read-only rich-text
// view, Extract and Close, and View Contents in its system menu.

// Runs the package window modally over the desktop on the template the
// package's LARGE_WINDOW setting picks. The window sets the exit code.
void ShowMainWindow();

INT_PTR CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Put in place of the description view's own procedure: the view never keeps
// the keyboard focus.
LRESULT CALLBACK DescriptionViewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Command handler of the package window, also used by the usage dialog and
// the contents window: Close, Esc and the close box end the window with exit
// code 3; Extract runs the license, the folder browser and the extraction.
// Answers 1 for a command it does not know.
INT_PTR OnMainCommand(HWND window, WORD notification, WORD command, HWND control);

// View Contents opens the contents window (answers 1); every other system
// command is left to the platform (answers 0).
INT_PTR OnMainSysCommand(HWND window, WPARAM command, LPARAM position);

// The bytes a text takes in a multibyte code page, without the terminator:
// the rich-text view counts a name's characters in bytes of the user's code
// page, so the bold range of a name of double-byte characters ends at this
// count, not at its character count. 0 for a null text.
std::size_t BoldRangeByteCount(const wchar_t* name, unsigned codePage);
