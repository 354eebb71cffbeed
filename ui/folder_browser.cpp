#include "ui/folder_browser.h"

#include <ole2.h>
#include <shlobj.h>

#include <cwchar>

#include "app/app_state.h"
#include "resources/resource.h"
#include "ui/resource_message.h"

namespace {

// OLE for the thread while the browser runs.
class CKzpOleSession {
 public:
  CKzpOleSession() : started_(SUCCEEDED(OleInitialize(nullptr))) {}
  ~CKzpOleSession() {
    if (started_) OleUninitialize();
  }
  CKzpOleSession(const CKzpOleSession&) = delete;
  CKzpOleSession& operator=(const CKzpOleSession&) = delete;

 private:
  bool started_;
};

// The shell's allocator, released when it goes.
class CKzpShellAllocator {
 public:
  CKzpShellAllocator() {
    if (FAILED(SHGetMalloc(&malloc_))) malloc_ = nullptr;
  }
  ~CKzpShellAllocator() {
    if (malloc_ != nullptr) malloc_->Release();
  }
  CKzpShellAllocator(const CKzpShellAllocator&) = delete;
  CKzpShellAllocator& operator=(const CKzpShellAllocator&) = delete;

  IMalloc* Get() const { return malloc_; }

 private:
  IMalloc* malloc_ = nullptr;
};

}  // namespace

void FolderOfFile(const wchar_t* filePath, wchar_t* folder, std::size_t capacity) {
  if (capacity == 0) return;
  folder[0] = L'\0';
  const wchar_t* cut = filePath != nullptr ? std::wcsrchr(filePath, L'\\') : nullptr;
  if (cut == nullptr) return;
  std::size_t length = static_cast<std::size_t>(cut - filePath);
  // "C:" alone names the drive's current folder, not its root.
  if (length == 2 && filePath[1] == L':') ++length;
  if (length >= capacity) return;
  std::wmemcpy(folder, filePath, length);
  folder[length] = L'\0';
}

int CALLBACK BrowseCallback(HWND window, UINT message, LPARAM, LPARAM) {
  if (message != BFFM_INITIALIZED) return 0;
  wchar_t program[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameW(nullptr, program, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return 0;
  wchar_t folder[MAX_PATH] = {};
  FolderOfFile(program, folder, MAX_PATH);
  SendMessageW(window, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(folder));
  return 0;
}

bool BrowseForTargetFolder(HWND owner, wchar_t* path) {
  wchar_t prompt[MAX_PATH] = {};
  LoadStringW(TheApp().instance, IDS_BROWSE_PROMPT, prompt, MAX_PATH);
  CKzpOleSession ole;
  CKzpShellAllocator allocator;
  if (allocator.Get() == nullptr) return false;

  wchar_t displayName[MAX_PATH] = {};
  BROWSEINFOW info{};
  info.hwndOwner = owner;
  info.pszDisplayName = displayName;
  info.lpszTitle = prompt;
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  info.lpfn = BrowseCallback;
  PIDLIST_ABSOLUTE item = SHBrowseForFolderW(&info);
  if (item == nullptr) return false;  // cancelled

  const bool chosen = SHGetPathFromIDListW(item, path) != FALSE;
  if (!chosen) ShowResourceMessage(owner, IDS_FOLDER_REFUSED, IDS_CAPTION, MB_ICONWARNING);
  allocator.Get()->Free(item);
  return chosen;
}
