#include <gtest/gtest.h>

#include <string>

#include "package/description_search.h"
#include "package/vr_pkg.h"
#include "package_builder.h"
#include "packer/zip_mutators.h"

namespace {

TEST(VRPkgLoad, DescriptionNamedAfterProgramIgnoringCase) {
  CKzpTempFolder folder;
  kzppack::ZipWriter writer = PackageWriter();
  writer.AddFile("SETUP.XML", SampleDescriptionXml());
  const std::wstring path = SavePackage(folder, L"setup.exe", writer.Finish());
  VRPkg package;
  ASSERT_TRUE(package.LoadPackage(path.c_str(), L"de"));
  EXPECT_STREQ(package.GetArchivePath(), path.c_str());
  EXPECT_STREQ(package.GetPackageName(), L"Beispielpaket");
  EXPECT_STREQ(package.GetPackageFileName(), L"pkg123.exe");
  EXPECT_STREQ(package.GetPackageVersion(), L"1.2.3");
  EXPECT_STREQ(package.GetInstallCommand(), L"inst.bat");
  EXPECT_STREQ(package.GetInstallParameters(), L"/quiet /norestart");
  // Without vr_data.xml the package data queries give their neutral answers.
  EXPECT_EQ(package.GetSetting(L"LARGE_WINDOW"), nullptr);
  EXPECT_EQ(package.MapReturnCode(1641), 1641);
  std::uint32_t size = 0;
  EXPECT_FALSE(package.GetLicense(nullptr, &size));
  EXPECT_EQ(package.GetConfigData().vt, VT_EMPTY);
}

TEST(VRPkgLoad, OnlyTheLastExtensionGoesAndAMissingDescriptionFails) {
  CKzpTempFolder folder;
  kzppack::ZipWriter writer = PackageWriter();
  writer.AddFile("a.b.xml", SampleDescriptionXml());
  const kzppack::Bytes file = writer.Finish();
  VRPkg package;
  EXPECT_TRUE(package.LoadPackage(SavePackage(folder, L"a.b.exe", file).c_str(), nullptr));
  EXPECT_FALSE(package.LoadPackage(SavePackage(folder, L"a.exe", file).c_str(), nullptr));
  EXPECT_STREQ(package.GetArchivePath(), L"");
  EXPECT_EQ(package.GetRequiredSpace(), 0u);
}

TEST(VRPkgLoad, SecondLoadStartsFromTheResetState) {
  CKzpTempFolder folder;
  kzppack::ZipWriter first = PackageWriter();
  first.AddFile("setup.xml", SampleDescriptionXml());
  first.AddFile("vr_data.xml", PackageDataXml(
      "<settings><value name=\"LARGE_WINDOW\" value=\"1\"/></settings>"));
  kzppack::ZipWriter second = PackageWriter();
  second.AddFile("other.xml", DescriptionXml("<filename>other.exe</filename>"));
  VRPkg package;
  ASSERT_TRUE(package.LoadPackage(SavePackage(folder, L"setup.exe", first.Finish()).c_str(), L"de"));
  ASSERT_TRUE(package.LoadPackage(SavePackage(folder, L"other.exe", second.Finish()).c_str(), nullptr));
  EXPECT_STREQ(package.GetLanguage(), L"en");
  EXPECT_EQ(package.GetSetting(L"LARGE_WINDOW"), nullptr);
  EXPECT_STREQ(package.GetPackageFileName(), L"other.exe");
}

TEST(VRPkgLoad, RefusesWhatDoesNotFitItsFieldWithoutTouchingTheLoadedPackage) {
  CKzpTempFolder folder;
  kzppack::ZipWriter writer = PackageWriter();
  writer.AddFile("setup.xml", SampleDescriptionXml());
  const std::wstring path = SavePackage(folder, L"setup.exe", writer.Finish());
  VRPkg package;
  ASSERT_TRUE(package.Load(path.c_str(), L"setup.xml", L"de"));
  EXPECT_FALSE(package.Load(path.c_str(), L"setup.xml", L"deu"));
  const std::wstring longPath = folder.Path() + L"\\" + std::wstring(260, L'x') + L".exe";
  EXPECT_FALSE(package.Load(longPath.c_str(), L"setup.xml", nullptr));
  EXPECT_FALSE(package.Load(nullptr, L"setup.xml", nullptr));
  EXPECT_STREQ(package.GetArchivePath(), path.c_str());
  EXPECT_STREQ(package.GetLanguage(), L"de");
}

TEST(FindDescriptionEntry, FirstQualifyingXmlEntryInDirectoryOrder) {
  CKzpTempFolder folder;
  kzppack::ZipWriter writer = PackageWriter();
  writer.AddFile("readme.txt", DescriptionXml(""));
  writer.AddFile("old.xml", DescriptionXml("", "1.0"));
  writer.AddFile("other.xml", "<other version=\"2.0.1.0\"/>");
  writer.AddFile("broken.xml", "<kzp_package version=\"2.0.1.0\">");
  writer.AddFile("huge.xml", DescriptionXml(""));
  writer.AddFile(std::string(260, 'n') + ".xml", DescriptionXml(""));
  writer.AddFile("docs/Desc.XML", SampleDescriptionXml());
  writer.AddFile("second.xml", DescriptionXml(""));
  kzppack::ZipLayout layout;
  kzppack::Bytes file = writer.Finish(&layout);
  // A hostile declared size is a failed read, not a crash.
  ASSERT_TRUE(kzppack::DeclareUncompressedSize(file, layout, 4, 0xFFFFFFFFu));
  const std::wstring path = SavePackage(folder, L"renamed.exe", file);
  kzpzip::ZIP_File archive;
  ASSERT_EQ(archive.Open(path.c_str(), true), 0);

  wchar_t name[kDescriptionNameCapacity] = {};
  ASSERT_TRUE(FindDescriptionEntry(archive, name));
  EXPECT_STREQ(name, L"docs/Desc.XML");
  EXPECT_TRUE(FindDescriptionEntry(archive, nullptr));
  VRPkg package;
  EXPECT_TRUE(package.Load(path.c_str(), name, nullptr));
  EXPECT_STREQ(package.GetPackageName(), L"Sample Package");
}

TEST(FindDescriptionEntry, NothingQualifies) {
  CKzpTempFolder folder;
  kzppack::ZipWriter writer = PackageWriter();
  writer.AddFile("old.xml", DescriptionXml("", "2.0.1.1"));
  writer.AddFile(std::string(260, 'n') + ".xml", DescriptionXml(""));
  kzpzip::ZIP_File archive;
  ASSERT_EQ(archive.Open(SavePackage(folder, L"p.exe", writer.Finish()).c_str(), true), 0);
  wchar_t name[kDescriptionNameCapacity] = {L'?'};
  EXPECT_FALSE(FindDescriptionEntry(archive, name));
}

}  // namespace
