#include "archive/entry_stream.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "archive/decodable_entry.h"
#include "archive/file_io.h"
#include "archive/zip_file_entry.h"
#include "archive/zip_result.h"

namespace kzpzip {

namespace {

// Reads the next input piece at the stream's own position: streams on other
// threads read through the same archive handle at the same time, so no
// piece may depend on where the handle's file pointer stands.
int FillInput(ZIP_EntryStream& stream) {
  std::uint32_t chunk = std::min(kStreamChunkSize, stream.compressedLeft);
  if (!ReadExactAt(stream.fileHandle, stream.filePosition, stream.input.data(), chunk)) {
    return ZIP_E_FAIL;
  }
  stream.filePosition += chunk;
  stream.compressedLeft -= chunk;
  stream.inflater.next_in = stream.input.data();
  stream.inflater.avail_in = chunk;
  return ZIP_OK;
}

// Damaged deflate data fails the read rather than ending it short.
int InflateFailure(int zlibResult) {
  return zlibResult == Z_MEM_ERROR ? ZIP_E_NO_MEMORY : ZIP_E_BAD_ARCHIVE;
}

}  // namespace

ZIP_EntryStream::~ZIP_EntryStream() { EndInflate(); }

void ZIP_EntryStream::EndInflate() {
  if (inflating) inflateEnd(&inflater);
  inflating = false;
}

int ZIP_FileEntry::OpenStream(ZIP_EntryStream& stream) {
  stream.runningCrc = 0;
  stream.compressedLeft = compressedSize;
  stream.uncompressedLeft = uncompressedSize;
  if (storage == STORAGE_ARCHIVE) {
    stream.fileHandle = fileHandle;
    stream.filePosition = dataOffset;
  } else if (storage == STORAGE_TEMP_FILE && tempFilePath != nullptr) {
    stream.ownFile.reset(CreateFileW(tempFilePath, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                     OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!stream.ownFile.valid()) return ZIP_E_CREATE;
    stream.fileHandle = stream.ownFile.get();
    stream.filePosition = 0;
  } else {
    return ZIP_E_FAIL;
  }
  // Data from 2 GiB up cannot be addressed: refused before anything is set up.
  if (!IsReachable(stream.filePosition)) return ZIP_E_SEEK;

  stream.inflater = z_stream{};
  if (compressionMethod != kMethodStored) {
    if (inflateInit2(&stream.inflater, -MAX_WBITS) != Z_OK) return ZIP_E_FAIL;
    stream.inflating = true;
  }
  try {
    stream.input.resize(kStreamChunkSize);
  } catch (const std::bad_alloc&) {
    return ZIP_E_NO_MEMORY;
  }
  return ZIP_OK;
}

int ZIP_FileEntry::ReadStream(void* buffer, std::uint32_t size, ZIP_EntryStream& stream,
                              std::uint32_t* count) {
  if (count != nullptr) *count = 0;
  if (compressionMethod != kMethodStored && compressionMethod != kMethodDeflated) {
    return ZIP_E_BAD_ARCHIVE;
  }
  if (buffer == nullptr || size == 0) return ZIP_E_BAD_ARG;

  // Never hand out more than the entry declares.
  std::uint8_t* out = static_cast<std::uint8_t*>(buffer);
  std::uint32_t room = std::min(size, stream.uncompressedLeft);
  const bool wanted = room > 0;
  std::uint32_t produced = 0;
  z_stream& z = stream.inflater;
  bool streamEnded = false;

  while (room > 0 && !streamEnded) {
    if (z.avail_in == 0 && stream.compressedLeft > 0) {
      int filled = FillInput(stream);
      if (filled != ZIP_OK) return filled;
    }
    std::uint32_t n = 0;
    bool noProgress = false;
    if (compressionMethod == kMethodStored) {
      n = std::min(room, static_cast<std::uint32_t>(z.avail_in));
      std::memcpy(out, z.next_in, n);
      z.next_in += n;
      z.avail_in -= n;
      noProgress = n == 0;  // input and file both used up
    } else {
      z.next_out = out;
      z.avail_out = room;
      int result = inflate(&z, Z_SYNC_FLUSH);
      n = room - z.avail_out;
      streamEnded = result == Z_STREAM_END;
      // Z_BUF_ERROR means no progress: the input is used up (the file's part
      // too, as it is refilled above), which the zero-byte rule below reports.
      // Z_OK with nothing produced is progress all the same: the input held
      // only block headers or empty blocks, and the next piece goes on.
      if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR) {
        return InflateFailure(result);
      }
      noProgress = result == Z_BUF_ERROR;
    }
    if (noProgress) break;
    stream.runningCrc = static_cast<std::uint32_t>(crc32(stream.runningCrc, out, n));
    stream.uncompressedLeft -= n;
    out += n;
    room -= n;
    produced += n;
  }

  if (count != nullptr) *count = produced;
  // Data that ends before a read produced anything is shorter than it says.
  return (wanted && produced == 0) ? ZIP_E_NO_DATA : ZIP_OK;
}

int ZIP_FileEntry::CloseStream(ZIP_EntryStream& stream) {
  stream.input = std::vector<std::uint8_t>();
  stream.EndInflate();
  stream.ownFile.reset();
  // Only a pass that produced every byte can be checked.
  if (stream.uncompressedLeft == 0 && stream.runningCrc != crc) return ZIP_E_CRC;
  return ZIP_OK;
}

}  // namespace kzpzip
