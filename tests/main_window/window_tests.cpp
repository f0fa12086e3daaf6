// The drive browser window on a scripted drive service: its class, its
// controls in their order and at their places at any DPI, the drive search,
// and how a failed search or a failed start is reported.

#include "main_window_test.h"

namespace {

// Each control's place in the Tarvolo and the Tarvolo9x build, in twips; a
// width of 0 marks a caption label, sized to its one line.
const struct Place {
    int id;  // 0: the CD control
    const wchar_t* className;
    const wchar_t* text;
    TwipRect nt;
    TwipRect nineX;
} kPlaces[] = {
    {kDriveListCaption, L"Static", L"Lista Drive-uri", {1200, 240, 0, 0}, {1200, 240, 0, 0}},
    {kDriveList, L"ListBox", L"", {240, 720, 2892, 1392}, {240, 720, 3012, 1230}},
    {kDetailValues, L"Static", L"", {4920, 840, 1332, 1572}, {4920, 840, 1455, 1575}},
    {kTrackListCaption, L"Static", L"Lista Track-uri", {1200, 2280, 0, 0}, {1200, 2280, 0, 0}},
    {kTrackList, L"ListBox", L"", {240, 2760, 2892, 1584}, {240, 2760, 3012, 1425}},
    {kSearchButton, L"Button", L"Cauta Drive", {2880, 4680, 1212, 372}, {2880, 4680, 1212, 372}},
    {kAboutButton, L"Button", L"Despre program", {4320, 4680, 1452, 372}, {4440, 4680, 1452, 372}},
    {0, L"Static", L"", {3960, 3000, 1332, 1212}, {4200, 2760, 1335, 1215}},
};

class Window : public MainWindowTest {
protected:
    // The client area (6636 x 5448 twips, 6630 x 5445 in the 9x build) and
    // every control at their stored places for dpi.
    void ExpectLaidOutAt(UINT dpi)
    {
        SCOPED_TRACE(dpi);
        RECT r;
        GetClientRect(hwnd, &r);
        EXPECT_EQ(r.right, Px(NineX() ? 6630 : 6636, dpi));
        EXPECT_EQ(r.bottom, Px(NineX() ? 5445 : 5448, dpi));
        for (const Place& p : kPlaces) {
            SCOPED_TRACE(testing::Message() << "control " << p.id);
            const TwipRect& place = NineX() ? p.nineX : p.nt;
            const HWND control = p.id ? Item(p.id) : cd->site;
            wchar_t className[64];
            GetClassNameW(control, className, 64);
            EXPECT_EQ(_wcsicmp(className, p.className), 0) << className;
            EXPECT_EQ(::Text(control), p.text);
            r = PlaceIn(control, hwnd);
            const SIZE size = place.width ? SIZE{Px(place.width, dpi), Px(place.height, dpi)}
                                          : TextSize(control, p.text);
            EXPECT_EQ(r.left, Px(place.left, dpi));
            EXPECT_EQ(r.top, Px(place.top, dpi));
            EXPECT_EQ(r.right - r.left, size.cx);
            EXPECT_EQ(r.bottom - r.top, size.cy);
        }
    }
};

TEST_P(Window, HasItsBuildsClassTitleAndStyles)
{
    wchar_t className[64];
    GetClassNameW(hwnd, className, 64);
    EXPECT_STREQ(className, NineX() ? L"Form1" : L"FormPrincipal");
    EXPECT_EQ(::Text(hwnd), L"Tarvolo");
    EXPECT_EQ(GetWindowLongW(hwnd, GWL_STYLE) & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME), WS_MINIMIZEBOX);
    EXPECT_TRUE(GetWindowLongW(Item(kDriveList), GWL_STYLE) & LBS_SORT);
    EXPECT_EQ(GetWindowLongW(Item(kTrackList), GWL_STYLE) & (LBS_SORT | LBS_USETABSTOPS), LBS_USETABSTOPS);
}

// Other programs find the controls by their order and their identifiers:
// from 101 on in the order they are made, the CD control after the drive list.
TEST_P(Window, ControlsComeInTabOrderWithTheirIdentifiers)
{
    std::vector<int> ids;
    for (HWND child = GetWindow(hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        ids.push_back(child == cd->site ? 0 : GetDlgCtrlID(child));
    EXPECT_EQ(ids, (std::vector<int>{101, 102, 103, 0, 104, 105, 106, 107, 108}));
}

TEST_P(Window, LaidOutInTwipsAtItsDpiAndAgainWhenTheDpiChanges)
{
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

// A type code the window does not know reads "Tip necunoscut"; a second
// search lists each drive once again.
TEST_P(Window, SearchListsEveryDriveOnceInLetterOrderWithItsType)
{
    drives = {{L"Z"}, {L"A", 1}, {L"D", 4}, {L"C", 2}, {L"F", 3}, {L"R", 5}, {L"X", 0}, {L"Q", 9}};
    Press(kSearchButton);
    Press(kSearchButton);
    EXPECT_EQ(ListLines(kDriveList), (Lines{L"Drive A: Drive removabil", L"Drive C: Disc Fix", L"Drive D: CDROM",
                                            L"Drive F: Disc Remote", L"Drive Q: Tip necunoscut", L"Drive R: Disc RAM",
                                            L"Drive X: Tip necunoscut", L"Drive Z: Disc Fix"}));
    EXPECT_EQ(service.use_count(), 2) << "the drive collection is let go of after the search";
    EXPECT_TRUE(messages.empty());
}

// The 9x build hides the CD control before it asks the service anything,
// the NT build once the service has answered.
TEST_P(Window, SearchEmptiesWhatAClickShowed)
{
    drives = {{L"C"}, {L"D", 4}};
    cd->trackCount = 3;
    Press(kSearchButton);
    SelectDrive(L"D");
    ASSERT_TRUE(CdShown() && ListLines(kTrackList).size() == 3 && !Text(kDetailValues).empty());
    script.calls.clear();
    Press(kSearchButton);
    EXPECT_EQ(ListBox_GetCurSel(Item(kDriveList)), -1);
    EXPECT_TRUE(ListLines(kTrackList).empty());
    EXPECT_EQ(Text(kDetailCaptions) + Text(kDetailValues), L"");
    EXPECT_FALSE(CdShown());
    const Lines start = {script.calls.begin(), script.calls.begin() + 3};
    EXPECT_EQ(start, NineX() ? (Lines{L"Hide CD", L"Drives", L"Next"}) : (Lines{L"Drives", L"Hide CD", L"Next"}));
}

TEST_P(Window, SearchThatFindsNoDriveLeavesTheEmptyListEnabled)
{
    Press(kSearchButton);
    EXPECT_TRUE(ListLines(kDriveList).empty());
    EXPECT_TRUE(IsWindowEnabled(Item(kDriveList)));
    EXPECT_TRUE(messages.empty());
}

// No control is IDOK, so Enter on a list presses nothing.
TEST_P(Window, EnterOutsideTheButtonsPressesNothing)
{
    SendMessageW(hwnd, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(script.calls.empty());
}

// The NT build has emptied nothing before the service fails to list the
// drives; the 9x build has hidden the CD control and emptied the details.
TEST_P(Window, FailingSearchIsReportedAndTheNextSearchWorks)
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
        const ShownMessage shown = OnlyMessage();
        EXPECT_EQ(shown.type, static_cast<UINT>(MB_OK | MB_ICONERROR));
        EXPECT_EQ(shown.title, L"Tarvolo");
        EXPECT_NE(shown.text.find(L"0x8007001F"), std::wstring::npos) << shown.text;
        if (call == std::wstring(L"Drives")) {
            EXPECT_NE(shown.text.find(L"Lista drive-urilor nu a putut fi citita."), std::wstring::npos);
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
