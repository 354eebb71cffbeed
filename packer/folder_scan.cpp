#include "packer/folder_scan.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <map>
#include <system_error>

#include "archive/entry_name_check.h"
#include "packer/entry_name_encoding.h"
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
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    message = "cannot open " + path.string();
    return false;
  }
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (in.bad()) {
    message = "cannot read " + path.string();
    return false;
  }
  return true;
}

std::string FoldedAscii(const std::string& name) {
  std::string folded = name;
  for (char& c : folded) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return folded;
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
  contents.origin = folder.string();
  contents.codePage = codePage;
  contents.read = [](const PackageEntry& entry, Bytes& bytes, std::string& message) {
    return ReadWhole(entry.path, bytes, message);
  };
  std::error_code error;
  if (!fs::is_directory(folder, error)) {
    refusals.push_back(folder.string() + ": error: not a folder");
    return contents;
  }
  fs::recursive_directory_iterator it(folder, error), end;
  if (error) refusals.push_back(folder.string() + ": error: " + error.message());
  for (; !error && it != end; it.increment(error)) {
    const fs::directory_entry& item = *it;
    const std::string name = fs::relative(item.path(), folder).generic_string();
    const std::string where = item.path().string() + ": error: ";
    if (item.is_symlink()) {
      refusals.push_back(where + "symbolic links are not packed");
      continue;
    }
    PackageEntry entry;
    entry.displayName = name;
    entry.path = item.path();
    if (item.is_directory()) {
      if (!fs::is_empty(item.path(), error)) continue;
      entry.isFolder = true;
    } else if (!item.is_regular_file()) {
      refusals.push_back(where + "not a regular file");
      continue;
    }
    if (std::string problem = NameProblem(name); !problem.empty()) {
      refusals.push_back(where + problem);
      continue;
    }
    StoredName stored;
    if (!EncodeEntryName(codePage, name, stored)) {
      refusals.push_back(where + "code page " + std::to_string(codePage) +
                         " has no exact form for this name");
      continue;
    }
    entry.name = stored.bytes;
    entry.utf8Name = stored.utf8;
    struct stat info {};
    if (stat(item.path().c_str(), &info) != 0) {
      refusals.push_back(where + "cannot read its times");
      continue;
    }
    entry.modified = info.st_mtime;
    entry.readOnly = (info.st_mode & S_IWUSR) == 0;
    if (entry.isFolder) {
      entry.name += '/';
      entry.displayName += '/';
    } else {
      entry.size = static_cast<std::uint64_t>(info.st_size);
      if (entry.size > kMaxFileSize) {
        refusals.push_back(where + "4 GiB or more; the package format holds files below 4 GiB");
        continue;
      }
    }
    contents.entries.push_back(std::move(entry));
  }
  if (error) refusals.push_back(folder.string() + ": error: " + error.message());

  std::sort(contents.entries.begin(), contents.entries.end(),
            [](const PackageEntry& a, const PackageEntry& b) { return a.name < b.name; });
  // Windows folds letter case: two such names would be one file there.
  std::map<std::string, const PackageEntry*> seen;
  for (const PackageEntry& entry : contents.entries) {
    std::string key = FoldedAscii(entry.displayName);
    if (!key.empty() && key.back() == '/') key.pop_back();
    auto [at, inserted] = seen.emplace(key, &entry);
    if (!inserted) {
      refusals.push_back(entry.path.string() + ": error: the same file on Windows as " +
                         at->second->displayName + " (names differ in letter case only)");
    }
  }
  if (contents.entries.size() > kMaxEntries) {
    refusals.push_back(folder.string() + ": error: " + std::to_string(contents.entries.size()) +
                       " files and empty folders; the stub reads at most 65,535 entries");
  }
  return contents;
}

}  // namespace kzppack
