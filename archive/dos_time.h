#pragma once

#include <windows.h>

#include <cstdint>

namespace kzpzip {

// A DOS stamp (local clock time) as UTC file time, converted with the
// time-zone rules that held in the stamp's own year and season: summer time
// or not, and the dates on which it began and ended that year. False when
// the stamp names no valid time.
bool DosTimeToFileTime(std::uint32_t dosDate, std::uint32_t dosTime, FILETIME* utc);

}  // namespace kzpzip
