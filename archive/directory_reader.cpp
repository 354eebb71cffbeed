#include "archive/directory_reader.h"

#include <algorithm>
#include <cstring>

#include "archive/file_io.h"

namespace kzpzip {

namespace {
constexpr std::uint32_t kPieceSize = 65536;
}

CKzpDirectoryReader::CKzpDirectoryReader(HANDLE file, std::uint32_t position)
    : file_(file), nextPosition_(position) {}

bool CKzpDirectoryReader::Read(std::uint8_t* out, std::size_t size) {
  while (size > 0) {
    if (begin_ == end_ && !Refill()) return false;
    std::size_t n = std::min(size, end_ - begin_);
    std::memcpy(out, buffer_.data() + begin_, n);
    begin_ += n;
    out += n;
    size -= n;
  }
  return true;
}

bool CKzpDirectoryReader::Refill() {
  if (buffer_.empty()) buffer_.resize(kPieceSize);
  std::uint32_t got = 0;
  if (!SeekTo(file_, nextPosition_) || !ReadSome(file_, buffer_.data(), kPieceSize, &got) ||
      got == 0) {
    return false;
  }
  nextPosition_ += got;
  begin_ = 0;
  end_ = got;
  return true;
}

}  // namespace kzpzip
