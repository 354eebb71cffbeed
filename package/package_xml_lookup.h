#pragma once

#include <cstddef>

#include "xml/xml_reader.h"

// Lookups shared by the package queries. A null parent means "the previous
// step found nothing", never "the document's root level", so a missing
// element anywhere on a path ends the walk with null.

// The element `name` among parent's children (the last one in the document
// when several match); null when parent is null.
const CKzpXMLNode* FindChildElement(const CKzpXMLReader& document, const CKzpXMLNode* parent,
                                    const wchar_t* name);

// The translated element `name` under parent whose `lang` attribute is the
// language, compared without regard to case. Only when none exists is the
// English one taken; there is no other fallback.
const CKzpXMLNode* FindTranslated(const CKzpXMLReader& document, const CKzpXMLNode* parent,
                                  const wchar_t* name, const wchar_t* language);

// The text of a leaf element: its first child, when that is a text node.
const wchar_t* ElementText(const CKzpXMLNode* element);

// Copies text into a fixed field of `capacity` characters (terminator
// included). A text that does not fit is refused whole rather than cut, and
// the field is left empty: a shortened name would name another entry.
bool CopyToField(wchar_t* field, std::size_t capacity, const wchar_t* text);
