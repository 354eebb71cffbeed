#pragma once

#include <cstddef>

// Capacity of the program part of the installer command.
constexpr std::size_t kProgramPartCapacity = 2048;
// Capacity of the finished command line: the most CreateProcessW accepts,
// 32,767 characters with the terminator.
constexpr std::size_t kCommandLineCapacity = 32767;

// The rules of how an install command is started: pure and portable, so
// that kzppack inspects a package by the very rules the stub runs it by.
// The one comparison they need comes from each program (below).

// True when an extension (".MSI") is the one expected (".msi") without
// regard to case, as Windows compares names: CompareStringOrdinal in the
// stub (installer_extension_win32.cpp); kzppack's own case fold in kzppack.
bool IsExtensionIgnoringCase(const wchar_t* extension, const wchar_t* expected);

// How an install command is started, by its extension.
enum class InstallerKind {
  kProgram,           // started itself
  kBatch,             // ".bat" or ".cmd", compared with case: the command interpreter
  kWindowsInstaller,  // ".msi" or ".msp", without regard to case: msiexec.exe
};

InstallerKind InstallerKindOf(const wchar_t* command);

// The program part of the installer command for an install command C with
// parameters P (none, or a string, maybe empty):
//   batch file:                  cmd.exe /C
//   Windows Installer package:   C" P
//   any other program:           C" P /force
// (the blank and P only when P is given, " /force" only when force is set).
// msiexec knows no /force and refuses a command line that has it, so a
// package or patch never gets it. False when there is no install command or
// the part does not fit.
bool ComposeProgramPart(const wchar_t* command, const wchar_t* parameters, bool force,
                        wchar_t* programPart, std::size_t capacity, InstallerKind* kind);

// The whole command line from the target folder F, the program part and the
// install command C:
//   batch file:                  cmd.exe /C ""F\C" xeltr"
//   Windows Installer package:   msiexec.exe /i "F\C" P   (/p for a patch, .msp)
//   otherwise:                   "F\C" P /force
// with no second backslash when F already ends with one. False when it does
// not fit: a command line is never cut.
bool FormatInstallerCommandLine(const wchar_t* folder, const wchar_t* programPart,
                                const wchar_t* command, InstallerKind kind, wchar_t* commandLine,
                                std::size_t capacity);
