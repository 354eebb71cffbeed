#include "archive/file_spans.h"

#include <gtest/gtest.h>

#include <ostream>
#include <vector>

namespace {

using kzpzip::ZipFileSpan;

struct SpansCase {
  const char* name;
  std::vector<ZipFileSpan> spans;
  std::uint64_t limit;
  bool apart;
};

void PrintTo(const SpansCase& c, std::ostream* os) { *os << c.name; }

class FileSpans : public ::testing::TestWithParam<SpansCase> {};

TEST_P(FileSpans, FitApartOnlyWithoutSharedBytes) {
  std::vector<ZipFileSpan> spans = GetParam().spans;
  EXPECT_EQ(kzpzip::SpansFitApart(spans, GetParam().limit), GetParam().apart);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, FileSpans,
    ::testing::Values(
        SpansCase{"Adjacent", {{100, 150}, {150, 200}, {200, 222}}, 222, true},
        SpansCase{"OutOfOrderButApart", {{200, 222}, {100, 150}, {150, 200}}, 300, true},
        SpansCase{"GapsAllowed", {{40, 50}, {90, 100}}, 100, true},
        SpansCase{"SharedFirstByte", {{100, 150}, {100, 150}}, 300, false},
        SpansCase{"OneByteOverlap", {{100, 151}, {150, 200}}, 300, false},
        SpansCase{"NestedAfterALongOne", {{0, 1000}, {10, 20}, {2000, 2001}}, 3000, false},
        SpansCase{"OverlapFoundAfterSorting", {{500, 600}, {100, 510}}, 1000, false},
        SpansCase{"EndsPastTheLimit", {{100, 150}, {150, 201}}, 200, false},
        SpansCase{"BeyondFourGiB", {{100, 0x100000010ull}}, 0xFFFFFFFFull, false}),
    [](const ::testing::TestParamInfo<SpansCase>& info) { return std::string(info.param.name); });

}  // namespace
