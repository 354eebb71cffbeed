#pragma once

#include <string>
#include <vector>

#include "packer/zip_writer.h"
#include "xml/xml_char.h"

// What an XML file says in its own words, next to what the stub's document
// (CKzpXMLReader) makes of it: the text each element holds before any rule
// drops a piece of it, the line each element starts on, and the parser's
// own account of an error. Read with the same parser build and Shift_JIS
// support as the stub's document.
namespace kzppack {

struct XmlSourceElement {
  KzpXMLString name;
  int line = 0;
  // All character data directly inside the element, CDATA content
  // included, in document order, with references resolved.
  KzpXMLString content;
  // The same outside CDATA sections only, and the last section's content.
  KzpXMLString text;
  KzpXMLString lastCdata;
  int cdataSections = 0;
};

struct XmlSource {
  bool wellFormed = false;
  int errorLine = 0;
  std::string error;           // the parser's message
  bool unknownEncoding = false;
  std::string encoding;        // as the XML declaration names it, UTF-8
  std::vector<XmlSourceElement> elements;  // in document order
};

// Throws std::bad_alloc, once the parser is done with, when memory ran out.
XmlSource ReadXmlSource(const Bytes& bytes);

}  // namespace kzppack
