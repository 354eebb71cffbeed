#pragma once

#include <windows.h>

// Registers the common control classes given as ICC_* flags, before a
// dialog that holds such a control is created. comctl32.dll is no KnownDLL,
// so the stub never imports it (the loader would take a copy planted beside
// the package before any of our code runs): it is loaded here, from the
// system, the first time a window needs it, and stays until the process
// ends, as the windows of its classes may. False when the library or its
// function cannot be found.
bool RegisterCommonControlClasses(DWORD classes);
