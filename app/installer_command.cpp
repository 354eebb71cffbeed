#include "app/installer_command.h"

#include <cwchar>
#include <string>

namespace {

// The extension of the last path component, dot included, or none.
const wchar_t* ExtensionOf(const wchar_t* path) {
  const wchar_t* component = path;
  for (const wchar_t* p = path; *p != L'\0'; ++p) {
    if (*p == L'\\' || *p == L'/') component = p + 1;
  }
  return std::wcsrchr(component, L'.');
}

bool CopyIfFits(const std::wstring& text, wchar_t* out, std::size_t capacity) {
  if (out == nullptr || text.size() + 1 > capacity) return false;
  std::wmemcpy(out, text.c_str(), text.size() + 1);
  return true;
}

}  // namespace

InstallerKind InstallerKindOf(const wchar_t* command) {
  const wchar_t* extension = ExtensionOf(command);
  if (extension == nullptr) return InstallerKind::kProgram;
  if (std::wcscmp(extension, L".bat") == 0 || std::wcscmp(extension, L".cmd") == 0) {
    return InstallerKind::kBatch;
  }
  if (IsExtensionIgnoringCase(extension, L".msi") || IsExtensionIgnoringCase(extension, L".msp")) {
    return InstallerKind::kWindowsInstaller;
  }
  return InstallerKind::kProgram;
}

bool ComposeProgramPart(const wchar_t* command, const wchar_t* parameters, bool force,
                        wchar_t* programPart, std::size_t capacity, InstallerKind* kind) {
  if (programPart != nullptr && capacity > 0) programPart[0] = L'\0';
  if (command == nullptr) return false;

  const InstallerKind found = InstallerKindOf(command);
  if (kind != nullptr) *kind = found;
  if (found == InstallerKind::kBatch) return CopyIfFits(L"cmd.exe /C", programPart, capacity);

  std::wstring part = command;
  part += L'"';
  if (parameters != nullptr) {
    part += L' ';
    part += parameters;
  }
  if (force && found == InstallerKind::kProgram) part += L" /force";
  return CopyIfFits(part, programPart, capacity);
}

bool FormatInstallerCommandLine(const wchar_t* folder, const wchar_t* programPart,
                                const wchar_t* command, InstallerKind kind, wchar_t* commandLine,
                                std::size_t capacity) {
  const std::size_t folderLength = std::wcslen(folder);
  const bool endsWithBackslash = folderLength > 0 && folder[folderLength - 1] == L'\\';
  const wchar_t* separator = endsWithBackslash ? L"" : L"\\";
  std::wstring line;
  if (kind == InstallerKind::kBatch) {
    // The interpreter keeps the quotation marks after /C only when there
    // are exactly two, with a blank and none of &<>()@^| between them;
    // otherwise it removes the first and the last, which cuts a path such
    // as C:\Users\R&D\... One more pair around the whole command is what
    // it removes then, so the batch file keeps its quoted path and its
    // argument. A %NAME% pair in the path is expanded whatever the quoting:
    // no command line protects it.
    line = std::wstring(programPart) + L" \"\"" + folder + separator + command + L"\" xeltr\"";
  } else if (kind == InstallerKind::kWindowsInstaller) {
    // /p applies a patch, /i installs a package.
    const wchar_t* extension = ExtensionOf(command);
    const bool patch = extension != nullptr && IsExtensionIgnoringCase(extension, L".msp");
    line = std::wstring(patch ? L"msiexec.exe /p \"" : L"msiexec.exe /i \"") + folder + separator +
           programPart;
  } else {
    line = std::wstring(L"\"") + folder + separator + programPart;
  }
  return CopyIfFits(line, commandLine, capacity);
}
