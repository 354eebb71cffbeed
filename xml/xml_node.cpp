#include "xml/xml_node.h"

CKzpXMLNode::CKzpXMLNode(const KzpXMLChar* name, const KzpXMLChar* const* attributes, int type)
    : type_(type), name_(name != nullptr ? name : KZP_XML_TEXT("")) {
  if (attributes == nullptr) return;
  std::size_t count = 0;
  while (attributes[count] != nullptr) ++count;
  attributes_.reserve(count);
  for (std::size_t i = 0; i < count; ++i) attributes_.emplace_back(attributes[i]);
}

CKzpXMLNode::~CKzpXMLNode() {
  text_.reset();
  if (CKzpXMLNode* child = firstChild_) {
    firstChild_ = nullptr;
    child->parent_ = nullptr;
    ReleaseChain(child);
  }
  if (CKzpXMLNode* sibling = nextSibling_) {
    nextSibling_ = nullptr;
    sibling->parent_ = nullptr;
    ReleaseChain(sibling);
  }
  // The members go next: attributes_, then name_.
}

// Releases top, its subtree and every node after it, in the order the
// recursive definition gives (text; first child chain; next sibling chain;
// attributes and name), without a stack: a hostile document can nest
// elements deeply enough to exhaust the thread's stack. parent_ serves as the
// way back: a first child already points at its parent, and a next sibling is
// pointed at the node before it while it is released. A node whose links
// have been cut is waiting for the chain it handed over; once it has no next
// sibling left, it is done. top's parent_ must be null.
void CKzpXMLNode::ReleaseChain(CKzpXMLNode* top) {
  CKzpXMLNode* node = top;
  bool entering = true;
  while (node != nullptr) {
    if (entering) {
      node->text_.reset();
      if (CKzpXMLNode* child = node->firstChild_) {
        node->firstChild_ = nullptr;
        node = child;
        continue;
      }
    }
    if (CKzpXMLNode* sibling = node->nextSibling_) {
      node->nextSibling_ = nullptr;
      sibling->parent_ = node;
      node = sibling;
      entering = true;
      continue;
    }
    CKzpXMLNode* back = node->parent_;
    delete node;  // no links left: releases its attributes, then its name
    node = back;
    entering = false;
  }
}

void CKzpXMLNode::SetText(const KzpXMLChar* characters, int count) {
  text_.reset();
  if (characters == nullptr || count < 0) count = 0;
  text_.emplace(characters != nullptr ? characters : KZP_XML_TEXT(""), static_cast<std::size_t>(count));
}

void CKzpXMLNode::AppendText(const KzpXMLChar* characters, int count) {
  if (!text_) {
    SetText(characters, count);
    return;
  }
  if (characters == nullptr || count <= 0) return;
  text_->append(characters, static_cast<std::size_t>(count));
}

const KzpXMLChar* CKzpXMLNode::GetAttribute(const KzpXMLChar* name) const {
  if (name == nullptr) return nullptr;
  for (std::size_t i = 0; i + 1 < attributes_.size(); i += 2) {
    if (attributes_[i] == name) return attributes_[i + 1].c_str();
  }
  return nullptr;
}

unsigned int CKzpXMLNode::GetAttributeCount() const {
  return static_cast<unsigned int>(attributes_.size() / 2);
}

bool CKzpXMLNode::AppendChild(CKzpXMLNode* child) {
  if (child == nullptr) return false;
  child->nextSibling_ = firstChild_;
  firstChild_ = child;
  child->parent_ = this;
  return true;
}

CKzpXMLNode* CKzpXMLNode::FindFrom(CKzpXMLNode* node, const KzpXMLChar* name) {
  if (name == nullptr) return nullptr;
  for (; node != nullptr; node = node->nextSibling_) {
    if (node->name_ == name) return node;
  }
  return nullptr;
}

CKzpXMLNode* CKzpXMLNode::FindChild(const KzpXMLChar* name) const {
  return FindFrom(firstChild_, name);
}

CKzpXMLNode* CKzpXMLNode::FindNextSibling(const KzpXMLChar* name) const {
  return FindFrom(nextSibling_, name);
}
