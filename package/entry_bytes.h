#pragma once

#include <cstdint>
#include <memory>

#include "archive/zip_file_entry.h"
#include "xml/xml_reader.h"

// The decoded bytes of one whole archive entry.
struct EntryBytes {
  std::unique_ptr<std::uint8_t[]> data;
  std::uint32_t size = 0;
};

// Reads the entry whole into a buffer of its declared uncompressed size.
// That size comes from the archive and may be hostile (up to 4 GiB with a
// few bytes of data behind it): a buffer that cannot be had is a failed
// read, never a crash. False when allocation or the read fails.
bool ReadWholeEntry(kzpzip::ZIP_FileEntry& entry, EntryBytes& bytes);

// Reads the entry whole and parses it into document; the buffer is released
// before returning. False when the read or the parse fails.
bool ParseEntry(kzpzip::ZIP_FileEntry& entry, CKzpXMLReader& document);
