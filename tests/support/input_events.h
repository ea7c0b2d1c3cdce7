// Injected mouse and keyboard input for the Windows tests, and finding the
// dialog a modal call under test has opened. SendInput from the test program
// reaches windows, hot keys and low-level hooks of the same Wine desktop.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <utility>
#include <vector>

namespace testinput {

// Moves the cursor to the screen point (x, y) on any monitor; with button
// flags (MOUSEEVENTF_LEFTDOWN and so on) the button event happens there,
// whatever a late event of the display did to the cursor meanwhile.
inline void SendMoveTo(int x, int y, DWORD dwButtons = 0) {
    // Absolute input is normalised to 0..65535 across the virtual screen and
    // mapped back as n * size / 65536, truncated: the smallest n that maps
    // back to x exactly.
    int vx = GetSystemMetrics(SM_XVIRTUALSCREEN);
    int vy = GetSystemMetrics(SM_YVIRTUALSCREEN);
    int cx = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    int cy = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dx = ((x - vx) * 65536 + cx - 1) / cx;
    in.mi.dy = ((y - vy) * 65536 + cy - 1) / cy;
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK | dwButtons;
    SendInput(1, &in, sizeof(in));
}

// Puts the cursor at (x, y) and waits until it stays there; true when it
// does. Under Wine an injected move alone can be undone by a later event
// of the display that still knows the old pointer position; SetCursorPos
// moves that pointer too. The injected move is what low-level hooks see.
inline bool PlaceCursorAt(int x, int y) {
    int nStable = 0;
    for (int n = 0; n < 100 && nStable < 3; ++n) {
        POINT pt;
        GetCursorPos(&pt);
        if (pt.x == x && pt.y == y) {
            ++nStable;
        } else {
            nStable = 0;
            SetCursorPos(x, y);
            SendMoveTo(x, y);
        }
        Sleep(20);
    }
    return nStable >= 3;
}

// One button event (MOUSEEVENTF_LEFTDOWN and so on) where the cursor is.
inline void SendButton(DWORD dwFlags) {
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = dwFlags;
    SendInput(1, &in, sizeof(in));
}

// The wheel turned where the cursor is: WHEEL_DELTA a notch, away from the user positive.
inline void SendWheel(int nDelta) {
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.mouseData = (DWORD)nDelta;
    in.mi.dwFlags = MOUSEEVENTF_WHEEL;
    SendInput(1, &in, sizeof(in));
}

inline void SendClick(DWORD dwDown, DWORD dwUp) {
    SendButton(dwDown);
    SendButton(dwUp);
}

// Waits until a visible window is in front (a window just hidden or closed
// hands the front on) and that window's thread has taken what was sent to
// it so far, the display's events among them.
inline void SyncWithFront() {
    const int kSettleSteps = 100, kStepMs = 10;
    const UINT kSyncMs = 2000;
    HWND hFront = nullptr;
    for (int i = 0; i < kSettleSteps; ++i) {
        hFront = GetForegroundWindow();
        if (hFront != nullptr && IsWindowVisible(hFront)) break;
        Sleep(kStepMs);
    }
    DWORD_PTR nResult = 0;
    if (hFront != nullptr && GetWindowThreadProcessId(hFront, nullptr) != GetCurrentThreadId())
        SendMessageTimeoutA(hFront, WM_NULL, 0, 0, SMTO_NORMAL, kSyncMs, &nResult);
}

// A left click at the screen point (x, y); two of them for a double click.
// The button events carry the point: a late event of the display may have
// moved the cursor again since it was placed. The window in front settles
// first: a late change of focus would close what the click opens (a
// combo box's list) or cancel a press.
inline void SendLeftClickAt(int x, int y, int nClicks = 1) {
    SyncWithFront();
    PlaceCursorAt(x, y);
    for (int i = 0; i < nClicks; ++i) {
        SendMoveTo(x, y, MOUSEEVENTF_LEFTDOWN);
        SendMoveTo(x, y, MOUSEEVENTF_LEFTUP);
    }
}

// A key pressed (bDown) or released, to hold a modifier.
inline void SendKeyEvent(WORD vk, bool bDown) {
    INPUT in = {};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.dwFlags = bDown ? 0 : KEYEVENTF_KEYUP;
    SendInput(1, &in, sizeof(in));
}

// A key pressed and released.
inline void SendKey(WORD vk) {
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_KEYBOARD;
    in[0].ki.wVk = in[1].ki.wVk = vk;
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, in, sizeof(INPUT));
}

// The keys pressed in order and released in reverse, as one chord (Ctrl+F1).
// Each carries its scan code, as a keyboard sends it: a control that reads
// the key from the scan code (the hot-key control) sees the same key.
//
// Under Wine a window that gains the X focus or the pointer re-reads the X
// keyboard (KeymapNotify) and lets go of every key that X does not hold, and
// X never holds an injected key: a change of focus just before a chord (a
// window hidden or closed by the step before) could turn Ctrl+Print Screen
// into a bare Print Screen. The focus goes to the window in front, whose
// thread reads it when it next waits. So the chord waits until there is a
// visible window in front and that window's thread has caught up, presses
// the modifiers, lets that thread take them, and presses the last key only
// while they are all still down; a modifier let go meanwhile is pressed
// again. False when a modifier was found let go just after the last key went
// down: the chord may have arrived as the bare key.
inline bool SendChord(std::initializer_list<WORD> keys) {
    auto key = [](WORD vk, DWORD dwFlags) {
        INPUT i = {};
        i.type = INPUT_KEYBOARD;
        i.ki.wVk = vk;
        i.ki.wScan = (WORD)MapVirtualKeyA(vk, MAPVK_VK_TO_VSC);
        i.ki.dwFlags = dwFlags;
        return i;
    };
    const WORD* pKeys = keys.begin();
    const size_t nKeys = keys.size();
    if (nKeys == 0) return true;
    const int kMaxPresses = 5;
    if (nKeys > 1) SyncWithFront();
    // The presses of the modifiers that are not down now.
    auto letGo = [&] {
        std::vector<INPUT> down;
        for (size_t i = 0; i + 1 < nKeys; ++i)
            if ((GetAsyncKeyState(pKeys[i]) & 0x8000) == 0) down.push_back(key(pKeys[i], 0));
        return down;
    };
    for (int n = 0; n < kMaxPresses; ++n) {
        std::vector<INPUT> down = letGo();
        if (down.empty()) break;
        SendInput((UINT)down.size(), down.data(), sizeof(INPUT));
        SyncWithFront();
    }
    INPUT last = key(pKeys[nKeys - 1], 0);
    SendInput(1, &last, sizeof(INPUT));
    // Only a let-go can happen to an injected key: one still down now was
    // down when the last key went.
    const bool bHeld = letGo().empty();
    std::vector<INPUT> up;
    for (size_t i = nKeys; i-- > 0;)
        up.push_back(key(pKeys[i], KEYEVENTF_KEYUP));
    SendInput((UINT)up.size(), up.data(), sizeof(INPUT));
    return bHeld;
}

namespace detail {

struct DialogSearch {
    DWORD dwThread;
    HWND hFound;
};

inline BOOL CALLBACK FindVisibleDialog(HWND hWnd, LPARAM lParam) {
    DialogSearch* p = reinterpret_cast<DialogSearch*>(lParam);
    char szClass[32];
    if (GetWindowThreadProcessId(hWnd, nullptr) == p->dwThread && IsWindowVisible(hWnd) &&
        GetClassNameA(hWnd, szClass, sizeof(szClass)) && lstrcmpA(szClass, "#32770") == 0) {
        p->hFound = hWnd;
        return FALSE;
    }
    return TRUE;
}

}  // namespace detail

// The first visible dialog of thread dwThread, waited for up to dwMillis;
// null if none shows.
inline HWND FindDialog(DWORD dwThread, DWORD dwMillis) {
    DWORD dwEnd = GetTickCount() + dwMillis;
    do {
        detail::DialogSearch search = {dwThread, nullptr};
        EnumWindows(detail::FindVisibleDialog, (LPARAM)&search);
        if (search.hFound != nullptr) return search.hFound;
        Sleep(50);
    } while ((LONG)(GetTickCount() - dwEnd) < 0);
    return nullptr;
}

}  // namespace testinput
