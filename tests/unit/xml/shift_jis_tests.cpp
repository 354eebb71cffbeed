#include <gtest/gtest.h>

#include <windows.h>

#include <clocale>
#include <ostream>
#include <cstdlib>
#include <string>

#include "xml/shift_jis_encoding.h"
#include "xml_test_helpers.h"

namespace {

std::string ShiftJisDocument(const std::string& encoding, const std::string& content) {
  return "<?xml version='1.0' encoding='" + encoding + "'?><r a='" + content + "'>" + content +
         "</r>";
}

// The text of <r> after parsing; "<failed>" when Parse answers 5.
std::wstring ParsedText(const std::string& document) {
  CKzpXMLReader reader;
  if (ParseText(reader, document) != 0) return L"<failed>";
  const CKzpXMLNode* r = reader.GetRoot()->GetFirstChild();
  const CKzpXMLNode* text = r->GetFirstChild();
  EXPECT_STREQ(r->GetAttribute(L"a"), text != nullptr ? text->GetText() : L"");
  return text != nullptr && text->GetText() != nullptr ? text->GetText() : L"";
}

// Under the registrations with a Windows locale, proves that the locale took
// effect, so that the decoding tests below really ran under it.
TEST(ShiftJisUnderLocale, RunsUnderTheExpectedCodePage) {
  const char* expected = std::getenv("KZP_EXPECT_ACP");
  if (expected == nullptr) GTEST_SKIP() << "no locale asked for";
  EXPECT_EQ(GetACP(), static_cast<UINT>(std::atoi(expected)));
  CKzpXMLReader reader;  // sets the C runtime locale to the user's default
  const std::string locale = std::setlocale(LC_ALL, nullptr);
  EXPECT_EQ(locale.substr(locale.rfind('.') + 1), expected) << locale;
}

struct DecodeCase {
  const char* name;
  std::string encoding;
  std::string content;
  std::wstring text;
};

void PrintTo(const DecodeCase& c, std::ostream* os) { *os << c.name; }

class ShiftJisDecodeTest : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(ShiftJisDecodeTest, DecodesIndependentlyOfTheLocale) {
  EXPECT_EQ(ParsedText(ShiftJisDocument(GetParam().encoding, GetParam().content)),
            GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    ShiftJis, ShiftJisDecodeTest,
    ::testing::Values(
        DecodeCase{"Hiragana", "Shift_JIS", "\x82\xA0", L"\u3042"},
        DecodeCase{"LowerCaseName", "shift_jis", "\x82\xA0", L"\u3042"},
        DecodeCase{"Ascii", "SHIFT_JIS", "A", L"A"},
        DecodeCase{"HalfWidthKatakana", "Shift_JIS", "\xB1", L"\uFF71"},
        DecodeCase{"ByteA0", "Shift_JIS", "\xA0", L"\uFF60"},
        DecodeCase{"Kanji", "Shift_JIS", "\x93\xFA\x96\x7B", L"\u65E5\u672C"},
        DecodeCase{"SecondByteLooksLikeAscii", "Shift_JIS", "\x83\x5C", L"\u30BD"},
        DecodeCase{"LastLeadByteRange", "Shift_JIS", "\xEA\xA4", L"\u7199"},
        DecodeCase{"OtherName", "SJIS", "\x82\xA0", L"<failed>"},
        DecodeCase{"ByteFF", "Shift_JIS", "\xFF", L"<failed>"},
        DecodeCase{"ControlByte", "Shift_JIS", "\x01", L"<failed>"},
        DecodeCase{"LeadByteAtEnd", "Shift_JIS", "\x82", L"<failed>"},
        DecodeCase{"UnassignedPair", "Shift_JIS", "\x85\x40", L"<failed>"},
        DecodeCase{"LeadWithoutTrail", "Shift_JIS", "\x82\x20", L"<failed>"},
        DecodeCase{"Byte80", "Shift_JIS", "\x80\x41", L"<failed>"}),
    [](const ::testing::TestParamInfo<DecodeCase>& info) { return info.param.name; });

TEST(ShiftJisHandler, DescribesTheByteMapAndRefusesOtherNames) {
  XML_Encoding description = {};
  for (int& entry : description.map) entry = 7;
  EXPECT_EQ(ShiftJisEncodingHandler(nullptr, L"SJIS", &description), 0);
  EXPECT_EQ(ShiftJisEncodingHandler(nullptr, L"SHIFT_JISX", &description), 0);
  EXPECT_EQ(ShiftJisEncodingHandler(nullptr, L"SHIFT_JI", &description), 0);
  EXPECT_EQ(description.map[0x41], 7);
  EXPECT_EQ(description.convert, nullptr);

  ASSERT_EQ(ShiftJisEncodingHandler(nullptr, L"sHiFt_JiS", &description), 1);
  EXPECT_EQ(description.convert, &ShiftJisConvert);
  EXPECT_EQ(description.data, nullptr);
  EXPECT_EQ(description.release, nullptr);
  for (int b = 0; b < 256; ++b) {
    int expected = b;
    if (b <= 0x08 || (b >= 0x10 && b <= 0x1F) || b == 0xFF) expected = -1;
    if ((b >= 0x80 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFE)) expected = -2;
    if (b >= 0xA0 && b <= 0xDF) expected = b + 0xFEC0;
    EXPECT_EQ(description.map[b], expected) << "byte " << b;
  }
}

}  // namespace
