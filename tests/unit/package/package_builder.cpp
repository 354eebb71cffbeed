#include "package_builder.h"

#include <gtest/gtest.h>

#include "file_bytes.h"
#include "packer/zip_mutators.h"
#include "packer/zip_writer.h"

std::string DescriptionXml(const std::string& body, const std::string& version) {
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<kzp_package version=\"" + version + "\">\n" +
         body + "\n</kzp_package>\n";
}

std::string SampleDescriptionXml() {
  return DescriptionXml(
      "  <filename>pkg123.exe</filename>\n"
      "  <name>\n"
      "    <name_xlate lang=\"en\">Sample Package</name_xlate>\n"
      "    <name_xlate lang=\"DE\">Beispielpaket</name_xlate>\n"
      "  </name>\n"
      "  <version value=\"1.2.3\"/>\n"
      "  <installation><install>\n"
      "    <command>inst.bat</command>\n"
      "    <command_params>/quiet /norestart</command_params>\n"
      "  </install></installation>");
}

std::wstring SavePackage(const CKzpTempFolder& folder, const PackageSpec& member) {
  kzppack::Bytes prefix(40000, 0xCC);
  kzppack::ZipWriter writer(prefix);
  writer.AddFile(member.descriptionName, member.description);
  if (!member.data.empty()) {
    writer.AddFile("vr_data.xml", "<vr_pkg_data>" + member.data + "</vr_pkg_data>");
  }
  for (const auto& entry : member.extra) writer.AddFile(entry.first, entry.second);
  kzppack::ZipLayout layout;
  kzppack::Bytes file = writer.Finish(&layout);
  if (member.lastEntrySize != 0) {
    EXPECT_TRUE(kzppack::DeclareUncompressedSize(file, layout, layout.entries.size() - 1,
                                                 member.lastEntrySize));
  }
  const std::wstring path = folder / L"setup.exe";
  EXPECT_TRUE(WriteFileBytes(path, file));
  return path;
}
