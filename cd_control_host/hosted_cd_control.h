// Makes the CD control hosted on the main window, the CdControl that the
// program hands the window.
#pragma once

#include "cd_control.h"

#include <unknwn.h>

// Creates one control of the class factory serves as a child of parent at
// rect (client pixels), starts it new at the extent the window stores and
// activates it in place. The thread must have called OleInitialize.
// Destroying the returned object closes the control and destroys its window.
HRESULT CreateHostedCdControl(IClassFactory* factory, HWND parent, const RECT& rect,
                              std::unique_ptr<CdControl>& control);
