#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "packer/zip_writer.h"

// Named kinds of damage for a finished file from ZipWriter::Finish. Each
// mutator makes one kind of damage and leaves every other byte alone, so a
// reader test can say exactly what it fed in. Mutators that move bytes keep
// the layout up to date; the others take it read-only. They return false,
// leaving the file as it was, when the target is not in the file (an entry
// index out of range, a record cut off by an earlier truncation).
namespace kzppack {

// Record sizes without their variable parts.
constexpr std::uint32_t kLocalHeaderSize = 30;
constexpr std::uint32_t kCentralRecordSize = 46;
constexpr std::uint32_t kEndRecordSize = 22;
constexpr std::uint32_t kDataDescriptorSize = 16;
constexpr std::uint32_t kDataDescriptorSignature = 0x08074B50;

// Field offsets within a local header.
constexpr std::uint32_t kLocalSignatureField = 0;
constexpr std::uint32_t kLocalVersionNeeded = 4;
constexpr std::uint32_t kLocalFlags = 6;
constexpr std::uint32_t kLocalMethod = 8;
constexpr std::uint32_t kLocalTime = 10;
constexpr std::uint32_t kLocalDate = 12;
constexpr std::uint32_t kLocalCrc = 14;
constexpr std::uint32_t kLocalCompressedSize = 18;
constexpr std::uint32_t kLocalUncompressedSize = 22;
constexpr std::uint32_t kLocalNameLength = 26;
constexpr std::uint32_t kLocalExtraLength = 28;

// Field offsets within a central directory record.
constexpr std::uint32_t kCentralSignatureField = 0;
constexpr std::uint32_t kCentralVersionMadeBy = 4;
constexpr std::uint32_t kCentralVersionNeeded = 6;
constexpr std::uint32_t kCentralFlags = 8;
constexpr std::uint32_t kCentralMethod = 10;
constexpr std::uint32_t kCentralTime = 12;
constexpr std::uint32_t kCentralDate = 14;
constexpr std::uint32_t kCentralCrc = 16;
constexpr std::uint32_t kCentralCompressedSize = 20;
constexpr std::uint32_t kCentralUncompressedSize = 24;
constexpr std::uint32_t kCentralNameLength = 28;
constexpr std::uint32_t kCentralExtraLength = 30;
constexpr std::uint32_t kCentralCommentLength = 32;
constexpr std::uint32_t kCentralDiskStart = 34;
constexpr std::uint32_t kCentralInternalAttributes = 36;
constexpr std::uint32_t kCentralExternalAttributes = 38;
constexpr std::uint32_t kCentralLocalHeaderOffset = 42;

// Field offsets within the end record.
constexpr std::uint32_t kEndSignatureField = 0;
constexpr std::uint32_t kEndThisDisk = 4;
constexpr std::uint32_t kEndDirectoryDisk = 6;
constexpr std::uint32_t kEndEntriesOnDisk = 8;
constexpr std::uint32_t kEndTotalEntries = 10;
constexpr std::uint32_t kEndDirectorySize = 12;
constexpr std::uint32_t kEndDirectoryOffset = 16;
constexpr std::uint32_t kEndCommentLength = 20;

// The fields that a local header and its central record both carry and that
// a reader compares between them.
enum class SharedField {
  kVersionNeeded,
  kFlags,
  kMethod,
  kTime,
  kDate,
  kCrc,
  kCompressedSize,
  kUncompressedSize,
};

// Little-endian field access (width 1, 2 or 4). GetField answers 0 for a
// field that does not lie wholly inside the file.
std::uint32_t GetField(const Bytes& file, std::size_t offset, int width);
bool SetField(Bytes& file, std::size_t offset, int width, std::uint32_t value);

// Raw damage.
bool TruncateTo(Bytes& file, ZipLayout& layout, std::size_t size);
bool FlipByte(Bytes& file, std::size_t offset);  // every bit of one byte
// Junk after the end record: the record then lies further from the end.
void AppendJunk(Bytes& file, ZipLayout& layout, std::size_t count,
                std::uint8_t fill = 0);
// Inserts bytes at `at` and moves every recorded offset that pointed at or
// behind it, so the records stay reachable. Declared sizes are not changed.
bool InsertBytes(Bytes& file, ZipLayout& layout, std::size_t at,
                 const Bytes& bytes);

// One field of one record.
bool SetLocalField(Bytes& file, const ZipLayout& layout, std::size_t entry,
                   std::uint32_t field, int width, std::uint32_t value);
bool SetCentralField(Bytes& file, const ZipLayout& layout, std::size_t entry,
                     std::uint32_t field, int width, std::uint32_t value);
bool SetEndField(Bytes& file, const ZipLayout& layout, std::uint32_t field,
                 int width, std::uint32_t value);

// The same value in both the local header and the central record, so the two
// still agree and the archive opens; the lie shows only when data is read.
bool SetSharedField(Bytes& file, const ZipLayout& layout, std::size_t entry,
                    SharedField field, std::uint32_t value);
bool DeclareUncompressedSize(Bytes& file, const ZipLayout& layout,
                             std::size_t entry, std::uint32_t size);
bool DeclareCompressedSize(Bytes& file, const ZipLayout& layout,
                           std::size_t entry, std::uint32_t size);
bool DeclareCrc(Bytes& file, const ZipLayout& layout, std::size_t entry,
                std::uint32_t crc);
bool DeclareMethod(Bytes& file, const ZipLayout& layout, std::size_t entry,
                   std::uint16_t method);
// Flips the first data byte of an entry (which must have data): for a stored
// entry a CRC mismatch, for a deflated one usually a broken stream.
bool CorruptEntryData(Bytes& file, const ZipLayout& layout, std::size_t entry);

// Signatures.
bool BreakLocalSignature(Bytes& file, const ZipLayout& layout, std::size_t entry);
bool BreakCentralSignature(Bytes& file, const ZipLayout& layout,
                           std::size_t entry);
bool BreakEndSignature(Bytes& file, const ZipLayout& layout);

// The local name differs from the central one in the case of its first
// letter only (false when the name has no ASCII letter).
bool FlipLocalNameCase(Bytes& file, const ZipLayout& layout, std::size_t entry);

// The end record's comment, replaced in the finished file (the length field
// follows; a comment over 65,535 bytes is refused).
bool ReplaceArchiveComment(Bytes& file, ZipLayout& layout,
                           const std::string& comment);
// A comment of 65,535 bytes: the end record then starts 65,557 bytes before
// the end of the file, out of reach of a scan of the last 65,535 bytes.
bool PushEndRecordOutOfReach(Bytes& file, ZipLayout& layout);
// A comment holding the bare signature 50 4B 05 06 followed by `tail` bytes
// of 'x': a backward scan meets it before the real record.
bool HideEndSignatureInComment(Bytes& file, ZipLayout& layout,
                               std::size_t tail);
// A comment holding a copy of the end record (with comment length 0), so the
// nearest signature to the end reads as a sound record. The copy starts at
// layout.endRecord + kEndRecordSize; aim SetField at it to make it lie.
bool HideEndRecordCopyInComment(Bytes& file, ZipLayout& layout);

// Multi-disk claims in the end record.
bool SetDiskNumbers(Bytes& file, const ZipLayout& layout, std::uint16_t thisDisk,
                    std::uint16_t directoryDisk);
bool SetEntriesOnThisDisk(Bytes& file, const ZipLayout& layout,
                          std::uint16_t count);

// Every recorded offset made relative to the archive's own start, as when a
// plain ZIP is simply appended to the program: the result equals the prefix
// followed by an archive written without one.
bool CountOffsetsFromArchiveStart(Bytes& file, const ZipLayout& layout);

// A copy of an entry's central record added at the end of the directory
// (the end record's counts and directory size follow, and the layout gains
// the copy as a new entry): two members that share one local header and its
// data, so that a small file decodes to many times its size.
bool DuplicateCentralRecord(Bytes& file, ZipLayout& layout, std::size_t entry);

// Authenticode signing as it lays the file out, without a real signature:
// pads the file with zeros to a multiple of 8 bytes and appends a
// certificate table (a WIN_CERTIFICATE header, revision 2.0, PKCS#7 type,
// then `certificate`), whose offset and size go into the security directory
// of the PE headers at the front of the file. False when the file does not
// start with the headers of a 32- or 64-bit PE program.
bool AppendCertificateTable(Bytes& file, ZipLayout& layout, const Bytes& certificate);
// The file offset of the security directory entry (the table's offset, then
// its size) in the PE headers at the front of the file; 0 when there are no
// such headers.
std::size_t SecurityDirectoryEntry(const Bytes& file);

// Turns an entry into the form a streaming writer makes: flag bit 3 set in
// both records, CRC and sizes zero in the local header, the real ones in the
// central record and in a data descriptor (signature, CRC, sizes) inserted
// after the data.
bool UseDataDescriptor(Bytes& file, ZipLayout& layout, std::size_t entry);

}  // namespace kzppack
