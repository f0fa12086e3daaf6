#pragma once

#include <windows.h>

#include <string>

// A window's text, however long.
std::wstring WindowText(HWND window);

// The text of a list box's item; empty for an index it has no item at.
std::wstring ListItemText(HWND list, int index);
