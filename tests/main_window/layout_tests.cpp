#include "build_differences.h"
#include "main_window_test.h"

#include <span>

namespace {

struct Place {
    int id;
    const wchar_t* className;
    const wchar_t* text;
    int left, top, width, height;  // twips
};

// The window as a user of each build sees it, in twips.
const Place kTarvoloPlaces[] = {
    {kLabel3, L"Static", L"Lista Drive-uri", 1200, 240, 0, 0},
    {kList1, L"ListBox", L"", 240, 720, 2892, 1392},
    {kLabel5, L"Static", L"", 4920, 840, 1332, 1572},
    {kLabel2, L"Static", L"Lista Track-uri", 1200, 2280, 0, 0},
    {kList2, L"ListBox", L"", 240, 2760, 2892, 1584},
    {kCommand1, L"Button", L"Cauta Drive", 2880, 4680, 1212, 372},
    {kCommand2, L"Button", L"Despre program", 4320, 4680, 1452, 372},
};
const Place kTarvolo9xPlaces[] = {
    {kLabel3, L"Static", L"Lista Drive-uri", 1200, 240, 0, 0},
    {kList1, L"ListBox", L"", 240, 720, 3012, 1230},
    {kLabel5, L"Static", L"", 4920, 840, 1455, 1575},
    {kLabel2, L"Static", L"Lista Track-uri", 1200, 2280, 0, 0},
    {kList2, L"ListBox", L"", 240, 2760, 3012, 1425},
    {kCommand1, L"Button", L"Cauta Drive", 2880, 4680, 1212, 372},
    {kCommand2, L"Button", L"Despre program", 4440, 4680, 1452, 372},
};

int Px(int twips, UINT dpi)
{
    return MulDiv(twips, static_cast<int>(dpi), 1440);
}

RECT ClientRectOf(HWND control)
{
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::wstring ClassOf(HWND window)
{
    wchar_t name[64];
    GetClassNameW(window, name, 64);
    return name;
}

class Layout : public MainWindowTest {
protected:
    // Every control at its place for the DPI the window has now.
    void ExpectPlaces(UINT dpi)
    {
        const bool nine = &Build() == &kTarvolo9x;
        RECT client;
        GetClientRect(hwnd, &client);
        EXPECT_EQ(client.right, Px(nine ? 6630 : 6636, dpi));
        EXPECT_EQ(client.bottom, Px(nine ? 5445 : 5448, dpi));

        for (const Place& p : nine ? std::span<const Place>(kTarvolo9xPlaces) : std::span<const Place>(kTarvoloPlaces)) {
            SCOPED_TRACE(p.text);
            const HWND control = Item(p.id);
            ASSERT_TRUE(control);
            EXPECT_EQ(_wcsicmp(ClassOf(control).c_str(), p.className), 0) << ClassOf(control);
            EXPECT_EQ(Text(p.id), p.text);
            const RECT r = ClientRectOf(control);
            EXPECT_EQ(r.left, Px(p.left, dpi));
            EXPECT_EQ(r.top, Px(p.top, dpi));
            if (p.width != 0) {
                EXPECT_EQ(r.right - r.left, Px(p.width, dpi));
                EXPECT_EQ(r.bottom - r.top, Px(p.height, dpi));
            } else {
                // A caption label takes the size of its one line of text.
                const HDC dc = GetDC(control);
                const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
                SIZE size;
                GetTextExtentPoint32W(dc, p.text, static_cast<int>(wcslen(p.text)), &size);
                SelectObject(dc, old);
                ReleaseDC(control, dc);
                EXPECT_EQ(r.right - r.left, size.cx);
                EXPECT_EQ(r.bottom - r.top, size.cy);
            }
        }
        const RECT cdPlace = ClientRectOf(cd->site);
        EXPECT_EQ(cdPlace.left, Px(nine ? 4200 : 3960, dpi));
        EXPECT_EQ(cdPlace.top, Px(nine ? 2760 : 3000, dpi));
        EXPECT_EQ(cdPlace.right - cdPlace.left, Px(nine ? 1335 : 1332, dpi));
        EXPECT_EQ(cdPlace.bottom - cdPlace.top, Px(nine ? 1215 : 1212, dpi));

        // Label1 sized itself at load: with word wrap it keeps its width.
        const RECT label1 = ClientRectOf(Item(kLabel1));
        EXPECT_EQ(label1.left, Px(nine ? 3480 : 3360, dpi));
        EXPECT_EQ(label1.top, Px(840, dpi));
        if (!nine) {
            EXPECT_EQ(label1.right - label1.left, Px(1452, dpi));
        }
    }
};

TEST_P(Layout, WindowAndControlsAsStored)
{
    wchar_t className[64];
    GetClassNameW(hwnd, className, 64);
    EXPECT_STREQ(className, Build().mainWindowClass);
    wchar_t title[64];
    GetWindowTextW(hwnd, title, 64);
    EXPECT_STREQ(title, L"Tarvolo");

    const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_TRUE(SendMessageW(hwnd, WM_GETICON, ICON_BIG, 0));

    // Centred on the screen's work area.
    RECT outer;
    GetWindowRect(hwnd, &outer);
    MONITORINFO monitor{sizeof monitor};
    GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTOPRIMARY), &monitor);
    EXPECT_LE(std::abs((outer.left + outer.right) - (monitor.rcWork.left + monitor.rcWork.right)), 1);
    EXPECT_LE(std::abs((outer.top + outer.bottom) - (monitor.rcWork.top + monitor.rcWork.bottom)), 1);

    ExpectPlaces(GetDpiForWindow(hwnd));

    EXPECT_TRUE(GetWindowLongW(Item(kList1), GWL_STYLE) & LBS_SORT);
    EXPECT_FALSE(GetWindowLongW(Item(kList2), GWL_STYLE) & LBS_SORT);
    EXPECT_TRUE(GetWindowLongW(Item(kList2), GWL_STYLE) & LBS_USETABSTOPS);
    EXPECT_EQ(GetWindowLongW(Item(kLabel1), GWL_STYLE) & SS_TYPEMASK,
              &Build() == &kTarvolo ? SS_LEFT : SS_LEFTNOWORDWRAP);
    for (int button : {kCommand1, kCommand2})
        EXPECT_EQ(GetWindowLongW(Item(button), GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON);
}

TEST_P(Layout, LaidOutAgainAtANewDpi)
{
    RECT suggested;
    GetWindowRect(hwnd, &suggested);
    SendMessageW(hwnd, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    ExpectPlaces(144);
}

TEST_P(Layout, ChildrenStandInTabOrder)
{
    std::vector<HWND> expected = {Item(kLabel1), Item(kCommand1), Item(kList1), cd->site, Item(kList2),
                                  Item(kCommand2), Item(kLabel2), Item(kLabel3), Item(kLabel5)};
    std::vector<HWND> children;
    for (HWND child = GetWindow(hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    EXPECT_EQ(children, expected);
}

TEST_P(Layout, KeyboardGoesThroughTheDialogManager)
{
    ShowWindow(hwnd, SW_SHOW);
    SetForegroundWindow(hwnd);
    SetFocus(hwnd);
    EXPECT_EQ(GetFocus(), Item(kCommand1));

    const auto key = [this](UINT vk) {
        MSG message{GetFocus(), WM_KEYDOWN, vk, 0};
        return IsDialogMessageW(hwnd, &message);
    };
    // Enter presses the focused button: the search runs.
    drives = {{L"C"}};
    EXPECT_TRUE(key(VK_RETURN));
    EXPECT_EQ(Lines(kList1), std::vector<std::wstring>{L"Drive C: Disc Fix"});

    std::vector<HWND> visited;
    for (int i = 0; i < 4; ++i) {
        key(VK_TAB);
        visited.push_back(GetFocus());
    }
    EXPECT_EQ(visited, (std::vector<HWND>{Item(kList1), Item(kList2), Item(kCommand2), Item(kCommand1)}));

    // Enter on the list presses nothing.
    script.calls.clear();
    key(VK_TAB);
    EXPECT_TRUE(key(VK_RETURN));
    EXPECT_TRUE(script.calls.empty());
}

INSTANTIATE_TEST_SUITE_P(Builds, Layout, testing::Values(&kTarvolo, &kTarvolo9x),
                         [](const auto& info) { return info.param == &kTarvolo ? "Tarvolo" : "Tarvolo9x"; });

}  // namespace
