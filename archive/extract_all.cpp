// ZIP_File::ExtractAll: every entry below one destination folder.
#include <cwchar>
#include <new>
#include <string>

#include "archive/create_folder_path.h"
#include "archive/entry_name_check.h"
#include "archive/zip_file.h"

namespace kzpzip {

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// Entry names are in the system's default Windows code page.
bool WidenName(const char* name, std::wstring& wide) {
  wide.clear();
  if (name == nullptr) return false;
  int size = MultiByteToWideChar(CP_ACP, 0, name, -1, nullptr, 0);
  if (size <= 0) return false;
  wide.assign(static_cast<std::size_t>(size), L'\0');
  if (MultiByteToWideChar(CP_ACP, 0, name, -1, &wide[0], size) != size) return false;
  wide.resize(static_cast<std::size_t>(size) - 1);
  return true;
}

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
// there. Entry in, result out, and nothing shared with other entries but
// the archive's file handle, whose reads each seek first.
int ExtractEntry(ZIP_FileEntry& entry, wchar_t* target, std::size_t length) {
  if (IsSeparator(target[length - 1])) {
    target[length - 1] = L'\0';
    return CreateFolderPath(target) ? ZIP_OK : ZIP_E_FAIL;
  }
  return entry.ExtractTo(target, false);
}

}  // namespace

// Every name is checked before anything is made, so a hostile archive
// leaves the disk untouched. A name that would leave the folder outranks a
// path that is merely too long.
int ZIP_File::CheckTargetPaths(const wchar_t* folder) const {
  std::size_t folderLength = std::wcslen(folder);
  int tooLong = ZIP_OK;
  std::wstring name;
  for (const auto& entry : entries_) {
    if (!WidenName(entry->fileName, name) || !IsSafeEntryName(name.c_str())) {
      return ZIP_E_BAD_ARCHIVE;
    }
    if (tooLong == ZIP_OK && !FitsTargetPath(folderLength, name)) {
      tooLong = IsSeparator(name.back()) ? ZIP_E_FAIL : ZIP_E_CREATE;
    }
  }
  return tooLong;
}

int ZIP_File::ExtractAll(const wchar_t* folder, ZIP_ProgressCallback callback, void* context) {
  if (folder == nullptr) return ZIP_E_BAD_ARG;
  try {
    int result = CheckTargetPaths(folder);
    if (result != ZIP_OK) return result;
    if (!CreateFolderPath(folder)) return ZIP_E_FAIL;

    std::size_t folderLength = std::wcslen(folder);
    ZIP_ExtractProgress progress{0, GetEntryCount(), nullptr};
    std::wstring name;
    wchar_t target[MAX_PATH] = {};
    for (const auto& entry : entries_) {
      ++progress.current;
      WidenName(entry->fileName, name);
      BuildTargetPath(folder, folderLength, name, target);
      if (callback != nullptr) {
        progress.path = target;
        if (callback(context, &progress) == 0) return result;
      }
      result = ExtractEntry(*entry, target, folderLength + 1 + name.size());
      if (result != ZIP_OK) return result;
    }
    return result;
  } catch (const std::bad_alloc&) {
    return ZIP_E_NO_MEMORY;
  }
}

}  // namespace kzpzip
