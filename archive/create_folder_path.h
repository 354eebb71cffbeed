#pragma once

namespace kzpzip {

// Creates a folder and every missing folder above it. The path must start
// with a drive letter, a colon and a separator (UNC and relative paths are
// refused) and fit a MAX_PATH buffer. True when a folder exists there
// afterwards; a file of that name does not count.
bool CreateFolderPath(const wchar_t* path);

}  // namespace kzpzip
