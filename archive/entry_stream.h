#pragma once

#include <windows.h>
#include <zlib.h>

#include <cstdint>
#include <vector>

#include "archive/kzp_file_handle.h"

namespace kzpzip {

// Input pieces are this size, and extraction writes decoded bytes in pieces
// of the same size, so any entry is processed in constant memory.
constexpr std::uint32_t kStreamChunkSize = 16384;

// The state of one decoding pass over one entry: made on the caller's stack,
// opened, read any number of times and closed by ZIP_FileEntry.
struct ZIP_EntryStream {
  ZIP_EntryStream() = default;
  ~ZIP_EntryStream();
  ZIP_EntryStream(const ZIP_EntryStream&) = delete;
  ZIP_EntryStream& operator=(const ZIP_EntryStream&) = delete;

  // Ends the inflate state if one was set up; safe to call twice.
  void EndInflate();

  std::vector<std::uint8_t> input;
  // The handle data is read through: the archive's, or ownFile's.
  HANDLE fileHandle = INVALID_HANDLE_VALUE;
  CKzpFileHandle ownFile;
  // Also used for stored entries: next_in/avail_in are the unread input.
  z_stream inflater{};
  bool inflating = false;
  std::uint32_t runningCrc = 0;
  std::uint32_t compressedLeft = 0;
  std::uint32_t uncompressedLeft = 0;
  std::uint32_t filePosition = 0;
};

}  // namespace kzpzip
