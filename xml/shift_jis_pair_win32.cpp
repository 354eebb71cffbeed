#include <windows.h>

#include "xml/shift_jis_encoding.h"

int DecodeShiftJisPair(const char* bytes) {
  constexpr UINT kShiftJisCodePage = 932;
  wchar_t unit[2] = {};
  const int produced =
      MultiByteToWideChar(kShiftJisCodePage, MB_ERR_INVALID_CHARS, bytes, 2, unit, 2);
  if (produced != 1) return -1;
  return static_cast<int>(unit[0]);
}
