#include "xml/xml_reader.h"

#include <expat.h>

#include <clocale>
#include <cwchar>
#include <cwctype>
#include <memory>
#include <new>
#include <string>
#include <type_traits>

#include "xml/shift_jis_encoding.h"

static_assert(std::is_same_v<XML_Char, wchar_t>,
              "Expat must be used with XML_UNICODE and XML_UNICODE_WCHAR_T");

namespace {

// State shared by the parser's handlers during one Parse.
struct XMLParseContext {
  CKzpXMLNode* current = nullptr;      // receives the next child
  CKzpXMLNode* pendingText = nullptr;  // text node created last
  bool textAllowed = true;
  bool firstPiece = true;
  bool inCdata = false;
  // Handlers are called from C and must not throw: running out of memory
  // stops the parser, and every later callback is ignored.
  XML_Parser parser = nullptr;
  bool failed = false;
};

bool IsWhiteSpace(wchar_t c) {
  return c == L'\t' || c == L'\n' || c == L'\v' || c == L'\f' || c == L'\r' || c == L' ';
}

bool IsLeadSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsTrailSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Expat does not check that a high surrogate in UTF-16 input is followed by a
// low one. Its pieces never split a pair, so each can be checked by itself.
bool HasLoneSurrogate(const wchar_t* text, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    if (IsLeadSurrogate(text[i])) {
      if (i + 1 == count || !IsTrailSurrogate(text[i + 1])) return true;
      ++i;
    } else if (IsTrailSurrogate(text[i])) {
      return true;
    }
  }
  return false;
}

bool HasLoneSurrogate(const wchar_t* text) {
  return HasLoneSurrogate(text, std::wcslen(text));
}

void Fail(XMLParseContext& context) {
  context.failed = true;
  XML_StopParser(context.parser, XML_FALSE);
}

// Links a new node under current; answers it, or null when memory ran out.
CKzpXMLNode* AddNode(XMLParseContext& context, const wchar_t* name,
                     const wchar_t* const* attributes, int type) {
  try {
    auto node = std::make_unique<CKzpXMLNode>(name, attributes, type);
    context.current->AppendChild(node.get());
    return node.release();
  } catch (const std::bad_alloc&) {
    Fail(context);
    return nullptr;
  }
}

void AppendPiece(XMLParseContext& context, CKzpXMLNode* node, const wchar_t* piece, int count) {
  try {
    node->AppendText(piece, count);
  } catch (const std::bad_alloc&) {
    Fail(context);
  }
}

void XMLCALL OnStartElement(void* data, const XML_Char* name, const XML_Char** attributes) {
  auto& context = *static_cast<XMLParseContext*>(data);
  if (context.failed) return;
  for (const XML_Char** a = attributes; *a != nullptr; ++a) {
    if (HasLoneSurrogate(*a)) return Fail(context);
  }
  context.textAllowed = true;
  context.firstPiece = true;
  if (CKzpXMLNode* node = AddNode(context, name, attributes, XML_NODE_ELEMENT)) {
    context.current = node;
  }
}

// Text that follows a child's end tag (mixed content) is read by no one; it
// is dropped up to the next start tag instead of being appended to a text
// node deep inside the child.
void XMLCALL OnEndElement(void* data, const XML_Char* /*name*/) {
  auto& context = *static_cast<XMLParseContext*>(data);
  if (context.failed || context.current->GetParent() == nullptr) return;
  context.current = context.current->GetParent();
  context.textAllowed = false;
}

void XMLCALL OnStartCdata(void* data) {
  auto& context = *static_cast<XMLParseContext*>(data);
  if (context.failed) return;
  context.textAllowed = true;
  context.inCdata = true;
  if (CKzpXMLNode* node = AddNode(context, L"#CDATA", nullptr, XML_NODE_TEXT)) {
    context.current = node;
  }
}

void XMLCALL OnEndCdata(void* data) {
  auto& context = *static_cast<XMLParseContext*>(data);
  if (context.failed || context.current->GetParent() == nullptr) return;
  context.inCdata = false;
  context.textAllowed = false;
  context.current = context.current->GetParent();
}

// The parser hands over each line end, each character or entity reference
// and every other run of text as a piece of its own; only text that starts
// right after a start tag with a non-white character is kept, and within it
// every piece that starts with white space (line ends included) is dropped.
void XMLCALL OnCharacterData(void* data, const XML_Char* piece, int count) {
  auto& context = *static_cast<XMLParseContext*>(data);
  if (context.failed || count <= 0) return;
  if (HasLoneSurrogate(piece, static_cast<std::size_t>(count))) return Fail(context);
  if (context.inCdata) {
    AppendPiece(context, context.current, piece, count);
    return;
  }
  if (!context.textAllowed) return;
  const bool startsWhite = IsWhiteSpace(piece[0]);
  if (context.firstPiece) {
    if (startsWhite) {
      context.textAllowed = false;
      return;
    }
    if (CKzpXMLNode* node = AddNode(context, L"#TEXT", nullptr, XML_NODE_TEXT)) {
      AppendPiece(context, node, piece, count);
      context.pendingText = node;
      context.firstPiece = false;
    }
    return;
  }
  if (!startsWhite && context.pendingText != nullptr) {
    AppendPiece(context, context.pendingText, piece, count);
  }
}

// Frees the parser whatever way Parse leaves.
struct ParserFree {
  void operator()(XML_ParserStruct* parser) const { XML_ParserFree(parser); }
};
using ParserOwner = std::unique_ptr<XML_ParserStruct, ParserFree>;

}  // namespace

CKzpXMLReader::CKzpXMLReader() { Reset(); }

CKzpXMLReader::~CKzpXMLReader() { Clear(); }

void CKzpXMLReader::Reset() {
  if (loaded_ || root_ != nullptr) Clear();
  root_ = new CKzpXMLNode(L"#DOCROOT", nullptr, XML_NODE_ELEMENT);
  // std::locale("") throws under Wine; the C runtime's own call does not.
  std::setlocale(LC_ALL, "");
}

void CKzpXMLReader::Clear() {
  delete root_;
  root_ = nullptr;
  loaded_ = false;
}

int CKzpXMLReader::Parse(const void* buffer, int length) {
  try {
    Reset();
  } catch (const std::bad_alloc&) {
    return kParseFailed;
  }
  if (length < 0 || (buffer == nullptr && length != 0)) return kParseFailed;

  ParserOwner parser(XML_ParserCreate(nullptr));
  if (!parser) return kParseFailed;

  XMLParseContext context;
  context.current = root_;
  context.parser = parser.get();
  XML_SetUserData(parser.get(), &context);
  XML_SetElementHandler(parser.get(), OnStartElement, OnEndElement);
  XML_SetCharacterDataHandler(parser.get(), OnCharacterData);
  XML_SetCdataSectionHandler(parser.get(), OnStartCdata, OnEndCdata);
  XML_SetUnknownEncodingHandler(parser.get(), ShiftJisEncodingHandler, nullptr);
  // The files come from a downloaded package: nothing outside the buffer is
  // ever read. There is no external entity handler, and parameter entities
  // (the external DTD subset among them) are never parsed.
  XML_SetParamEntityParsing(parser.get(), XML_PARAM_ENTITY_PARSING_NEVER);

  const XML_Status status =
      XML_Parse(parser.get(), static_cast<const char*>(buffer), length, XML_TRUE);
  if (status != XML_STATUS_OK || context.failed) return kParseFailed;
  loaded_ = true;
  return kParseOk;
}

CKzpXMLNode* CKzpXMLReader::FindElement(const CKzpXMLNode* parent, const wchar_t* name,
                                        const wchar_t* attributeName,
                                        const wchar_t* attributeValue) const {
  if (!loaded_ || name == nullptr) return nullptr;
  if (parent == nullptr) parent = root_;
  if (parent == nullptr) return nullptr;
  const bool filtered = attributeName != nullptr && attributeValue != nullptr;
  for (CKzpXMLNode* node = parent->FindChild(name); node != nullptr;
       node = node->FindNextSibling(name)) {
    if (!filtered) return node;
    const wchar_t* value = node->GetAttribute(attributeName);
    if (value != nullptr && CompareNoCase(value, attributeValue) == 0) return node;
  }
  return nullptr;
}

int CompareNoCase(const wchar_t* a, const wchar_t* b) {
  std::wstring upperA = a != nullptr ? a : L"";
  std::wstring upperB = b != nullptr ? b : L"";
  for (wchar_t& c : upperA) c = static_cast<wchar_t>(std::towupper(c));
  for (wchar_t& c : upperB) c = static_cast<wchar_t>(std::towupper(c));
  return std::wcscmp(upperA.c_str(), upperB.c_str());
}
