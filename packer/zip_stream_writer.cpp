#include "packer/zip_stream_writer.h"

#include <zlib.h>

#include <memory>

#include "packer/file_access.h"
#include "packer/zip_writer.h"

namespace kzppack {
namespace {

constexpr std::size_t kChunk = 256 * 1024;
constexpr std::uint64_t kMaxEntrySize = 0xFFFFFFFFull;

void PutText(Bytes& out, const std::string& text) { out.insert(out.end(), text.begin(), text.end()); }

struct DeflateEnd {
  void operator()(z_stream* stream) const { deflateEnd(stream); }
};

}  // namespace

bool ZipStreamWriter::Write(const void* data, std::size_t size, std::string& error) {
  if (position_ + size > kMaxFileSize) {
    error = kTooLarge;
    return false;
  }
  if (!out_.Write(data, size, error)) return false;
  position_ += size;
  return true;
}

bool ZipStreamWriter::CopyPrefix(const std::filesystem::path& stub, std::string& error) {
  InputFile in;
  if (!in.Open(stub, error)) {
    error = "cannot open the stub " + error;
    return false;
  }
  std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[kChunk]);
  for (;;) {
    std::size_t got = 0;
    if (!in.Read(buffer.get(), kChunk, got, error)) return false;
    if (got == 0) return true;
    if (!Write(buffer.get(), got, error)) return false;
  }
}

// Written from one place, so that the local header and the central record,
// which the stub compares field by field, always agree.
void ZipStreamWriter::PutSharedFields(Bytes& out, const Record& record) {
  PutU16(out, record.versionNeeded);
  PutU16(out, record.entry.flags);  // never a data descriptor
  PutU16(out, record.method);
  PutU16(out, record.entry.dosTime);
  PutU16(out, record.entry.dosDate);
  PutU32(out, record.crc);
  PutU32(out, record.compressedSize);
  PutU32(out, record.uncompressedSize);
  PutU16(out, static_cast<std::uint16_t>(record.entry.name.size()));
  PutU16(out, 0);  // no extra field
}

bool ZipStreamWriter::WriteLocalHeader(const Record& record, bool atItsPlace, std::string& error) {
  Bytes header;
  PutU32(header, 0x04034B50);
  PutSharedFields(header, record);
  PutText(header, record.entry.name);
  if (!atItsPlace) return Write(header.data(), header.size(), error);
  return out_.WriteAt(record.localHeader, header.data(), header.size(), error);
}

bool ZipStreamWriter::AddFolder(const StreamEntry& entry, std::string& error) {
  Record record;
  record.entry = entry;
  record.localHeader = static_cast<std::uint32_t>(position_);
  if (!WriteLocalHeader(record, false, error)) return false;
  records_.push_back(std::move(record));
  return true;
}

bool ZipStreamWriter::Deflate(const EntrySource& source, Record& record, std::string& error) {
  z_stream stream{};
  if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    error = "cannot start compressing (out of memory)";
    return false;
  }
  std::unique_ptr<z_stream, DeflateEnd> owner(&stream);
  std::unique_ptr<std::uint8_t[]> input(new std::uint8_t[kChunk]);
  std::unique_ptr<std::uint8_t[]> output(new std::uint8_t[kChunk]);
  std::uint64_t produced = 0;
  std::uint64_t total = 0;
  uLong crc = crc32(0L, Z_NULL, 0);
  bool atEnd = false;
  int result = Z_OK;
  while (result != Z_STREAM_END) {
    if (stream.avail_in == 0 && !atEnd) {
      std::size_t got = 0;
      if (!source.read(input.get(), kChunk, got, error)) return false;
      atEnd = got == 0;
      total += got;
      if (total > kMaxEntrySize) {
        error = "grew to 4 GiB or more while it was read";
        return false;
      }
      crc = crc32(crc, input.get(), static_cast<uInt>(got));
      stream.next_in = input.get();
      stream.avail_in = static_cast<uInt>(got);
    }
    stream.next_out = output.get();
    stream.avail_out = static_cast<uInt>(kChunk);
    result = deflate(&stream, atEnd ? Z_FINISH : Z_NO_FLUSH);
    if (result == Z_STREAM_ERROR) {
      error = "compression failed";
      return false;
    }
    const std::size_t out = kChunk - stream.avail_out;
    produced += out;
    if (!Write(output.get(), out, error)) return false;
  }
  record.crc = static_cast<std::uint32_t>(crc);
  record.uncompressedSize = static_cast<std::uint32_t>(total);
  record.compressedSize = static_cast<std::uint32_t>(produced);
  return true;
}

bool ZipStreamWriter::Store(const EntrySource& source, Record& record, std::string& error) {
  std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[kChunk]);
  std::uint64_t total = 0;
  uLong crc = crc32(0L, Z_NULL, 0);
  for (;;) {
    std::size_t got = 0;
    if (!source.read(buffer.get(), kChunk, got, error)) return false;
    if (got == 0) break;
    total += got;
    if (total > kMaxEntrySize) {
      error = "grew to 4 GiB or more while it was read";
      return false;
    }
    crc = crc32(crc, buffer.get(), static_cast<uInt>(got));
    if (!Write(buffer.get(), got, error)) return false;
  }
  record.crc = static_cast<std::uint32_t>(crc);
  record.uncompressedSize = static_cast<std::uint32_t>(total);
  record.compressedSize = static_cast<std::uint32_t>(total);
  return true;
}

bool ZipStreamWriter::AddFile(const StreamEntry& entry, const EntrySource& source,
                              bool allowDeflate, std::string& error) {
  Record record;
  record.entry = entry;
  record.localHeader = static_cast<std::uint32_t>(position_);
  record.method = allowDeflate ? 8 : 0;
  if (!WriteLocalHeader(record, false, error)) return false;
  const std::uint64_t dataStart = position_;
  if (!source.open(error)) return false;

  bool stored = !allowDeflate;
  if (allowDeflate) {
    if (!Deflate(source, record, error)) return false;
    stored = record.compressedSize >= record.uncompressedSize;
  }
  if (stored) {
    // Deflating did not save space: write the data as it is, in place of
    // what was written.
    const Record deflated = record;
    if (allowDeflate && !out_.Truncate(dataStart, error)) return false;
    position_ = dataStart;
    if ((allowDeflate && !source.open(error)) || !Store(source, record, error)) return false;
    if (allowDeflate && (record.crc != deflated.crc ||
                         record.uncompressedSize != deflated.uncompressedSize)) {
      error = "changed while it was packed";
      return false;
    }
    record.method = 0;
    record.versionNeeded = 10;
  }
  if (!WriteLocalHeader(record, true, error)) return false;
  records_.push_back(std::move(record));
  return true;
}

bool ZipStreamWriter::Finish(std::string& error) {
  const std::uint64_t directory = position_;
  Bytes out;
  for (const Record& record : records_) {
    out.clear();
    PutU32(out, 0x02014B50);
    PutU16(out, 20);  // made by: MS-DOS, so the attributes are DOS bits
    PutSharedFields(out, record);
    PutU16(out, 0);  // comment
    PutU16(out, 0);  // disk number start
    PutU16(out, 0);  // internal attributes
    PutU32(out, record.entry.externalAttributes);
    PutU32(out, record.localHeader);
    PutText(out, record.entry.name);
    if (!Write(out.data(), out.size(), error)) return false;
  }
  const std::uint64_t directorySize = position_ - directory;
  out.clear();
  PutU32(out, 0x06054B50);
  PutU16(out, 0);
  PutU16(out, 0);
  PutU16(out, static_cast<std::uint16_t>(records_.size()));
  PutU16(out, static_cast<std::uint16_t>(records_.size()));
  PutU32(out, static_cast<std::uint32_t>(directorySize));
  PutU32(out, static_cast<std::uint32_t>(directory));
  PutU16(out, 0);  // no comment: the end record is the file's last 22 bytes
  return Write(out.data(), out.size(), error);
}

}  // namespace kzppack
