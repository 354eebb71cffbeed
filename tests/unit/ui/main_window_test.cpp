// The package window made in this process: what another process cannot
// see under Wine (the system menu, character formats, where the focus
// goes), and the bold range's byte count.
#include <gtest/gtest.h>

#include <windows.h>

#include <richedit.h>

#include "app/app_state.h"
#include "file_bytes.h"
#include "packer/zip_writer.h"
#include "resources/resource.h"
#include "temp_folder.h"
#include "ui/main_window.h"

namespace {

// A name of eight double-byte characters takes 16 bytes in code page 932:
// the rich-text view counts bytes there, so its bold range ends at 16.
TEST(BoldRange, IsTheNamesByteCountInTheCodePage) {
  const wchar_t eightKanji[] = L"\u65E5\u672C\u8A9E\u306E\u540D\u524D\u3067\u3059";
  EXPECT_EQ(BoldRangeByteCount(eightKanji, 932), 16u);
  EXPECT_EQ(BoldRangeByteCount(L"Test Package", 932), 12u);
  EXPECT_EQ(BoldRangeByteCount(L"\u30C6\u30B9\u30C8 1.0", 932), 10u);
  EXPECT_EQ(BoldRangeByteCount(L"Caf\u00E9", 1252), 4u);
  EXPECT_EQ(BoldRangeByteCount(eightKanji, 1252), 8u) << "one '?' for each character it lacks";
  EXPECT_EQ(BoldRangeByteCount(L"", 932), 0u);
  EXPECT_EQ(BoldRangeByteCount(nullptr, 932), 0u);
}

class MainWindowInProcess : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { richEdit_ = LoadLibraryW(L"riched32.dll"); }
  static void TearDownTestSuite() { FreeLibrary(richEdit_); }

  // Loads a package with the given package data body and opens its window.
  HWND Open(const std::string& data) {
    kzppack::ZipWriter writer(kzppack::Bytes(4096, 0xCC));
    writer.AddFile("package.xml",
                   "<kzp_package version=\"2.0.1.0\"><name><name_xlate lang=\"en\">Tools"
                   "</name_xlate></name><version value=\"2.5\"/></kzp_package>");
    writer.AddFile("vr_data.xml", "<vr_pkg_data>" + data + "</vr_pkg_data>");
    const std::wstring path = folder_ / L"package.exe";
    EXPECT_TRUE(WriteFileBytes(path, writer.Finish()));
    AppState& app = TheApp();
    app.instance = GetModuleHandleW(nullptr);
    EXPECT_TRUE(app.package.Load(path.c_str(), L"package.xml", L"en"));
    window_ =
        CreateDialogParamW(app.instance, MAKEINTRESOURCEW(IDD_MAIN), nullptr, MainWindowProc, 0);
    return window_;
  }
  void TearDown() override {
    if (window_ != nullptr) DestroyWindow(window_);
    TheApp().package.Reset();
  }

  // The ids of the system menu's items, 0 for a separator.
  std::vector<UINT> MenuIds() const {
    HMENU menu = GetSystemMenu(window_, FALSE);
    std::vector<UINT> ids;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) ids.push_back(GetMenuItemID(menu, i));
    return ids;
  }

  static HMODULE richEdit_;
  CKzpTempFolder folder_;
  HWND window_ = nullptr;
};

HMODULE MainWindowInProcess::richEdit_ = nullptr;

// A separator and View Contents at the end of the system menu; with
// DISABLE_VIEW_CONTENTS set to 1, the platform's menu alone.
TEST_F(MainWindowInProcess, SystemMenuOffersViewContentsUnlessDisabled) {
  ASSERT_NE(Open(""), nullptr);
  const std::vector<UINT> offered = MenuIds();
  wchar_t label[64] = {};
  GetMenuStringW(GetSystemMenu(window_, FALSE), IDM_VIEW_CONTENTS, label, 64, MF_BYCOMMAND);
  EXPECT_STREQ(label, L"&View Contents...");
  DestroyWindow(window_);
  ASSERT_NE(Open("<settings><value name=\"DISABLE_VIEW_CONTENTS\" value=\"1\"/></settings>"),
            nullptr);
  std::vector<UINT> expected = MenuIds();
  expected.push_back(0);  // the separator
  expected.push_back(IDM_VIEW_CONTENTS);
  EXPECT_EQ(offered, expected);
}

// The name, and only the name, is bold at 11 points; all text in Arial.
TEST_F(MainWindowInProcess, NameIsBoldAtElevenPoints) {
  ASSERT_NE(Open(""), nullptr);
  HWND view = GetDlgItem(window_, IDC_DESCRIPTION);
  auto format = [view](int from, int to) {
    SendMessageW(view, EM_SETSEL, from, to);
    CHARFORMATW cf{};
    cf.cbSize = sizeof cf;
    SendMessageW(view, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
    return cf;
  };
  const CHARFORMATW name = format(0, 5), rest = format(5, 20), all = format(0, -1);  // "Tools"
  EXPECT_TRUE((name.dwMask & CFM_BOLD) && (name.dwEffects & CFE_BOLD) && name.yHeight == 220);
  EXPECT_TRUE((rest.dwMask & CFM_BOLD) && !(rest.dwEffects & CFE_BOLD));
  EXPECT_STREQ(all.szFaceName, L"Arial");
}

// The icon control loads icon 102 from the id its template gives as text.
TEST_F(MainWindowInProcess, ShowsThePackageIcon) {
  ASSERT_NE(Open(""), nullptr);
  EXPECT_NE(SendMessageW(GetDlgItem(window_, IDC_PACKAGE_ICON), STM_GETICON, 0, 0), 0);
}

// The window opens with the focus on Extract; clicking into the description
// gives the focus straight back.
TEST_F(MainWindowInProcess, DescriptionViewNeverKeepsTheFocus) {
  ASSERT_NE(Open(""), nullptr);
  HWND extract = GetDlgItem(window_, IDC_EXTRACT);
  EXPECT_EQ(GetFocus(), extract);
  ShowWindow(window_, SW_SHOW);
  SetActiveWindow(window_);
  SetFocus(GetDlgItem(window_, IDC_CLOSE));
  SetFocus(GetDlgItem(window_, IDC_DESCRIPTION));
  EXPECT_EQ(GetFocus(), GetDlgItem(window_, IDC_CLOSE));
  SetFocus(extract);
  SetFocus(GetDlgItem(window_, IDC_DESCRIPTION));
  EXPECT_EQ(GetFocus(), extract);
}

}  // namespace
