#include <cstdio>

#include "packer/console_text.h"

namespace kzppack {

void WriteConsoleText(ConsoleStream stream, const std::string& utf8) {
  std::FILE* out = stream == ConsoleStream::kOut ? stdout : stderr;
  std::fwrite(utf8.data(), 1, utf8.size(), out);
  std::fflush(out);
}

}  // namespace kzppack
