#pragma once

#include <cstddef>

#include "archive/zip_file.h"

constexpr std::size_t kDescriptionNameCapacity = 260;  // terminator included

// Finds the package description by its content when it is not named after
// the program: the first ".xml" entry, in directory order, whose root element
// is kzp_package with version "2.0.1.0". On success writes the entry's full
// name (folders included) to name, when given, a buffer of
// kDescriptionNameCapacity characters. An entry whose name does not fit, or
// does not convert, is passed over like one that does not qualify.
bool FindDescriptionEntry(const kzpzip::ZIP_File& archive, wchar_t* name);
