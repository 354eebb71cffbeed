// kzppack.exe's messages name files as they are, whatever the console's
// code page: in a console (read back from its screen buffer) and in a file
// that the output is redirected to (UTF-8, CRLF line ends).
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "file_bytes.h"
#include "temp_folder.h"

namespace {

// 資料\説明.txt: refused with --codepage 1252, with its path in the message.
const wchar_t kFile[] = L"\u8CC7\u6599\\\u8AAC\u660E.txt";
const char kFileUtf8[] = "\xE8\xB3\x87\xE6\x96\x99\\\xE8\xAA\xAC\xE6\x98\x8E.txt";

std::wstring Kzppack() { return WinePathFromUnix(KZPPACK_EXE_UNIX_PATH); }

std::string ReadableText(const std::wstring& text) {
  std::string utf8(text.size() * 3 + 1, '\0');
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       &utf8[0], static_cast<int>(utf8.size()), nullptr, nullptr);
  utf8.resize(size > 0 ? static_cast<std::size_t>(size) : 0);
  return utf8;
}

class KzppackOutput : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = temp_ / L"\u8CC7\u6599";
    ASSERT_TRUE(CreateDirectoryW(folder_.c_str(), nullptr));
    ASSERT_TRUE(WriteFileText(temp_ / kFile, "text"));
  }

  // Runs "kzppack.exe check --codepage 1252 <folder>" with both outputs on
  // one handle.
  DWORD Run(HANDLE output) {
    std::wstring command = L"\"" + Kzppack() + L"\" check --codepage 1252 \"" + folder_ + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = output;
    startup.hStdOutput = output;
    startup.hStdError = output;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &process)) {
      ADD_FAILURE() << "cannot start kzppack.exe: " << GetLastError();
      return 0xFFFFFFFF;
    }
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = 0xFFFFFFFF;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
  }

  CKzpTempFolder temp_;
  std::wstring folder_;
};

TEST_F(KzppackOutput, RedirectedToAFileAsUtf8) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  const std::wstring path = temp_ / L"messages.txt";
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(Run(file), 1u);
  CloseHandle(file);
  const std::string text = ReadFileText(path);
  const std::string expected = std::string(kFileUtf8) + ": error: code page 1252 has no exact form";
  EXPECT_NE(text.find(expected), std::string::npos) << text;
  EXPECT_NE(text.find("\r\n"), std::string::npos);
  EXPECT_EQ(text.find("\xEF\xBB\xBF"), std::string::npos) << "no byte-order mark";
}

// The console's own buffer: what the user reads there. A console whose
// code page cannot show Japanese (Western, as here) shows it all the same.
TEST_F(KzppackOutput, InAConsoleAsItIs) {
  FreeConsole();
  ASSERT_TRUE(AllocConsole());
  if (HWND window = GetConsoleWindow()) ShowWindow(window, SW_HIDE);
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE console = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                               nullptr);
  ASSERT_NE(console, INVALID_HANDLE_VALUE);
  CONSOLE_SCREEN_BUFFER_INFO info{};
  ASSERT_TRUE(GetConsoleScreenBufferInfo(console, &info));
  const DWORD cells = static_cast<DWORD>(info.dwSize.X) * static_cast<DWORD>(info.dwSize.Y);
  std::wstring screen(cells, L' ');
  DWORD read = 0;
  // Wine without a display gives a console with no screen buffer to read.
  DWORD written = 0;
  WriteConsoleW(console, L"#", 1, &written, nullptr);
  if (!ReadConsoleOutputCharacterW(console, &screen[0], 1, COORD{0, 0}, &read) || read == 0 ||
      screen[0] != L'#') {
    CloseHandle(console);
    FreeConsole();
    GTEST_SKIP() << "this console has no screen buffer to read back";
  }
  EXPECT_EQ(Run(console), 1u);
  ASSERT_TRUE(ReadConsoleOutputCharacterW(console, &screen[0], cells, COORD{0, 0}, &read));
  CloseHandle(console);
  FreeConsole();
  screen.resize(read);
  std::wstring joined;  // the lines of the buffer, blanks at their ends dropped
  for (std::size_t at = 0; at < screen.size(); at += static_cast<std::size_t>(info.dwSize.X)) {
    std::wstring line = screen.substr(at, static_cast<std::size_t>(info.dwSize.X));
    joined += line;
  }
  EXPECT_NE(joined.find(std::wstring(kFile) + L": error:"), std::wstring::npos) << "\n"
                                                                               << ReadableText(joined);
  EXPECT_EQ(joined.find(L"\u00E8\u00B3"), std::wstring::npos) << "UTF-8 read as Western";
}

}  // namespace
