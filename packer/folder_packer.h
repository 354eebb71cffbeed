#pragma once

#include <filesystem>
#include <string>

#include "packer/zip_writer.h"

namespace kzppack {

struct FolderPackOptions {
  std::filesystem::path stub;     // the stub program that goes first
  std::filesystem::path folder;   // every file below it becomes an entry
  std::filesystem::path output;   // the package to write
  std::uint16_t method = kMethodDeflated;
};

// Packs a folder behind the stub: every file below it, sorted by relative
// name, named with forward slashes; empty folders as "name/" entries. The
// stub reads entry names in the system's ANSI code page and addresses its own
// file with signed 32-bit positions, so names must be plain ASCII and the
// package must stay below 2 GiB. Returns an empty string on success, else a
// message that says what is wrong.
std::string PackFolder(const FolderPackOptions& options);

}  // namespace kzppack
