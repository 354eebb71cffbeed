#pragma once

#include <windows.h>

namespace kzpzip {

// Move-only owner of a CreateThread handle; NULL is empty. Closing the
// handle does not stop or wait for the thread: whoever starts one joins it
// before its owner goes.
class CKzpThreadHandle {
 public:
  CKzpThreadHandle() = default;
  explicit CKzpThreadHandle(HANDLE handle) : handle_(handle) {}
  ~CKzpThreadHandle() { reset(); }

  CKzpThreadHandle(CKzpThreadHandle&& other) noexcept : handle_(other.release()) {}
  CKzpThreadHandle& operator=(CKzpThreadHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  CKzpThreadHandle(const CKzpThreadHandle&) = delete;
  CKzpThreadHandle& operator=(const CKzpThreadHandle&) = delete;

  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != nullptr; }

  HANDLE release() {
    HANDLE handle = handle_;
    handle_ = nullptr;
    return handle;
  }

  void reset(HANDLE handle = nullptr) {
    if (handle_ != nullptr) CloseHandle(handle_);
    handle_ = handle;
  }

 private:
  HANDLE handle_ = nullptr;
};

}  // namespace kzpzip
