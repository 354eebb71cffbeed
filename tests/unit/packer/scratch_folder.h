#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "packer/zip_writer.h"

// A fresh folder under the system's temporary folder, for tests that both
// builds run; removed with everything in it.
class ScratchFolder {
 public:
  ScratchFolder() {
    static std::atomic<unsigned> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    path_ = std::filesystem::temp_directory_path() /
            ("kzppack-unit-" + std::to_string(stamp) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(path_);
  }
  ~ScratchFolder() { RemoveTree(path_); }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // Relative paths are UTF-8 on both builds.
  std::filesystem::path operator/(const std::string& relative) const {
    return path_ / std::filesystem::u8path(relative);
  }

  std::filesystem::path Write(const std::string& relative, const kzppack::Bytes& bytes) const {
    const std::filesystem::path file = *this / relative;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return file;
  }

 private:
  // Deepest first. On Windows each path goes in the form Win32 takes as it
  // is: a folder "dir " that an extraction made would be "dir" to it as
  // the last level of a path (so folders are listed with a separator
  // after them, and removed through "\\?\").
  static void RemoveTree(const std::filesystem::path& path) {
    std::error_code ignored;
    std::filesystem::path literal = path;
    if constexpr (std::filesystem::path::preferred_separator == L'\\') {
      literal = L"\\\\?\\" + std::filesystem::absolute(path).make_preferred().wstring();
    }
    // A link is removed as the link it is, never followed: a test's link
    // to "/tmp" must not empty /tmp.
    const std::filesystem::file_status status = std::filesystem::symlink_status(literal, ignored);
    if (std::filesystem::is_symlink(status)) {
      std::filesystem::remove(literal, ignored);
      return;
    }
    std::filesystem::permissions(literal, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    if (std::filesystem::is_directory(status)) {
      std::vector<std::filesystem::path> items;
      for (auto it = std::filesystem::directory_iterator(path / "", ignored);
           !ignored && it != std::filesystem::directory_iterator(); it.increment(ignored)) {
        items.push_back(path / it->path().filename());
      }
      for (const auto& item : items) RemoveTree(item);
    }
    std::filesystem::remove(literal, ignored);
  }

  std::filesystem::path path_;
};
