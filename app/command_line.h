#pragma once

#include <cstddef>

// The switches read from the command line. Flags are only ever set, so
// switches accumulate; the last "/extract:" gives the path.
struct CommandLineSwitches {
  static constexpr std::size_t kPathCapacity = 260;  // terminator included

  bool helpRequested = false;
  bool forceRequested = false;
  bool extractRequested = false;
  bool installRequested = false;
  wchar_t extractPath[kPathCapacity] = {};
  // "/log:<path>", beyond the switches of the usage dialog: the install log
  // (app/install_log.h); empty without one.
  wchar_t logPath[kPathCapacity] = {};
};

// Splits the text after the program name the way the platform splits a whole
// command line (CommandLineToArgvW) and reads every argument. Compares without
// regard to case; any other argument is ignored, never an error.
//
// An "/extract:" path longer than 259 characters is refused rather than cut:
// the switch still counts, but the path is left empty, so the run cannot make
// it the current folder and fails instead of extracting under a cut name.
// "/log:" takes its path the same way (prefix without regard to case, the
// last one wins, a path that does not fit gives no log).
void ParseCommandLine(const wchar_t* commandLine, CommandLineSwitches& switches);

// Silent install mode: "/install" or "/sms", unless a help switch (usage
// mode) or "/extract:" (silent extract mode) outranks it.
bool IsSilentInstall(const CommandLineSwitches& switches);
