#pragma once

namespace kzpzip {

// True when an entry name, widened, stays inside the destination folder once
// appended to it as "folder\name". Both separators count. Refused: no name or
// an empty one, a leading separator (rooted or UNC), any colon (drive letters
// and alternate data streams), and any component made only of dots and
// spaces with two or more dots ("..", "...", ".. "), since Win32 trims
// trailing dots and spaces from components and could turn it into "..",
// and any component that names a device (CON, PRN, AUX, NUL, COM1-9,
// LPT1-9, COM and LPT followed by a superscript 1, 2 or 3, also with an
// extension, as in "nul.txt"), which Win32 opens in place of a file of that
// name.
bool IsSafeEntryName(const wchar_t* name);

}  // namespace kzpzip
