#include "drive_service/test_drives.h"
#include "main_window.h"
#include "running_program.h"

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

// The CD-ROM drive that is ready: its disc is a plain folder.
constexpr wchar_t kCdDrive = L'D';
const wchar_t kNotReadyMessage[] = L"Drive-ul nu este accesibil";
const wchar_t kCaptions[] =
    L"Specificatii Drive \nSpatiul Liber: \nSistem de Fisiere: \nNumar Serial: \nSpatiul Total: \nNume Volum: \n";

// The drive list of the test prefix, in letter order.
std::vector<std::wstring> ExpectedDriveLines()
{
    const wchar_t* const typeTexts[] = {L"Tip necunoscut", L"Drive removabil", L"Disc Fix",
                                        L"Disc Remote",    L"CDROM",           L"Disc RAM"};
    std::vector<std::wstring> lines;
    for (const TestDrive& drive : kTestDrives)
        lines.push_back(L"Drive " + std::wstring(1, drive.letter) + L": " + typeTexts[drive.type]);
    return lines;
}

int LineOf(wchar_t letter)
{
    const auto found = std::find_if(kTestDrives.begin(), kTestDrives.end(),
                                    [letter](const TestDrive& d) { return d.letter == letter; });
    return static_cast<int>(found - kTestDrives.begin());
}

std::vector<std::wstring> SplitLines(const std::wstring& text)
{
    std::vector<std::wstring> lines(1);
    for (const wchar_t c : text) {
        if (c == L'\n')
            lines.emplace_back();
        else
            lines.back() += c;
    }
    return lines;
}

bool IsMegabytes(const std::wstring& text)
{
    const size_t digits = text.find_first_not_of(L"0123456789");
    return digits > 0 && digits != std::wstring::npos && text.substr(digits) == L" MB";
}

class InputTest : public testing::TestWithParam<const BuildDifferences*> {
protected:
    void SetUp() override { ASSERT_TRUE(program.Start(*GetParam())); }

    bool WaitFor(const std::function<bool()>& condition) const { return RunningProgram::WaitFor(condition); }

    bool WaitForFocusOn(int id) const
    {
        return WaitFor([&] { return program.Focus() == program.Control(id); });
    }

    bool WaitForDriveList() const
    {
        return WaitFor([&] { return program.Lines(kList1).size() == kTestDrives.size(); });
    }

    bool ShowsDetailsOf(wchar_t letter) const
    {
        const std::vector<std::wstring> values = SplitLines(program.Text(kLabel5));
        return values.size() == 6 && values[0] == std::wstring(1, letter);
    }

    bool WaitForDetailsOf(wchar_t letter) const
    {
        return WaitFor([&] { return ShowsDetailsOf(letter); });
    }

    // The message boxes of the program, each a dialog owned by the main window.
    std::vector<HWND> MessageBoxes() const
    {
        std::vector<HWND> boxes = program.Windows(L"#32770");
        std::erase_if(boxes, [&](HWND box) { return GetWindow(box, GW_OWNER) != program.Window(); });
        return boxes;
    }

    HWND WaitForOneMessageBox() const
    {
        HWND box = nullptr;
        WaitFor([&] {
            const std::vector<HWND> boxes = MessageBoxes();
            box = boxes.size() == 1 ? boxes.front() : nullptr;
            return box != nullptr;
        });
        return box;
    }

    // The texts of a message box's labels, its icon's empty one aside.
    static std::vector<std::wstring> LabelTexts(HWND box)
    {
        std::vector<std::wstring> texts;
        for (HWND child = FindWindowExW(box, nullptr, L"Static", nullptr); child;
             child = FindWindowExW(box, child, L"Static", nullptr)) {
            if (std::wstring text = RunningProgram::Text(child); !text.empty())
                texts.push_back(std::move(text));
        }
        return texts;
    }

    void Search() const
    {
        program.Key(VK_RETURN);
        ASSERT_TRUE(WaitForDriveList()) << "Enter on \"Cauta Drive\" did not list the drives";
    }

    void ShowDetailsByClick(wchar_t letter) const
    {
        program.ClickLine(kList1, LineOf(letter));
        ASSERT_TRUE(WaitForDetailsOf(letter)) << "a click on the line of " << static_cast<char>(letter)
                                              << " did not show its details; " << program.InputState();
    }

    RunningProgram program;
};

TEST_P(InputTest, CautaDriveIsPressedByEnterSpaceAndClick)
{
    ASSERT_TRUE(WaitForFocusOn(kCommand1)) << "the focus is not on \"Cauta Drive\" at start";
    EXPECT_TRUE(program.Lines(kList1).empty());
    ASSERT_NO_FATAL_FAILURE(Search());
    EXPECT_EQ(program.Lines(kList1), ExpectedDriveLines());
    EXPECT_EQ(program.Selection(kList1), -1);

    // Each later press shows in the details it empties; the list is refilled,
    // never doubled.
    ASSERT_NO_FATAL_FAILURE(ShowDetailsByClick(kLabelledDrive));
    program.Key(VK_TAB, {VK_SHIFT});
    ASSERT_TRUE(WaitForFocusOn(kCommand1));
    program.Key(VK_SPACE);
    ASSERT_TRUE(WaitFor([&] { return program.Text(kLabel5).empty(); })) << "Space did not press \"Cauta Drive\"";
    EXPECT_EQ(program.Lines(kList1), ExpectedDriveLines());
    EXPECT_EQ(program.Selection(kList1), -1);

    ASSERT_NO_FATAL_FAILURE(ShowDetailsByClick(kLabelledDrive));
    program.Click(kCommand1);
    ASSERT_TRUE(WaitFor([&] { return program.Text(kLabel5).empty(); })) << "a click did not press \"Cauta Drive\"";
    EXPECT_EQ(program.Lines(kList1), ExpectedDriveLines());
    EXPECT_TRUE(program.Text(kLabel1).empty());
}

TEST_P(InputTest, TabWalksTheControlsInTabOrder)
{
    const int order[] = {kCommand1, kList1, kList2, kCommand2, kCommand1};
    ASSERT_TRUE(WaitForFocusOn(kCommand1));
    for (size_t i = 1; i < std::size(order); ++i) {
        program.Key(VK_TAB);
        ASSERT_TRUE(WaitForFocusOn(order[i])) << "Tab number " << i << " went astray";
    }
    for (size_t i = std::size(order) - 1; i-- > 0;) {
        program.Key(VK_TAB, {VK_SHIFT});
        ASSERT_TRUE(WaitForFocusOn(order[i])) << "Shift+Tab towards control " << order[i] << " went astray";
    }
}

TEST_P(InputTest, DriveListFollowsTheMouseAndTheArrowKeys)
{
    ASSERT_NO_FATAL_FAILURE(Search());
    ASSERT_NO_FATAL_FAILURE(ShowDetailsByClick(kLabelledDrive));
    EXPECT_EQ(program.Text(kLabel1), kCaptions);
    const std::vector<std::wstring> values = SplitLines(program.Text(kLabel5));
    EXPECT_TRUE(IsMegabytes(values[1])) << "free space " << values[1];
    EXPECT_EQ(values[2], kDiskFileSystem);
    EXPECT_EQ(values[3], std::to_wstring(kLabelledSerialNumber));
    if (ExactSizesMissingReason().empty())
        EXPECT_EQ(values[4], L"19077 MB");
    else
        EXPECT_TRUE(IsMegabytes(values[4])) << "total size " << values[4];
    EXPECT_EQ(values[5], kLabelledVolumeName);

    // Each line reached with Down shows its drive, up to the one before the
    // drive that is not ready.
    for (int line = LineOf(kLabelledDrive) + 1; line < LineOf(kNotReadyDrive); ++line) {
        program.Key(VK_DOWN);
        ASSERT_TRUE(WaitForDetailsOf(kTestDrives[line].letter))
            << "Down did not show drive " << static_cast<char>(kTestDrives[line].letter);
        EXPECT_TRUE(MessageBoxes().empty());
    }
    const wchar_t shownBefore = kTestDrives[LineOf(kNotReadyDrive) - 1].letter;

    program.Key(VK_DOWN);
    const HWND box = WaitForOneMessageBox();
    ASSERT_TRUE(box) << "no message box for the drive that is not ready";
    EXPECT_EQ(RunningProgram::Text(box), L"Tarvolo");
    EXPECT_EQ(LabelTexts(box), std::vector<std::wstring>{kNotReadyMessage});
    EXPECT_TRUE(GetDlgItem(box, IDOK));
    EXPECT_FALSE(GetDlgItem(box, IDCANCEL));
    program.Key(VK_RETURN);
    ASSERT_TRUE(WaitFor([&] { return MessageBoxes().empty(); })) << "Enter did not close the message box";
    EXPECT_TRUE(ShowsDetailsOf(shownBefore)) << "the details before the message box are gone";
    EXPECT_EQ(program.Selection(kList1), LineOf(kNotReadyDrive));

    // A click on the line already selected runs nothing: the Down after it
    // reaches the next drive, which a second message box would have held up.
    program.ClickLine(kList1, LineOf(kNotReadyDrive));
    program.Key(VK_DOWN);
    const wchar_t after = kTestDrives[LineOf(kNotReadyDrive) + 1].letter;
    ASSERT_TRUE(WaitForDetailsOf(after)) << "the click on the selected line was not harmless";
    EXPECT_TRUE(MessageBoxes().empty());

    // Up again reaches the drive that is not ready: the message once more,
    // which Esc closes as well, then on up to the drive before it.
    program.Key(VK_UP);
    ASSERT_TRUE(WaitForOneMessageBox()) << "Up onto the drive that is not ready showed no message";
    EXPECT_TRUE(ShowsDetailsOf(after));
    program.Key(VK_ESCAPE);
    ASSERT_TRUE(WaitFor([&] { return MessageBoxes().empty(); })) << "Esc did not close the message box";
    program.Key(VK_UP);
    ASSERT_TRUE(WaitForDetailsOf(shownBefore));
    EXPECT_TRUE(MessageBoxes().empty());
}

TEST_P(InputTest, AboutDialogIsModalAndClosesEveryWay)
{
    ASSERT_NO_FATAL_FAILURE(Search());
    ASSERT_NO_FATAL_FAILURE(ShowDetailsByClick(kLabelledDrive));
    const std::wstring details = program.Text(kLabel5);

    const struct {
        const char* name;
        std::function<void(HWND dialog)> close;
    } ways[] = {
        {"a click on OK", [&](HWND dialog) { program.Click(GetDlgItem(dialog, IDOK)); }},
        {"Enter", [&](HWND) { program.Key(VK_RETURN); }},
        {"Esc", [&](HWND) { program.Key(VK_ESCAPE); }},
        {"a click on the close box",
         [&](HWND dialog) {
             POINT closeBox{};
             ASSERT_TRUE(CloseBoxOf(dialog, closeBox));
             program.ClickAt(closeBox);
         }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.name);
        program.Click(kCommand2);
        HWND dialog = nullptr;
        ASSERT_TRUE(WaitFor([&] {
            const std::vector<HWND> dialogs = program.Windows(L"frmDespre");
            dialog = dialogs.size() == 1 ? dialogs.front() : nullptr;
            return dialog != nullptr;
        })) << "\"Despre program\" did not open the dialog; " << program.InputState();
        EXPECT_EQ(RunningProgram::Text(dialog), L"Despre Tarvolo");
        EXPECT_EQ(GetWindow(dialog, GW_OWNER), program.Window());
        EXPECT_TRUE(WaitFor([&] { return program.Focus() == GetDlgItem(dialog, IDOK); }))
            << "the focus is not on OK";
        EXPECT_FALSE(IsWindowEnabled(program.Window()));

        // A click on the main window's "Cauta Drive", where the dialog does
        // not cover it, would empty the details if it got through.
        RECT dialogPlace;
        RECT buttonPlace;
        GetWindowRect(dialog, &dialogPlace);
        GetWindowRect(program.Control(kCommand1), &buttonPlace);
        const POINT button{(buttonPlace.left + buttonPlace.right) / 2, (buttonPlace.top + buttonPlace.bottom) / 2};
        ASSERT_FALSE(PtInRect(&dialogPlace, button)) << "the dialog covers \"Cauta Drive\"";
        program.ClickAt(button);

        ASSERT_NO_FATAL_FAILURE(way.close(dialog));
        ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog) && IsWindowEnabled(program.Window()); }))
            << "the dialog did not close";
        EXPECT_EQ(program.Text(kLabel5), details) << "the click on the main window got through";
        EXPECT_EQ(program.Lines(kList1), ExpectedDriveLines());
    }
}

TEST_P(InputTest, AltF4EndsTheProgramWhileDetailsShow)
{
    ASSERT_NO_FATAL_FAILURE(Search());
    ASSERT_NO_FATAL_FAILURE(ShowDetailsByClick(kLabelledDrive));
    program.Key(VK_F4, {VK_MENU});
    DWORD exitCode = 1;
    ASSERT_TRUE(program.WaitForExit(5000, exitCode)) << "the program did not end";
    EXPECT_EQ(exitCode, 0u);
}

TEST_P(InputTest, CloseBoxEndsTheProgramWhileACdDriveShows)
{
    ASSERT_NO_FATAL_FAILURE(Search());
    ASSERT_NO_FATAL_FAILURE(ShowDetailsByClick(kCdDrive));
    POINT closeBox{};
    ASSERT_TRUE(CloseBoxOf(program.Window(), closeBox));
    program.ClickAt(closeBox);
    DWORD exitCode = 1;
    ASSERT_TRUE(program.WaitForExit(5000, exitCode)) << "the program did not end";
    EXPECT_EQ(exitCode, 0u);
}

INSTANTIATE_TEST_SUITE_P(Builds, InputTest, testing::Values(&kTarvolo, &kTarvolo9x),
                         [](const testing::TestParamInfo<const BuildDifferences*>& info) {
                             std::string name;
                             for (const wchar_t* c = info.param->programName; *c; ++c)
                                 name += static_cast<char>(*c);
                             return name;
                         });

}  // namespace
