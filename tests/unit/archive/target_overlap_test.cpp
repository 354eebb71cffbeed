#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "archive/target_overlap.h"

namespace {

struct OverlapCase {
  const char* label;
  std::vector<std::wstring> names;
  bool found;
};

void PrintTo(const OverlapCase& c, std::ostream* os) { *os << c.label; }

class TargetOverlap : public ::testing::TestWithParam<OverlapCase> {};

TEST_P(TargetOverlap, FindsNamesThatReachTheSameFile) {
  kzpzip::CKzpTargetOverlap overlap;
  for (const std::wstring& name : GetParam().names) overlap.Add(name.c_str());
  EXPECT_EQ(overlap.Found(), GetParam().found);
}

INSTANTIATE_TEST_SUITE_P(
    Names, TargetOverlap,
    ::testing::Values(
        OverlapCase{"DistinctFilesAndTheirFolders", {L"d/", L"d/a.txt", L"d/e/b", L"a.txt"}, false},
        OverlapCase{"FolderNamedTwice", {L"d/", L"d\\", L"d/x"}, false},
        OverlapCase{"SameNameInOtherCase", {L"a.txt", L"A.TXT"}, true},
        OverlapCase{"OtherSeparator", {L"d/x", L"d\\x"}, true},
        OverlapCase{"FileWhereAFolderGoes", {L"x", L"x/y"}, true},
        OverlapCase{"FileAndFolderEntry", {L"x/", L"x"}, true},
        OverlapCase{"TrailingDotsAndBlanks", {L"n.txt", L"n.txt. "}, true},
        OverlapCase{"DotAndEmptyLevels", {L"a/./b", L"a//b/"}, true},
        OverlapCase{"PossibleShortName", {L"LONGNA~1.TXT", L"other.txt"}, true},
        OverlapCase{"AccentedLetterInOtherCase", {L"d/\u00E9t\u00E9.txt", L"D/\u00C9T\u00C9.txt"},
                    true},
        OverlapCase{"AccentedLettersThatDiffer", {L"\u00E9.txt", L"\u00E8.txt"}, false}),
    [](const ::testing::TestParamInfo<OverlapCase>& info) { return std::string(info.param.label); });

}  // namespace
