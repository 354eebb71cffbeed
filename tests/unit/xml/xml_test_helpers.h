#pragma once

#include <string>

#include "xml/xml_node.h"
#include "xml/xml_reader.h"

inline int ParseText(CKzpXMLReader& reader, const std::string& bytes) {
  return reader.Parse(bytes.data(), static_cast<int>(bytes.size()));
}

// A node's child list, head first, as "name[text] name ..." ("[]" for a
// node without text); nested lists in braces.
inline std::wstring DescribeChildren(const CKzpXMLNode* node) {
  std::wstring out;
  for (const CKzpXMLNode* child = node->GetFirstChild(); child != nullptr;
       child = child->GetNextSibling()) {
    if (!out.empty()) out += L' ';
    out += child->GetName();
    if (child->GetType() == XML_NODE_TEXT) {
      out += L'[';
      if (child->GetText() != nullptr) out += child->GetText();
      out += L']';
    }
    if (child->GetFirstChild() != nullptr) out += L'{' + DescribeChildren(child) + L'}';
  }
  return out;
}
