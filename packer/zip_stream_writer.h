#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "packer/zip_writer.h"

// Writes the package file piece by piece: the stub, then each entry as it is
// read, then the central directory. Memory stays the same whatever the size
// of the files; only the directory records (name and a few numbers per
// entry) are kept until the end. Every local header agrees with its central
// record; no data descriptors: a header is written first and completed once
// its entry's data is written.
namespace kzppack {

class TemporaryOutput;

// An entry's bytes, produced from the start again each time it is opened
// (the writer reads a file twice when deflating it does not save space).
struct EntrySource {
  std::function<bool(std::string& error)> open;
  // Up to capacity bytes into buffer; got 0 at the end. False on failure.
  std::function<bool(std::uint8_t* buffer, std::size_t capacity, std::size_t& got,
                     std::string& error)>
      read;
};

struct StreamEntry {
  std::string name;  // as stored
  std::uint16_t flags = 0;  // general-purpose flags: only kFlagUtf8Name here
  std::uint16_t dosTime = 0;
  std::uint16_t dosDate = 0;
  std::uint32_t externalAttributes = 0x20;
};

class ZipStreamWriter {
 public:
  // The stub seeks with signed 32-bit positions: no byte of the package may
  // lie at or past 2 GiB.
  static constexpr std::uint64_t kMaxFileSize = 0x7FFFFFFF;
  static constexpr const char* kTooLarge =
      "the package would reach past 2 GiB, which the stub cannot read (it seeks with signed "
      "32-bit positions)";

  // out: an empty file; not owned.
  explicit ZipStreamWriter(TemporaryOutput& out) : out_(out) {}

  bool CopyPrefix(const std::filesystem::path& stub, std::string& error);
  bool AddFolder(const StreamEntry& entry, std::string& error);
  // Deflated when that is allowed and saves space, stored otherwise.
  bool AddFile(const StreamEntry& entry, const EntrySource& source, bool allowDeflate,
               std::string& error);
  bool Finish(std::string& error);

  std::uint64_t Size() const { return position_; }

 private:
  struct Record {
    StreamEntry entry;
    std::uint16_t versionNeeded = 20;
    std::uint16_t method = 0;
    std::uint32_t crc = 0;
    std::uint32_t compressedSize = 0;
    std::uint32_t uncompressedSize = 0;
    std::uint32_t localHeader = 0;
  };

  bool Write(const void* data, std::size_t size, std::string& error);
  // The fields from "version needed" to the extra length, as both the local
  // header and the central record carry them.
  static void PutSharedFields(Bytes& out, const Record& record);
  bool WriteLocalHeader(const Record& record, bool atItsPlace, std::string& error);
  bool Deflate(const EntrySource& source, Record& record, std::string& error);
  bool Store(const EntrySource& source, Record& record, std::string& error);

  TemporaryOutput& out_;
  std::uint64_t position_ = 0;
  std::vector<Record> records_;
};

}  // namespace kzppack
