// The control for the planted-DLL tests: a program that imports comctl32.dll
// statically, as the stub once did. Started beside planted DLLs with
// native-first overrides, it must load them, or those tests prove nothing.
#include <windows.h>

#include <commctrl.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  INITCOMMONCONTROLSEX classes{sizeof classes, ICC_PROGRESS_CLASS};
  return InitCommonControlsEx(&classes) ? 0 : 1;
}
