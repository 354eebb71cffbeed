#include "packer/entry_name_encoding.h"

#include "packer/code_page.h"
#include "packer/text_convert.h"

namespace kzppack {

bool EncodeEntryName(int codePage, const std::string& utf8Name, StoredName& stored) {
  stored.utf8 = codePage == kAsciiOnly && !IsPlainAscii(utf8Name);
  return EncodeForCodePage(stored.utf8 ? kUtf8CodePage : codePage, utf8Name, stored.bytes);
}

bool DecodeEntryName(int codePage, const StoredName& stored, std::string& utf8Name) {
  return DecodeFromCodePage(stored.utf8 ? kUtf8CodePage : codePage, stored.bytes, utf8Name);
}

}  // namespace kzppack
