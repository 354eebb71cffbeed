// The package window of a package started without a switch, driven from
// this process as a user would: find the windows, read their texts, press
// their buttons, answer their messages, read the full exit code.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <cstdlib>
#include <string>

#include "file_bytes.h"
#include "package_fixture.h"
#include "packer/zip_mutators.h"
#include "process_runner.h"
#include "temp_folder.h"

namespace {

const wchar_t kCaption[] = L"Quellmar Self Extracting Package";
const wchar_t kLicenseTitle[] = L"License Agreement";
const wchar_t kBrowserTitle[] = L"Browse for Folder";  // Wine's own folder browser
constexpr int kInstruction = 1001, kExtract = 1003, kClose = 1004, kDescription = 1006;
constexpr int kLicenseText = 1012, kContentsList = 1008;
constexpr DWORD kClosed = 3, kLimitMs = 40000;

// A package with names in English, Japanese and German, two files and,
// when given, the body of vr_data.xml.
CKzpPackageFixture WindowPackage(const std::string& packageData = {}) {
  CKzpPackageFixture package;
  package.Writer().AddFile(
      "package.xml",
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<kzp_package version=\"2.0.1.0\">"
      "<name><name_xlate lang=\"en\">Test Package</name_xlate>"
      "<name_xlate lang=\"ja\">\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88</name_xlate>"
      "<name_xlate lang=\"de\">Testpaket</name_xlate></name>"
      "<version value=\"1.0\"/>"
      "<description><description_xlate lang=\"en\">Installs nothing.</description_xlate>"
      "</description></kzp_package>");
  package.Writer().AddFile("readme.txt", "hello");
  package.Writer().AddFile("docs/guide.txt", std::string(5000, 'g'));
  if (!packageData.empty()) package.AddPackageData(packageData);
  return package;
}

// The folder browser preselects the package's folder only when no folder on
// the way to it changes while it opens (the shared temporary folder does;
// see SettleFolderTimes for the rest). Each browser test keeps a folder of
// its own under C:\kzp-windows, emptied before and after; all of them are
// made up front, so no test's start changes the tree that another test's
// browser is walking.
class CKzpQuietFolder {
 public:
  explicit CKzpQuietFolder(const wchar_t* name) : path_(std::wstring(kRoot) + L"\\" + name) {
    CreateDirectoryW(kRoot, nullptr);
    for (const wchar_t* each : {L"accepted", L"failed", L"no-space"}) {
      CreateDirectoryW((std::wstring(kRoot) + L"\\" + each).c_str(), nullptr);
    }
    Empty();
  }
  ~CKzpQuietFolder() { Empty(); }
  const std::wstring& Path() const { return path_; }
  std::wstring operator/(const std::wstring& relative) const { return path_ + L"\\" + relative; }

 private:
  // Removes what is inside, never the folder itself.
  void Empty() const {
    WIN32_FIND_DATAW item{};
    HANDLE search = FindFirstFileW((path_ + L"\\*").c_str(), &item);
    for (bool more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &item)) {
      const std::wstring name = item.cFileName;
      if (!(item.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileW((*this / name).c_str());
      else if (name != L"." && name != L"..") RemoveTreeForTests(*this / name);
    }
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
  }

  static constexpr const wchar_t* kRoot = L"C:\\kzp-windows";
  std::wstring path_;
};

template <typename Folder>
std::wstring Save(const Folder& folder, const kzppack::Bytes& bytes) {
  const std::wstring path = folder / L"package.exe";
  EXPECT_TRUE(WriteFileBytes(path, bytes));
  SettleFolderTimes(folder.Path());
  return path;
}

// The description view's text with every line break as "\n".
std::wstring Lines(std::wstring text) {
  std::wstring lines;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') continue;
    lines += text[i] == L'\r' ? L'\n' : text[i];
  }
  return lines;
}

std::wstring LeafName(const std::wstring& path) { return path.substr(path.rfind(L'\\') + 1); }

WindowStep MainWindow(WindowAnswer act) { return WindowStep{kCaption, std::move(act), true}; }
WindowStep Press(const std::wstring& title, int id, const std::wstring& childText = {}) {
  return WindowStep{title, [id](HWND w, const ObservedWindow&) { PressButton(w, id); }, false,
                    childText};
}
const WindowStep kExtractFromMainWindow =
    MainWindow([](HWND w, const ObservedWindow&) { PressButton(w, kExtract); });
const WindowStep kCloseMainWindow =
    MainWindow([](HWND w, const ObservedWindow&) { PressButton(w, kClose); });

// OK only when the browser opened at the folder expected: a wrong selection
// must never receive the package. Wine's browser fills its tree while it
// opens, so the selection may take a moment to arrive.
WindowStep ChooseInBrowser(const std::wstring& folder, std::wstring* selected) {
  return WindowStep{kBrowserTitle, [folder, selected](HWND window, const ObservedWindow&) {
                      HWND tree = FindWindowExW(window, nullptr, WC_TREEVIEWW, nullptr);
                      for (int wait = 0; wait < 50; ++wait, Sleep(100)) {
                        *selected = SelectedTreeItemText(tree);
                        if (*selected == LeafName(folder)) break;
                      }
                      PressButton(window, *selected == LeafName(folder) ? IDOK : IDCANCEL);
                    }};
}

void ExpectFinished(const ProcessOutcome& outcome, std::size_t steps, DWORD exitCode) {
  EXPECT_TRUE(outcome.started);
  EXPECT_FALSE(outcome.timedOut);
  EXPECT_EQ(outcome.stepsDone, steps);
  EXPECT_EQ(outcome.exitCode, exitCode);
  if (outcome.stepsDone == steps) return;
  for (const ObservedWindow& window : outcome.windows) {
    std::wstring seen = L"window seen: " + window.title;
    for (const std::wstring& text : window.childTexts) seen += L" | " + text;
    ADD_FAILURE() << std::string(seen.begin(), seen.end());
  }
}

enum class CloseWay { kCloseButton, kEscape, kCloseBox };

struct CloseCase {
  const char* name;
  CloseWay way;
  const char* largeWindow;  // the LARGE_WINDOW setting, or none
  bool large;               // template 115: buttons at the right of the description
};

void PrintTo(const CloseCase& c, std::ostream* os) { *os << c.name; }

class PackageWindow : public ::testing::TestWithParam<CloseCase> {};

TEST_P(PackageWindow, ShowsThePackageAndEndsWith3WhenClosed) {
  const CloseCase& c = GetParam();
  CKzpTempFolder folder;
  CKzpPackageFixture package = WindowPackage(
      c.largeWindow == nullptr ? std::string()
                               : std::string("<settings><value name=\"LARGE_WINDOW\" value=\"") +
                                     c.largeWindow + "\"/></settings>");
  std::wstring instruction, description;
  RECT extract{}, view{};
  const ProcessOutcome outcome = RunConversation(
      Save(folder, package.Writer().Finish()), L"",
      {MainWindow([&](HWND window, const ObservedWindow&) {
        instruction = ControlText(window, kInstruction);
        description = Lines(ControlText(window, kDescription));
        extract = ScreenRect(GetDlgItem(window, kExtract));
        view = ScreenRect(GetDlgItem(window, kDescription));
        if (c.way == CloseWay::kCloseButton) PressButton(window, kClose);
        if (c.way == CloseWay::kEscape) PressKey(window, VK_ESCAPE);
        if (c.way == CloseWay::kCloseBox) ChooseSystemCommand(window, SC_CLOSE);
      })},
      kLimitMs);
  ExpectFinished(outcome, 1, kClosed);
  EXPECT_EQ(instruction,
            L"Press the 'Extract' button to save the package contents in a folder on your "
            L"computer, or choose 'Close' to exit.");
  EXPECT_EQ(description, L"Test Package\nVersion: 1.0\n\nInstalls nothing.");
  EXPECT_EQ(extract.left >= view.right, c.large);
  EXPECT_EQ(extract.top >= view.bottom, !c.large);
}

// Only a LARGE_WINDOW of exactly "1" picks template 115.
INSTANTIATE_TEST_SUITE_P(
    Ways, PackageWindow,
    ::testing::Values(CloseCase{"CloseButton", CloseWay::kCloseButton, nullptr, false},
                      CloseCase{"EscapeLarge", CloseWay::kEscape, "1", true},
                      CloseCase{"CloseBoxTrue", CloseWay::kCloseBox, "true", false},
                      CloseCase{"CloseButton01", CloseWay::kCloseButton, "01", false}));

// Declining the license leaves the window open; accepting it leads to the
// folder browser, opened at the package's folder, and the progress window.
TEST(PackageWindowLicense, DeclinedThenAcceptedExtractsIntoTheBrowsedFolder) {
  CKzpQuietFolder folder(L"accepted");
  CKzpPackageFixture package =
      WindowPackage("<license><filename lang=\"en\">license.txt</filename></license>");
  // Bare LF and CR LF line ends in one text: each line shows once.
  package.Writer().AddFile("license.txt", "First line\nSecond line\r\nThird line");
  std::wstring license, selected;
  RECT progress{}, owner{};
  LONG progressStyle = 0;
  const ProcessOutcome outcome = RunConversation(
      Save(folder, package.Writer().Finish()), L"",
      {kExtractFromMainWindow,
       WindowStep{kLicenseTitle,
                  [&](HWND window, const ObservedWindow&) {
                    license = ControlText(window, kLicenseText);
                    PressButton(window, IDCANCEL);
                  }},
       kExtractFromMainWindow, Press(kLicenseTitle, IDOK),
       ChooseInBrowser(folder.Path(), &selected),
       WindowStep{L"Extraction Progress",
                  [&](HWND window, const ObservedWindow&) {
                    progress = ScreenRect(window);
                    owner = ScreenRect(GetWindow(window, GW_OWNER));
                    progressStyle = GetWindowLongW(window, GWL_STYLE);
                  }},
       kCloseMainWindow},
      kLimitMs);
  ExpectFinished(outcome, 7, kClosed);
  EXPECT_EQ(license, L"First line\r\nSecond line\r\nThird line");
  EXPECT_EQ(selected, LeafName(folder.Path())) << "the browser opens at the package's folder";
  EXPECT_EQ(ReadFileText(folder / L"readme.txt"), "hello");
  EXPECT_TRUE(ReadFileText(folder / L"docs\\guide.txt") == std::string(5000, 'g'));
  // Centred over the package window, without a close box.
  EXPECT_LE(std::abs((progress.left + progress.right) - (owner.left + owner.right)), 2);
  EXPECT_LE(std::abs((progress.top + progress.bottom) - (owner.top + owner.bottom)), 2);
  EXPECT_EQ(progressStyle & WS_SYSMENU, 0);
}

TEST(PackageWindowExtraction, FailureShowsMessage1005AndEndsTheWindowWith1) {
  CKzpQuietFolder folder(L"failed");
  CKzpPackageFixture package = WindowPackage();
  package.Writer().AddFile("bad.bin", "stored bytes", kzppack::kMethodStored);
  kzppack::ZipLayout layout;
  kzppack::Bytes bytes = package.Writer().Finish(&layout);
  ASSERT_TRUE(kzppack::CorruptEntryData(bytes, layout, 3));  // a CRC mismatch in bad.bin
  std::wstring selected;
  const ProcessOutcome outcome = RunConversation(
      Save(folder, bytes), L"",
      {kExtractFromMainWindow, ChooseInBrowser(folder.Path(), &selected),
       Press(kCaption, IDOK,
             L"Quellmar Package Setup was unable to extract the package properly.  "
             L"Installation will not continue.")},
      kLimitMs);
  ExpectFinished(outcome, 3, 1u);
  EXPECT_EQ(selected, LeafName(folder.Path()));
}

TEST(PackageWindowExtraction, NotEnoughSpaceShowsTheFullSizesAndKeepsTheWindow) {
  CKzpQuietFolder folder(L"no-space");
  // 4,000 entries that each claim 4 GiB - 1: about 16 TiB, more than any disk
  // here has free, and far beyond what 32 bits can show.
  CKzpPackageFixture package = WindowPackage();
  constexpr std::uint32_t kClaim = 0xFFFFFFFFu, kCount = 4000;
  for (std::uint32_t i = 0; i < kCount; ++i) package.Writer().AddFile("big/" + std::to_string(i), "");
  kzppack::ZipLayout layout;
  kzppack::Bytes bytes = package.Writer().Finish(&layout);
  std::uint64_t required = 0;
  for (std::size_t i = 0; i < layout.entries.size(); ++i) {
    const bool big = i >= layout.entries.size() - kCount;
    if (big) {
      ASSERT_TRUE(kzppack::DeclareUncompressedSize(bytes, layout, i, kClaim));
    }
    required += big ? kClaim : layout.entries[i].uncompressedSize;
  }
  std::wstring selected;
  // Message 1003 names the full size; the window stays until it is closed.
  const ProcessOutcome outcome = RunConversation(
      Save(folder, bytes), L"",
      {kExtractFromMainWindow, ChooseInBrowser(folder.Path(), &selected),
       Press(kCaption, IDOK, L"\n\n" + std::to_wstring(required) + L" bytes required\n\n"),
       kCloseMainWindow},
      kLimitMs);
  ExpectFinished(outcome, 4, kClosed);
  EXPECT_EQ(selected, LeafName(folder.Path()));
  EXPECT_FALSE(FileExists(folder / L"readme.txt"));
}

// The common controls that the stub loaded: version 6, which lives only in
// the system's side-by-side store (Wine's answers 5.81 to DllGetVersion
// wherever it lies, so the folder is what tells).
bool IsCommonControls6(const std::wstring& path) {
  std::wstring lower = path;
  CharLowerBuffW(lower.data(), static_cast<DWORD>(lower.size()));
  return lower.find(L"\\winsxs\\") != std::wstring::npos &&
         lower.find(L"_microsoft.windows.common-controls_6595b64144ccf1df_6.") != std::wstring::npos;
}

TEST(PackageWindowContents, ListsEveryEntryAndKeepsItsMinimumSize) {
  CKzpTempFolder folder;
  LRESULT rows = 0;
  RECT shrunk{}, list{}, client{};
  std::vector<std::wstring> commonControls;
  const ProcessOutcome outcome = RunConversation(
      Save(folder, WindowPackage().Writer().Finish()), L"",
      {MainWindow([](HWND w, const ObservedWindow&) { ChooseSystemCommand(w, 0xFF0); }),
       WindowStep{L"Package Contents",
                  [&](HWND window, const ObservedWindow&) {
                    for (const std::wstring& path : ModulePathsOf(window)) {
                      if (lstrcmpiW(LeafName(path).c_str(), L"comctl32.dll") == 0) {
                        commonControls.push_back(path);
                      }
                    }
                    rows = SendWithLimit(GetDlgItem(window, kContentsList), LVM_GETITEMCOUNT, 0, 0);
                    SetWindowPos(window, nullptr, 0, 0, 100, 100, SWP_NOMOVE | SWP_NOZORDER);
                    shrunk = ScreenRect(window);
                    SetWindowPos(window, nullptr, 0, 0, 640, 420, SWP_NOMOVE | SWP_NOZORDER);
                    list = ScreenRect(GetDlgItem(window, kContentsList));
                    GetClientRect(window, &client);
                    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
                    PressKey(window, VK_ESCAPE);
                  }},
       kCloseMainWindow},
      kLimitMs);
  ExpectFinished(outcome, 3, kClosed);
  EXPECT_EQ(rows, 3) << "package.xml, readme.txt, docs/guide.txt";
  EXPECT_EQ(shrunk.right - shrunk.left, 400);
  EXPECT_EQ(shrunk.bottom - shrunk.top, 200);
  EXPECT_TRUE(EqualRect(&list, &client)) << "the list fills the window after a resize";
  ASSERT_EQ(commonControls.size(), 1u);
  EXPECT_TRUE(IsCommonControls6(commonControls[0]))
      << std::string(commonControls[0].begin(), commonControls[0].end());
}

// The window in the language of the Windows locale, which a CTest entry of
// each sets with LC_ALL (KZP_EXPECT_LANGUAGE names it): that language's
// templates and strings, and the package's name in it.
struct LocaleTexts {
  const char* language;
  const wchar_t* caption;
  const wchar_t* extract;
  const wchar_t* description;
};

const LocaleTexts kLocaleTexts[] = {
    {"ja", L"Quellmar\u81EA\u5DF1\u89E3\u51CD\u578B \u30D1\u30C3\u30B1\u30FC\u30B8 ",
     L"\u89E3\u51CD(&E)...",
     // The English description is the one fallback.
     L"\u30C6\u30B9\u30C8\n\u30D0\u30FC\u30B8\u30E7\u30F3: 1.0\n\nInstalls nothing."},
    {"de", L"Selbstextrahierendes Quellmar-Paket", L"&Entpacken...",
     L"Testpaket\nVersion: 1.0\n\nInstalls nothing."},
};

TEST(PackageWindowUnderLocale, TemplatesAndStringsOfTheLocale) {
  const char* language = std::getenv("KZP_EXPECT_LANGUAGE");
  ASSERT_NE(language, nullptr) << "run by the CTest entries that set the locale";
  const LocaleTexts* texts = nullptr;
  for (const LocaleTexts& each : kLocaleTexts) {
    if (std::string(each.language) == language) texts = &each;
  }
  ASSERT_NE(texts, nullptr) << language;
  CKzpTempFolder folder;
  std::wstring extract, description;
  const ProcessOutcome outcome = RunConversation(
      Save(folder, WindowPackage().Writer().Finish()), L"",
      {WindowStep{texts->caption,
                  [&](HWND window, const ObservedWindow&) {
                    extract = ControlText(window, kExtract);
                    description = Lines(ControlText(window, kDescription));
                    PressButton(window, kClose);
                  },
                  true}},
      kLimitMs);
  ExpectFinished(outcome, 1, kClosed);
  EXPECT_EQ(extract, texts->extract);
  EXPECT_EQ(description, texts->description);
}

}  // namespace
