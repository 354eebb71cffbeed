#pragma once

#include <cstddef>

#include "xml/xml_reader.h"

// Lookups shared by the package queries, and by the packer, which builds
// this file natively to show and check packages as the stub reads them. A null parent means "the previous
// step found nothing", never "the document's root level", so a missing
// element anywhere on a path ends the walk with null.

// The element `name` among parent's children (the last one in the document
// when several match); null when parent is null.
const CKzpXMLNode* FindChildElement(const CKzpXMLReader& document, const CKzpXMLNode* parent,
                                    const KzpXMLChar* name);

// The translated element `name` under parent whose `lang` attribute is the
// language, compared without regard to case. Only when none exists is the
// English one taken; there is no other fallback.
const CKzpXMLNode* FindTranslated(const CKzpXMLReader& document, const CKzpXMLNode* parent,
                                  const KzpXMLChar* name, const KzpXMLChar* language);

// The text of a leaf element: its first child, when that is a text node.
const KzpXMLChar* ElementText(const CKzpXMLNode* element);

// The text of a translated description: its CDATA section when it has one
// (the last one in the document), which keeps the text whole (line ends,
// leading blanks); otherwise its first child, when that is a text node.
const KzpXMLChar* DescriptionText(const CKzpXMLNode* element);

// Copies text into a fixed field of `capacity` characters (terminator
// included). A text that does not fit is refused whole rather than cut, and
// the field is left empty: a shortened name would name another entry.
bool CopyToField(KzpXMLChar* field, std::size_t capacity, const KzpXMLChar* text);
