#pragma once

#include <windows.h>

#include <cstddef>

// Asks the user for the folder to extract into with the platform's folder
// browser, opened at the folder that holds the program. path receives 260
// characters. True when a file-system folder was chosen; cancelling is
// silent, a location that is no file-system folder shows message 1002.
bool BrowseForTargetFolder(HWND owner, wchar_t* path);

// The folder browser's callback: preselects the program's own folder.
int CALLBACK BrowseCallback(HWND window, UINT message, LPARAM lParam, LPARAM data);

// The folder part of a file path: cut at the last backslash, keeping the
// backslash of a drive's root ("C:\pkg.exe" gives "C:\"). Empty without a
// backslash.
void FolderOfFile(const wchar_t* filePath, wchar_t* folder, std::size_t capacity);
