#include <iconv.h>

#include <cstddef>

#include "xml/shift_jis_encoding.h"

namespace {

// glibc's CP932 is Microsoft's table for Shift_JIS, as Windows decodes it.
// One converter for the process: the packer is single-threaded.
iconv_t Cp932ToUtf16() {
  static const iconv_t converter = iconv_open("UTF-16LE", "CP932");
  return converter;
}

}  // namespace

int DecodeShiftJisPair(const char* bytes) {
  const iconv_t converter = Cp932ToUtf16();
  if (converter == reinterpret_cast<iconv_t>(-1)) return -1;
  char input[2] = {bytes[0], bytes[1]};
  unsigned char output[4] = {};
  char* in = input;
  char* out = reinterpret_cast<char*>(output);
  std::size_t inLeft = sizeof input;
  std::size_t outLeft = sizeof output;
  iconv(converter, nullptr, nullptr, nullptr, nullptr);  // reset the shift state
  if (iconv(converter, &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1) ||
      inLeft != 0 || outLeft != 2) {
    return -1;
  }
  return output[0] | output[1] << 8;
}
