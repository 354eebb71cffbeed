#include "packer/package_archive.h"

#include <zip.h>

#include <memory>

#include "packer/entry_name_encoding.h"
#include "packer/text_convert.h"

namespace kzppack {
namespace {

struct ArchiveCloser {
  void operator()(zip_t* archive) const { zip_discard(archive); }
};
using ArchiveOwner = std::unique_ptr<zip_t, ArchiveCloser>;

struct EntryCloser {
  void operator()(zip_file_t* file) const { zip_fclose(file); }
};

// Read-only, with libzip's consistency checks (every local header must agree
// with its central record, as the stub requires) where they apply: a signed
// package has its certificate table after the end record, which the strict
// check refuses and the stub does not mind; such a package opens without it.
ArchiveOwner OpenArchive(const std::filesystem::path& package, std::string& error) {
  int code = 0;
  ArchiveOwner archive(zip_open(package.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &code));
  if (!archive && code == ZIP_ER_INCONS) {
    archive.reset(zip_open(package.c_str(), ZIP_RDONLY, &code));
  }
  if (!archive) {
    zip_error_t details;
    zip_error_init_with_code(&details, code);
    error = package.string() + ": not a readable package: " + zip_error_strerror(&details);
    zip_error_fini(&details);
  }
  return archive;
}

bool ReadEntry(zip_t* archive, zip_uint64_t index, std::uint64_t size, Bytes& bytes,
               std::string& error) {
  std::unique_ptr<zip_file_t, EntryCloser> file(zip_fopen_index(archive, index, 0));
  if (!file) {
    error = zip_strerror(archive);
    return false;
  }
  bytes.assign(size, 0);
  std::uint64_t done = 0;
  while (done < size) {
    const zip_int64_t got = zip_fread(file.get(), bytes.data() + done, size - done);
    if (got <= 0) {
      error = std::string("cannot read: ") + zip_file_strerror(file.get());
      return false;
    }
    done += static_cast<std::uint64_t>(got);
  }
  return true;
}

// Whether flag bit 11 marks the name as UTF-8. libzip keeps the flags to
// itself, but its strict reading converts every name from CP-437 unless
// the bit is set; a name with bytes above 0x7F comes back unchanged only
// then (for an ASCII name the bit changes nothing). A name that Info-ZIP's
// Unicode path field replaced reads as marked: libzip hands out no other.
bool IsMarkedUtf8(zip_t* archive, zip_uint64_t index, const std::string& raw) {
  if (IsPlainAscii(raw)) return false;
  const char* strict = zip_get_name(archive, index, ZIP_FL_ENC_STRICT);
  return strict != nullptr && raw == strict;
}

}  // namespace

ArchiveListing ListArchive(const std::filesystem::path& package) {
  ArchiveListing listing;
  ArchiveOwner archive = OpenArchive(package, listing.error);
  if (!archive) return listing;
  const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
  for (zip_int64_t i = 0; i < count; ++i) {
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(archive.get(), static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW, &stat) != 0) {
      listing.error = zip_strerror(archive.get());
      return listing;
    }
    ArchiveEntryInfo info;
    info.name = stat.name != nullptr ? stat.name : "";
    info.utf8Name = IsMarkedUtf8(archive.get(), static_cast<zip_uint64_t>(i), info.name);
    info.size = stat.size;
    info.packedSize = stat.comp_size;
    info.method = stat.comp_method;
    info.crc = stat.crc;
    info.modified = stat.mtime;
    zip_uint8_t system = 0;
    zip_uint32_t attributes = 0;
    zip_file_get_external_attributes(archive.get(), static_cast<zip_uint64_t>(i), 0, &system,
                                     &attributes);
    info.attributes = attributes;
    listing.entries.push_back(std::move(info));
  }
  return listing;
}

PackageContents ArchiveContents(const std::filesystem::path& package, int codePage,
                                std::string& error) {
  PackageContents contents;
  contents.origin = package.string();
  contents.packageName = package.filename().string();
  contents.codePage = codePage;
  const ArchiveListing listing = ListArchive(package);
  if (!listing.error.empty()) {
    error = listing.error;
    return contents;
  }
  for (const ArchiveEntryInfo& info : listing.entries) {
    PackageEntry entry;
    entry.name = info.name;
    entry.utf8Name = info.utf8Name;
    if (!DecodeEntryName(codePage, StoredName{info.name, info.utf8Name}, entry.displayName)) {
      entry.displayName = Printable(info.name);
    }
    entry.isFolder = !info.name.empty() && info.name.back() == '/';
    entry.size = info.size;
    contents.entries.push_back(std::move(entry));
  }
  // One archive for every read: the checks read a handful of entries.
  auto archive = std::make_shared<ArchiveOwner>(OpenArchive(package, error));
  contents.read = [archive, listing](const PackageEntry& entry, Bytes& bytes,
                                     std::string& message) {
    for (std::size_t i = 0; i < listing.entries.size(); ++i) {
      if (listing.entries[i].name == entry.name && *archive) {
        return ReadEntry(archive->get(), i, entry.size, bytes, message);
      }
    }
    message = "cannot read";
    return false;
  };
  return contents;
}

}  // namespace kzppack
