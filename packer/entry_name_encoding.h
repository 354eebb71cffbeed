#pragma once

#include <string>

#include "archive/utf8_name_flag.h"

// How kzppack stores entry names: the one place that decides it. The stub
// reads a name marked with bit 11 of the general-purpose flags as UTF-8,
// the same on every machine, and any other name in the ANSI code page of
// the machine it runs on (archive/entry_name.h is its side of this rule).
namespace kzppack {

using kzpzip::kFlagUtf8Name;

struct StoredName {
  std::string bytes;
  bool utf8 = false;  // written with bit 11
};

// The rule, for a name given in UTF-8:
// - without --codepage (codePage kAsciiOnly): a plain ASCII name as it is,
//   without bit 11 (the bytes every code page reads alike, as packages were
//   always written); any other name in UTF-8 with bit 11, so that it
//   extracts the same whatever the machine's code page;
// - with --codepage N: the name in code page N, without bit 11, for
//   packages meant for machines of that code page (as before).
// False when the name is not valid UTF-8, or code page N has no exact form
// for it.
bool EncodeEntryName(int codePage, const std::string& utf8Name, StoredName& stored);

// A stored name read back as the stub reads it: UTF-8 when bit 11 is set
// (false when it is not valid UTF-8), else in codePage (kAsciiOnly: plain
// ASCII only).
bool DecodeEntryName(int codePage, const StoredName& stored, std::string& utf8Name);

}  // namespace kzppack
