#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// A top-level window that a started process showed, with the texts of its
// child controls (a message box's text, a dialog's statics).
struct ObservedWindow {
  std::wstring title;
  std::wstring className;
  std::vector<std::wstring> childTexts;

  bool HasChildText(const std::wstring& text) const;
};

struct ProcessOutcome {
  bool started = false;
  bool timedOut = false;
  DWORD exitCode = 0;                   // the full 32-bit exit code
  std::vector<ObservedWindow> windows;  // every visible top-level window seen
};

// Called once for each new visible top-level window of the process; answers
// it (for example by sending a command). The default answer presses Cancel
// (Esc), then OK.
using WindowAnswer = std::function<void(HWND window, const ObservedWindow& seen)>;

// Starts application with the given arguments (the command line is the
// quoted application path, a blank and the arguments), watches its windows
// until it ends, and kills it after timeoutMs.
ProcessOutcome RunProcess(const std::wstring& application, const std::wstring& arguments,
                          DWORD timeoutMs = 30000, const WindowAnswer& answer = {});

// The stub built by this tree, as a Windows path.
std::wstring BuiltStubPath();
