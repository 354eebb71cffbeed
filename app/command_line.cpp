#include "app/command_line.h"

#include <windows.h>
#include <shellapi.h>

#include <cwchar>
#include <initializer_list>
#include <memory>

namespace {

constexpr wchar_t kExtractPrefix[] = L"/extract:";
constexpr std::size_t kExtractPrefixLength = 9;

struct ArgvDeleter {
  void operator()(LPWSTR* argv) const { GlobalFree(argv); }
};

bool IsAnyOf(const wchar_t* argument, std::initializer_list<const wchar_t*> names) {
  for (const wchar_t* name : names) {
    if (lstrcmpiW(argument, name) == 0) return true;
  }
  return false;
}

void ReadExtractPath(const wchar_t* rest, CommandLineSwitches& switches) {
  switches.extractPath[0] = L'\0';
  const std::size_t length = std::wcslen(rest);
  if (length < CommandLineSwitches::kPathCapacity) {
    std::wmemcpy(switches.extractPath, rest, length + 1);
  }
  switches.extractRequested = true;
}

}  // namespace

void ParseCommandLine(const wchar_t* commandLine, CommandLineSwitches& switches) {
  switches.helpRequested = false;
  switches.forceRequested = false;
  switches.extractRequested = false;
  switches.installRequested = false;

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
      ReadExtractPath(argument + kExtractPrefixLength, switches);
    }
    if (IsAnyOf(argument, {L"/f", L"/force"})) switches.forceRequested = true;
  }
}

bool IsSilentInstall(const CommandLineSwitches& switches) {
  return switches.installRequested && !switches.helpRequested && !switches.extractRequested;
}
