#pragma once

#include <windows.h>

#include <string>

// The license agreement shown before an interactive extraction: Accept ends
// it with IDOK; Cancel, Esc and the close box end it with 0 and exit code 3.
INT_PTR CALLBACK LicenseDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The license text with every bare line feed turned into CR LF; a CR LF that
// is already there stays as it is (doubling its CR would show as a broken or
// extra line in the edit control).
std::string WithCrLfLineEnds(const char* text);
