#include <gtest/gtest.h>

#include "xml/xml_node.h"

namespace {

TEST(XmlNode, CopiesAttributesAndFindsThemByExactName) {
  std::wstring name = L"v";
  std::wstring attrName = L"n";
  std::wstring attrValue = L"a";
  const wchar_t* attributes[] = {attrName.c_str(), attrValue.c_str(), L"n", L"second", nullptr};
  CKzpXMLNode node(name.c_str(), attributes, XML_NODE_ELEMENT);
  name = L"changed";
  attrValue = L"changed";

  EXPECT_STREQ(node.GetName(), L"v");
  EXPECT_EQ(node.GetAttributeCount(), 2u);
  EXPECT_STREQ(node.GetAttribute(L"n"), L"a");  // the first pair wins
  EXPECT_EQ(node.GetAttribute(L"N"), nullptr);
  EXPECT_EQ(node.GetAttribute(L"m"), nullptr);
}

TEST(XmlNode, SetTextCopiesCountCharactersAndAppendTextExtends) {
  CKzpXMLNode node(L"#TEXT", nullptr, XML_NODE_TEXT);
  EXPECT_EQ(node.GetText(), nullptr);
  node.SetText(L"abcdef", 3);
  EXPECT_STREQ(node.GetText(), L"abc");
  node.AppendText(L"xyz!", 3);
  EXPECT_STREQ(node.GetText(), L"abcxyz");
  node.SetText(L"", 0);
  ASSERT_NE(node.GetText(), nullptr);
  EXPECT_STREQ(node.GetText(), L"");
}

TEST(XmlNode, ChildListRunsInReverseOrderOfAppending) {
  CKzpXMLNode parent(L"p", nullptr, XML_NODE_ELEMENT);
  auto* first = new CKzpXMLNode(L"c", nullptr, XML_NODE_ELEMENT);
  auto* second = new CKzpXMLNode(L"d", nullptr, XML_NODE_ELEMENT);
  auto* third = new CKzpXMLNode(L"c", nullptr, XML_NODE_ELEMENT);
  EXPECT_TRUE(parent.AppendChild(first));
  EXPECT_TRUE(parent.AppendChild(second));
  EXPECT_TRUE(parent.AppendChild(third));

  EXPECT_EQ(parent.GetFirstChild(), third);
  EXPECT_EQ(third->GetNextSibling(), second);
  EXPECT_EQ(second->GetNextSibling(), first);
  EXPECT_EQ(first->GetParent(), &parent);
  EXPECT_EQ(parent.FindChild(L"c"), third);
  EXPECT_EQ(third->FindNextSibling(L"c"), first);  // itself not tested
  EXPECT_EQ(first->FindNextSibling(L"c"), nullptr);
  EXPECT_EQ(parent.FindChild(L"C"), nullptr);
}

// A recursive release would need one stack frame per level (or per sibling)
// and overflow the 1 MiB main thread stack long before this.
TEST(XmlNode, ReleasesDeepAndLongTreesWithoutRecursion) {
  constexpr int kCount = 300000;
  auto* root = new CKzpXMLNode(L"#DOCROOT", nullptr, XML_NODE_ELEMENT);
  CKzpXMLNode* deepest = root;
  for (int i = 0; i < kCount; ++i) {
    auto* child = new CKzpXMLNode(L"d", nullptr, XML_NODE_ELEMENT);
    deepest->AppendChild(child);
    deepest = child;
  }
  for (int i = 0; i < kCount; ++i) {
    auto* leaf = new CKzpXMLNode(L"#TEXT", nullptr, XML_NODE_TEXT);
    leaf->SetText(L"x", 1);
    deepest->AppendChild(leaf);
  }
  delete root;
  SUCCEED();
}

}  // namespace
