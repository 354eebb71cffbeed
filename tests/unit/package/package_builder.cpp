#include "package_builder.h"

#include <gtest/gtest.h>

#include "file_bytes.h"

kzppack::ZipWriter PackageWriter() {
  kzppack::Bytes prefix(40000, 0xCC);
  prefix[0] = 'M';
  prefix[1] = 'Z';
  return kzppack::ZipWriter(prefix);
}

std::string DescriptionXml(const std::string& body, const std::string& version) {
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<kzp_package version=\"" +
         version + "\">\n" + body + "\n</kzp_package>\n";
}

std::string SampleDescriptionXml() {
  return DescriptionXml(
      "  <filename>pkg123.exe</filename>\n"
      "  <name>\n"
      "    <name_xlate lang=\"en\">Sample Package</name_xlate>\n"
      "    <name_xlate lang=\"DE\">Beispielpaket</name_xlate>\n"
      "  </name>\n"
      "  <version value=\"1.2.3\"/>\n"
      "  <description>\n"
      "    <description_xlate lang=\"en\"><![CDATA[Line one\n  Line two]]><br/>Plain"
      "</description_xlate>\n"
      "  </description>\n"
      "  <installation><install>\n"
      "    <command>inst.bat</command>\n"
      "    <command_params>/quiet /norestart</command_params>\n"
      "  </install></installation>");
}

std::string PackageDataXml(const std::string& body) {
  return "<?xml version=\"1.0\"?>\n<vr_pkg_data>\n" + body + "\n</vr_pkg_data>\n";
}

std::wstring SavePackage(const CKzpTempFolder& folder, const std::wstring& fileName,
                         const kzppack::Bytes& file) {
  const std::wstring path = folder / fileName;
  EXPECT_TRUE(WriteFileBytes(path, file));
  return path;
}
