#pragma once

#include <cstdint>
#include <vector>

namespace kzpzip {

// The bytes [begin, end) of the file that one part of the archive occupies:
// a member (its local header and data), the central directory or the end
// record. 64-bit, so that an offset plus a declared size cannot wrap.
struct ZipFileSpan {
  std::uint64_t begin = 0;
  std::uint64_t end = 0;
};

// True when no two spans share a byte and every span ends at or before
// limit. Members that share bytes (several records naming one local header,
// or one member's data holding another's header) let a small file decode to
// any size, so such an archive is refused as a whole. Sorts the spans:
// O(n log n), nothing more when they already come in file order.
bool SpansFitApart(std::vector<ZipFileSpan>& spans, std::uint64_t limit);

}  // namespace kzpzip
