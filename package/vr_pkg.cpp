#include "package/vr_pkg.h"

#include <cwchar>

#include "archive/zip_result.h"
#include "package/entry_bytes.h"

VRPkg::VRPkg() : language{}, archivePath{}, configData{}, config{} {
  VariantInit(&configData);
  Reset();
}

VRPkg::~VRPkg() { Reset(); }

bool VRPkg::Reset() {
  VariantClear(&configData);
  std::wcscpy(language, L"en");
  config = VRPkgConfig{};
  archivePath[0] = L'\0';
  packageData.Clear();
  description.Clear();
  return true;
}

bool VRPkg::Load(const wchar_t* path, const wchar_t* descriptionName, const wchar_t* languageCode) {
  if (path == nullptr || descriptionName == nullptr) return false;
  // Refused before anything changes: a path or code cut to fit its field
  // would name another file or another language.
  if (std::wcslen(path) >= kPathCapacity) return false;
  if (languageCode != nullptr && std::wcslen(languageCode) >= kLanguageCapacity) {
    return false;
  }
  // archivePath is set only by a successful load: a failed one is not reset
  // first and is overwritten where this load reaches.
  if (archivePath[0] != L'\0') Reset();
  if (languageCode != nullptr) std::wcscpy(language, languageCode);

  kzpzip::ZIP_File archive;
  if (archive.Open(path, true) != kzpzip::ZIP_OK) return false;
  kzpzip::ZIP_FileEntry* entry = archive.FindEntry(descriptionName);
  if (entry == nullptr || !ParseEntry(*entry, description)) {
    archive.Close();
    return false;
  }
  if (!LoadPackageData(archive)) {
    archive.Close();
    return false;
  }
  std::wcscpy(archivePath, path);
  archive.Close();
  return true;
}

bool VRPkg::LoadPackage(const wchar_t* path, const wchar_t* languageCode) {
  if (path == nullptr) return false;
  // The file name part as _wsplitpath gives it: after the drive and the
  // last separator, without the last extension.
  const wchar_t* name = (path[0] != L'\0' && path[1] == L':') ? path + 2 : path;
  for (const wchar_t* p = name; *p != L'\0'; ++p) {
    if (*p == L'\\' || *p == L'/') name = p + 1;
  }
  const wchar_t* end = std::wcsrchr(name, L'.');
  if (end == nullptr) end = name + std::wcslen(name);
  constexpr std::size_t kMaxFileNamePart = 255;
  const std::size_t length = static_cast<std::size_t>(end - name);
  if (length > kMaxFileNamePart) return false;

  wchar_t entryName[kMaxFileNamePart + 5] = {};
  std::wmemcpy(entryName, name, length);
  std::wcscpy(entryName + length, L".xml");
  return Load(path, entryName, languageCode);
}
