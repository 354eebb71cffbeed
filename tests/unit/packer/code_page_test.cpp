// The code page interface, run by both builds against their own converter
// (iconv on Linux, Windows' tables under Wine): the same bytes, the same
// refusals.
#include "packer/code_page.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "packer/package_archive.h"
#include "packer/package_contents.h"

namespace kzppack {
namespace {

struct EncodeCase {
  const char* name;
  int codePage;
  std::string utf8;
  bool encodes;
  std::string bytes;  // when it encodes
};

void PrintTo(const EncodeCase& c, std::ostream* os) { *os << c.name; }

class CodePageEncode : public ::testing::TestWithParam<EncodeCase> {};

TEST_P(CodePageEncode, ExactFormOrRefusal) {
  const EncodeCase& c = GetParam();
  std::string bytes = "untouched";
  ASSERT_EQ(EncodeForCodePage(c.codePage, c.utf8, bytes), c.encodes);
  if (!c.encodes) return;
  EXPECT_EQ(bytes, c.bytes);
  std::string back;
  ASSERT_TRUE(DecodeFromCodePage(c.codePage, bytes, back));
  EXPECT_EQ(back, c.utf8);
}

INSTANTIATE_TEST_SUITE_P(
    Names, CodePageEncode,
    ::testing::Values(
        EncodeCase{"AsciiEverywhere", kAsciiOnly, "setup/readme.txt", true, "setup/readme.txt"},
        EncodeCase{"AsciiOnlyRefusesAccents", kAsciiOnly, "caf\xC3\xA9", false, ""},
        EncodeCase{"JapaneseIn932", 932, "\xE8\xB3\x87\xE6\x96\x99/\xE8\xA1\xA8.txt", true,
                   "\x8E\x91\x97\xBF/\x95\x5C.txt"},
        EncodeCase{"HalfWidthKatakanaIn932", 932, "\xEF\xBD\xB1", true, "\xB1"},
        EncodeCase{"AccentIn1252", 1252, "caf\xC3\xA9", true, "caf\xE9"},
        EncodeCase{"EuroIn1252", 1252, "\xE2\x82\xAC", true, "\x80"},
        // Best fit would give "a" and "O": another name.
        EncodeCase{"NoBestFitForMacron", 1252, "\xC4\x81", false, ""},
        EncodeCase{"NoBestFitForOmega", 1252, "\xCE\xA9", false, ""},
        EncodeCase{"NoBestFitInOem437", 437, "\xC4\x81", false, ""},
        EncodeCase{"UmlautInOem437", 437, "\xC3\xA4", true, "\x84"},
        EncodeCase{"HangulNotIn932", 932, "\xED\x95\x9C", false, ""},
        EncodeCase{"EuroNotIn932", 932, "\xE2\x82\xAC", false, ""},
        EncodeCase{"ControlC1Refused", 1252, "a\xC2\x81" "b", false, ""},
        EncodeCase{"Utf8PassesThrough", kUtf8CodePage, "\xE4\xB8\x96\xE7\x95\x8C", true,
                   "\xE4\xB8\x96\xE7\x95\x8C"},
        EncodeCase{"InvalidUtf8Refused", 1252, "a\xC3", false, ""},
        EncodeCase{"SurrogateInUtf8Refused", kUtf8CodePage, "\xED\xA0\x80", false, ""}),
    [](const ::testing::TestParamInfo<EncodeCase>& info) { return info.param.name; });

struct DecodeCase {
  const char* name;
  int codePage;
  std::string bytes;
  const char* shown;  // DisplayName
};

void PrintTo(const DecodeCase& c, std::ostream* os) { *os << c.name; }

class CodePageDisplay : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(CodePageDisplay, DecodedWhereItDecodesRawBytesElsewhere) {
  EXPECT_EQ(DisplayName(GetParam().codePage, GetParam().bytes), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Names, CodePageDisplay,
    ::testing::Values(
        DecodeCase{"Japanese", 932, "\x8E\x91\x97\xBF/\x95\x5C.txt",
                   "\xE8\xB3\x87\xE6\x96\x99/\xE8\xA1\xA8.txt"},
        DecodeCase{"JapaneseReadAsAscii", kAsciiOnly, "\x95\x5C.txt", "\\x95\\.txt"},
        DecodeCase{"LoneLeadByteIn932", 932, "a\x82", "a\\x82"},
        DecodeCase{"GoodAroundBadIn932", 932, "\x82\xA0\x80\x82\xA2",
                   "\xE3\x81\x82\\x80\xE3\x81\x84"},
        DecodeCase{"UndefinedIn1252", 1252, "\xE9\x81", "\xC3\xA9\\x81"},
        DecodeCase{"Utf8", kUtf8CodePage, "\xE4\xB8\x96!", "\xE4\xB8\x96!"},
        DecodeCase{"BrokenUtf8", kUtf8CodePage, "\xE4\xB8!", "\\xE4\\xB8!"}),
    [](const ::testing::TestParamInfo<DecodeCase>& info) { return info.param.name; });

TEST(CodePage, KnownAndUnknown) {
  std::string message;
  for (int codePage : {kAsciiOnly, 437, 850, 932, 936, 949, 950, 1250, 1252, 1258, kUtf8CodePage}) {
    EXPECT_TRUE(IsKnownCodePage(codePage, &message)) << codePage;
  }
  EXPECT_FALSE(IsKnownCodePage(77777, &message));
  EXPECT_EQ(message, "code page 77777 is not known here");
  EXPECT_FALSE(IsKnownCodePage(-1, nullptr));
}

// Both builds fold letter case as Windows does for file names: letters
// beyond ASCII too, one character for one (no "SS" for "\u00DF").
TEST(CodePage, UpperCaseNameFoldsAsWindows) {
  EXPECT_EQ(UpperCaseName(L"caf\u00E9 \u00E4\u00F6 \u0437 \u00DF"),
            L"CAF\u00C9 \u00C4\u00D6 \u0417 \u00DF");
  EXPECT_EQ(FoldedName("\xC3\xA4.txt"), FoldedName("\xC3\x84.TXT"));
}

// A name in a code page is looked up as the stub's C runtime compares it:
// byte by byte, each byte folded in that code page.
TEST(CodePage, FindFoldsBytesInTheCodePage) {
  PackageContents contents;
  contents.codePage = 1252;
  PackageEntry entry;
  entry.name = "CAF\xC9.XML";
  contents.entries.push_back(entry);
  StoredName wanted;
  ASSERT_TRUE(EncodeEntryName(1252, "caf\xC3\xA9.xml", wanted));
  EXPECT_NE(contents.Find(wanted), nullptr);
  contents.codePage = kAsciiOnly;  // the bytes alone: only ASCII letters fold
  EXPECT_EQ(contents.Find(StoredName{"caf\xE9.xml", false}), nullptr);
}

}  // namespace
}  // namespace kzppack
