#pragma once

#include <windows.h>

#include <cstdint>

#include "archive/directory_rules.h"  // IsReachable

namespace kzpzip {

// Moves the file pointer to an absolute position (reachable ones only).
bool SeekTo(HANDLE file, std::uint32_t position);

// Reads up to size bytes at the current position; answers false only when
// ReadFile itself fails. *got receives the byte count (short at end of file).
bool ReadSome(HANDLE file, void* buffer, std::uint32_t size, std::uint32_t* got);

// Reads exactly size bytes at the current position.
bool ReadExact(HANDLE file, void* buffer, std::uint32_t size);

// Reads exactly size bytes at an absolute (reachable) position. The seek
// and the read are one step for all callers, so threads that share a handle
// cannot move each other's reads, and none depends on where the handle's
// file pointer was left.
bool ReadExactAt(HANDLE file, std::uint32_t position, void* buffer, std::uint32_t size);

}  // namespace kzpzip
