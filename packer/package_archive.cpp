#include "packer/package_archive.h"

#include <zlib.h>

#include <algorithm>
#include <map>
#include <memory>
#include <set>

#include "archive/certificate_table.h"
#include "archive/decodable_entry.h"
#include "archive/directory_rules.h"
#include "archive/entry_name_check.h"
#include "archive/file_spans.h"
#include "archive/zip_records.h"
#include "archive/zip_result.h"
#include "packer/code_page.h"
#include "packer/entry_name_encoding.h"
#include "packer/file_access.h"
#include "packer/text_convert.h"

namespace kzppack {
namespace {

namespace fs = std::filesystem;
using namespace kzpzip;

constexpr std::uint32_t kFlagDataDescriptor = 0x0008;
constexpr std::size_t kChunk = 16384;

// Why the stub cannot decode an entry's data (IsDecodableEntry says it
// cannot).
std::string UndecodableReason(const ArchiveEntryInfo& entry) {
  if ((entry.flags & kFlagEncrypted) != 0) return "encrypted (flag bit 0), which it cannot decrypt";
  const char* name = MethodName(entry.method);
  return "packed with method " + std::to_string(entry.method) + " (" +
         (name != nullptr ? name : "unknown") + "); it reads stored (0) and deflated (8) entries only";
}

std::string Count(std::size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

// Exactly size bytes at offset; fewer only where the file ends.
bool ReadBytes(InputFile& file, std::uint64_t offset, std::uint8_t* out, std::size_t size,
               std::size_t& got) {
  std::string ignored;
  return file.ReadAt(offset, out, size, got, ignored);
}

struct Walk {
  InputFile& file;
  std::uint32_t fileSize;
  ArchiveListing& listing;

  int Fail(int result, std::string why) {
    listing.result = result;
    listing.error = std::move(why);
    listing.entries.clear();
    return result;
  }
};

// Which of the eight shared fields (or the name) differ.
std::string Disagreements(const ZipSharedFields& local, const ZipSharedFields& central,
                          bool namesDiffer) {
  std::vector<std::string> fields;
  if (local.versionNeeded != central.versionNeeded) fields.push_back("version needed");
  if (local.flags != central.flags) fields.push_back("flags");
  if (local.compressionMethod != central.compressionMethod) fields.push_back("method");
  if (local.lastModTime != central.lastModTime) fields.push_back("time");
  if (local.lastModDate != central.lastModDate) fields.push_back("date");
  if (local.crc != central.crc) fields.push_back("CRC-32");
  if (local.compressedSize != central.compressedSize) fields.push_back("compressed size");
  if (local.uncompressedSize != central.uncompressedSize) fields.push_back("size");
  if (namesDiffer) fields.push_back("name");
  std::string text;
  for (std::size_t i = 0; i < fields.size(); ++i) text += (i > 0 ? ", " : "") + fields[i];
  return text;
}

const char kOffsetsHint[] =
    " (are its offsets counted from the start of the ZIP instead of the file? \"zip -A\" "
    "adjusts them)";

// The local header of one entry, checked against its central record as the
// stub checks it.
int LoadLocalHeader(Walk& walk, const ZipCentralHeader& central, const std::string& centralName,
                    ArchiveEntryInfo& entry) {
  const std::string who = "the local header of " + Printable(entry.name);
  if (!IsReachable(central.localHeaderOffset)) {
    return walk.Fail(ZIP_E_SEEK, who + " lies at 2 GiB or beyond, where the stub cannot seek");
  }
  std::uint8_t fixed[kLocalHeaderSize] = {};
  std::size_t got = 0;
  if (!ReadBytes(walk.file, central.localHeaderOffset, fixed, sizeof fixed, got) ||
      got < sizeof fixed) {
    return walk.Fail(ZIP_E_BAD_ARCHIVE, who + " lies past the end of the file" + kOffsetsHint);
  }
  const ZipLocalHeader local = DecodeLocalHeader(fixed);
  if (local.signature != kLocalHeaderSignature) {
    return walk.Fail(ZIP_E_BAD_ARCHIVE,
                     who + " is not at the offset its central record gives" + kOffsetsHint);
  }
  std::string localName(local.nameLength, '\0');
  if (!ReadBytes(walk.file, std::uint64_t{central.localHeaderOffset} + kLocalHeaderSize,
                 reinterpret_cast<std::uint8_t*>(&localName[0]), localName.size(), got) ||
      got < localName.size() ||
      std::uint64_t{central.localHeaderOffset} + kLocalHeaderSize + local.nameLength +
              local.extraLength > walk.fileSize) {
    return walk.Fail(ZIP_E_BAD_ARCHIVE, who + " is cut short by the end of the file");
  }
  if (!LocalHeaderAgrees(central, reinterpret_cast<const std::uint8_t*>(centralName.data()), local,
                         reinterpret_cast<const std::uint8_t*>(localName.data()))) {
    const bool namesDiffer = localName != centralName;
    if ((central.shared.flags & kFlagDataDescriptor) != 0) {
      return walk.Fail(ZIP_E_BAD_ARCHIVE,
                       Printable(entry.name) +
                           " was written with a data descriptor (flag bit 3): its local header "
                           "lacks the CRC-32 and sizes that the stub takes from it");
    }
    return walk.Fail(ZIP_E_BAD_ARCHIVE,
                     who + " disagrees with its central record (" +
                         Disagreements(local.shared, central.shared, namesDiffer) + ")");
  }
  entry.dataOffset = DataOffsetOf(central.localHeaderOffset, local);
  return ZIP_OK;
}

// The certificate table's search reads through our file calls, and reaches
// what the stub's seeks reach.
bool ReadAtFromFile(void* source, std::uint32_t offset, void* buffer, std::uint32_t size,
                    std::uint32_t* got) {
  std::size_t read = 0;
  const bool ok = IsReachable(offset) &&
                  ReadBytes(*static_cast<InputFile*>(source), offset,
                            static_cast<std::uint8_t*>(buffer), size, read);
  *got = static_cast<std::uint32_t>(read);
  return ok;
}

// The end record nearest to the end of the file, within its last 65,535
// bytes; 0 for none (a record at position 0 counts as none).
std::uint32_t FindEndRecord(Walk& walk, std::uint32_t limit) {
  std::uint32_t start = 0;
  std::uint32_t span = 0;
  if (!EndRecordWindow(limit, &start, &span) || !IsReachable(start)) return 0;
  std::vector<std::uint8_t> window(span);
  std::size_t got = 0;
  if (!ReadBytes(walk.file, start, window.data(), span, got) || got < span) return 0;
  const std::size_t at = FindLastEndSignature(window.data(), span);
  return at == kNoEndSignature ? 0 : start + static_cast<std::uint32_t>(at);
}

int ReadDirectory(Walk& walk) {
  // In a signed program the archive ends where the certificate table
  // starts: what lies in or after it is not covered by the signature.
  const std::uint32_t limit = FindArchiveLimit(ReadAtFromFile, &walk.file, walk.fileSize);
  const std::uint32_t endPosition = FindEndRecord(walk, limit);
  if (endPosition == 0) {
    return walk.Fail(ZIP_E_FAIL,
                     "there is no ZIP end record in its last 65,535 bytes (a program without a "
                     "package, or an archive comment of nearly 64 KiB)");
  }
  std::uint8_t bytes[kEndRecordSize] = {};
  std::size_t got = 0;
  ReadBytes(walk.file, endPosition, bytes, std::min<std::size_t>(kEndRecordSize, limit - endPosition),
            got);
  const ZipEndRecord end = DecodeEndRecord(bytes);
  if (!IsWholeEndRecord(end, static_cast<std::uint32_t>(got))) {
    return walk.Fail(ZIP_E_BAD_ARCHIVE, "its ZIP end record is cut short by the end of the file");
  }
  if (SpansSeveralDisks(end)) {
    return walk.Fail(ZIP_E_BAD_ARCHIVE,
                     "its end record describes an archive on several disks (disk numbers, or "
                     "entries on this disk and in all, differ); the stub reads one-disk archives");
  }
  if (end.centralDirOffset == 0) {
    if (ResultWithoutDirectory(end.totalEntries) == ZIP_OK) return ZIP_OK;
    return walk.Fail(ZIP_E_BAD_ARCHIVE,
                     "its end record declares " + Count(end.totalEntries, "entry", "entries") +
                         " but puts the central directory at offset 0");
  }
  if (!IsReachable(end.centralDirOffset)) {
    return walk.Fail(ZIP_E_SEEK,
                     "its central directory lies at 2 GiB or beyond, where the stub cannot seek");
  }

  std::vector<ZipFileSpan> spans;
  std::uint64_t position = end.centralDirOffset;
  for (std::uint32_t i = 0; i < end.totalEntries; ++i) {
    const std::string which = "central directory record " + std::to_string(i + 1) + " of " +
                              std::to_string(end.totalEntries);
    std::uint8_t fixed[kCentralHeaderSize] = {};
    if (!ReadBytes(walk.file, position, fixed, sizeof fixed, got) || got < sizeof fixed) {
      return walk.Fail(ZIP_E_BAD_ARCHIVE, which + " is missing: the file ends first" +
                                              (i == 0 ? kOffsetsHint : ""));
    }
    const ZipCentralHeader central = DecodeCentralHeader(fixed);
    if (central.signature != kCentralHeaderSignature) {
      return walk.Fail(ZIP_E_BAD_ARCHIVE,
                       which + " is not where it should be" + (i == 0 ? kOffsetsHint : ""));
    }
    position += kCentralHeaderSize;
    std::string name(central.nameLength, '\0');
    const std::size_t rest = std::size_t{central.extraLength} + central.commentLength;
    if (!ReadBytes(walk.file, position, reinterpret_cast<std::uint8_t*>(&name[0]), name.size(),
                   got) ||
        got < name.size() || position + name.size() + rest > walk.fileSize) {
      return walk.Fail(ZIP_E_BAD_ARCHIVE, which + " is cut short by the end of the file");
    }
    position += name.size() + rest;

    ArchiveEntryInfo entry;
    // The stub keeps a name up to its first zero byte.
    entry.name = name.substr(0, name.find('\0'));
    entry.flags = central.shared.flags;
    entry.method = central.shared.compressionMethod;
    entry.dosDate = central.shared.lastModDate;
    entry.dosTime = central.shared.lastModTime;
    entry.crc = central.shared.crc;
    entry.size = central.shared.uncompressedSize;
    entry.packedSize = central.shared.compressedSize;
    entry.attributes = central.externalAttributes;
    if (LoadLocalHeader(walk, central, name, entry) != ZIP_OK) return walk.listing.result;
    spans.push_back(MemberSpan(central.localHeaderOffset, entry.dataOffset, entry.packedSize));
    walk.listing.entries.push_back(std::move(entry));
  }
  spans.push_back({end.centralDirOffset, position});
  spans.push_back({endPosition, std::uint64_t{endPosition} + kEndRecordSize});
  std::vector<ZipFileSpan> sorted = spans;
  if (!SpansFitApart(sorted, limit)) {
    const bool pastEnd = std::any_of(spans.begin(), spans.end(),
                                     [limit](const ZipFileSpan& s) { return s.end > limit; });
    return walk.Fail(ZIP_E_BAD_ARCHIVE,
                     pastEnd ? "its records or an entry's data reach past the end of the archive's part "
                               "of the file (the end of the file, or a signature's certificate "
                               "table)"
                             : "entries share bytes with each other or with the central directory "
                               "(a few kilobytes could decode to gigabytes)");
  }
  return ZIP_OK;
}

// A name as the stub widens it: by the name rule (UTF-8 where it is marked
// so, else in the code page), with what does not decode as U+FFFD; "/" and
// "\" both separate folders.
std::wstring WideName(int codePage, const ArchiveEntryInfo& entry, bool& decodes) {
  std::string utf8;
  decodes = DecodeEntryName(codePage, StoredName{entry.name, entry.utf8Name()}, utf8);
  if (!decodes) {
    utf8.clear();
    for (unsigned char c : entry.name) {
      utf8 += c < 0x80 ? std::string(1, static_cast<char>(c)) : "\xEF\xBF\xBD";
    }
  }
  std::wstring wide;
  Utf8ToWide(utf8, wide);
  return wide;
}

// The levels of a target path as Win32 names them, and so as the stub's
// paths reach them: empty and "." levels dropped; a level that a separator
// follows loses one trailing dot ("dir./" is "dir", "dir /" stays "dir "),
// while the last level of a file's path loses all its trailing dots and
// blanks ("x.txt. " is "x.txt").
std::vector<std::wstring> Levels(const std::wstring& name) {
  std::vector<std::wstring> levels;
  std::wstring level;
  auto flush = [&](bool last) {
    if (last) {
      while (!level.empty() && (level.back() == L'.' || level.back() == L' ')) level.pop_back();
    } else if (level == L".") {
      level.clear();
    } else if (!level.empty() && level.back() == L'.') {
      level.pop_back();
    }
    if (!level.empty()) levels.push_back(level);
    level.clear();
  };
  for (wchar_t c : name) {
    if (c == L'/' || c == L'\\') {
      flush(false);
    } else {
      level += c;
    }
  }
  if (!level.empty()) flush(true);
  return levels;
}

std::wstring Joined(const std::vector<std::wstring>& levels, std::size_t count) {
  std::wstring path;
  for (std::size_t i = 0; i < count; ++i) path += (i > 0 ? L"\\" : L"") + levels[i];
  return path;
}

}  // namespace

ArchiveListing ListArchive(const fs::path& package) {
  ArchiveListing listing;
  InputFile file;
  std::string error;
  std::uint64_t size = 0;
  if (!file.Open(package, error) || !file.Size(size, error)) {
    listing.result = ZIP_E_OPEN;
    listing.error = error;
    return listing;
  }
  Walk walk{file, 0, listing};
  if (size > 0xFFFFFFFFull) {
    walk.Fail(ZIP_E_SEEK, "it is 4 GiB or larger; the stub reads files below 4 GiB");
    return listing;
  }
  walk.fileSize = static_cast<std::uint32_t>(size);
  ReadDirectory(walk);
  return listing;
}

// As the stub's extraction decodes an entry: pieces of at most 16 KiB from
// its data, inflated with Z_SYNC_FLUSH, never more than the declared size
// handed out; a CRC-32 check only when all of it came out.
int DecodeArchiveEntry(InputFile& file, const ArchiveEntryInfo& entry, Bytes* bytes,
                       std::string& why) {
  if (!IsDecodableEntry(entry.flags, entry.method)) {
    why = UndecodableReason(entry);
    return ZIP_E_BAD_ARCHIVE;
  }
  if (!IsReachable(entry.dataOffset)) {
    why = "its data lies at 2 GiB or beyond, where the stub cannot seek";
    return ZIP_E_SEEK;
  }
  z_stream z{};
  const bool deflated = entry.method == 8;
  if (deflated && inflateInit2(&z, -MAX_WBITS) != Z_OK) {
    why = "out of memory";
    return ZIP_E_NO_MEMORY;
  }
  std::unique_ptr<z_stream, int (*)(z_stream*)> inflater(deflated ? &z : nullptr, inflateEnd);
  std::vector<std::uint8_t> input(kChunk);
  std::vector<std::uint8_t> output(kChunk);
  std::uint64_t filePosition = entry.dataOffset;
  std::uint32_t compressedLeft = entry.packedSize;
  std::uint32_t uncompressedLeft = entry.size;
  std::uint32_t crc = 0;
  if (bytes != nullptr) bytes->clear();
  const std::uint8_t* next = nullptr;
  std::size_t available = 0;
  bool ended = false;
  while (uncompressedLeft > 0) {
    if (available == 0 && compressedLeft > 0) {
      if (!IsReachable(static_cast<std::uint32_t>(filePosition))) {
        why = "its data reaches past 2 GiB, where the stub cannot seek";
        return ZIP_E_FAIL;
      }
      const std::size_t chunk = std::min<std::size_t>(kChunk, compressedLeft);
      std::size_t got = 0;
      if (!ReadBytes(file, filePosition, input.data(), chunk, got) || got < chunk) {
        why = "its data runs past the end of the file";
        return ZIP_E_FAIL;
      }
      filePosition += chunk;
      compressedLeft -= static_cast<std::uint32_t>(chunk);
      next = input.data();
      available = chunk;
    }
    const std::size_t room = std::min<std::size_t>(kChunk, uncompressedLeft);
    std::size_t produced = 0;
    if (!deflated) {
      produced = std::min(room, available);
      std::copy(next, next + produced, output.begin());
      next += produced;
      available -= produced;
    } else if (!ended) {
      z.next_in = const_cast<std::uint8_t*>(next);
      z.avail_in = static_cast<uInt>(available);
      z.next_out = output.data();
      z.avail_out = static_cast<uInt>(room);
      const int result = inflate(&z, Z_SYNC_FLUSH);
      produced = room - z.avail_out;
      next = z.next_in;
      available = z.avail_in;
      ended = result == Z_STREAM_END;
      if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR) {
        why = "its deflated data is damaged";
        return result == Z_MEM_ERROR ? ZIP_E_NO_MEMORY : ZIP_E_BAD_ARCHIVE;
      }
      if (result == Z_OK && produced == 0) continue;  // headers or empty blocks only
    }
    if (produced == 0) {
      why = "its data ends before the " + std::to_string(entry.size) + " bytes it declares";
      return ZIP_E_NO_DATA;
    }
    crc = static_cast<std::uint32_t>(crc32(crc, output.data(), static_cast<uInt>(produced)));
    if (bytes != nullptr) bytes->insert(bytes->end(), output.begin(), output.begin() + produced);
    uncompressedLeft -= static_cast<std::uint32_t>(produced);
  }
  if (crc != entry.crc) {
    why = "its data does not match its CRC-32";
    return ZIP_E_CRC;
  }
  return ZIP_OK;
}

const char* MethodName(std::uint32_t method) {
  switch (method) {
    case 0: return "stored";
    case 1: return "shrunk";
    case 6: return "imploded";
    case 8: return "deflated";
    case 9: return "Deflate64";
    case 12: return "bzip2";
    case 14: return "LZMA";
    case 93: return "Zstandard";
    case 95: return "xz";
    case 98: return "PPMd";
    case 99: return "AES encryption";
    default: return nullptr;
  }
}

std::string DisplayName(int codePage, const std::string& name, bool utf8Name) {
  std::string utf8;
  if (DecodeEntryName(codePage, StoredName{name, utf8Name}, utf8)) return utf8;
  if (utf8Name) codePage = kUtf8CodePage;
  // Character by character: the longest piece (up to 4 bytes) that decodes
  // as one, else the byte as \xNN.
  std::string shown;
  std::size_t i = 0;
  while (i < name.size()) {
    std::size_t length = 1;
    std::string piece;
    for (; length <= 4 && i + length <= name.size(); ++length) {
      KzpXMLString units;
      if (DecodeFromCodePage(codePage, name.substr(i, length), piece) &&
          Utf8ToUtf16(piece, units) && !units.empty() &&
          (units.size() == 1 || (units.size() == 2 && units[0] >= 0xD800 && units[0] <= 0xDBFF))) {
        break;
      }
    }
    if (length <= 4 && i + length <= name.size()) {
      shown += piece;
      i += length;
    } else {
      shown += Printable(name.substr(i, 1));
      i += 1;
    }
  }
  return shown;
}

PackageContents ArchiveContents(const fs::path& package, int codePage,
                                const ArchiveListing& listing) {
  PackageContents contents;
  contents.origin = PathToUtf8(package);
  contents.packageName = PathToUtf8(package.filename());
  contents.codePage = codePage;
  auto infos = std::make_shared<std::map<std::string, ArchiveEntryInfo>>();
  for (const ArchiveEntryInfo& info : listing.entries) {
    PackageEntry entry;
    entry.name = info.name;
    entry.utf8Name = info.utf8Name();
    entry.displayName = DisplayName(codePage, info.name, info.utf8Name());
    entry.isFolder = !info.name.empty() && info.name.back() == '/';
    entry.size = info.size;
    infos->emplace(info.name, info);
    contents.entries.push_back(std::move(entry));
  }
  // Opened at the first entry read, and kept for the others.
  auto file = std::make_shared<InputFile>();
  auto opened = std::make_shared<bool>(false);
  contents.read = [package, infos, file, opened](const PackageEntry& entry, Bytes& bytes,
                                                 std::string& message) {
    auto it = infos->find(entry.name);
    std::string why;
    if (it == infos->end()) {
      message = "cannot read";
      return false;
    }
    if (!*opened && !file->Open(package, message)) return false;
    *opened = true;
    if (DecodeArchiveEntry(*file, it->second, &bytes, why) != ZIP_OK) {
      message = "the stub cannot read it: " + why;
      return false;
    }
    return true;
  };
  return contents;
}

std::vector<Finding> CheckArchive(const fs::path& package, const ArchiveListing& listing,
                                  int codePage) {
  std::vector<Finding> findings;
  const std::string origin = PathToUtf8(package);
  if (listing.result != ZIP_OK) {
    findings.push_back({Severity::kError, origin, 0,
                        "the stub does not open this package: " + listing.error});
    return findings;
  }
  InputFile file;
  std::string error;
  if (!file.Open(package, error)) {
    findings.push_back({Severity::kError, origin, 0, error});
    return findings;
  }
  // Target paths seen so far: files (with whether they are read-only) and
  // the folders that entries need.
  std::map<std::wstring, std::pair<std::string, bool>> files;
  std::map<std::wstring, std::string> folders;
  for (const ArchiveEntryInfo& entry : listing.entries) {
    const std::string name = DisplayName(codePage, entry.name, entry.utf8Name());
    auto add = [&](Severity severity, std::string message) {
      findings.push_back({severity, name, 0, std::move(message)});
    };
    bool decodes = true;
    const std::wstring wide = WideName(codePage, entry, decodes);
    if (entry.utf8Name() && !decodes) {
      add(Severity::kError, "the stub refuses the package for this name: it is marked as UTF-8 "
                            "(flag bit 11) but is not valid UTF-8");
      continue;
    }
    if (!IsSafeEntryName(wide.c_str())) {
      add(Severity::kError, "the stub refuses the package for this name: it is empty, starts "
                            "with a separator, holds a colon or \"..\", or names a device");
      continue;
    }
    if (!decodes) {
      add(Severity::kWarning,
          codePage == kAsciiOnly
              ? "the name is not plain ASCII and not marked as UTF-8: it comes out differently "
                "on machines of different code pages (inspect and check it with --codepage)"
              : "the name is not valid in code page " + std::to_string(codePage) +
                    ": it comes out under another name");
    }
    const bool isFolder = wide.back() == L'/' || wide.back() == L'\\';
    // The stub's own rule, known from the directory; a folder entry has no
    // data to decode, whatever its records say.
    if (!isFolder && !IsDecodableEntry(entry.flags, entry.method)) {
      add(Severity::kError, "the stub refuses the package for this entry: " +
                                UndecodableReason(entry));
    } else if (!isFolder) {
      std::string why;
      if (DecodeArchiveEntry(file, entry, nullptr, why) != ZIP_OK) {
        add(Severity::kError, "the stub fails to extract it: " + why);
      }
    }
    // Letter case folded as Windows folds it (code_page.h).
    const std::vector<std::wstring> levels = Levels(UpperCaseName(wide));
    // Win32 drops the dots and blanks that end a path: a file named by
    // nothing else would be the folder it lies in (under Wine too, which
    // the stub then fails to create the file as).
    const std::size_t lastSeparator = wide.find_last_of(L"/\\");
    if (!isFolder && wide.find_first_not_of(L". ", lastSeparator == std::wstring::npos
                                                       ? 0
                                                       : lastSeparator + 1) == std::wstring::npos) {
      add(Severity::kError, "the stub fails to extract the package: Windows drops the dots and "
                            "blanks at the end of this name, which leaves the folder it lies in, "
                            "where no file can be made");
      continue;
    }
    const std::size_t parents = isFolder ? levels.size() : levels.size() - 1;
    for (std::size_t depth = 1; depth <= parents; ++depth) {
      const std::wstring path = Joined(levels, depth);
      auto file = files.find(path);
      if (file != files.end()) {
        add(Severity::kError, "the stub fails to extract the package: " + file->second.first +
                                  " is a file, where this entry needs a folder");
        break;
      }
      folders.emplace(path, name);
    }
    if (isFolder) continue;
    const std::wstring path = Joined(levels, levels.size());
    if (auto folder = folders.find(path); folder != folders.end()) {
      add(Severity::kError, "the stub fails to extract the package: " + folder->second +
                                " needs a folder of this name");
      continue;
    }
    auto [at, inserted] =
        files.emplace(path, std::make_pair(name, (entry.attributes & kAttributeReadOnly) != 0));
    if (!inserted) {
      if (at->second.second) {
        add(Severity::kError, "the stub fails to extract the package: this is the same file on "
                              "Windows as " + at->second.first +
                                  ", which is read-only by then and cannot be replaced");
      } else {
        add(Severity::kWarning, "the same file on Windows as " + at->second.first +
                                    ": the stub extracts both, and this one replaces it");
      }
      at->second.second = (entry.attributes & kAttributeReadOnly) != 0;
    }
  }
  return findings;
}

}  // namespace kzppack
