// ZIP_File::ExtractAll: every entry below one destination folder.
#include <algorithm>
#include <bitset>
#include <cwchar>
#include <new>
#include <string>

#include "archive/create_folder_path.h"
#include "archive/decodable_entry.h"
#include "archive/entry_name.h"
#include "archive/entry_name_check.h"
#include "archive/extraction_pool.h"
#include "archive/folders_ahead.h"
#include "archive/target_overlap.h"
#include "archive/zip_file.h"

namespace kzpzip {

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// "folder\name"; separators inside the name stay as they are, so a target
// may mix both kinds.
bool FitsTargetPath(std::size_t folderLength, const std::wstring& name) {
  return folderLength + 1 + name.size() < MAX_PATH;
}

void BuildTargetPath(const wchar_t* folder, std::size_t folderLength, const std::wstring& name,
                     wchar_t (&target)[MAX_PATH]) {
  std::wmemcpy(target, folder, folderLength);
  target[folderLength] = L'\\';
  std::wmemcpy(target + folderLength + 1, name.c_str(), name.size() + 1);
}

// Extracts one entry to its complete target path (target[length - 1] is
// its last character): a name ending in a separator of either kind makes a
// folder, whatever its sizes; any other makes a file, replacing one that is
// there when mayReplace is set (ZIP_E_CREATE otherwise). Entry in, result
// out, and nothing shared with other entries but the archive's file handle,
// whose reads each carry their own position.
//
// A folder keeps its separator: Win32 trims trailing blanks and dots from
// the last level of a path, so "dir /" would make "dir" while the files of
// "dir /x.txt" go to "dir ".
int ExtractEntry(ZIP_FileEntry& entry, wchar_t* target, std::size_t length, bool mayReplace) {
  if (IsSeparator(target[length - 1])) return CreateFolderPath(target) ? ZIP_OK : ZIP_E_FAIL;
  return entry.ExtractTo(target, !mayReplace);
}

// A file extracted ahead of its turn was made new by this run.
void RemoveFile(const wchar_t* path) {
  SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(path);
}

// Workers beyond a few gain nothing: they write to the same disk.
constexpr unsigned kMaxWorkers = 4;

// The processors this process may run on.
unsigned UsableProcessors() {
  SYSTEM_INFO info{};
  GetSystemInfo(&info);
  unsigned count = info.dwNumberOfProcessors;
  DWORD_PTR allowed = 0;
  DWORD_PTR system = 0;
  if (GetProcessAffinityMask(GetCurrentProcess(), &allowed, &system) && allowed != 0) {
    count = std::min(count, static_cast<unsigned>(std::bitset<64>(allowed).count()));
  }
  return std::max(count, 1u);
}

// On a disk short of room the order of writing decides which files fit, so
// threads are used only when the destination holds all the data with a
// cluster to spare per entry; the sequential order decides otherwise. A
// destination whose room cannot be read counts as short of it.
bool HasRoomForAll(const wchar_t* folder, std::uint64_t dataBytes, std::size_t entryCount) {
  ULARGE_INTEGER available{};
  if (!GetDiskFreeSpaceExW(folder, &available, nullptr, nullptr)) return false;
  // The folder begins with a drive letter, a colon and a separator.
  const wchar_t root[] = {folder[0], L':', L'\\', L'\0'};
  DWORD sectorsPerCluster = 0;
  DWORD bytesPerSector = 0;
  DWORD freeClusters = 0;
  DWORD totalClusters = 0;
  std::uint64_t cluster = 64 * 1024;  // unknown: a generous guess
  if (GetDiskFreeSpaceW(root, &sectorsPerCluster, &bytesPerSector, &freeClusters,
                        &totalClusters)) {
    cluster = std::uint64_t{sectorsPerCluster} * bytesPerSector;
  }
  return dataBytes + cluster * entryCount <= available.QuadPart;
}

}  // namespace

// Every entry is checked before anything is made, so a hostile archive, or
// one that could not be extracted whole, leaves the disk untouched: a name
// that does not decode or would leave the folder, and a file whose data
// cannot be decoded (an unknown method, encryption) fail the run with
// ZIP_E_BAD_ARCHIVE, which outranks a path that is merely too long. Folder
// entries have no data to decode.
int ZIP_File::CheckEntries(const wchar_t* folder, CKzpTargetOverlap& overlap) {
  std::size_t folderLength = std::wcslen(folder);
  int tooLong = ZIP_OK;
  std::wstring name;
  for (std::size_t index = 0; index < entries_.size(); ++index) {
    const auto& entry = entries_[index];
    if (!WidenEntryName(*entry, name) || !IsSafeEntryName(name.c_str()) ||
        (!IsSeparator(name.back()) &&
         !IsDecodableEntry(entry->flags, entry->compressionMethod))) {
      failedEntry_ = index;
      return ZIP_E_BAD_ARCHIVE;
    }
    overlap.Add(name.c_str());
    if (tooLong == ZIP_OK && !FitsTargetPath(folderLength, name)) {
      tooLong = IsSeparator(name.back()) ? ZIP_E_FAIL : ZIP_E_CREATE;
      failedEntry_ = index;
    }
  }
  return tooLong;
}

// Entries run on workers unless their order may matter: when some may
// reach the same file or folder, or the destination is short of room. A
// single entry has nothing to share out.
unsigned ZIP_File::WorkersFor(const wchar_t* folder, CKzpTargetOverlap& overlap,
                              unsigned threads) const {
  const std::size_t count = entries_.size();
  if (threads < 2 || count < 2 || overlap.Found()) return 1;
  std::uint64_t dataBytes = 0;
  for (const auto& entry : entries_) dataBytes += entry->uncompressedSize;
  if (!HasRoomForAll(folder, dataBytes, count)) return 1;
  return static_cast<unsigned>(std::min<std::size_t>(threads, count));
}

int ZIP_File::ExtractAll(const wchar_t* folder, ZIP_ProgressCallback callback, void* context) {
  return ExtractAllOnThreads(folder, callback, context, std::min(kMaxWorkers, UsableProcessors()));
}

const ZIP_FileEntry* ZIP_File::FailedEntry() const {
  return failedEntry_ < entries_.size() ? entries_[failedEntry_].get() : nullptr;
}

int ZIP_File::ExtractAllOnThreads(const wchar_t* folder, ZIP_ProgressCallback callback,
                                  void* context, unsigned threads) {
  failedEntry_ = SIZE_MAX;
  if (folder == nullptr) return ZIP_E_BAD_ARG;
  try {
    CKzpTargetOverlap overlap;
    const int checked = CheckEntries(folder, overlap);
    if (checked != ZIP_OK) return checked;
    if (!CreateFolderPath(folder)) return ZIP_E_FAIL;
    const unsigned workers = WorkersFor(folder, overlap, threads);
    if (workers > 1) {
      // Joined on every way out, an exception included.
      CKzpExtractionPool pool(ExtractEntry);
      if (pool.Start(workers) > 0) return ExtractOnWorkers(pool, folder, callback, context);
    }
    return ExtractInOrder(folder, callback, context);
  } catch (const std::bad_alloc&) {
    return ZIP_E_NO_MEMORY;
  }
}

// One entry after another on the calling thread.
int ZIP_File::ExtractInOrder(const wchar_t* folder, ZIP_ProgressCallback callback,
                             void* context) {
  const std::size_t folderLength = std::wcslen(folder);
  ZIP_ExtractProgress progress{0, GetEntryCount(), nullptr};
  std::wstring name;
  wchar_t target[MAX_PATH] = {};
  for (const auto& entry : entries_) {
    ++progress.current;
    WidenEntryName(*entry, name);
    BuildTargetPath(folder, folderLength, name, target);
    if (callback != nullptr) {
      progress.path = target;
      if (callback(context, &progress) == 0) return ZIP_OK;
    }
    const int result = ExtractEntry(*entry, target, folderLength + 1 + name.size(), true);
    if (result != ZIP_OK) {
      failedEntry_ = progress.current - 1;
      return result;
    }
  }
  return ZIP_OK;
}

// Progress and the stop it may ask for stay on the calling thread, in
// directory order, before each entry goes to the workers; so do the
// folders each entry needs, which are noted, so that whatever was made for
// entries after a failed one can be removed: the run then leaves what the
// sequential one leaves.
int ZIP_File::ExtractOnWorkers(CKzpExtractionPool& pool, const wchar_t* folder,
                               ZIP_ProgressCallback callback, void* context) {
  const std::size_t folderLength = std::wcslen(folder);
  CKzpFoldersAhead folders(folderLength);
  ZIP_ExtractProgress progress{0, GetEntryCount(), nullptr};
  std::wstring name;
  wchar_t target[MAX_PATH] = {};
  for (const auto& entry : entries_) {
    const std::uint32_t index = progress.current++;
    WidenEntryName(*entry, name);
    BuildTargetPath(folder, folderLength, name, target);
    // The sequential run never reports an entry after a failed one.
    if (pool.Failed()) break;
    if (callback != nullptr) {
      progress.path = target;
      if (callback(context, &progress) == 0) break;
    }
    const std::size_t length = folderLength + 1 + name.size();
    folders.Make(target, length, index);
    if (!pool.Submit(*entry, index, target, length)) break;
  }
  const int result = pool.Finish();
  if (result != ZIP_OK) {
    failedEntry_ = pool.FailedIndex();
    UndoAfter(pool.FailedIndex(), pool, folders, folder);
  }
  return result;
}

// Removes what entries after the failed one made: their files (all new,
// as entries ahead of their turn replace nothing) and then the folders
// made for them, newest first. A folder something else has meanwhile put
// a file in stays. Out of memory, the rest stays: the run failed anyway.
void ZIP_File::UndoAfter(std::uint32_t failed, CKzpExtractionPool& pool,
                         const CKzpFoldersAhead& folders, const wchar_t* folder) const {
  const std::size_t folderLength = std::wcslen(folder);
  std::wstring name;
  wchar_t target[MAX_PATH] = {};
  try {
    for (std::size_t index = std::size_t{failed} + 1; index < entries_.size(); ++index) {
      if (!pool.ExtractedAhead(static_cast<std::uint32_t>(index))) continue;
      WidenEntryName(*entries_[index], name);
      BuildTargetPath(folder, folderLength, name, target);
      if (!IsSeparator(name.back())) RemoveFile(target);
    }
    const auto& made = folders.made();
    for (auto it = made.rbegin(); it != made.rend() && it->index > failed; ++it) {
      WidenEntryName(*entries_[it->index], name);
      BuildTargetPath(folder, folderLength, name, target);
      target[it->length] = L'\0';
      RemoveDirectoryW(target);
    }
  } catch (const std::bad_alloc&) {
  }
}

}  // namespace kzpzip
