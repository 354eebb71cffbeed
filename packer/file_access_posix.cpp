// The packer's file system calls on Linux.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>

#include "packer/file_access.h"
#include "packer/text_convert.h"

namespace kzppack {
namespace {

namespace fs = std::filesystem;

std::string Reason(int code) { return std::strerror(code); }

// Wine and Samba keep the DOS attributes that Linux has no place for as
// "0x<hex>" in this attribute; only hidden and system come from it (Wine
// takes read-only from the permissions, as we do).
std::uint32_t RecordedAttributes(const fs::path& path) {
  char value[64] = {};
  const ssize_t size = ::getxattr(path.c_str(), "user.DOSATTRIB", value, sizeof value - 1);
  if (size <= 2 || value[0] != '0' || (value[1] != 'x' && value[1] != 'X')) return 0;
  value[size] = '\0';
  const unsigned long bits = std::strtoul(value + 2, nullptr, 16);
  return static_cast<std::uint32_t>(bits) & (kAttributeHidden | kAttributeSystem);
}

// Read-only when no one may write the file, as Wine presents it to Windows
// programs: a file that its group or others may write is one that someone
// may change, which Windows' read-only attribute would forbid to all. A
// name that starts with a dot is no reason to hide a file (Wine hides such
// files unless told otherwise, but a Linux author's ".config" is an
// ordinary file to the package).
std::uint32_t AttributesOf(const fs::path& path, const struct stat& info) {
  std::uint32_t attributes = RecordedAttributes(path);
  if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) attributes |= kAttributeReadOnly;
  return attributes;
}

}  // namespace

void ListFolder(const fs::path& folder, std::vector<FolderItem>& items,
                std::vector<std::string>& problems) {
  std::error_code error;
  fs::recursive_directory_iterator it(folder, error), end;
  if (error) problems.push_back(PathToUtf8(folder) + ": error: " + error.message());
  for (; !error && it != end; it.increment(error)) {
    const fs::directory_entry& entry = *it;
    FolderItem item;
    item.path = entry.path();
    // Lexical: relative() would resolve a link to what it points to.
    item.name = entry.path().lexically_relative(folder).generic_string();
    struct stat info {};
    if (::lstat(entry.path().c_str(), &info) != 0) {
      problems.push_back(PathToUtf8(entry.path()) + ": error: cannot read its times");
      continue;
    }
    if (S_ISLNK(info.st_mode)) {
      item.kind = ItemKind::kLink;
    } else if (S_ISDIR(info.st_mode)) {
      item.kind = ItemKind::kFolder;
      std::error_code ignored;
      item.empty = fs::is_empty(entry.path(), ignored);
    } else if (!S_ISREG(info.st_mode)) {
      item.kind = ItemKind::kOther;
    }
    item.size = static_cast<std::uint64_t>(info.st_size);
    item.modified = info.st_mtime;
    item.attributes = AttributesOf(entry.path(), info);
    items.push_back(std::move(item));
  }
  if (error) problems.push_back(PathToUtf8(folder) + ": error: " + error.message());
}

PathKind KindOf(const fs::path& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return PathKind::kMissing;
  return S_ISDIR(info.st_mode) ? PathKind::kFolder : PathKind::kFile;
}

fs::path FullPath(const fs::path& path) {
  std::error_code error;
  const fs::path absolute = fs::absolute(path, error);
  const fs::path canonical = fs::weakly_canonical(absolute, error);
  return error ? absolute.lexically_normal() : canonical;
}

bool IsSameOrBelow(const fs::path& inner, const fs::path& outer) {
  const std::string relative = inner.lexically_relative(outer).generic_string();
  return !relative.empty() && (relative == "." || relative.rfind("..", 0) != 0);
}

bool ToLocalTime(std::int64_t seconds, std::tm& parts) {
  const std::time_t moment = static_cast<std::time_t>(seconds);
  return localtime_r(&moment, &parts) != nullptr;
}

InputFile::~InputFile() { Close(); }

bool InputFile::Open(const fs::path& path, std::string& error) {
  Close();
  name_ = PathToUtf8(path);
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    error = name_ + ": " + Reason(errno);
    return false;
  }
  handle_ = fd;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    error = name_ + ": not a regular file";
    Close();
    return false;
  }
  // Non-blocking only so that opening a pipe cannot hang; plain files
  // read the same either way.
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return true;
}

bool InputFile::Read(std::uint8_t* buffer, std::size_t capacity, std::size_t& got,
                     std::string& error) {
  got = 0;
  for (;;) {
    const ssize_t result = ::read(static_cast<int>(handle_), buffer, capacity);
    if (result < 0 && errno == EINTR) continue;
    if (result < 0) {
      error = name_ + ": cannot read: " + Reason(errno);
      return false;
    }
    got = static_cast<std::size_t>(result);
    return true;
  }
}

bool InputFile::ReadAt(std::uint64_t offset, std::uint8_t* buffer, std::size_t size,
                       std::size_t& got, std::string& error) {
  got = 0;
  while (got < size) {
    const ssize_t result = ::pread(static_cast<int>(handle_), buffer + got, size - got,
                                   static_cast<off_t>(offset + got));
    if (result < 0 && errno == EINTR) continue;
    if (result < 0) {
      error = name_ + ": cannot read: " + Reason(errno);
      return false;
    }
    if (result == 0) break;
    got += static_cast<std::size_t>(result);
  }
  return true;
}

bool InputFile::Size(std::uint64_t& size, std::string& error) const {
  struct stat info {};
  if (::fstat(static_cast<int>(handle_), &info) != 0) {
    error = name_ + ": " + Reason(errno);
    return false;
  }
  size = static_cast<std::uint64_t>(info.st_size);
  return true;
}

void InputFile::Close() {
  if (handle_ >= 0) ::close(static_cast<int>(handle_));
  handle_ = -1;
}

TemporaryOutput::TemporaryOutput(const fs::path& output) : output_(output) {
  const fs::path folder = output.has_parent_path() ? output.parent_path() : fs::path(".");
  std::string pattern = (folder / ("." + output.filename().string() + ".kzppack-XXXXXX")).string();
  const int fd = ::mkstemp(&pattern[0]);
  if (fd < 0) {
    createError_ = PathToUtf8(folder) + ": cannot create a file here: " + Reason(errno);
    return;
  }
  handle_ = fd;
  path_ = pattern;
}

TemporaryOutput::~TemporaryOutput() {
  if (handle_ >= 0) ::close(static_cast<int>(handle_));
  if (!path_.empty() && !committed_) ::unlink(path_.c_str());
}

bool TemporaryOutput::Created(std::string& error) const {
  if (handle_ < 0 && !committed_) error = createError_;
  return handle_ >= 0;
}

bool TemporaryOutput::Write(const void* data, std::size_t size, std::string& error) {
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  while (size > 0) {
    const ssize_t written = ::write(static_cast<int>(handle_), bytes, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      error = "cannot write the package: " + Reason(written < 0 ? errno : ENOSPC);
      return false;
    }
    bytes += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

bool TemporaryOutput::WriteAt(std::uint64_t offset, const void* data, std::size_t size,
                              std::string& error) {
  if (::pwrite(static_cast<int>(handle_), data, size, static_cast<off_t>(offset)) !=
      static_cast<ssize_t>(size)) {
    error = "cannot write the package: " + Reason(errno);
    return false;
  }
  return true;
}

bool TemporaryOutput::Truncate(std::uint64_t size, std::string& error) {
  const int fd = static_cast<int>(handle_);
  if (::ftruncate(fd, static_cast<off_t>(size)) != 0 ||
      ::lseek(fd, static_cast<off_t>(size), SEEK_SET) < 0) {
    error = "cannot write the package: " + Reason(errno);
    return false;
  }
  return true;
}

// Executable as a new file would be under the umask.
bool TemporaryOutput::Commit(std::string& error) {
  const int fd = static_cast<int>(handle_);
  handle_ = -1;
  const mode_t mask = ::umask(0);
  ::umask(mask);
  if (::fchmod(fd, 0777 & ~mask) != 0 || ::fsync(fd) != 0) {
    error = "cannot write " + PathToUtf8(path_) + ": " + Reason(errno);
    ::close(fd);
    return false;
  }
  if (::close(fd) != 0) {
    error = "cannot write " + PathToUtf8(path_) + ": " + Reason(errno);
    return false;
  }
  if (::rename(path_.c_str(), output_.c_str()) != 0) {
    error = "cannot rename " + PathToUtf8(path_) + " to " + PathToUtf8(output_) + ": " +
            Reason(errno);
    return false;
  }
  committed_ = true;
  return true;
}

}  // namespace kzppack
