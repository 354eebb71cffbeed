// DLLs that a stranger left beside a downloaded package must never load:
// not from the import table (resolved before the stub's first line runs),
// and not from what the stub loads later. Under Wine, native-first
// overrides make the loader look for comctl32.dll and uxtheme.dll (which
// comctl32 pulls in) where Windows looks for a DLL that is not a KnownDLL:
// in the program's folder first.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <tuple>
#include <vector>

#include "file_bytes.h"
#include "package_fixture.h"
#include "process_runner.h"
#include "temp_folder.h"

namespace {

const wchar_t kCaption[] = L"Quellmar Self Extracting Package";

struct RunCase {
  const char* name;
  const wchar_t* switches;  // none: the package window, with its contents list
  DWORD exitCode;
  bool control;  // the control program instead of the stub: it must load them
};

struct Planted {
  const char* name;
  std::vector<const wchar_t*> dlls;
};

void PrintTo(const RunCase& c, std::ostream* os) { *os << c.name; }
void PrintTo(const Planted& c, std::ostream* os) { *os << c.name; }

// The ".loaded" files the marker DLL leaves beside itself when it runs.
std::wstring LoadedMarkers(const std::wstring& folder) {
  std::wstring found;
  WIN32_FIND_DATAW item{};
  HANDLE search = FindFirstFileW((folder + L"\\*.loaded").c_str(), &item);
  for (bool more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &item)) {
    found += std::wstring(item.cFileName) + L" ";
  }
  if (search != INVALID_HANDLE_VALUE) FindClose(search);
  return found;
}

// The package window with its contents list open (the list view is what
// needs comctl32); answers the rows the list showed.
ProcessOutcome ShowContents(const std::wstring& package, LRESULT* rows) {
  auto main = [](WindowAnswer act) { return WindowStep{kCaption, std::move(act), true}; };
  return RunConversation(
      package, L"",
      {main([](HWND w, const ObservedWindow&) { ChooseSystemCommand(w, 0xFF0); }),
       WindowStep{L"Package Contents",
                  [rows](HWND w, const ObservedWindow&) {
                    *rows = SendWithLimit(GetDlgItem(w, 1008), LVM_GETITEMCOUNT, 0, 0);
                    PressKey(w, VK_ESCAPE);
                  }},
       main([](HWND w, const ObservedWindow&) { PressButton(w, IDCANCEL); })},
      40000);
}

// Native-first overrides for the programs this test starts, by their file
// names, which are this process's own (an override in the environment does
// not reach a program that a Windows process starts under Wine).
class PlantedDll : public ::testing::TestWithParam<std::tuple<RunCase, Planted>> {
 protected:
  void SetUp() override {
    const std::wstring id = std::to_wstring(GetCurrentProcessId());
    for (const wchar_t* name : {L"planted-", L"control-"}) {
      programs_.push_back(folder_ / (name + id + L".exe"));
      const std::wstring key = OverridesKey(programs_.back());
      for (const wchar_t* dll : {L"comctl32", L"uxtheme"}) {
        ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), dll, REG_SZ, L"native,builtin",
                                  sizeof L"native,builtin"),
                  ERROR_SUCCESS);
      }
    }
    for (const wchar_t* dll : std::get<1>(GetParam()).dlls) {
      ASSERT_TRUE(CopyFileW(WinePathFromUnix(KZP_LOAD_MARKER_UNIX_PATH).c_str(),
                            (folder_ / dll).c_str(), FALSE));
    }
  }
  void TearDown() override {
    for (const std::wstring& program : programs_) {
      const std::wstring key = OverridesKey(program);
      RegDeleteTreeW(HKEY_CURRENT_USER, key.substr(0, key.rfind(L'\\')).c_str());
    }
  }
  static std::wstring OverridesKey(const std::wstring& program) {
    return L"Software\\Wine\\AppDefaults\\" + program.substr(program.rfind(L'\\') + 1) +
           L"\\DllOverrides";
  }

  CKzpTempFolder folder_;
  std::vector<std::wstring> programs_;  // the package, the control program
};

TEST_P(PlantedDll, RunsOnlyInTheControlProgram) {
  const RunCase& c = std::get<0>(GetParam());
  CKzpPackageFixture package;
  package.AddInstaller("setup.exe");
  package.AddDescription("package.xml", "setup.exe", "-exit:0");
  ASSERT_TRUE(package.WriteTo(programs_[0]));
  ASSERT_TRUE(CopyFileW(WinePathFromUnix(KZP_STATIC_IMPORT_UNIX_PATH).c_str(),
                        programs_[1].c_str(), FALSE));
  ASSERT_TRUE(CreateDirectoryW((folder_ / L"out").c_str(), nullptr));

  LRESULT rows = -1;  // read from the contents list in the window case
  const ProcessOutcome outcome =
      c.control            ? RunProcess(programs_[1], L"")
      : c.switches != nullptr ? RunProcess(programs_[0], c.switches + (folder_ / L"out"))
                              : ShowContents(programs_[0], &rows);
  EXPECT_FALSE(outcome.timedOut);
  EXPECT_EQ(outcome.exitCode, c.exitCode);
  if (!c.control && c.switches == nullptr) {
    EXPECT_EQ(rows, 2) << "the list view works: comctl32 came from the system";
  }
  const std::wstring loaded = LoadedMarkers(folder_.Path());
  EXPECT_EQ(loaded.empty(), !c.control) << std::string(loaded.begin(), loaded.end())
                                         << (c.control ? "a static import must find it" : "");
}

// The switches get the extraction folder appended (unused by /install).
INSTANTIATE_TEST_SUITE_P(
    BesideThePackage, PlantedDll,
    ::testing::Combine(
        ::testing::Values(RunCase{"Extract", L"/extract:", 1, false},
                          RunCase{"Install", L"/install /x:", 0, false},
                          RunCase{"WindowWithContents", nullptr, 3, false},
                          RunCase{"ControlWithStaticImport", nullptr, 0, true}),
        ::testing::Values(Planted{"Both", {L"comctl32.dll", L"uxtheme.dll"}},
                          Planted{"UxthemeOnly", {L"uxtheme.dll"}})),
    [](const ::testing::TestParamInfo<std::tuple<RunCase, Planted>>& info) {
      return std::string(std::get<0>(info.param).name) + "_" + std::get<1>(info.param).name;
    });

}  // namespace
