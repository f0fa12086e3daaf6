// The drive browser's handlers: the drive search, a drive's details with its
// CD's tracks, and the About dialog; and how they report a failed call.

#include "main_window.h"

#include "about_dialog.h"
#include "drive_text.h"
#include "failure_report.h"
#include "status.h"
#include "texts.h"
#include "window_text.h"

#include <windowsx.h>

#include <climits>

HRESULT MainWindow::Form_Load()
{
    label1AutoSize_ = true;
    SizeLabelToText(label1, build_.label1WordWrap);
    if (!SetWindowTextW(command1, texts::kCommand1))
        return LastError();
    EnableWindow(list1, TRUE);
    ShowWindow(list2, SW_SHOW);
    return S_OK;
}

// The drive search: lists every drive of the machine, one line each.
void MainWindow::Command1_Click()
{
    SearchDrives();
    drives = nullptr;
    currentDrive = nullptr;
}

bool MainWindow::SearchDrives()
{
    if (build_.searchClearsDetailsFirst && (!SetCdControlVisible(false) || !ClearDetails()))
        return false;
    if (!EnsureFso() || !CheckSearchCall(fso->Drives(drives), texts::kDrivesFailed))
        return false;
    EnableWindow(list1, TRUE);
    ListBox_ResetContent(list1);
    list1Index_ = -1;
    ListBox_ResetContent(list2);
    if (!build_.searchClearsDetailsFirst && (!ClearDetails() || !SetCdControlVisible(false)))
        return false;
    return AddDriveLines();
}

bool MainWindow::AddDriveLines()
{
    for (;;) {
        const HRESULT hr = drives->Next(currentDrive);
        if (!CheckSearchCall(hr, texts::kDrivesFailed))
            return false;
        if (hr == S_FALSE)
            return true;
        std::wstring letter;
        if (!CheckSearchCall(currentDrive->DriveLetter(letter), texts::kDriveLetterFailed))
            return false;
        // A drive that does not answer, or is gone, costs its own line, not
        // the rest of the list.
        long typeCode = 0;
        if (const HRESULT hr = currentDrive->DriveType(typeCode); IsNotAccessible(hr))
            typeCode = kUnknownDriveType;
        else if (!CheckSearchCall(hr, texts::kDriveTypeFailed))
            return false;
        if (!AddListItem(list1, DriveLine(letter, typeCode), texts::kAddDriveFailed))
            return false;
    }
}

// The drive details: a click on a line of the drive list.
void MainWindow::List1_Click()
{
    ShowSelectedDrive();
    currentDrive = nullptr;
}

bool MainWindow::ShowSelectedDrive()
{
    const int index = ListBox_GetCurSel(list1);
    if (index < 0)
        return false;
    const std::wstring letter = LetterOfDriveLine(ListItemText(list1, index));
    if (!EnsureFso() || !CheckDriveCall(fso->GetDrive(letter, currentDrive), texts::kGetDriveFailed))
        return false;
    const std::shared_ptr<Drive> drive = currentDrive;  // the working reference
    bool ready = false;
    if (!CheckDriveCall(drive->IsReady(ready), texts::kReadyFailed))
        return false;
    if (!ready) {
        parts_.messageBox(hwnd_, texts::kNotReady, applicationTitle_, MB_OK);
        return true;
    }
    return ShowTracks(letter) && ShowDetails(*drive);
}

// The CD steps: for a CD-ROM drive, its disc's tracks in the track list and
// the CD control shown; for any other drive, neither.
bool MainWindow::ShowTracks(const std::wstring& letter)
{
    long typeCode = 0;
    if (!CheckDriveCall(currentDrive->DriveType(typeCode), texts::kDriveTypeFailed))
        return false;
    if (typeCode != kCdRomDriveType && !SetCdControlVisible(false))
        return false;
    if (!CheckDriveCall(currentDrive->DriveType(typeCode), texts::kDriveTypeFailed))
        return false;
    if (typeCode == kCdRomDriveType) {
        if (!ListTracks(letter))
            return false;
    } else {
        ListBox_ResetContent(list2);
    }
    if (trackCount <= 1) {
        ShowWindow(list2, SW_SHOW);
        ListBox_ResetContent(list2);
        return SetCdControlVisible(false);
    }
    return true;
}

bool MainWindow::ListTracks(const std::wstring& letter)
{
    // The list is emptied first, so that listing a disc again never shows
    // its tracks twice.
    ListBox_ResetContent(list2);
    short count = 0;
    if (!Check(ctlCD->SetDrive(letter), texts::kCdDriveFailed) ||
        !Check(ctlCD->TrackCount(count), texts::kTrackCountFailed))
        return false;
    trackCount = count;
    const short bound = trackCount;
    for (trackNo = 1; trackNo <= bound; ++trackNo) {
        ShowWindow(list2, SW_SHOW);
        if (!SetCdControlVisible(true))
            return false;
        const std::wstring number = SignedDecimal(trackNo);
        short seconds = 0;
        if (!Check(ctlCD->TrackLength(trackNo, seconds), texts::kTrackLengthFailed) ||
            !AddListItem(list2, TrackLine(number, seconds), texts::kAddTrackFailed))
            return false;
        // The 16-bit counter stops at its largest value instead of wrapping.
        if (trackNo == SHRT_MAX)
            break;
    }
    return true;
}

bool MainWindow::ShowDetails(Drive& drive)
{
    DriveDetails details;
    if (!CheckDriveCall(drive.DriveLetter(details.letter), texts::kDetailsFailed) ||
        !CheckDriveCall(drive.FreeSpace(details.freeBytes), texts::kDetailsFailed) ||
        !CheckDriveCall(drive.FileSystem(details.fileSystem), texts::kDetailsFailed) ||
        !CheckDriveCall(drive.SerialNumber(details.serialNumber), texts::kDetailsFailed) ||
        !CheckDriveCall(drive.TotalSize(details.totalBytes), texts::kDetailsFailed) ||
        !CheckDriveCall(drive.VolumeName(details.volumeName), texts::kDetailsFailed))
        return false;
    return SetLabelText(label1, DetailsCaptions()) && SetLabelText(label5, DetailsValues(details));
}

void MainWindow::Command2_Click()
{
    if (!frmDespre)
        frmDespre = std::make_unique<AboutDialog>(build_);
    Check(frmDespre->ShowModal(hwnd_), texts::kAboutFailed);
}

bool MainWindow::ClearDetails()
{
    return SetLabelText(label1, L"") && SetLabelText(label5, L"");
}

bool MainWindow::SetCdControlVisible(bool visible)
{
    return Check(ctlCD->SetVisible(visible), texts::kCdVisibleFailed);
}

bool MainWindow::EnsureFso()
{
    return fso || Check(parts_.createDriveService(fso), texts::kServiceFailed);
}

bool MainWindow::SetLabelText(HWND label, const std::wstring& text)
{
    if (!Check(SetWindowTextW(label, text.c_str()) ? S_OK : LastError(), texts::kShowDetailsFailed))
        return false;
    if (label == label1 && label1AutoSize_)
        SizeLabelToText(label1, build_.label1WordWrap);
    return true;
}

bool MainWindow::AddListItem(HWND list, const std::wstring& text, const wchar_t* whatFailed)
{
    const LRESULT added = SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    return Check(added == LB_ERRSPACE ? E_OUTOFMEMORY : added == LB_ERR ? E_FAIL : S_OK, whatFailed);
}

bool MainWindow::Check(HRESULT status, const wchar_t* whatFailed)
{
    if (SUCCEEDED(status))
        return true;
    // The window is to be closed: the handler ends without a word.
    if (status != kCallAbandonedForClose)
        parts_.messageBox(hwnd_, DescribeFailure(whatFailed, status), applicationTitle_, MB_OK | MB_ICONERROR);
    return false;
}

// A drive that does not answer, or that is gone, is not accessible.
bool MainWindow::CheckDriveCall(HRESULT status, const wchar_t* whatFailed)
{
    if (!IsNotAccessible(status))
        return Check(status, whatFailed);
    parts_.messageBox(hwnd_, texts::kNotReady, applicationTitle_, MB_OK);
    return false;
}

// A drive collection that does not answer leaves the drive list incomplete.
bool MainWindow::CheckSearchCall(HRESULT status, const wchar_t* whatFailed)
{
    if (!IsGivenUp(status))
        return Check(status, whatFailed);
    parts_.messageBox(hwnd_, texts::kDrivesIncomplete, applicationTitle_, MB_OK | MB_ICONERROR);
    return false;
}
