#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

// The packer's calls to the file system, one implementation per platform:
// POSIX in the Linux build (file_access_posix.cpp), Win32 in the Windows
// build (file_access_win32.cpp), which reaches every path through its
// "\\?\" form, so that folders deeper than 260 characters are read too.
// Messages name paths in UTF-8; the reasons for common failures read the
// same on both builds ("No such file or directory", "Permission denied",
// "No space left on device").
namespace kzppack {

// The DOS attribute bits that a package's entries carry.
constexpr std::uint32_t kAttributeReadOnly = 0x01;
constexpr std::uint32_t kAttributeHidden = 0x02;
constexpr std::uint32_t kAttributeSystem = 0x04;
constexpr std::uint32_t kAttributeFolder = 0x10;
constexpr std::uint32_t kAttributeArchive = 0x20;

enum class ItemKind { kFile, kFolder, kLink, kOther };

// One file, folder or link below a folder being packed, as this platform
// describes it.
struct FolderItem {
  std::string name;  // below the folder: UTF-8, "/" between levels
  std::filesystem::path path;
  ItemKind kind = ItemKind::kFile;
  bool empty = false;  // a folder with nothing in it
  std::uint64_t size = 0;
  std::int64_t modified = 0;  // seconds since 1970 (UTC), rounded down
  // Read-only, hidden and system: Windows' attributes of the file; on Linux
  // read-only when no one may write it, and hidden or system as Wine and
  // Samba record them in the "user.DOSATTRIB" extended attribute. So a
  // Linux folder gives the same bits as Wine shows Windows programs for it
  // (with Wine's ShowDotFiles set: by default Wine also shows files whose
  // names start with a dot as hidden, which this build does not follow).
  std::uint32_t attributes = 0;
};

// Every item below the folder, in no particular order; links are listed,
// not followed. What cannot be listed goes to problems, one message each
// ("<path>: error: <why>").
void ListFolder(const std::filesystem::path& folder, std::vector<FolderItem>& items,
                std::vector<std::string>& problems);

enum class PathKind { kMissing, kFile, kFolder };
// What the path names, links followed; anything that is not a folder
// counts as a file.
PathKind KindOf(const std::filesystem::path& path);
// The absolute form of a path, with links resolved where the platform
// resolves them; "." and ".." levels removed.
std::filesystem::path FullPath(const std::filesystem::path& path);
// True when inner is outer or lies below it (both full paths), compared as
// the platform's file system compares names.
bool IsSameOrBelow(const std::filesystem::path& inner, const std::filesystem::path& outer);

// Seconds since 1970 as local date and time, under the time zone rules
// that held on that date. False when the platform cannot say.
bool ToLocalTime(std::int64_t seconds, std::tm& parts);

// A file read from the start, or at given offsets; closed by its
// destructor.
class InputFile {
 public:
  InputFile() = default;
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  // Opened for reading alone, shared with programs that write or delete it,
  // so that a file open in another program is read whenever that program
  // allows it. False with a message ("<path>: <why>"); a file that another
  // program keeps to itself, or that is no plain file, gets its own.
  bool Open(const std::filesystem::path& path, std::string& error);
  // Up to capacity bytes from where the last read ended; got 0 at the end.
  bool Read(std::uint8_t* buffer, std::size_t capacity, std::size_t& got, std::string& error);
  // Up to size bytes from offset; got is less only at the end of the file.
  bool ReadAt(std::uint64_t offset, std::uint8_t* buffer, std::size_t size, std::size_t& got,
              std::string& error);
  bool Size(std::uint64_t& size, std::string& error) const;
  void Close();

 private:
  std::intptr_t handle_ = -1;  // a file descriptor, or a Windows HANDLE
  std::string name_;           // for messages
};

// The package being written: a new file beside the output, renamed over it
// once complete. A failed build (a file that cannot be read, a full disk)
// thus leaves the old output as it was, and the destructor removes the
// temporary file.
class TemporaryOutput {
 public:
  explicit TemporaryOutput(const std::filesystem::path& output);
  ~TemporaryOutput();
  TemporaryOutput(const TemporaryOutput&) = delete;
  TemporaryOutput& operator=(const TemporaryOutput&) = delete;

  // False when the file could not be made; the message says why.
  bool Created(std::string& error) const;
  // At the end of what is written so far.
  bool Write(const void* data, std::size_t size, std::string& error);
  // Over bytes already written; the end stays where it was.
  bool WriteAt(std::uint64_t offset, const void* data, std::size_t size, std::string& error);
  // Drops everything from size on; writing goes on there.
  bool Truncate(std::uint64_t size, std::string& error);
  // Flushed to the disk, closed and renamed over the output.
  bool Commit(std::string& error);

 private:
  std::filesystem::path output_;
  std::filesystem::path path_;
  std::intptr_t handle_ = -1;
  std::string createError_;
  bool committed_ = false;
};

}  // namespace kzppack
