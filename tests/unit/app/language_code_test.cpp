#include "app/language_code.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

struct LanguageCase {
  const wchar_t* name;
  const wchar_t* code;
};

void PrintTo(const LanguageCase& c, std::ostream* os) {
  const std::wstring name = c.name != nullptr ? c.name : L"(none)";
  *os << std::string(name.begin(), name.end());
}

class LanguageTable : public ::testing::TestWithParam<LanguageCase> {};

TEST_P(LanguageTable, MapsTheEnglishLanguageName) {
  EXPECT_STREQ(LanguageCodeForName(GetParam().name).text, GetParam().code);
}

INSTANTIATE_TEST_SUITE_P(
    Names, LanguageTable,
    ::testing::Values(LanguageCase{L"French", L"fr"}, LanguageCase{L"SPANISH", L"es"},
                      LanguageCase{L"German", L"de"}, LanguageCase{L"italian", L"it"},
                      LanguageCase{L"Japanese", L"ja"}, LanguageCase{L"English", L"en"},
                      LanguageCase{L"Dutch", L"en"}, LanguageCase{L"Germany", L"en"},
                      LanguageCase{L"", L"en"}, LanguageCase{nullptr, L"en"}));

// The code follows the system default locale, which the test's environment
// sets (LC_ALL under Wine); the expected code comes from the same variable.
TEST(LanguageCodeUnderLocale, FollowsTheSystemLocale) {
  char expected[8] = "";
  if (GetEnvironmentVariableA("KZP_EXPECT_LANGUAGE", expected, sizeof expected) != 2) {
    GTEST_SKIP() << "runs only where CTest sets a locale and its expected code";
  }
  LanguageCode code;
  SelectLanguageCode(code);
  EXPECT_EQ(std::wstring(code.text), std::wstring(expected, expected + 2));
}

}  // namespace
