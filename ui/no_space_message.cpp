#include "ui/no_space_message.h"

#include <cwchar>

#include "app/app_state.h"
#include "app/decimal_text.h"
#include "resources/resource.h"

namespace {

constexpr int kStringCapacity = 260;
// wsprintfW writes at most 1024 characters and a terminator.
constexpr int kTextCapacity = 1025;

// The format with each %lu replaced, in order, by the next value; %% stands
// for a percent sign as in wsprintfW.
std::wstring SubstituteFields(const wchar_t* format, const std::uint64_t (&values)[3]) {
  std::wstring text;
  std::size_t next = 0;
  for (const wchar_t* c = format; *c != L'\0'; ++c) {
    if (c[0] == L'%' && c[1] == L'%') {
      text += L'%';
      ++c;
    } else if (std::wcsncmp(c, L"%lu", 3) == 0 && next < 3) {
      text += DecimalText(values[next++]);
      c += 2;
    } else {
      text += *c;
    }
  }
  return text;
}

}  // namespace

std::wstring FormatNoSpaceMessage(const wchar_t* format, std::uint64_t required,
                                  std::uint64_t available) {
  const std::uint64_t missing = required > available ? required - available : 0;
  if (required <= UINT32_MAX && available <= UINT32_MAX) {
    wchar_t text[kTextCapacity] = {};
    wsprintfW(text, format, static_cast<unsigned long>(required),
              static_cast<unsigned long>(available), static_cast<unsigned long>(missing));
    return text;
  }
  return SubstituteFields(format, {required, available, missing});
}

void ShowNoSpaceMessage(HWND owner, std::uint64_t required, std::uint64_t available) {
  wchar_t format[kStringCapacity] = {};
  wchar_t caption[kStringCapacity] = {};
  LoadStringW(TheApp().instance, IDS_NO_SPACE, format, kStringCapacity);
  LoadStringW(TheApp().instance, IDS_CAPTION, caption, kStringCapacity);
  MessageBoxW(owner, FormatNoSpaceMessage(format, required, available).c_str(), caption,
              MB_ICONWARNING);
}
