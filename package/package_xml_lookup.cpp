#include "package/package_xml_lookup.h"

#include <string>

const CKzpXMLNode* FindChildElement(const CKzpXMLReader& document, const CKzpXMLNode* parent,
                                    const KzpXMLChar* name) {
  if (parent == nullptr) return nullptr;
  return document.FindElement(parent, name, nullptr, nullptr);
}

const CKzpXMLNode* FindTranslated(const CKzpXMLReader& document, const CKzpXMLNode* parent,
                                  const KzpXMLChar* name, const KzpXMLChar* language) {
  if (parent == nullptr) return nullptr;
  const CKzpXMLNode* found = document.FindElement(parent, name, KZP_XML_TEXT("lang"), language);
  if (found != nullptr) return found;
  return document.FindElement(parent, name, KZP_XML_TEXT("lang"), KZP_XML_TEXT("en"));
}

const KzpXMLChar* ElementText(const CKzpXMLNode* element) {
  if (element == nullptr) return nullptr;
  const CKzpXMLNode* first = element->GetFirstChild();
  if (first == nullptr || first->GetType() != XML_NODE_TEXT) return nullptr;
  return first->GetText();
}

const KzpXMLChar* DescriptionText(const CKzpXMLNode* element) {
  if (element == nullptr) return nullptr;
  const CKzpXMLNode* content = element->FindChild(KZP_XML_TEXT("#CDATA"));
  if (content == nullptr) content = element->GetFirstChild();
  if (content == nullptr || content->GetType() != XML_NODE_TEXT) return nullptr;
  return content->GetText();
}

bool CopyToField(KzpXMLChar* field, std::size_t capacity, const KzpXMLChar* text) {
  field[0] = KzpXMLChar{};
  if (text == nullptr) return false;
  const std::size_t length = std::char_traits<KzpXMLChar>::length(text);
  if (length >= capacity) return false;
  std::char_traits<KzpXMLChar>::copy(field, text, length + 1);
  return true;
}
