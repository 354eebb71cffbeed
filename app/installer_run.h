#pragma once

#include <windows.h>

#include "app/installer_command.h"

// Builds the program part of the installer command from the package's
// install command and parameters and the force switch. False when the
// package has no install command or the part does not fit.
bool BuildInstallerCommand(wchar_t* programPart, size_t capacity, InstallerKind* kind);

// Starts the installer command line from folder, without a console window,
// and waits for it, and then for the later stages of the installation that
// still need the folder (CKzpInstallationJob), while serving the thread's
// window messages. A batch file
// runs in the system's cmd.exe, a Windows Installer package in its
// msiexec.exe, both by their full paths. Returns its
// exit code, or, when it cannot be started, the error CreateProcessW
// reported (2 for a missing file, 193 for a file that is no program), so a
// failed start never reads as success.
DWORD RunInstaller(wchar_t* commandLine, const wchar_t* folder, InstallerKind kind);
