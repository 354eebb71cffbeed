#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kzpzip {

// Tells whether the entries of one archive may be extracted in any order:
// that holds when no two of them can reach the same file, and no file is
// made where another entry needs a folder. Names are added one by one, as
// they are checked; folder entries end with a separator.
//
// Names are compared as the file system would: without regard to case,
// either separator, empty and "." levels dropped, trailing dots and blanks
// of a level ignored. A level holding a '~' may be another file's short
// name and counts as a possible overlap. Names are kept as 64-bit hashes,
// 8 bytes a name and folder level; two names whose hashes collide count as
// overlapping, so a collision can only cost speed, never order.
class CKzpTargetOverlap {
 public:
  void Add(const wchar_t* name);
  // True when some order between the names added so far may matter.
  bool Found();

 private:
  void AddFolder(std::uint64_t path, std::size_t depth);

  std::vector<std::uint64_t> files_;
  std::vector<std::uint64_t> folders_;
  std::vector<std::uint64_t> lastFolders_;  // the previous name's levels
  std::wstring folded_;
  bool found_ = false;
};

}  // namespace kzpzip
