// Putting text on the clipboard, with a few tries while another program
// holds it.

#include "clipboard.h"

#include <cstring>
#include <memory>

namespace {

constexpr int kTries = 5;
constexpr DWORD kTriesApartMs = 20;

struct GlobalFreer {
    void operator()(HGLOBAL memory) const { GlobalFree(memory); }
};

bool OpenClipboardSoon(HWND owner)
{
    for (int attempt = 1;; ++attempt) {
        if (OpenClipboard(owner))
            return true;
        if (attempt == kTries)
            return false;
        Sleep(kTriesApartMs);
    }
}

}  // namespace

bool SetClipboardText(HWND owner, const std::wstring& text)
{
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    std::unique_ptr<void, GlobalFreer> memory(GlobalAlloc(GMEM_MOVEABLE, bytes));
    void* copy = memory ? GlobalLock(memory.get()) : nullptr;
    if (!copy)
        return false;
    std::memcpy(copy, text.c_str(), bytes);
    GlobalUnlock(memory.get());
    if (!OpenClipboardSoon(owner))
        return false;
    // Once set, the memory is the clipboard's.
    const bool set = EmptyClipboard() && SetClipboardData(CF_UNICODETEXT, memory.get());
    if (set)
        memory.release();
    CloseClipboard();
    return set;
}
