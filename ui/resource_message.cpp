#include "ui/resource_message.h"

#include <vector>

#include "app/app_state.h"

void ShowResourceMessage(HWND owner, UINT textId, UINT captionId, UINT style) {
  constexpr int kCapacity = 32768;
  std::vector<wchar_t> text(kCapacity, L'\0');
  std::vector<wchar_t> caption(kCapacity, L'\0');
  LoadStringW(TheApp().instance, textId, text.data(), kCapacity);
  LoadStringW(TheApp().instance, captionId, caption.data(), kCapacity);
  MessageBoxW(owner, text.data(), caption.data(), style);
}
