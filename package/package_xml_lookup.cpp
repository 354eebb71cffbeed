#include "package/package_xml_lookup.h"

#include <cwchar>

const CKzpXMLNode* FindChildElement(const CKzpXMLReader& document, const CKzpXMLNode* parent,
                                    const wchar_t* name) {
  if (parent == nullptr) return nullptr;
  return document.FindElement(parent, name, nullptr, nullptr);
}

const CKzpXMLNode* FindTranslated(const CKzpXMLReader& document, const CKzpXMLNode* parent,
                                  const wchar_t* name, const wchar_t* language) {
  if (parent == nullptr) return nullptr;
  const CKzpXMLNode* found = document.FindElement(parent, name, L"lang", language);
  if (found != nullptr) return found;
  return document.FindElement(parent, name, L"lang", L"en");
}

const wchar_t* ElementText(const CKzpXMLNode* element) {
  if (element == nullptr) return nullptr;
  const CKzpXMLNode* first = element->GetFirstChild();
  if (first == nullptr || first->GetType() != XML_NODE_TEXT) return nullptr;
  return first->GetText();
}

bool CopyToField(wchar_t* field, std::size_t capacity, const wchar_t* text) {
  field[0] = L'\0';
  if (text == nullptr) return false;
  const std::size_t length = std::wcslen(text);
  if (length >= capacity) return false;
  std::wmemcpy(field, text, length + 1);
  return true;
}
