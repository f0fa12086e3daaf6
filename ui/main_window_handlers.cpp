// The drive browser's handlers: the drive search, a drive's details with its
// CD's tracks, and the About dialog; and how they report a failed call.

#include "main_window.h"

#include "about_dialog.h"
#include "drive_text.h"
#include "failure_report.h"
#include "status.h"
#include "texts.h"

#include <windowsx.h>

#include <climits>

std::wstring DriveLetterOfLine(HWND driveList, int line)
{
    const LRESULT letter = SendMessageW(driveList, LB_GETITEMDATA, line, 0);
    return letter == LB_ERR || letter == 0 ? std::wstring() : std::wstring(1, static_cast<wchar_t>(letter));
}

// What the window does once it is made, before it shows.
HRESULT MainWindow::OnLoad()
{
    detailCaptionsAutoSize_ = true;
    SizeLabelToText(detailCaptions_, build_.detailCaptionsWordWrap);
    if (!SetWindowTextW(searchButton_, texts::kSearchButton))
        return LastError();
    EnableWindow(driveList_, TRUE);
    ShowWindow(trackList_, SW_SHOW);
    return S_OK;
}

// The drive search: lists every drive of the machine, one line each.
void MainWindow::OnSearch()
{
    SearchDrives();
    drives = nullptr;
    currentDrive = nullptr;
}

bool MainWindow::SearchDrives()
{
    if (build_.searchClearsDetailsFirst && (!SetCdControlVisible(false) || !ClearDetails()))
        return false;
    if (!EnsureDriveService() || !CheckSearchCall(driveService_->Drives(drives), texts::kDrivesFailed))
        return false;
    EnableWindow(driveList_, TRUE);
    ListBox_ResetContent(driveList_);
    driveLineAsked_ = -1;
    ListBox_ResetContent(trackList_);
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
        if (!AddDriveLine(letter, typeCode))
            return false;
    }
}

// The sorted list gives the line its place; the letter goes with it.
bool MainWindow::AddDriveLine(const std::wstring& letter, long typeCode)
{
    const int line = AddListItem(driveList_, DriveLine(letter, typeCode), texts::kAddDriveFailed);
    if (line < 0)
        return false;
    ListBox_SetItemData(driveList_, line, letter.empty() ? L'\0' : letter.front());
    return true;
}

// The drive details: a click on a line of the drive list.
void MainWindow::OnDriveSelected()
{
    ShowSelectedDrive();
    currentDrive = nullptr;
}

bool MainWindow::ShowSelectedDrive()
{
    const int line = ListBox_GetCurSel(driveList_);
    if (line < 0)
        return false;
    const std::wstring letter = DriveLetterOfLine(driveList_, line);
    if (!EnsureDriveService() || !CheckDriveCall(driveService_->GetDrive(letter, currentDrive), texts::kGetDriveFailed))
        return false;
    const std::shared_ptr<Drive> drive = currentDrive;  // the working reference
    bool ready = false;
    if (!CheckDriveCall(drive->IsReady(ready), texts::kReadyFailed))
        return false;
    if (!ready) {
        parts_.messageBox(hwnd_, texts::kNotReady, applicationTitle_, MB_OK);
        return true;
    }
    DriveDetails details;
    return ShowTracks(letter) && ReadDetails(*drive, details) && ShowDetails(details);
}

// The CD steps: for a CD-ROM drive, its disc's tracks in the track list and
// the CD control shown; for any other drive, and for a disc of one track or
// none, neither. The drive's type is asked for twice, once for each step.
bool MainWindow::ShowTracks(const std::wstring& letter)
{
    long typeCode = 0;
    if (!CheckDriveCall(currentDrive->DriveType(typeCode), texts::kDriveTypeFailed))
        return false;
    if (typeCode != kCdRomDriveType && !SetCdControlVisible(false))
        return false;
    if (!CheckDriveCall(currentDrive->DriveType(typeCode), texts::kDriveTypeFailed))
        return false;
    short trackCount = 0;
    if (typeCode == kCdRomDriveType) {
        if (!ListTracks(letter, trackCount))
            return false;
    } else {
        ListBox_ResetContent(trackList_);
    }
    if (trackCount <= 1) {
        ShowWindow(trackList_, SW_SHOW);
        ListBox_ResetContent(trackList_);
        return SetCdControlVisible(false);
    }
    return true;
}

// Lists the disc's tracks and gives their count as the control reported it.
bool MainWindow::ListTracks(const std::wstring& letter, short& trackCount)
{
    // The list is emptied first, so that listing a disc again never shows
    // its tracks twice.
    ListBox_ResetContent(trackList_);
    if (!Check(cdControl_->SetDrive(letter), texts::kCdDriveFailed) ||
        !Check(cdControl_->TrackCount(trackCount), texts::kTrackCountFailed))
        return false;
    // The control may change the track number it is given: the listing goes
    // on from the number it leaves.
    for (short trackNo = 1; trackNo <= trackCount; ++trackNo) {
        ShowWindow(trackList_, SW_SHOW);
        if (!SetCdControlVisible(true))
            return false;
        const std::wstring number = SignedDecimal(trackNo);
        short seconds = 0;
        if (!Check(cdControl_->TrackLength(trackNo, seconds), texts::kTrackLengthFailed) ||
            AddListItem(trackList_, TrackLine(number, seconds), texts::kAddTrackFailed) < 0)
            return false;
        // The 16-bit counter stops at its largest value instead of wrapping.
        if (trackNo == SHRT_MAX)
            break;
    }
    return true;
}

bool MainWindow::ReadDetails(Drive& drive, DriveDetails& details)
{
    return CheckDriveCall(drive.DriveLetter(details.letter), texts::kDetailsFailed) &&
           CheckDriveCall(drive.FreeSpace(details.freeBytes), texts::kDetailsFailed) &&
           CheckDriveCall(drive.FileSystem(details.fileSystem), texts::kDetailsFailed) &&
           CheckDriveCall(drive.SerialNumber(details.serialNumber), texts::kDetailsFailed) &&
           CheckDriveCall(drive.TotalSize(details.totalBytes), texts::kDetailsFailed) &&
           CheckDriveCall(drive.VolumeName(details.volumeName), texts::kDetailsFailed);
}

// The details are on show once both columns hold them.
bool MainWindow::ShowDetails(const DriveDetails& details)
{
    detailsOnShow_.reset();
    if (!SetLabelText(detailCaptions_, DetailsCaptions()) || !SetLabelText(detailValues_, DetailsValues(details)))
        return false;
    detailsOnShow_ = details;
    return true;
}

void MainWindow::OnAbout()
{
    if (!aboutDialog_)
        aboutDialog_ = std::make_unique<AboutDialog>(build_);
    Check(aboutDialog_->ShowModal(hwnd_), texts::kAboutFailed);
}

bool MainWindow::ClearDetails()
{
    detailsOnShow_.reset();
    return SetLabelText(detailCaptions_, L"") && SetLabelText(detailValues_, L"");
}

bool MainWindow::SetCdControlVisible(bool visible)
{
    return Check(cdControl_->SetVisible(visible), texts::kCdVisibleFailed);
}

bool MainWindow::EnsureDriveService()
{
    return driveService_ || Check(parts_.createDriveService(driveService_), texts::kServiceFailed);
}

bool MainWindow::SetLabelText(HWND label, const std::wstring& text)
{
    if (!Check(SetWindowTextW(label, text.c_str()) ? S_OK : LastError(), texts::kShowDetailsFailed))
        return false;
    if (label == detailCaptions_ && detailCaptionsAutoSize_)
        SizeLabelToText(detailCaptions_, build_.detailCaptionsWordWrap);
    return true;
}

int MainWindow::AddListItem(HWND list, const std::wstring& text, const wchar_t* whatFailed)
{
    const LRESULT added = SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (!Check(added == LB_ERRSPACE ? E_OUTOFMEMORY : added == LB_ERR ? E_FAIL : S_OK, whatFailed))
        return -1;
    return static_cast<int>(added);
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
