#include "about_dialog.h"
#include "ui_metrics.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

bool operator==(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != FALSE; }

namespace {

std::wstring TextOf(HWND window)
{
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return text;
}

// A control's rectangle in its dialog's client coordinates.
RECT PlaceIn(HWND dialog, HWND control)
{
    RECT place;
    GetWindowRect(control, &place);
    MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&place), 2);
    return place;
}

// Top to bottom of the z-order, which is the tab order.
std::vector<HWND> Children(HWND dialog)
{
    std::vector<HWND> children;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

LONG FontHeight(HGDIOBJ font)
{
    LOGFONTW description{};
    GetObjectW(font, sizeof description, &description);
    return description.lfHeight;
}

void ClickOK(HWND dialog) { SendMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0); }

// Keys go to the focused control through the dialog's message loop.
void PostKey(UINT key) { PostMessageW(GetFocus(), WM_KEYDOWN, key, 1); }

using Step = std::function<void(HWND dialog)>;

// Stands in for the main window. A modal dialog waiting for input tells its
// owner (WM_ENTERIDLE); each time the owner runs the next step of a test, which
// ends with input for the dialog, the last one with the input that closes it.
// One owner serves all tests: without a window manager Wine waits a while for
// each top-level window that goes away.
struct Owner {
    HWND window = nullptr;
    std::deque<Step> steps;

    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HRESULT Open(AboutDialog& about, std::deque<Step> script)
    {
        steps = std::move(script);
        const HRESULT hr = about.ShowModal(window);
        EXPECT_TRUE(steps.empty()) << "the dialog closed before every step ran";
        steps.clear();
        return hr;
    }
};

Owner& TheOwner()
{
    static Owner owner = [] {
        WNDCLASSEXW windowClass{sizeof windowClass};
        windowClass.lpfnWndProc = Owner::Proc;
        windowClass.lpszClassName = L"AboutTestOwner";
        RegisterClassExW(&windowClass);
        Owner created;
        created.window = CreateWindowExW(0, L"AboutTestOwner", L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50,
                                         400, 300, nullptr, nullptr, nullptr, nullptr);
        SetForegroundWindow(created.window);
        return created;
    }();
    return owner;
}

LRESULT CALLBACK Owner::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_ENTERIDLE || wParam != MSGF_DIALOGBOX)
        return DefWindowProcW(window, message, wParam, lParam);
    const auto dialog = reinterpret_cast<HWND>(lParam);
    auto& steps = TheOwner().steps;
    if (steps.empty()) {
        ADD_FAILURE() << "the dialog is still open";
        EndDialog(dialog, 0);
        return 0;
    }
    const Step step = std::move(steps.front());
    steps.pop_front();
    step(dialog);
    return 0;
}

class AboutDialogTest : public testing::TestWithParam<const BuildDifferences*> {
protected:
    const BuildDifferences& build_ = *GetParam();
    AboutDialog about_{build_};
};

TEST_P(AboutDialogTest, OpensModalAndLaidOutAtTheWindowDpi)
{
    HWND shown = nullptr;
    EXPECT_EQ(TheOwner().Open(about_, {[&](HWND dialog) {
        shown = dialog;
        const UINT dpi = WindowDpi(dialog);
        EXPECT_EQ(TextOf(dialog), L"Despre Tarvolo");
        EXPECT_FALSE(IsWindowEnabled(TheOwner().window));
        EXPECT_EQ(GetFocus(), GetDlgItem(dialog, IDOK));
        RECT rect;
        GetClientRect(dialog, &rect);
        EXPECT_EQ(rect, TwipsToPixels(TwipRect{0, 0, build_.aboutClientArea.width, build_.aboutClientArea.height}, dpi));
        GetWindowRect(dialog, &rect);
        EXPECT_NEAR(rect.left + rect.right, GetSystemMetrics(SM_CXSCREEN), 1);
        EXPECT_NEAR(rect.top + rect.bottom, GetSystemMetrics(SM_CYSCREEN), 1);

        const std::vector<HWND> children = Children(dialog);
        ASSERT_EQ(children.size(), 6u);
        const HWND cmdOK = children[0], picIcon = children[1], lblDisclaimer = children[2],
                   lblTitle = children[3], white = children[4], grey = children[5];
        EXPECT_EQ(cmdOK, GetDlgItem(dialog, IDOK));
        EXPECT_EQ(PlaceIn(dialog, cmdOK), TwipsToPixels(TwipRect{360, 2760, 1260, 345}, dpi));
        EXPECT_EQ(TextOf(lblTitle), L"Tarvolo versiunea 1.0");
        EXPECT_EQ(PlaceIn(dialog, lblTitle), TwipsToPixels(TwipRect{1080, 600, 3888, 480}, dpi));
        EXPECT_EQ(TextOf(lblDisclaimer),
                  L"Acest program are rol educativ si serveste la dotarea Vevarezuvu vi Zuzaziduzov ed "
                  L"Ovavederovareza din cadrul Universitatii Brandavel.");
        EXPECT_EQ(PlaceIn(dialog, lblDisclaimer), TwipsToPixels(TwipRect{960, 1440, 3876, 828}, dpi));
        const HFONT font = CreateDefaultGuiFont(dpi);
        for (HWND control : {cmdOK, lblTitle, lblDisclaimer})
            EXPECT_EQ(FontHeight(reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0))), FontHeight(font));
        DeleteObject(font);

        // The picture box fits the 32 x 32 icon inside its border.
        const int icon = MulDiv(32, static_cast<int>(dpi), 96);
        EXPECT_EQ(PlaceIn(dialog, picIcon).left, TwipsToPixels(240, dpi));
        EXPECT_EQ(PlaceIn(dialog, picIcon).top, TwipsToPixels(600, dpi));
        GetClientRect(picIcon, &rect);
        EXPECT_EQ(rect, (RECT{0, 0, icon, icon}));

        // The white 2-pixel line lies over the grey 1-pixel one, which shows
        // only where it reaches further right.
        RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        const int y = TwipsToPixels(build_.line1Element0.y1, dpi);
        const int greyEnd = PlaceIn(dialog, grey).right;
        ASSERT_GT(greyEnd, PlaceIn(dialog, white).right);
        const HDC dc = GetDC(dialog);
        const COLORREF face = GetPixel(dc, 200, y + 4), whiteColour = RGB(255, 255, 255);
        const std::vector<std::tuple<int, int, COLORREF>> pixels = {
            {200, y - 2, face},    {200, y - 1, whiteColour},           {200, y, whiteColour},
            {200, y + 1, face},    {greyEnd - 1, y, RGB(128, 128, 128)}, {greyEnd - 1, y - 1, face},
            {greyEnd, y, face}};
        for (const auto& [x, row, colour] : pixels)
            EXPECT_EQ(GetPixel(dc, x, row), colour) << x << ", " << row;
        ReleaseDC(dialog, dc);
        ClickOK(dialog);
    }}), S_OK);
    EXPECT_FALSE(IsWindow(shown));
    EXPECT_TRUE(IsWindowEnabled(TheOwner().window));
    EXPECT_EQ(GetActiveWindow(), TheOwner().window);
}

INSTANTIATE_TEST_SUITE_P(Builds, AboutDialogTest, testing::Values(&kTarvolo, &kTarvolo9x),
                         [](const auto& info) { return info.param == &kTarvolo ? "Tarvolo" : "Tarvolo9x"; });

TEST(AboutDialog, ClosesByEveryMeansAndOpensAgainBuiltAnew)
{
    AboutDialog about(kTarvolo);
    const std::vector<std::pair<const char*, std::deque<Step>>> ways = {
        {"Enter", {[](HWND) { PostKey(VK_RETURN); }}},
        {"Esc", {[](HWND) { PostKey(VK_ESCAPE); }}},
        {"Tab, then Enter",
         {[](HWND) { PostKey(VK_TAB); },
          [](HWND dialog) {
              EXPECT_EQ(GetFocus(), GetDlgItem(dialog, IDOK));
              PostKey(VK_RETURN);
          }}},
        {"close box", {[](HWND dialog) { PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }}},
    };
    for (auto [name, steps] : ways) {
        SCOPED_TRACE(name);
        HWND shown = nullptr;
        const Step input = steps.front();
        steps.front() = [&](HWND dialog) {
            shown = dialog;
            EXPECT_EQ(TextOf(dialog), L"Despre Tarvolo");
            EXPECT_EQ(TextOf(Children(dialog).at(3)), L"Tarvolo versiunea 1.0");
            input(dialog);
        };
        EXPECT_EQ(TheOwner().Open(about, std::move(steps)), S_OK);
        EXPECT_FALSE(IsWindow(shown));
        EXPECT_TRUE(IsWindowEnabled(TheOwner().window));
    }
}

TEST(AboutDialog, ReportsWhatKeepsItFromOpening)
{
    AboutDialog about(kTarvolo);
    const HWND gone = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    DestroyWindow(gone);
    EXPECT_TRUE(FAILED(about.ShowModal(gone)));
}

}  // namespace
