#pragma once

#include <string>

#include "xml/xml_char.h"

// Text conversions for the packer (iconv), between the UTF-8 of the build
// machine, the UTF-16 of the package files and the Windows code page in
// which the stub reads entry names and the key text.
namespace kzppack {

// A Windows code page number; 0 stands for "plain ASCII only", which reads
// the same under every code page.
constexpr int kAsciiOnly = 0;

// False when iconv does not know the code page (the message says so).
bool IsKnownCodePage(int codePage, std::string* message);

// UTF-8 text as bytes of the code page. False when the text is not valid
// UTF-8, or a character has no exact form there (nothing is approximated),
// or the bytes do not read back as the same text.
bool EncodeForCodePage(int codePage, const std::string& utf8, std::string& bytes);
// Bytes of the code page as UTF-8; false when they are not valid there.
bool DecodeFromCodePage(int codePage, const std::string& bytes, std::string& utf8);

bool Utf8ToUtf16(const std::string& utf8, KzpXMLString& text);
// Invalid UTF-16 (an unpaired surrogate) becomes U+FFFD.
std::string Utf16ToUtf8(const KzpXMLString& text);
std::string Utf16ToUtf8(const KzpXMLChar* text);  // null gives ""
bool Utf8ToWide(const std::string& utf8, std::wstring& text);

bool IsPlainAscii(const std::string& bytes);
// Bytes as text for a message: printable ASCII as it is, others as \xNN.
std::string Printable(const std::string& bytes);

}  // namespace kzppack
