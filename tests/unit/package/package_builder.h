#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "package/vr_pkg.h"
#include "temp_folder.h"

// A description document: kzp_package with the given version around body.
std::string DescriptionXml(const std::string& body, const std::string& version = "2.0.1.0");
// A description with file name, names, version, description and command.
std::string SampleDescriptionXml();

// A package as setup.exe: a program-sized prefix, then the description, then
// vr_data.xml (when data is not empty), then the extra entries. A non-zero
// lastEntrySize is declared for the last entry without data behind it.
struct PackageSpec {
  std::string descriptionName = "setup.xml";
  std::string description = SampleDescriptionXml();
  std::string data;  // body of vr_pkg_data
  std::vector<std::pair<std::string, std::string>> extra;
  std::uint32_t lastEntrySize = 0;
};
std::wstring SavePackage(const CKzpTempFolder& folder, const PackageSpec& member);
