#include "archive/local_header_window.h"

#include <algorithm>

#include "archive/file_io.h"
#include "archive/zip_result.h"

namespace kzpzip {

int CKzpLocalHeaderWindow::View(std::uint32_t offset, std::uint32_t length,
                                std::uint32_t readAhead, const std::uint8_t** bytes) {
  const bool inside = offset >= start_ && offset - start_ <= size_ &&
                      length <= size_ - (offset - start_);
  if (!inside) {
    const std::uint32_t want = std::max(length, readAhead);
    if (buffer_.size() < want) buffer_.resize(want);
    size_ = 0;
    if (!SeekTo(file_, offset)) return ZIP_E_SEEK;
    std::uint32_t got = 0;
    if (!ReadSome(file_, buffer_.data(), want, &got)) return ZIP_E_BAD_ARCHIVE;
    start_ = offset;
    size_ = got;
    if (got < length) return ZIP_E_BAD_ARCHIVE;
  }
  *bytes = buffer_.data() + (offset - start_);
  return ZIP_OK;
}

}  // namespace kzpzip
