#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace kzpzip {

// Serves the local headers that opening checks from one window of file
// bytes. Members are usually stored in directory order, so after a small
// member the next local header lies a few bytes further on: reading ahead
// past small members turns a seek and a read per entry into one read per
// 64 KiB of archive. Behind a large member only the header itself is read.
class CKzpLocalHeaderWindow {
 public:
  explicit CKzpLocalHeaderWindow(HANDLE file) : file_(file) {}

  // Points *bytes at length bytes from offset. readAhead asks for that many
  // bytes to be read when the window must move (at least length). Answers
  // ZIP_OK, ZIP_E_SEEK when the offset cannot be reached, or
  // ZIP_E_BAD_ARCHIVE when the file ends first or the read fails. Throws
  // std::bad_alloc when the buffer cannot be had.
  int View(std::uint32_t offset, std::uint32_t length, std::uint32_t readAhead,
           const std::uint8_t** bytes);

 private:
  HANDLE file_;
  std::vector<std::uint8_t> buffer_;
  std::uint32_t start_ = 0;  // file offset of buffer_[0]
  std::uint32_t size_ = 0;   // bytes of buffer_ that hold file data
};

}  // namespace kzpzip
