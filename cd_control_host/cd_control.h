// The CD information control as the main window sees it: an interface, so
// that the window's tests can stand in for the hosted control.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

// The CD information control hosted on the main window, as the window's
// handlers see it. Every member is one call into the control or its site.
class CdControl {
public:
    virtual ~CdControl() = default;
    // Shows or hides the control's window.
    virtual HRESULT SetVisible(bool visible) = 0;
    // The drive (one letter) whose disc the next track count reads.
    virtual HRESULT SetDrive(const std::wstring& letter) = 0;
    virtual HRESULT TrackCount(short& count) = 0;
    // The control receives a reference to trackNo and may change it.
    virtual HRESULT TrackLength(short& trackNo, short& seconds) = 0;
    // Places the control's site, in client pixels of the window.
    virtual HRESULT Move(const RECT& rect) = 0;
    // The summary the control shows, its lines separated by LF; empty while
    // the control is hidden.
    virtual HRESULT VisibleSummary(std::wstring& summary) = 0;
};

// Creates the control as a child of parent at rect (client pixels).
using CdControlFactory = std::function<HRESULT(HWND parent, const RECT& rect, std::unique_ptr<CdControl>& control)>;
