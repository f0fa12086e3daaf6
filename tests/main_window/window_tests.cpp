#include "main_window_test.h"

namespace {

// Each control's place in the Tarvolo and the Tarvolo9x build, in twips; a
// width of 0 marks a caption label, sized to its one line.
struct Place {
    int id;
    const wchar_t* className;
    const wchar_t* text;
    TwipRect nt;
    TwipRect nineX;
};

const Place kPlaces[] = {
    {kDriveListCaption, L"Static", L"Lista Drive-uri", {1200, 240, 0, 0}, {1200, 240, 0, 0}},
    {kDriveList, L"ListBox", L"", {240, 720, 2892, 1392}, {240, 720, 3012, 1230}},
    {kDetailValues, L"Static", L"", {4920, 840, 1332, 1572}, {4920, 840, 1455, 1575}},
    {kTrackListCaption, L"Static", L"Lista Track-uri", {1200, 2280, 0, 0}, {1200, 2280, 0, 0}},
    {kTrackList, L"ListBox", L"", {240, 2760, 2892, 1584}, {240, 2760, 3012, 1425}},
    {kSearchButton, L"Button", L"Cauta Drive", {2880, 4680, 1212, 372}, {2880, 4680, 1212, 372}},
    {kAboutButton, L"Button", L"Despre program", {4320, 4680, 1452, 372}, {4440, 4680, 1452, 372}},
    {0, nullptr, nullptr, {3960, 3000, 1332, 1212}, {4200, 2760, 1335, 1215}},  // the CD control
};

class Window : public MainWindowTest {
protected:
    // The client area and every control at their stored places for dpi.
    void ExpectLaidOutAt(UINT dpi)
    {
        SCOPED_TRACE(dpi);
        const auto px = [dpi](int twips) { return MulDiv(twips, static_cast<int>(dpi), 1440); };
        RECT r;
        GetClientRect(hwnd, &r);
        EXPECT_EQ(r.right, px(NineX() ? 6630 : 6636));
        EXPECT_EQ(r.bottom, px(NineX() ? 5445 : 5448));
        wchar_t text[64];
        for (const Place& p : kPlaces) {
            const TwipRect& place = NineX() ? p.nineX : p.nt;
            const HWND control = p.id ? Item(p.id) : cd->site;
            if (p.id) {
                GetClassNameW(control, text, 64);
                EXPECT_EQ(_wcsicmp(text, p.className), 0) << text;
                EXPECT_EQ(Text(p.id), p.text);
            }
            GetWindowRect(control, &r);
            MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&r), 2);
            SIZE size{px(place.width), px(place.height)};
            if (place.width == 0) {
                const HDC dc = GetDC(control);
                SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
                GetTextExtentPoint32W(dc, p.text, static_cast<int>(wcslen(p.text)), &size);
                ReleaseDC(control, dc);
            }
            EXPECT_EQ(r.left, px(place.left)) << p.id;
            EXPECT_EQ(r.top, px(place.top)) << p.id;
            EXPECT_EQ(r.right - r.left, size.cx) << p.id;
            EXPECT_EQ(r.bottom - r.top, size.cy) << p.id;
        }
    }
};

TEST_P(Window, LaidOutInTwipsAtTheWindowsDpi)
{
    wchar_t text[64];
    GetClassNameW(hwnd, text, 64);
    EXPECT_STREQ(text, NineX() ? L"Form1" : L"FormPrincipal");
    GetWindowTextW(hwnd, text, 64);
    EXPECT_STREQ(text, L"Tarvolo");
    const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
    EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME), WS_MINIMIZEBOX);
    EXPECT_TRUE(GetWindowLongW(Item(kDriveList), GWL_STYLE) & LBS_SORT);
    EXPECT_EQ(GetWindowLongW(Item(kTrackList), GWL_STYLE) & (LBS_SORT | LBS_USETABSTOPS), LBS_USETABSTOPS);

    ExpectLaidOutAt(WindowDpi(hwnd));
    RECT suggested;
    GetWindowRect(hwnd, &suggested);
    SendMessageW(hwnd, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    ExpectLaidOutAt(144);
}

HRESULT WINAPI MonitorAt144Dpi(HMONITOR, int, UINT* dpiX, UINT* dpiY)
{
    *dpiX = *dpiY = 144;
    return S_OK;
}

// Without the functions that Windows 10 brought, the window takes its
// monitor's DPI (Windows 8.1) or the system's (Windows 7), with the same font
// as the platform's own call would give.
TEST_P(Window, LaidOutWhereTheNewerDpiFunctionsAreMissing)
{
    const NewerDpiFunctions newer = DpiFunctions();
    ASSERT_TRUE(newer.systemParametersInfoForDpi) << "the platform's own font at a DPI is the yardstick";
    const HDC screen = GetDC(nullptr);
    const auto systemDpi = static_cast<UINT>(GetDeviceCaps(screen, LOGPIXELSY));
    ReleaseDC(nullptr, screen);
    using MonitorDpi = decltype(newer.getDpiForMonitor);
    const struct {
        const char* system;
        MonitorDpi monitorDpi;
        UINT dpi;
    } systems[] = {{"Windows 8.1", MonitorAt144Dpi, 144}, {"Windows 7", nullptr, systemDpi}};
    for (const auto& [system, monitorDpi, dpi] : systems) {
        SCOPED_TRACE(system);
        DpiFunctions() = NewerDpiFunctions{nullptr, monitorDpi, nullptr, nullptr, nullptr};
        ASSERT_NO_FATAL_FAILURE(Open());
        ExpectLaidOutAt(dpi);
        LOGFONTW font{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(Item(kDriveListCaption), WM_GETFONT, 0, 0)), sizeof font,
                   &font);
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof metrics;
        newer.systemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi);
        EXPECT_EQ(font.lfHeight, metrics.lfMessageFont.lfHeight);
    }
    DpiFunctions() = newer;
}

TEST_P(Window, SearchListsEveryDriveOnceInLetterOrder)
{
    drives = {{L"Z"}, {L"A", 1}, {L"D", 4}, {L"C", 2}, {L"F", 3}, {L"R", 5}, {L"X", 0}, {L"Q", 9}};
    cd->trackCount = 3;
    Press(kSearchButton);
    SelectDrive(L"D");
    ASSERT_TRUE(CdShown() && ListLines(kTrackList).size() == 3 && !Text(kDetailValues).empty());
    script.calls.clear();
    Press(kSearchButton);
    EXPECT_EQ(ListLines(kDriveList), (Lines{L"Drive A: Drive removabil", L"Drive C: Disc Fix", L"Drive D: CDROM",
                                            L"Drive F: Disc Remote", L"Drive Q: Tip necunoscut", L"Drive R: Disc RAM",
                                            L"Drive X: Tip necunoscut", L"Drive Z: Disc Fix"}));
    EXPECT_EQ(ListBox_GetCurSel(Item(kDriveList)), -1);
    EXPECT_TRUE(ListLines(kTrackList).empty());
    EXPECT_EQ(Text(kDetailCaptions) + Text(kDetailValues), L"");
    EXPECT_FALSE(CdShown());
    // The 9x build hides the control before it asks the service anything.
    const Lines start = {script.calls.begin(), script.calls.begin() + 3};
    EXPECT_EQ(start, NineX() ? (Lines{L"Hide CD", L"Drives", L"Next"}) : (Lines{L"Drives", L"Hide CD", L"Next"}));
    EXPECT_EQ(service.use_count(), 2) << "the drive collection is let go of after the search";

    drives.clear();
    Press(kSearchButton);
    EXPECT_TRUE(ListLines(kDriveList).empty());
    EXPECT_TRUE(IsWindowEnabled(Item(kDriveList)));
    EXPECT_TRUE(messages.empty());

    // Enter on the drive list presses nothing: no control is IDOK.
    script.calls.clear();
    SendMessageW(hwnd, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(script.calls.empty());
}

TEST_P(Window, FailingSearchIsReportedAndLeavesWhatTheBuildHadNotCleared)
{
    drives = {{L"C"}, {L"D", 4}};
    for (const wchar_t* call : {L"Create", L"Drives", L"Next", L"DriveLetter", L"DriveType", L"Hide CD"}) {
        SCOPED_TRACE(call);
        if (service) {
            cd->trackCount = 3;
            SelectDrive(L"C");
            SelectDrive(L"D");
        }
        messages.clear();
        script.failOn = call;
        Press(kSearchButton);
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
        EXPECT_EQ(messages[0].title, L"Tarvolo");
        EXPECT_NE(messages[0].text.find(L"0x8007001F"), std::wstring::npos) << messages[0].text;
        if (call == std::wstring(L"Drives")) {
            EXPECT_NE(messages[0].text.find(L"Lista drive-urilor nu a putut fi citita."), std::wstring::npos);
            EXPECT_EQ(CdShown(), !NineX());
            EXPECT_EQ(Text(kDetailValues).empty(), NineX());
            EXPECT_EQ(ListLines(kTrackList).size(), 3u);
        }
        script.failOn.clear();
        Press(kSearchButton);
        EXPECT_EQ(messages.size(), 1u);
        EXPECT_EQ(ListLines(kDriveList), (Lines{L"Drive C: Disc Fix", L"Drive D: CDROM"}));
    }
}

// A window that never came up leaves nothing behind, and asks the program
// to end nothing: the message box that reports why must stay.
TEST_P(Window, ThatCannotMakeItsCdControlFailsWithoutAQuit)
{
    window.reset();
    TearDown();
    MainWindowParts parts{
        [](std::shared_ptr<DriveService>&) { return E_UNEXPECTED; },
        [](HWND, const RECT&, std::unique_ptr<CdControl>&) { return CLASS_E_CLASSNOTAVAILABLE; },
        [](HWND, const std::wstring&, const std::wstring&, UINT) { return IDOK; },
    };
    std::unique_ptr<MainWindow> failed;
    EXPECT_EQ(MainWindow::Create(Build(), std::move(parts), failed), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_FALSE(failed);
    EXPECT_FALSE(FindWindowW(Build().mainWindowClass, nullptr));
    MSG quit;
    EXPECT_FALSE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the failed window asked to end";
}

INSTANTIATE_TEST_SUITE_P(Builds, Window, kBothBuilds, BuildName);

}  // namespace
