#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kzpzip {

// Reads the central directory front to back in large pieces, so that loading
// costs a few file reads per 64 KiB of records rather than several per
// record. Each piece is read right after a seek to where the previous one
// ended, since local-header checks move the shared file pointer in between.
class CKzpDirectoryReader {
 public:
  CKzpDirectoryReader(HANDLE file, std::uint32_t position);

  // Copies the next size bytes; false when the file ends first or a seek or
  // read fails. Throws std::bad_alloc when the buffer cannot be had.
  bool Read(std::uint8_t* out, std::size_t size);
  // The file position of the next byte Read would copy.
  std::uint32_t Position() const {
    return nextPosition_ - static_cast<std::uint32_t>(end_ - begin_);
  }

 private:
  bool Refill();

  HANDLE file_;
  std::uint32_t nextPosition_;
  std::vector<std::uint8_t> buffer_;
  std::size_t begin_ = 0;
  std::size_t end_ = 0;
};

}  // namespace kzpzip
