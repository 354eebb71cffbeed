#pragma once

#include <string>
#include <vector>

#include "packer/package_contents.h"
#include "packer/xml_source.h"
#include "xml/xml_reader.h"

// Reads a package's description and vr_data.xml the way the stub does
// (same document code, same text rules, same lookups) and reports what the
// stub would refuse, lose or miss.
namespace kzppack {

// The two package files, found and parsed as the stub finds and parses them.
struct PackageDocuments {
  const PackageEntry* descriptionEntry = nullptr;
  bool foundByName = false;
  CKzpXMLReader description;
  XmlSource descriptionSource;
  const PackageEntry* dataEntry = nullptr;
  CKzpXMLReader packageData;
  XmlSource dataSource;
};

// Finds the description (named after the package when its name is known,
// else by content, as the stub searches) and vr_data.xml, and parses both.
// What keeps the stub from finding or reading them goes to findings.
void LoadDocuments(const PackageContents& contents, PackageDocuments& documents,
                   std::vector<Finding>& findings);

struct CheckOptions {
  // The build will encrypt the configuration files marked encrypt="1", so
  // they need not be hex text yet.
  bool encryptConfig = false;
};

std::vector<Finding> CheckPackage(const PackageContents& contents, const CheckOptions& options);

// The languages the stub picks texts for; "en" is its one fallback.
extern const char* const kLanguages[6];

}  // namespace kzppack
