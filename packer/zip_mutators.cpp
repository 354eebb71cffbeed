#include "packer/zip_mutators.h"

#include <cctype>

namespace kzppack {

namespace {

bool FieldFits(const Bytes& file, std::size_t offset, int width) {
  return (width == 1 || width == 2 || width == 4) && offset <= file.size() &&
         file.size() - offset >= static_cast<std::size_t>(width);
}

// Local-header and central-record offsets of each shared field; in the
// central record they sit two bytes later, behind "version made by".
struct SharedFieldPlace {
  std::uint32_t local;
  std::uint32_t central;
  int width;
};

SharedFieldPlace PlaceOf(SharedField field) {
  switch (field) {
    case SharedField::kVersionNeeded: return {kLocalVersionNeeded, kCentralVersionNeeded, 2};
    case SharedField::kFlags: return {kLocalFlags, kCentralFlags, 2};
    case SharedField::kMethod: return {kLocalMethod, kCentralMethod, 2};
    case SharedField::kTime: return {kLocalTime, kCentralTime, 2};
    case SharedField::kDate: return {kLocalDate, kCentralDate, 2};
    case SharedField::kCrc: return {kLocalCrc, kCentralCrc, 4};
    case SharedField::kCompressedSize: return {kLocalCompressedSize, kCentralCompressedSize, 4};
    case SharedField::kUncompressedSize: return {kLocalUncompressedSize, kCentralUncompressedSize, 4};
  }
  return {kLocalCrc, kCentralCrc, 4};
}

void PutLE(Bytes& out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void Shift(std::uint32_t& position, std::size_t at, std::size_t count) {
  if (position >= at) position += static_cast<std::uint32_t>(count);
}

}  // namespace

std::uint32_t GetField(const Bytes& file, std::size_t offset, int width) {
  if (!FieldFits(file, offset, width)) return 0;
  std::uint32_t value = 0;
  for (int i = width - 1; i >= 0; --i) value = value << 8 | file[offset + i];
  return value;
}

bool SetField(Bytes& file, std::size_t offset, int width, std::uint32_t value) {
  if (!FieldFits(file, offset, width)) return false;
  for (int i = 0; i < width; ++i) {
    file[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
  }
  return true;
}

bool TruncateTo(Bytes& file, ZipLayout& layout, std::size_t size) {
  if (size >= file.size()) return false;
  file.resize(size);
  layout.fileSize = static_cast<std::uint32_t>(size);
  return true;
}

bool FlipByte(Bytes& file, std::size_t offset) {
  if (offset >= file.size()) return false;
  file[offset] ^= 0xFF;
  return true;
}

void AppendJunk(Bytes& file, ZipLayout& layout, std::size_t count,
                std::uint8_t fill) {
  file.insert(file.end(), count, fill);
  layout.fileSize = static_cast<std::uint32_t>(file.size());
}

bool InsertBytes(Bytes& file, ZipLayout& layout, std::size_t at,
                 const Bytes& bytes) {
  if (at > file.size()) return false;
  const std::size_t count = bytes.size();
  // Bytes inserted inside the central directory make it longer; bytes between
  // it and the end record do not.
  const bool insideDirectory = at > layout.centralDirectory &&
                               at < layout.centralDirectory + layout.centralDirectorySize;
  file.insert(file.begin() + static_cast<std::ptrdiff_t>(at), bytes.begin(), bytes.end());

  for (ZipLayout::Entry& entry : layout.entries) {
    const std::uint32_t recorded = entry.localHeader;
    Shift(entry.localHeader, at, count);
    Shift(entry.dataOffset, at, count);
    Shift(entry.centralHeader, at, count);
    if (recorded != entry.localHeader) {
      SetField(file, entry.centralHeader + kCentralLocalHeaderOffset, 4, entry.localHeader);
    }
  }
  Shift(layout.centralDirectory, at, count);
  Shift(layout.endRecord, at, count);
  if (insideDirectory) layout.centralDirectorySize += static_cast<std::uint32_t>(count);
  SetField(file, layout.endRecord + kEndDirectoryOffset, 4, layout.centralDirectory);
  SetField(file, layout.endRecord + kEndDirectorySize, 4, layout.centralDirectorySize);
  layout.fileSize = static_cast<std::uint32_t>(file.size());
  return true;
}

bool SetLocalField(Bytes& file, const ZipLayout& layout, std::size_t entry,
                   std::uint32_t field, int width, std::uint32_t value) {
  if (entry >= layout.entries.size()) return false;
  return SetField(file, std::size_t{layout.entries[entry].localHeader} + field, width, value);
}

bool SetCentralField(Bytes& file, const ZipLayout& layout, std::size_t entry,
                     std::uint32_t field, int width, std::uint32_t value) {
  if (entry >= layout.entries.size()) return false;
  return SetField(file, std::size_t{layout.entries[entry].centralHeader} + field, width, value);
}

bool SetEndField(Bytes& file, const ZipLayout& layout, std::uint32_t field,
                 int width, std::uint32_t value) {
  return SetField(file, std::size_t{layout.endRecord} + field, width, value);
}

bool SetSharedField(Bytes& file, const ZipLayout& layout, std::size_t entry,
                    SharedField field, std::uint32_t value) {
  if (entry >= layout.entries.size()) return false;
  const SharedFieldPlace place = PlaceOf(field);
  const std::size_t local = std::size_t{layout.entries[entry].localHeader} + place.local;
  const std::size_t central = std::size_t{layout.entries[entry].centralHeader} + place.central;
  if (!FieldFits(file, local, place.width) || !FieldFits(file, central, place.width)) {
    return false;
  }
  SetField(file, local, place.width, value);
  SetField(file, central, place.width, value);
  return true;
}

bool DeclareUncompressedSize(Bytes& file, const ZipLayout& layout,
                             std::size_t entry, std::uint32_t size) {
  return SetSharedField(file, layout, entry, SharedField::kUncompressedSize, size);
}

bool DeclareCompressedSize(Bytes& file, const ZipLayout& layout,
                           std::size_t entry, std::uint32_t size) {
  return SetSharedField(file, layout, entry, SharedField::kCompressedSize, size);
}

bool DeclareCrc(Bytes& file, const ZipLayout& layout, std::size_t entry,
                std::uint32_t crc) {
  return SetSharedField(file, layout, entry, SharedField::kCrc, crc);
}

bool DeclareMethod(Bytes& file, const ZipLayout& layout, std::size_t entry,
                   std::uint16_t method) {
  return SetSharedField(file, layout, entry, SharedField::kMethod, method);
}

bool CorruptEntryData(Bytes& file, const ZipLayout& layout, std::size_t entry) {
  if (entry >= layout.entries.size() || layout.entries[entry].compressedSize == 0) {
    return false;
  }
  return FlipByte(file, layout.entries[entry].dataOffset);
}

bool BreakLocalSignature(Bytes& file, const ZipLayout& layout, std::size_t entry) {
  if (entry >= layout.entries.size()) return false;
  return FlipByte(file, std::size_t{layout.entries[entry].localHeader} + 3);
}

bool BreakCentralSignature(Bytes& file, const ZipLayout& layout,
                           std::size_t entry) {
  if (entry >= layout.entries.size()) return false;
  return FlipByte(file, std::size_t{layout.entries[entry].centralHeader} + 3);
}

bool BreakEndSignature(Bytes& file, const ZipLayout& layout) {
  return FlipByte(file, std::size_t{layout.endRecord} + 3);
}

bool FlipLocalNameCase(Bytes& file, const ZipLayout& layout, std::size_t entry) {
  if (entry >= layout.entries.size()) return false;
  const std::size_t header = layout.entries[entry].localHeader;
  const std::size_t name = header + kLocalHeaderSize;
  const std::size_t length = GetField(file, header + kLocalNameLength, 2);
  for (std::size_t i = name; i < name + length && i < file.size(); ++i) {
    if (file[i] < 0x80 && std::isalpha(file[i])) {
      file[i] ^= 0x20;  // ASCII upper and lower case differ in this bit
      return true;
    }
  }
  return false;
}

bool ReplaceArchiveComment(Bytes& file, ZipLayout& layout,
                           const std::string& comment) {
  const std::size_t commentStart = std::size_t{layout.endRecord} + kEndRecordSize;
  if (comment.size() > 0xFFFF || commentStart > file.size()) return false;
  file.resize(commentStart);
  file.insert(file.end(), comment.begin(), comment.end());
  SetEndField(file, layout, kEndCommentLength, 2, static_cast<std::uint32_t>(comment.size()));
  layout.fileSize = static_cast<std::uint32_t>(file.size());
  return true;
}

bool PushEndRecordOutOfReach(Bytes& file, ZipLayout& layout) {
  return ReplaceArchiveComment(file, layout, std::string(0xFFFF, 'c'));
}

bool HideEndSignatureInComment(Bytes& file, ZipLayout& layout,
                               std::size_t tail) {
  std::string comment = "see PK\x05\x06";
  comment.append(tail, 'x');
  return ReplaceArchiveComment(file, layout, comment);
}

bool HideEndRecordCopyInComment(Bytes& file, ZipLayout& layout) {
  const std::size_t start = layout.endRecord;
  if (start + kEndRecordSize > file.size()) return false;
  Bytes copy(file.begin() + static_cast<std::ptrdiff_t>(start),
             file.begin() + static_cast<std::ptrdiff_t>(start + kEndRecordSize));
  SetField(copy, kEndCommentLength, 2, 0);
  return ReplaceArchiveComment(file, layout, std::string(copy.begin(), copy.end()));
}

bool SetDiskNumbers(Bytes& file, const ZipLayout& layout, std::uint16_t thisDisk,
                    std::uint16_t directoryDisk) {
  static_assert(kEndDirectoryDisk == kEndThisDisk + 2, "adjacent fields");
  return SetEndField(file, layout, kEndThisDisk, 4,
                     std::uint32_t{directoryDisk} << 16 | thisDisk);
}

bool SetEntriesOnThisDisk(Bytes& file, const ZipLayout& layout,
                          std::uint16_t count) {
  return SetEndField(file, layout, kEndEntriesOnDisk, 2, count);
}

bool CountOffsetsFromArchiveStart(Bytes& file, const ZipLayout& layout) {
  const std::size_t endOffsetField = std::size_t{layout.endRecord} + kEndDirectoryOffset;
  if (!FieldFits(file, endOffsetField, 4)) return false;
  for (const ZipLayout::Entry& entry : layout.entries) {
    if (!FieldFits(file, std::size_t{entry.centralHeader} + kCentralLocalHeaderOffset, 4)) {
      return false;
    }
  }
  for (const ZipLayout::Entry& entry : layout.entries) {
    SetField(file, std::size_t{entry.centralHeader} + kCentralLocalHeaderOffset, 4,
             entry.localHeader - layout.archiveStart);
  }
  SetField(file, endOffsetField, 4, layout.centralDirectory - layout.archiveStart);
  return true;
}

bool DuplicateCentralRecord(Bytes& file, ZipLayout& layout, std::size_t entry) {
  if (entry >= layout.entries.size()) return false;
  const std::size_t record = layout.entries[entry].centralHeader;
  const std::size_t length = kCentralRecordSize + GetField(file, record + kCentralNameLength, 2) +
                             GetField(file, record + kCentralExtraLength, 2) +
                             GetField(file, record + kCentralCommentLength, 2);
  const std::size_t at = std::size_t{layout.centralDirectory} + layout.centralDirectorySize;
  if (record + length > at || at > layout.endRecord ||
      !FieldFits(file, std::size_t{layout.endRecord} + kEndCommentLength, 2)) {
    return false;
  }
  const Bytes copy(file.begin() + static_cast<std::ptrdiff_t>(record),
                   file.begin() + static_cast<std::ptrdiff_t>(record + length));
  file.insert(file.begin() + static_cast<std::ptrdiff_t>(at), copy.begin(), copy.end());

  ZipLayout::Entry twin = layout.entries[entry];
  twin.centralHeader = static_cast<std::uint32_t>(at);
  layout.entries.push_back(twin);
  layout.centralDirectorySize += static_cast<std::uint32_t>(length);
  layout.endRecord += static_cast<std::uint32_t>(length);
  layout.fileSize = static_cast<std::uint32_t>(file.size());
  const std::uint32_t count = GetField(file, std::size_t{layout.endRecord} + kEndTotalEntries, 2) + 1;
  SetEndField(file, layout, kEndEntriesOnDisk, 2, count);
  SetEndField(file, layout, kEndTotalEntries, 2, count);
  SetEndField(file, layout, kEndDirectorySize, 4, layout.centralDirectorySize);
  return true;
}

std::size_t SecurityDirectoryEntry(const Bytes& file) {
  if (file.size() < 64 || file[0] != 'M' || file[1] != 'Z') return 0;
  const std::size_t headers = GetField(file, 0x3C, 4);
  if (GetField(file, headers, 4) != 0x00004550) return 0;  // "PE\0\0"
  const std::size_t optional = headers + 24;
  // The data directories start 96 bytes into a 32-bit optional header and
  // 112 bytes into a 64-bit one; the security directory is the fifth.
  const std::uint32_t magic = GetField(file, optional, 2);
  const std::size_t directories = magic == 0x10B ? 96 : magic == 0x20B ? 112 : 0;
  if (directories == 0 || GetField(file, optional + directories - 4, 4) < 5) return 0;
  const std::size_t entry = optional + directories + 4 * 8;
  return FieldFits(file, entry + 4, 4) ? entry : 0;
}

bool AppendCertificateTable(Bytes& file, ZipLayout& layout, const Bytes& certificate) {
  const std::size_t entry = SecurityDirectoryEntry(file);
  if (entry == 0) return false;
  file.resize((file.size() + 7) / 8 * 8, 0);
  const std::size_t table = file.size();
  const std::uint32_t length = static_cast<std::uint32_t>(8 + certificate.size());
  PutLE(file, length);
  PutLE(file, 0x00020200);  // wRevision 2.0, wCertificateType PKCS#7 signed data
  file.insert(file.end(), certificate.begin(), certificate.end());
  SetField(file, entry, 4, static_cast<std::uint32_t>(table));
  SetField(file, entry + 4, 4, length);
  layout.fileSize = static_cast<std::uint32_t>(file.size());
  return true;
}

bool UseDataDescriptor(Bytes& file, ZipLayout& layout, std::size_t entry) {
  if (entry >= layout.entries.size()) return false;
  const ZipLayout::Entry where = layout.entries[entry];
  const std::uint32_t flags = GetField(file, std::size_t{where.centralHeader} + kCentralFlags, 2);
  if (!SetSharedField(file, layout, entry, SharedField::kFlags, flags | 0x0008)) {
    return false;
  }
  SetLocalField(file, layout, entry, kLocalCrc, 4, 0);
  SetLocalField(file, layout, entry, kLocalCompressedSize, 4, 0);
  SetLocalField(file, layout, entry, kLocalUncompressedSize, 4, 0);

  Bytes descriptor;
  PutLE(descriptor, kDataDescriptorSignature);
  PutLE(descriptor, where.crc);
  PutLE(descriptor, where.compressedSize);
  PutLE(descriptor, where.uncompressedSize);
  return InsertBytes(file, layout, std::size_t{where.dataOffset} + where.compressedSize,
                     descriptor);
}

}  // namespace kzppack
