// Pure rules of the dialogs, and the contents list filled from an archive.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include "app/app_state.h"
#include "file_bytes.h"
#include "packer/zip_mutators.h"
#include "packer/zip_writer.h"
#include "temp_folder.h"
#include "ui/common_controls.h"
#include "ui/contents_window.h"
#include "ui/folder_browser.h"
#include "ui/license_dialog.h"
#include "ui/no_space_message.h"

namespace {

TEST(LicenseText, OnlyABareLineFeedGetsACarriageReturn) {
  const std::pair<const char*, const char*> cases[] = {
      {"one\ntwo", "one\r\ntwo"},
      {"one\r\ntwo\r\n", "one\r\ntwo\r\n"},  // was CR CR LF
      {"\n\n", "\r\n\r\n"},
      {"mixed\r\nends\nhere\r", "mixed\r\nends\r\nhere\r"},
      {"", ""},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(WithCrLfLineEnds(text), expected) << text;
  EXPECT_EQ(WithCrLfLineEnds(nullptr), "");
}

const wchar_t kNoSpace[] =
    L"Not enough disk space is availble to extract the package:\n\n%lu bytes required\n\n"
    L"%lu bytes available\n\nPlease make %lu bytes available and try again.";

std::wstring NoSpaceText(const wchar_t* required, const wchar_t* available, const wchar_t* make) {
  return std::wstring(L"Not enough disk space is availble to extract the package:\n\n") +
         required + L" bytes required\n\n" + available + L" bytes available\n\nPlease make " +
         make + L" bytes available and try again.";
}

// Above 4 GiB the message used to show the low 32 bits of each size.
TEST(NoSpaceMessage, ShowsFullSizesAbove4GiB) {
  EXPECT_EQ(FormatNoSpaceMessage(kNoSpace, 5000, 1000), NoSpaceText(L"5000", L"1000", L"4000"));
  EXPECT_EQ(FormatNoSpaceMessage(kNoSpace, 17592186044416ull, 5368709120ull),
            NoSpaceText(L"17592186044416", L"5368709120", L"17586817335296"));
  // The Japanese sentence puts its numbers elsewhere; a percent sign stays one.
  EXPECT_EQ(FormatNoSpaceMessage(L"%lu / %lu (%lu) 100%%", 1ull << 33, 1),
            L"8589934592 / 1 (8589934591) 100%");
}

TEST(FolderBrowser, PreselectsTheFolderOfTheProgram) {
  for (const auto& [file, folder] : {std::pair{L"C:\\dl\\setup.exe", L"C:\\dl"},
                                     std::pair{L"C:\\setup.exe", L"C:\\"},  // the root, not "C:"
                                     std::pair{L"setup.exe", L""}}) {
    wchar_t out[MAX_PATH] = {L'x'};
    FolderOfFile(file, out, MAX_PATH);
    EXPECT_STREQ(out, folder) << file;
  }
}

// Every entry in directory order, folders too, a name marked as UTF-8
// decoded; sizes unsigned, the stored clock time as it is.
TEST(ContentsList, ListsEveryEntryWithUnsignedSizes) {
  CKzpTempFolder folder;
  kzppack::ZipWriter writer(kzppack::Bytes(4096, 0xCC));
  writer.AddFile("readme.txt", "hello");
  writer.AddFolder("docs/");
  writer.AddFile("docs/big.bin", "");
  kzppack::ZipEntrySpec utf8;
  utf8.name = u8"資料/説明書.txt";
  utf8.flags = 0x0800;
  writer.Add(utf8);
  kzppack::ZipLayout layout;
  kzppack::Bytes bytes = writer.Finish(&layout);
  using kzppack::SharedField;
  ASSERT_TRUE(kzppack::DeclareUncompressedSize(bytes, layout, 2, 0xC0000000u));
  ASSERT_TRUE(kzppack::SetSharedField(bytes, layout, 2, SharedField::kDate,
                                      kzppack::DosDate(2024, 2, 29)));
  ASSERT_TRUE(kzppack::SetSharedField(bytes, layout, 2, SharedField::kTime,
                                      kzppack::DosTime(13, 45, 30)));
  const std::wstring path = folder / L"package.exe";
  ASSERT_TRUE(WriteFileBytes(path, bytes));
  AppState& app = TheApp();
  ASSERT_EQ(app.archive.Open(path.c_str(), true), kzpzip::ZIP_OK);

  ASSERT_TRUE(RegisterCommonControlClasses(ICC_LISTVIEW_CLASSES));
  HWND list = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_POPUP | LVS_REPORT, 0, 0, 400, 200, nullptr,
                              nullptr, nullptr, nullptr);
  ASSERT_NE(list, nullptr);
  for (int column = 0; column < 4; ++column) {
    LVCOLUMNW info{};
    SendMessageW(list, LVM_INSERTCOLUMNW, column, reinterpret_cast<LPARAM>(&info));
  }
  FillContentsList(list);
  auto cell = [list](int item, int column) {
    wchar_t text[256] = {};
    LVITEMW request{};
    request.iSubItem = column;
    request.pszText = text;
    request.cchTextMax = 256;
    SendMessageW(list, LVM_GETITEMTEXTW, item, reinterpret_cast<LPARAM>(&request));
    return std::wstring(text);
  };
  ASSERT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 4);
  EXPECT_EQ(cell(0, 0), L"readme.txt");
  EXPECT_EQ(cell(0, 3), L"5");
  EXPECT_EQ(cell(1, 0), L"docs/");
  EXPECT_EQ(cell(2, 0), L"docs/big.bin");
  EXPECT_EQ(cell(2, 3), L"3221225472") << "never negative";
  EXPECT_NE(cell(2, 1).find(L"2024"), std::wstring::npos) << cell(2, 1);
  EXPECT_NE(cell(2, 2).find(L"1:45:30"), std::wstring::npos) << cell(2, 2);
  EXPECT_EQ(cell(3, 0), L"資料/説明書.txt");
  DestroyWindow(list);
  app.archive.Close();
}

}  // namespace
