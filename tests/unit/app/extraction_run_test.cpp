#include "app/extraction_run.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "app/app_state.h"
#include "app/installer_command.h"
#include "file_bytes.h"
#include "packer/zip_writer.h"
#include "temp_folder.h"

namespace {

// When not 0, the next allocation of exactly this many bytes fails, once.
std::atomic<std::size_t> failingAllocationSize{0};

}  // namespace

// Allocation for this test program, with one failure on request.
void* operator new(std::size_t size) {
  std::size_t failing = failingAllocationSize.load();
  if (failing != 0 && size == failing && failingAllocationSize.compare_exchange_strong(failing, 0)) {
    throw std::bad_alloc();
  }
  if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
  throw std::bad_alloc();
}
// GCC takes the malloc inside the replaced operator new for a mismatch with
// the free here; both replace the library's pair, so they do match.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
#pragma GCC diagnostic pop

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

// Running out of memory while the install command line is built ends the
// run as a failed installation, with the current folder restored and the
// work folder removed as on every other way out.
TEST(ExtractionRun, OutOfMemoryFailsTheInstallAndRemovesTheWorkFolder) {
  CKzpTempFolder scratch;
  const std::wstring temp = scratch / L"temp";
  ASSERT_TRUE(CreateDirectoryW(temp.c_str(), nullptr));
  wchar_t savedTemp[MAX_PATH] = {};
  GetEnvironmentVariableW(L"TMP", savedTemp, MAX_PATH);
  SetEnvironmentVariableW(L"TMP", temp.c_str());
  kzppack::ZipWriter writer(kzppack::Bytes(40000, 0xCC));
  writer.AddFile("package.xml",
                 "<kzp_package version=\"2.0.1.0\"><installation><install>"
                 "<command>setup.exe</command></install></installation></kzp_package>");
  const std::wstring package = scratch / L"package.exe";
  ASSERT_TRUE(WriteFileBytes(package, writer.Finish()));
  ASSERT_EQ(TheApp().archive.Open(package.c_str(), true), kzpzip::ZIP_OK);
  ASSERT_TRUE(TheApp().package.LoadPackage(package.c_str(), L"en"));
  wchar_t before[MAX_PATH] = {};
  wchar_t after[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, before);

  failingAllocationSize = kCommandLineCapacity * sizeof(wchar_t);
  EXPECT_EQ(RunExtraction(nullptr, nullptr, true, true), kInstallFailedExitCode);
  EXPECT_EQ(failingAllocationSize.exchange(0), 0u) << "the command line's buffer was not asked for";
  GetCurrentDirectoryW(MAX_PATH, after);
  EXPECT_STREQ(after, before);
  EXPECT_TRUE(RemoveDirectoryW(temp.c_str())) << "the work folder must be gone";
  TheApp().archive.Close();
  SetEnvironmentVariableW(L"TMP", savedTemp);
}

}  // namespace
