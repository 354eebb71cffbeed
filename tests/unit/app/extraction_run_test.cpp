#include "app/extraction_run.h"

#include <gtest/gtest.h>

#include <commctrl.h>

namespace {

// Exactly as many bytes free as required is not enough.
TEST(ExtractionRun, NeedsStrictlyMoreFreeSpaceThanRequired) {
  EXPECT_FALSE(HasEnoughSpace(5, 5));
  EXPECT_TRUE(HasEnoughSpace(6, 5));
  EXPECT_TRUE(HasEnoughSpace(1, 0));
  EXPECT_FALSE(HasEnoughSpace(0, 0)) << "a failed free-space query counts as 0 bytes";
  EXPECT_TRUE(HasEnoughSpace(0x100000000ull, 0xFFFFFFFFull)) << "compared as 64-bit numbers";
  EXPECT_FALSE(HasEnoughSpace(0xFFFFFFFFull, 0x100000000ull));
}

// The bar shows the share of entries begun, truncated, and the run is never
// stopped from here.
TEST(ExtractionRun, ProgressMovesTheBarAndNeverStops) {
  HWND bar = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_POPUP, 0, 0, 100, 10, nullptr, nullptr,
                             nullptr, nullptr);
  ASSERT_NE(bar, nullptr);
  const wchar_t path[] = L"C:\\x";
  for (auto [current, total, expected] : {std::tuple{1u, 3u, 33}, std::tuple{2u, 3u, 66},
                                          std::tuple{3u, 4u, 75}, std::tuple{4u, 4u, 100}}) {
    const kzpzip::ZIP_ExtractProgress progress{current, total, path};
    EXPECT_EQ(ReportExtractionProgress(bar, &progress), 1);
    EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), expected);
  }
  const kzpzip::ZIP_ExtractProgress progress{1, 4, path};
  EXPECT_EQ(ReportExtractionProgress(nullptr, &progress), 1) << "silent runs have no bar";
  DestroyWindow(bar);
}

}  // namespace
