#include "packer/folder_scan.h"

#include <algorithm>
#include <map>

#include "archive/entry_name_check.h"
#include "packer/code_page.h"
#include "packer/entry_name_encoding.h"
#include "packer/file_access.h"
#include "packer/text_convert.h"

namespace kzppack {
namespace {

namespace fs = std::filesystem;

bool NamesADevice(const std::wstring& component) {
  // The stub's own check, on this component alone.
  return !kzpzip::IsSafeEntryName(component.c_str()) &&
         component.find_first_not_of(L". ") != std::wstring::npos;
}

bool ReadWhole(const fs::path& path, Bytes& bytes, std::string& message) {
  InputFile file;
  std::uint64_t size = 0;
  if (!file.Open(path, message) || !file.Size(size, message)) return false;
  if (size > kMaxFileSize) {
    message = PathToUtf8(path) + ": 4 GiB or more";
    return false;
  }
  bytes.assign(static_cast<std::size_t>(size), 0);
  std::size_t got = 0;
  if (!file.ReadAt(0, bytes.data(), bytes.size(), got, message)) return false;
  bytes.resize(got);
  return true;
}

}  // namespace

std::string NameProblem(const std::string& utf8Name) {
  std::wstring wide;
  if (!Utf8ToWide(utf8Name, wide)) return "the name is not valid UTF-8";
  for (wchar_t c : wide) {
    if (c < 0x20 || std::wstring(L"<>\"|?*\\").find(c) != std::wstring::npos) {
      return "the name holds a character that Windows does not allow in file names";
    }
  }
  if (wide.find(L':') != std::wstring::npos) {
    return "the name holds a colon (a drive letter or a data stream), which the stub refuses";
  }
  if (!kzpzip::IsSafeEntryName(wide.c_str())) {
    std::size_t start = 0;
    while (start <= wide.size()) {
      std::size_t end = wide.find(L'/', start);
      if (end == std::wstring::npos) end = wide.size();
      if (NamesADevice(wide.substr(start, end - start))) {
        return "the name opens a Windows device (CON, NUL, COM1, ...), which the stub refuses";
      }
      start = end + 1;
    }
    return "the stub refuses this name (it climbs out of the folder with \"..\")";
  }
  std::size_t start = 0;
  while (start < wide.size()) {
    std::size_t end = wide.find(L'/', start);
    if (end == std::wstring::npos) end = wide.size();
    if (end > start && (wide[end - 1] == L'.' || wide[end - 1] == L' ')) {
      return "Windows drops a dot or blank at the end of a name, so the file would be renamed";
    }
    start = end + 1;
  }
  KzpXMLString units;
  Utf8ToUtf16(utf8Name, units);
  if (units.size() > kMaxNameUnits) {
    return "the name has " + std::to_string(units.size()) +
           " characters; the stub's paths of 260 characters hold at most " +
           std::to_string(kMaxNameUnits) + " below the shortest folder";
  }
  return {};
}

PackageContents ScanFolder(const fs::path& folder, int codePage,
                           std::vector<std::string>& refusals) {
  PackageContents contents;
  contents.origin = PathToUtf8(folder);
  contents.codePage = codePage;
  contents.read = [](const PackageEntry& entry, Bytes& bytes, std::string& message) {
    return ReadWhole(entry.path, bytes, message);
  };
  if (KindOf(folder) != PathKind::kFolder) {
    refusals.push_back(PathToUtf8(folder) + ": error: not a folder");
    return contents;
  }
  std::vector<FolderItem> items;
  ListFolder(folder, items, refusals);
  for (FolderItem& item : items) {
    const std::string where = PathToUtf8(item.path) + ": error: ";
    if (item.kind == ItemKind::kLink) {
      refusals.push_back(where + "symbolic links are not packed");
      continue;
    }
    if (item.kind == ItemKind::kFolder && !item.empty) continue;
    if (item.kind == ItemKind::kOther) {
      refusals.push_back(where + "not a regular file");
      continue;
    }
    PackageEntry entry;
    entry.displayName = item.name;
    entry.path = item.path;
    entry.isFolder = item.kind == ItemKind::kFolder;
    if (std::string problem = NameProblem(item.name); !problem.empty()) {
      refusals.push_back(where + problem);
      continue;
    }
    StoredName stored;
    if (!EncodeEntryName(codePage, item.name, stored)) {
      refusals.push_back(where + (codePage == kAsciiOnly
                                      ? "the name holds a control character (U+0080 to U+009F)"
                                      : "code page " + std::to_string(codePage) +
                                            " has no exact form for this name"));
      continue;
    }
    entry.name = stored.bytes;
    entry.utf8Name = stored.utf8;
    entry.modified = item.modified;
    entry.attributes = item.attributes;
    if (entry.isFolder) {
      entry.name += '/';
      entry.displayName += '/';
    } else {
      entry.size = item.size;
      if (entry.size > kMaxFileSize) {
        refusals.push_back(where + "4 GiB or more; the package format holds files below 4 GiB");
        continue;
      }
    }
    contents.entries.push_back(std::move(entry));
  }

  std::sort(contents.entries.begin(), contents.entries.end(),
            [](const PackageEntry& a, const PackageEntry& b) { return a.name < b.name; });
  // Windows folds letter case, of every letter it knows ("\u00C4.txt" and
  // "\u00E4.txt" too): two such names would be one file there.
  std::map<std::wstring, const PackageEntry*> seen;
  for (const PackageEntry& entry : contents.entries) {
    std::wstring key = FoldedName(entry.displayName);
    if (!key.empty() && key.back() == L'/') key.pop_back();
    auto [at, inserted] = seen.emplace(key, &entry);
    if (!inserted) {
      refusals.push_back(PathToUtf8(entry.path) + ": error: the same file on Windows as " +
                         at->second->displayName + " (names differ in letter case only)");
    }
  }
  if (contents.entries.size() > kMaxEntries) {
    refusals.push_back(PathToUtf8(folder) + ": error: " + std::to_string(contents.entries.size()) +
                       " files and empty folders; the stub reads at most 65,535 entries");
  }
  return contents;
}

}  // namespace kzppack
