#pragma once

#include <windows.h>

#include <string>

#include "archive/zip_file_entry.h"

// The contents window: a resizable list of every archive entry with its
// date, time and size, opened from the package window's system menu.

// Runs the contents window modally, owned by owner.
void ShowContentsWindow(HWND owner);

INT_PTR CALLBACK ContentsWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Appends one row per archive entry, in directory order.
void FillContentsList(HWND list);

// The texts of one row: the stored name (empty when it does not decode),
// the stored clock time (no time-zone conversion) in the system's short
// date and time formats, and the size as an unsigned decimal number (an
// entry over 2 GiB never shows negative).
struct CKzpContentsRow {
  std::wstring name;
  std::string date;
  std::string time;
  std::string size;
};
CKzpContentsRow MakeContentsRow(const kzpzip::ZIP_FileEntry& entry);
