#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kzpzip {

// Makes, on the calling thread, the folders that an entry's target path
// needs before the entry goes to a worker, and notes the ones it made, so
// that the folders made for entries after a failed one can be removed
// again. Entries come in directory order, so a folder is noted for the
// first entry that needs it.
class CKzpFoldersAhead {
 public:
  // One folder made: the entry it was made for, and the length of that
  // entry's target path up to the folder's name and the separator behind
  // it, which names the folder as the target path does.
  struct Made {
    std::uint32_t index;
    std::uint32_t length;
  };

  // destinationLength: the length of the destination folder's path, which
  // exists; every target path goes on with a backslash after it.
  explicit CKzpFoldersAhead(std::size_t destinationLength) : destinationLength_(destinationLength) {}

  // target: the entry's complete target path, length characters; a folder
  // entry's ends with a separator. Makes every missing level of its folder
  // part (a folder entry's whole path), stopping at the first level that
  // cannot be made: the entry itself then meets that failure. Throws
  // std::bad_alloc.
  void Make(wchar_t* target, std::size_t length, std::uint32_t index);

  // In the order they were made.
  const std::vector<Made>& made() const { return made_; }

 private:
  std::size_t destinationLength_;
  std::wstring lastFolder_;  // the folder part handled last
  std::vector<Made> made_;
};

}  // namespace kzpzip
