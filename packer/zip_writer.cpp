#include "packer/zip_writer.h"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <utility>

namespace kzppack {

namespace {

constexpr std::uint32_t kLocalSignature = 0x04034B50;
constexpr std::uint32_t kCentralSignature = 0x02014B50;
constexpr std::uint32_t kEndSignature = 0x06054B50;
constexpr std::size_t kMaxField16 = 0xFFFF;

void PutBytes(Bytes& out, const std::uint8_t* data, std::size_t size) {
  out.insert(out.end(), data, data + size);
}

// A variable-length field as written: cut to what its 16-bit length can say,
// so the length always matches the bytes that follow it.
std::string Clip16(const std::string& text) {
  return text.size() > kMaxField16 ? text.substr(0, kMaxField16) : text;
}

void PutText(Bytes& out, const std::string& text) {
  PutBytes(out, reinterpret_cast<const std::uint8_t*>(text.data()),
           text.size());
}

std::uint32_t Pos32(const Bytes& out) {
  return static_cast<std::uint32_t>(out.size());
}

// Raw deflate (no zlib header or trailer), the form ZIP stores. The input is
// fed in pieces because zlib counts with 32-bit unsigned lengths.
bool DeflateRaw(const Bytes& input, Bytes& output) {
  z_stream stream{};
  if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 8,
                   Z_DEFAULT_STRATEGY) != Z_OK) {
    return false;
  }
  output.clear();
  std::size_t fed = 0;
  std::uint8_t chunk[16384];
  int result = Z_OK;
  do {
    if (stream.avail_in == 0 && fed < input.size()) {
      const std::size_t piece = std::min<std::size_t>(input.size() - fed, UINT_MAX);
      stream.next_in = const_cast<Bytef*>(input.data() + fed);
      stream.avail_in = static_cast<uInt>(piece);
      fed += piece;
    }
    const int flush = fed == input.size() ? Z_FINISH : Z_NO_FLUSH;
    stream.next_out = chunk;
    stream.avail_out = sizeof chunk;
    result = deflate(&stream, flush);
    if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR) {
      break;
    }
    PutBytes(output, chunk, sizeof chunk - stream.avail_out);
  } while (result != Z_STREAM_END);
  deflateEnd(&stream);
  return result == Z_STREAM_END;
}

// The fields from "version needed" to "uncompressed size" are the same in the
// local header and the central record; writing both from one place is what
// keeps the two in agreement.
void PutSharedFields(Bytes& out, const ZipEntrySpec& member,
                     const ZipLayout::Entry& where) {
  PutU16(out, member.versionNeeded);
  PutU16(out, member.flags);
  PutU16(out, member.method);
  PutU16(out, member.dosTime);
  PutU16(out, member.dosDate);
  PutU32(out, where.crc);
  PutU32(out, where.compressedSize);
  PutU32(out, where.uncompressedSize);
}

void PutLocalHeader(Bytes& out, const ZipEntrySpec& member,
                    const ZipLayout::Entry& where) {
  const std::string name = Clip16(member.name);
  const std::string extra = Clip16(member.extra);
  PutU32(out, kLocalSignature);
  PutSharedFields(out, member, where);
  PutU16(out, static_cast<std::uint16_t>(name.size()));
  PutU16(out, static_cast<std::uint16_t>(extra.size()));
  PutText(out, name);
  PutText(out, extra);
}

void PutCentralRecord(Bytes& out, const ZipEntrySpec& member,
                      const ZipLayout::Entry& where) {
  const std::string name = Clip16(member.name);
  const std::string extra = Clip16(member.extra);
  const std::string comment = Clip16(member.comment);
  PutU32(out, kCentralSignature);
  PutU16(out, member.versionMadeBy);
  PutSharedFields(out, member, where);
  PutU16(out, static_cast<std::uint16_t>(name.size()));
  PutU16(out, static_cast<std::uint16_t>(extra.size()));
  PutU16(out, static_cast<std::uint16_t>(comment.size()));
  PutU16(out, 0);  // disk number start: single-disk archives only
  PutU16(out, 0);  // internal attributes
  PutU32(out, member.externalAttributes);
  PutU32(out, where.localHeader);
  PutText(out, name);
  PutText(out, extra);
  PutText(out, comment);
}

void PutEndRecord(Bytes& out, const ZipLayout& layout,
                  const std::string& archiveComment) {
  const std::string comment = Clip16(archiveComment);
  const auto count = static_cast<std::uint16_t>(layout.entries.size());
  PutU32(out, kEndSignature);
  PutU16(out, 0);  // this disk
  PutU16(out, 0);  // disk holding the central directory
  PutU16(out, count);
  PutU16(out, count);
  PutU32(out, layout.centralDirectorySize);
  PutU32(out, layout.centralDirectory);
  PutU16(out, static_cast<std::uint16_t>(comment.size()));
  PutText(out, comment);
}

}  // namespace

void PutU16(Bytes& out, std::uint16_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void PutU32(Bytes& out, std::uint32_t value) {
  PutU16(out, static_cast<std::uint16_t>(value));
  PutU16(out, static_cast<std::uint16_t>(value >> 16));
}

ZipWriter::ZipWriter(Bytes prefix) : prefix_(std::move(prefix)) {}

void ZipWriter::Add(ZipEntrySpec entry) { entries_.push_back(std::move(entry)); }

void ZipWriter::AddFile(const std::string& name, const std::string& data,
                        std::uint16_t method) {
  ZipEntrySpec entry;
  entry.name = name;
  entry.data.assign(data.begin(), data.end());
  entry.method = method;
  Add(std::move(entry));
}

void ZipWriter::AddFolder(const std::string& name) {
  ZipEntrySpec entry;
  entry.name = name;
  if (entry.name.empty() || entry.name.back() != '/') entry.name += '/';
  entry.method = kMethodStored;
  entry.externalAttributes = 0x10;  // FILE_ATTRIBUTE_DIRECTORY
  Add(std::move(entry));
}

void ZipWriter::SetComment(std::string comment) { comment_ = std::move(comment); }

Bytes ZipWriter::Finish(ZipLayout* layout) const {
  Bytes out = prefix_;
  ZipLayout where;
  where.archiveStart = Pos32(out);

  Bytes deflated;
  for (const ZipEntrySpec& member : entries_) {
    const bool deflate = member.method == kMethodDeflated;
    if (deflate && !DeflateRaw(member.data, deflated)) return {};
    const Bytes& body = deflate ? deflated : member.data;

    ZipLayout::Entry entry;
    entry.crc = Crc32(member.data.data(), member.data.size());
    entry.uncompressedSize = static_cast<std::uint32_t>(member.data.size());
    entry.compressedSize = static_cast<std::uint32_t>(body.size());
    entry.localHeader = Pos32(out);
    PutLocalHeader(out, member, entry);
    entry.dataOffset = Pos32(out);
    PutBytes(out, body.data(), body.size());
    where.entries.push_back(entry);
  }

  where.centralDirectory = Pos32(out);
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    where.entries[i].centralHeader = Pos32(out);
    PutCentralRecord(out, entries_[i], where.entries[i]);
  }
  where.centralDirectorySize = Pos32(out) - where.centralDirectory;

  where.endRecord = Pos32(out);
  PutEndRecord(out, where, comment_);
  where.fileSize = Pos32(out);

  if (layout != nullptr) *layout = std::move(where);
  return out;
}

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size) {
  uLong crc = crc32(0L, Z_NULL, 0);
  while (size > 0) {
    const std::size_t piece = std::min<std::size_t>(size, UINT_MAX);
    crc = crc32(crc, data, static_cast<uInt>(piece));
    data += piece;
    size -= piece;
  }
  return static_cast<std::uint32_t>(crc);
}

std::uint16_t DosDate(int year, int month, int day) {
  return static_cast<std::uint16_t>(((year - 1980) & 0x7F) << 9 |
                                    (month & 0x0F) << 5 | (day & 0x1F));
}

std::uint16_t DosTime(int hour, int minute, int second) {
  return static_cast<std::uint16_t>((hour & 0x1F) << 11 | (minute & 0x3F) << 5 |
                                    ((second / 2) & 0x1F));
}

}  // namespace kzppack
