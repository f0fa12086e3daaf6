// A drive that answers slowly, or not at all, never freezes the program: the
// test prefix's network drive (tests/equipment/slow_drive) is made dead, slow or
// healthy while the real program runs, and the window is asked, all along,
// whether it still answers.

#include "program_input.h"
#include "slow_drive/slow_drive.h"
#include "window_text.h"

#include <regex>

namespace {

const std::wstring kNotAccessible = L"Drive-ul nu este accesibil";

// Every test starts with Enter, which lists the drives.
class Waiting : public InputTest {
protected:
    void SetUp() override
    {
        const std::string missing = NotMountedReason({kSlowDrive});
        ASSERT_TRUE(missing.empty()) << "no slow drive " << char(kSlowDrive) << " in the test prefix: " << missing;
        ASSERT_NO_FATAL_FAILURE(InputTest::SetUp());
        ASSERT_TRUE(Search()) << "the search listed too few drives";
    }

    // A click on the slow drive's line after one on a healthy drive, so that
    // it is a new selection. The healthy drive is one whose details are not
    // on show, so that its details tell when its click has ended. On a busy
    // machine a call of the handler before may take long enough for the
    // program to drop that click, as it drops all input during a long wait:
    // it is then made again.
    void ClickSlowDrive()
    {
        const wchar_t healthy = Details().starts_with(L"E\n") ? L'C' : kLabelledDrive;
        for (int attempt = 0; attempt < 3; ++attempt) {
            ClickLine(healthy);
            if (WaitForDetailsOf(healthy, 2000)) {
                ClickLine(kSlowDrive);
                return;
            }
        }
        FAIL() << "three clicks on drive " << char(healthy) << " showed nothing";
    }

    // Milliseconds until a search, pressed after a click on a drive, has
    // listed every drive: the click's line is no longer selected, its
    // details are gone, and every line is back.
    ULONGLONG TimedSearch()
    {
        EXPECT_TRUE(Show(kLabelledDrive));
        ClickAt(Centre(Control(kSearchButton)));
        return AnsweringUntil([&] {
            return SendMessageW(Control(kDriveList), LB_GETCURSEL, 0, 0) == LB_ERR && Details().empty() &&
                   LineCount() == kTestDrives.size();
        });
    }

    std::wstring SlowDriveLine() const { return ListItemText(Control(kDriveList), LineOf(kSlowDrive)); }

    // Milliseconds until the program's message box shows, and its text.
    std::pair<ULONGLONG, std::wstring> WaitForMessage()
    {
        const ULONGLONG after = AnsweringUntil([&] { return MessageBoxShown(); });
        return {after, MessageBoxShown() ? AnswerMessageBox() : L""};
    }

    SlowDrive slow;
};

TEST_P(Waiting, DriveGoneSinceTheSearchIsNotAccessible)
{
    const auto ramDisk = TestDrivesFolder(L"ramdisk");
    std::filesystem::remove(ramDisk);
    ClickLine(L'R');
    EXPECT_EQ(WaitForMessage().second, kNotAccessible);
    std::filesystem::create_directory(ramDisk);
}

// Listed as of unknown type once its call has not answered in 10 s; a
// search after it does not wait for that drive again, and a click on it
// finds it not accessible at once. Once it answers again, a search lists its
// own type (searches go on until its held call has answered), and a click
// shows its details.
TEST_P(Waiting, DeadDriveIsWaitedForOnceAndListedAsOfUnknownType)
{
    slow.Die();
    const ULONGLONG first = TimedSearch();
    EXPECT_GE(first, 9000u);
    EXPECT_LT(first, 11000u);
    EXPECT_FALSE(MessageBoxShown());
    EXPECT_EQ(SlowDriveLine(), L"Drive N: Tip necunoscut");
    EXPECT_LT(TimedSearch(), 3000u) << "a second search";
    EXPECT_EQ(SlowDriveLine(), L"Drive N: Tip necunoscut");
    ClickLine(kSlowDrive);
    const auto [shown, text] = WaitForMessage();
    EXPECT_LT(shown, 3000u) << "a click on a drive whose call is held";
    EXPECT_EQ(text, kNotAccessible);

    slow.Answer(0);
    for (const ULONGLONG end = GetTickCount64() + 5000; SlowDriveLine() != L"Drive N: Disc Remote";) {
        ASSERT_LT(GetTickCount64(), end) << "the drive's held call never answered";
        TimedSearch();
    }
    ASSERT_NO_FATAL_FAILURE(ClickSlowDrive());
    EXPECT_TRUE(WaitForDetailsOf(kSlowDrive)) << "the drive that answers again shows no details";
}

TEST_P(Waiting, SlowDriveThatAnswersIsShownAsItIs)
{
    slow.Answer(1);
    ASSERT_NO_FATAL_FAILURE(ClickSlowDrive());
    AnsweringUntil([&] { return Details().starts_with(L"N\n") || MessageBoxShown(); }, 40000);
    EXPECT_FALSE(MessageBoxShown());
    EXPECT_TRUE(std::regex_match(Details(), std::wregex(L"N\n50 MB\nNTFS\n[0-9]+\n100 MB\n")))
        << testing::PrintToString(Details());
}

// Every way of closing the window while a click's call waits on a dead
// drive ends the program at once, with no message and status 0. The close
// comes once the drive holds the call: sent and posted messages would
// otherwise come before the click. It comes after the wait cursor's 0.3 s,
// when the program drops all other input; later is as good.
class ClosingWhileWaiting : public Waiting {
protected:
    // A click on the dead drive, whose call the drive then holds.
    void ClickDeadDrive()
    {
        slow.Die();
        ASSERT_NO_FATAL_FAILURE(ClickSlowDrive());
        ASSERT_TRUE(WaitFor([&] { return slow.Holds(); })) << "the dead drive never held the click's call";
    }

    void ExpectEndsAtOnce(const std::function<void()>& close)
    {
        ASSERT_NO_FATAL_FAILURE(ClickDeadDrive());
        Sleep(400);
        close();
        EXPECT_EQ(WaitForSingleObject(program.info.hProcess, 3000), WAIT_OBJECT_0) << "still running after 3 s";
        EXPECT_FALSE(MessageBoxShown());
        EXPECT_EQ(program.ExitCode(), 0u);
    }
};

TEST_P(ClosingWhileWaiting, CloseBox)
{
    ExpectEndsAtOnce([&] { ClickAt(CloseBoxOf(main)); });
}

TEST_P(ClosingWhileWaiting, AltF4)
{
    ExpectEndsAtOnce([&] { Key(VK_F4, VK_MENU); });
}

// The window menu takes no input during the wait: its Close comes from the
// taskbar's window menu, which posts the command.
TEST_P(ClosingWhileWaiting, SystemMenuClose)
{
    ExpectEndsAtOnce([&] { PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0); });
}

TEST_P(ClosingWhileWaiting, CloseSentByAnotherProgram)
{
    ExpectEndsAtOnce([&] { EXPECT_TRUE(Answers(WM_CLOSE, 2000)) << "the close was not answered"; });
}

TEST_P(ClosingWhileWaiting, ClosePostedByAnotherProgram)
{
    ExpectEndsAtOnce([&] { PostMessageW(main, WM_CLOSE, 0, 0); });
}

// Esc gives up on a click's call as on a search's: the drive is not
// accessible, and the program goes on.
TEST_P(ClosingWhileWaiting, EscGivesUpOnTheClickWithoutClosing)
{
    ASSERT_NO_FATAL_FAILURE(ClickDeadDrive());
    Key(VK_ESCAPE);
    const auto [shown, text] = WaitForMessage();
    EXPECT_LT(shown, 5000u) << "Esc did not give up on the drive";
    EXPECT_EQ(text, kNotAccessible);
    EXPECT_EQ(WaitForSingleObject(program.info.hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "the program ended";
}

INSTANTIATE_TEST_SUITE_P(Builds, ClosingWhileWaiting, kBothBuilds, BuildName);

// Esc gives up on a drive that does not answer during a search as its 10 s
// would: the drive is listed as of unknown type and the search goes on.
TEST_P(Waiting, EscGivesUpOnADeadDriveAndTheSearchGoesOn)
{
    slow.Die();
    ClickAt(Centre(Control(kSearchButton)));
    // Every drive before it listed: the search waits for the dead drive.
    ASSERT_TRUE(WaitFor([&] { return LineCount() == static_cast<size_t>(LineOf(kSlowDrive)); }))
        << "the search did not reach the dead drive";
    Key(VK_ESCAPE);
    const ULONGLONG took = AnsweringUntil([&] { return LineCount() == kTestDrives.size() || MessageBoxShown(); });
    EXPECT_LT(took, 5000u) << "Esc did not give up on the drive";
    EXPECT_FALSE(MessageBoxShown());
    EXPECT_EQ(LineCount(), kTestDrives.size());
    EXPECT_EQ(SlowDriveLine(), L"Drive N: Tip necunoscut");
}

INSTANTIATE_TEST_SUITE_P(Builds, Waiting, kBothBuilds, BuildName);

}  // namespace
