#pragma once

#include <windows.h>

// The command line usage dialog (template 108): fixed texts and Close.
INT_PTR CALLBACK UsageDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
