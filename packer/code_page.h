#pragma once

#include <string>

// Windows code pages and letter case, for entry names and the key text: the one interface
// both builds convert through. Windows' own WideCharToMultiByte and
// MultiByteToWideChar on Windows (code_page_win32.cpp), iconv on Linux
// (code_page_iconv.cpp); the rules around them are the same on both.
namespace kzppack {

// A Windows code page number; 0 stands for "plain ASCII only", which reads
// the same under every code page.
constexpr int kAsciiOnly = 0;
constexpr int kUtf8CodePage = 65001;

// False when this build cannot convert the code page (the message says so).
bool IsKnownCodePage(int codePage, std::string* message);

// UTF-8 text as bytes of the code page. False when the text is not valid
// UTF-8 or holds a C1 control character (U+0080 to U+009F: no name holds
// one, and the two builds' tables disagree on them), or a character has no
// exact form there: nothing is approximated (no best-fit mapping, no
// transliteration), and the bytes must read back as the same text.
bool EncodeForCodePage(int codePage, const std::string& utf8, std::string& bytes);
// Bytes of the code page as UTF-8; false when they are not valid there, or
// decode to a C1 control character.
bool DecodeFromCodePage(int codePage, const std::string& bytes, std::string& utf8);

// The platform's converter alone, for code pages other than 0 and 65001:
// whether it has the code page, and from UTF-8 to its bytes and back (false
// where a character or byte has no exact mapping). The rules above are
// built on these three.
bool HasConverter(int codePage);
bool ConvertToCodePage(int codePage, const std::string& utf8, std::string& bytes);
bool ConvertFromCodePage(int codePage, const std::string& bytes, std::string& utf8);

// Text in capitals as Windows folds the letter case of file names, by
// simple case mapping (one character for one: "\u00DF" stays). On Windows
// through its own table, LCMapStringEx in the invariant locale (as the stub
// folds names, archive/target_overlap.cpp); on Linux through towupper_l in
// C.UTF-8. Text that does not convert comes back as it is.
std::wstring UpperCaseName(const std::wstring& text);

}  // namespace kzppack
