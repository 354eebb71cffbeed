#include "xml/shift_jis_encoding.h"

namespace {

// Case-insensitive in ASCII only, so that the answer does not depend on the
// locale (the Turkish dotless i, for one).
bool IsShiftJisName(const XML_Char* name) {
  static constexpr char kName[] = "SHIFT_JIS";
  if (name == nullptr) return false;
  for (int i = 0;; ++i) {
    XML_Char c = name[i];
    if (c >= 'a' && c <= 'z') c = static_cast<XML_Char>(c - 'a' + 'A');
    if (c != static_cast<XML_Char>(kName[i])) return false;
    if (c == 0) return true;
  }
}

}  // namespace

// clang-format off
const std::int32_t ShiftJisByteMap[256] = {
  // 0x00: control characters other than tab and line ends may not occur
  -1, -1, -1, -1, -1, -1, -1, -1, -1,  9, 10, 11, 12, 13, 14, 15,
  -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
  // 0x20: ASCII stands for itself
   0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,
   0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,
   0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,
   0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,
   0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,
   0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,
  // 0x80: first bytes of two-byte sequences
  -2, -2, -2, -2, -2, -2, -2, -2, -2, -2, -2, -2, -2, -2, -2, -2,
  -2, -2, -2, -2, -2, -2, -2, -2, -2, -2, -2, -2, -2, -2, -2, -2,
  // 0xA0: half-width katakana, U+FF60 to U+FF9F
  65376, 65377, 65378, 65379, 65380, 65381, 65382, 65383,
  65384, 65385, 65386, 65387, 65388, 65389, 65390, 65391,
  65392, 65393, 65394, 65395, 65396, 65397, 65398, 65399,
  65400, 65401, 65402, 65403, 65404, 65405, 65406, 65407,
  65408, 65409, 65410, 65411, 65412, 65413, 65414, 65415,
  65416, 65417, 65418, 65419, 65420, 65421, 65422, 65423,
  65424, 65425, 65426, 65427, 65428, 65429, 65430, 65431,
  65432, 65433, 65434, 65435, 65436, 65437, 65438, 65439,
  // 0xE0: first bytes of two-byte sequences; 0xFF may not occur
  -2, -2, -2, -2, -2, -2, -2, -2, -2, -2, -2, -2, -2, -2, -2, -2,
  -2, -2, -2, -2, -2, -2, -2, -2, -2, -2, -2, -2, -2, -2, -2, -1,
};
// clang-format on

int XMLCALL ShiftJisEncodingHandler(void* /*handlerData*/, const XML_Char* name,
                                    XML_Encoding* description) noexcept {
  if (!IsShiftJisName(name) || description == nullptr) return 0;
  for (int b = 0; b < 256; ++b) {
    description->map[b] = ShiftJisByteMap[b] != 0 ? ShiftJisByteMap[b] : b;
  }
  description->data = nullptr;
  description->convert = ShiftJisConvert;
  description->release = nullptr;
  return 1;
}

// Code page 932 by number, not the user's code page: a Shift_JIS file must
// read the same under every locale.
int XMLCALL ShiftJisConvert(void* /*converterData*/, const char* bytes) noexcept {
  return DecodeShiftJisPair(bytes);
}
