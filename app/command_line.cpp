#include "app/command_line.h"

#include <windows.h>
#include <shellapi.h>

#include <cwchar>
#include <initializer_list>
#include <memory>

namespace {

constexpr wchar_t kExtractPrefix[] = L"/extract:";
constexpr std::size_t kExtractPrefixLength = 9;
constexpr wchar_t kLogPrefix[] = L"/log:";
constexpr std::size_t kLogPrefixLength = 5;

struct ArgvDeleter {
  void operator()(LPWSTR* argv) const { GlobalFree(argv); }
};

bool IsAnyOf(const wchar_t* argument, std::initializer_list<const wchar_t*> names) {
  for (const wchar_t* name : names) {
    if (lstrcmpiW(argument, name) == 0) return true;
  }
  return false;
}

// Copies the path after a switch's prefix; one that does not fit is refused
// (left empty), never cut.
void ReadPath(const wchar_t* rest, wchar_t (&path)[CommandLineSwitches::kPathCapacity]) {
  path[0] = L'\0';
  const std::size_t length = std::wcslen(rest);
  if (length < CommandLineSwitches::kPathCapacity) std::wmemcpy(path, rest, length + 1);
}

}  // namespace

void ParseCommandLine(const wchar_t* commandLine, CommandLineSwitches& switches) {
  switches.helpRequested = false;
  switches.forceRequested = false;
  switches.extractRequested = false;
  switches.installRequested = false;
  switches.logPath[0] = L'\0';

  // CommandLineToArgvW answers the current program's path for an empty text;
  // an empty command line has no switches.
  if (commandLine == nullptr || *commandLine == L'\0') return;

  int count = 0;
  std::unique_ptr<LPWSTR, ArgvDeleter> argv(CommandLineToArgvW(commandLine, &count));
  if (!argv) return;

  for (int i = 0; i < count; ++i) {
    const wchar_t* argument = argv.get()[i];
    if (IsAnyOf(argument, {L"/sms", L"/install"})) switches.installRequested = true;
    if (IsAnyOf(argument, {L"/?", L"/h", L"/help"})) switches.helpRequested = true;
    if (_wcsnicmp(argument, kExtractPrefix, kExtractPrefixLength) == 0) {
      ReadPath(argument + kExtractPrefixLength, switches.extractPath);
      switches.extractRequested = true;
    }
    if (_wcsnicmp(argument, kLogPrefix, kLogPrefixLength) == 0) {
      ReadPath(argument + kLogPrefixLength, switches.logPath);
    }
    if (IsAnyOf(argument, {L"/f", L"/force"})) switches.forceRequested = true;
  }
}

bool IsSilentInstall(const CommandLineSwitches& switches) {
  return switches.installRequested && !switches.helpRequested && !switches.extractRequested;
}
