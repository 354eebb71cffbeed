// Code pages through glibc's iconv, for the Linux build. Its "CPnnnn"
// tables are Microsoft's; no "//TRANSLIT" or "//IGNORE": a character
// without an exact form stops the conversion. Letter case through glibc's
// Unicode tables.
#include <iconv.h>
#include <locale.h>
#include <wctype.h>

#include <cerrno>
#include <string>
#include <vector>

#include "packer/code_page.h"

namespace kzppack {
namespace {

std::string IconvName(int codePage) { return "CP" + std::to_string(codePage); }

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

}  // namespace

bool HasConverter(int codePage) { return Converter(IconvName(codePage), "UTF-8").ok(); }

bool ConvertToCodePage(int codePage, const std::string& utf8, std::string& bytes) {
  return Converter(IconvName(codePage), "UTF-8").Run(utf8, bytes);
}

bool ConvertFromCodePage(int codePage, const std::string& bytes, std::string& utf8) {
  return Converter("UTF-8", IconvName(codePage)).Run(bytes, utf8);
}

std::wstring UpperCaseName(const std::wstring& text) {
  // Made once and kept: C.UTF-8 is built into glibc, whatever locales the
  // machine has generated; without it, ASCII letters alone are folded.
  static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
  std::wstring upper = text;
  for (wchar_t& c : upper) {
    if (utf8 != static_cast<locale_t>(0)) {
      c = static_cast<wchar_t>(towupper_l(static_cast<wint_t>(c), utf8));
    } else if (c >= L'a' && c <= L'z') {
      c = static_cast<wchar_t>(c - L'a' + L'A');
    }
  }
  return upper;
}

}  // namespace kzppack
