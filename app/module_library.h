#pragma once

#include <windows.h>

#include "app/dll_search.h"

// Owns a system DLL loaded with LoadSystemLibrary; frees it when it goes.
class CKzpModuleLibrary {
 public:
  explicit CKzpModuleLibrary(const wchar_t* name) : module_(LoadSystemLibrary(name)) {}
  ~CKzpModuleLibrary() {
    if (module_ != nullptr) FreeLibrary(module_);
  }
  CKzpModuleLibrary(const CKzpModuleLibrary&) = delete;
  CKzpModuleLibrary& operator=(const CKzpModuleLibrary&) = delete;

  bool IsLoaded() const { return module_ != nullptr; }

 private:
  HMODULE module_;
};
