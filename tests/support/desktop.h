// What the Windows tests ask of the machine they run on: the test program's
// own folder, whether Wine runs it, a pixel of the screen, and whether the
// notification area holds an icon.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>

namespace kptest {

// The folder of the running test program, with its final backslash.
inline std::string ExeDir() {
    char path[MAX_PATH];
    DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path, n);
    return s.substr(0, s.rfind('\\') + 1);
}

inline bool RunningUnderWine() {
    HMODULE hNtdll = ::GetModuleHandleA("ntdll.dll");
    return hNtdll != nullptr && ::GetProcAddress(hNtdll, "wine_get_version") != nullptr;
}

inline COLORREF ScreenPixel(int x, int y) {
    HDC hdc = ::GetDC(nullptr);
    COLORREF c = ::GetPixel(hdc, x, y);
    ::ReleaseDC(nullptr, hdc);
    return c;
}

// Whether the notification area holds the icon (hWnd, uID): the shell
// modifies only icons it has, whoever asks.
inline bool TrayHolds(HWND hWnd, UINT uID) {
    NOTIFYICONDATAA nid = {};
    nid.cbSize = NOTIFYICONDATAA_V1_SIZE;
    nid.hWnd = hWnd;
    nid.uID = uID;
    return ::Shell_NotifyIconA(NIM_MODIFY, &nid) != FALSE;
}

}  // namespace kptest
