#pragma once

#include <string>

#include "packer/zip_writer.h"
#include "temp_folder.h"

// A writer holding a prefix the size of a small program, so every offset
// the package reader follows is an absolute one.
kzppack::ZipWriter PackageWriter();

// A description document: kzp_package with the given version around body.
std::string DescriptionXml(const std::string& body, const std::string& version = "2.0.1.0");
// A description with file name, names, version, description and command.
std::string SampleDescriptionXml();
// A vr_data.xml document: vr_pkg_data around body.
std::string PackageDataXml(const std::string& body);

// Writes the file into the folder under fileName; answers its path.
std::wstring SavePackage(const CKzpTempFolder& folder, const std::wstring& fileName,
                         const kzppack::Bytes& file);
