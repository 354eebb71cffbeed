#pragma once

#include <windows.h>

#include <cstdint>

namespace kzpzip {

// Moves the file pointer to an absolute position. Positions are addressed
// with a signed 32-bit seek, so anything from 2 GiB up cannot be reached.
bool SeekTo(HANDLE file, std::uint32_t position);

// Reads up to size bytes at the current position; answers false only when
// ReadFile itself fails. *got receives the byte count (short at end of file).
bool ReadSome(HANDLE file, void* buffer, std::uint32_t size, std::uint32_t* got);

// Reads exactly size bytes at the current position.
bool ReadExact(HANDLE file, void* buffer, std::uint32_t size);

}  // namespace kzpzip
