#pragma once

#include <filesystem>
#include <optional>

// What the stub's own archive code says of a file, where this build has it:
// the Windows build links the stub's ZIP_File; the Linux build has none,
// and answers nothing.
// The result of ZIP_File::Open, read-only.
std::optional<int> StubOpenResult(const std::filesystem::path& package);
// The result of opening the file and extracting everything into folder.
std::optional<int> StubExtractResult(const std::filesystem::path& package,
                                     const std::filesystem::path& folder);
