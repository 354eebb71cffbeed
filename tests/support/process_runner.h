#pragma once

#include <windows.h>

#include <cstddef>
#include <functional>
#include <string>
#include <utility>
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
  std::size_t stepsDone = 0;            // conversations: steps that found their window
};

// Called once for each new visible top-level window of the process; answers
// it (for example by sending a command). The default answer presses Cancel
// (Esc), then OK.
using WindowAnswer = std::function<void(HWND window, const ObservedWindow& seen)>;

// Starts application with the given arguments (the command line is the
// quoted application path, a blank and the arguments), watches its windows
// until it ends, and kills it after timeoutMs. A missing application is not
// started; one that exists but cannot be started ends the calling process
// without a result (a Wine process that died as it started: the test runs
// once more).
ProcessOutcome RunProcess(const std::wstring& application, const std::wstring& arguments,
                          DWORD timeoutMs = 30000, const WindowAnswer& answer = {});

// The stub built by this tree, as a Windows path.
std::wstring BuiltStubPath();

// One step of a conversation with a started program, as a user would take
// it: wait for a visible top-level window of the program with this title
// (any title when empty; one with a child text that contains childText,
// when given; the program's only visible window, when alone is set), then
// act on it.
struct WindowStep {
  WindowStep(std::wstring title_, WindowAnswer act_, bool alone_ = false,
             std::wstring childText_ = {})
      : title(std::move(title_)), act(std::move(act_)), alone(alone_),
        childText(std::move(childText_)) {}

  std::wstring title;
  WindowAnswer act;
  bool alone = false;
  std::wstring childText;
};

// Starts the program like RunProcess and takes the steps in order; after the
// last one it waits for the program to end. A program still running after
// timeoutMs is killed (timedOut), so no window is ever left waiting. The
// mouse pointer goes to the top-left corner first: under Wine a pointer
// resting on the folder browser's tree moves its selection.
ProcessOutcome RunConversation(const std::wstring& application, const std::wstring& arguments,
                               const std::vector<WindowStep>& steps, DWORD timeoutMs = 30000);

// Actions and queries on another process's windows. None of them waits more
// than a few seconds for a program that is busy.
void PressButton(HWND dialog, int id);            // a click on a dialog's button
void PressKey(HWND window, UINT virtualKey);      // a key on the window's focused control
void ChooseSystemCommand(HWND window, WPARAM command);  // SC_CLOSE: the close box
LRESULT SendWithLimit(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
std::wstring ControlText(HWND dialog, int id);    // WM_GETTEXT, also for edit controls
HWND FocusedControl(HWND window);                 // the control with the keyboard focus
// The text of a tree view's selected item (for the folder browser).
std::wstring SelectedTreeItemText(HWND tree);
// Every visible top-level window of a process.
std::vector<HWND> VisibleWindowsOf(DWORD processId);
// The full path of every module loaded in the process of the window.
std::vector<std::wstring> ModulePathsOf(HWND window);
RECT ScreenRect(HWND window);
