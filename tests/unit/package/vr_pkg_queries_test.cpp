#include <gtest/gtest.h>

#include <string>

#include "package/vr_pkg.h"
#include "package_builder.h"
#include "packer/zip_mutators.h"

namespace {

// Loads a package whose description is the given body; the test folder
// lives as long as the fixture.
class DescriptionQueries : public ::testing::Test {
 protected:
  void LoadBody(const std::string& body, const wchar_t* language) {
    kzppack::ZipWriter writer = PackageWriter();
    writer.AddFile("setup.xml", DescriptionXml(body));
    const std::wstring path = SavePackage(folder_, L"setup.exe", writer.Finish());
    ASSERT_TRUE(package_.LoadPackage(path.c_str(), language));
  }

  CKzpTempFolder folder_;
  VRPkg package_;
};

struct NameCase {
  const char* names;
  const wchar_t* language;
  const wchar_t* expected;  // null: no name
};

class NameLanguage : public DescriptionQueries,
                     public ::testing::WithParamInterface<NameCase> {};

TEST_P(NameLanguage, PicksTheLanguageThenEnglishOnly) {
  LoadBody(std::string("<name>") + GetParam().names + "</name>", GetParam().language);
  if (GetParam().expected == nullptr) {
    EXPECT_EQ(package_.GetPackageName(), nullptr);
  } else {
    EXPECT_STREQ(package_.GetPackageName(), GetParam().expected);
  }
}

constexpr const char* kEnDe =
    "<name_xlate lang=\"en\">English</name_xlate><name_xlate lang=\"de\">Deutsch</name_xlate>";

INSTANTIATE_TEST_SUITE_P(
    Table, NameLanguage,
    ::testing::Values(
        NameCase{kEnDe, L"fr", L"English"}, NameCase{kEnDe, L"de", L"Deutsch"},
        NameCase{"<name_xlate lang=\"DE\">Deutsch</name_xlate>", L"de", L"Deutsch"},
        NameCase{"<name_xlate lang=\"de\">Deutsch</name_xlate>", L"fr", nullptr},
        NameCase{"<name_xlate lang=\"en\">English</name_xlate><name_xlate lang=\"de\"/>",
                 L"de", nullptr},
        NameCase{"<name_xlate lang=\"en\"> English</name_xlate>", L"en", nullptr},
        NameCase{"<name_xlate lang=\"en\">First</name_xlate>"
                 "<name_xlate lang=\"en\">Last</name_xlate>",
                 L"en", L"Last"}));

TEST_F(DescriptionQueries, DescriptionPrefersCdataAndFallsBackToEnglish) {
  LoadBody("<description>"
           "<description_xlate lang=\"en\"><![CDATA[Rich\n text]]><br/>Plain</description_xlate>"
           "<description_xlate lang=\"ja\">Text only</description_xlate>"
           "</description>",
           L"fr");
  EXPECT_STREQ(package_.GetPackageDescription(), L"Rich\n text");
  LoadBody("<description><description_xlate lang=\"ja\">Text only</description_xlate>"
           "<description_xlate lang=\"en\"/></description>",
           L"ja");
  EXPECT_STREQ(package_.GetPackageDescription(), L"Text only");
  LoadBody("<description><description_xlate lang=\"en\"/></description>", L"en");
  EXPECT_EQ(package_.GetPackageDescription(), nullptr);
}

TEST_F(DescriptionQueries, MissingElementsGiveNull) {
  LoadBody("<version/><installation><install><command/></install></installation>", L"en");
  EXPECT_EQ(package_.GetPackageFileName(), nullptr);
  EXPECT_EQ(package_.GetPackageName(), nullptr);
  EXPECT_EQ(package_.GetPackageVersion(), nullptr);
  EXPECT_EQ(package_.GetPackageDescription(), nullptr);
  EXPECT_EQ(package_.GetInstallCommand(), nullptr);
  EXPECT_EQ(package_.GetInstallParameters(), nullptr);
  package_.Reset();
  EXPECT_EQ(package_.GetPackageVersion(), nullptr);
  EXPECT_EQ(package_.GetRequiredSpace(), 0u);
}

TEST(RequiredSpace, SumsDeclaredSizesBeyond4GiB) {
  CKzpTempFolder folder;
  kzppack::ZipWriter writer = PackageWriter();
  writer.AddFile("setup.xml", SampleDescriptionXml());
  writer.AddFile("big1.bin", "a");
  writer.AddFile("big2.bin", "b");
  writer.AddFolder("empty");
  kzppack::ZipLayout layout;
  kzppack::Bytes file = writer.Finish(&layout);
  ASSERT_TRUE(kzppack::DeclareUncompressedSize(file, layout, 1, 0xFFFFFFFFu));
  ASSERT_TRUE(kzppack::DeclareUncompressedSize(file, layout, 2, 0x80000000u));
  VRPkg package;
  ASSERT_TRUE(package.LoadPackage(SavePackage(folder, L"setup.exe", file).c_str(), nullptr));
  const std::uint64_t expected =
      0xFFFFFFFFull + 0x80000000ull + SampleDescriptionXml().size();
  EXPECT_EQ(package.GetRequiredSpace(), expected);
}

}  // namespace
