#pragma once

#include <windows.h>

namespace kzpzip {

// Move-only owner of a CreateFileW handle; INVALID_HANDLE_VALUE is empty.
class CKzpFileHandle {
 public:
  CKzpFileHandle() = default;
  explicit CKzpFileHandle(HANDLE handle) : handle_(handle) {}
  ~CKzpFileHandle() { reset(); }

  CKzpFileHandle(CKzpFileHandle&& other) noexcept : handle_(other.release()) {}
  CKzpFileHandle& operator=(CKzpFileHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  CKzpFileHandle(const CKzpFileHandle&) = delete;
  CKzpFileHandle& operator=(const CKzpFileHandle&) = delete;

  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }

  HANDLE release() {
    HANDLE handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    return handle;
  }

  // Closes the held handle (if any) and takes the new one.
  void reset(HANDLE handle = INVALID_HANDLE_VALUE) {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    handle_ = handle;
  }

  // Closes the handle now and reports whether CloseHandle succeeded, for
  // files we wrote, where a failing close can mean lost data.
  bool close() {
    if (handle_ == INVALID_HANDLE_VALUE) return true;
    return CloseHandle(release()) != FALSE;
  }

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

}  // namespace kzpzip
