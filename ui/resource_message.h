#pragma once

#include <windows.h>

// A message box whose text and caption are string-table entries.
// The user's answer is not returned.
void ShowResourceMessage(HWND owner, UINT textId, UINT captionId, UINT style);
