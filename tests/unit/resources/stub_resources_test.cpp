// The dialog templates and string tables as the resource compiler wrote
// them into the built stub: what the platform creates the windows from.
#include <gtest/gtest.h>

#include <windows.h>

#include <ostream>

#include "pe_resources.h"
#include "process_runner.h"
#include "resources/resource.h"

namespace {

constexpr LANGID kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
constexpr LANGID kJapanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);

const CKzpPeResources& Stub() {
  static const CKzpPeResources stub(BuiltStubPath());
  return stub;
}

CKzpDialogTemplate Template(WORD id, LANGID language) {
  CKzpDialogTemplate dialog;
  EXPECT_TRUE(Stub().Dialog(id, language, dialog)) << "template " << id << ", language "
                                                   << std::hex << language;
  return dialog;
}

struct IconCase {
  WORD dialog;
  LANGID language;
  short cx, cy;
};

void PrintTo(const IconCase& c, std::ostream* os) {
  *os << c.dialog << " in language " << std::hex << c.language;
}

class PackageIcon : public ::testing::TestWithParam<IconCase> {};

// The icon of the package window keeps the size its template gives it; an
// ICON statement would have written 0 by 0.
TEST_P(PackageIcon, HoldsItsSizeInTheTemplate) {
  const IconCase& c = GetParam();
  const CKzpDialogTemplate dialog = Template(c.dialog, c.language);
  const CKzpDialogItem* icon = dialog.Item(IDC_PACKAGE_ICON);
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(lstrcmpiW(icon->className.c_str(), L"Static"), 0) << icon->className.c_str();
  EXPECT_EQ(icon->style & SS_TYPEMASK, static_cast<DWORD>(SS_ICON));
  EXPECT_EQ(icon->style & (WS_CHILD | WS_VISIBLE), static_cast<DWORD>(WS_CHILD | WS_VISIBLE));
  EXPECT_EQ(icon->textOrdinal, IDI_PACKAGE);
  EXPECT_EQ(icon->x, 4);
  EXPECT_EQ(icon->y, 2);
  EXPECT_EQ(icon->cx, c.cx);
  EXPECT_EQ(icon->cy, c.cy);
}

INSTANTIATE_TEST_SUITE_P(MainWindows, PackageIcon,
                         ::testing::Values(IconCase{IDD_MAIN, kEnglish, 21, 20},
                                           IconCase{IDD_MAIN_LARGE, kEnglish, 20, 20},
                                           IconCase{IDD_MAIN, kJapanese, 20, 20},
                                           IconCase{IDD_MAIN_LARGE, kJapanese, 20, 20}));

// The license text is multi-line, read-only, scrolls vertically and takes
// the tab, without a frame (EDITTEXT would add WS_BORDER by itself).
TEST(LicenseText, HasNoBorder) {
  for (LANGID language : Stub().Languages(RT_DIALOG, IDD_LICENSE)) {
    const CKzpDialogItem* text = Template(IDD_LICENSE, language).Item(IDC_LICENSE_TEXT);
    ASSERT_NE(text, nullptr) << std::hex << language;
    EXPECT_EQ(lstrcmpiW(text->className.c_str(), L"Edit"), 0);
    const DWORD wanted = ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_TABSTOP;
    EXPECT_EQ(text->style & wanted, wanted) << std::hex << language;
    EXPECT_EQ(text->style & WS_BORDER, 0u) << std::hex << language;
    EXPECT_EQ(text->exStyle & WS_EX_CLIENTEDGE, 0u) << std::hex << language;
  }
}

}  // namespace
