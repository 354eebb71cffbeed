#include <gtest/gtest.h>

#include <string>

#include "package/description_search.h"
#include "package_builder.h"

namespace {

TEST(VRPkgLoad, DescriptionNamedAfterTheProgram) {
  CKzpTempFolder folder;
  PackageSpec member;
  member.descriptionName = "SETUP.XML";
  const std::wstring path = SavePackage(folder, member);
  VRPkg package;
  ASSERT_TRUE(package.LoadPackage(path.c_str(), L"de"));
  EXPECT_STREQ(package.GetArchivePath(), path.c_str());
  EXPECT_STREQ(package.GetPackageName(), L"Beispielpaket");
  // Without vr_data.xml the package data queries give their neutral answers.
  EXPECT_EQ(package.GetSetting(L"LARGE_WINDOW"), nullptr);
  EXPECT_EQ(package.MapReturnCode(1641), 1641);
  std::uint32_t size = 0;
  EXPECT_FALSE(package.GetLicense(nullptr, &size));

  // Only the last extension goes: setup.b.exe looks for setup.b.xml.
  const std::wstring dotted = folder / L"setup.b.exe";
  const std::wstring bare = folder / L"setup";
  ASSERT_TRUE(CopyFileW(path.c_str(), dotted.c_str(), FALSE));
  ASSERT_TRUE(CopyFileW(path.c_str(), bare.c_str(), FALSE));
  EXPECT_FALSE(package.LoadPackage(dotted.c_str(), nullptr));
  EXPECT_STREQ(package.GetArchivePath(), L"");
  EXPECT_EQ(package.GetRequiredSpace(), 0u);
  EXPECT_TRUE(package.LoadPackage(bare.c_str(), nullptr));
}

TEST(VRPkgLoad, SecondLoadStartsFromTheResetState) {
  CKzpTempFolder first;
  CKzpTempFolder second;
  PackageSpec member;
  member.data = "<settings><value name=\"LARGE_WINDOW\" value=\"1\"/></settings>";
  VRPkg package;
  ASSERT_TRUE(package.LoadPackage(SavePackage(first, member).c_str(), L"de"));
  member.data.clear();
  ASSERT_TRUE(package.LoadPackage(SavePackage(second, member).c_str(), nullptr));
  EXPECT_STREQ(package.GetLanguage(), L"en");
  EXPECT_EQ(package.GetSetting(L"LARGE_WINDOW"), nullptr);
}

TEST(VRPkgLoad, RefusesWhatDoesNotFitItsFieldWithoutTouchingTheLoadedPackage) {
  CKzpTempFolder folder;
  const std::wstring path = SavePackage(folder, PackageSpec{});
  VRPkg package;
  ASSERT_TRUE(package.Load(path.c_str(), L"setup.xml", L"de"));
  EXPECT_FALSE(package.Load(path.c_str(), L"setup.xml", L"deu"));
  const std::wstring longPath = folder / (std::wstring(260, L'x') + L".exe");
  EXPECT_FALSE(package.Load(longPath.c_str(), L"setup.xml", nullptr));
  EXPECT_FALSE(package.Load(nullptr, L"setup.xml", nullptr));
  EXPECT_STREQ(package.GetArchivePath(), path.c_str());
  EXPECT_STREQ(package.GetLanguage(), L"de");
}

TEST(FindDescriptionEntry, FirstQualifyingXmlEntryInDirectoryOrder) {
  CKzpTempFolder folder;
  PackageSpec member;
  member.descriptionName = "readme.txt";
  member.extra = {{"old.xml", DescriptionXml("", "1.0")},
                {"other.xml", "<other version=\"2.0.1.0\"/>"},
                {"broken.xml", "<kzp_package version=\"2.0.1.0\">"},
                {std::string(260, 'n') + ".xml", DescriptionXml("")},
                {"docs/Desc.XML", SampleDescriptionXml()},
                {"second.xml", DescriptionXml("")}};
  const std::wstring path = SavePackage(folder, member);
  kzpzip::ZIP_File archive;
  ASSERT_EQ(archive.Open(path.c_str(), true), 0);
  wchar_t name[kDescriptionNameCapacity] = {};
  ASSERT_TRUE(FindDescriptionEntry(archive, name));
  EXPECT_STREQ(name, L"docs/Desc.XML");
  VRPkg package;
  EXPECT_TRUE(package.Load(path.c_str(), name, nullptr));
  EXPECT_STREQ(package.GetPackageName(), L"Sample Package");
}

TEST(FindDescriptionEntry, OverlongNamesAndHostileSizesDoNotQualify) {
  CKzpTempFolder folder;
  PackageSpec member;
  member.extra = {{std::string(260, 'n') + ".xml", DescriptionXml("")},
                {"huge.xml", DescriptionXml("")}};
  member.description = DescriptionXml("", "2.0.1.1");
  member.lastEntrySize = 0xFFFFFFFFu;
  kzpzip::ZIP_File archive;
  ASSERT_EQ(archive.Open(SavePackage(folder, member).c_str(), true), 0);
  wchar_t name[kDescriptionNameCapacity] = {};
  EXPECT_FALSE(FindDescriptionEntry(archive, name));
}

}  // namespace
