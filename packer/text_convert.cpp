#include "packer/text_convert.h"

#include <cstdint>
#include <cstdio>
#include <type_traits>

namespace kzppack {
namespace {

// The code points of UTF-8 text, one by one; false at the first byte
// sequence that is not the shortest form of a Unicode scalar value.
template <typename Sink>
bool DecodeUtf8(const std::string& utf8, Sink&& sink) {
  std::size_t i = 0;
  while (i < utf8.size()) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    std::uint32_t c = 0;
    std::size_t length = 0;
    std::uint32_t minimum = 0;
    if (lead < 0x80) {
      c = lead;
      length = 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      c = lead & 0x1Fu;
      length = 2;
      minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      c = lead & 0x0Fu;
      length = 3;
      minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      c = lead & 0x07u;
      length = 4;
      minimum = 0x10000;
    } else {
      return false;
    }
    if (utf8.size() - i < length) return false;
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(utf8[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      c = (c << 6) | (next & 0x3Fu);
    }
    if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
    sink(c);
    i += length;
  }
  return true;
}

void AppendUtf8(std::string& out, std::uint32_t c) {
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

template <typename String>
void AppendUtf16(String& out, std::uint32_t c) {
  using Unit = typename String::value_type;
  if (c < 0x10000) {
    out += static_cast<Unit>(c);
  } else {
    out += static_cast<Unit>(0xD800 + ((c - 0x10000) >> 10));
    out += static_cast<Unit>(0xDC00 + ((c - 0x10000) & 0x3FF));
  }
}

template <typename Unit>
std::string FromUtf16(const Unit* text, std::size_t size) {
  std::string out;
  for (std::size_t i = 0; i < size; ++i) {
    std::uint32_t c = static_cast<std::uint16_t>(text[i]);
    const std::uint32_t next = i + 1 < size ? static_cast<std::uint16_t>(text[i + 1]) : 0;
    if (c >= 0xD800 && c <= 0xDBFF && next >= 0xDC00 && next <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (next - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    AppendUtf8(out, c);
  }
  return out;
}

}  // namespace

bool Utf8ToUtf16(const std::string& utf8, KzpXMLString& text) {
  KzpXMLString out;
  if (!DecodeUtf8(utf8, [&out](std::uint32_t c) { AppendUtf16(out, c); })) return false;
  text = std::move(out);
  return true;
}

std::string Utf16ToUtf8(const KzpXMLString& text) { return FromUtf16(text.data(), text.size()); }

std::string Utf16ToUtf8(const KzpXMLChar* text) {
  return text != nullptr ? Utf16ToUtf8(KzpXMLString(text)) : std::string();
}

bool Utf8ToWide(const std::string& utf8, std::wstring& text) {
  std::wstring out;
  const bool ok = DecodeUtf8(utf8, [&out](std::uint32_t c) {
    if constexpr (sizeof(wchar_t) == 2) {
      AppendUtf16(out, c);
    } else {
      out += static_cast<wchar_t>(c);
    }
  });
  if (ok) text = std::move(out);
  return ok;
}

std::string WideToUtf8(const std::wstring& text) {
  if constexpr (sizeof(wchar_t) == 2) return FromUtf16(text.data(), text.size());
  std::string out;
  for (wchar_t c : text) {
    const auto value = static_cast<std::uint32_t>(c);
    AppendUtf8(out, value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF) ? 0xFFFD : value);
  }
  return out;
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

std::filesystem::path PathFromUtf8(const std::string& utf8) {
  return std::filesystem::u8path(utf8);
}

namespace {

// A Windows path is UTF-16 that need not be well formed (NTFS takes any
// 16-bit units): path::u8string() throws on an unpaired surrogate, our own
// conversion shows it as U+FFFD. A Linux path is bytes, UTF-8 as a rule.
template <typename String>
std::string NativeToUtf8(const String& native) {
  if constexpr (std::is_same_v<typename String::value_type, wchar_t>) {
    return WideToUtf8(native);
  } else {
    return native;
  }
}

}  // namespace

std::string PathToUtf8(const std::filesystem::path& path) { return NativeToUtf8(path.native()); }

bool IsWellFormedUtf16(const std::wstring& text) {
  if constexpr (sizeof(wchar_t) != 2) return true;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto unit = static_cast<std::uint16_t>(text[i]);
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() &&
        static_cast<std::uint16_t>(text[i + 1]) >= 0xDC00 &&
        static_cast<std::uint16_t>(text[i + 1]) <= 0xDFFF) {
      ++i;
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      return false;
    }
  }
  return true;
}

}  // namespace kzppack
