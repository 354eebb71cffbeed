#pragma once

#include <windows.h>

#include "archive/zip_file.h"

// Extracts every entry of the program's archive into the target folder and,
// with a work folder, runs the package's installer from it.
//   owner       owner of message boxes and the progress window, or none
//   folder      target folder given by the caller, or none
//   useWorkFolder extract into a fresh work folder and run the installer
//   silent      no window and no message box at all
// Returns 1 when a plain extraction completed, 0 when the run failed, and in
// install mode the installer's mapped exit code (1603 when a silent
// installation failed before its installer ran). Running out of memory is a
// failed run too: nothing is thrown, and the work folder is removed on
// every way out.
int RunExtraction(HWND owner, const wchar_t* folder, bool useWorkFolder, bool silent);

// Progress callback for ExtractAll: moves the progress bar given as context
// (none in silent runs) to the share of entries begun. Never stops the run.
unsigned char ReportExtractionProgress(void* context, const kzpzip::ZIP_ExtractProgress* progress);

// Bytes available to the caller on the current folder's volume (0 when the
// query fails) must be strictly greater than the bytes required.
bool HasEnoughSpace(unsigned long long available, unsigned long long required);
