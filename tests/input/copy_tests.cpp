// Copying what the window shows, from either list, by Ctrl+C and by the
// lists' menu opened with the mouse or the keyboard: the real programs
// driven with real keys and mouse, the clipboard read back.

#include "program_input.h"

#include <regex>

namespace {

const std::wstring kBefore = L"what the clipboard held before";
const std::wstring kTracksCopied =
    L"Track 1\t\t 4:05\r\nTrack 2\t\t 3:57\r\nTrack 3\t\t 3:56\r\nTrack-uri: 3\r\nDurata: 11:58\r\n";

// A format of another program's, which a copy must not leave beside its text.
const UINT kAnotherProgramsFormat = RegisterClipboardFormatW(L"Tarvolo tests: another program's");

// The text, and another program's own format beside it.
void SetClipboard(const std::wstring& text)
{
    const auto global = [&] {
        const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
        wcscpy(static_cast<wchar_t*>(GlobalLock(memory)), text.c_str());
        GlobalUnlock(memory);
        return memory;
    };
    ASSERT_TRUE(WaitFor([] { return OpenClipboard(nullptr) != FALSE; })) << "the clipboard stays held";
    EmptyClipboard();
    SetClipboardData(CF_UNICODETEXT, global());
    SetClipboardData(kAnotherProgramsFormat, global());
    CloseClipboard();
}

// The pattern of what the drive list copies: the drive's line, then each
// caption of the details, without its trailing blank, and its value.
std::wstring DriveCopyPattern(const std::wstring& line, const Lines& values)
{
    const Lines captions = {L"Specificatii Drive", L"Spatiul Liber:", L"Sistem de Fisiere:",
                            L"Numar Serial:",      L"Spatiul Total:", L"Nume Volum:"};
    std::wstring pattern = line + L"\r\n";
    for (size_t row = 0; row < values.size(); ++row)
        pattern += captions[row] + L"\t" + values[row] + L"\r\n";
    return pattern;
}

// The selected line of a list, in screen coordinates.
RECT SelectedLine(HWND list)
{
    RECT line{};
    SendMessageW(list, LB_GETITEMRECT, SendMessageW(list, LB_GETCURSEL, 0, 0), reinterpret_cast<LPARAM>(&line));
    MapWindowPoints(list, HWND_DESKTOP, reinterpret_cast<POINT*>(&line), 2);
    return line;
}

// Every test starts with F5, which searches wherever the focus is.
class Copy : public InputTest {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(InputTest::SetUp());
        ASSERT_TRUE(Search(VK_F5)) << "F5 listed no drives";
    }

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
        WaitFor([] { return ClipboardText() != kBefore; });
        EXPECT_FALSE(IsClipboardFormatAvailable(kAnotherProgramsFormat)) << "another program's format stayed";
        return ClipboardText();
    }

    // What choosing "Copiaza" in the menu that open opens put on the clipboard.
    std::wstring CopiedByMenu(const std::function<void()>& open)
    {
        return CopiedAfter([&] {
            open();
            ChooseCopy();
        });
    }

    // Where the menu opens; left with Esc, it closes and copies nothing.
    POINT MenuPlace(const std::function<void()>& open)
    {
        SetClipboard(kBefore);
        open();
        const HWND menu = Menu();
        RECT place{};
        GetWindowRect(menu, &place);
        Key(VK_ESCAPE);
        EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(menu); })) << "the menu stayed open";
        EXPECT_TRUE(Answers(WM_NULL, 5000)) << "the menu's handler never ended";
        EXPECT_EQ(ClipboardText(), kBefore) << "the menu left without a choice copied";
        return {place.left, place.top};
    }
};

TEST_P(Copy, CtrlCCopiesTheDrivesLineAndItsDetails)
{
    ASSERT_TRUE(Show(kLabelledDrive));
    const std::wstring size = SizePattern(L"19077");
    EXPECT_TRUE(std::regex_match(CopiedAfter([] { Key('C', VK_CONTROL); }),
                                 std::wregex(DriveCopyPattern(L"Drive E: Disc Fix",
                                                              {L"E", size, L"NTFS", L"-913", size, L"SISTEM"}))));
    SkipWhereSizesWereNotChecked();
}

// The focus is on "Cauta Drive" after F5; the click that follows shows that
// Ctrl+C was handled before it.
TEST_P(Copy, CtrlCOnAButtonCopiesNothing)
{
    SetClipboard(kBefore);
    Key('C', VK_CONTROL);
    ASSERT_TRUE(Show(kLabelledDrive));
    EXPECT_EQ(ClipboardText(), kBefore) << "Ctrl+C on \"Cauta Drive\" copied";
}

// A beep, and the window goes on: the Down after Ctrl+C shows the next drive.
TEST_P(Copy, ClipboardThatAnotherProgramHoldsIsLeftAlone)
{
    ASSERT_TRUE(Show(kLabelledDrive));
    SetClipboard(kBefore);
    ASSERT_TRUE(OpenClipboard(nullptr));
    Key('C', VK_CONTROL);
    Key(VK_DOWN);
    EXPECT_TRUE(WaitForDetailsOf(kTestDrives[LineOf(kLabelledDrive) + 1]));
    CloseClipboard();
    EXPECT_EQ(ClipboardText(), kBefore);
    EXPECT_FALSE(MessageBoxShown());
}

// The right-click on another line opens the menu of the selected drive; an
// empty volume name keeps its row.
TEST_P(Copy, RightClickMenuCopiesTheSelectedDriveWithoutSelectingAnother)
{
    ASSERT_TRUE(Show(L'T'));
    const std::wstring copied = CopiedByMenu([&] { ClickLine(L'A', true); });
    EXPECT_TRUE(std::regex_match(copied, std::wregex(DriveCopyPattern(L"Drive T: Disc Fix", {L"T", L".*", L".*", L".*",
                                                                                             SizePattern(L"2"), L""}))))
        << testing::PrintToString(copied);
    EXPECT_EQ(SendMessageW(Control(kDriveList), LB_GETCURSEL, 0, 0), LineOf(L'T')) << "the right-click selected";
    SkipWhereSizesWereNotChecked();
}

// The details on show are another drive's, shown before.
TEST_P(Copy, NotReadyDriveCopiesOnlyItsLine)
{
    ASSERT_TRUE(Show(kLabelledDrive));
    ClickLine(kNotReadyDrive);
    EXPECT_EQ(AnswerMessageBox(), L"Drive-ul nu este accesibil");
    EXPECT_EQ(CopiedByMenu([] { Key(VK_APPS); }), L"Drive X: CDROM\r\n");
}

// By Ctrl+C and by the menu that Shift+F10 opens.
TEST_P(Copy, TrackListCopiesItsLinesAndTheCdControlsSummary)
{
    ASSERT_TRUE(Show(L'D'));
    ClickAt(Centre(Control(kTrackList)));
    EXPECT_EQ(CopiedAfter([] { Key('C', VK_CONTROL); }), kTracksCopied);
    EXPECT_EQ(CopiedByMenu([] { Key(VK_F10, VK_SHIFT); }), kTracksCopied);
}

// Only the two lists have the menu: a right-click on a button opens none
// within a second.
TEST_P(Copy, RightClickOutsideTheListsOpensNoMenu)
{
    ClickAt(Centre(Control(kSearchButton)), true);
    EXPECT_FALSE(program.WaitForOneWindow(L"#32768", 1000)) << "a menu opened on \"Cauta Drive\"";
}

// The track list emptied by a fixed disc's click: its menu's item is grayed,
// the clipboard left alone.
TEST_P(Copy, EmptyTrackListCopiesNothing)
{
    ASSERT_TRUE(Show(L'D'));
    ASSERT_TRUE(Show(kLabelledDrive));
    SetClipboard(kBefore);
    ClickAt(Centre(Control(kTrackList)), true);
    ChooseCopy();
    EXPECT_EQ(ClipboardText(), kBefore);
}

// From the keyboard the menu opens at the selected line, kept inside the
// list's visible client area; the keyboard's place is x and y both -1,
// however the two are packed into the message: here as two 16-bit halves,
// the upper half of a 64-bit parameter empty.
TEST_P(Copy, MenuFromTheKeyboardOpensAtTheSelectedLineInsideTheList)
{
    const HWND list = Control(kDriveList);
    ASSERT_TRUE(Show(kLabelledDrive));
    const RECT line = SelectedLine(list);
    const auto expectAtTheLine = [&](POINT at) {
        EXPECT_EQ(at.x, line.left);
        EXPECT_EQ(at.y, line.bottom);
    };
    expectAtTheLine(MenuPlace([] { Key(VK_APPS); }));
    expectAtTheLine(MenuPlace(
        [&] { PostMessageW(main, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), static_cast<LPARAM>(0xFFFFFFFFu)); }));

    // The selected line scrolled out of view, below the visible lines.
    ASSERT_TRUE(Show(kTestDrives.back()));
    SendMessageW(list, LB_SETTOPINDEX, 0, 0);
    RECT client{};
    GetClientRect(list, &client);
    MapWindowPoints(list, HWND_DESKTOP, reinterpret_cast<POINT*>(&client), 2);
    ASSERT_GT(SelectedLine(list).top, client.bottom) << "the selected line is still in view";
    const POINT at = MenuPlace([] { Key(VK_APPS); });
    EXPECT_TRUE(at.x >= client.left && at.x <= client.right && at.y >= client.top && at.y <= client.bottom)
        << at.x << "," << at.y << " outside the list";
}

INSTANTIATE_TEST_SUITE_P(Builds, Copy, kBothBuilds, BuildName);

}  // namespace
