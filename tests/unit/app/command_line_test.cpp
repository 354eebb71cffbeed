#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct SwitchCase {
  const wchar_t* commandLine;
  bool help;
  bool force;
  bool extract;
  bool install;
  const wchar_t* extractPath;
};

void PrintTo(const SwitchCase& c, std::ostream* os) {
  std::wstring text(c.commandLine);
  *os << '"' << std::string(text.begin(), text.end()) << '"';
}

class CommandLineTable : public ::testing::TestWithParam<SwitchCase> {};

TEST_P(CommandLineTable, SetsTheSwitchesOfTheText) {
  const SwitchCase& c = GetParam();
  CommandLineSwitches switches;
  ParseCommandLine(c.commandLine, switches);
  EXPECT_EQ(switches.helpRequested, c.help);
  EXPECT_EQ(switches.forceRequested, c.force);
  EXPECT_EQ(switches.extractRequested, c.extract);
  EXPECT_EQ(switches.installRequested, c.install);
  EXPECT_STREQ(switches.extractPath, c.extractPath);
}

// help force extract install path
INSTANTIATE_TEST_SUITE_P(
    Switches, CommandLineTable,
    ::testing::Values(
        SwitchCase{L"", false, false, false, false, L""},
        SwitchCase{L"/install", false, false, false, true, L""},
        SwitchCase{L"/SMS", false, false, false, true, L""},
        SwitchCase{L"/Install /F", false, true, false, true, L""},
        SwitchCase{L"/h", true, false, false, false, L""},
        SwitchCase{L"/?", true, false, false, false, L""},
        SwitchCase{L"/HELP /install", true, false, false, true, L""},
        SwitchCase{L"/force", false, true, false, false, L""},
        // Whole-argument comparison: near misses are ignored, never errors.
        SwitchCase{L"/helpme /forced /installer -install install", false, false, false, false, L""},
        // The extract prefix is compared without case; the colon is required.
        SwitchCase{L"/EXTRACT:C:\\Out", false, false, true, false, L"C:\\Out"},
        SwitchCase{L"/extractC:\\Out /extract", false, false, false, false, L""},
        SwitchCase{L"/extract:", false, false, true, false, L""},
        // The last /extract: gives the path; flags accumulate.
        SwitchCase{L"/extract:C:\\A /install /extract:D:\\B", false, false, true, true, L"D:\\B"},
        // Relative and network paths are kept as given; the run refuses them.
        SwitchCase{L"x /extract:out\\sub", false, false, true, false, L"out\\sub"},
        SwitchCase{L"x /extract:\\\\server\\share", false, false, true, false, L"\\\\server\\share"},
        // A quoted path with blanks works after the first argument...
        SwitchCase{L"/install \"/extract:C:\\My Folder\"", false, false, true, true, L"C:\\My Folder"},
        // ...while the first element follows the rules for a program name: it
        // keeps its quotation mark and ends at the first blank.
        SwitchCase{L"/extract:\"C:\\My Folder\"", false, false, true, false, L"\"C:\\My"}));

TEST(CommandLine, RefusesAnExtractPathThatDoesNotFit) {
  CommandLineSwitches switches;
  const std::wstring fits = L"C:\\" + std::wstring(256, L'a');  // 259 characters
  ParseCommandLine((L"x /extract:" + fits).c_str(), switches);
  EXPECT_TRUE(switches.extractRequested);
  EXPECT_EQ(std::wstring(switches.extractPath), fits);

  const std::wstring tooLong = fits + L"b";  // 260 characters: no room for the terminator
  ParseCommandLine((L"x /extract:" + tooLong).c_str(), switches);
  EXPECT_TRUE(switches.extractRequested);
  EXPECT_STREQ(switches.extractPath, L"") << "a long path is refused, never cut";
}

// "/log:" takes its path as "/extract:" does, and changes no other switch.
TEST(CommandLine, LogPathIsTakenLikeTheExtractPath) {
  const struct {
    const wchar_t* commandLine;
    const wchar_t* logPath;
  } cases[] = {
      {L"/install /log:C:\\logs\\pkg.log", L"C:\\logs\\pkg.log"},
      {L"/install \"/LOG:C:\\My Logs\\pkg.log\"", L"C:\\My Logs\\pkg.log"},
      {L"/install /log:a.log /log:b.log", L"b.log"},
      {L"/install /log", L""},
      {L"/install /logC:\\x.log", L""},
  };
  for (const auto& c : cases) {
    CommandLineSwitches switches;
    ParseCommandLine(c.commandLine, switches);
    EXPECT_STREQ(switches.logPath, c.logPath) << "case " << (&c - cases);
    EXPECT_TRUE(switches.installRequested);
    EXPECT_FALSE(switches.extractRequested || switches.helpRequested || switches.forceRequested);
  }
  CommandLineSwitches switches;
  ParseCommandLine((L"x /log:C:\\" + std::wstring(257, L'a')).c_str(), switches);
  EXPECT_STREQ(switches.logPath, L"") << "a long path is refused, never cut";
}

TEST(CommandLine, ClearsFlagsOfAnEarlierParse) {
  CommandLineSwitches switches;
  ParseCommandLine(L"/install /help /f /extract:C:\\x /log:C:\\x.log", switches);
  ParseCommandLine(L"", switches);
  EXPECT_FALSE(switches.installRequested);
  EXPECT_FALSE(switches.helpRequested);
  EXPECT_FALSE(switches.forceRequested);
  EXPECT_FALSE(switches.extractRequested);
  EXPECT_STREQ(switches.logPath, L"");
}

// The mode an out-of-memory failure is reported for, too: help and
// "/extract:" outrank "/install" whatever the order of the arguments.
TEST(CommandLine, SilentInstallOnlyWhenNoOtherModeOutranksIt) {
  const struct {
    const wchar_t* commandLine;
    bool silentInstall;
  } cases[] = {
      {L"/install", true},        {L"/sms /force", true},         {L"/help /install", false},
      {L"/install /?", false},    {L"/install /extract:C:\\x", false}, {L"", false},
  };
  for (const auto& c : cases) {
    CommandLineSwitches switches;
    ParseCommandLine(c.commandLine, switches);
    EXPECT_EQ(IsSilentInstall(switches), c.silentInstall) << "case " << (&c - cases);
  }
}

}  // namespace
