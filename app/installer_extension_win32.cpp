#include <windows.h>

#include "app/installer_command.h"

bool IsExtensionIgnoringCase(const wchar_t* extension, const wchar_t* expected) {
  return CompareStringOrdinal(extension, -1, expected, -1, TRUE) == CSTR_EQUAL;
}
