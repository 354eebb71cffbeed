#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "packer/entry_name_encoding.h"
#include "packer/zip_writer.h"

// A package's files as the stub will see them, whether they still lie in a
// folder (before a build) or already in a package (check, inspect).
namespace kzppack {

enum class Severity { kError, kWarning };

struct Finding {
  Severity severity = Severity::kError;
  std::string file;  // the entry (or folder) it is about
  int line = 0;      // 0: not about one line
  std::string message;
};

struct PackageEntry {
  std::string name;         // as stored (entry_name_encoding.h), "/" separators
  bool utf8Name = false;    // stored in UTF-8, with flag bit 11
  std::string displayName;  // UTF-8, for messages
  bool isFolder = false;    // the name ends with "/"
  std::uint64_t size = 0;
  // Folder source only.
  std::filesystem::path path;
  std::uint32_t attributes = 0;  // read-only, hidden and system bits (file_access.h)
  std::int64_t modified = 0;     // seconds since 1970
};

struct PackageContents {
  std::string origin;       // the folder or package, for messages
  std::string packageName;  // the package's file name when known ("setup.exe")
  int codePage = 0;         // --codepage of the stored names; 0: none given
  std::vector<PackageEntry> entries;  // in directory order
  // Reads one entry whole; false with a message when it cannot.
  std::function<bool(const PackageEntry&, Bytes&, std::string&)> read;

  // The entry the stub's lookup (FindEntry) finds for a name, the first in
  // directory order; null when there is none. A plain ASCII name:
  const PackageEntry* Find(const std::string& name) const;
  // A name encoded by the name rule (entry_name_encoding.h) for this
  // package's code page.
  const PackageEntry* Find(const StoredName& name) const;
};

// ASCII letters folded, other bytes as they are (extensions).
bool SameNameIgnoringCase(const std::string& a, const std::string& b);

// A name (UTF-8) as Windows tells file names apart: in capitals by its own
// table (code_page.h). Two names with the same key are one file there.
std::wstring FoldedName(const std::string& utf8Name);

}  // namespace kzppack
