// The program's manifest (compiled into this test too) asks for Common
// Controls 6: the controls take the system's current look.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <shlwapi.h>

#include <cwctype>
#include <string>

#include "ui/common_controls.h"

namespace {

std::wstring LowerCase(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

bool RunsUnderWine() {
  return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

// Version 6 lives only in the side-by-side store; a comctl32.dll beside the
// program or in system32 is version 5. Wine's one build of comctl32 answers
// 5.81 to DllGetVersion from both places (measured under Wine 8), so there
// only the folder that it was loaded from tells them apart.
TEST(CommonControls, AreVersion6FromTheSideBySideStore) {
  // As the contents and progress windows do: comctl32 is loaded at run time.
  ASSERT_TRUE(RegisterCommonControlClasses(ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS));
  HMODULE controls = GetModuleHandleW(L"comctl32.dll");
  ASSERT_NE(controls, nullptr);
  wchar_t path[MAX_PATH] = {};
  ASSERT_GT(GetModuleFileNameW(controls, path, MAX_PATH), 0u);
  const std::wstring loaded = LowerCase(path);
  EXPECT_NE(loaded.find(L"\\winsxs\\"), std::wstring::npos) << loaded.c_str();
  EXPECT_NE(loaded.find(L"_microsoft.windows.common-controls_6595b64144ccf1df_6."),
            std::wstring::npos)
      << loaded.c_str();

  auto getVersion = reinterpret_cast<DLLGETVERSIONPROC>(
      reinterpret_cast<void*>(GetProcAddress(controls, "DllGetVersion")));
  ASSERT_NE(getVersion, nullptr);
  DLLVERSIONINFO version{};
  version.cbSize = sizeof version;
  ASSERT_EQ(getVersion(&version), S_OK);
  EXPECT_GE(version.dwMajorVersion, RunsUnderWine() ? 5u : 6u);
}

}  // namespace
