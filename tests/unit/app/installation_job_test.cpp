#include "app/installation_job.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct InsideCase {
  const wchar_t* path;
  const wchar_t* folder;
  bool inside;
};

void PrintTo(const InsideCase& c, std::ostream* os) {
  const std::wstring text = std::wstring(c.path) + L" in " + c.folder;
  *os << std::string(text.begin(), text.end());
}

class PathInFolder : public ::testing::TestWithParam<InsideCase> {};

TEST_P(PathInFolder, ComparesWholeComponentsWithoutCase) {
  EXPECT_EQ(PathLiesInFolder(GetParam().path, GetParam().folder), GetParam().inside);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, PathInFolder,
    ::testing::Values(InsideCase{L"C:\\W\\{G}\\setup.exe", L"C:\\W\\{G}", true},
                      InsideCase{L"C:\\W\\{G}", L"C:\\W\\{G}", true},
                      // A current folder ends with a backslash.
                      InsideCase{L"C:\\W\\{G}\\", L"C:\\W\\{G}", true},
                      InsideCase{L"c:\\w\\{g}\\SUB\\A.EXE", L"C:\\W\\{G}\\", true},
                      InsideCase{L"C:\\W\\{G}x\\setup.exe", L"C:\\W\\{G}", false},
                      InsideCase{L"C:\\W", L"C:\\W\\{G}", false},
                      InsideCase{L"D:\\W\\{G}\\setup.exe", L"C:\\W\\{G}", false},
                      InsideCase{L"", L"C:\\W\\{G}", false},
                      InsideCase{L"C:\\W\\{G}\\setup.exe", L"", false}));

}  // namespace
