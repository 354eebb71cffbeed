#include "packer/folder_packer.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <ctime>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

namespace kzppack {
namespace {

namespace fs = std::filesystem;

// Positions in the package are signed 32-bit on the reading side.
constexpr std::uint64_t kMaxPackageSize = 0x7FFFFFFFu;

constexpr std::uint32_t kAttributeReadOnly = 0x01;
constexpr std::uint32_t kAttributeArchive = 0x20;

bool ReadWholeFile(const fs::path& path, Bytes& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

bool IsPlainAsciiName(const std::string& name) {
  return std::all_of(name.begin(), name.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 0x20 && byte < 0x7F && c != '\\' && c != ':';
  });
}

// Windows opens a device for these names (also with an extension), so the
// stub refuses an archive that holds one; refuse it here first.
bool NamesADevice(const std::string& relativeName) {
  std::size_t start = 0;
  while (start <= relativeName.size()) {
    std::size_t end = relativeName.find('/', start);
    if (end == std::string::npos) end = relativeName.size();
    std::string stem = relativeName.substr(start, end - start);
    stem = stem.substr(0, stem.find_first_of(". "));
    std::transform(stem.begin(), stem.end(), stem.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL") return true;
    if (stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) &&
        stem[3] >= '1' && stem[3] <= '9') {
      return true;
    }
    start = end + 1;
  }
  return false;
}

// The file's modification time as DOS date and time in local time, which is
// how the stub reads them back (clamped to the DOS range 1980..2107).
void SetDosTime(const fs::path& path, ZipEntrySpec& entry) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return;
  std::tm local{};
  const std::time_t seconds = info.st_mtime;
  if (localtime_r(&seconds, &local) == nullptr) return;
  const int year = std::clamp(local.tm_year + 1900, 1980, 2107);
  entry.dosDate = DosDate(year, local.tm_mon + 1, local.tm_mday);
  entry.dosTime = DosTime(local.tm_hour, local.tm_min, local.tm_sec);
}

struct FoundItem {
  std::string name;  // relative, forward slashes; folders end with '/'
  fs::path path;
  bool isFolder;
};

std::string CollectItems(const fs::path& folder, std::vector<FoundItem>& items) {
  std::error_code error;
  fs::recursive_directory_iterator it(folder, error), end;
  if (error) return "cannot read folder " + folder.string() + ": " + error.message();
  for (; it != end; it.increment(error)) {
    if (error) return "cannot read below " + folder.string() + ": " + error.message();
    const fs::directory_entry& item = *it;
    const std::string name = fs::relative(item.path(), folder).generic_string();
    if (!IsPlainAsciiName(name)) {
      return "name not allowed (plain ASCII without \\ and : only): " + name;
    }
    if (NamesADevice(name)) return "name of a Windows device not allowed: " + name;
    if (item.is_symlink()) return "symbolic links are not packed: " + name;
    if (item.is_directory()) {
      if (fs::is_empty(item.path())) items.push_back({name + "/", item.path(), true});
    } else if (item.is_regular_file()) {
      items.push_back({name, item.path(), false});
    } else {
      return "not a regular file: " + name;
    }
  }
  std::sort(items.begin(), items.end(),
            [](const FoundItem& a, const FoundItem& b) { return a.name < b.name; });
  return {};
}

}  // namespace

std::string PackFolder(const FolderPackOptions& options) {
  Bytes stub;
  if (!ReadWholeFile(options.stub, stub) || stub.empty()) {
    return "cannot read the stub " + options.stub.string();
  }
  if (!fs::is_directory(options.folder)) return "not a folder: " + options.folder.string();

  std::vector<FoundItem> items;
  if (std::string problem = CollectItems(options.folder, items); !problem.empty()) return problem;

  std::uint64_t total = stub.size();
  ZipWriter writer(std::move(stub));
  for (const FoundItem& item : items) {
    ZipEntrySpec entry;
    entry.name = item.name;
    if (item.isFolder) {
      entry.method = kMethodStored;
      entry.externalAttributes = 0x10;
    } else {
      if (!ReadWholeFile(item.path, entry.data)) return "cannot read " + item.path.string();
      entry.method = options.method;
      entry.externalAttributes = kAttributeArchive;
      if ((fs::status(item.path).permissions() & fs::perms::owner_write) == fs::perms::none) {
        entry.externalAttributes |= kAttributeReadOnly;
      }
    }
    SetDosTime(item.path, entry);
    total += entry.data.size() + 2 * entry.name.size() + 76;
    if (total > kMaxPackageSize) return "the package would exceed 2 GiB";
    writer.Add(std::move(entry));
  }

  const Bytes package = writer.Finish();
  if (package.empty()) return "compression failed";
  if (package.size() > kMaxPackageSize) return "the package would exceed 2 GiB";

  std::ofstream out(options.output, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(package.data()),
            static_cast<std::streamsize>(package.size()));
  out.close();
  if (!out) return "cannot write " + options.output.string();
  fs::permissions(options.output, fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                  fs::perm_options::add);
  return {};
}

}  // namespace kzppack
