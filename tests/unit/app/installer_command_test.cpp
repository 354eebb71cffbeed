#include "app/installer_command.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct InstallerCase {
  const wchar_t* folder;
  const wchar_t* command;
  const wchar_t* parameters;  // none when null
  bool force;
  const wchar_t* expected;
};

void PrintTo(const InstallerCase& c, std::ostream* os) {
  std::wstring text = std::wstring(c.folder) + L" + " + c.command;
  *os << std::string(text.begin(), text.end());
}

class InstallerCommandTable : public ::testing::TestWithParam<InstallerCase> {};

TEST_P(InstallerCommandTable, BuildsTheCommandLine) {
  const InstallerCase& c = GetParam();
  wchar_t programPart[kProgramPartCapacity] = {};
  InstallerKind kind = InstallerKind::kProgram;
  ASSERT_TRUE(ComposeProgramPart(c.command, c.parameters, c.force, programPart,
                                 kProgramPartCapacity, &kind));
  wchar_t commandLine[kCommandLineCapacity] = {};
  ASSERT_TRUE(FormatInstallerCommandLine(c.folder, programPart, c.command, kind, commandLine,
                                         kCommandLineCapacity));
  EXPECT_STREQ(commandLine, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, InstallerCommandTable,
    ::testing::Values(
        // A folder ending with a backslash gets no second one.
        InstallerCase{L"C:\\", L"setup.exe", nullptr, false, L"\"C:\\setup.exe\""},
        InstallerCase{L"C:\\W", L"setup.exe", nullptr, false, L"\"C:\\W\\setup.exe\""},
        // Batch files run through the command interpreter with the marker,
        // without parameters or /force, the whole command in one more pair
        // of quotation marks.
        InstallerCase{L"C:\\W", L"inst.bat", L"-s", true,
                      L"cmd.exe /C \"\"C:\\W\\inst.bat\" xeltr\""},
        InstallerCase{L"C:\\R&D\\", L"sub\\go.cmd", nullptr, false,
                      L"cmd.exe /C \"\"C:\\R&D\\sub\\go.cmd\" xeltr\""},
        // The extension compares with case: capitals start the file directly.
        InstallerCase{L"C:\\W", L"Install.CMD", L"/q", false, L"\"C:\\W\\Install.CMD\" /q"},
        InstallerCase{L"C:\\W", L"tools\\setup.exe", L"-s", true,
                      L"\"C:\\W\\tools\\setup.exe\" -s /force"},
        // Parameters present but empty leave a trailing blank.
        InstallerCase{L"C:\\W", L"setup.exe", L"", false, L"\"C:\\W\\setup.exe\" "},
        // Only the last path component's dot counts.
        InstallerCase{L"C:\\W", L"v1.bat\\setup", nullptr, false, L"\"C:\\W\\v1.bat\\setup\""},
        // Windows Installer packages (/i) and patches (/p), in any case, go
        // to msiexec with their parameters but never /force, which it
        // refuses.
        InstallerCase{L"C:\\W", L"product.msi", L"/qn /norestart", true,
                      L"msiexec.exe /i \"C:\\W\\product.msi\" /qn /norestart"},
        InstallerCase{L"C:\\W\\", L"sub\\Product.MSI", nullptr, false,
                      L"msiexec.exe /i \"C:\\W\\sub\\Product.MSI\""},
        InstallerCase{L"C:\\R&D", L"fix.Msp", L"/qn", true, L"msiexec.exe /p \"C:\\R&D\\fix.Msp\" /qn"},
        InstallerCase{L"C:\\W", L"setup.msi.exe", L"-s", true,
                      L"\"C:\\W\\setup.msi.exe\" -s /force"},
        InstallerCase{L"C:\\W", L"product.msix", nullptr, false, L"\"C:\\W\\product.msix\""}));

TEST(InstallerCommand, NoCommandBuildsNothing) {
  wchar_t programPart[kProgramPartCapacity] = L"old";
  InstallerKind kind = InstallerKind::kBatch;
  EXPECT_FALSE(ComposeProgramPart(nullptr, L"-s", true, programPart, kProgramPartCapacity, &kind));
  EXPECT_STREQ(programPart, L"");
}

TEST(InstallerCommand, RefusesWhatDoesNotFitInsteadOfCutting) {
  const std::wstring longCommand(kProgramPartCapacity, L'a');
  wchar_t programPart[kProgramPartCapacity] = {};
  InstallerKind kind = InstallerKind::kProgram;
  EXPECT_FALSE(ComposeProgramPart(longCommand.c_str(), nullptr, false, programPart,
                                  kProgramPartCapacity, &kind));

  wchar_t small[16] = {};
  EXPECT_FALSE(FormatInstallerCommandLine(L"C:\\Folder", L"setup.exe\"", L"setup.exe",
                                          InstallerKind::kProgram, small, 16));
  EXPECT_TRUE(FormatInstallerCommandLine(L"C:\\F", L"s.exe\"", L"s.exe", InstallerKind::kProgram,
                                         small, 16));
  EXPECT_STREQ(small, L"\"C:\\F\\s.exe\"");
}

// CreateProcessW takes at most 32,767 characters, the terminator included.
TEST(InstallerCommand, CommandLineStopsWhereCreateProcessDoes) {
  std::wstring line(kCommandLineCapacity, L'\0');
  const std::wstring folder = L"C:\\F";  // "C:\F\" and a quote before the program part
  for (const auto& [length, fits] : {std::pair{32766u, true}, std::pair{32767u, false}}) {
    const std::wstring programPart(length - folder.size() - 2, L'p');
    EXPECT_EQ(FormatInstallerCommandLine(folder.c_str(), programPart.c_str(), L"p",
                                         InstallerKind::kProgram, line.data(), line.size()),
              fits)
        << length << " characters";
  }
}

}  // namespace
