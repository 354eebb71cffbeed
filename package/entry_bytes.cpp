#include "package/entry_bytes.h"

#include <climits>
#include <new>

#include "archive/zip_result.h"

bool ReadWholeEntry(kzpzip::ZIP_FileEntry& entry, EntryBytes& bytes) {
  bytes.data.reset();
  bytes.size = 0;
  const std::uint32_t size = entry.uncompressedSize;
  // Not zero-filled on purpose: a declared size far beyond the real data
  // then costs address space only, as the read writes just what it decodes.
  std::unique_ptr<std::uint8_t[]> data(new (std::nothrow) std::uint8_t[size == 0 ? 1 : size]);
  if (!data) return false;
  if (entry.Read(data.get(), size) != kzpzip::ZIP_OK) return false;
  bytes.data = std::move(data);
  bytes.size = size;
  return true;
}

bool ParseEntry(kzpzip::ZIP_FileEntry& entry, CKzpXMLReader& document) {
  // The parser takes an int length; no package file comes near 2 GiB.
  if (entry.uncompressedSize > static_cast<std::uint32_t>(INT_MAX)) return false;
  EntryBytes bytes;
  if (!ReadWholeEntry(entry, bytes)) return false;
  return document.Parse(bytes.data.get(), static_cast<int>(bytes.size)) == CKzpXMLReader::kParseOk;
}
