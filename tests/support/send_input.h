// Mouse and keyboard input through SendInput, from any thread of a program
// in the desktop: it reaches windows, hot keys and hooks as a user's would.
#pragma once

#include <windows.h>

namespace kptest {

// A move to screen pixel (x, y), with the button flags given (0 for none):
// the event carries its own position. Absolute input is scaled to
// 0..65535 over the primary screen; the pixel's centre lands on the pixel.
inline void SendMouseAt(int x, int y, DWORD dwButtons = 0) {
    int cx = ::GetSystemMetrics(SM_CXSCREEN), cy = ::GetSystemMetrics(SM_CYSCREEN);
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dx = (LONG)(((x * 2 + 1) * 65536LL) / (2 * cx));
    in.mi.dy = (LONG)(((y * 2 + 1) * 65536LL) / (2 * cy));
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | dwButtons;
    ::SendInput(1, &in, sizeof in);
}

// Button flags (MOUSEEVENTF_LEFTDOWN ...) where the cursor is.
inline void SendMouseButton(DWORD dwButtons) {
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = dwButtons;
    ::SendInput(1, &in, sizeof in);
}

inline void SendKey(WORD vk, bool bDown) {
    INPUT in = {};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.dwFlags = bDown ? 0 : KEYEVENTF_KEYUP;
    ::SendInput(1, &in, sizeof in);
}

}  // namespace kptest
