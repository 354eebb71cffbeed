#pragma once

#include <string>

#include "packer/zip_writer.h"

// Builds packages from the built stub for the end-to-end tests.
class CKzpPackageFixture {
 public:
  CKzpPackageFixture();

  kzppack::ZipWriter& Writer() { return writer_; }
  // A description file (kzp_package, version 2.0.1.0) named entryName with
  // the given install command and, when parameters is not null, parameters.
  void AddDescription(const std::string& entryName, const std::string& command,
                      const char* parameters, const std::string& extraElements = {});
  // vr_data.xml holding the given elements inside vr_pkg_data.
  void AddPackageData(const std::string& elements);
  // The fake installer program under the given entry name.
  void AddInstaller(const std::string& entryName);

  // Writes the package; returns false when it cannot.
  bool WriteTo(const std::wstring& path) const;

 private:
  kzppack::ZipWriter writer_;
};

// The fake installer program built by this tree, as a Windows path.
std::wstring FakeInstallerPath();
