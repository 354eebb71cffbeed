#include "ui/common_controls.h"

#include <commctrl.h>

#include "app/dll_search.h"

namespace {
HMODULE g_commonControls = nullptr;
}  // namespace

bool RegisterCommonControlClasses(DWORD classes) {
  // By its bare name: a manifest dependency on Common Controls 6 then gets
  // version 6 from the side-by-side store (LoadSystemLibrary).
  if (g_commonControls == nullptr) g_commonControls = LoadSystemLibrary(L"comctl32.dll");
  if (g_commonControls == nullptr) return false;
  using InitCommonControlsExFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
  auto initialize = reinterpret_cast<InitCommonControlsExFn>(
      reinterpret_cast<void*>(GetProcAddress(g_commonControls, "InitCommonControlsEx")));
  const INITCOMMONCONTROLSEX request{sizeof request, classes};
  return initialize != nullptr && initialize(&request) != FALSE;
}
