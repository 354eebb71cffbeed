#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

// Message 1003: the free space does not exceed the package's size. Shows the
// bytes required, the bytes available and the difference.
void ShowNoSpaceMessage(HWND owner, std::uint64_t required, std::uint64_t available);

// The text of message 1003 from its format (three %lu fields). Sizes that
// all fit 32 bits go through wsprintfW as they always have; when one does
// not (a disk or a package over 4 GiB), the same sentence gets the full
// 64-bit numbers, so nobody reads the low 32 bits of a size as the size.
// available never exceeds required here: the message is only shown then.
std::wstring FormatNoSpaceMessage(const wchar_t* format, std::uint64_t required,
                                  std::uint64_t available);
