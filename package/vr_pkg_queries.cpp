#include <initializer_list>

#include "archive/zip_file.h"
#include "archive/zip_result.h"
#include "package/package_xml_lookup.h"
#include "package/vr_pkg.h"

namespace {

// The element at the end of a path of element names below kzp_package.
const CKzpXMLNode* FindDescriptionElement(const CKzpXMLReader& document,
                                          std::initializer_list<const wchar_t*> path) {
  const CKzpXMLNode* node = document.FindElement(nullptr, L"kzp_package", nullptr, nullptr);
  for (const wchar_t* name : path) node = FindChildElement(document, node, name);
  return node;
}

}  // namespace

const wchar_t* VRPkg::GetPackageFileName() const {
  return ElementText(FindDescriptionElement(description, {L"filename"}));
}

const wchar_t* VRPkg::GetPackageName() const {
  const CKzpXMLNode* names = FindDescriptionElement(description, {L"name"});
  return ElementText(FindTranslated(description, names, L"name_xlate", language));
}

const wchar_t* VRPkg::GetPackageVersion() const {
  const CKzpXMLNode* version = FindDescriptionElement(description, {L"version"});
  return version != nullptr ? version->GetAttribute(L"value") : nullptr;
}

const wchar_t* VRPkg::GetPackageDescription() const {
  const CKzpXMLNode* descriptions = FindDescriptionElement(description, {L"description"});
  const CKzpXMLNode* chosen =
      FindTranslated(description, descriptions, L"description_xlate", language);
  return DescriptionText(chosen);
}

const wchar_t* VRPkg::GetInstallCommand() const {
  return ElementText(
      FindDescriptionElement(description, {L"installation", L"install", L"command"}));
}

const wchar_t* VRPkg::GetInstallParameters() const {
  return ElementText(
      FindDescriptionElement(description, {L"installation", L"install", L"command_params"}));
}

std::uint64_t VRPkg::GetRequiredSpace() const {
  kzpzip::ZIP_File archive;
  if (archive.Open(archivePath, true) != kzpzip::ZIP_OK) return 0;
  // At most 65,535 entries of under 4 GiB each: the sum stays far below
  // 2^64, so it cannot overflow.
  std::uint64_t total = 0;
  kzpzip::ZIP_EnumCursor* cursor = archive.EnumBegin();
  for (kzpzip::ZIP_FileEntry* entry = archive.EnumNext(cursor); entry != nullptr;
       entry = archive.EnumNext(cursor)) {
    total += entry->uncompressedSize;
  }
  archive.EnumEnd(cursor);
  archive.Close();
  return total;
}
