#pragma once

#include <string>

// The packer's output: results on standard output, messages on standard
// error, always given as UTF-8 text with "\n" line ends. On Linux the bytes
// go out as they are. On Windows a console gets the text as UTF-16
// (WriteConsoleW), so that every name shows as it is whatever the console's
// code page; output redirected to a file or a pipe is UTF-8 (no byte-order
// mark) with "\r\n" line ends: UTF-8 holds every name, where the ANSI or
// OEM code page would replace some with "?", and it gives the same text as
// the Linux build.
namespace kzppack {

enum class ConsoleStream { kOut, kError };

void WriteConsoleText(ConsoleStream stream, const std::string& utf8);

}  // namespace kzppack
