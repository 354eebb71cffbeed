#pragma once

#include <windows.h>

// Keeps DLLs from being loaded out of the program's own folder or the current
// folder: a downloaded package usually sits in a Downloads folder next to
// whatever else was downloaded. Call first thing in the entry.
//
// The restriction reaches only what is loaded after it. The program's import
// table is resolved by the loader before the entry runs, from the program's
// folder first, for every DLL that is not one of Windows' KnownDLLs: so the
// stub imports KnownDLLs only (tests/e2e/check-imports.sh holds it to that
// list), and loads everything else with LoadSystemLibrary.
void RestrictDllSearchPath();

// Loads a system DLL by its bare name from the system folder only; its own
// dependencies then come from there too. Side-by-side redirection still
// applies first, so a manifest's dependency on Common Controls 6 gets that
// version from the side-by-side store; a full system32 path would bypass
// the redirection and give version 5. Null when it cannot be loaded.
HMODULE LoadSystemLibrary(const wchar_t* name);
