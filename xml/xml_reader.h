#pragma once

#include "xml/xml_node.h"

// One XML document, parsed whole from one buffer into a tree of
// CKzpXMLNode under a "#DOCROOT" root.
//
// Everything it hands out (nodes, strings) stays owned by the document and is
// valid until the next Parse, Reset or Clear, or its destruction.
class CKzpXMLReader {
 public:
  static constexpr int kParseOk = 0;
  static constexpr int kParseFailed = 5;

  CKzpXMLReader();
  virtual ~CKzpXMLReader();
  CKzpXMLReader(const CKzpXMLReader&) = delete;
  CKzpXMLReader& operator=(const CKzpXMLReader&) = delete;

  // Drops the tree and starts an empty one; also sets the C runtime locale
  // to the user's default for every category, which attribute matching in
  // FindElement relies on.
  void Reset();
  // Releases the tree; the root becomes null.
  void Clear();
  // Parses a whole document: kParseOk when it is well-formed and the tree
  // stands, kParseFailed on any error (the partial tree is kept, but the
  // document does not count as loaded). The byte-order mark or the XML
  // declaration selects the encoding, UTF-8 otherwise.
  int Parse(const void* buffer, int length);

  bool IsLoaded() const { return loaded_; }
  CKzpXMLNode* GetRoot() const { return root_; }

  // First node in parent's child list (the root's when parent is null) named
  // exactly name. With both attributeName and attributeValue given, only a
  // node whose attribute equals the value under CompareNoCase matches. Null
  // when the document is not loaded or nothing matches. Child lists run in
  // reverse document order, so the last match in the document is found.
  CKzpXMLNode* FindElement(const CKzpXMLNode* parent, const KzpXMLChar* name,
                           const KzpXMLChar* attributeName,
                           const KzpXMLChar* attributeValue) const;

 private:
  CKzpXMLNode* root_ = nullptr;  // owned
  bool loaded_ = false;
};

// 0 when a and b are equal after mapping every UTF-16 unit through towupper
// under the C runtime's current locale; otherwise the sign of the first
// difference, as wcscmp gives it.
int CompareNoCase(const KzpXMLChar* a, const KzpXMLChar* b);
