#pragma once

#include <filesystem>
#include <ostream>
#include <vector>

#include "packer/package_check.h"

namespace kzppack {

// Lists the package's entries (read with libzip) and shows the package as
// the stub shows it, in each of its languages. False when the package
// cannot be read; what keeps the stub from reading its files goes to
// findings.
bool InspectPackage(const std::filesystem::path& package, int codePage, std::ostream& out,
                    std::vector<Finding>& findings, std::string& error);

}  // namespace kzppack
