// The About dialog: the program icon, the title line with the version, a
// disclaimer and an OK button, opened modally over the drive browser.
#pragma once

#include "build_differences.h"

#include <windows.h>

#include <memory>

// The dialog's window class, by which other programs find it.
inline constexpr wchar_t kAboutDialogClass[] = L"frmDespre";

// The main window keeps one object for its whole life; each opening builds
// the dialog window anew and closing it destroys the window and its controls
// again.
class AboutDialog {
public:
    explicit AboutDialog(const BuildDifferences& build);
    ~AboutDialog();
    AboutDialog(const AboutDialog&) = delete;
    AboutDialog& operator=(const AboutDialog&) = delete;

    // Builds the dialog, runs its OnLoad and shows it modally: `owner`
    // takes no input until the dialog is closed (OK, Enter, Esc or the close
    // box), and is enabled and activated again then. Returns when the dialog
    // has been closed, with the failure that kept it from opening or ended it.
    HRESULT ShowModal(HWND owner) noexcept;

    // Brings the dialog to the front if it is open.
    void BringToFront() const;

private:
    struct Window;  // what exists only while the dialog is open

    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Handle(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    HRESULT Build(HWND dialog);
    HRESULT ApplyDpi(UINT dpi);
    HRESULT SetFontAndIcons(UINT dpi);
    HRESULT PlaceControls(UINT dpi);
    HRESULT OnLoad();
    void OnOk();
    void Unload(HRESULT failure);

    const BuildDifferences& build_;
    std::unique_ptr<Window> window_;
    HRESULT failure_ = S_OK;
};
