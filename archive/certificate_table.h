#pragma once

#include <cstddef>
#include <cstdint>

// A signed program carries its Authenticode certificate table at the end of
// the file, after our archive, and the signature covers the file up to the
// table but not the table itself, nor anything appended after it. Only bytes
// before the table are trusted: the archive must lie wholly before it.
namespace kzpzip {

// Bytes of the DOS header read to find the PE headers.
constexpr std::size_t kDosHeaderSize = 64;
// Bytes of the PE headers read from the PE signature on: enough for the
// security directory entry of a 64-bit (PE32+) optional header.
constexpr std::size_t kPeHeadersSize = 24 + 112 + 5 * 8;

// The file offset of the PE headers named by a DOS header ("MZ", e_lfanew),
// or 0 when the bytes are not a DOS header.
std::uint32_t DecodePeHeaderOffset(const std::uint8_t* dosHeader, std::size_t size);

// The certificate table (security directory: file offset and size) named by
// the PE headers, which start with the "PE\0\0" signature. False when the
// bytes are not PE headers of a 32- or 64-bit program, or name no table.
bool DecodeCertificateTable(const std::uint8_t* peHeaders, std::size_t size,
                            std::uint32_t* offset, std::uint32_t* length);

// Reads up to size bytes at offset into buffer (*got: how many); false only
// when the read itself fails. The stub reads through its file handle,
// kzppack through its own file calls.
using ZipReadAt = bool (*)(void* source, std::uint32_t offset, void* buffer, std::uint32_t size,
                           std::uint32_t* got);

// Where the archive must end in this file: the offset of its certificate
// table when it is a program that carries one inside the file, else the
// file size. Unreadable or malformed headers count as no table.
std::uint32_t FindArchiveLimit(ZipReadAt read, void* source, std::uint32_t fileSize);

}  // namespace kzpzip
