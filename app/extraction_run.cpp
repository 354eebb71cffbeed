#include "app/extraction_run.h"

#include <commctrl.h>

#include <cwchar>

#include "app/app_state.h"
#include "resources/resource.h"
#include "ui/resource_message.h"

namespace {

constexpr DWORD kPathCapacity = MAX_PATH;

// Restores the current folder saved at the start of the run on every way out,
// so the target folder is never current when the run returns.
class CKzpCurrentFolderRestorer {
 public:
  CKzpCurrentFolderRestorer() {
    const DWORD length = GetCurrentDirectoryW(kPathCapacity, saved_);
    if (length == 0 || length >= kPathCapacity) saved_[0] = L'\0';
  }
  ~CKzpCurrentFolderRestorer() { Restore(); }
  CKzpCurrentFolderRestorer(const CKzpCurrentFolderRestorer&) = delete;
  CKzpCurrentFolderRestorer& operator=(const CKzpCurrentFolderRestorer&) = delete;

  void Restore() {
    if (saved_[0] != L'\0') SetCurrentDirectoryW(saved_);
  }

 private:
  wchar_t saved_[kPathCapacity] = {};
};

unsigned long long AvailableBytesHere() {
  ULARGE_INTEGER available{};
  if (!GetDiskFreeSpaceExW(nullptr, &available, nullptr, nullptr)) return 0;
  return available.QuadPart;
}

void ShowNoSpaceMessage(HWND owner, unsigned long long required, unsigned long long available) {
  wchar_t format[kPathCapacity] = {};
  wchar_t caption[kPathCapacity] = {};
  wchar_t text[3 * kPathCapacity] = {};
  LoadStringW(TheApp().instance, IDS_NO_SPACE, format, kPathCapacity);
  LoadStringW(TheApp().instance, IDS_CAPTION, caption, kPathCapacity);
  // The message shows 32-bit numbers; the difference wraps like them.
  const unsigned long requiredLow = static_cast<unsigned long>(required & 0xFFFFFFFFu);
  const unsigned long availableLow = static_cast<unsigned long>(available & 0xFFFFFFFFu);
  wsprintfW(text, format, requiredLow, availableLow,
            static_cast<unsigned long>((requiredLow - availableLow) & 0xFFFFFFFFu));
  MessageBoxW(owner, text, caption, MB_ICONWARNING);
}

}  // namespace

bool HasEnoughSpace(unsigned long long available, unsigned long long required) {
  return available > required;
}

unsigned char ReportExtractionProgress(void* context, const kzpzip::ZIP_ExtractProgress* progress) {
  if (context != nullptr && progress != nullptr && progress->total != 0) {
    const double share = static_cast<double>(progress->current) / progress->total * 100.0;
    SendMessageW(static_cast<HWND>(context), PBM_SETPOS, static_cast<WPARAM>(share), 0);
  }
  return 1;
}

int RunExtraction(HWND owner, const wchar_t* folder, bool useWorkFolder, bool silent) {
  CKzpCurrentFolderRestorer currentFolder;

  wchar_t target[kPathCapacity] = {};
  if (useWorkFolder || folder == nullptr) {
    // The work folder and the folder browser arrive with the installer run
    // and the windows; until then there is no target to extract into.
    return 0;
  }
  if (std::wcslen(folder) >= kPathCapacity) return 0;
  std::wcscpy(target, folder);

  if (!SetCurrentDirectoryW(target)) return 0;

  const unsigned long long required = 0;  // no package definition is loaded here
  const unsigned long long available = AvailableBytesHere();
  if (!HasEnoughSpace(available, required)) {
    if (!silent) ShowNoSpaceMessage(owner, required, available);
    return 0;
  }

  const int result = TheApp().archive.ExtractAll(target, ReportExtractionProgress, nullptr);
  if (result != kzpzip::ZIP_OK) {
    if (!silent) ShowResourceMessage(owner, IDS_EXTRACTION_FAILED, IDS_CAPTION, MB_ICONERROR);
    return 0;
  }
  return 1;
}
