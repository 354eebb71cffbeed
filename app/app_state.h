#pragma once

#include <windows.h>

#include "app/command_line.h"
#include "archive/zip_file.h"

// The one process-wide application object. It has static storage: the
// archive is constructed before the entry runs and destroyed after it returns.
struct AppState {
  HINSTANCE instance = nullptr;
  int exitCode = 1;  // the process exit code being built up
  CommandLineSwitches switches;
  HICON smallIcon = nullptr;
  HICON largeIcon = nullptr;
  kzpzip::ZIP_File archive;  // the program's own file, open until exit
};

AppState& TheApp();
