#include "app/dll_search.h"

#include <windows.h>

void RestrictDllSearchPath() {
  // SetDefaultDllDirectories exists from Windows 8 (and on 7 with KB2533623);
  // look it up so the program still starts where it is missing.
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
  if (setDefault != nullptr) {
    setDefault(0x00000800);  // LOAD_LIBRARY_SEARCH_SYSTEM32
  }
  // Removes the current folder from the search order of LoadLibrary.
  SetDllDirectoryW(L"");
}
