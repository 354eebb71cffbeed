#include <gtest/gtest.h>

#include <windows.h>

#include <ostream>
#include <string>

#include "file_bytes.h"
#include "temp_folder.h"
#include "xml_test_helpers.h"

namespace {

// Every text and attribute value of the tree, in one string.
std::wstring AllText(const CKzpXMLNode* node) {
  std::wstring out;
  for (const CKzpXMLNode* child = node->GetFirstChild(); child != nullptr;
       child = child->GetNextSibling()) {
    out += child->GetName();
    if (child->GetText() != nullptr) out += child->GetText();
    for (const wchar_t* name : {L"a", L"b"}) {
      if (const wchar_t* value = child->GetAttribute(name)) out += value;
    }
    out += AllText(child);
  }
  return out;
}

std::string Narrow(const std::wstring& wide) {
  std::string out;
  for (wchar_t c : wide) out += static_cast<char>(c);
  return out;
}

TEST(XmlHostileInput, NeverLoadsExternalEntities) {
  CKzpTempFolder folder;
  const std::wstring secret = folder / L"secret.txt";
  ASSERT_TRUE(WriteFileText(secret, "SECRET"));
  std::string path = Narrow(secret);
  std::string url = "file:///" + path;
  for (char& c : url) {
    if (c == '\\') c = '/';
  }

  for (const std::string& reference : {path, url}) {
    SCOPED_TRACE(reference);
    const std::string general = "<!DOCTYPE r [<!ENTITY e SYSTEM '" + reference +
                                "'>]><r a='x'>&e;</r>";
    const std::string parameter = "<!DOCTYPE r [<!ENTITY % p SYSTEM '" + reference +
                                  "'> %p;]><r>&e;</r>";
    const std::string subset = "<!DOCTYPE r SYSTEM '" + reference + "'><r>&e;</r>";
    for (const std::string& document : {general, parameter, subset}) {
      CKzpXMLReader reader;
      ParseText(reader, document);
      EXPECT_EQ(AllText(reader.GetRoot()).find(L"SECRET"), std::wstring::npos) << document;
    }
  }
}

TEST(XmlHostileInput, BillionLaughsFailsQuickly) {
  std::string document = "<!DOCTYPE r [<!ENTITY l0 'lol'>";
  for (int i = 1; i <= 10; ++i) {
    const std::string prev = "&l" + std::to_string(i - 1) + ";";
    std::string value;
    for (int j = 0; j < 10; ++j) value += prev;
    document += "<!ENTITY l" + std::to_string(i) + " '" + value + "'>";
  }
  document += "]><r a='&l10;'>&l10;</r>";

  CKzpXMLReader reader;
  const ULONGLONG start = GetTickCount64();
  EXPECT_EQ(ParseText(reader, document), 5);
  EXPECT_LT(GetTickCount64() - start, 10000u);
}

TEST(XmlHostileInput, DeepNestingParsesAndIsReleased) {
  constexpr int kDepth = 100000;
  std::string open;
  std::string close;
  for (int i = 0; i < kDepth; ++i) {
    open += "<d>";
    close += "</d>";
  }
  {
    CKzpXMLReader reader;
    ASSERT_EQ(ParseText(reader, open + "x" + close), 0);
    int depth = 0;
    const CKzpXMLNode* node = reader.GetRoot()->GetFirstChild();
    for (; node != nullptr && node->GetType() == XML_NODE_ELEMENT; node = node->GetFirstChild()) {
      ++depth;
    }
    EXPECT_EQ(depth, kDepth);
    ASSERT_NE(node, nullptr);
    EXPECT_STREQ(node->GetText(), L"x");
  }
  CKzpXMLReader unclosed;
  EXPECT_EQ(ParseText(unclosed, open), 5);
}

TEST(XmlHostileInput, LongTextIsKeptWhole) {
  constexpr std::size_t kLength = 8u << 20;
  CKzpXMLReader reader;
  ASSERT_EQ(ParseText(reader, "<r b='" + std::string(kLength, 'v') + "'>" +
                                  std::string(kLength, 't') + "<![CDATA[" +
                                  std::string(kLength, 'c') + "]]></r>"),
            0);
  const CKzpXMLNode* r = reader.GetRoot()->GetFirstChild();
  EXPECT_EQ(std::wstring(r->GetAttribute(L"b")).size(), kLength);
  EXPECT_EQ(std::wstring(r->FindChild(L"#TEXT")->GetText()).size(), kLength);
  EXPECT_EQ(std::wstring(r->FindChild(L"#CDATA")->GetText()).size(), kLength);
}

struct BadDocument {
  const char* name;
  std::string bytes;
};

void PrintTo(const BadDocument& d, std::ostream* os) { *os << d.name; }

class XmlRejectsTest : public ::testing::TestWithParam<BadDocument> {};

TEST_P(XmlRejectsTest, ParseAnswersFive) {
  CKzpXMLReader reader;
  EXPECT_EQ(ParseText(reader, GetParam().bytes), 5);
  EXPECT_FALSE(reader.IsLoaded());
}

std::string Utf16Le(const std::u16string& text) {
  std::string out("\xFF\xFE", 2);
  for (char16_t c : text) {
    out += static_cast<char>(c & 0xFF);
    out += static_cast<char>(c >> 8);
  }
  return out;
}

INSTANTIATE_TEST_SUITE_P(
    Malformed, XmlRejectsTest,
    ::testing::Values(
        BadDocument{"Empty", ""},
        BadDocument{"OnlyDeclaration", "<?xml version='1.0'?>"},
        BadDocument{"Truncated", "<r><a>x</a"},
        BadDocument{"Unclosed", "<r>"},
        BadDocument{"MismatchedTag", "<r></s>"},
        BadDocument{"ContentAfterRoot", "<r/><s/>"},
        BadDocument{"UndefinedEntity", "<r>&nope;</r>"},
        BadDocument{"NulInText", std::string("<r>a\0b</r>", 9)},
        BadDocument{"NulInAttribute", std::string("<r a='\0'/>", 9)},
        BadDocument{"NulAfterRoot", std::string("<r/>\0", 5)},
        BadDocument{"Utf8Truncated", "<r>\xC3</r>"},
        BadDocument{"Utf8Overlong", "<r>\xC0\xAF</r>"},
        BadDocument{"Utf8Surrogate", "<r>\xED\xA0\x80</r>"},
        BadDocument{"Utf8BeyondUnicode", "<r>\xF4\x90\x80\x80</r>"},
        BadDocument{"Utf8TruncatedAtEnd", "<r/>\xE3\x81"},
        BadDocument{"Utf16LoneLowSurrogate", Utf16Le(u"<r>\xDC00</r>")},
        BadDocument{"Utf16LoneHighSurrogate", Utf16Le(u"<r>\xD800x</r>")},
        BadDocument{"Utf16HighSurrogateInAttribute", Utf16Le(u"<r a='\xD800'/>")},
        BadDocument{"Utf16HighSurrogateInCdata", Utf16Le(u"<r><![CDATA[\xDBFF]]></r>")},
        BadDocument{"Utf16OddLength", Utf16Le(u"<r/>") + "x"},
        BadDocument{"CharacterReferenceToNul", "<r>&#0;</r>"},
        BadDocument{"UnknownEncoding", "<?xml version='1.0' encoding='EUC-JP'?><r/>"}),
    [](const ::testing::TestParamInfo<BadDocument>& info) { return info.param.name; });

TEST(XmlHostileInput, SurrogatePairsInUtf16AreAccepted) {
  CKzpXMLReader reader;
  ASSERT_EQ(ParseText(reader, Utf16Le(u"<r a='\xD83D\xDE00'>\xD83D\xDE00</r>")), 0);
  const CKzpXMLNode* r = reader.GetRoot()->GetFirstChild();
  EXPECT_STREQ(r->GetAttribute(L"a"), L"\xD83D\xDE00");
  EXPECT_STREQ(r->GetFirstChild()->GetText(), L"\xD83D\xDE00");
}

}  // namespace
