// The dialog templates and string tables as the resource compiler wrote
// them into the built stub: what the platform creates the windows from.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "pe_resources.h"
#include "process_runner.h"
#include "resources/resource.h"

namespace {

constexpr LANGID kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
constexpr LANGID kJapanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);
// Tagged with the neutral sublanguage: every locale of the language finds them.
constexpr LANGID kGerman = MAKELANGID(LANG_GERMAN, SUBLANG_NEUTRAL);
constexpr LANGID kFrench = MAKELANGID(LANG_FRENCH, SUBLANG_NEUTRAL);
constexpr LANGID kSpanish = MAKELANGID(LANG_SPANISH, SUBLANG_NEUTRAL);
constexpr LANGID kItalian = MAKELANGID(LANG_ITALIAN, SUBLANG_NEUTRAL);

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
                                           IconCase{IDD_MAIN_LARGE, kJapanese, 20, 20},
                                           IconCase{IDD_MAIN, kGerman, 21, 20},
                                           IconCase{IDD_MAIN_LARGE, kItalian, 20, 20}));

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

// How many times part occurs in text.
std::size_t Count(const std::wstring& text, const std::wstring& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::wstring::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

// A translation keeps what the program and the user rely on: the fields
// that the message fills in, the access keys, the line breaks.
void ExpectSameFields(const std::wstring& english, const std::wstring& translated,
                      const std::string& where) {
  EXPECT_FALSE(translated.empty()) << where;
  for (const wchar_t* part : {L"%lu", L"&", L"\n"}) {
    EXPECT_EQ(Count(translated, part), Count(english, part))
        << where << ": \"" << std::string(part, part + wcslen(part)) << "\"";
  }
}

// The ids of the controls that have one, in tab order.
std::vector<DWORD> NamedControls(const CKzpDialogTemplate& dialog) {
  std::vector<DWORD> ids;
  for (const CKzpDialogItem& item : dialog.items) {
    if (static_cast<WORD>(item.id) != 0xFFFF) ids.push_back(item.id);
  }
  return ids;
}

// Only the texts differ from the English template.
void ExpectSameGeometry(const CKzpDialogTemplate& english, const CKzpDialogTemplate& dialog,
                        const std::string& where) {
  EXPECT_EQ(dialog.style, english.style) << where;
  EXPECT_EQ(dialog.exStyle, english.exStyle) << where;
  EXPECT_TRUE(dialog.cx == english.cx && dialog.cy == english.cy) << where;
  EXPECT_EQ(dialog.pointSize, english.pointSize) << where;
  EXPECT_EQ(dialog.face, english.face) << where;
  ASSERT_EQ(dialog.items.size(), english.items.size()) << where;
  for (std::size_t i = 0; i < english.items.size(); ++i) {
    const CKzpDialogItem &theirs = english.items[i], &ours = dialog.items[i];
    const std::string item = where + ", item " + std::to_string(i);
    EXPECT_EQ(ours.className, theirs.className) << item;
    EXPECT_EQ(ours.textOrdinal, theirs.textOrdinal) << item;
    EXPECT_EQ(ours.text.empty(), theirs.text.empty()) << item;
    EXPECT_EQ(Count(ours.text, L"&"), Count(theirs.text, L"&")) << item;
    EXPECT_EQ(ours.style, theirs.style) << item;
    EXPECT_EQ(ours.exStyle, theirs.exStyle) << item;
    EXPECT_TRUE(ours.x == theirs.x && ours.y == theirs.y && ours.cx == theirs.cx &&
                ours.cy == theirs.cy)
        << item;
  }
}

struct LanguageCase {
  const char* name;
  LANGID language;
  bool license;       // has a license dialog of its own
  bool sameGeometry;  // the English templates with other texts
};

void PrintTo(const LanguageCase& c, std::ostream* os) { *os << c.name; }

class EveryLanguage : public ::testing::TestWithParam<LanguageCase> {};

TEST_P(EveryLanguage, HasTheStringsOfEnglish) {
  const std::map<UINT, std::wstring> english = Stub().Strings(kEnglish);
  const std::map<UINT, std::wstring> strings = Stub().Strings(GetParam().language);
  ASSERT_EQ(english.size(), 15u);
  std::vector<UINT> englishIds, ids;
  for (const auto& [id, text] : english) englishIds.push_back(id);
  for (const auto& [id, text] : strings) ids.push_back(id);
  ASSERT_EQ(ids, englishIds);
  for (const auto& [id, text] : english) {
    ExpectSameFields(text, strings.at(id), "string " + std::to_string(id));
  }
}

// The same templates as English, with the same controls; the four newer
// languages also keep the English geometry, styles and font.
TEST_P(EveryLanguage, HasTheTemplatesOfEnglish) {
  const LanguageCase& c = GetParam();
  std::vector<WORD> englishIds, ids;
  for (WORD id : Stub().Ids(RT_DIALOG)) {
    const std::vector<LANGID> languages = Stub().Languages(RT_DIALOG, id);
    const auto has = [&languages](LANGID l) {
      return std::find(languages.begin(), languages.end(), l) != languages.end();
    };
    if (has(kEnglish)) englishIds.push_back(id);
    if (has(c.language)) ids.push_back(id);
    if (has(kEnglish) && !has(c.language) && !(id == IDD_LICENSE && !c.license)) {
      ADD_FAILURE() << "template " << id << " is missing";
    }
  }
  ASSERT_EQ(englishIds.size(), 6u);
  ASSERT_EQ(ids.size(), c.license ? 6u : 5u);
  for (WORD id : ids) {
    const CKzpDialogTemplate english = Template(id, kEnglish), dialog = Template(id, c.language);
    const std::string where = "template " + std::to_string(id);
    EXPECT_EQ(NamedControls(dialog), NamedControls(english)) << where;
    EXPECT_EQ(dialog.title.empty(), english.title.empty()) << where;
    for (DWORD control : NamedControls(english)) {
      const CKzpDialogItem* ours = dialog.Item(control);
      ASSERT_NE(ours, nullptr) << where << ", control " << control;
      EXPECT_EQ(Count(ours->text, L"&"), Count(english.Item(control)->text, L"&"))
          << where << ", control " << control;
    }
    if (c.sameGeometry) ExpectSameGeometry(english, dialog, where);
  }
}

// Japanese keeps its own templates and, like its origin, no license dialog.
INSTANTIATE_TEST_SUITE_P(Resources, EveryLanguage,
                         ::testing::Values(LanguageCase{"Japanese", kJapanese, false, false},
                                           LanguageCase{"German", kGerman, true, true},
                                           LanguageCase{"French", kFrench, true, true},
                                           LanguageCase{"Spanish", kSpanish, true, true},
                                           LanguageCase{"Italian", kItalian, true, true}));

struct LocaleCase {
  const char* name;
  LANGID asked;   // the language of a locale
  LANGID tagged;  // the resources it gets
};

void PrintTo(const LocaleCase& c, std::ostream* os) { *os << c.name; }

class LocaleFindsItsLanguage : public ::testing::TestWithParam<LocaleCase> {};

// Each locale of a language gets that language's resources from the
// platform's lookup: Spain's traditional and modern sorts both.
TEST_P(LocaleFindsItsLanguage, InTheStringTableAndTheTemplates) {
  const LocaleCase& c = GetParam();
  for (const auto& [type, id] : {std::pair{RT_STRING, WORD{1}}, std::pair{RT_DIALOG, WORD{IDD_MAIN}}}) {
    const std::vector<std::uint8_t> found = Stub().Found(type, id, c.asked);
    EXPECT_FALSE(found.empty());
    EXPECT_TRUE(found == Stub().Data(type, id, c.tagged)) << "resource " << id;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Resources, LocaleFindsItsLanguage,
    ::testing::Values(
        LocaleCase{"SpanishTraditionalSort", MAKELANGID(LANG_SPANISH, SUBLANG_SPANISH), kSpanish},
        LocaleCase{"SpanishModernSort", MAKELANGID(LANG_SPANISH, SUBLANG_SPANISH_MODERN), kSpanish},
        LocaleCase{"SpanishMexico", MAKELANGID(LANG_SPANISH, SUBLANG_SPANISH_MEXICAN), kSpanish},
        LocaleCase{"German", MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), kGerman},
        LocaleCase{"GermanAustria", MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN_AUSTRIAN), kGerman},
        LocaleCase{"French", MAKELANGID(LANG_FRENCH, SUBLANG_FRENCH), kFrench},
        LocaleCase{"FrenchCanada", MAKELANGID(LANG_FRENCH, SUBLANG_FRENCH_CANADIAN), kFrench},
        LocaleCase{"Italian", MAKELANGID(LANG_ITALIAN, SUBLANG_ITALIAN), kItalian},
        LocaleCase{"ItalianSwitzerland", MAKELANGID(LANG_ITALIAN, SUBLANG_ITALIAN_SWISS), kItalian},
        LocaleCase{"Japanese", kJapanese, kJapanese}, LocaleCase{"English", kEnglish, kEnglish}));

}  // namespace
