// Copying what the window shows, from either list, by Ctrl+C and by the
// lists' menu opened with the mouse or the keyboard, and F5: the real
// programs driven with real keys and mouse, the clipboard read back.

#include "program_input.h"

#include <regex>

namespace {

const std::wstring kBefore = L"what the clipboard held before";

class Copy : public InputTest {
protected:
    // The menu the program opened.
    HWND Menu() const { return program.WaitForOneWindow(L"#32768"); }

    // Chooses "Copiaza" in the open menu by its access key. Under Wine, a
    // grayed item's key closes the menu too, choosing nothing.
    void ChooseCopy()
    {
        const HWND menu = Menu();
        ASSERT_TRUE(menu) << "no menu";
        Key('C');
        ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(menu); })) << "the menu stayed open";
    }

    // What a copy put on the clipboard, which holds nothing else then.
    std::wstring CopiedAfter(const std::function<void()>& copy)
    {
        SetClipboard(kBefore);
        copy();
        WaitFor([] { return Clipboard() != kBefore; });
        EXPECT_FALSE(IsClipboardFormatAvailable(AnotherProgramsFormat())) << "another program's format stayed";
        return Clipboard();
    }

    // The selected line of a list, in screen coordinates.
    static RECT SelectedLine(HWND list)
    {
        RECT line{};
        SendMessageW(list, LB_GETITEMRECT, SendMessageW(list, LB_GETCURSEL, 0, 0), reinterpret_cast<LPARAM>(&line));
        MapWindowPoints(list, HWND_DESKTOP, reinterpret_cast<POINT*>(&line), 2);
        return line;
    }
};

TEST_P(Copy, EitherListByCtrlCOrItsMenuAndF5Searches)
{
    const std::string missing = ExactSizesMissingReason();
    const std::wstring mb = missing.empty() ? L"" : L"[0-9]+";
    const auto size = [&](const wchar_t* megabytes) { return (mb.empty() ? megabytes : mb) + std::wstring(L" MB"); };

    // F5 searches from anywhere; Ctrl+C on a button copies nothing.
    SetClipboard(kBefore);
    Key(VK_F5);
    ASSERT_TRUE(WaitFor([&] { return LineCount() == kTestDrives.size(); })) << "F5 listed no drives";
    Key('C', VK_CONTROL);
    ClickLine(kLabelledDrive);
    ASSERT_TRUE(WaitForDetailsOf(kLabelledDrive));
    EXPECT_EQ(Clipboard(), kBefore) << "Ctrl+C on \"Cauta Drive\" copied";

    // The drive's line and its details, caption and value.
    EXPECT_TRUE(std::regex_match(CopiedAfter([] { Key('C', VK_CONTROL); }),
                                 std::wregex(L"Drive E: Disc Fix\r\nSpecificatii Drive\tE\r\nSpatiul Liber:\t" +
                                             size(L"19077") +
                                             L"\r\nSistem de Fisiere:\tNTFS\r\nNumar Serial:\t-913\r\nSpatiul "
                                             L"Total:\t" +
                                             size(L"19077") + L"\r\nNume Volum:\tSISTEM\r\n")));

    // With the clipboard held by another program: a beep, and the window
    // goes on (the Down after Ctrl+C shows the next drive).
    SetClipboard(kBefore);
    ASSERT_TRUE(OpenClipboard(nullptr));
    Key('C', VK_CONTROL);
    Key(VK_DOWN);
    EXPECT_TRUE(WaitForDetailsOf(kTestDrives[LineOf(kLabelledDrive) + 1]));
    CloseClipboard();
    EXPECT_EQ(Clipboard(), kBefore);
    EXPECT_FALSE(MessageBoxShown());

    // An empty volume name keeps its row; a right-click does not select.
    ClickLine(L'T');
    ASSERT_TRUE(WaitForDetailsOf(L'T'));
    EXPECT_TRUE(
        std::regex_match(CopiedAfter([&] {
                             ClickLine(L'A', true);
                             ChooseCopy();
                         }),
                         std::wregex(L"Drive T: Disc Fix\r\nSpecificatii Drive\tT\r\n(.*\r\n){3}Spatiul Total:\t" +
                                     size(L"2") + L"\r\nNume Volum:\t\r\n")));
    EXPECT_EQ(SendMessageW(Control(kDriveList), LB_GETCURSEL, 0, 0), LineOf(L'T')) << "the right-click selected";

    // A drive that is not ready has no details of its own on show: only its
    // line. The menu key opens the menu at the selected line.
    ClickLine(kNotReadyDrive);
    EXPECT_EQ(AnswerMessageBox(), L"Drive-ul nu este accesibil");
    EXPECT_EQ(CopiedAfter([&] {
                  Key(VK_APPS);
                  const RECT line = SelectedLine(Control(kDriveList));
                  RECT menu{};
                  GetWindowRect(Menu(), &menu);
                  EXPECT_EQ(menu.left, line.left);
                  EXPECT_EQ(menu.top, line.bottom);
                  ChooseCopy();
              }),
              L"Drive X: CDROM\r\n");

    // The track list: its lines, then the CD control's summary.
    ClickLine(L'D');
    ASSERT_TRUE(WaitForDetailsOf(L'D'));
    ClickAt(Centre(Control(kTrackList)));
    const std::wstring tracks =
        L"Track 1\t\t 4:05\r\nTrack 2\t\t 3:57\r\nTrack 3\t\t 3:56\r\nTrack-uri: 3\r\nDurata: 11:58\r\n";
    EXPECT_EQ(CopiedAfter([] { Key('C', VK_CONTROL); }), tracks);
    EXPECT_EQ(CopiedAfter([&] {
                  Key(VK_F10, VK_SHIFT);
                  ChooseCopy();
              }),
              tracks);

    // An empty track list: the menu's item is grayed, the clipboard left alone.
    ClickLine(kLabelledDrive);
    ASSERT_TRUE(WaitForDetailsOf(kLabelledDrive));
    SetClipboard(kBefore);
    ClickAt(Centre(Control(kTrackList)), true);
    ChooseCopy();
    EXPECT_EQ(Clipboard(), kBefore);
    if (!missing.empty())
        GTEST_SKIP() << "drive sizes not checked: " << missing;
}

// From the keyboard the menu opens at the selected line, kept inside the
// list's visible client area; the keyboard's place is x and y both -1,
// however the two are packed into the message.
TEST_P(Copy, MenuFromTheKeyboardOpensInsideTheList)
{
    Key(VK_RETURN);
    ASSERT_TRUE(WaitFor([&] { return LineCount() == kTestDrives.size(); })) << "Enter listed no drives";
    const HWND list = Control(kDriveList);
    RECT client{};
    GetClientRect(list, &client);
    MapWindowPoints(list, HWND_DESKTOP, reinterpret_cast<POINT*>(&client), 2);
    const auto menuPlace = [&](const std::function<void()>& open) {
        open();
        const HWND menu = Menu();
        RECT place{};
        GetWindowRect(menu, &place);
        Key(VK_ESCAPE);
        EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(menu); })) << "the menu stayed open";
        return POINT{place.left, place.top};
    };

    // x and y of -1 as two 16-bit halves, the upper half of a 64-bit
    // parameter empty.
    ClickLine(kLabelledDrive);
    ASSERT_TRUE(WaitForDetailsOf(kLabelledDrive));
    const RECT line = SelectedLine(list);
    const POINT packed = menuPlace(
        [&] { PostMessageW(main, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), static_cast<LPARAM>(0xFFFFFFFFu)); });
    EXPECT_EQ(packed.x, line.left);
    EXPECT_EQ(packed.y, line.bottom);

    // The selected line scrolled out of view, below the visible lines.
    ClickLine(kTestDrives.back());
    ASSERT_TRUE(WaitForDetailsOf(kTestDrives.back()));
    SendMessageW(list, LB_SETTOPINDEX, 0, 0);
    ASSERT_GT(SelectedLine(list).top, client.bottom) << "the selected line is still in view";
    const POINT scrolledAway = menuPlace([] { Key(VK_APPS); });
    EXPECT_TRUE(scrolledAway.x >= client.left && scrolledAway.x <= client.right && scrolledAway.y >= client.top &&
                scrolledAway.y <= client.bottom)
        << scrolledAway.x << "," << scrolledAway.y << " outside the list";
}

INSTANTIATE_TEST_SUITE_P(Builds, Copy, kBothBuilds, BuildName);

}  // namespace
