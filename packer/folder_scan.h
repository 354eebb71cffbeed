#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "packer/package_contents.h"

namespace kzppack {

// Limits of what the stub reads.
constexpr std::size_t kMaxEntries = 65535;             // 16-bit counts in the end record
constexpr std::uint64_t kMaxFileSize = 0xFFFFFFFFull;  // 32-bit sizes
constexpr std::size_t kMaxNameUnits = 255;  // "C:\" + "\" + name below 260 characters
// Names longer than this may not fit below a work folder in the user's
// temporary folder (about 90 characters on a typical machine).
constexpr std::size_t kLongNameUnits = 160;

// Every file below the folder (sorted by stored name, "/" separators) and
// every empty folder (as "name/"), with the names encoded for the code page.
// Whatever the stub could not extract as it is in the folder is refused: one
// message per problem, "<file>: error: <why>", in `refusals`.
PackageContents ScanFolder(const std::filesystem::path& folder, int codePage,
                           std::vector<std::string>& refusals);

// The reason the stub would refuse or mangle this name (UTF-8, "/"
// separators, without a folder's closing "/"), or "" when it takes it.
std::string NameProblem(const std::string& utf8Name);

}  // namespace kzppack
