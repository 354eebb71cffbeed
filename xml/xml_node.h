#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "xml/xml_char.h"

// Node types.
constexpr int XML_NODE_ELEMENT = 0;  // an element, or the document root
constexpr int XML_NODE_TEXT = 1;     // "#TEXT" or "#CDATA"

// One node of a parsed XML document.
//
// A node owns its name, attributes, text, first child and next sibling; the
// parent link is a plain reference. A child list runs in reverse document
// order: AppendChild links the new child in at the head. Nodes are never
// unlinked; a linked node goes only when the root is released.
class CKzpXMLNode {
 public:
  // Copies the name and every attribute string up to the closing null
  // entry (name, value, name, value, ..., null). A null array, or one whose
  // first entry is null, leaves the node without attributes.
  CKzpXMLNode(const KzpXMLChar* name, const KzpXMLChar* const* attributes, int type);
  // Releases its text, its first child (with that child's subtree and every
  // node after it), its next sibling (with every node after it), its
  // attributes and its name, in that order. Works without recursion, so a
  // tree nested to any depth can be released.
  virtual ~CKzpXMLNode();
  CKzpXMLNode(const CKzpXMLNode&) = delete;
  CKzpXMLNode& operator=(const CKzpXMLNode&) = delete;

  const KzpXMLChar* GetName() const { return name_.c_str(); }
  int GetType() const { return type_; }
  // Null for elements and for an empty CDATA section.
  const KzpXMLChar* GetText() const { return text_ ? text_->c_str() : nullptr; }
  // The new text is a copy of the first count characters; a negative count
  // counts as 0.
  void SetText(const KzpXMLChar* characters, int count);
  // Same result as SetText with the old text followed by the characters,
  // without copying the old text each time: long texts arrive in many pieces.
  void AppendText(const KzpXMLChar* characters, int count);

  // Value of the first attribute with exactly this name, or null.
  const KzpXMLChar* GetAttribute(const KzpXMLChar* name) const;
  unsigned int GetAttributeCount() const;

  CKzpXMLNode* GetFirstChild() const { return firstChild_; }
  CKzpXMLNode* GetNextSibling() const { return nextSibling_; }
  CKzpXMLNode* GetParent() const { return parent_; }

  // Takes ownership of child and links it in at the head of the child list.
  // Answers false only for a null child.
  bool AppendChild(CKzpXMLNode* child);
  // First node of the child list with exactly this name, or null.
  CKzpXMLNode* FindChild(const KzpXMLChar* name) const;
  // First node after this one in its child list with exactly this name.
  CKzpXMLNode* FindNextSibling(const KzpXMLChar* name) const;

 private:
  static CKzpXMLNode* FindFrom(CKzpXMLNode* node, const KzpXMLChar* name);
  static void ReleaseChain(CKzpXMLNode* top);

  std::int32_t type_;
  KzpXMLString name_;
  // Name, value, name, value...; empty when the element has none.
  std::vector<KzpXMLString> attributes_;
  std::optional<KzpXMLString> text_;
  // Owning links, released by hand (see ReleaseChain).
  CKzpXMLNode* nextSibling_ = nullptr;
  CKzpXMLNode* firstChild_ = nullptr;
  CKzpXMLNode* parent_ = nullptr;
};
