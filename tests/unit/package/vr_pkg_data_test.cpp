#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <ostream>
#include <string>
#include <vector>

#include "package/des_cipher.h"
#include "package_builder.h"

namespace {

class PackageData : public ::testing::Test {
 protected:
  bool Load(const PackageSpec& member, const wchar_t* language = nullptr) {
    return package_.LoadPackage(SavePackage(folder_, member).c_str(), language);
  }
  bool LoadData(const std::string& data, const wchar_t* language = nullptr,
                std::vector<std::pair<std::string, std::string>> extra = {}) {
    PackageSpec member;
    member.data = data;
    member.extra = std::move(extra);
    return Load(member, language);
  }
  std::string ConfigBytes() const {
    const VARIANT& data = package_.GetConfigData();
    if (data.vt != (VT_ARRAY | VT_UI1) || data.parray->rgsabound[0].lLbound != 0) return "?";
    return std::string(static_cast<const char*>(data.parray->pvData),
                       data.parray->rgsabound[0].cElements);
  }

  CKzpTempFolder folder_;
  VRPkg package_;
};

TEST_F(PackageData, SettingNamesIgnoreCase) {
  ASSERT_TRUE(
      LoadData("<settings><value name=\"LARGE_WINDOW\" value=\"Yes\"/>"
               "<value name=\"DISABLE_VIEW_CONTENTS\"/></settings>"));
  EXPECT_STREQ(package_.GetSetting(L"large_window"), L"Yes");
  EXPECT_EQ(package_.GetSetting(L"DISABLE_VIEW_CONTENTS"), nullptr);
  EXPECT_EQ(package_.GetSetting(nullptr), nullptr);
}

class ReturnCodeMap : public PackageData,
                      public ::testing::WithParamInterface<std::pair<int, int>> {};

TEST_P(ReturnCodeMap, MapsByTheDecimalText) {
  ASSERT_TRUE(
      LoadData("<installation><install><returncode_map>"
               "<map source=\"1641\" dest=\"0\"/><map source=\"-1\" dest=\"7\"/>"
               "<map source=\"3\" dest=\"abc\"/><map source=\"4\" dest=\" 12abc\"/>"
               "<map source=\"5\" dest=\"99999999999\"/><map source=\"6\" dest=\"-99999999999\"/>"
               "<map source=\"+8\" dest=\"1\"/><map source=\"09\" dest=\"1\"/><map source=\"10\"/>"
               "<map source=\"11\" dest=\"1\"/><map source=\"11\" dest=\"2\"/>"
               "<map source=\"-2147483648\" dest=\"+42\"/>"
               // The C runtime reads other decimal digits too: full-width
               // (U+FF11 U+FF12) and Arabic-Indic (U+0664 U+0662) ones.
               "<map source=\"12\" dest=\"\xEF\xBC\x91\xEF\xBC\x92\"/>"
               "<map source=\"13\" dest=\" -\xD9\xA4\xD9\xA2x\"/>"
               "<map source=\"14\" dest=\"\xEF\xBC\x99\xEF\xBC\x99\xEF\xBC\x99\xEF\xBC\x99"
               "\xEF\xBC\x99\xEF\xBC\x99\xEF\xBC\x99\xEF\xBC\x99\xEF\xBC\x99\xEF\xBC\x99\"/>"
               "</returncode_map></install></installation>"));
  EXPECT_EQ(package_.MapReturnCode(GetParam().first), GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(Table, ReturnCodeMap,
                         ::testing::Values(std::pair{1641, 0}, std::pair{1642, 1642},
                                           std::pair{-1, 7}, std::pair{3, 0}, std::pair{4, 12},
                                           std::pair{5, INT_MAX}, std::pair{6, INT_MIN},
                                           std::pair{8, 8}, std::pair{9, 9}, std::pair{10, 10},
                                           std::pair{11, 2}, std::pair{INT_MIN, 42},
                                           std::pair{12, 12}, std::pair{13, -42},
                                           std::pair{14, INT_MAX}),
                         [](const ::testing::TestParamInfo<std::pair<int, int>>& info) {
                           const int code = info.param.first;
                           return (code < 0 ? "minus" : "") +
                                  std::to_string(code < 0 ? -static_cast<long long>(code) : code);
                         });

struct LicenseCase {
  const char* label;
  const char* files;
  const wchar_t* language;
  const char* expected;  // null: no license
};

void PrintTo(const LicenseCase& c, std::ostream* out) { *out << c.label; }

class LicenseLanguage : public PackageData, public ::testing::WithParamInterface<LicenseCase> {};

TEST_P(LicenseLanguage, SizeThenText) {
  ASSERT_TRUE(LoadData(std::string("<license>") + GetParam().files + "</license>",
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
  std::vector<char> buffer(size + 1, 'x');
  ASSERT_TRUE(package_.GetLicense(buffer.data(), &size));
  EXPECT_EQ(std::string(buffer.data()), expected);
  EXPECT_EQ(std::count(buffer.begin(), buffer.end(), '\0'), 5);
  EXPECT_EQ(buffer.back(), 'x');
}

INSTANTIATE_TEST_SUITE_P(
    Table, LicenseLanguage,
    ::testing::Values(
        LicenseCase{
            "ja chosen",
            "<filename lang=\"en\">en.txt</filename><filename lang=\"JA\">ja.txt</filename>", L"ja",
            "JA"},
        LicenseCase{"fr falls back to en", "<filename lang=\"en\">en.txt</filename>", L"fr",
                    "English terms"},
        LicenseCase{"no en fallback", "<filename lang=\"de\">en.txt</filename>", L"fr", nullptr},
        LicenseCase{"entry missing", "<filename lang=\"en\">missing.txt</filename>", L"en",
                    nullptr}));

TEST_F(PackageData, LicenseWhoseNeedWouldWrapIsRefused) {
  PackageSpec member;
  member.data = "<license><filename lang=\"en\">en.txt</filename></license>";
  member.extra = {{"en.txt", "terms"}};
  member.lastEntrySize = 0xFFFFFFFCu;
  ASSERT_TRUE(Load(member));
  std::uint32_t size = 0;
  EXPECT_FALSE(package_.GetLicense(nullptr, &size));
  EXPECT_EQ(size, 0u);
}

TEST_F(PackageData, ConfigurationUiFileServesAsConfigurationFile) {
  ASSERT_TRUE(
      LoadData("<configuration required=\"yes\"><configui>"
               "<filename lang=\"en\">ui_en.xml</filename>"
               "<filename lang=\"de\" encrypt=\"true\">ui_de.xml</filename>"
               "</configui></configuration><virtualization allow=\"1\"/>",
               L"de", {{"ui_de.xml", std::string("<\0>", 3)}}));
  EXPECT_STREQ(package_.GetConfig().configUiFile, L"ui_de.xml");
  EXPECT_STREQ(package_.GetConfig().configFile, L"ui_de.xml");
  EXPECT_FALSE(package_.GetConfig().required);
  EXPECT_FALSE(package_.GetConfig().encrypt);
  EXPECT_TRUE(package_.GetConfig().allowVirtualization);
  EXPECT_EQ(ConfigBytes(), std::string("<\0>", 3));
}

TEST_F(PackageData, ConfigurationFileMissingOrNamedTooLongStillLoads) {
  const std::string longName(260, 'c');
  ASSERT_TRUE(
      LoadData("<configuration required=\"1\"><config_file><filename>gone.bin"
               "</filename></config_file></configuration>"));
  EXPECT_TRUE(package_.GetConfig().required);
  EXPECT_EQ(package_.GetConfigData().vt, VT_EMPTY);
  // Cutting the name would name another entry: it is left out instead.
  ASSERT_TRUE(LoadData("<configuration><configui><filename lang=\"en\">" + longName +
                           "</filename></configui></configuration>",
                       nullptr, {{longName, "data"}}));
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

PackageSpec EncryptedPackage(const std::string& hex) {
  PackageSpec member;
  member.data =
      "<configuration><config_file><filename encrypt=\"1\">conf.hex</filename>"
      "</config_file></configuration>";
  member.extra = {{"conf.hex", hex}};
  return member;
}

TEST_F(PackageData, EncryptedConfigurationIsKeyedByThePackageFileName) {
  ASSERT_TRUE(Load(EncryptedPackage(EncryptedHex("pkg123.exe", "secret settings"))));
  EXPECT_EQ(ConfigBytes(), std::string("secret settings\0", 16));
  // Without a file name the key text is empty.
  PackageSpec unnamed = EncryptedPackage(EncryptedHex("", "no name!"));
  unnamed.description = DescriptionXml("<filename/>");
  ASSERT_TRUE(Load(unnamed));
  EXPECT_EQ(ConfigBytes(), "no name!");
}

TEST_F(PackageData, UnusableConfigurationFailsTheLoad) {
  std::string hex = EncryptedHex("pkg123.exe", "12345678");
  hex.back() = 'G';
  EXPECT_FALSE(Load(EncryptedPackage(hex)));
  EXPECT_STREQ(package_.GetArchivePath(), L"");
  EXPECT_FALSE(Load(EncryptedPackage("ABC")));
  // About 4 GiB declared for a few bytes: a failed read, not a crash.
  PackageSpec hostile = EncryptedPackage("00");
  hostile.lastEntrySize = 0xFFFFFFF0u;
  hostile.data =
      "<configuration><config_file><filename>conf.hex</filename>"
      "</config_file></configuration>";
  EXPECT_FALSE(Load(hostile));
}

}  // namespace
