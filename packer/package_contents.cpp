#include "packer/package_contents.h"

#include "packer/text_convert.h"

namespace kzppack {

bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i];
    char y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

const PackageEntry* PackageContents::Find(const std::string& name) const {
  for (const PackageEntry& entry : entries) {
    if (SameNameIgnoringCase(entry.name, name)) return &entry;
  }
  return nullptr;
}

const PackageEntry* PackageContents::Find(const StoredName& name) const {
  const bool ascii = IsPlainAscii(name.bytes);
  for (const PackageEntry& entry : entries) {
    if ((ascii || entry.utf8Name == name.utf8) && SameNameIgnoringCase(entry.name, name.bytes)) {
      return &entry;
    }
  }
  return nullptr;
}

}  // namespace kzppack
