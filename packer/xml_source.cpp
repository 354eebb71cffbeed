#include "packer/xml_source.h"

#include <expat.h>

#include <memory>
#include <new>

#include "packer/text_convert.h"
#include "xml/shift_jis_encoding.h"

namespace kzppack {
namespace {

struct SourceContext {
  XML_Parser parser = nullptr;
  XmlSource* source = nullptr;
  std::vector<std::size_t> open;  // indexes of the open elements
  bool inCdata = false;
  bool outOfMemory = false;
};

// Expat is built without unwind tables (cmake/Expat.cmake): no exception
// may pass through its frames. Each handler runs its work through this,
// and a bad_alloc stops the parse; ReadXmlSource throws it again once
// Expat has returned.
template <typename Work>
void Guarded(SourceContext& context, Work&& work) noexcept {
  if (context.outOfMemory) return;
  try {
    work();
  } catch (const std::bad_alloc&) {
    context.outOfMemory = true;
    XML_StopParser(context.parser, XML_FALSE);
  }
}

KzpXMLString Text(const XML_Char* text, int count) {
  return KzpXMLString(reinterpret_cast<const KzpXMLChar*>(text), static_cast<std::size_t>(count));
}

KzpXMLString Text(const XML_Char* text) {
  return KzpXMLString(reinterpret_cast<const KzpXMLChar*>(text));
}

// Expat's own messages: narrow, or wide where XML_Char is wchar_t.
[[maybe_unused]] std::string Message(const char* text) { return text != nullptr ? text : ""; }
[[maybe_unused]] std::string Message(const wchar_t* text) {
  return text != nullptr ? WideToUtf8(text) : std::string();
}

void XMLCALL OnStart(void* data, const XML_Char* name,
                     const XML_Char** /*attributes*/) noexcept {
  auto& context = *static_cast<SourceContext*>(data);
  Guarded(context, [&] {
    XmlSourceElement element;
    element.name = Text(name);
    element.line = static_cast<int>(XML_GetCurrentLineNumber(context.parser));
    context.open.push_back(context.source->elements.size());
    context.source->elements.push_back(std::move(element));
  });
}

void XMLCALL OnEnd(void* data, const XML_Char* /*name*/) noexcept {
  auto& context = *static_cast<SourceContext*>(data);
  if (!context.open.empty()) context.open.pop_back();
}

void XMLCALL OnText(void* data, const XML_Char* text, int count) noexcept {
  auto& context = *static_cast<SourceContext*>(data);
  if (context.open.empty()) return;
  Guarded(context, [&] {
    XmlSourceElement& element = context.source->elements[context.open.back()];
    element.content += Text(text, count);
    (context.inCdata ? element.lastCdata : element.text) += Text(text, count);
  });
}

void XMLCALL OnCdata(void* data) noexcept {
  auto& context = *static_cast<SourceContext*>(data);
  context.inCdata = true;
  if (context.open.empty()) return;
  XmlSourceElement& element = context.source->elements[context.open.back()];
  ++element.cdataSections;
  element.lastCdata.clear();
}

void XMLCALL OnCdataEnd(void* data) noexcept {
  static_cast<SourceContext*>(data)->inCdata = false;
}

void XMLCALL OnDeclaration(void* data, const XML_Char* /*version*/, const XML_Char* encoding,
                           int /*standalone*/) noexcept {
  auto& context = *static_cast<SourceContext*>(data);
  if (encoding == nullptr) return;
  Guarded(context, [&] { context.source->encoding = Utf16ToUtf8(Text(encoding)); });
}

struct ParserFree {
  void operator()(XML_ParserStruct* parser) const { XML_ParserFree(parser); }
};

}  // namespace

XmlSource ReadXmlSource(const Bytes& bytes) {
  XmlSource source;
  std::unique_ptr<XML_ParserStruct, ParserFree> parser(XML_ParserCreate(nullptr));
  if (!parser) {
    source.error = "out of memory";
    return source;
  }
  SourceContext context;
  context.parser = parser.get();
  context.source = &source;
  XML_SetUserData(parser.get(), &context);
  XML_SetElementHandler(parser.get(), OnStart, OnEnd);
  XML_SetCharacterDataHandler(parser.get(), OnText);
  XML_SetCdataSectionHandler(parser.get(), OnCdata, OnCdataEnd);
  XML_SetXmlDeclHandler(parser.get(), OnDeclaration);
  XML_SetUnknownEncodingHandler(parser.get(), ShiftJisEncodingHandler, nullptr);
  XML_SetParamEntityParsing(parser.get(), XML_PARAM_ENTITY_PARSING_NEVER);
  const XML_Status status =
      XML_Parse(parser.get(), reinterpret_cast<const char*>(bytes.data()),
                static_cast<int>(bytes.size()), XML_TRUE);
  if (context.outOfMemory) throw std::bad_alloc();
  if (status == XML_STATUS_OK) {
    source.wellFormed = true;
    return source;
  }
  const XML_Error code = XML_GetErrorCode(parser.get());
  source.unknownEncoding = code == XML_ERROR_UNKNOWN_ENCODING;
  source.errorLine = static_cast<int>(XML_GetCurrentLineNumber(parser.get()));
  source.error = Message(XML_ErrorString(code));
  return source;
}

}  // namespace kzppack
