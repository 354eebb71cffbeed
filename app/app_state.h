#pragma once

#include <windows.h>

#include "app/command_line.h"
#include "archive/zip_file.h"
#include "package/vr_pkg.h"

// The one process-wide application object. It has static storage: the
// archive, then the package definition, are constructed before the entry
// runs and destroyed in the reverse order after it returns.
struct AppState {
  HINSTANCE instance = nullptr;
  int exitCode = 1;  // the process exit code being built up
  CommandLineSwitches switches;
  HICON smallIcon = nullptr;
  HICON largeIcon = nullptr;
  kzpzip::ZIP_File archive;  // the program's own file, open until exit
  VRPkg package;             // the package definition read from it
};

// The exit code of a silent installation that failed before its installer
// ran (ERROR_INSTALL_FAILURE): deployment tools read 0 as "installed".
constexpr int kInstallFailedExitCode = 1603;

AppState& TheApp();
