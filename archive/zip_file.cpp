#include "archive/zip_file.h"

#include <cctype>
#include <new>
#include <string>

#include "archive/entry_name.h"

namespace kzpzip {

struct ZIP_EnumCursor {
  std::size_t next = 0;
};

namespace {

// Byte-wise, each byte lowered by the C library's current locale.
bool NamesMatch(const char* stored, const std::string& wanted) {
  std::size_t i = 0;
  for (; stored[i] != '\0' && i < wanted.size(); ++i) {
    int a = std::tolower(static_cast<unsigned char>(stored[i]));
    int b = std::tolower(static_cast<unsigned char>(wanted[i]));
    if (a != b) return false;
  }
  return stored[i] == '\0' && i == wanted.size();
}

bool NarrowName(const wchar_t* name, std::string& narrow) {
  int size = WideCharToMultiByte(CP_THREAD_ACP, 0, name, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return false;
  narrow.assign(static_cast<std::size_t>(size), '\0');
  if (WideCharToMultiByte(CP_THREAD_ACP, 0, name, -1, &narrow[0], size, nullptr, nullptr) != size) {
    return false;
  }
  narrow.resize(static_cast<std::size_t>(size) - 1);
  return true;
}

}  // namespace

ZIP_File::~ZIP_File() { Close(); }

int ZIP_File::Open(const wchar_t* path, bool readOnly) {
  if (file_.valid() || !entries_.empty()) Close();
  if (path == nullptr) return ZIP_E_BAD_ARG;
  readOnly_ = readOnly;
  CKzpFileHandle file(CreateFileW(path, readOnly ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE,
                                  readOnly ? FILE_SHARE_READ : 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file.valid()) {
    Close();
    return ZIP_E_OPEN;
  }
  int result = ReadDirectory(file.get());
  hasLeadingData_ = archiveStart_ > 0;
  if (result != ZIP_OK) {
    file.reset();
    Close();
    return result;
  }
  file_ = std::move(file);
  return ZIP_OK;
}

int ZIP_File::Close() {
  entries_.clear();
  archiveComment_.clear();
  file_.reset();
  readOnly_ = true;
  hasLeadingData_ = false;
  archiveStart_ = 0;
  centralDirOffset_ = 0;
  return ZIP_OK;
}

unsigned ZIP_File::GetEntryCount() const { return static_cast<unsigned>(entries_.size()); }

ZIP_FileEntry* ZIP_File::GetEntry(int index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= entries_.size()) return nullptr;
  return entries_[static_cast<std::size_t>(index)].get();
}

// Names in the ANSI code page compare as they always did; a name that does
// not narrow can still match a UTF-8 one. UTF-8 names compare without
// regard to case as the file system does (by its upper-case table).
ZIP_FileEntry* ZIP_File::FindEntry(const wchar_t* name) const {
  if (name == nullptr) return nullptr;
  try {
    std::string narrow;
    const bool narrowed = NarrowName(name, narrow);
    std::wstring wide;
    for (const auto& entry : entries_) {
      if (entry->fileName == nullptr) continue;
      if (!HasUtf8Name(*entry)) {
        if (narrowed && NamesMatch(entry->fileName, narrow)) return entry.get();
      } else if (WidenEntryName(*entry, wide) &&
                 CompareStringOrdinal(wide.c_str(), -1, name, -1, TRUE) == CSTR_EQUAL) {
        return entry.get();
      }
    }
  } catch (const std::bad_alloc&) {
  }
  return nullptr;
}

ZIP_EnumCursor* ZIP_File::EnumBegin() const {
  // The caller holds the cursor until EnumEnd, so it lives on the heap.
  return new (std::nothrow) ZIP_EnumCursor();
}

ZIP_FileEntry* ZIP_File::EnumNext(ZIP_EnumCursor* cursor) const {
  if (cursor == nullptr || cursor->next >= entries_.size()) return nullptr;
  return entries_[cursor->next++].get();
}

void ZIP_File::EnumEnd(ZIP_EnumCursor* cursor) const { delete cursor; }

}  // namespace kzpzip
