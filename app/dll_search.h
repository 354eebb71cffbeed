#pragma once

// Keeps DLLs from being loaded out of the program's own folder or the current
// folder: a downloaded package usually sits in a Downloads folder next to
// whatever else was downloaded. Call first thing in the entry.
void RestrictDllSearchPath();
