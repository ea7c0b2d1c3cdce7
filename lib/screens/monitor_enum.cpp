// The monitor list read from the system.
#include "monitor_enum.h"

#include "framework/scoped_handles.h"

namespace {

// GetDpiForMonitor's kind of DPI: the one the user's scaling gives.
const int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI

typedef HRESULT(WINAPI* GetDpiForMonitorFn)(HMONITOR, int, UINT*, UINT*);
typedef UINT(WINAPI* GetDpiForWindowFn)(HWND);

// Both are newer than the oldest system Kapto runs on: looked up, not linked.
GetDpiForMonitorFn DpiForMonitor() {
    static GetDpiForMonitorFn s_pfn = [] {
        HMODULE hShcore = ::LoadLibraryA("shcore.dll");
        return hShcore != nullptr ? (GetDpiForMonitorFn)(void*)::GetProcAddress(hShcore, "GetDpiForMonitor") : nullptr;
    }();
    return s_pfn;
}

GetDpiForWindowFn DpiForWindow() {
    static GetDpiForWindowFn s_pfn =
        (GetDpiForWindowFn)(void*)::GetProcAddress(::GetModuleHandleA("user32.dll"), "GetDpiForWindow");
    return s_pfn;
}

unsigned int ScreenDpi() {
    kfw::ScopedGetDC screen(nullptr);
    int nDpi = screen.get() != nullptr ? ::GetDeviceCaps(screen, LOGPIXELSX) : 0;
    return nDpi > 0 ? (unsigned int)nDpi : kKpDefaultDpi;
}

BOOL CALLBACK AddMonitor(HMONITOR hMonitor, HDC, LPRECT, LPARAM lParam) {
    CKpMonitorLayout* pLayout = reinterpret_cast<CKpMonitorLayout*>(lParam);
    MONITORINFO mi;
    mi.cbSize = sizeof mi;
    if (::GetMonitorInfoA(hMonitor, &mi))
        pLayout->AddMonitor(mi.rcMonitor, mi.rcWork, KpGetMonitorDpi(hMonitor), (mi.dwFlags & MONITORINFOF_PRIMARY) != 0);
    return TRUE;
}

}  // namespace

void KpGetMonitorLayout(CKpMonitorLayout& layout) {
    layout.Clear();
    ::EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&layout));
    if (layout.GetCount() > 0) return;
    CRect rcPrimary(0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN));
    CRect rcWork;
    if (!::SystemParametersInfoA(SPI_GETWORKAREA, 0, &rcWork, 0)) rcWork = rcPrimary;
    layout.AddMonitor(rcPrimary, rcWork, ScreenDpi(), TRUE);
}

unsigned int KpGetMonitorDpi(HMONITOR hMonitor) {
    UINT nX = 0, nY = 0;
    GetDpiForMonitorFn pfn = DpiForMonitor();
    if (hMonitor != nullptr && pfn != nullptr && SUCCEEDED(pfn(hMonitor, kEffectiveDpi, &nX, &nY)) && nX > 0)
        return nX;
    return ScreenDpi();
}

unsigned int KpGetWindowDpi(HWND hWnd) {
    GetDpiForWindowFn pfn = DpiForWindow();
    UINT nDpi = hWnd != nullptr && pfn != nullptr ? pfn(hWnd) : 0;
    if (nDpi > 0) return nDpi;
    return KpGetMonitorDpi(::MonitorFromWindow(hWnd, MONITOR_DEFAULTTONEAREST));
}

void KpKeepWindowOnMonitors(HWND hWnd) {
    if (hWnd == nullptr || !::IsWindowVisible(hWnd) || ::IsIconic(hWnd)) return;
    CRect rc;
    if (!::GetWindowRect(hWnd, &rc)) return;
    CKpMonitorLayout layout;
    KpGetMonitorLayout(layout);
    // The DPI the window was laid out for: the scale of the monitor it was
    // on, which the system may no longer list; its own where it says.
    CRect rcTo = layout.BringOnto(rc, KpGetWindowDpi(hWnd));
    if (rcTo != rc)
        ::SetWindowPos(hWnd, nullptr, rcTo.left, rcTo.top, rcTo.Width(), rcTo.Height(),
                       SWP_NOZORDER | SWP_NOACTIVATE);
}

void KpTakeSuggestedRect(HWND hWnd, LPARAM lParam) {
    const RECT* prc = reinterpret_cast<const RECT*>(lParam);
    if (hWnd == nullptr || prc == nullptr) return;
    ::SetWindowPos(hWnd, nullptr, prc->left, prc->top, prc->right - prc->left, prc->bottom - prc->top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
}
