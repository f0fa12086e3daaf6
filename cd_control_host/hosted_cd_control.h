#pragma once

#include "cd_control.h"

#include <unknwn.h>

// Creates one control of the class factory serves as a child of parent at
// rect (client pixels), hands it the saved state and activates it in place.
// The thread must have called OleInitialize. Destroying the returned object
// closes the control and destroys its window.
HRESULT CreateHostedCdControl(IClassFactory* factory, HWND parent, const RECT& rect,
                              std::unique_ptr<CdControl>& control);
