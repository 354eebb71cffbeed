#pragma once

#include <windows.h>

// Owns a module loaded with LoadLibraryW; frees it when it goes.
class CKzpModuleLibrary {
 public:
  explicit CKzpModuleLibrary(const wchar_t* name) : module_(LoadLibraryW(name)) {}
  ~CKzpModuleLibrary() {
    if (module_ != nullptr) FreeLibrary(module_);
  }
  CKzpModuleLibrary(const CKzpModuleLibrary&) = delete;
  CKzpModuleLibrary& operator=(const CKzpModuleLibrary&) = delete;

  bool IsLoaded() const { return module_ != nullptr; }

 private:
  HMODULE module_;
};
