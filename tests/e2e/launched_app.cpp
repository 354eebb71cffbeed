// Stands for the installed application that an installer starts at its end
// and leaves running: a windowless GUI program (no console, as such an
// application has none) that runs for 30 seconds.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  Sleep(30000);
  return 0;
}
