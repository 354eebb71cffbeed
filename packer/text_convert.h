#pragma once

#include <filesystem>
#include <string>

#include "xml/xml_char.h"

// Text conversions for the packer between the UTF-8 it works in (its
// arguments, messages and file names on both builds), the UTF-16 of the
// package files and of Windows, and file system paths. Pure code, the same
// on Linux and Windows; code pages are in packer/code_page.h.
namespace kzppack {

// False when the bytes are not valid UTF-8 (overlong forms, surrogates and
// values past U+10FFFF included).
bool Utf8ToUtf16(const std::string& utf8, KzpXMLString& text);
// Invalid UTF-16 (an unpaired surrogate) becomes U+FFFD.
std::string Utf16ToUtf8(const KzpXMLString& text);
std::string Utf16ToUtf8(const KzpXMLChar* text);  // null gives ""
// The platform's wide characters: UTF-16 on Windows, UTF-32 elsewhere.
bool Utf8ToWide(const std::string& utf8, std::wstring& text);
std::string WideToUtf8(const std::wstring& text);
// False for UTF-16 with an unpaired surrogate, which has no UTF-8 form
// (always true where wchar_t has 32 bits).
bool IsWellFormedUtf16(const std::wstring& text);

bool IsPlainAscii(const std::string& bytes);
// Bytes as text for a message: printable ASCII as it is, others as \xNN.
std::string Printable(const std::string& bytes);

// Paths from and to UTF-8. On Windows a path holds UTF-16, and converting a
// narrow string would go through the C runtime's code page, which is not
// the UTF-8 of our arguments.
std::filesystem::path PathFromUtf8(const std::string& utf8);
// In the platform's own separators ("C:\in\a.txt" on Windows); an unpaired
// surrogate in a Windows path shows as U+FFFD.
std::string PathToUtf8(const std::filesystem::path& path);

}  // namespace kzppack
