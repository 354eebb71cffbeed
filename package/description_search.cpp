#include "package/description_search.h"

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>

#include "archive/entry_name.h"
#include "package/entry_bytes.h"
#include "xml/xml_reader.h"

namespace {

// The extension as _splitpath takes it is the last "." and what follows in
// the last path component. For ".xml" that is the same as the name ending
// in ".xml": neither "." nor a separator follows it, and in the double-byte
// code pages none of ".xml" can be the second byte of a character.
bool HasXmlExtension(const char* fileName) {
  if (fileName == nullptr) return false;
  const std::size_t length = std::strlen(fileName);
  return length >= 4 && lstrcmpiA(fileName + length - 4, ".xml") == 0;
}

// The name as the package's own lookups (FindEntry) later match it: a
// UTF-8 name decoded, any other widened under the C runtime's locale, as
// FindEntry narrows names for it; false when it does not convert or does
// not fit.
bool WidenName(const kzpzip::ZIP_FileEntry& entry, wchar_t* name) {
  if (kzpzip::HasUtf8Name(entry)) {
    std::wstring wide;
    if (!kzpzip::WidenEntryName(entry, wide) || wide.size() >= kDescriptionNameCapacity) {
      return false;
    }
    if (name != nullptr) std::wmemcpy(name, wide.c_str(), wide.size() + 1);
    return true;
  }
  const std::size_t length = std::mbstowcs(nullptr, entry.fileName, 0);
  if (length == static_cast<std::size_t>(-1) || length >= kDescriptionNameCapacity) {
    return false;
  }
  if (name != nullptr) std::mbstowcs(name, entry.fileName, length + 1);
  return true;
}

}  // namespace

bool FindDescriptionEntry(const kzpzip::ZIP_File& archive, wchar_t* name) {
  CKzpXMLReader candidate;
  const unsigned count = archive.GetEntryCount();
  for (unsigned position = 0; position < count; ++position) {
    kzpzip::ZIP_FileEntry* entry = archive.GetEntry(static_cast<int>(position));
    if (entry == nullptr || !HasXmlExtension(entry->fileName)) continue;
    // Each parse replaces the previous candidate's tree.
    if (!ParseEntry(*entry, candidate) || !candidate.IsLoaded()) continue;
    if (candidate.FindElement(nullptr, L"kzp_package", L"version", L"2.0.1.0") == nullptr) {
      continue;
    }
    if (WidenName(*entry, name)) return true;
  }
  return false;
}
