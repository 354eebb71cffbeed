#pragma once

#include <string>

// A fresh folder under the Windows temporary folder, removed with all its
// contents (read-only files included) when the owner goes.
class CKzpTempFolder {
 public:
  CKzpTempFolder();
  ~CKzpTempFolder();
  CKzpTempFolder(const CKzpTempFolder&) = delete;
  CKzpTempFolder& operator=(const CKzpTempFolder&) = delete;

  // Absolute path without a trailing backslash.
  const std::wstring& Path() const { return path_; }
  // Path() + L"\\" + relative.
  std::wstring operator/(const std::wstring& relative) const;

 private:
  std::wstring path_;
};

// Deletes a folder tree; read-only items are made writable first.
void RemoveTreeForTests(const std::wstring& path);
