// Entry times from SOURCE_DATE_EPOCH, worked out without the C runtime so
// that both builds write the same DOS date and time.
#include <gtest/gtest.h>

#include <ostream>

#include "packer/package_build.h"
#include "packer/zip_writer.h"

namespace kzppack {
namespace {

struct TimeCase {
  std::int64_t seconds;
  int year, month, day, hour, minute, second;
};

void PrintTo(const TimeCase& c, std::ostream* os) { *os << c.seconds; }

class DosTimeInUtc : public ::testing::TestWithParam<TimeCase> {};

TEST_P(DosTimeInUtc, CalendarFields) {
  const TimeCase& c = GetParam();
  std::uint16_t date = 0;
  std::uint16_t time = 0;
  ToDosTime(c.seconds, true, date, time);
  EXPECT_EQ(date, DosDate(c.year, c.month, c.day));
  EXPECT_EQ(time, DosTime(c.hour, c.minute, c.second));
}

INSTANTIATE_TEST_SUITE_P(
    Moments, DosTimeInUtc,
    ::testing::Values(TimeCase{-86400, 1980, 1, 1, 0, 0, 0},        // before 1980: its start
                      TimeCase{315532799, 1980, 1, 1, 0, 0, 0},
                      TimeCase{315532800, 1980, 1, 1, 0, 0, 0},
                      TimeCase{951825599, 2000, 2, 29, 11, 59, 59},  // a leap day, odd second
                      TimeCase{1700000000, 2023, 11, 14, 22, 13, 20},
                      TimeCase{4107542399, 2100, 2, 28, 23, 59, 59},  // 2100 has no 29 February
                      TimeCase{4354819199, 2107, 12, 31, 23, 59, 58},
                      TimeCase{4354819200, 2107, 12, 31, 23, 59, 58}));  // past 2107: its end

}  // namespace
}  // namespace kzppack
