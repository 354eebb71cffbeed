#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "package_builder.h"

namespace {

struct TextCase {
  const char* label;
  const char* body;
  const wchar_t* language;
  const wchar_t* expectedName;  // null: none
  const wchar_t* expectedDescription;
};

void PrintTo(const TextCase& c, std::ostream* out) { *out << c.label; }

class TranslatedTexts : public ::testing::TestWithParam<TextCase> {};

void ExpectText(const wchar_t* actual, const wchar_t* expected) {
  if (expected == nullptr) {
    EXPECT_EQ(actual, nullptr);
  } else {
    EXPECT_STREQ(actual, expected);
  }
}

TEST_P(TranslatedTexts, LanguageThenEnglishOnly) {
  CKzpTempFolder folder;
  PackageSpec member;
  member.description = DescriptionXml(GetParam().body);
  VRPkg package;
  ASSERT_TRUE(package.LoadPackage(SavePackage(folder, member).c_str(), GetParam().language));
  ExpectText(package.GetPackageName(), GetParam().expectedName);
  ExpectText(package.GetPackageDescription(), GetParam().expectedDescription);
}

constexpr const char* kEnDe =
    "<name><name_xlate lang=\"en\">English</name_xlate>"
    "<name_xlate lang=\"DE\">Deutsch</name_xlate></name>";

INSTANTIATE_TEST_SUITE_P(
    Table, TranslatedTexts,
    ::testing::Values(
        TextCase{"fr falls back to en", kEnDe, L"fr", L"English", nullptr},
        TextCase{"de found", kEnDe, L"de", L"Deutsch", nullptr},
        TextCase{"no en fallback", "<name><name_xlate lang=\"de\">Deutsch</name_xlate></name>",
                 L"fr", nullptr, nullptr},
        // Present but empty for the language: no fallback to English.
        TextCase{"empty de text",
                 "<name><name_xlate lang=\"en\">English</name_xlate><name_xlate lang=\"de\"/>"
                 "</name><description><description_xlate lang=\"en\">E</description_xlate>"
                 "<description_xlate lang=\"de\"/></description>",
                 L"de", nullptr, nullptr},
        // Several for one language: the last in the document.
        TextCase{"last of two",
                 "<name><name_xlate lang=\"en\">First</name_xlate>"
                 "<name_xlate lang=\"en\">Last</name_xlate></name>",
                 L"en", L"Last", nullptr},
        // CDATA wins even when ordinary text stands first in the child list.
        TextCase{"cdata preferred",
                 "<description><description_xlate lang=\"en\"><![CDATA[Rich\n text]]><br/>Plain"
                 "</description_xlate></description>",
                 L"ja", nullptr, L"Rich\n text"},
        TextCase{"ja text",
                 "<description><description_xlate lang=\"ja\">Text</description_xlate>"
                 "</description>",
                 L"ja", nullptr, L"Text"}));

TEST(DescriptionQueries, PathsAndMissingElements) {
  CKzpTempFolder folder;
  VRPkg package;
  ASSERT_TRUE(package.LoadPackage(SavePackage(folder, PackageSpec{}).c_str(), nullptr));
  EXPECT_STREQ(package.GetPackageFileName(), L"pkg123.exe");
  EXPECT_STREQ(package.GetPackageVersion(), L"1.2.3");
  EXPECT_STREQ(package.GetInstallCommand(), L"inst.bat");
  EXPECT_STREQ(package.GetInstallParameters(), L"/quiet /norestart");
  EXPECT_EQ(package.GetPackageDescription(), nullptr);
  package.Reset();
  EXPECT_EQ(package.GetPackageFileName(), nullptr);
  EXPECT_EQ(package.GetRequiredSpace(), 0u);
}

TEST(DescriptionQueries, RequiredSpaceSumsBeyond4GiB) {
  CKzpTempFolder folder;
  PackageSpec member;
  member.extra = {{"a.bin", "a"}, {"big.bin", "b"}};
  member.lastEntrySize = 0xFFFFFFFFu;
  VRPkg package;
  ASSERT_TRUE(package.LoadPackage(SavePackage(folder, member).c_str(), nullptr));
  EXPECT_EQ(package.GetRequiredSpace(), 0xFFFFFFFFull + 1 + member.description.size());
}

}  // namespace
