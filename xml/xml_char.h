#pragma once

#include <string>

// The document's character: one UTF-16 unit. On Windows that is wchar_t,
// the type every caller of the stub uses. Elsewhere wchar_t holds UTF-32, so
// the native build (the packer, which reads package files with this same
// code) uses char16_t, and builds Expat with 16-bit characters to match.
#if defined(_WIN32)
using KzpXMLChar = wchar_t;
#define KZP_XML_TEXT(text) L##text
#else
using KzpXMLChar = char16_t;
#define KZP_XML_TEXT(text) u##text
#endif

using KzpXMLString = std::basic_string<KzpXMLChar>;
