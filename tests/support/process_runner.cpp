#include "process_runner.h"

#include <commctrl.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <set>

#include "file_bytes.h"

namespace {

struct WindowSearch {
  DWORD processId;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectProcessWindow(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<WindowSearch*>(context);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == search->processId && IsWindowVisible(window)) search->found.push_back(window);
  return TRUE;
}

BOOL CALLBACK CollectChildText(HWND child, LPARAM context) {
  auto* texts = reinterpret_cast<std::vector<std::wstring>*>(context);
  wchar_t text[4096] = {};
  GetWindowTextW(child, text, 4096);
  if (text[0] != L'\0') texts->push_back(text);
  return TRUE;
}

ObservedWindow Observe(HWND window) {
  ObservedWindow seen;
  wchar_t text[1024] = {};
  GetWindowTextW(window, text, 1024);
  seen.title = text;
  wchar_t className[256] = {};
  GetClassNameW(window, className, 256);
  seen.className = className;
  EnumChildWindows(window, CollectChildText, reinterpret_cast<LPARAM>(&seen.childTexts));
  return seen;
}

std::wstring TitleOf(HWND window) {
  wchar_t text[1024] = {};
  GetWindowTextW(window, text, 1024);
  return text;
}

// Starts the program; the caller owns both handles in info. A program that
// exists but does not start is taken for a Wine process that died before
// its program ran (CreateProcessW then fails); this process ends at once,
// without a result, so that tests/support/wine_verdict.sh runs it once more.
bool StartProgram(const std::wstring& application, const std::wstring& arguments,
                  PROCESS_INFORMATION& info) {
  std::wstring commandLine = L"\"" + application + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  if (!CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &info)) {
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) {
      std::fflush(stdout);
      std::fwprintf(stderr, L"%ls did not start (error %lu): ending without a result\n",
                    application.c_str(), error);
      std::fflush(stderr);
      TerminateProcess(GetCurrentProcess(), error);
    }
    return false;
  }
  CloseHandle(info.hThread);
  return true;
}

void EndProgram(HANDLE process, bool killIt, ProcessOutcome& outcome) {
  if (killIt) {
    outcome.timedOut = true;
    TerminateProcess(process, 0xDEAD);
    WaitForSingleObject(process, 5000);
  }
  // The program's own code even when Wine's process for it died on the way
  // out: the server records the code as ExitProcess begins.
  GetExitCodeProcess(process, &outcome.exitCode);
  CloseHandle(process);
}

bool StepMatches(const WindowStep& step, HWND window, std::size_t visibleCount) {
  if (step.alone && visibleCount != 1) return false;
  if (!step.title.empty() && TitleOf(window) != step.title) return false;
  if (step.childText.empty()) return true;
  for (const std::wstring& text : Observe(window).childTexts) {
    if (text.find(step.childText) != std::wstring::npos) return true;
  }
  return false;
}

void DefaultAnswer(HWND window, const ObservedWindow&) {
  PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

}  // namespace

bool ObservedWindow::HasChildText(const std::wstring& text) const {
  return std::find(childTexts.begin(), childTexts.end(), text) != childTexts.end();
}

ProcessOutcome RunProcess(const std::wstring& application, const std::wstring& arguments,
                          DWORD timeoutMs, const WindowAnswer& answer) {
  ProcessOutcome outcome;
  PROCESS_INFORMATION process{};
  if (!StartProgram(application, arguments, process)) return outcome;
  outcome.started = true;

  std::set<HWND> answered;
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  bool late = false;
  while (WaitForSingleObject(process.hProcess, 50) == WAIT_TIMEOUT) {
    for (HWND window : VisibleWindowsOf(process.dwProcessId)) {
      if (!answered.insert(window).second) continue;
      Sleep(200);  // let the window finish drawing its controls
      ObservedWindow seen = Observe(window);
      outcome.windows.push_back(seen);
      if (answer) {
        answer(window, seen);
      } else {
        DefaultAnswer(window, seen);
      }
    }
    if (GetTickCount64() > deadline) {
      late = true;
      break;
    }
  }
  EndProgram(process.hProcess, late, outcome);
  return outcome;
}

ProcessOutcome RunConversation(const std::wstring& application, const std::wstring& arguments,
                               const std::vector<WindowStep>& steps, DWORD timeoutMs) {
  ProcessOutcome outcome;
  SetCursorPos(0, 0);
  PROCESS_INFORMATION process{};
  if (!StartProgram(application, arguments, process)) return outcome;
  outcome.started = true;

  std::set<HWND> recorded;
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  bool late = false;
  while (WaitForSingleObject(process.hProcess, 50) == WAIT_TIMEOUT) {
    const std::vector<HWND> visible = VisibleWindowsOf(process.dwProcessId);
    for (HWND window : visible) {
      if (recorded.insert(window).second) outcome.windows.push_back(Observe(window));
    }
    if (outcome.stepsDone < steps.size()) {
      const WindowStep& step = steps[outcome.stepsDone];
      for (HWND window : visible) {
        if (!StepMatches(step, window, visible.size())) continue;
        Sleep(200);  // let the window finish drawing its controls
        if (step.act) step.act(window, Observe(window));
        ++outcome.stepsDone;
        break;
      }
    }
    if (GetTickCount64() > deadline) {
      late = true;
      break;
    }
  }
  EndProgram(process.hProcess, late, outcome);
  return outcome;
}

LRESULT SendWithLimit(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  constexpr UINT kReplyLimitMs = 5000;
  DWORD_PTR result = 0;
  SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kReplyLimitMs, &result);
  return static_cast<LRESULT>(result);
}

void PressButton(HWND dialog, int id) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void PressKey(HWND window, UINT virtualKey) {
  HWND target = FocusedControl(window);
  if (target == nullptr) target = window;
  PostMessageW(target, WM_KEYDOWN, virtualKey, 1);
  PostMessageW(target, WM_KEYUP, virtualKey, 0xC0000001);
}

void ChooseSystemCommand(HWND window, WPARAM command) {
  PostMessageW(window, WM_SYSCOMMAND, command, 0);
}

std::wstring ControlText(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  if (control == nullptr) return {};
  const LRESULT length = SendWithLimit(control, WM_GETTEXTLENGTH, 0, 0);
  // Room to spare: Wine's rich-text view answers nothing when its text of
  // double-byte characters fills the buffer exactly.
  std::wstring text(static_cast<std::size_t>(length) * 2 + 64, L'\0');
  const LRESULT got = SendWithLimit(control, WM_GETTEXT, text.size(),
                                    reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(std::clamp<LRESULT>(got, 0, text.size() - 1)));
  return text;
}

HWND FocusedControl(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

std::wstring SelectedTreeItemText(HWND tree) {
  const LRESULT item = SendWithLimit(tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
  DWORD processId = 0;
  GetWindowThreadProcessId(tree, &processId);
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE,
                               processId);
  if (item == 0 || process == nullptr) {
    if (process != nullptr) CloseHandle(process);
    return {};
  }
  // The item record and its text buffer live in the tree's own process.
  constexpr std::size_t kChars = MAX_PATH;
  auto* remote = static_cast<std::uint8_t*>(VirtualAllocEx(
      process, nullptr, sizeof(TVITEMW) + kChars * sizeof(wchar_t), MEM_COMMIT, PAGE_READWRITE));
  std::wstring text;
  if (remote != nullptr) {
    TVITEMW request{};
    request.mask = TVIF_TEXT;
    request.hItem = reinterpret_cast<HTREEITEM>(item);
    request.pszText = reinterpret_cast<wchar_t*>(remote + sizeof(TVITEMW));
    request.cchTextMax = kChars;
    wchar_t buffer[kChars] = {};
    if (WriteProcessMemory(process, remote, &request, sizeof request, nullptr) &&
        SendWithLimit(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(remote)) &&
        ReadProcessMemory(process, remote + sizeof(TVITEMW), buffer, sizeof buffer, nullptr)) {
      buffer[kChars - 1] = L'\0';
      text = buffer;
    }
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  }
  CloseHandle(process);
  return text;
}

std::vector<HWND> VisibleWindowsOf(DWORD processId) {
  WindowSearch search{processId, {}};
  EnumWindows(CollectProcessWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::vector<std::wstring> ModulePathsOf(HWND window) {
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  std::vector<std::wstring> paths;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, processId);
  if (snapshot == INVALID_HANDLE_VALUE) return paths;
  MODULEENTRY32W module{};
  module.dwSize = sizeof module;
  for (BOOL more = Module32FirstW(snapshot, &module); more; more = Module32NextW(snapshot, &module)) {
    paths.push_back(module.szExePath);
  }
  CloseHandle(snapshot);
  return paths;
}

RECT ScreenRect(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  return rect;
}

std::wstring BuiltStubPath() { return WinePathFromUnix(KZP_STUB_UNIX_PATH); }
