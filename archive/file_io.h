#pragma once

#include <windows.h>

#include <cstdint>

namespace kzpzip {

// Positions are addressed as signed 32-bit values, so anything from 2 GiB
// up cannot be reached.
bool IsReachable(std::uint32_t position);

// Moves the file pointer to an absolute position (reachable ones only).
bool SeekTo(HANDLE file, std::uint32_t position);

// Reads up to size bytes at the current position; answers false only when
// ReadFile itself fails. *got receives the byte count (short at end of file).
bool ReadSome(HANDLE file, void* buffer, std::uint32_t size, std::uint32_t* got);

// Reads exactly size bytes at the current position.
bool ReadExact(HANDLE file, void* buffer, std::uint32_t size);

// Reads exactly size bytes at an absolute (reachable) position. The read
// carries its own position, so threads that share the handle cannot move
// each other's reads; the file pointer is left wherever the last read ended
// and means nothing.
bool ReadExactAt(HANDLE file, std::uint32_t position, void* buffer, std::uint32_t size);

}  // namespace kzpzip
