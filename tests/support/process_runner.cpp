#include "process_runner.h"

#include <algorithm>
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
  std::wstring commandLine = L"\"" + application + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                      nullptr, nullptr, &startup, &process)) {
    return outcome;
  }
  outcome.started = true;
  CloseHandle(process.hThread);

  std::set<HWND> answered;
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    const DWORD wait = WaitForSingleObject(process.hProcess, 50);
    if (wait != WAIT_TIMEOUT) break;
    WindowSearch search{process.dwProcessId, {}};
    EnumWindows(CollectProcessWindow, reinterpret_cast<LPARAM>(&search));
    for (HWND window : search.found) {
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
      outcome.timedOut = true;
      TerminateProcess(process.hProcess, 0xDEAD);
      WaitForSingleObject(process.hProcess, 5000);
      break;
    }
  }
  GetExitCodeProcess(process.hProcess, &outcome.exitCode);
  CloseHandle(process.hProcess);
  return outcome;
}

std::wstring BuiltStubPath() { return WinePathFromUnix(KZP_STUB_UNIX_PATH); }
