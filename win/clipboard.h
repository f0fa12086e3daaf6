// Putting text on the clipboard.

#pragma once

#include <windows.h>

#include <string>

// Puts text on the clipboard as CF_UNICODETEXT, in place of what it held.
// Another program may hold the clipboard for a moment: it is tried five
// times, 20 ms apart, and never waited for longer. false when it could not.
bool SetClipboardText(HWND owner, const std::wstring& text);
