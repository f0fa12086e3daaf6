// Both programs driven from outside as a person would: mouse clicks and key
// presses go through the platform's input queue, and what a program shows is
// read back from its windows. These prove the input reaches the drive
// browser and the About dialog, once, that the program shows what the
// platform's drive service reports, and that a program that cannot start
// says why.

#include "program_input.h"
#include "dpi.h"

#include <fstream>
#include <map>
#include <regex>

namespace {

TEST_P(InputTest, CautaDriveByEveryKeyEveryDriveByTheArrowKeysThenTheCloseBox)
{
    // The details of the prefix's own drives as the program reads them: E is
    // labelled and has a serial number of its own; T, U and V hold 2.5, 3.5
    // and 0.5 MB, which round to the even neighbour, and have no volume name.
    // Where the machine refused to mount those sizes, any size will do.
    const std::string missing = ExactSizesMissingReason();
    const auto mb = [&](const wchar_t* size) { return (missing.empty() ? size : L"[0-9]+") + std::wstring(L" MB"); };
    const std::map<wchar_t, std::wstring> details = {
        {L'E', L"E\n" + mb(L"19077") + L"\nNTFS\n-913\n" + mb(L"19077") + L"\nSISTEM"},
        {L'T', L"T\n" + mb(L"2") + L"\nNTFS\n[0-9]+\n" + mb(L"2") + L"\n"},
        {L'U', L"U\n" + mb(L"4") + L"\nNTFS\n[0-9]+\n" + mb(L"4") + L"\n"},
        {L'V', L"V\n" + mb(L"0") + L"\nNTFS\n[0-9]+\n" + mb(L"0") + L"\n"},
    };

    // Enter on "Cauta Drive", which has the focus at start: every drive of
    // the prefix with its type, in letter order. From the first line on,
    // Down shows each drive, the CD-ROM drive with its tracks too.
    EXPECT_EQ(LineCount(), 0u);
    ASSERT_NO_FATAL_FAILURE(SearchAndShow(kTestDrives.front()));
    EXPECT_EQ(ListLines(Control(kDriveList)),
              (Lines{L"Drive A: Drive removabil", L"Drive C: Disc Fix", L"Drive D: CDROM", L"Drive E: Disc Fix",
                     L"Drive N: Disc Remote", L"Drive R: Disc RAM", L"Drive T: Disc Fix", L"Drive U: Disc Fix",
                     L"Drive V: Disc Fix", L"Drive X: CDROM", L"Drive Z: Disc Fix"}));
    const int notReady = LineOf(kNotReadyDrive);
    for (int line = 1; line < notReady; ++line) {
        const wchar_t letter = kTestDrives[line];
        Key(VK_DOWN);
        ASSERT_TRUE(WaitForDetailsOf(letter)) << "Down did not show line " << line;
        if (const auto expected = details.find(letter); expected != details.end()) {
            EXPECT_TRUE(std::regex_match(Text(Control(kDetailValues)), std::wregex(expected->second)))
                << char(letter) << ": " << testing::PrintToString(Text(Control(kDetailValues)));
        }
    }

    // The drive that is not ready: one message box over the main window, and
    // the drive shown before stays.
    Key(VK_DOWN);
    ASSERT_EQ(GetWindow(program.WaitForOneWindow(L"#32770"), GW_OWNER), main) << "no message box over the main window";
    EXPECT_EQ(AnswerMessageBox(), L"Drive-ul nu este accesibil");
    ASSERT_TRUE(WaitForDetailsOf(kTestDrives[notReady - 1]));

    // A click on the line already selected runs nothing: the Down after it
    // reaches the next drive, which a second message box would have held up.
    ClickLine(kNotReadyDrive);
    Key(VK_DOWN);
    ASSERT_TRUE(WaitForDetailsOf(kTestDrives[notReady + 1])) << "re-clicking the selected line ran something";

    // Tab goes round in tab order; Space and a click press "Cauta Drive" too,
    // each emptying the details and filling the list anew, never doubled.
    for (const int id : {kTrackList, kAboutButton, kSearchButton}) {
        Key(VK_TAB);
        ASSERT_TRUE(WaitForFocusOn(Control(id))) << "Tab towards control " << id << " went astray";
    }
    Key(VK_SPACE);
    ASSERT_TRUE(WaitFor([&] { return Text(Control(kDetailValues)).empty(); })) << "Space did not press \"Cauta Drive\"";
    EXPECT_EQ(LineCount(), kTestDrives.size());
    ClickLine(kLabelledDrive);
    ASSERT_TRUE(WaitForDetailsOf(kLabelledDrive));
    ClickAt(Centre(Control(kSearchButton)));
    ASSERT_TRUE(WaitFor([&] { return Text(Control(kDetailValues)).empty(); }))
        << "a click did not press \"Cauta Drive\"";
    EXPECT_EQ(LineCount(), kTestDrives.size());

    ClickAt(CloseBoxOf(main));
    EXPECT_EQ(program.ExitCode(), 0u) << "the close box did not end the program";
    if (!missing.empty())
        GTEST_SKIP() << "drive sizes not checked: " << missing;
}

// The About dialog's texts, and its client area and controls at their stored
// places for the program's DPI. The controls stand in tab order: OK, the
// icon, the disclaimer, the title line, the two separator lines.
void ExpectAboutDialogAt(HWND dialog, const BuildDifferences& build, UINT dpi)
{
    EXPECT_EQ(Text(dialog), L"Despre Tarvolo");
    std::vector<std::pair<HWND, RECT>> controls;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT& place = controls.emplace_back(child, RECT{}).second;
        GetWindowRect(child, &place);
        MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&place), 2);
    }
    ASSERT_EQ(controls.size(), 6u);
    EXPECT_EQ(Text(controls[3].first), L"Tarvolo versiunea 1.0");
    EXPECT_EQ(Text(controls[2].first), L"Acest program are rol educativ si serveste la dotarea Vevarezuvu vi "
                                       L"Zuzaziduzov ed Ovavederovareza din cadrul Universitatii Brandavel.");
    const auto expectAt = [dpi](const RECT& actual, const TwipRect& stored) {
        const RECT expected = TwipsToPixels(stored, dpi);
        EXPECT_TRUE(EqualRect(&actual, &expected))
            << actual.left << "," << actual.top << " " << actual.right << "," << actual.bottom;
    };
    RECT client{};
    GetClientRect(dialog, &client);
    expectAt(client, {0, 0, build.aboutClientArea.width, build.aboutClientArea.height});
    expectAt(controls[0].second, {360, 2760, 1260, 345});
    expectAt(controls[2].second, {960, 1440, 3876, 828});
    expectAt(controls[3].second, {1080, 600, 3888, 480});
    // The picture box fits the 32 x 32 icon inside its border.
    const int icon = MulDiv(32, static_cast<int>(dpi), 96);
    GetClientRect(controls[1].first, &client);
    EXPECT_EQ(controls[1].second.left, TwipsToPixels(240, dpi));
    EXPECT_EQ(controls[1].second.top, TwipsToPixels(600, dpi));
    EXPECT_EQ(client.right, icon);
    EXPECT_EQ(client.bottom, icon);
}

// Every opening of the dialog is built anew, with its texts and layout.
TEST_P(InputTest, AboutDialogClosesEveryWayAndHoldsOffClicksMeanwhile)
{
    ASSERT_NO_FATAL_FAILURE(SearchAndShow(kLabelledDrive));
    const struct {
        const char* name;
        std::function<void(HWND dialog)> close;
    } ways[] = {
        {"a click on OK", [&](HWND dialog) { ClickAt(Centre(GetDlgItem(dialog, IDOK))); }},
        {"Enter", [&](HWND) { Key(VK_RETURN); }},
        {"Esc", [&](HWND) { Key(VK_ESCAPE); }},
        {"a click on the close box", [&](HWND dialog) { ClickAt(CloseBoxOf(dialog)); }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.name);
        ClickAt(Centre(Control(kAboutButton)));
        const HWND dialog = program.WaitForOneWindow(kAboutDialogClass);
        ASSERT_TRUE(dialog) << "\"Despre program\" did not open the dialog";
        ASSERT_TRUE(WaitForFocusOn(GetDlgItem(dialog, IDOK)));
        ExpectAboutDialogAt(dialog, *GetParam(), WindowDpi(main));

        // "Cauta Drive", outside the dialog, would empty the details.
        RECT dialogPlace{};
        GetWindowRect(dialog, &dialogPlace);
        ASSERT_FALSE(PtInRect(&dialogPlace, Centre(Control(kSearchButton)))) << "the dialog covers \"Cauta Drive\"";
        ClickAt(Centre(Control(kSearchButton)));

        // A second request to open it, which only code can make, changes nothing.
        PostMessageW(main, WM_COMMAND, MAKEWPARAM(kAboutButton, BN_CLICKED),
                     reinterpret_cast<LPARAM>(Control(kAboutButton)));
        EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == dialog; }));
        EXPECT_EQ(program.WaitForOneWindow(kAboutDialogClass), dialog);
        EXPECT_FALSE(IsWindowEnabled(main));
        EXPECT_FALSE(program.WaitForOneWindow(L"#32770", 300)) << "a second opening showed a message";

        ASSERT_NO_FATAL_FAILURE(way.close(dialog));
        ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog) && IsWindowEnabled(main); })) << "the dialog stayed";
        EXPECT_TRUE(WaitForDetailsOf(kLabelledDrive)) << "the click on the main window got through";
    }
}

INSTANTIATE_TEST_SUITE_P(Builds, InputTest, kBothBuilds, BuildName);

// The programs of a signed package load their signed CD control, whose
// digest without signature is that of the control they were built with.
class SignedPackage : public InputTest {
protected:
    std::filesystem::path ProgramFolder() const override { return SignedPackageFolder(); }
};

TEST_P(SignedPackage, LoadsItsSignedControlAndListsADisc)
{
    ASSERT_NO_FATAL_FAILURE(SearchAndShow(L'D'));
    EXPECT_TRUE(WaitFor([&] {
        return ListLines(Control(kTrackList)) == Lines{L"Track 1\t\t 4:05", L"Track 2\t\t 3:57", L"Track 3\t\t 3:56"};
    })) << testing::PrintToString(ListLines(Control(kTrackList)));
    ClickAt(CloseBoxOf(main));
    EXPECT_EQ(program.ExitCode(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Builds, SignedPackage, kBothBuilds, BuildName);

// A file that is to be Divazid.dll beside a program in a folder of its own,
// made from what the test has at hand.
struct ControlFile {
    const char* what;
    std::function<void(const std::filesystem::path& file)> make;
    const wchar_t* says;  // what the message says of the file
};

void CopyPart(const std::filesystem::path& from, const std::filesystem::path& to, std::uintmax_t bytes)
{
    std::ifstream in(from, std::ios::binary);
    std::vector<char> part(static_cast<size_t>(bytes));
    in.read(part.data(), static_cast<std::streamsize>(part.size()));
    std::ofstream(to, std::ios::binary).write(part.data(), in.gcount());
}

// The control of the other architecture's build, beside this build's folder.
std::filesystem::path OtherArchitecturesControl()
{
    const wchar_t* path = _wgetenv(L"TARVOLO_OTHER_ARCH_CONTROL");
    return path ? std::filesystem::path(L"Z:" + std::wstring(path)) : std::filesystem::path();
}

// Started beside a file that is not the CD control it was built with, or
// without one (while a working one is in the current folder and on PATH),
// each program says so in a message box that names the file and stays
// until it is closed, and ends with 1. None of the file's code runs.
TEST(StartupFailure, EachProgramRefusesAControlItWasNotBuiltWith)
{
    const auto folder = std::filesystem::temp_directory_path() / ("tarvolo-" + std::to_string(GetCurrentProcessId()));
    const auto elsewhere = folder / "elsewhere";
    std::filesystem::create_directories(elsewhere);
    const auto control = ThisProgramsFolder() / "Divazid.dll";
    std::filesystem::copy_file(control, elsewhere / "Divazid.dll");
    // The test program keeps that PATH: the programs started later load their
    // control by its full path too.
    SetEnvironmentVariableW(L"PATH", (elsewhere.wstring() + L";" + _wgetenv(L"PATH")).c_str());
    const std::filesystem::path otherArchitecture = OtherArchitecturesControl();
    constexpr wchar_t kMissing[] = L" lipseste";
    constexpr wchar_t kNotOurs[] = L" nu este controlul CD livrat cu acest program.";
    const auto write = [](const char* text) {
        return [text](const std::filesystem::path& file) { std::ofstream(file, std::ios::binary) << text; };
    };
    std::vector<ControlFile> files = {
        {"none", [](const std::filesystem::path&) {}, kMissing},
        {"a planted DLL", [](const std::filesystem::path& file) { Plant(file); }, kNotOurs},
        {"a copy cut short",
         [&](const std::filesystem::path& file) { CopyPart(control, file, std::filesystem::file_size(control) / 2); },
         kNotOurs},
        {"an empty file", write(""), kNotOurs},
        {"a text file", write("Divazid.dll\r\n"), kNotOurs},
    };
    if (std::filesystem::exists(otherArchitecture))
        files.push_back(
            {"the other architecture's",
             [&](const std::filesystem::path& file) { std::filesystem::copy_file(otherArchitecture, file); },
             kNotOurs});
    for (const BuildDifferences* build : {&kTarvolo, &kTarvolo9x}) {
        const std::wstring name = std::wstring(build->programName) + L".exe";
        std::filesystem::copy_file(ThisProgramsFolder() / name, folder / name);
        const auto beside = folder / build->cdControlDll;
        for (const ControlFile& file : files) {
            SCOPED_TRACE(testing::Message() << build->programName << ", " << file.what);
            file.make(beside);
            Process started;
            ASSERT_TRUE(started.Start(folder / name, elsewhere.c_str()));
            const HWND box = started.WaitForOneWindow(L"#32770");
            ASSERT_TRUE(box) << "no message box";
            const std::wstring message = Text(GetDlgItem(box, 0xFFFF));
            EXPECT_NE(message.find(beside.wstring() + file.says), message.npos) << testing::PrintToString(message);
            Sleep(500);
            EXPECT_TRUE(IsWindowVisible(box)) << "the message closed by itself";
            PostMessageW(box, WM_COMMAND, IDOK, 0);
            EXPECT_EQ(started.ExitCode(), 1u);
            EXPECT_FALSE(std::filesystem::exists(RecordOf(beside))) << "the file's code ran";
            std::filesystem::remove(RecordOf(beside));
            std::filesystem::remove(beside);
        }
    }
    std::filesystem::remove_all(folder);
    if (!std::filesystem::exists(otherArchitecture))
        GTEST_SKIP() << "no control of the other architecture's build to try: " << otherArchitecture;
}

}  // namespace
