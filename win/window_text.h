// Reading a window's text and a list box's items.

#pragma once

#include <windows.h>

#include <string>
#include <vector>

// A window's text, however long.
std::wstring WindowText(HWND window);

// The text of a list box's item; empty for an index it has no item at.
std::wstring ListItemText(HWND list, int index);

// Every item of a list box, in its order.
std::vector<std::wstring> ListItems(HWND list);
