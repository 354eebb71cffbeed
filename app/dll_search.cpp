#include "app/dll_search.h"

#include <cwchar>

void RestrictDllSearchPath() {
  // SetDefaultDllDirectories exists from Windows 8 (and on 7 with KB2533623);
  // look it up so the program still starts where it is missing.
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
  if (setDefault != nullptr) {
    setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
  }
  // Removes the current folder from the search order of LoadLibrary.
  SetDllDirectoryW(L"");
}

HMODULE LoadSystemLibrary(const wchar_t* name) {
  HMODULE module = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (module != nullptr || GetLastError() != ERROR_INVALID_PARAMETER) return module;
  // A Windows 7 without KB2533623 knows no LOAD_LIBRARY_SEARCH_* flag: take
  // the system folder's copy by its full path there (no side-by-side
  // version then, but never a stranger's copy). The altered search order
  // makes the DLLs that it loads in turn start from its own folder, the
  // system folder, rather than from the package's; a DLL loaded later by
  // bare name still finds the package's folder first on such a system.
  wchar_t path[MAX_PATH] = {};
  const UINT length = GetSystemDirectoryW(path, MAX_PATH);
  if (length == 0 || length + 1 + std::wcslen(name) >= MAX_PATH) return nullptr;
  path[length] = L'\\';
  std::wcscpy(path + length + 1, name);
  return LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}
