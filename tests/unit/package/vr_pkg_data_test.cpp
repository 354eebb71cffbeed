#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "package/des_cipher.h"
#include "package/vr_pkg.h"
#include "package_builder.h"
#include "packer/zip_mutators.h"

namespace {

// A package with the sample description and the given vr_data.xml body,
// followed by extra entries.
class PackageData : public ::testing::Test {
 protected:
  bool LoadWith(const std::string& data, const wchar_t* language,
                const std::vector<std::pair<std::string, std::string>>& extra = {},
                std::uint32_t hostileSizeOfLastEntry = 0) {
    kzppack::ZipWriter writer = PackageWriter();
    writer.AddFile("setup.xml", SampleDescriptionXml());
    writer.AddFile("vr_data.xml", PackageDataXml(data));
    for (const auto& entry : extra) writer.AddFile(entry.first, entry.second);
    kzppack::ZipLayout layout;
    kzppack::Bytes file = writer.Finish(&layout);
    if (hostileSizeOfLastEntry != 0) {
      kzppack::DeclareUncompressedSize(file, layout, layout.entries.size() - 1,
                                       hostileSizeOfLastEntry);
    }
    const std::wstring path = SavePackage(folder_, L"setup.exe", file);
    return package_.LoadPackage(path.c_str(), language);
  }

  std::string ConfigBytes() const {
    const VARIANT& data = package_.GetConfigData();
    if (data.vt != (VT_ARRAY | VT_UI1)) return "<not an array>";
    LONG lower = -1;
    SafeArrayGetLBound(data.parray, 1, &lower);
    EXPECT_EQ(lower, 0);
    EXPECT_EQ(SafeArrayGetDim(data.parray), 1u);
    void* bytes = nullptr;
    SafeArrayAccessData(data.parray, &bytes);
    std::string copy(static_cast<const char*>(bytes), data.parray->rgsabound[0].cElements);
    SafeArrayUnaccessData(data.parray);
    return copy;
  }

  CKzpTempFolder folder_;
  VRPkg package_;
};

TEST_F(PackageData, SettingNamesIgnoreCaseValuesDoNot) {
  ASSERT_TRUE(LoadWith("<settings><value name=\"LARGE_WINDOW\" value=\"Yes\"/>"
                       "<value name=\"DISABLE_VIEW_CONTENTS\"/></settings>",
                       nullptr));
  EXPECT_STREQ(package_.GetSetting(L"large_window"), L"Yes");
  EXPECT_EQ(package_.GetSetting(L"DISABLE_VIEW_CONTENTS"), nullptr);
  EXPECT_EQ(package_.GetSetting(L"OTHER"), nullptr);
  EXPECT_EQ(package_.GetSetting(nullptr), nullptr);
}

struct CodeCase {
  std::int32_t code;
  std::int32_t expected;
};

class ReturnCodeMap : public PackageData, public ::testing::WithParamInterface<CodeCase> {};

TEST_P(ReturnCodeMap, MapsByTheDecimalText) {
  ASSERT_TRUE(LoadWith(
      "<installation><install><returncode_map>"
      "<map source=\"1641\" dest=\"0\"/><map source=\"-1\" dest=\"7\"/>"
      "<map source=\"3\" dest=\"abc\"/><map source=\"4\" dest=\" 12abc\"/>"
      "<map source=\"5\" dest=\"99999999999\"/><map source=\"6\" dest=\"-99999999999\"/>"
      "<map source=\"+8\" dest=\"1\"/><map source=\"09\" dest=\"1\"/><map source=\"10\"/>"
      "<map source=\"11\" dest=\"1\"/><map source=\"11\" dest=\"2\"/>"
      "<map source=\"-2147483648\" dest=\"+42\"/><map source=\"12\" dest=\"-2147483648\"/>"
      "</returncode_map></install></installation>",
      nullptr));
  EXPECT_EQ(package_.MapReturnCode(GetParam().code), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ReturnCodeMap,
    ::testing::Values(CodeCase{1641, 0}, CodeCase{1642, 1642}, CodeCase{-1, 7},
                      CodeCase{3, 0}, CodeCase{4, 12}, CodeCase{5, INT32_MAX},
                      CodeCase{6, INT32_MIN}, CodeCase{8, 8}, CodeCase{9, 9},
                      CodeCase{10, 10}, CodeCase{11, 2}, CodeCase{INT32_MIN, 42},
                      CodeCase{12, INT32_MIN}));

TEST_F(PackageData, WithoutMapTheCodeStays) {
  ASSERT_TRUE(LoadWith("<installation><install/></installation>", nullptr));
  EXPECT_EQ(package_.MapReturnCode(1641), 1641);
}

struct LicenseCase {
  const char* files;
  const wchar_t* language;
  const char* expected;  // null: no license
};

class LicenseLanguage : public PackageData,
                        public ::testing::WithParamInterface<LicenseCase> {};

TEST_P(LicenseLanguage, SizeThenText) {
  ASSERT_TRUE(LoadWith(std::string("<license>") + GetParam().files + "</license>",
                       GetParam().language, {{"en.txt", "English terms"}, {"ja.txt", "JA"}}));
  std::uint32_t size = 0;
  if (GetParam().expected == nullptr) {
    EXPECT_FALSE(package_.GetLicense(nullptr, &size));
    return;
  }
  ASSERT_TRUE(package_.GetLicense(nullptr, &size));
  const std::string expected = GetParam().expected;
  ASSERT_EQ(size, expected.size() + 5);
  EXPECT_FALSE(package_.GetLicense(nullptr, &size));
  std::vector<char> buffer(size, 'x');
  ASSERT_TRUE(package_.GetLicense(buffer.data(), &size));
  EXPECT_EQ(size, expected.size() + 5);
  EXPECT_EQ(std::string(buffer.data()), expected);
  EXPECT_EQ(std::count(buffer.begin(), buffer.end(), '\0'), 5);
}

INSTANTIATE_TEST_SUITE_P(
    Table, LicenseLanguage,
    ::testing::Values(
        LicenseCase{"<filename lang=\"en\">en.txt</filename><filename lang=\"JA\">ja.txt</filename>",
                    L"ja", "JA"},
        LicenseCase{"<filename lang=\"en\">en.txt</filename>", L"fr", "English terms"},
        LicenseCase{"<filename lang=\"de\">en.txt</filename>", L"fr", nullptr},
        LicenseCase{"<filename lang=\"en\">missing.txt</filename>", L"en", nullptr}));

TEST_F(PackageData, LicenseWhoseNeedWouldWrapIsRefused) {
  ASSERT_TRUE(LoadWith("<license><filename lang=\"en\">en.txt</filename></license>", nullptr,
                       {{"en.txt", "terms"}}, 0xFFFFFFFCu));
  std::uint32_t size = 0;
  EXPECT_FALSE(package_.GetLicense(nullptr, &size));
  EXPECT_EQ(size, 0u);
}

TEST_F(PackageData, PlainConfigurationFileBytes) {
  ASSERT_TRUE(LoadWith("<configuration required=\"1\"><config_file>"
                       "<filename>conf.bin</filename></config_file></configuration>"
                       "<virtualization allow=\"1\"/>",
                       nullptr, {{"conf.bin", std::string("a\0b", 3)}}));
  EXPECT_STREQ(package_.GetConfig().configFile, L"conf.bin");
  EXPECT_TRUE(package_.GetConfig().required);
  EXPECT_TRUE(package_.GetConfig().allowVirtualization);
  EXPECT_EQ(ConfigBytes(), std::string("a\0b", 3));
}

TEST_F(PackageData, ConfigurationUiFileServesAsConfigurationFile) {
  ASSERT_TRUE(LoadWith("<configuration required=\"yes\"><configui>"
                       "<filename lang=\"en\">ui_en.xml</filename>"
                       "<filename lang=\"de\" encrypt=\"true\">ui_de.xml</filename>"
                       "</configui></configuration>",
                       L"de", {{"ui_de.xml", "<ui/>"}}));
  EXPECT_STREQ(package_.GetConfig().configUiFile, L"ui_de.xml");
  EXPECT_STREQ(package_.GetConfig().configFile, L"ui_de.xml");
  EXPECT_FALSE(package_.GetConfig().required);
  EXPECT_FALSE(package_.GetConfig().encrypt);
  EXPECT_EQ(ConfigBytes(), "<ui/>");
}

TEST_F(PackageData, ConfigurationNamedButAbsentOrWithoutTextStillLoads) {
  ASSERT_TRUE(LoadWith("<configuration><config_file><filename>gone.bin</filename>"
                       "</config_file></configuration>", nullptr));
  EXPECT_EQ(package_.GetConfigData().vt, VT_EMPTY);
  ASSERT_TRUE(LoadWith("<configuration><config_file><filename encrypt=\"1\"/>"
                       "</config_file></configuration>", nullptr));
  EXPECT_STREQ(package_.GetConfig().configFile, L"");
  EXPECT_TRUE(package_.GetConfig().encrypt);
}

TEST_F(PackageData, NamesTooLongForTheRecordAreLeftOut) {
  const std::string name(260, 'c');
  ASSERT_TRUE(LoadWith("<configuration><configui><filename lang=\"en\">" + name +
                       "</filename></configui></configuration>",
                       nullptr, {{name, "data"}}));
  EXPECT_STREQ(package_.GetConfig().configUiFile, L"");
  EXPECT_STREQ(package_.GetConfig().configFile, L"");
  EXPECT_EQ(package_.GetConfigData().vt, VT_EMPTY);
}

std::string EncryptedHex(const char* keyText, const std::string& plain) {
  DesCipher cipher;
  cipher.skipParityCheck = true;
  std::uint8_t key[DesCipher::kKeyBytes] = {};
  DesCipher::SetKeyText(keyText, key);
  cipher.ScheduleKeys(key);
  return cipher.EncryptHex(reinterpret_cast<const std::uint8_t*>(plain.data()), plain.size());
}

constexpr const char* kEncryptedConfig =
    "<configuration><config_file><filename encrypt=\"1\">conf.hex</filename>"
    "</config_file></configuration>";

TEST_F(PackageData, EncryptedConfigurationIsKeyedByThePackageFileName) {
  ASSERT_TRUE(LoadWith(kEncryptedConfig, nullptr,
                       {{"conf.hex", EncryptedHex("pkg123.exe", "secret settings")}}));
  EXPECT_EQ(ConfigBytes(), std::string("secret settings\0", 16));
}

TEST_F(PackageData, BadHexFailsTheLoadInsteadOfThrowing) {
  std::string hex = EncryptedHex("pkg123.exe", "12345678");
  hex.back() = 'G';
  EXPECT_FALSE(LoadWith(kEncryptedConfig, nullptr, {{"conf.hex", hex}}));
  EXPECT_STREQ(package_.GetArchivePath(), L"");
  EXPECT_FALSE(LoadWith(kEncryptedConfig, nullptr, {{"conf.hex", "ABC"}}));
}

TEST_F(PackageData, HostileConfigurationSizeFailsTheLoad) {
  EXPECT_FALSE(LoadWith(kEncryptedConfig, nullptr, {{"conf.hex", "00"}}, 0xFFFFFFF0u));
}

TEST(PackageDataKey, DescriptionWithoutFileNameUsesAnEmptyKeyText) {
  CKzpTempFolder folder;
  kzppack::ZipWriter writer = PackageWriter();
  writer.AddFile("setup.xml", DescriptionXml("<filename/>"));
  writer.AddFile("vr_data.xml", PackageDataXml(kEncryptedConfig));
  writer.AddFile("conf.hex", EncryptedHex("", "no name!"));
  VRPkg package;
  ASSERT_TRUE(package.LoadPackage(SavePackage(folder, L"setup.exe", writer.Finish()).c_str(),
                                  nullptr));
  const SAFEARRAY* array = package.GetConfigData().parray;
  ASSERT_NE(array, nullptr);
  EXPECT_EQ(std::string(static_cast<const char*>(array->pvData), 8), "no name!");
}

}  // namespace
