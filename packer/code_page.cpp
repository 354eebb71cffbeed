#include "packer/code_page.h"

#include "packer/text_convert.h"

namespace kzppack {
namespace {

// U+0080 to U+009F are C2 80 to C2 9F in UTF-8.
bool HoldsC1Control(const std::string& utf8) {
  for (std::size_t i = 0; i + 1 < utf8.size(); ++i) {
    if (static_cast<unsigned char>(utf8[i]) == 0xC2 &&
        static_cast<unsigned char>(utf8[i + 1]) >= 0x80 &&
        static_cast<unsigned char>(utf8[i + 1]) <= 0x9F) {
      return true;
    }
  }
  return false;
}

}  // namespace

bool IsKnownCodePage(int codePage, std::string* message) {
  if (codePage == kAsciiOnly || codePage == kUtf8CodePage ||
      (codePage > 0 && codePage <= 0xFFFF && HasConverter(codePage))) {
    return true;
  }
  if (message != nullptr) *message = "code page " + std::to_string(codePage) + " is not known here";
  return false;
}

bool EncodeForCodePage(int codePage, const std::string& utf8, std::string& bytes) {
  KzpXMLString units;
  if (!Utf8ToUtf16(utf8, units) || HoldsC1Control(utf8)) return false;
  if (codePage == kAsciiOnly) {
    if (!IsPlainAscii(utf8)) return false;
    bytes = utf8;
    return true;
  }
  if (codePage == kUtf8CodePage) {
    bytes = utf8;
    return true;
  }
  std::string encoded;
  std::string back;
  if (!ConvertToCodePage(codePage, utf8, encoded) ||
      !ConvertFromCodePage(codePage, encoded, back) || back != utf8) {
    return false;
  }
  bytes = std::move(encoded);
  return true;
}

bool DecodeFromCodePage(int codePage, const std::string& bytes, std::string& utf8) {
  std::string decoded;
  if (codePage == kAsciiOnly) {
    if (!IsPlainAscii(bytes)) return false;
    decoded = bytes;
  } else if (codePage == kUtf8CodePage) {
    KzpXMLString units;
    if (!Utf8ToUtf16(bytes, units)) return false;
    decoded = bytes;
  } else if (!ConvertFromCodePage(codePage, bytes, decoded)) {
    return false;
  }
  if (HoldsC1Control(decoded)) return false;
  utf8 = std::move(decoded);
  return true;
}

}  // namespace kzppack
