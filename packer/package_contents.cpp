#include "packer/package_contents.h"

#include <array>
#include <map>

#include "packer/code_page.h"
#include "packer/text_convert.h"

namespace kzppack {
namespace {

// How the stub's C runtime lowers each byte of a name in code page N
// (tolower under the machine's locale, whose table is the code page's own
// lower case of each byte by itself): ASCII letters; a byte that is a
// character by itself takes the byte of its other case where the code
// page has one; lead bytes of double-byte characters stay as they are. The
// table is taken here in capitals, which pairs the same bytes.
const std::array<unsigned char, 256>& ByteFold(int codePage) {
  static std::map<int, std::array<unsigned char, 256>> tables;
  auto [it, made] = tables.try_emplace(codePage);
  std::array<unsigned char, 256>& table = it->second;
  if (!made) return table;
  for (int b = 0; b < 256; ++b) {
    table[b] = static_cast<unsigned char>(b >= 'a' && b <= 'z' ? b - 'a' + 'A' : b);
    std::string utf8;
    std::wstring wide;
    std::string back;
    if (b < 0x80 || codePage == kAsciiOnly || codePage == kUtf8CodePage ||
        !DecodeFromCodePage(codePage, std::string(1, static_cast<char>(b)), utf8) ||
        !Utf8ToWide(utf8, wide) ||
        !EncodeForCodePage(codePage, WideToUtf8(UpperCaseName(wide)), back) || back.size() != 1) {
      continue;
    }
    table[b] = static_cast<unsigned char>(back[0]);
  }
  return table;
}

bool SameBytesIgnoringCase(int codePage, const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  const std::array<unsigned char, 256>& fold = ByteFold(codePage);
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (fold[static_cast<unsigned char>(a[i])] != fold[static_cast<unsigned char>(b[i])]) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::wstring FoldedName(const std::string& utf8Name) {
  std::wstring wide;
  if (!Utf8ToWide(utf8Name, wide)) {
    wide.clear();
    for (unsigned char c : utf8Name) wide += static_cast<wchar_t>(c);
  }
  return UpperCaseName(wide);
}

bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
  return SameBytesIgnoringCase(kAsciiOnly, a, b);
}

const PackageEntry* PackageContents::Find(const std::string& name) const {
  return Find(StoredName{name, false});
}

// As the stub's FindEntry: an entry named in UTF-8 matches when the two
// names are the same text, letter case folded as Windows folds it; any
// other entry when the name in its code page has the same bytes, each
// lowered by the C runtime. The name wanted is known in this package's
// code page (or in UTF-8, where it is not plain ASCII and no code page is
// given: then only UTF-8 entries can match, as on machines of any code
// page).
const PackageEntry* PackageContents::Find(const StoredName& name) const {
  std::string utf8;
  const bool decodes = DecodeEntryName(codePage, name, utf8);
  const std::wstring folded = decodes ? FoldedName(utf8) : std::wstring();
  for (const PackageEntry& entry : entries) {
    if (entry.utf8Name) {
      if (decodes && FoldedName(entry.name) == folded) return &entry;
    } else if (!name.utf8 && SameBytesIgnoringCase(codePage, entry.name, name.bytes)) {
      return &entry;
    }
  }
  return nullptr;
}

}  // namespace kzppack
