#include "archive/file_spans.h"

#include <algorithm>

namespace kzpzip {

bool SpansFitApart(std::vector<ZipFileSpan>& spans, std::uint64_t limit) {
  auto byBegin = [](const ZipFileSpan& a, const ZipFileSpan& b) { return a.begin < b.begin; };
  // Writers lay members out in directory order: usually already sorted.
  if (!std::is_sorted(spans.begin(), spans.end(), byBegin)) {
    std::sort(spans.begin(), spans.end(), byBegin);
  }
  std::uint64_t covered = 0;  // end of the spans seen so far
  for (const ZipFileSpan& span : spans) {
    if (span.begin < covered || span.end > limit) return false;
    covered = span.end;
  }
  return true;
}

}  // namespace kzpzip
