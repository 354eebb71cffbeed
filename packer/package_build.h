#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "packer/package_check.h"

namespace kzppack {

struct BuildOptions {
  std::filesystem::path stub;    // the stub program that goes first
  std::filesystem::path folder;  // every file below it becomes an entry
  std::filesystem::path output;  // the package to write
  bool store = false;            // no compression at all
  int codePage = 0;              // of the entry names and the key text; 0: ASCII only
  bool encryptConfig = false;    // encrypt the files marked encrypt="1"
  bool strict = false;           // warnings stop the build too
  // Seconds since 1970 for every entry's time (SOURCE_DATE_EPOCH), in UTC;
  // without it each file's modification time, in local time.
  std::optional<std::int64_t> sourceDateEpoch;
};

struct BuildResult {
  bool ok = false;
  std::vector<std::string> refusals;  // what the stub could not take
  std::vector<Finding> findings;      // from the check that runs first
  std::string error;                  // what stopped the build otherwise
  std::size_t entries = 0;
  std::uint64_t size = 0;
};

// Checks the folder, then writes the package to a temporary file beside the
// output and renames it into place once it is complete: a failed build never
// leaves a half package under the output's name (nor the temporary file).
BuildResult BuildPackage(const BuildOptions& options);

// "SOURCE_DATE_EPOCH" as a number of seconds; nothing when the text is not
// a plain decimal number.
std::optional<std::int64_t> ParseSourceDateEpoch(const std::string& text);

// DOS date and time of a moment, clamped to 1980..2107.
void ToDosTime(std::int64_t seconds, bool utc, std::uint16_t& date, std::uint16_t& time);

}  // namespace kzppack
