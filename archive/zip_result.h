#pragma once

#include <cstdint>

namespace kzpzip {

// Result codes shared by every archive operation: 0 for success, a negative
// value for the first failure met.
enum : int {
  ZIP_OK = 0,
  ZIP_E_FAIL = -1,         // no end record; entry data unreadable; a folder or write failed
  ZIP_E_NO_DATA = -2,      // the entry's data ended before it produced what it declares
  ZIP_E_SEEK = -3,         // a seek did not land, or the file size is unreadable
  ZIP_E_CREATE = -4,       // a target file cannot be created or opened
  ZIP_E_NO_MEMORY = -5,    // an allocation failed
  ZIP_E_CRC = -6,          // the CRC-32 of the produced data differs from the entry's
  ZIP_E_BAD_ARCHIVE = -7,  // damaged or unsupported records, names or entry data
  ZIP_E_BAD_ARG = -8,      // missing argument, zero-byte request, folder given a file path
  ZIP_E_OPEN = -9,         // the archive file cannot be opened
};

// Where an entry's data lives.
enum : std::uint32_t {
  STORAGE_NONE = 0,
  STORAGE_TEMP_FILE = 1,
  STORAGE_ARCHIVE = 2,
};

}  // namespace kzpzip
