// The stub's installer command rules (app/installer_command.cpp) in
// kzppack: extensions compared with kzppack's case fold, which is the
// system's own on Windows (code_page.h).
#include <string>

#include "app/installer_command.h"
#include "packer/code_page.h"

bool IsExtensionIgnoringCase(const wchar_t* extension, const wchar_t* expected) {
  return kzppack::UpperCaseName(extension) == kzppack::UpperCaseName(expected);
}
