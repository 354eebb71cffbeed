#include <gtest/gtest.h>

#include <clocale>
#include <ostream>
#include <string>

#include "xml_test_helpers.h"

namespace {

class FindElementTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(ParseText(reader_, R"(<r><v n="a"/><v n="b"/><v n="a" x="1"/></r>)"), 0);
    r_ = reader_.FindElement(nullptr, L"r", nullptr, nullptr);
    ASSERT_NE(r_, nullptr);
  }

  CKzpXMLReader reader_;
  CKzpXMLNode* r_ = nullptr;
};

TEST_F(FindElementTest, AnswersTheLastMatchInTheDocument) {
  CKzpXMLNode* third = reader_.FindElement(r_, L"v", L"n", L"A");
  ASSERT_NE(third, nullptr);
  EXPECT_STREQ(third->GetAttribute(L"x"), L"1");
  EXPECT_EQ(reader_.FindElement(r_, L"v", nullptr, nullptr), third);
  EXPECT_EQ(r_->FindChild(L"v"), third);
  EXPECT_EQ(reader_.FindElement(r_, L"v", L"n", nullptr), third);  // filter needs both
}

TEST_F(FindElementTest, AttributeValueSelectsAmongSiblings) {
  CKzpXMLNode* b = reader_.FindElement(r_, L"v", L"n", L"B");
  ASSERT_NE(b, nullptr);
  EXPECT_STREQ(b->GetAttribute(L"n"), L"b");
  EXPECT_EQ(b->GetAttribute(L"x"), nullptr);
}

TEST_F(FindElementTest, NamesCompareExactlyAndOnlyDirectChildrenCount) {
  EXPECT_EQ(reader_.FindElement(r_, L"V", nullptr, nullptr), nullptr);
  EXPECT_EQ(reader_.FindElement(r_, L"v", L"m", L"a"), nullptr);
  EXPECT_EQ(reader_.FindElement(r_, L"v", L"N", L"a"), nullptr);
  EXPECT_EQ(reader_.FindElement(nullptr, L"v", nullptr, nullptr), nullptr);
  EXPECT_EQ(r_->FindChild(L"v")->GetAttribute(L"N"), nullptr);
  EXPECT_EQ(r_->GetParent(), reader_.GetRoot());
  EXPECT_STREQ(reader_.GetRoot()->GetName(), L"#DOCROOT");
}

struct TextCase {
  const char* name;
  const char* document;
  const wchar_t* children;  // DescribeChildren of the document element
};

class TextRulesTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(TextRulesTest, DocumentElementHoldsExpectedNodes) {
  CKzpXMLReader reader;
  ASSERT_EQ(ParseText(reader, GetParam().document), 0);
  const CKzpXMLNode* element = reader.GetRoot()->GetFirstChild();
  ASSERT_NE(element, nullptr);
  EXPECT_EQ(DescribeChildren(element), GetParam().children);
}

void PrintTo(const TextCase& c, std::ostream* os) { *os << c.name; }

std::string TextCaseName(const ::testing::TestParamInfo<TextCase>& info) {
  return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(
    Pieces, TextRulesTest,
    ::testing::Values(
        TextCase{"TextRightAfterStartTag", "<a>Package</a>", L"#TEXT[Package]"},
        TextCase{"LeadingSpace", "<a> Package</a>", L""},
        TextCase{"TextOnNextLine", "<a>\n  Package\n</a>", L""},
        TextCase{"LineEndDropped", "<a>one\ntwo</a>", L"#TEXT[onetwo]"},
        TextCase{"CrLfAndCrDropped", "<a>one\r\ntwo\rthree</a>", L"#TEXT[onetwothree]"},
        TextCase{"IndentedLaterLineDropped", "<a>one\n  two</a>", L"#TEXT[one]"},
        TextCase{"EntityPieces", "<a>x &amp; y</a>", L"#TEXT[x &]"},
        TextCase{"CharacterReferencePieces", "<a>x&#65;y &#32;z</a>", L"#TEXT[xAy z]"},
        TextCase{"InnerAndTrailingSpaceKept", "<a>in side </a>", L"#TEXT[in side ]"},
        TextCase{"NonAsciiAndEntity", "<a>\xE3\x81\x82&lt;b</a>", L"#TEXT[\u3042<b]"},
        TextCase{"IndentedChildren", "<a>\n  <b>x</b>\n  <c> y</c>\n</a>", L"c b{#TEXT[x]}"}),
    TextCaseName);

INSTANTIATE_TEST_SUITE_P(
    Cdata, TextRulesTest,
    ::testing::Values(
        TextCase{"KeptWholeWithLf", "<a><![CDATA[\n x\r\n]]></a>", L"#CDATA[\n x\n]"},
        TextCase{"TextBeforeCdataAndAfterDropped", "<a>x<![CDATA[y]]>z</a>", L"#CDATA[y] #TEXT[x]"},
        TextCase{"EmptySection", "<a><![CDATA[]]></a>", L"#CDATA[]"},
        TextCase{"MarkupInsideKept", "<a><![CDATA[<b>&amp;</b>]]></a>", L"#CDATA[<b>&amp;</b>]"},
        TextCase{"EachSectionItsOwnNode", "<a><![CDATA[1]]> <![CDATA[2]]></a>", L"#CDATA[2] #CDATA[1]"},
        TextCase{"TextAfterSectionDropped", "<a><![CDATA[1]]>z<b>y</b></a>", L"b{#TEXT[y]} #CDATA[1]"}),
    TextCaseName);

// Text after a child's end tag is dropped (no caller reads mixed content).
INSTANTIATE_TEST_SUITE_P(
    MixedContent, TextRulesTest,
    ::testing::Values(TextCase{"TextAfterChildEndTag", "<a><b>x</b>y</a>", L"b{#TEXT[x]}"},
                      TextCase{"TextAfterEmptyChild", "<a>x<b/>y</a>", L"b #TEXT[x]"}),
    TextCaseName);

TEST(XmlReader, EmptyCdataSectionHasNullText) {
  CKzpXMLReader reader;
  ASSERT_EQ(ParseText(reader, "<a><![CDATA[]]></a>"), 0);
  const CKzpXMLNode* cdata = reader.GetRoot()->GetFirstChild()->FindChild(L"#CDATA");
  ASSERT_NE(cdata, nullptr);
  EXPECT_EQ(cdata->GetType(), XML_NODE_TEXT);
  EXPECT_EQ(cdata->GetText(), nullptr);
}

TEST(XmlReader, KeepsPrefixedNamesAndAttributesInDocumentOrder) {
  CKzpXMLReader reader;
  ASSERT_EQ(ParseText(reader, "<x:a xmlns:x='urn:x' b=' 1 '/>"), 0);
  const CKzpXMLNode* a = reader.FindElement(nullptr, L"x:a", nullptr, nullptr);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->GetAttributeCount(), 2u);
  EXPECT_STREQ(a->GetAttribute(L"xmlns:x"), L"urn:x");
  EXPECT_STREQ(a->GetAttribute(L"b"), L" 1 ");
}

TEST(XmlReader, CommentsInstructionsAndDoctypeMakeNoNodes) {
  CKzpXMLReader reader;
  ASSERT_EQ(ParseText(reader, "<?xml version='1.0'?><!DOCTYPE a><!--c--><a><?pi x?><!--c-->t</a>"),
            0);
  EXPECT_EQ(DescribeChildren(reader.GetRoot()), L"a{#TEXT[t]}");
}

TEST(XmlReader, FailedParseKeepsPartialTreeButIsNotLoaded) {
  CKzpXMLReader reader;
  EXPECT_EQ(ParseText(reader, "<a><b>text</b><c></a>"), 5);
  EXPECT_FALSE(reader.IsLoaded());
  EXPECT_EQ(reader.FindElement(nullptr, L"a", nullptr, nullptr), nullptr);
  EXPECT_EQ(DescribeChildren(reader.GetRoot()), L"a{c b{#TEXT[text]}}");
}

TEST(XmlReader, SecondParseReplacesTheFirstTree) {
  CKzpXMLReader reader;
  ASSERT_EQ(ParseText(reader, "<first><x>1</x></first>"), 0);
  ASSERT_EQ(ParseText(reader, "<second/>"), 0);
  EXPECT_EQ(DescribeChildren(reader.GetRoot()), L"second");
  EXPECT_EQ(reader.FindElement(nullptr, L"first", nullptr, nullptr), nullptr);

  EXPECT_EQ(ParseText(reader, "<third>"), 5);
  EXPECT_EQ(reader.FindElement(nullptr, L"second", nullptr, nullptr), nullptr);
}

TEST(XmlReader, ClearAndResetLeaveNothingToFind) {
  CKzpXMLReader reader;
  EXPECT_FALSE(reader.IsLoaded());
  EXPECT_EQ(DescribeChildren(reader.GetRoot()), L"");
  ASSERT_EQ(ParseText(reader, "<a/>"), 0);
  reader.Clear();
  EXPECT_EQ(reader.GetRoot(), nullptr);
  EXPECT_EQ(reader.FindElement(nullptr, L"a", nullptr, nullptr), nullptr);
  reader.Reset();
  ASSERT_NE(reader.GetRoot(), nullptr);
  EXPECT_EQ(reader.GetRoot()->GetFirstChild(), nullptr);
  EXPECT_EQ(ParseText(reader, "<a/>"), 0);  // usable after Clear
}

TEST(XmlReader, ReadsUtf16WithByteOrderMark) {
  const std::string le("\xFF\xFE<\0a\0>\0B\x30<\0/\0a\0>\0", 18);
  const std::string be("\xFE\xFF\0<\0a\0>\x30\x42\0<\0/\0a\0>", 18);
  for (const std::string& bytes : {le, be}) {
    CKzpXMLReader reader;
    ASSERT_EQ(ParseText(reader, bytes), 0);
    EXPECT_EQ(DescribeChildren(reader.GetRoot()), L"a{#TEXT[\u3042]}");
  }
}

TEST(CompareNoCase, IgnoresLetterCaseOnly) {
  std::setlocale(LC_ALL, "");
  EXPECT_EQ(CompareNoCase(L"En", L"eN"), 0);
  EXPECT_EQ(CompareNoCase(L"2.0.1.0", L"2.0.1.0"), 0);
  EXPECT_NE(CompareNoCase(L"en", L"en "), 0);
  EXPECT_LT(CompareNoCase(L"a", L"B"), 0);
}

}  // namespace
