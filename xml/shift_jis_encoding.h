#pragma once

#include <expat.h>

#include <cstdint>

// Shift_JIS for the parser, which does not decode it by itself.
//
// Byte map: 0 means the byte stands for itself, -1 a byte that may not occur,
// -2 the first byte of a two-byte sequence (decoded by ShiftJisConvert), and
// anything else the character the byte stands for.
extern const std::int32_t ShiftJisByteMap[256];

// Unknown-encoding handler for XML_SetUnknownEncodingHandler. Accepts the
// name "SHIFT_JIS" in any letter case and fills in the description; answers
// 0 for every other name, leaving the description untouched. The handler
// data is not used.
int XMLCALL ShiftJisEncodingHandler(void* handlerData, const XML_Char* name,
                                    XML_Encoding* description) noexcept;

// Converter for the two bytes at bytes: the UTF-16 unit they stand for in
// code page 932, or -1 when they are not one character there (the parser
// then reports an invalid character). The converter data is not used.
int XMLCALL ShiftJisConvert(void* converterData, const char* bytes) noexcept;

// The two bytes at bytes decoded as code page 932: the UTF-16 unit, or -1.
// One definition per platform (Windows' own code page 932, or iconv's).
int DecodeShiftJisPair(const char* bytes);
