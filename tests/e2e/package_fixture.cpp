#include "package_fixture.h"

#include "file_bytes.h"
#include "process_runner.h"

CKzpPackageFixture::CKzpPackageFixture() : writer_(ReadFileBytes(BuiltStubPath())) {}

void CKzpPackageFixture::AddDescription(const std::string& entryName, const std::string& command,
                                        const char* parameters,
                                        const std::string& extraElements) {
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<kzp_package version=\"2.0.1.0\">\n"
      "  <filename>package.exe</filename>\n"
      "  <name><name_xlate lang=\"en\">Test Package</name_xlate></name>\n"
      "  <version value=\"1.0\"/>\n"
      "  <installation><install>\n"
      "    <command>" + command + "</command>\n";
  if (parameters != nullptr) {
    xml += std::string("    <command_params>") + parameters + "</command_params>\n";
  }
  xml += "  </install></installation>\n" + extraElements + "</kzp_package>\n";
  writer_.AddFile(entryName, xml);
}

void CKzpPackageFixture::AddPackageData(const std::string& elements) {
  writer_.AddFile("vr_data.xml", "<?xml version=\"1.0\"?>\n<vr_pkg_data>" + elements +
                                     "</vr_pkg_data>\n");
}

void CKzpPackageFixture::AddInstaller(const std::string& entryName) {
  kzppack::ZipEntrySpec entry;
  entry.name = entryName;
  entry.data = ReadFileBytes(FakeInstallerPath());
  writer_.Add(std::move(entry));
}

bool CKzpPackageFixture::WriteTo(const std::wstring& path) const {
  return WriteFileBytes(path, writer_.Finish());
}

std::wstring FakeInstallerPath() { return WinePathFromUnix(KZP_FAKE_INSTALLER_UNIX_PATH); }
