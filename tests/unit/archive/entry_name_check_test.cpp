#include "archive/entry_name_check.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <ostream>
#include <string>

#include "archive/zip_records.h"

namespace {

struct NameCase {
  const wchar_t* name;
  bool safe;
};

void PrintTo(const NameCase& c, std::ostream* os) {
  *os << '"' << std::string(c.name, c.name + std::wcslen(c.name)) << '"';
}

class EntryNameCheck : public ::testing::TestWithParam<NameCase> {};

TEST_P(EntryNameCheck, KeepsNamesInsideTheFolder) {
  EXPECT_EQ(kzpzip::IsSafeEntryName(GetParam().name), GetParam().safe) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Names, EntryNameCheck,
    ::testing::Values(NameCase{L"a.txt", true}, NameCase{L"dir/", true},
                      NameCase{L"dir\\", true}, NameCase{L"sub/a.txt", true},
                      NameCase{L"x\\y/z.txt", true}, NameCase{L"a..b", true},
                      NameCase{L"..a/b", true}, NameCase{L".hidden", true},
                      NameCase{L"./a", true}, NameCase{L"a//b", true},
                      NameCase{L"../x", false}, NameCase{L"..\\x", false},
                      NameCase{L"a/../../x", false}, NameCase{L"a/..", false},
                      NameCase{L"..", false}, NameCase{L"/x", false}, NameCase{L"\\x", false},
                      NameCase{L"C:\\x", false}, NameCase{L"C:x", false},
                      NameCase{L"\\\\server\\x", false}, NameCase{L"a:b", false},
                      NameCase{L"a/b.txt:stream", false}, NameCase{L".../x", false},
                      NameCase{L"a/.. /x", false}, NameCase{L"a/. ./x", false},
                      NameCase{L"con", false}, NameCase{L"docs/NUL.txt", false},
                      NameCase{L"Com1", false}, NameCase{L"lpt9.log/x", false},
                      NameCase{L"aux /x", false}, NameCase{L"console.txt", true},
                      NameCase{L"com10", true}, NameCase{L"com0", true},
                      NameCase{L"nulls/a", true}, NameCase{L"", false},
                      // Superscript one to three are port digits as well.
                      NameCase{L"COM\u00B9", false}, NameCase{L"com\u00B2.txt", false},
                      NameCase{L"a/Com\u00B3/b", false}, NameCase{L"LPT\u00B9", false},
                      NameCase{L"lpt\u00B2 .log", false}, NameCase{L"LPT\u00B3/x", false},
                      NameCase{L"COM\u2074", true}, NameCase{L"LPT\u00B9\u00B9", true}));

TEST(EntryNameCheckNull, RefusesNoName) { EXPECT_FALSE(kzpzip::IsSafeEntryName(nullptr)); }

struct ScanCase {
  std::string window;
  std::size_t expected;
};

void PrintTo(const ScanCase& c, std::ostream* os) { *os << c.window.size() << "-byte window"; }

class EndSignatureScan : public ::testing::TestWithParam<ScanCase> {};

TEST_P(EndSignatureScan, FindsTheOccurrenceNearestTheEnd) {
  const std::string& window = GetParam().window;
  EXPECT_EQ(kzpzip::FindLastEndSignature(reinterpret_cast<const std::uint8_t*>(window.data()),
                                         window.size()),
            GetParam().expected);
}

const std::string kSig("PK\x05\x06", 4);

INSTANTIATE_TEST_SUITE_P(
    Windows, EndSignatureScan,
    ::testing::Values(ScanCase{"", kzpzip::kNoEndSignature},
                      ScanCase{"PK\x05", kzpzip::kNoEndSignature},
                      ScanCase{kSig, 0}, ScanCase{"abc" + kSig, 3},
                      ScanCase{kSig + "xx" + kSig + "tail", 6},
                      ScanCase{"ab" + kSig.substr(0, 3), kzpzip::kNoEndSignature},
                      ScanCase{"PK\x05\x05PK\x06\x05", kzpzip::kNoEndSignature}));

TEST(RecordFields, DecodeLittleEndian) {
  const std::uint8_t bytes[] = {0x34, 0x12, 0x78, 0x56, 0xFF};
  EXPECT_EQ(kzpzip::ReadU16(bytes), 0x1234u);
  EXPECT_EQ(kzpzip::ReadU32(bytes + 1), 0xFF567812u);
}

}  // namespace
