#include "about_dialog.h"
#include "ui_metrics.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

bool operator==(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != FALSE; }

namespace {

std::wstring TextOf(HWND window)
{
    wchar_t text[512] = {};
    return {text, static_cast<size_t>(GetWindowTextW(window, text, 512))};
}

// The controls top to bottom of the z-order, which is the tab order (OK, the
// icon, the disclaimer, the title line, the two separator lines), each with
// its rectangle in the dialog's client coordinates.
std::vector<std::pair<HWND, RECT>> Controls(HWND dialog)
{
    std::vector<std::pair<HWND, RECT>> controls;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT& place = controls.emplace_back(child, RECT{}).second;
        GetWindowRect(child, &place);
        MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&place), 2);
    }
    return controls;
}

// Stands in for the main window. One owner serves all tests: without a window
// manager Wine waits a while for each top-level window that goes away.
const HWND owner = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 400, 300, nullptr,
                                   nullptr, nullptr, nullptr);

// The test's input for the open dialog, run by a timer from the dialog's
// message loop once the loop waits; it ends with the input that closes it.
std::function<void(HWND dialog)> pendingInput;

void CALLBACK RunPendingInput(HWND, UINT, UINT_PTR, DWORD)
{
    const HWND dialog = FindWindowW(L"frmDespre", nullptr);
    if (pendingInput)
        return std::exchange(pendingInput, nullptr)(dialog);
    ADD_FAILURE() << "the dialog is still open";
    EndDialog(dialog, 0);
}

// Every opening is built anew with its texts, has the focus on OK and keeps
// the owner from input until `input` closes it.
void OpenAndClose(AboutDialog& about, const std::function<void(HWND dialog)>& input)
{
    pendingInput = [&](HWND dialog) {
        EXPECT_EQ(TextOf(dialog), L"Despre Tarvolo");
        EXPECT_EQ(TextOf(Controls(dialog).at(3).first), L"Tarvolo versiunea 1.0");
        EXPECT_EQ(TextOf(Controls(dialog).at(2).first),
                  L"Acest program are rol educativ si serveste la dotarea Vevarezuvu vi Zuzaziduzov ed "
                  L"Ovavederovareza din cadrul Universitatii Brandavel.");
        EXPECT_EQ(GetFocus(), GetDlgItem(dialog, IDOK));
        EXPECT_FALSE(IsWindowEnabled(owner));
        input(dialog);
    };
    // The timer only ticks in the dialog's message loop; the next opening's replaces it.
    SetTimer(owner, 1, 10, RunPendingInput);
    EXPECT_EQ(about.ShowModal(owner), S_OK);
    EXPECT_FALSE(pendingInput) << "the dialog closed before it waited for input";
    EXPECT_FALSE(FindWindowW(L"frmDespre", nullptr));
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_EQ(GetActiveWindow(), owner);
}

using AboutDialogTest = testing::TestWithParam<const BuildDifferences*>;

TEST_P(AboutDialogTest, LaidOutAtTheWindowDpiClosedAndOpenedAgain)
{
    AboutDialog about(*GetParam());
    OpenAndClose(about, [](HWND dialog) {
        const UINT dpi = WindowDpi(dialog);
        const TwipSize client = GetParam()->aboutClientArea;
        RECT rect;
        GetClientRect(dialog, &rect);
        EXPECT_EQ(rect, TwipsToPixels(TwipRect{0, 0, client.width, client.height}, dpi));
        const auto controls = Controls(dialog);
        ASSERT_EQ(controls.size(), 6u);
        EXPECT_EQ(controls[0].second, TwipsToPixels(TwipRect{360, 2760, 1260, 345}, dpi));
        EXPECT_EQ(controls[2].second, TwipsToPixels(TwipRect{960, 1440, 3876, 828}, dpi));
        EXPECT_EQ(controls[3].second, TwipsToPixels(TwipRect{1080, 600, 3888, 480}, dpi));
        // The picture box fits the 32 x 32 icon inside its border.
        const int icon = MulDiv(32, static_cast<int>(dpi), 96);
        EXPECT_EQ(controls[1].second.left, TwipsToPixels(240, dpi));
        EXPECT_EQ(controls[1].second.top, TwipsToPixels(600, dpi));
        GetClientRect(controls[1].first, &rect);
        EXPECT_EQ(rect, (RECT{0, 0, icon, icon}));
        SendMessageW(controls[0].first, BM_CLICK, 0, 0);
    });
    // Enter, Esc and the close box through real input are the input tests' part.
    OpenAndClose(about, [](HWND dialog) { PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); });
}

INSTANTIATE_TEST_SUITE_P(Builds, AboutDialogTest, testing::Values(&kTarvolo, &kTarvolo9x),
                         [](const auto& info) { return info.param == &kTarvolo ? "Tarvolo" : "Tarvolo9x"; });

}  // namespace
