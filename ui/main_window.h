// The drive browser window: its controls, its handlers and the state they
// share. main_window*.cpp hold its parts.
#pragma once

#include "build_differences.h"
#include "cd_control.h"
#include "drive_service.h"
#include "drive_text.h"
#include "handles.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

class AboutDialog;

// Child window identifiers of the drive browser window. None is IDOK or
// IDCANCEL, so Enter or Esc outside a button presses nothing.
// They are numbered in the order the controls are made, which is their tab
// order.
enum MainWindowControl : int {
    kDetailCaptions = 101,  // the captions column of a drive's details
    kSearchButton,          // "Cauta Drive"
    kDriveList,
    kTrackList,
    kAboutButton,  // "Despre program"
    kTrackListCaption,
    kDriveListCaption,
    kDetailValues,  // the values column of a drive's details
};

// Each line of the drive list keeps its drive's letter beside it, as its item
// data. The letter of a line, or "" where the list has no such line; it can be
// read from another process too.
std::wstring DriveLetterOfLine(HWND driveList, int line);

// A command of the drive browser that no control gives: copying what a list
// shows (Ctrl+C and the lists' menu).
constexpr int kCopy = 201;

// What the window takes from outside: the drive service (created on first
// use), the CD control (created with the window) and the message box.
struct MainWindowParts {
    DriveServiceFactory createDriveService;
    CdControlFactory createCdControl;
    std::function<int(HWND owner, const std::wstring& text, const std::wstring& title, UINT type)> messageBox;
};

// The drive browser: the drive list, a drive's details and a CD's tracks.
class MainWindow {
public:
    // Builds the window and its controls, runs OnLoad and leaves the
    // window hidden, centred on the screen. Closing the window posts WM_QUIT;
    // a window whose creation failed posts nothing.
    static HRESULT Create(const BuildDifferences& build, MainWindowParts parts, std::unique_ptr<MainWindow>& window);
    ~MainWindow();

    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    HWND Handle() const { return hwnd_; }

    // The window's keys, F5 and Ctrl+C, for the message loop: true when the
    // message was one of them, and is handled.
    bool TranslateWindowKeys(MSG& message) const;

private:
    MainWindow(const BuildDifferences& build, MainWindowParts parts);

    // The window (main_window.cpp).
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    HRESULT OnCreate();
    void OnCommand(int id, int notification);
    void OnDestroy();

    // Its controls and their layout (main_window_layout.cpp).
    HRESULT CreateControls();
    void NameListsForScreenReaders();
    void PlaceControls();
    void OnDpiChanged(UINT dpi, const RECT& suggested);
    void SizeLabelToText(HWND label, bool wordWrap);

    // Copying what a list shows (main_window_copy.cpp).
    bool OnContextMenu(HWND list, LPARAM position);
    std::wstring CopyText(HWND list) const;
    void Copy(const std::wstring& text) const;

    // The handlers, one for each thing a user does, and their steps
    // (main_window_handlers.cpp).
    HRESULT OnLoad();
    void OnSearch();
    void OnDriveSelected();
    void OnAbout();

    bool SearchDrives();
    bool AddDriveLines();
    bool AddDriveLine(const std::wstring& letter, long typeCode);
    bool ShowSelectedDrive();
    bool ShowTracks(const std::wstring& letter);
    bool ListTracks(const std::wstring& letter, short& trackCount);
    bool ReadDetails(Drive& drive, DriveDetails& details);
    bool ShowDetails(const DriveDetails& details);
    bool ClearDetails();
    bool SetCdControlVisible(bool visible);
    bool EnsureDriveService();
    bool SetLabelText(HWND label, const std::wstring& text);
    // The index the list gave the new line, or -1 after the failure was shown.
    int AddListItem(HWND list, const std::wstring& text, const wchar_t* whatFailed);

    // Shows the error message box when status is a failure.
    bool Check(HRESULT status, const wchar_t* whatFailed);
    // The same for a call into the drive service during a click, and during
    // a search: they tell a drive that did not answer apart.
    bool CheckDriveCall(HRESULT status, const wchar_t* whatFailed);
    bool CheckSearchCall(HRESULT status, const wchar_t* whatFailed);

    const BuildDifferences& build_;
    MainWindowParts parts_;
    std::wstring applicationTitle_;
    HWND hwnd_ = nullptr;
    HRESULT createStatus_ = E_FAIL;
    UINT dpi_ = 96;
    GdiObject<HFONT> font_;
    UniqueIcon bigIcon_;
    UniqueIcon smallIcon_;
    UniqueAccelerators accelerators_;

    HWND detailCaptions_ = nullptr;
    HWND searchButton_ = nullptr;
    HWND driveList_ = nullptr;
    HWND trackList_ = nullptr;
    HWND aboutButton_ = nullptr;
    HWND trackListCaption_ = nullptr;
    HWND driveListCaption_ = nullptr;
    HWND detailValues_ = nullptr;
    std::unique_ptr<CdControl> cdControl_;
    // The captions column sizes itself to its text once the window is loaded.
    bool detailCaptionsAutoSize_ = false;
    HWND focusOnReturn_ = nullptr;
    // The line of the drive list whose details were asked for last: a click
    // on the line already selected runs nothing.
    int driveLineAsked_ = -1;
    bool handlerRunning_ = false;
    bool closeRequested_ = false;
    bool quitOnDestroy_ = false;

    // The window-level state the handlers share.
    std::shared_ptr<DriveService> driveService_;
    std::shared_ptr<DriveCollection> drives;
    std::shared_ptr<Drive> currentDrive;
    // The details the columns show, which the copy reads; none while they
    // are empty.
    std::optional<DriveDetails> detailsOnShow_;

    std::unique_ptr<AboutDialog> aboutDialog_;
};
