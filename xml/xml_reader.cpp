#include "xml/xml_reader.h"

#include <expat.h>

#include <clocale>
#include <initializer_list>
#include <cwctype>
#include <memory>
#include <new>
#include <string>
#include <type_traits>

#include "xml/shift_jis_encoding.h"

// Expat must be built and used with 16-bit characters (XML_UNICODE; on
// Windows XML_UNICODE_WCHAR_T too), or XML_Char silently becomes char.
static_assert(sizeof(XML_Char) == sizeof(KzpXMLChar) && !std::is_same_v<XML_Char, char>,
              "Expat must be used with UTF-16 characters");

namespace {

// Expat's characters are the document's: the same UTF-16 units, but on
// other platforms than Windows declared as unsigned short.
const KzpXMLChar* Text(const XML_Char* text) { return reinterpret_cast<const KzpXMLChar*>(text); }
const KzpXMLChar* const* Texts(const XML_Char** texts) {
  return reinterpret_cast<const KzpXMLChar* const*>(texts);
}

// How the input stores a character, learnt from where the parser says the
// document element's "<" stands: UTF-16 in either byte order, or one byte
// for every character that markup uses (UTF-8, ISO-8859-1, US-ASCII and
// Shift_JIS alike).
enum class InputUnits { kUnknown, kBytes, kUtf16Le, kUtf16Be };

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

  // The input, to tell a piece of a run that the parser cut from a new run
  // (see ContinuesRun).
  const unsigned char* input = nullptr;
  XML_Index inputLength = 0;
  InputUnits units = InputUnits::kUnknown;
  // The last piece of character data, while no other event followed it:
  // where the parser said it began and ended in the input, whether it was
  // plain characters (not a line end or a reference), and the node its run
  // went to (null when the run was dropped).
  bool runOpen = false;
  bool runIsPlain = false;
  XML_Index runStart = 0;
  XML_Index runEnd = 0;
  CKzpXMLNode* runTarget = nullptr;
  // The run's last piece ended in a high surrogate, whose low half must
  // begin the next piece of the same run.
  bool runAwaitsLowSurrogate = false;
};

bool IsWhiteSpace(KzpXMLChar c) {
  return c == u'\t' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r' || c == u' ';
}

bool IsLeadSurrogate(KzpXMLChar c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsTrailSurrogate(KzpXMLChar c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Expat does not check that a high surrogate in UTF-16 input is followed by a
// low one.
bool HasLoneSurrogate(const KzpXMLChar* text, std::size_t count) {
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

bool HasLoneSurrogate(const KzpXMLChar* text) {
  return HasLoneSurrogate(text, std::char_traits<KzpXMLChar>::length(text));
}

void Fail(XMLParseContext& context) {
  context.failed = true;
  XML_StopParser(context.parser, XML_FALSE);
}

// Every event other than character data ends the current run; a high
// surrogate still waiting for its low half is then unpaired. False (and the
// parse failed) in that case.
bool EndRun(XMLParseContext& context) {
  const bool paired = !context.runAwaitsLowSurrogate;
  context.runOpen = false;
  context.runTarget = nullptr;
  context.runAwaitsLowSurrogate = false;
  if (!paired) Fail(context);
  return paired;
}

void LearnInputUnits(XMLParseContext& context) {
  if (context.units != InputUnits::kUnknown) return;
  const XML_Index at = XML_GetCurrentByteIndex(context.parser);
  if (at < 0 || at + 1 >= context.inputLength) return;
  if (context.input[at] == 0) {
    context.units = InputUnits::kUtf16Be;
  } else if (context.input[at + 1] == 0) {
    context.units = InputUnits::kUtf16Le;
  } else {
    context.units = InputUnits::kBytes;
  }
}

// True when the input holds "&" at this position: a reference, whose
// character (or, for an internal entity, every piece of whose text) the
// parser reports at the reference's place.
bool IsReferenceAt(const XMLParseContext& context, XML_Index at) {
  if (at < 0 || at >= context.inputLength) return false;
  const unsigned char* c = context.input + at;
  const bool hasTwo = at + 1 < context.inputLength;
  switch (context.units) {
    case InputUnits::kBytes:
      return c[0] == '&';
    case InputUnits::kUtf16Le:
      return hasTwo && c[0] == '&' && c[1] == 0;
    case InputUnits::kUtf16Be:
      return hasTwo && c[0] == 0 && c[1] == '&';
    case InputUnits::kUnknown:
      break;
  }
  return false;
}

// The parser hands a long run of plain characters over in pieces, cut
// wherever its conversion buffer fills (between the halves of a surrogate
// pair, too). It reports each piece as an event that begins where the piece
// begins in the input and ends where the piece ends (outside CDATA sections)
// or where the run ends (inside them). So a later piece of a run begins
// after the piece before it began, and no later than where that one was
// said to end. A line end or a reference right after a run begins there as
// well, but is not plain: a line end arrives as a lone LF, which a plain
// run never holds, and a reference begins with "&" in the input. Neither
// test depends on the size of the parser's buffer. Records the piece as the
// run's last one.
bool ContinuesRun(XMLParseContext& context, const KzpXMLChar* piece) {
  const XML_Index start = XML_GetCurrentByteIndex(context.parser);
  const int byteCount = XML_GetCurrentByteCount(context.parser);
  const bool plain = start >= 0 && piece[0] != u'\n' && !IsReferenceAt(context, start);
  const bool continues = context.runOpen && context.runIsPlain && plain &&
                         start > context.runStart && start <= context.runEnd;
  context.runOpen = true;
  context.runIsPlain = plain;
  context.runStart = start;
  context.runEnd = start + byteCount;
  return continues;
}

// False when the piece holds a surrogate without its other half. A high
// surrogate at the end of a piece may find its low half at the start of the
// next piece of the same run.
bool SurrogatesPair(XMLParseContext& context, const KzpXMLChar* piece, int count, bool continues) {
  std::size_t from = 0;
  std::size_t to = static_cast<std::size_t>(count);
  if (context.runAwaitsLowSurrogate) {
    if (!continues || !IsTrailSurrogate(piece[0])) return false;
    from = 1;
  }
  context.runAwaitsLowSurrogate = to > from && IsLeadSurrogate(piece[to - 1]);
  if (context.runAwaitsLowSurrogate) --to;
  return !HasLoneSurrogate(piece + from, to - from);
}

// Links a new node under current; answers it, or null when memory ran out.
CKzpXMLNode* AddNode(XMLParseContext& context, const KzpXMLChar* name,
                     const KzpXMLChar* const* attributes, int type) {
  try {
    auto node = std::make_unique<CKzpXMLNode>(name, attributes, type);
    context.current->AppendChild(node.get());
    return node.release();
  } catch (const std::bad_alloc&) {
    Fail(context);
    return nullptr;
  }
}

void AppendPiece(XMLParseContext& context, CKzpXMLNode* node, const KzpXMLChar* piece, int count) {
  try {
    node->AppendText(piece, count);
  } catch (const std::bad_alloc&) {
    Fail(context);
  }
}

// The handlers never throw: Expat is built without unwind tables, so no
// exception may pass through its frames (a bad_alloc ends the parse).
void XMLCALL OnStartElement(void* data, const XML_Char* name,
                            const XML_Char** attributes) noexcept {
  auto& context = *static_cast<XMLParseContext*>(data);
  if (context.failed || !EndRun(context)) return;
  LearnInputUnits(context);
  for (const XML_Char** a = attributes; *a != nullptr; ++a) {
    if (HasLoneSurrogate(Text(*a))) return Fail(context);
  }
  context.textAllowed = true;
  context.firstPiece = true;
  if (CKzpXMLNode* node = AddNode(context, Text(name), Texts(attributes), XML_NODE_ELEMENT)) {
    context.current = node;
  }
}

// Text that follows a child's end tag (mixed content) is read by no one; it
// is dropped up to the next start tag instead of being appended to a text
// node deep inside the child.
void XMLCALL OnEndElement(void* data, const XML_Char* /*name*/) noexcept {
  auto& context = *static_cast<XMLParseContext*>(data);
  if (context.failed || !EndRun(context) || context.current->GetParent() == nullptr) return;
  context.current = context.current->GetParent();
  context.textAllowed = false;
}

void XMLCALL OnStartCdata(void* data) noexcept {
  auto& context = *static_cast<XMLParseContext*>(data);
  if (context.failed || !EndRun(context)) return;
  context.textAllowed = true;
  context.inCdata = true;
  if (CKzpXMLNode* node = AddNode(context, KZP_XML_TEXT("#CDATA"), nullptr, XML_NODE_TEXT)) {
    context.current = node;
  }
}

void XMLCALL OnEndCdata(void* data) noexcept {
  auto& context = *static_cast<XMLParseContext*>(data);
  if (context.failed || !EndRun(context) || context.current->GetParent() == nullptr) return;
  context.inCdata = false;
  context.textAllowed = false;
  context.current = context.current->GetParent();
}

// The rules for the first piece of a run outside CDATA sections: only text
// that starts right after a start tag with a character that is not white
// space is kept, and within it every run that starts with white space (line
// ends included) is dropped. Answers the node the run goes to, or null when
// it is dropped.
CKzpXMLNode* PlaceRun(XMLParseContext& context, const KzpXMLChar* piece, int count) {
  if (!context.textAllowed) return nullptr;
  const bool startsWhite = IsWhiteSpace(piece[0]);
  if (context.firstPiece) {
    if (startsWhite) {
      context.textAllowed = false;
      return nullptr;
    }
    CKzpXMLNode* node = AddNode(context, KZP_XML_TEXT("#TEXT"), nullptr, XML_NODE_TEXT);
    if (node == nullptr) return nullptr;
    AppendPiece(context, node, piece, count);
    context.pendingText = node;
    context.firstPiece = false;
    return node;
  }
  if (startsWhite || context.pendingText == nullptr) return nullptr;
  AppendPiece(context, context.pendingText, piece, count);
  return context.pendingText;
}

// The parser hands over each line end, each character or entity reference
// and every other run of text as a piece of its own, and a long run in
// several pieces. The pieces of one run count as one: the rules look only at
// the first, and the others follow it (kept or dropped alike).
void XMLCALL OnCharacterData(void* data, const XML_Char* characters, int count) noexcept {
  auto& context = *static_cast<XMLParseContext*>(data);
  const KzpXMLChar* piece = Text(characters);
  if (context.failed || count <= 0) return;
  const bool continues = ContinuesRun(context, piece);
  if (!SurrogatesPair(context, piece, count, continues)) return Fail(context);
  if (context.inCdata) {
    AppendPiece(context, context.current, piece, count);
  } else if (continues) {
    if (context.runTarget != nullptr) AppendPiece(context, context.runTarget, piece, count);
  } else {
    context.runTarget = PlaceRun(context, piece, count);
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
  root_ = new CKzpXMLNode(KZP_XML_TEXT("#DOCROOT"), nullptr, XML_NODE_ELEMENT);
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
  context.input = static_cast<const unsigned char*>(buffer);
  context.inputLength = length;
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
  if (status != XML_STATUS_OK || context.failed || !EndRun(context)) return kParseFailed;
  loaded_ = true;
  return kParseOk;
}

CKzpXMLNode* CKzpXMLReader::FindElement(const CKzpXMLNode* parent, const KzpXMLChar* name,
                                        const KzpXMLChar* attributeName,
                                        const KzpXMLChar* attributeValue) const {
  if (!loaded_ || name == nullptr) return nullptr;
  if (parent == nullptr) parent = root_;
  if (parent == nullptr) return nullptr;
  const bool filtered = attributeName != nullptr && attributeValue != nullptr;
  for (CKzpXMLNode* node = parent->FindChild(name); node != nullptr;
       node = node->FindNextSibling(name)) {
    if (!filtered) return node;
    const KzpXMLChar* value = node->GetAttribute(attributeName);
    if (value != nullptr && CompareNoCase(value, attributeValue) == 0) return node;
  }
  return nullptr;
}

int CompareNoCase(const KzpXMLChar* a, const KzpXMLChar* b) {
  KzpXMLString upperA = a != nullptr ? a : KZP_XML_TEXT("");
  KzpXMLString upperB = b != nullptr ? b : KZP_XML_TEXT("");
  for (KzpXMLString* text : {&upperA, &upperB}) {
    for (KzpXMLChar& c : *text) {
      c = static_cast<KzpXMLChar>(std::towupper(static_cast<std::wint_t>(c)));
    }
  }
  // Unit by unit, by value, as wcscmp compares.
  const int order = upperA.compare(upperB);
  return order < 0 ? -1 : (order > 0 ? 1 : 0);
}
