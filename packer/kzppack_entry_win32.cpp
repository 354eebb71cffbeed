#include <windows.h>

#include <cstdio>
#include <new>

#include "packer/kzppack_main.h"
#include "packer/text_convert.h"

// Windows gives the arguments as UTF-16: every name arrives whole,
// whatever the machine's code page, and goes on as UTF-8.
int wmain(int argc, wchar_t** argv) {
  try {
    std::vector<std::string> arguments;
    for (int i = 0; i < argc; ++i) arguments.push_back(kzppack::WideToUtf8(argv[i]));
    return RunKzppack(std::move(arguments));
  } catch (const std::bad_alloc&) {
    std::fputs("kzppack: out of memory\n", stderr);
    return 1;
  }
}
