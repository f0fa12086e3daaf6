// Test equipment that stands in for the keyboard and the mouse: key presses
// and clicks put into the platform's input queue (SendInput), where the
// devices put theirs, so that they are routed as a person's would be.

#pragma once

#include "wait_for.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

// A key pressed while the modifier is held (Ctrl+C: Key('C', VK_CONTROL)).
inline void Key(WORD vk, WORD modifier = 0)
{
    std::vector<INPUT> keys;
    const auto press = [&](WORD key, DWORD up) {
        if (!key)
            return;
        // The arrow keys and the menu key are the extended ones.
        const DWORD extended = key == VK_DOWN || key == VK_APPS ? KEYEVENTF_EXTENDEDKEY : 0;
        INPUT input{INPUT_KEYBOARD};
        input.ki = {key, static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)), extended | up};
        keys.push_back(input);
    };
    press(modifier, 0);
    press(vk, 0);
    press(vk, KEYEVENTF_KEYUP);
    press(modifier, KEYEVENTF_KEYUP);
    EXPECT_EQ(SendInput(static_cast<UINT>(keys.size()), keys.data(), sizeof(INPUT)), keys.size());
}

// The mouse of a person who clicks on the windows of one GUI thread.
class Mouse {
public:
    void Click(DWORD guiThread, POINT at, bool right = false)
    {
        // A click is routed when it arrives: one that came while the last one
        // still held the mouse captured, or on its spot within the double-click
        // time, would not be a click of its own.
        EXPECT_TRUE(WaitFor([&] {
            GUITHREADINFO gui{sizeof gui};
            GetGUIThreadInfo(guiThread, &gui);
            return !gui.hwndCapture;
        })) << "the program keeps the mouse captured";
        if (at.x == lastClick.x && at.y == lastClick.y)
            WaitFor([&] { return GetTickCount64() > lastClickTime + GetDoubleClickTime(); });
        // Absolute coordinates run from 0 to 65536 across the virtual screen and
        // the platform truncates, so rounding up lands on the pixel itself. The
        // button events carry the place too: under Wine the cursor may jump back
        // to an earlier click's place for a moment.
        const int cx = GetSystemMetrics(SM_CXVIRTUALSCREEN), cy = GetSystemMetrics(SM_CYVIRTUALSCREEN);
        const auto dx = static_cast<LONG>(((at.x - GetSystemMetrics(SM_XVIRTUALSCREEN)) * 65536LL + cx - 1) / cx);
        const auto dy = static_cast<LONG>(((at.y - GetSystemMetrics(SM_YVIRTUALSCREEN)) * 65536LL + cy - 1) / cy);
        INPUT mouse[3] = {{INPUT_MOUSE}, {INPUT_MOUSE}, {INPUT_MOUSE}};
        const DWORD buttons[] = {0, right ? DWORD{MOUSEEVENTF_RIGHTDOWN} : DWORD{MOUSEEVENTF_LEFTDOWN},
                                 right ? DWORD{MOUSEEVENTF_RIGHTUP} : DWORD{MOUSEEVENTF_LEFTUP}};
        for (int i = 0; i < 3; ++i)
            mouse[i].mi = {dx, dy, 0, MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK | buttons[i]};
        // The button goes down once the cursor has stayed at the place for a
        // while: a press while it jumps back would be a drag from the earlier
        // place, and a list box scrolls on a drag that leaves it.
        POINT cursor{};
        const auto there = [&] { return GetCursorPos(&cursor) && cursor.x == at.x && cursor.y == at.y; };
        EXPECT_TRUE(WaitFor([&] {
            EXPECT_EQ(SendInput(1, mouse, sizeof(INPUT)), 1u);
            if (!WaitFor(there, 500))
                return false;
            for (const ULONGLONG settled = GetTickCount64() + 50; GetTickCount64() < settled; Sleep(5))
                if (!there())
                    return false;
            return true;
        })) << "the mouse went to "
            << cursor.x << "," << cursor.y << " instead of " << at.x << "," << at.y;
        EXPECT_EQ(SendInput(2, mouse + 1, sizeof(INPUT)), 2u);
        lastClick = at;
        lastClickTime = GetTickCount64();
    }

private:
    POINT lastClick{-100, -100};
    ULONGLONG lastClickTime = 0;
};
