// Long runs of text, which the parser hands over in several pieces: the
// pieces of one run count as one for the text rules, whatever the encoding
// and wherever the cuts fall.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "xml_test_helpers.h"

namespace {

enum class Encoding { kUtf8, kUtf16Le, kUtf16Be, kShiftJis };

// The document "<a>" + text + "</a>" in the given encoding, with a
// byte-order mark for UTF-16. The text must be ASCII for Shift_JIS.
std::string Document(Encoding encoding, const std::u16string& text,
                     const std::u16string& prolog = u"") {
  const std::u16string whole = prolog + u"<a>" + text + u"</a>";
  std::string out;
  switch (encoding) {
    case Encoding::kUtf16Le:
    case Encoding::kUtf16Be: {
      const bool little = encoding == Encoding::kUtf16Le;
      out = little ? std::string("\xFF\xFE", 2) : std::string("\xFE\xFF", 2);
      for (char16_t c : whole) {
        const char low = static_cast<char>(c & 0xFF);
        const char high = static_cast<char>(c >> 8);
        out += little ? low : high;
        out += little ? high : low;
      }
      return out;
    }
    case Encoding::kShiftJis:
      out = "<?xml version='1.0' encoding='Shift_JIS'?>";
      break;
    case Encoding::kUtf8:
      break;
  }
  for (char16_t c : whole) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {  // BMP only: enough for these tests
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::wstring Wide(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }

// The children of the document element, as DescribeChildren shows them.
std::wstring ChildrenOf(const std::string& document, int* result = nullptr) {
  CKzpXMLReader reader;
  const int parsed = ParseText(reader, document);
  if (result != nullptr) *result = parsed;
  if (parsed != 0) return L"(parse failed)";
  return DescribeChildren(reader.GetRoot()->GetFirstChild());
}

class LongTextTest : public ::testing::TestWithParam<Encoding> {};

// A blank right after every possible cut near the parser's buffer size: the
// text stays whole for any length, so no cut position is assumed.
TEST_P(LongTextTest, BlankAfterACutIsKept) {
  for (std::size_t length = 1000; length <= 1100; ++length) {
    const std::u16string text = std::u16string(length, u'x') + u" --exit=9";
    ASSERT_EQ(ChildrenOf(Document(GetParam(), text)), L"#TEXT[" + Wide(text) + L"]")
        << "length " << length;
  }
}

// The rules for line ends, references and a leading blank still hold for
// the run as a whole, also where a line end or reference meets a cut.
TEST_P(LongTextTest, RulesApplyToTheWholeRun) {
  const std::u16string run(1024, u'y');
  EXPECT_EQ(ChildrenOf(Document(GetParam(), u" " + run + u" z")), L"");
  EXPECT_EQ(ChildrenOf(Document(GetParam(), u"\n" + run)), L"");
  EXPECT_EQ(ChildrenOf(Document(GetParam(), run + u"\n  two")), L"#TEXT[" + Wide(run) + L"]");
  EXPECT_EQ(ChildrenOf(Document(GetParam(), run + u"\ntwo")), L"#TEXT[" + Wide(run) + L"two]");
  EXPECT_EQ(ChildrenOf(Document(GetParam(), run + u"&amp; y")), L"#TEXT[" + Wide(run) + L"&]");
  EXPECT_EQ(ChildrenOf(Document(GetParam(), run + u"&#32;y")), L"#TEXT[" + Wide(run) + L"y]");
}

TEST_P(LongTextTest, CdataAcrossCutsStaysWhole) {
  const std::u16string text = std::u16string(3000, u'c') + u"\n  end ";
  EXPECT_EQ(ChildrenOf(Document(GetParam(), u"<![CDATA[" + text + u"]]>")),
            L"#CDATA[" + Wide(text) + L"]");
}

// Internal entities keep their rules: each piece of their text is a piece
// of its own, even right after a long run.
TEST_P(LongTextTest, EntityTextAfterALongRunKeepsItsRules) {
  const std::u16string prolog = u"<!DOCTYPE a [<!ENTITY e ' lost'><!ENTITY f 'kept'>]>";
  for (std::size_t length : {1023u, 1024u, 1025u}) {
    const std::u16string run(length, u'r');
    EXPECT_EQ(ChildrenOf(Document(GetParam(), run + u"&e;&f;", prolog)),
              L"#TEXT[" + Wide(run) + L"kept]");
  }
}

std::string EncodingName(Encoding encoding) {
  switch (encoding) {
    case Encoding::kUtf8: return "Utf8";
    case Encoding::kUtf16Le: return "Utf16Le";
    case Encoding::kUtf16Be: return "Utf16Be";
    case Encoding::kShiftJis: return "ShiftJis";
  }
  return "Unknown";
}

void PrintTo(Encoding encoding, std::ostream* os) { *os << EncodingName(encoding); }

INSTANTIATE_TEST_SUITE_P(Encodings, LongTextTest,
                         ::testing::Values(Encoding::kUtf8, Encoding::kUtf16Le,
                                           Encoding::kUtf16Be, Encoding::kShiftJis),
                         [](const ::testing::TestParamInfo<Encoding>& info) {
                           return EncodingName(info.param);
                         });

// Big-endian UTF-16 is converted in pieces, so a surrogate pair after 1,023
// letters is cut between two pieces; the pair must still pair, and a truly
// unpaired surrogate must still fail, wherever it stands.
TEST(LongText, SurrogatePairCutBetweenPiecesInUtf16) {
  const std::u16string pair = u"\xD83D\xDE00";
  for (std::size_t letters : {1021u, 1022u, 1023u, 1024u, 2047u}) {
    const std::u16string text = std::u16string(letters, u'a') + pair + u" b";
    for (Encoding encoding : {Encoding::kUtf16Be, Encoding::kUtf16Le}) {
      EXPECT_EQ(ChildrenOf(Document(encoding, text)), L"#TEXT[" + Wide(text) + L"]")
          << letters << " letters";
      EXPECT_EQ(ChildrenOf(Document(encoding, u"<![CDATA[" + text + u"]]>")),
                L"#CDATA[" + Wide(text) + L"]")
          << letters << " letters";
    }
  }
}

TEST(LongText, UnpairedSurrogateAtACutStillFails) {
  const std::u16string letters(1023, u'a');
  const std::u16string unpaired[] = {
      letters + u"\xD83D" + u"b",         // high surrogate, then a letter
      letters + u"\xD83D",                // high surrogate, then the end tag
      letters + u"\xD83D&#65;",           // high surrogate, then a reference
      letters + u"\xD83D\n\xDE00",        // halves parted by a line end
      letters + u"\xD83D<!--c-->\xDE00",  // halves parted by a comment
      letters + u"b\xDE00",               // low surrogate alone
  };
  for (const std::u16string& text : unpaired) {
    for (Encoding encoding : {Encoding::kUtf16Be, Encoding::kUtf16Le}) {
      int result = 0;
      ChildrenOf(Document(encoding, text), &result);
      EXPECT_EQ(result, 5) << "text of " << text.size() << " units";
      ChildrenOf(Document(encoding, u"<![CDATA[" + text.substr(0, text.find(u'<')) + u"]]>"),
                 &result);
      EXPECT_EQ(result, 5) << "CDATA of " << text.size() << " units";
    }
  }
}

}  // namespace
