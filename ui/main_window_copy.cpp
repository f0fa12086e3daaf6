// Copying what the drive browser's lists show: Ctrl+C, and the menu of
// either list. Copying reads the window only: it calls no drive service.

#include "main_window.h"

#include "clipboard.h"
#include "drive_text.h"
#include "texts.h"
#include "window_text.h"

#include <windowsx.h>

#include <algorithm>

namespace {

// From the keyboard (Shift+F10, the menu key) the menu opens at the selected
// line, or at the list's top-left corner, kept inside the list's visible
// client area: a line scrolled out of view would put it elsewhere.
POINT KeyboardMenuPlace(HWND list)
{
    RECT client{};
    GetClientRect(list, &client);
    RECT line{};
    const int selected = ListBox_GetCurSel(list);
    POINT at = selected >= 0 && ListBox_GetItemRect(list, selected, &line) != LB_ERR ? POINT{line.left, line.bottom}
                                                                                     : POINT{0, 0};
    at.x = std::clamp(at.x, client.left, client.right);
    at.y = std::clamp(at.y, client.top, client.bottom);
    ClientToScreen(list, &at);
    return at;
}

}  // namespace

// The menu opens where the list was right-clicked; from the keyboard the
// place is x and y both -1.
bool MainWindow::OnContextMenu(HWND list, LPARAM position)
{
    if (list != driveList_ && list != trackList_)
        return false;
    POINT at{GET_X_LPARAM(position), GET_Y_LPARAM(position)};
    if (at.x == -1 && at.y == -1)
        at = KeyboardMenuPlace(list);
    const std::wstring text = CopyText(list);
    const UniqueMenu menu(CreatePopupMenu());
    if (!menu || !AppendMenuW(menu.get(), MF_STRING | (text.empty() ? MF_GRAYED : 0), kCopy, texts::kCopyMenuItem))
        return true;
    if (TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd_, nullptr) ==
        kCopy)
        Copy(text);
    return true;
}

// The drive list: the selected drive's line, with its details when those on
// show are that drive's. The track list: its lines and the CD control's
// summary.
std::wstring MainWindow::CopyText(HWND list) const
{
    if (list == driveList_) {
        const int selected = ListBox_GetCurSel(driveList_);
        if (selected < 0)
            return {};
        const bool detailsOfThisDrive = detailsOnShow_ &&
                                        detailsOnShow_->letter == DriveLetterOfLine(driveList_, selected);
        return DriveListCopy(ListItemText(driveList_, selected), detailsOfThisDrive ? &*detailsOnShow_ : nullptr);
    }
    if (list == trackList_) {
        std::wstring summary;
        if (FAILED(cdControl_->VisibleSummary(summary)))
            summary.clear();
        return TrackListCopy(ListItems(trackList_), summary);
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
