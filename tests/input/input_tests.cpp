// Both programs driven from outside as a person would: the keys, clicks and
// the close box reach the drive browser and the About dialog, once; the
// program shows what the platform's drive service reports; and a program
// that cannot start says why.

#include "program_input.h"
#include "crafted_control.h"
#include "dpi.h"

#include <psapi.h>

#include <fstream>
#include <map>
#include <optional>
#include <regex>

namespace {

TEST_P(InputTest, EnterOnTheSearchButtonListsEveryDriveWithItsType)
{
    EXPECT_EQ(LineCount(), 0u);
    ASSERT_TRUE(Search(VK_RETURN)) << "Enter listed no drives";
    EXPECT_EQ(ListItems(Control(kDriveList)),
              (Lines{L"Drive A: Drive removabil", L"Drive C: Disc Fix", L"Drive D: CDROM", L"Drive E: Disc Fix",
                     L"Drive N: Disc Remote", L"Drive R: Disc RAM", L"Drive T: Disc Fix", L"Drive U: Disc Fix",
                     L"Drive V: Disc Fix", L"Drive X: CDROM", L"Drive Z: Disc Fix"}));
}

// The details as the program reads them: E is labelled and has a serial
// number of its own; T, U and V hold 2.5, 3.5 and 0.5 MB, which round to the
// even neighbour, and have no volume name.
TEST_P(InputTest, DownShowsEachDriveInTurnWithItsDetails)
{
    const std::map<wchar_t, std::wstring> details = {
        {L'E', L"E\n" + SizePattern(L"19077") + L"\nNTFS\n-913\n" + SizePattern(L"19077") + L"\nSISTEM"},
        {L'T', L"T\n" + SizePattern(L"2") + L"\nNTFS\n[0-9]+\n" + SizePattern(L"2") + L"\n"},
        {L'U', L"U\n" + SizePattern(L"4") + L"\nNTFS\n[0-9]+\n" + SizePattern(L"4") + L"\n"},
        {L'V', L"V\n" + SizePattern(L"0") + L"\nNTFS\n[0-9]+\n" + SizePattern(L"0") + L"\n"},
    };
    ASSERT_TRUE(Search());
    ASSERT_TRUE(Show(kTestDrives.front()));
    for (int line = 1; line < LineOf(kNotReadyDrive); ++line) {
        const wchar_t letter = kTestDrives[line];
        Key(VK_DOWN);
        ASSERT_TRUE(WaitForDetailsOf(letter)) << "Down did not show line " << line;
        if (const auto expected = details.find(letter); expected != details.end()) {
            EXPECT_TRUE(std::regex_match(Details(), std::wregex(expected->second)))
                << char(letter) << ": " << testing::PrintToString(Details());
        }
    }
    SkipWhereSizesWereNotChecked();
}

// One message box over the main window; the drive shown before stays. A
// click on the line already selected then runs nothing: the Down after it
// reaches the next drive, which a second message box would have held up.
TEST_P(InputTest, NotReadyDriveSaysSoOnceAndWhatWasShownStays)
{
    const wchar_t before = kTestDrives[LineOf(kNotReadyDrive) - 1];
    ASSERT_TRUE(Search());
    ASSERT_TRUE(Show(before));
    Key(VK_DOWN);
    ASSERT_EQ(GetWindow(program.WaitForOneWindow(L"#32770"), GW_OWNER), main) << "no message box over the main window";
    EXPECT_EQ(AnswerMessageBox(), L"Drive-ul nu este accesibil");
    EXPECT_TRUE(WaitForDetailsOf(before));
    ClickLine(kNotReadyDrive);
    Key(VK_DOWN);
    EXPECT_TRUE(WaitForDetailsOf(kTestDrives[LineOf(kNotReadyDrive) + 1])) << "re-clicking the selected line ran";
}

// A close that another program asks for while a handler's message is up
// (the window itself takes no input then) comes once it is answered.
TEST_P(InputTest, CloseAskedForDuringAMessageComesAfterIt)
{
    ASSERT_TRUE(Search());
    ClickLine(kNotReadyDrive);
    ASSERT_TRUE(program.WaitForOneWindow(L"#32770"));
    Answers(WM_CLOSE, 5000);
    EXPECT_EQ(AnswerMessageBox(), L"Drive-ul nu este accesibil") << "the close took the message away";
    EXPECT_EQ(program.ExitCode(), 0u) << "the close asked for during the message never came";
}

// Tab goes round the controls that take the focus, in tab order; Space
// presses "Cauta Drive", which empties the details and lists every drive
// anew, never doubled.
TEST_P(InputTest, TabGoesRoundInTabOrderAndSpacePressesTheSearchButton)
{
    ASSERT_TRUE(Search());
    ASSERT_TRUE(Show(kLabelledDrive));
    for (const int id : {kTrackList, kAboutButton, kSearchButton}) {
        Key(VK_TAB);
        ASSERT_TRUE(WaitForFocusOn(Control(id))) << "Tab towards control " << id << " went astray";
    }
    Key(VK_SPACE);
    EXPECT_TRUE(WaitFor([&] { return Details().empty(); })) << "Space did not press \"Cauta Drive\"";
    EXPECT_EQ(LineCount(), kTestDrives.size());
}

// The About dialog's texts, and its client area and controls at their stored
// places for the program's DPI. The controls stand in tab order: OK, the
// icon, the disclaimer, the title line, the two separator lines.
void ExpectAboutDialogAt(HWND dialog, const BuildDifferences& build, UINT dpi)
{
    EXPECT_EQ(Text(dialog), L"Despre Tarvolo");
    std::vector<HWND> controls;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        controls.push_back(child);
    ASSERT_EQ(controls.size(), 6u);
    EXPECT_EQ(Text(controls[3]), L"Tarvolo versiunea 1.0");
    EXPECT_EQ(Text(controls[2]), L"Acest program are rol educativ si serveste la dotarea Vevarezuvu vi "
                                 L"Zuzaziduzov ed Ovavederovareza din cadrul Universitatii Brandavel.");
    const auto expectAt = [dpi](const RECT& actual, const TwipRect& stored) {
        const RECT expected = TwipsToPixels(stored, dpi);
        EXPECT_TRUE(EqualRect(&actual, &expected))
            << actual.left << "," << actual.top << " " << actual.right << "," << actual.bottom;
    };
    RECT client{};
    GetClientRect(dialog, &client);
    expectAt(client, {0, 0, build.aboutClientArea.width, build.aboutClientArea.height});
    expectAt(PlaceIn(controls[0], dialog), {360, 2760, 1260, 345});
    expectAt(PlaceIn(controls[2], dialog), {960, 1440, 3876, 828});
    expectAt(PlaceIn(controls[3], dialog), {1080, 600, 3888, 480});
    // The picture box fits the 32 x 32 icon inside its border.
    const RECT icon = PlaceIn(controls[1], dialog);
    EXPECT_EQ(icon.left, TwipsToPixels(240, dpi));
    EXPECT_EQ(icon.top, TwipsToPixels(600, dpi));
    GetClientRect(controls[1], &client);
    EXPECT_EQ(client.right, MulDiv(32, static_cast<int>(dpi), 96));
    EXPECT_EQ(client.bottom, MulDiv(32, static_cast<int>(dpi), 96));
}

// Every opening of the dialog is built anew, with its texts and layout.
TEST_P(InputTest, AboutDialogOpensAnewAndClosesEveryWay)
{
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
        ASSERT_NO_FATAL_FAILURE(way.close(dialog));
        ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog) && IsWindowEnabled(main); })) << "the dialog stayed";
    }
}

// A click on "Cauta Drive", outside the dialog, would empty the details; a
// second request to open it, which only code can make, brings it to the front.
TEST_P(InputTest, WhileTheAboutDialogIsOpenTheWindowTakesNoInput)
{
    ASSERT_TRUE(Search());
    ASSERT_TRUE(Show(kLabelledDrive));
    ClickAt(Centre(Control(kAboutButton)));
    const HWND dialog = program.WaitForOneWindow(kAboutDialogClass);
    ASSERT_TRUE(dialog) << "\"Despre program\" did not open the dialog";
    RECT dialogPlace = PlaceIn(dialog, HWND_DESKTOP);
    ASSERT_FALSE(PtInRect(&dialogPlace, Centre(Control(kSearchButton)))) << "the dialog covers \"Cauta Drive\"";
    ClickAt(Centre(Control(kSearchButton)));
    PostMessageW(main, WM_COMMAND, MAKEWPARAM(kAboutButton, BN_CLICKED),
                 reinterpret_cast<LPARAM>(Control(kAboutButton)));
    EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == dialog; }));
    EXPECT_EQ(program.WaitForOneWindow(kAboutDialogClass), dialog);
    EXPECT_FALSE(IsWindowEnabled(main));
    EXPECT_FALSE(program.WaitForOneWindow(L"#32770", 300)) << "a second opening showed a message";
    Key(VK_ESCAPE);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog) && IsWindowEnabled(main); })) << "the dialog stayed";
    EXPECT_TRUE(WaitForDetailsOf(kLabelledDrive)) << "the click on the main window got through";
}

INSTANTIATE_TEST_SUITE_P(Builds, InputTest, kBothBuilds, BuildName);

// The programs of a signed package load their signed CD control, whose
// digest without signature is that of the control they were built with.
class SignedPackage : public InputTest {
protected:
    std::filesystem::path ProgramFolder() const override { return kSignedPackageFolder; }
};

TEST_P(SignedPackage, LoadsItsSignedControlAndListsADisc)
{
    ASSERT_TRUE(Search());
    ASSERT_TRUE(Show(L'D'));
    EXPECT_TRUE(WaitFor([&] {
        return Tracks() == Lines{L"Track 1\t\t 4:05", L"Track 2\t\t 3:57", L"Track 3\t\t 3:56"};
    })) << testing::PrintToString(Tracks());
    ClickAt(CloseBoxOf(main));
    EXPECT_EQ(program.ExitCode(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Builds, SignedPackage, kBothBuilds, BuildName);

// A file that is to be Divazid.dll beside a program in a folder of its own.
struct ControlFile {
    const char* what;
    std::optional<std::string> content;  // none: no file
    const wchar_t* says;                 // what the message says of the file
};

std::string Bytes(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Started beside a file that is not the CD control it was built with, or
// without one (while a working one is in the current folder and on PATH),
// each program says so in a message box that names the file and stays
// until it is closed, and ends with 1. None of the file's code runs.
TEST(StartupFailure, EachProgramRefusesAControlItWasNotBuiltWith)
{
    const auto folder = std::filesystem::temp_directory_path() / ("tarvolo-" + std::to_string(GetCurrentProcessId()));
    const auto elsewhere = folder / "elsewhere";
    // Wine gives out process identifiers again: a folder may be left from an
    // earlier run, with a file where this test wants none.
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(elsewhere);
    const std::string control = Bytes(ThisProgramsFolder() / "Divazid.dll");
    std::ofstream(elsewhere / "Divazid.dll", std::ios::binary) << control;
    // The test program keeps that PATH: the programs started later load their
    // control by its full path too.
    SetEnvironmentVariableW(L"PATH", (elsewhere.wstring() + L";" + _wgetenv(L"PATH")).c_str());
    // The control of the other architecture's build, beside this build's folder.
    const std::filesystem::path otherArchitecture = MachinePath(L"TARVOLO_OTHER_ARCH_CONTROL");
    constexpr wchar_t kNotOurs[] = L" nu este controlul CD livrat cu acest program.";
    std::vector<ControlFile> files = {
        {"none", std::nullopt, L" lipseste"},
        {"a planted DLL", Bytes(ThePlant()), kNotOurs},
        {"a copy cut short", control.substr(0, control.size() / 2), kNotOurs},
        {"an empty file", "", kNotOurs},
        {"a text file", "Divazid.dll\r\n", kNotOurs},
    };
    if (std::filesystem::exists(otherArchitecture))
        files.push_back({"the other architecture's", Bytes(otherArchitecture), kNotOurs});
    for (const BuildDifferences* build : {&kTarvolo, &kTarvolo9x}) {
        const std::wstring name = std::wstring(build->programName) + L".exe";
        std::filesystem::copy_file(ThisProgramsFolder() / name, folder / name);
        const auto beside = folder / build->cdControlDll;
        for (const ControlFile& file : files) {
            SCOPED_TRACE(testing::Message() << build->programName << ", " << file.what);
            if (file.content)
                std::ofstream(beside, std::ios::binary) << *file.content;
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

// The names of the modules a process has loaded, without their folders.
std::vector<std::wstring> ModulesOf(HANDLE process)
{
    HMODULE modules[512];
    DWORD size = 0;
    std::vector<std::wstring> names;
    if (!K32EnumProcessModules(process, modules, sizeof modules, &size))
        return {L"(the modules could not be read)"};
    for (DWORD i = 0; i < std::min<DWORD>(size / sizeof(HMODULE), std::size(modules)); ++i) {
        wchar_t name[MAX_PATH];
        if (K32GetModuleBaseNameW(process, modules[i], name, MAX_PATH))
            names.emplace_back(name);
    }
    return names;
}

// Started beside a copy of its CD control made by an attacker from the
// control built with it (crafted_control.h), each program says in its box
// that the file is not its control, and ends with 1. The control is not
// among its modules while the box is up, and none of the file's code ran:
// its inserted code is int3, whose breakpoint would end the program before
// its box, or, caught by the loader as Wine's catches it, be the status the
// box gives.
TEST(StartupFailure, EachProgramRefusesACraftedCopyOfItsControl)
{
    const auto folder = std::filesystem::temp_directory_path() /
                        ("tarvolo-crafted-" + std::to_string(GetCurrentProcessId()));
    std::filesystem::remove_all(folder);
    const std::string control = Bytes(ThisProgramsFolder() / "Divazid.dll");
    const std::vector<CraftedControl> crafted = CraftedControls(ImageBytes(control.begin(), control.end()));
    constexpr wchar_t kNotOurs[] = L" nu este controlul CD livrat cu acest program.";
    for (const BuildDifferences* build : {&kTarvolo, &kTarvolo9x}) {
        const std::wstring name = std::wstring(build->programName) + L".exe";
        for (const CraftedControl& file : crafted) {
            SCOPED_TRACE(testing::Message() << build->programName << ", " << file.name << ": " << file.what);
            // A folder for each, so that a program that did load its file
            // holds none that another start needs.
            const auto programFolder = folder / (name + L"-" + std::wstring(file.name.begin(), file.name.end()));
            std::filesystem::create_directories(programFolder);
            std::filesystem::copy_file(ThisProgramsFolder() / name, programFolder / name);
            const auto beside = programFolder / build->cdControlDll;
            std::ofstream(beside, std::ios::binary)
                .write(reinterpret_cast<const char*>(file.bytes.data()), static_cast<std::streamsize>(file.bytes.size()));
            Process started;
            ASSERT_TRUE(started.Start(programFolder / name, programFolder.c_str()));
            const HWND box = started.WaitForOneWindow(L"#32770");
            const std::vector<std::wstring> modules = ModulesOf(started.info.hProcess);
            EXPECT_TRUE(box) << "no message box; the program's state: " << std::hex << started.ExitCode();
            if (!box)
                continue;
            const std::wstring message = Text(GetDlgItem(box, 0xFFFF));
            EXPECT_NE(message.find(beside.wstring() + kNotOurs), message.npos) << testing::PrintToString(message);
            EXPECT_EQ(message.find(L"0x80000003"), message.npos) << "a breakpoint: the file's code ran";
            const auto loaded = [&](const std::wstring& wanted) {
                return std::ranges::any_of(
                    modules, [&](const std::wstring& module) { return _wcsicmp(module.c_str(), wanted.c_str()) == 0; });
            };
            EXPECT_TRUE(loaded(name)) << "the program's modules were not read: " << testing::PrintToString(modules);
            EXPECT_FALSE(loaded(build->cdControlDll)) << "the control is loaded";
            PostMessageW(box, WM_COMMAND, IDOK, 0);
            EXPECT_EQ(started.ExitCode(), 1u);
        }
    }
    std::error_code left;  // a program that loaded its file may hold it a moment longer
    std::filesystem::remove_all(folder, left);
}

}  // namespace
