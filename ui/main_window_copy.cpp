// Copying what the drive browser's lists show: Ctrl+C, and the menu of
// either list. Copying reads the window only: it calls no drive service.

#include "main_window.h"

#include "clipboard.h"
#include "drive_text.h"
#include "texts.h"
#include "window_text.h"

#include <windowsx.h>

// The menu opens where the list was right-clicked; from the keyboard
// (Shift+F10, the menu key: position -1), at the selected line, or at the
// list's top-left corner.
bool MainWindow::OnContextMenu(HWND list, LPARAM position)
{
    if (list != list1 && list != list2)
        return false;
    POINT at{GET_X_LPARAM(position), GET_Y_LPARAM(position)};
    if (position == -1) {
        RECT line{};
        const int selected = ListBox_GetCurSel(list);
        at = selected >= 0 && ListBox_GetItemRect(list, selected, &line) != LB_ERR ? POINT{line.left, line.bottom}
                                                                                   : POINT{0, 0};
        ClientToScreen(list, &at);
    }
    const std::wstring text = CopyText(list);
    const UniqueMenu menu(CreatePopupMenu());
    if (!menu || !AppendMenuW(menu.get(), MF_STRING | (text.empty() ? MF_GRAYED : 0), kCopy, texts::kCopyMenuItem))
        return true;
    if (TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd_, nullptr) ==
        kCopy)
        Copy(text);
    return true;
}

// The drive list: the selected drive's line, with its details when they are
// on show. The track list: its lines and the CD control's summary.
std::wstring MainWindow::CopyText(HWND list) const
{
    if (list == list1) {
        const int selected = ListBox_GetCurSel(list1);
        return selected < 0 ? std::wstring()
                            : DriveListCopy(ListItemText(list1, selected), WindowText(label1), WindowText(label5));
    }
    if (list == list2) {
        std::wstring summary;
        if (FAILED(ctlCD->VisibleSummary(summary)))
            summary.clear();
        return TrackListCopy(ListItems(list2), summary);
    }
    return {};
}

// Nothing to copy leaves the clipboard alone; a clipboard that another
// program keeps holding gets a beep.
void MainWindow::Copy(const std::wstring& text) const
{
    if (!text.empty() && !SetClipboardText(hwnd_, text))
        MessageBeep(MB_OK);
}
