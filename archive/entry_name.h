#pragma once

#include <cstdint>
#include <string>

#include "archive/utf8_name_flag.h"
#include "archive/zip_file_entry.h"

namespace kzpzip {

// How an entry's name is encoded. This is the one place that decides it,
// for every reader of names: the extraction's target paths and safety
// check, FindEntry, the search for the package description and the
// contents list.
// - General-purpose flag bit 11 set (as 7-Zip, WinRAR, WinZip and Info-ZIP
//   mark non-ASCII names, and kzppack writes them): the name is UTF-8 and
//   reads the same on every machine. One that is not valid UTF-8 has no
//   wide form, and an archive holding it is refused before anything is
//   written.
// - Bit 11 clear: the name is in the system's default Windows (ANSI) code
//   page, as ZIP names always were here.
inline bool HasUtf8Name(const ZIP_FileEntry& entry) { return HasUtf8NameFlag(entry.flags); }

// The entry's name as wide text: decoded from UTF-8 when the entry says so,
// else widened from the system's default code page (CP_ACP). False, with
// wide empty, when the entry has no name or its name does not decode.
bool WidenEntryName(const ZIP_FileEntry& entry, std::wstring& wide);

}  // namespace kzpzip
