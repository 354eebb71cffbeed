#pragma once

#include <cstdint>

namespace kzpzip {

// Given to the progress callback before each entry is extracted.
struct ZIP_ExtractProgress {
  std::uint32_t current;  // 1-based number of the entry about to be extracted
  std::uint32_t total;    // entries in the archive, folder entries included
  const wchar_t* path;    // its full target path, valid only during the call
};

// Answers non-zero to go on, zero to stop the extraction (which then
// reports success for what was done).
typedef unsigned char (*ZIP_ProgressCallback)(void* context, const ZIP_ExtractProgress* progress);

}  // namespace kzpzip
