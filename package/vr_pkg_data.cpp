#include <algorithm>
#include <cstdint>
#include <cstring>
#include <cwchar>

#include "archive/zip_file.h"
#include "archive/zip_result.h"
#include "package/package_xml_lookup.h"
#include "package/vr_pkg.h"

namespace {

// Read by the C runtime's wcstol in base 10: leading white space, an
// optional sign, then decimal digits up to the first other character. The
// runtime counts other decimal digits too (full-width ones typed on a
// Japanese keyboard, Arabic-Indic ones). No digits give 0; a value beyond
// the 32-bit range gives the nearest limit.
std::int32_t ExitCodeFromText(const wchar_t* text) {
  const long value = std::wcstol(text, nullptr, 10);
  return static_cast<std::int32_t>(std::clamp<long>(value, INT32_MIN, INT32_MAX));
}

bool IsSetFlag(const CKzpXMLNode* element, const wchar_t* attribute) {
  const wchar_t* value = element->GetAttribute(attribute);
  return value != nullptr && lstrcmpW(value, L"1") == 0;
}

}  // namespace

const wchar_t* VRPkg::GetSetting(const wchar_t* name) const {
  // A null name would match every setting in FindElement.
  if (!packageData.IsLoaded() || name == nullptr) return nullptr;
  const CKzpXMLNode* root = packageData.FindElement(nullptr, L"vr_pkg_data", nullptr, nullptr);
  const CKzpXMLNode* settings = FindChildElement(packageData, root, L"settings");
  if (settings == nullptr) return nullptr;
  const CKzpXMLNode* value = packageData.FindElement(settings, L"value", L"name", name);
  return value != nullptr ? value->GetAttribute(L"value") : nullptr;
}

std::int32_t VRPkg::MapReturnCode(std::int32_t code) const {
  if (!packageData.IsLoaded()) return code;
  const CKzpXMLNode* node = packageData.FindElement(nullptr, L"vr_pkg_data", nullptr, nullptr);
  for (const wchar_t* name : {L"installation", L"install", L"returncode_map"}) {
    node = FindChildElement(packageData, node, name);
  }
  if (node == nullptr) return code;
  // The match is textual: "%d" never writes a plus sign or leading zeros,
  // so a source written with them never matches.
  wchar_t source[12] = {};  // "-2147483648" and the terminator
  wsprintfW(source, L"%d", code);
  const CKzpXMLNode* map = packageData.FindElement(node, L"map", L"source", source);
  if (map == nullptr) return code;
  const wchar_t* dest = map->GetAttribute(L"dest");
  return dest != nullptr ? ExitCodeFromText(dest) : code;
}

bool VRPkg::GetConfiguration(VRPkgConfig* record) const {
  if (!packageData.IsLoaded() || record == nullptr) return false;
  const CKzpXMLNode* root = packageData.FindElement(nullptr, L"vr_pkg_data", nullptr, nullptr);
  const CKzpXMLNode* configuration = root ? root->FindChild(L"configuration") : nullptr;
  const CKzpXMLNode* virtualization = root ? root->FindChild(L"virtualization") : nullptr;
  bool found = false;

  const CKzpXMLNode* uiName = nullptr;
  if (configuration != nullptr) {
    record->required = IsSetFlag(configuration, L"required");
    const CKzpXMLNode* configUi = configuration->FindChild(L"configui");
    uiName = FindTranslated(packageData, configUi, L"filename", language);
    const wchar_t* text = ElementText(uiName);
    // A name too long for the field is left out rather than cut.
    if (text != nullptr && CopyToField(record->configUiFile, VRPkgConfig::kNameCapacity, text)) {
      found = true;
    }
  }

  // Without a config_file element the configuration UI file's name serves
  // for the configuration file too.
  const CKzpXMLNode* configFile =
      configuration ? configuration->FindChild(L"config_file") : nullptr;
  const CKzpXMLNode* fileName = configFile ? configFile->FindChild(L"filename") : uiName;
  if (fileName != nullptr) {
    record->encrypt = IsSetFlag(fileName, L"encrypt");
    const wchar_t* text = ElementText(fileName);
    if (text != nullptr && CopyToField(record->configFile, VRPkgConfig::kNameCapacity, text)) {
      found = true;
    }
  }

  if (virtualization != nullptr) {
    record->allowVirtualization = IsSetFlag(virtualization, L"allow");
  }
  return found;
}

bool VRPkg::GetLicense(void* buffer, std::uint32_t* size) const {
  if (!packageData.IsLoaded() || size == nullptr) return false;
  kzpzip::ZIP_File archive;
  if (archive.Open(archivePath, true) != kzpzip::ZIP_OK) return false;
  const CKzpXMLNode* root = packageData.FindElement(nullptr, L"vr_pkg_data", nullptr, nullptr);
  const CKzpXMLNode* license = FindChildElement(packageData, root, L"license");
  const wchar_t* name = ElementText(FindTranslated(packageData, license, L"filename", language));
  kzpzip::ZIP_FileEntry* entry = name != nullptr ? archive.FindEntry(name) : nullptr;
  if (entry == nullptr) return false;

  // Five zero bytes terminate the text. A declared size within 5 bytes of
  // 4 GiB would wrap the need around to a tiny count: no such license.
  constexpr std::uint32_t kTerminator = 5;
  if (entry->uncompressedSize > UINT32_MAX - kTerminator) return false;
  const std::uint32_t needed = entry->uncompressedSize + kTerminator;
  if (*size < needed) {
    *size = needed;
    return true;
  }
  if (buffer == nullptr) return false;
  std::memset(buffer, 0, needed);
  return entry->Read(buffer, entry->uncompressedSize) == kzpzip::ZIP_OK;
}
