#include "packer/text_convert.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace kzppack {
namespace {

std::string IconvName(int codePage) {
  if (codePage == kAsciiOnly) return "ASCII";
  if (codePage == 65001) return "UTF-8";
  return "CP" + std::to_string(codePage);
}

// Closes the converter on every way out.
class Converter {
 public:
  Converter(const std::string& to, const std::string& from)
      : handle_(iconv_open(to.c_str(), from.c_str())) {}
  ~Converter() {
    if (ok()) iconv_close(handle_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool ok() const { return handle_ != reinterpret_cast<iconv_t>(-1); }

  // The whole input, or false at the first byte that does not convert.
  bool Run(const std::string& input, std::string& output) {
    output.clear();
    if (!ok()) return false;
    std::vector<char> in(input.begin(), input.end());
    char* inPointer = in.data();
    std::size_t inLeft = in.size();
    char buffer[4096];
    while (inLeft > 0) {
      char* outPointer = buffer;
      std::size_t outLeft = sizeof buffer;
      const std::size_t result = iconv(handle_, &inPointer, &inLeft, &outPointer, &outLeft);
      output.append(buffer, sizeof buffer - outLeft);
      if (result == static_cast<std::size_t>(-1) && errno != E2BIG) return false;
    }
    char* outPointer = buffer;
    std::size_t outLeft = sizeof buffer;
    if (iconv(handle_, nullptr, nullptr, &outPointer, &outLeft) == static_cast<std::size_t>(-1)) {
      return false;
    }
    output.append(buffer, sizeof buffer - outLeft);
    return true;
  }

 private:
  iconv_t handle_;
};

bool Convert(const std::string& to, const std::string& from, const std::string& input,
             std::string& output) {
  Converter converter(to, from);
  return converter.Run(input, output);
}

}  // namespace

bool IsKnownCodePage(int codePage, std::string* message) {
  Converter converter(IconvName(codePage), "UTF-8");
  if (converter.ok() && codePage >= 0) return true;
  if (message != nullptr) *message = "code page " + std::to_string(codePage) + " is not known here";
  return false;
}

bool EncodeForCodePage(int codePage, const std::string& utf8, std::string& bytes) {
  std::string back;
  return Convert(IconvName(codePage), "UTF-8", utf8, bytes) &&
         Convert("UTF-8", IconvName(codePage), bytes, back) && back == utf8;
}

bool DecodeFromCodePage(int codePage, const std::string& bytes, std::string& utf8) {
  return Convert("UTF-8", IconvName(codePage), bytes, utf8);
}

bool Utf8ToUtf16(const std::string& utf8, KzpXMLString& text) {
  std::string bytes;
  if (!Convert("UTF-16LE", "UTF-8", utf8, bytes)) return false;
  text.clear();
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    text += static_cast<KzpXMLChar>(static_cast<unsigned char>(bytes[i]) |
                                    static_cast<unsigned char>(bytes[i + 1]) << 8);
  }
  return true;
}

std::string Utf16ToUtf8(const KzpXMLString& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    std::uint32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | c >> 6);
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | c >> 12);
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | c >> 18);
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::string Utf16ToUtf8(const KzpXMLChar* text) {
  return text != nullptr ? Utf16ToUtf8(KzpXMLString(text)) : std::string();
}

bool Utf8ToWide(const std::string& utf8, std::wstring& text) {
  std::string bytes;
  if (!Convert("WCHAR_T", "UTF-8", utf8, bytes)) return false;
  text.assign(bytes.size() / sizeof(wchar_t), L'\0');
  if (!text.empty()) std::memcpy(&text[0], bytes.data(), text.size() * sizeof(wchar_t));
  return true;
}

bool IsPlainAscii(const std::string& bytes) {
  for (unsigned char c : bytes) {
    if (c >= 0x80) return false;
  }
  return true;
}

std::string Printable(const std::string& bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
      out += escaped;
    }
  }
  return out;
}

}  // namespace kzppack
