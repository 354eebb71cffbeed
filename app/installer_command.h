#pragma once

#include <cstddef>

// Capacity of the program part of the installer command.
constexpr std::size_t kProgramPartCapacity = 2048;
// Capacity of the finished command line: the most CreateProcessW accepts,
// 32,767 characters with the terminator.
constexpr std::size_t kCommandLineCapacity = 32767;

// The program part of the installer command for an install command C with
// parameters P (none, or a string, maybe empty):
//   batch file (".bat" or ".cmd", compared with case):  cmd.exe /C
//   any other program:                                  C" P /force
// (the blank and P only when P is given, " /force" only when force is set).
// False when there is no install command or the part does not fit.
bool ComposeProgramPart(const wchar_t* command, const wchar_t* parameters, bool force,
                        wchar_t* programPart, std::size_t capacity, bool* isBatch);

// The whole command line from the target folder F, the program part and the
// install command C:
//   batch file:  cmd.exe /C ""F\C" xeltr"
//   otherwise:   "F\C" P /force
// with no second backslash when F already ends with one. False when it does
// not fit: a command line is never cut.
bool FormatInstallerCommandLine(const wchar_t* folder, const wchar_t* programPart,
                                const wchar_t* command, bool isBatch, wchar_t* commandLine,
                                std::size_t capacity);
