// RemoveFolderTree: the work folder's removal, however deep, with a check
// of every item before it is touched.
#include <windows.h>

#include <cwchar>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "app/install_log.h"
#include "app/work_folder.h"
#include "archive/kzp_file_handle.h"

namespace {

using kzpzip::CKzpFileHandle;

// The longest path the file calls take in the \\?\ form, terminator
// included.
constexpr std::size_t kLongPathCapacity = 32767;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Move-only owner of a FindFirstFileW search.
class CKzpFindHandle {
 public:
  explicit CKzpFindHandle(HANDLE handle) : handle_(handle) {}
  ~CKzpFindHandle() {
    if (handle_ != INVALID_HANDLE_VALUE) FindClose(handle_);
  }
  CKzpFindHandle(CKzpFindHandle&& other) noexcept
      : handle_(std::exchange(other.handle_, INVALID_HANDLE_VALUE)) {}
  CKzpFindHandle& operator=(CKzpFindHandle&&) = delete;
  CKzpFindHandle(const CKzpFindHandle&) = delete;
  CKzpFindHandle& operator=(const CKzpFindHandle&) = delete;
  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

bool SameIgnoringCase(const wchar_t* a, std::size_t aLength, const wchar_t* b,
                      std::size_t bLength) {
  return CompareStringOrdinal(a, static_cast<int>(aLength), b, static_cast<int>(bLength), TRUE) ==
         CSTR_EQUAL;
}

bool IsDotEntry(const wchar_t* name) {
  return std::wcscmp(name, L".") == 0 || std::wcscmp(name, L"..") == 0;
}

void DeleteNowOrAtRestart(const wchar_t* path, bool isFolder) {
  const BOOL deleted = isFolder ? RemoveDirectoryW(path) : DeleteFileW(path);
  if (deleted) return;
  LogText(MoveFileExW(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)
              ? "scheduled for removal at restart: "
              : "cannot be removed, nor scheduled for removal at restart: ",
          path);
}

// Walks the tree depth first with one open search per level, kept on the
// heap rather than the stack: a chain of 16,000 one-letter folders fits in
// a \\?\ path. All buffers are allocated up front, so the walk itself
// allocates only when it goes deeper than any level before.
class CKzpTreeRemoval {
 public:
  CKzpTreeRemoval() {
    path_.reserve(kLongPathCapacity);
    found_.reserve(kLongPathCapacity);
    name_.reserve(kLongPathCapacity);
    nameInfo_.resize(sizeof(FILE_NAME_INFO) + kLongPathCapacity * sizeof(wchar_t));
  }

  bool Run(const wchar_t* folder) {
    Start(folder);
    if (!Enter()) return false;
    bool itemWaiting = true;  // Enter leaves the folder's first item in item_
    for (;;) {
      if (!itemWaiting && !FindNextFileW(levels_.back().search.get(), &item_)) {
        levels_.pop_back();  // the search ends before its folder goes
        SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteNowOrAtRestart(path_.c_str(), true);
        if (levels_.empty()) return true;
        path_.resize(levels_.back().pathLength);
        continue;
      }
      itemWaiting = false;
      // An item whose path does not fit cannot be addressed; it stays, and
      // so does its folder (scheduled when its turn comes).
      if (IsDotEntry(item_.cFileName) || !Append(item_.cFileName)) continue;
      const DWORD attributes = item_.dwFileAttributes;
      const FolderItemAction action = ActionForFolderItem(attributes, !checkItems_ || IsItself());
      if (action != FolderItemAction::Leave &&
          (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM)) != 0) {
        SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
      }
      if (action == FolderItemAction::Descend) {
        if (!Enter()) return false;
        itemWaiting = true;
        continue;
      }
      if (action != FolderItemAction::Leave) {
        DeleteNowOrAtRestart(path_.c_str(), action == FolderItemAction::RemoveLink &&
                                                (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
      }
      path_.resize(levels_.back().pathLength);
    }
  }

 private:
  struct Level {
    CKzpFindHandle search;
    std::size_t pathLength;  // of the folder being listed
  };

  // The walk compares every item with the path the file system names it
  // by, so it starts from the root's own such path (long names, \\?\ form,
  // links on the way followed).
  void Start(const wchar_t* folder) {
    CKzpFileHandle root(CreateFileW(folder, FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (root.valid() && DosFinalPath(root.get(), path_) && VolumeRelativeName(root.get()) &&
        name_.size() < path_.size() &&
        SameIgnoringCase(path_.c_str() + path_.size() - name_.size(), name_.size(),
                         name_.c_str(), name_.size())) {
      volumeLength_ = path_.size() - name_.size();
      checkItems_ = true;
      return;
    }
    // Some volumes (RAM disks among them) report no DOS path. There items
    // go unchecked; links on Windows still show their reparse attribute.
    checkItems_ = false;
    found_.resize(kLongPathCapacity);
    const DWORD length = GetFullPathNameW(folder, kLongPathCapacity, found_.data(), nullptr);
    path_ = ExtendedLengthPath(length > 0 && length < kLongPathCapacity
                                   ? std::wstring(found_.data(), length)
                                   : std::wstring(folder));
  }

  // Starts listing the folder at path_; false when it cannot be listed.
  bool Enter() {
    const std::size_t length = path_.size();
    if (!Append(L"*")) return false;
    CKzpFindHandle search(FindFirstFileW(path_.c_str(), &item_));
    path_.resize(length);
    if (!search.valid()) return false;
    levels_.push_back(Level{std::move(search), length});
    return true;
  }

  bool Append(const wchar_t* name) {
    const bool separator = !path_.empty() && path_.back() != L'\\';
    if (path_.size() + separator + std::wcslen(name) + 1 > kLongPathCapacity) return false;
    if (separator) path_ += L'\\';
    path_ += name;
    return true;
  }

  // Whether the item at path_, opened without following links, is named by
  // that same path. A link that Wine hides opens as its target instead.
  bool IsItself() {
    CKzpFileHandle item(CreateFileW(path_.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                                    OPEN_EXISTING,
                                    FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS,
                                    nullptr));
    if (!item.valid()) return false;
    if (!DosFinalPath(item.get(), found_)) {
      // Wine 8 reports no DOS path longer than about 256 characters
      // (ERROR_MORE_DATA whatever the buffer) but gives the name within
      // the volume in full; the volume is the root's.
      if (!VolumeRelativeName(item.get())) return false;
      found_.assign(path_, 0, volumeLength_);
      found_ += name_;
    }
    return SameIgnoringCase(found_.c_str(), found_.size(), path_.c_str(), path_.size());
  }

  static bool DosFinalPath(HANDLE handle, std::wstring& out) {
    out.resize(kLongPathCapacity);
    const DWORD length = GetFinalPathNameByHandleW(handle, out.data(), kLongPathCapacity,
                                                   FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    out.resize(length > 0 && length < kLongPathCapacity ? length : 0);
    return !out.empty();
  }

  // The handle's path within its volume ("\Users\x"), into name_.
  bool VolumeRelativeName(HANDLE handle) {
    auto* info = reinterpret_cast<FILE_NAME_INFO*>(nameInfo_.data());
    if (!GetFileInformationByHandleEx(handle, FileNameInfo, info,
                                      static_cast<DWORD>(nameInfo_.size()))) {
      return false;
    }
    name_.assign(info->FileName, info->FileNameLength / sizeof(wchar_t));
    return !name_.empty();
  }

  std::wstring path_;   // the item or folder at hand
  std::wstring found_;  // what the file system names an opened item by
  std::wstring name_;   // a handle's path within its volume
  std::vector<unsigned char> nameInfo_;
  std::size_t volumeLength_ = 0;  // of the volume part of the root's path
  bool checkItems_ = false;
  std::vector<Level> levels_;
  WIN32_FIND_DATAW item_{};
};

}  // namespace

FolderItemAction ActionForFolderItem(unsigned long attributes, bool reachedItself) {
  // An item that opens as something else is a link in disguise; whatever
  // is done to it would be done to its target.
  if (!reachedItself) return FolderItemAction::Leave;
  // A junction or symbolic link is removed as a link (a folder link with
  // RemoveDirectoryW, a file link with DeleteFileW); its target is never
  // entered.
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return FolderItemAction::RemoveLink;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return FolderItemAction::Descend;
  return FolderItemAction::RemoveFile;
}

std::wstring ExtendedLengthPath(const std::wstring& fullPath) {
  const bool driveForm = fullPath.size() >= 3 && fullPath[1] == L':' && fullPath[2] == L'\\';
  if (driveForm) return L"\\\\?\\" + fullPath;
  const bool extended = fullPath.rfind(L"\\\\?\\", 0) == 0 || fullPath.rfind(L"\\\\.\\", 0) == 0;
  const bool network = !extended && fullPath.rfind(L"\\\\", 0) == 0;
  if (network) return L"\\\\?\\UNC\\" + fullPath.substr(2);
  return fullPath;
}

bool RemoveFolderTree(const wchar_t* folder) noexcept {
  if (folder == nullptr || folder[0] == L'\0') return false;
  try {
    CKzpTreeRemoval removal;
    return removal.Run(folder);
  } catch (const std::bad_alloc&) {
    // Without memory for its paths the walk stops where it is; what it has
    // not reached stays.
    return false;
  }
}
