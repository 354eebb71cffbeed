#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "archive/kzp_file_handle.h"
#include "archive/zip_file_entry.h"
#include "archive/zip_progress.h"
#include "archive/zip_result.h"

namespace kzpzip {

// An enumeration position; made by EnumBegin, released by EnumEnd.
struct ZIP_EnumCursor;
class CKzpExtractionPool;
class CKzpFoldersAhead;
class CKzpTargetOverlap;

// A ZIP archive read from a file, usually appended to the program itself.
// Offsets recorded in the archive are absolute positions in that file. The
// archive owns its entries; they stay valid until Close or the next Open.
class ZIP_File {
 public:
  ZIP_File() = default;
  virtual ~ZIP_File();
  ZIP_File(const ZIP_File&) = delete;
  ZIP_File& operator=(const ZIP_File&) = delete;

  // Opens the file (shared for reading when readOnly) and loads the central
  // directory, checking each local header against its central record. An
  // archive whose members, directory and end record share bytes, or reach
  // past the end of the file, is refused (ZIP_E_BAD_ARCHIVE). In a signed
  // program the archive must lie wholly before the certificate table: the
  // end record is searched for before it, and anything reaching into it is
  // refused.
  int Open(const wchar_t* path, bool readOnly);
  // Drops every entry and closes the file; always ZIP_OK.
  int Close();

  unsigned GetEntryCount() const;
  // Null for a negative index or one not below the count.
  ZIP_FileEntry* GetEntry(int index) const;
  // The first entry, in directory order, whose name equals name without
  // regard to case: for a name in the ANSI code page, the name is narrowed
  // with the thread's code page and compared byte by byte; a UTF-8 name is
  // compared as wide text (see entry_name.h).
  ZIP_FileEntry* FindEntry(const wchar_t* name) const;

  // Null when the cursor cannot be allocated; EnumNext then answers null.
  ZIP_EnumCursor* EnumBegin() const;
  ZIP_FileEntry* EnumNext(ZIP_EnumCursor* cursor) const;
  void EnumEnd(ZIP_EnumCursor* cursor) const;

  // Extracts every entry below folder. Every entry is checked before
  // anything is written: a name that does not decode or would leave the
  // folder, and a file entry whose data cannot be decoded (a method other
  // than stored or deflated, or encryption), fail with ZIP_E_BAD_ARCHIVE;
  // a target path that would not fit MAX_PATH with ZIP_E_CREATE (ZIP_E_FAIL
  // for a folder entry).
  //
  // Entries are extracted on one worker thread per processor (up to four),
  // each worker a whole entry at a time, with the outcome of extracting
  // them one after another in directory order: the same files, times and
  // attributes; the result of the first entry that fails, with every entry
  // before it extracted and nothing left of any after it; the callback
  // called on the calling thread, in directory order, before each entry is
  // started (an answer of 0 stops the run once the entries already handed
  // out are done: ZIP_OK unless one of them failed). Archives whose entries
  // may reach the same file or folder, and destinations without room for
  // all the data, are extracted entry after entry on the calling thread.
  int ExtractAll(const wchar_t* folder, ZIP_ProgressCallback callback, void* context);
  // As ExtractAll, on at most `threads` worker threads; 1 extracts on the
  // calling thread alone, entry after entry.
  int ExtractAllOnThreads(const wchar_t* folder, ZIP_ProgressCallback callback, void* context,
                          unsigned threads);
  // The entry whose failure the last extraction reported, or null: it
  // succeeded, or failed for no entry's sake (memory, the folder).
  const ZIP_FileEntry* FailedEntry() const;

 private:
  int ReadDirectory(HANDLE file);
  int FindEndRecord(HANDLE file, std::uint32_t limit, std::uint32_t* position);
  int ReadEndRecord(HANDLE file, std::uint32_t position, std::uint32_t limit,
                    std::uint32_t* totalEntries);
  int CheckEntries(const wchar_t* folder, CKzpTargetOverlap& overlap);
  unsigned WorkersFor(const wchar_t* folder, CKzpTargetOverlap& overlap, unsigned threads) const;
  int ExtractInOrder(const wchar_t* folder, ZIP_ProgressCallback callback, void* context);
  int ExtractOnWorkers(CKzpExtractionPool& pool, const wchar_t* folder,
                       ZIP_ProgressCallback callback, void* context);
  void UndoAfter(std::uint32_t failed, CKzpExtractionPool& pool, const CKzpFoldersAhead& folders,
                 const wchar_t* folder) const;

  std::vector<std::unique_ptr<ZIP_FileEntry>> entries_;
  std::string archiveComment_;
  CKzpFileHandle file_;
  bool readOnly_ = true;
  bool hasLeadingData_ = false;
  std::uint32_t archiveStart_ = 0;
  std::uint32_t centralDirOffset_ = 0;
  std::size_t failedEntry_ = SIZE_MAX;  // of the last extraction; none when SIZE_MAX
};

}  // namespace kzpzip
