// A DLL that records that it was loaded: its DllMain writes an empty file
// named after the DLL's own path with ".loaded" added. Copied beside a
// package as comctl32.dll or uxtheme.dll, it stands for a DLL that a
// stranger planted in a Downloads folder. It exports the one function that
// a program importing comctl32.dll statically needs to start.
#include <windows.h>

#include <string>

extern "C" __declspec(dllexport) BOOL WINAPI InitCommonControlsEx(const void*) { return TRUE; }

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(self, path, MAX_PATH);
  HANDLE marker = CreateFileW((std::wstring(path) + L".loaded").c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
  return TRUE;
}
