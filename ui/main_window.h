#pragma once

#include "build_differences.h"
#include "cd_control.h"
#include "drive_service.h"
#include "handles.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

class AboutDialog;

// Child window identifiers of the drive browser window. None is IDOK or
// IDCANCEL, so Enter or Esc outside a button presses nothing.
enum MainWindowControl : int {
    kLabel1 = 101,  // captions column of the details
    kCommand1,      // "Cauta Drive"
    kList1,         // the drive list
    kList2,         // the track list
    kCommand2,      // "Despre program"
    kLabel2,
    kLabel3,
    kLabel5,  // values column of the details
};

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
    // Builds the window and its controls, runs Form_Load and leaves the
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

    // Handlers, named after their control and event, and their steps
    // (main_window_handlers.cpp).
    HRESULT Form_Load();
    void Command1_Click();
    void List1_Click();
    void Command2_Click();

    bool SearchDrives();
    bool AddDriveLines();
    bool ShowSelectedDrive();
    bool ShowTracks(const std::wstring& letter);
    bool ListTracks(const std::wstring& letter);
    bool ShowDetails(Drive& drive);
    bool ClearDetails();
    bool SetCdControlVisible(bool visible);
    bool EnsureFso();
    bool SetLabelText(HWND label, const std::wstring& text);
    bool AddListItem(HWND list, const std::wstring& text, const wchar_t* whatFailed);

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

    HWND label1 = nullptr;
    HWND command1 = nullptr;
    HWND list1 = nullptr;
    HWND list2 = nullptr;
    HWND command2 = nullptr;
    HWND label2 = nullptr;
    HWND label3 = nullptr;
    HWND label5 = nullptr;
    std::unique_ptr<CdControl> ctlCD;
    bool label1AutoSize_ = false;
    HWND focusOnReturn_ = nullptr;
    // The line of List1 whose details were asked for last: a click on the
    // line already selected runs nothing.
    int list1Index_ = -1;
    bool handlerRunning_ = false;
    bool closeRequested_ = false;
    bool quitOnDestroy_ = false;

    // The window-level state the handlers share.
    std::shared_ptr<DriveService> fso;
    std::shared_ptr<DriveCollection> drives;
    std::shared_ptr<Drive> currentDrive;
    short trackCount = 0;
    short trackNo = 0;

    std::unique_ptr<AboutDialog> frmDespre;
};
