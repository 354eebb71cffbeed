#include "ui/contents_window.h"

#include <commctrl.h>

#include <new>

#include "app/app_state.h"
#include "archive/entry_name.h"
#include "resources/resource.h"
#include "ui/common_controls.h"
#include "ui/main_window.h"

namespace {

constexpr int kColumnTitleCapacity = 64;
constexpr int kDateTimeCapacity = 4096;
// The window starts at, and cannot be made smaller than, this size.
constexpr int kMinimumWidth = 400;
constexpr int kMinimumHeight = 200;

struct ContentsColumn {
  UINT title;
  int format;
  int width;  // pixels
};
constexpr ContentsColumn kColumns[] = {{IDS_COLUMN_FILENAME, LVCFMT_LEFT, 125},
                                       {IDS_COLUMN_DATE, LVCFMT_LEFT, 80},
                                       {IDS_COLUMN_TIME, LVCFMT_LEFT, 80},
                                       {IDS_COLUMN_SIZE, LVCFMT_RIGHT, 80}};

void InsertColumns(HWND list) {
  int index = 0;
  for (const ContentsColumn& column : kColumns) {
    wchar_t title[kColumnTitleCapacity] = {};
    LoadStringW(TheApp().instance, column.title, title, kColumnTitleCapacity);
    LVCOLUMNW info{};
    info.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
    info.fmt = column.format;
    info.cx = column.width;
    info.pszText = title;
    SendMessageW(list, LVM_INSERTCOLUMNW, index++, reinterpret_cast<LPARAM>(&info));
  }
}

void SetCellText(HWND list, int item, int column, const std::string& text) {
  LVITEMA cell{};
  cell.iSubItem = column;
  cell.pszText = const_cast<char*>(text.c_str());
  SendMessageW(list, LVM_SETITEMTEXTA, item, reinterpret_cast<LPARAM>(&cell));
}

INT_PTR InitContentsWindow(HWND window) {
  HWND list = GetDlgItem(window, IDC_CONTENTS_LIST);
  InsertColumns(list);
  FillContentsList(list);
  SetWindowPos(window, nullptr, 0, 0, kMinimumWidth, kMinimumHeight,
               SWP_NOMOVE | SWP_NOOWNERZORDER);
  return TRUE;  // the platform gives the list the focus
}

// The list fills the client area exactly, after every resize.
void FitListToClient(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  MoveWindow(GetDlgItem(window, IDC_CONTENTS_LIST), 0, 0, client.right, client.bottom, TRUE);
}

}  // namespace

CKzpContentsRow MakeContentsRow(const kzpzip::ZIP_FileEntry& entry) {
  CKzpContentsRow row;
  // As the extraction names the file (an ANSI name widened as the list's
  // ANSI messages would, a UTF-8 one decoded).
  kzpzip::WidenEntryName(entry, row.name);
  FILETIME stored{};
  SYSTEMTIME when{};
  // The stored clock time as it is: no conversion between time zones.
  if (DosDateTimeToFileTime(static_cast<WORD>(entry.lastModDate),
                            static_cast<WORD>(entry.lastModTime), &stored) &&
      FileTimeToSystemTime(&stored, &when)) {
    char text[kDateTimeCapacity] = {};
    if (GetDateFormatA(LOCALE_SYSTEM_DEFAULT, 0, &when, nullptr, text, kDateTimeCapacity) > 0) {
      row.date = text;
    }
    if (GetTimeFormatA(LOCALE_SYSTEM_DEFAULT, 0, &when, nullptr, text, kDateTimeCapacity) > 0) {
      row.time = text;
    }
  }
  char size[16] = {};
  wsprintfA(size, "%lu", static_cast<unsigned long>(entry.uncompressedSize));
  row.size = size;
  return row;
}

void FillContentsList(HWND list) {
  const kzpzip::ZIP_File& archive = TheApp().archive;
  const unsigned count = archive.GetEntryCount();
  for (unsigned index = 0; index < count; ++index) {
    const kzpzip::ZIP_FileEntry* entry = archive.GetEntry(static_cast<int>(index));
    if (entry == nullptr) continue;
    const CKzpContentsRow row = MakeContentsRow(*entry);
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    item.pszText = const_cast<wchar_t*>(row.name.c_str());
    const int inserted =
        static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    if (inserted < 0) continue;
    SetCellText(list, inserted, 1, row.date);
    SetCellText(list, inserted, 2, row.time);
    SetCellText(list, inserted, 3, row.size);
  }
}

void ShowContentsWindow(HWND owner) {
  // The list view class must exist before the template is created.
  RegisterCommonControlClasses(ICC_LISTVIEW_CLASSES);
  DialogBoxParamW(TheApp().instance, MAKEINTRESOURCEW(IDD_CONTENTS), owner, ContentsWindowProc, 0);
}

INT_PTR CALLBACK ContentsWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  try {
    switch (message) {
      case WM_INITDIALOG:
        return InitContentsWindow(window);
      case WM_SIZE:
        FitListToClient(window);
        return 1;
      case WM_GETMINMAXINFO:
        reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = POINT{kMinimumWidth, kMinimumHeight};
        return 1;
      case WM_COMMAND:
        // Esc and the close box (command 2) end the window; Enter does nothing.
        return OnMainCommand(window, HIWORD(wParam), LOWORD(wParam),
                             reinterpret_cast<HWND>(lParam));
      default:
        return 0;
    }
  } catch (const std::bad_alloc&) {
    return 0;  // the window shows the rows built so far
  }
}
