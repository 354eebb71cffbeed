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
constexpr int kContentsList = 1008;
constexpr WPARAM kViewContents = 0xFF0;

enum class Run { kExtract, kInstall, kUsage, kWindow, kControl };

struct Planted {
  const char* name;
  std::vector<const wchar_t*> dlls;
};

std::wstring MarkerDllPath() { return WinePathFromUnix(KZP_LOAD_MARKER_UNIX_PATH); }

// The names of the ".loaded" files in folder: the planted DLLs that ran.
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

// The package window with its contents list open: the list view is what
// needs comctl32, loaded when the list opens. Answers the rows it showed.
ProcessOutcome ShowContents(const std::wstring& package, LRESULT* rows) {
  return RunConversation(
      package, L"",
      {WindowStep{kCaption, [](HWND w, const ObservedWindow&) { ChooseSystemCommand(w, kViewContents); },
                  true},
       WindowStep{L"Package Contents",
                  [rows](HWND w, const ObservedWindow&) {
                    *rows = SendWithLimit(GetDlgItem(w, kContentsList), LVM_GETITEMCOUNT, 0, 0);
                    PressKey(w, VK_ESCAPE);
                  }},
       WindowStep{kCaption, [](HWND w, const ObservedWindow&) { PressButton(w, IDCANCEL); }, true}},
      40000);
}

const char* RunName(Run run) {
  switch (run) {
    case Run::kExtract: return "Extract";
    case Run::kInstall: return "Install";
    case Run::kUsage: return "Usage";
    case Run::kWindow: return "WindowWithContents";
    case Run::kControl: return "ControlWithStaticImport";
  }
  return "";
}

void PrintTo(Run run, std::ostream* os) { *os << RunName(run); }
void PrintTo(const Planted& planted, std::ostream* os) { *os << planted.name; }

// Native-first overrides for the programs this test starts, by their file
// names, which are this process's own (an override in the environment does
// not reach a program that a Windows process starts under Wine).
class PlantedDll : public ::testing::TestWithParam<std::tuple<Run, Planted>> {
 protected:
  void SetUp() override {
    const std::wstring id = std::to_wstring(GetCurrentProcessId());
    package_ = folder_ / (L"planted-" + id + L".exe");
    control_ = folder_ / (L"control-" + id + L".exe");
    for (const std::wstring& path : {package_, control_}) {
      const std::wstring key = OverridesKey(path);
      for (const wchar_t* dll : {L"comctl32", L"uxtheme"}) {
        ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), dll, REG_SZ, L"native,builtin",
                                  sizeof L"native,builtin"),
                  ERROR_SUCCESS);
      }
    }
    for (const wchar_t* dll : std::get<1>(GetParam()).dlls) {
      ASSERT_TRUE(CopyFileW(MarkerDllPath().c_str(), (folder_ / dll).c_str(), FALSE));
    }
  }
  void TearDown() override {
    for (const std::wstring& path : {package_, control_}) {
      const std::wstring key = OverridesKey(path);
      RegDeleteTreeW(HKEY_CURRENT_USER, key.substr(0, key.rfind(L'\\')).c_str());
    }
  }

  static std::wstring OverridesKey(const std::wstring& program) {
    return L"Software\\Wine\\AppDefaults\\" + program.substr(program.rfind(L'\\') + 1) +
           L"\\DllOverrides";
  }

  CKzpTempFolder folder_;
  std::wstring package_;
  std::wstring control_;
};

TEST_P(PlantedDll, NeverRunsInTheStub) {
  CKzpPackageFixture package;
  package.AddInstaller("setup.exe");
  package.AddDescription("package.xml", "setup.exe", "-exit:0");
  const std::wstring& path = package_;
  ASSERT_TRUE(package.WriteTo(path));
  const std::wstring out = folder_ / L"out";
  ASSERT_TRUE(CreateDirectoryW(out.c_str(), nullptr));

  ProcessOutcome outcome;
  LRESULT rows = 0;
  DWORD expected = 0;
  switch (std::get<0>(GetParam())) {
    case Run::kExtract:
      outcome = RunProcess(path, L"/extract:" + out);
      expected = 1;
      break;
    case Run::kInstall:
      outcome = RunProcess(path, L"/install");
      break;
    case Run::kUsage:
      outcome = RunProcess(path, L"/help");  // answered by closing it
      expected = 1;
      break;
    case Run::kWindow:
      outcome = ShowContents(path, &rows);
      expected = 3;
      EXPECT_EQ(rows, 2) << "the list view worked: comctl32 came from the system";
      break;
    case Run::kControl: {
      ASSERT_TRUE(CopyFileW(WinePathFromUnix(KZP_STATIC_IMPORT_UNIX_PATH).c_str(),
                            control_.c_str(), FALSE));
      outcome = RunProcess(control_, L"");
      EXPECT_NE(LoadedMarkers(folder_.Path()), L"")
          << "a static import must find the planted DLL, or this test proves nothing";
      return;
    }
  }
  EXPECT_TRUE(outcome.started);
  EXPECT_FALSE(outcome.timedOut);
  EXPECT_EQ(outcome.exitCode, expected);
  const std::wstring loaded = LoadedMarkers(folder_.Path());
  EXPECT_EQ(loaded, L"") << std::string(loaded.begin(), loaded.end());
}

INSTANTIATE_TEST_SUITE_P(
    BesideThePackage, PlantedDll,
    ::testing::Combine(::testing::Values(Run::kExtract, Run::kInstall, Run::kUsage, Run::kWindow,
                                         Run::kControl),
                       ::testing::Values(Planted{"Both", {L"comctl32.dll", L"uxtheme.dll"}},
                                         Planted{"UxthemeOnly", {L"uxtheme.dll"}})),
    [](const ::testing::TestParamInfo<std::tuple<Run, Planted>>& info) {
      return std::string(RunName(std::get<0>(info.param))) + "_" + std::get<1>(info.param).name;
    });

}  // namespace
