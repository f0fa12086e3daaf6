#include "about_dialog.h"
#include "build_differences.h"
#include "ui_metrics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

bool operator==(const RECT& a, const RECT& b)
{
    return EqualRect(&a, &b) != FALSE;
}

void PrintTo(const RECT& r, std::ostream* out)
{
    *out << "{" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << "}";
}

namespace {

constexpr wchar_t kDisclaimer[] =
    L"Acest program are rol educativ si serveste la dotarea Vevarezuvu vi Zuzaziduzov ed "
    L"Ovavederovareza din cadrul Universitatii Brandavel.";
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kGrey = RGB(128, 128, 128);

std::wstring TextOf(HWND window)
{
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return text;
}

std::wstring ClassOf(HWND window)
{
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

// A control's rectangle in its dialog's client coordinates.
RECT PlaceIn(HWND dialog, HWND control)
{
    RECT place;
    GetWindowRect(control, &place);
    MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&place), 2);
    return place;
}

RECT ClientSize(HWND window)
{
    RECT client;
    GetClientRect(window, &client);
    return client;
}

RECT Twips(int left, int top, int width, int height, UINT dpi)
{
    return TwipsToPixels(TwipRect{left, top, width, height}, dpi);
}

LONG FontHeight(HFONT font)
{
    LOGFONTW description{};
    GetObjectW(font, sizeof description, &description);
    return description.lfHeight;
}

LONG DefaultFontHeight(UINT dpi)
{
    const HFONT font = CreateDefaultGuiFont(dpi);
    const LONG height = FontHeight(font);
    DeleteObject(font);
    return height;
}

int IconWidth(HICON icon)
{
    ICONINFO info{};
    if (!GetIconInfo(icon, &info))
        return 0;
    BITMAP bitmap{};
    GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return bitmap.bmWidth;
}

std::vector<HWND> ChildrenInZOrder(HWND parent)
{
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

// Keys go to the focused control through the dialog's own message loop.
void PostKey(UINT key)
{
    PostMessageW(GetFocus(), WM_KEYDOWN, key, 1);
}

void ClickOK(HWND dialog)
{
    SendMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
}

// The white line of Line1 lies over the grey one; the grey one shows only
// where it reaches further right.
void CheckSeparatorPixels(HWND dialog, const BuildDifferences& build)
{
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    const UINT dpi = WindowDpi(dialog);
    const int row = TwipsToPixels(build.line1Element0.y1, dpi);
    const int middle = TwipsToPixels(2000, dpi);
    const int whiteEnd = TwipsToPixels(build.line1Element0.x2, dpi);
    const int greyEnd = TwipsToPixels(build.line1Element1.x2, dpi);
    const HDC dc = GetDC(dialog);
    const COLORREF background = GetPixel(dc, middle, row + 4);
    EXPECT_NE(background, kWhite);
    EXPECT_NE(background, kGrey);
    EXPECT_EQ(GetPixel(dc, middle, row - 2), background);
    EXPECT_EQ(GetPixel(dc, middle, row - 1), kWhite);
    EXPECT_EQ(GetPixel(dc, middle, row), kWhite);
    EXPECT_EQ(GetPixel(dc, middle, row + 1), background);
    EXPECT_GT(greyEnd, whiteEnd);
    EXPECT_EQ(GetPixel(dc, greyEnd - 1, row), kGrey);
    EXPECT_EQ(GetPixel(dc, greyEnd - 1, row - 1), background);
    EXPECT_EQ(GetPixel(dc, greyEnd, row), background);
    ReleaseDC(dialog, dc);
}

// A top-level window in the main window's place. While the modal dialog waits
// for input it tells its owner so (WM_ENTERIDLE); each time the owner runs the
// next step of a test against the dialog. Every step ends with some input for
// the dialog, the last one with the input that should close it.
class Owner {
public:
    using Step = std::function<void(HWND dialog)>;

    Owner()
    {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = Proc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"AboutTestOwner";
        RegisterClassExW(&windowClass);
        window_ = CreateWindowExW(0, L"AboutTestOwner", L"Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50,
                                  50, 400, 300, nullptr, nullptr, GetModuleHandleW(nullptr), this);
        SetForegroundWindow(window_);
    }
    ~Owner() { DestroyWindow(window_); }
    Owner(const Owner&) = delete;
    Owner& operator=(const Owner&) = delete;

    HWND hwnd() const { return window_; }

    HRESULT Open(AboutDialog& about, std::deque<Step> steps)
    {
        steps_ = std::move(steps);
        const HRESULT hr = about.ShowModal(window_);
        EXPECT_TRUE(steps_.empty()) << "the dialog closed before every step ran";
        steps_.clear();
        return hr;
    }

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_NCCREATE)
            SetWindowLongPtrW(window, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
        auto* self = reinterpret_cast<Owner*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self && message == WM_ENTERIDLE && wParam == MSGF_DIALOGBOX) {
            self->OnIdle(reinterpret_cast<HWND>(lParam));
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    void OnIdle(HWND dialog)
    {
        if (steps_.empty()) {
            ADD_FAILURE() << "the dialog is still open";
            EndDialog(dialog, 0);
            return;
        }
        const Step step = std::move(steps_.front());
        steps_.pop_front();
        step(dialog);
    }

    HWND window_ = nullptr;
    std::deque<Step> steps_;
};

// One owner for all tests: under Wine without a window manager, every hidden
// top-level window costs a wait.
Owner& SharedOwner()
{
    static Owner owner;
    return owner;
}

class AboutDialogTest : public testing::TestWithParam<const BuildDifferences*> {
protected:
    const BuildDifferences& build_ = *GetParam();
    Owner& owner_ = SharedOwner();
    AboutDialog about_{build_};
};

class AboutDialogTarvoloTest : public testing::Test {
protected:
    Owner& owner_ = SharedOwner();
    AboutDialog about_{kTarvolo};
};

TEST_P(AboutDialogTest, OpensModalCentredAndLaidOutAtTheWindowDpi)
{
    HWND shown = nullptr;
    const HRESULT hr = owner_.Open(about_, {[&](HWND dialog) {
        shown = dialog;
        const UINT dpi = WindowDpi(dialog);
        EXPECT_EQ(ClassOf(dialog), L"frmDespre");
        EXPECT_EQ(TextOf(dialog), L"Despre Tarvolo");
        EXPECT_EQ(GetWindow(dialog, GW_OWNER), owner_.hwnd());
        EXPECT_FALSE(IsWindowEnabled(owner_.hwnd()));
        EXPECT_TRUE(IsWindowVisible(dialog));
        EXPECT_EQ(GetFocus(), GetDlgItem(dialog, IDOK));
        EXPECT_NE(SendMessageW(dialog, WM_GETICON, ICON_BIG, 0), 0);

        // Fixed dialog frame, close box only, no taskbar button.
        const auto style = GetWindowLongPtrW(dialog, GWL_STYLE);
        const auto exStyle = GetWindowLongPtrW(dialog, GWL_EXSTYLE);
        EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU), WS_CAPTION | WS_SYSMENU);
        EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME), 0);
        EXPECT_TRUE(exStyle & WS_EX_DLGMODALFRAME);
        EXPECT_FALSE(exStyle & WS_EX_APPWINDOW);

        const auto& area = build_.aboutClientArea;
        EXPECT_EQ(ClientSize(dialog), Twips(0, 0, area.width, area.height, dpi));
        MONITORINFO monitor{};
        monitor.cbSize = sizeof monitor;
        GetMonitorInfoW(MonitorFromWindow(dialog, MONITOR_DEFAULTTONEAREST), &monitor);
        RECT bounds;
        GetWindowRect(dialog, &bounds);
        EXPECT_NEAR(bounds.left + bounds.right, monitor.rcMonitor.left + monitor.rcMonitor.right, 1);
        EXPECT_NEAR(bounds.top + bounds.bottom, monitor.rcMonitor.top + monitor.rcMonitor.bottom, 1);

        // Tab order first (it is the z-order), then the white line over the grey one.
        const std::vector<HWND> children = ChildrenInZOrder(dialog);
        ASSERT_EQ(children.size(), 6u);
        const HWND cmdOK = children[0], picIcon = children[1], lblDisclaimer = children[2],
                   lblTitle = children[3], line0 = children[4], line1 = children[5];

        EXPECT_EQ(ClassOf(cmdOK), L"Button");
        EXPECT_EQ(cmdOK, GetDlgItem(dialog, IDOK));
        EXPECT_EQ(TextOf(cmdOK), L"OK");
        EXPECT_EQ(GetWindowLongPtrW(cmdOK, GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
        EXPECT_EQ(PlaceIn(dialog, cmdOK), Twips(360, 2760, 1260, 345, dpi));

        // The picture box fits its 32 x 32 icon inside its border.
        const int iconSize = MulDiv(32, static_cast<int>(dpi), 96);
        EXPECT_EQ(ClassOf(picIcon), L"Static");
        EXPECT_EQ(GetWindowLongPtrW(picIcon, GWL_STYLE) & SS_TYPEMASK, SS_ICON);
        EXPECT_EQ(IconWidth(reinterpret_cast<HICON>(SendMessageW(picIcon, STM_GETICON, 0, 0))), iconSize);
        EXPECT_EQ(ClientSize(picIcon), (RECT{0, 0, iconSize, iconSize}));
        const RECT box = PlaceIn(dialog, picIcon);
        EXPECT_EQ(box.left, TwipsToPixels(240, dpi));
        EXPECT_EQ(box.top, TwipsToPixels(600, dpi));
        EXPECT_GT(box.right - box.left, iconSize);

        for (HWND label : {lblDisclaimer, lblTitle}) {
            EXPECT_EQ(ClassOf(label), L"Static");
            const auto labelStyle = GetWindowLongPtrW(label, GWL_STYLE);
            EXPECT_EQ(labelStyle & SS_TYPEMASK, SS_LEFT);  // wraps at word boundaries
            EXPECT_TRUE(labelStyle & SS_NOPREFIX);
        }
        EXPECT_EQ(TextOf(lblTitle), L"Tarvolo versiunea 1.0");
        EXPECT_EQ(PlaceIn(dialog, lblTitle), Twips(1080, 600, 3888, 480, dpi));
        EXPECT_EQ(TextOf(lblDisclaimer), kDisclaimer);
        EXPECT_EQ(PlaceIn(dialog, lblDisclaimer), Twips(960, 1440, 3876, 828, dpi));

        const auto& white = build_.line1Element0;
        const auto& grey = build_.line1Element1;
        const int whiteRow = TwipsToPixels(white.y1, dpi);
        const int greyRow = TwipsToPixels(grey.y1, dpi);
        EXPECT_EQ(PlaceIn(dialog, line0), (RECT{TwipsToPixels(white.x1, dpi), whiteRow - 1,
                                                TwipsToPixels(white.x2, dpi), whiteRow + 1}));
        EXPECT_EQ(PlaceIn(dialog, line1), (RECT{TwipsToPixels(grey.x1, dpi), greyRow,
                                                TwipsToPixels(grey.x2, dpi), greyRow + 1}));

        // One font for all, the default one at the window's DPI.
        const auto font = reinterpret_cast<HFONT>(SendMessageW(cmdOK, WM_GETFONT, 0, 0));
        ASSERT_NE(font, nullptr);
        EXPECT_EQ(FontHeight(font), DefaultFontHeight(dpi));
        for (HWND child : children) {
            if (child != picIcon) {  // a picture keeps no font
                EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0)), font);
            }
        }

        // The disclaimer's wrapped lines all fit inside its label.
        const HDC dc = GetDC(lblDisclaimer);
        const HGDIOBJ previous = SelectObject(dc, font);
        RECT needed = ClientSize(lblDisclaimer);
        const LONG available = needed.bottom;
        DrawTextW(dc, kDisclaimer, -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
        SelectObject(dc, previous);
        ReleaseDC(lblDisclaimer, dc);
        EXPECT_LE(needed.bottom, available);

        CheckSeparatorPixels(dialog, build_);
        ClickOK(dialog);
    }});
    EXPECT_EQ(hr, S_OK);
    EXPECT_FALSE(IsWindow(shown));
    EXPECT_TRUE(IsWindowEnabled(owner_.hwnd()));
    EXPECT_EQ(GetActiveWindow(), owner_.hwnd());
}

// Closing works alike in both builds.
TEST_F(AboutDialogTarvoloTest, ClosesByEveryMeansAndOpensAgainBuiltAnew)
{
    struct Way {
        const char* name;
        std::vector<Owner::Step> input;
    };
    const std::vector<Way> ways = {
        {"OK clicked", {ClickOK}},
        {"Enter", {[](HWND) { PostKey(VK_RETURN); }}},
        {"Esc", {[](HWND) { PostKey(VK_ESCAPE); }}},
        {"Space on OK",
         {[](HWND) {
             PostKey(VK_SPACE);
             PostMessageW(GetFocus(), WM_KEYUP, VK_SPACE, 0xC0000001);
         }}},
        {"Tab, then Enter",
         {[](HWND) { PostKey(VK_TAB); },
          [](HWND dialog) {
              EXPECT_EQ(GetFocus(), GetDlgItem(dialog, IDOK));
              PostKey(VK_RETURN);
          }}},
        {"close box", {[](HWND dialog) { PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }}},
    };

    HWND previous = nullptr;
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        HWND shown = nullptr;
        std::deque<Owner::Step> steps(way.input.begin(), way.input.end());
        const Owner::Step firstInput = steps.front();
        steps.front() = [&](HWND dialog) {
            shown = dialog;
            EXPECT_NE(dialog, previous);
            EXPECT_EQ(TextOf(dialog), L"Despre Tarvolo");
            std::vector<std::wstring> texts;
            for (HWND child : ChildrenInZOrder(dialog))
                texts.push_back(TextOf(child));
            EXPECT_EQ(std::count(texts.begin(), texts.end(), L"Tarvolo versiunea 1.0"), 1);
            firstInput(dialog);
        };
        EXPECT_EQ(owner_.Open(about_, std::move(steps)), S_OK);
        EXPECT_NE(shown, nullptr);
        EXPECT_FALSE(IsWindow(shown));
        EXPECT_TRUE(IsWindowEnabled(owner_.hwnd()));
        previous = shown;
    }
}

TEST_P(AboutDialogTest, RelaysOutWhenTheDpiChanges)
{
    constexpr UINT dpi = 144;
    const HRESULT hr = owner_.Open(about_, {[&](HWND dialog) {
        RECT suggested;
        GetWindowRect(dialog, &suggested);
        OffsetRect(&suggested, 10, 20);
        SendMessageW(dialog, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));

        RECT bounds;
        GetWindowRect(dialog, &bounds);
        EXPECT_EQ(bounds.left, suggested.left);
        EXPECT_EQ(bounds.top, suggested.top);
        const HWND cmdOK = GetDlgItem(dialog, IDOK);
        EXPECT_EQ(PlaceIn(dialog, cmdOK), Twips(360, 2760, 1260, 345, dpi));
        const auto font = reinterpret_cast<HFONT>(SendMessageW(cmdOK, WM_GETFONT, 0, 0));
        EXPECT_EQ(FontHeight(font), DefaultFontHeight(dpi));
        const std::vector<HWND> children = ChildrenInZOrder(dialog);
        ASSERT_EQ(children.size(), 6u);
        const HWND picIcon = children[1];
        for (HWND child : children) {
            if (child != picIcon) {
                EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0)), font);
            }
        }
        EXPECT_EQ(IconWidth(reinterpret_cast<HICON>(SendMessageW(picIcon, STM_GETICON, 0, 0))), 48);
        const RECT box = PlaceIn(dialog, picIcon);
        EXPECT_EQ(box.left, TwipsToPixels(240, dpi));
        EXPECT_EQ(box.top, TwipsToPixels(600, dpi));
        EXPECT_EQ(PlaceIn(dialog, children[2]), Twips(960, 1440, 3876, 828, dpi));
        EXPECT_EQ(PlaceIn(dialog, children[3]), Twips(1080, 600, 3888, 480, dpi));
        const int row = TwipsToPixels(build_.line1Element0.y1, dpi);
        EXPECT_EQ(PlaceIn(dialog, children[4]).top, row - 1);
        EXPECT_EQ(PlaceIn(dialog, children[4]).bottom, row + 2);  // 2 pixels at 96 DPI are 3 here
        ClickOK(dialog);
    }});
    EXPECT_EQ(hr, S_OK);
}

TEST_F(AboutDialogTarvoloTest, ReportsWhatKeepsItFromOpening)
{
    const HWND gone = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                      GetModuleHandleW(nullptr), nullptr);
    DestroyWindow(gone);
    EXPECT_TRUE(FAILED(about_.ShowModal(gone)));

    // Once open, the same object cannot open a second dialog.
    HRESULT nested = S_OK;
    const HRESULT hr = owner_.Open(about_, {[&](HWND dialog) {
        nested = about_.ShowModal(owner_.hwnd());
        EXPECT_TRUE(IsWindowVisible(dialog));
        ClickOK(dialog);
    }});
    EXPECT_TRUE(FAILED(nested));
    EXPECT_EQ(hr, S_OK);
}

INSTANTIATE_TEST_SUITE_P(Builds, AboutDialogTest, testing::Values(&kTarvolo, &kTarvolo9x),
                         [](const testing::TestParamInfo<const BuildDifferences*>& info) {
                             return info.param == &kTarvolo ? "Tarvolo" : "Tarvolo9x";
                         });

}  // namespace
