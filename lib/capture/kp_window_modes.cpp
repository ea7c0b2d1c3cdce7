// The window capture modes: a window chosen from the list (1), the current
// top window (2) and the client area of a chosen window (3).
#include "kp_core.h"

#include "dlg_active_win.h"
#include "kp_resource.h"
#include "window_list.h"

#include <memory>
#include <new>

namespace {

// The chooser, run modally with the library's resources; the confirmed
// window, or null when the user cancelled or there was nothing to choose.
HWND ChooseWindow() {
    CKpLocalResource localResource;
    CDlgActiveWin dlg(nullptr);
    dlg.DoModal();
    return dlg.GetSelWnd();
}

}  // namespace

int CKpCore::SnapActiveWin() {
    if (!BeginSnap()) return 0;
    m_config.SetSnapMode(1);
    int nResult = 0;
    HWND hTarget = ChooseWindow();
    if (hTarget != nullptr) {
        ::SetForegroundWindow(hTarget);
        WaitSnapDelay();
        PlaySnapSound();
        nResult = SnapRect(hTarget, CRect());
    }
    EndSnap();
    return nResult;
}

int CKpCore::SnapCurrentWin() {
    // The mode is recorded before the main window goes, but only by a
    // capture that runs.
    if (m_bSnapping) return 0;
    m_config.SetSnapMode(2);
    BeginSnap();
    int nResult = 0;
    std::unique_ptr<WindowList> list(new (std::nothrow) WindowList);
    if (list != nullptr && CollectTopWindows(*list) > 0) {
        HWND hTarget = list->entries[1].hWnd;
        WaitSnapDelay();
        PlaySnapSound();
        nResult = SnapRect(hTarget, CRect());
    }
    EndSnap();
    return nResult;
}

int CKpCore::SnapWinClient() {
    if (!BeginSnap()) return 0;
    m_config.SetSnapMode(3);
    int nResult = 0;
    HWND hTarget = ChooseWindow();
    if (hTarget != nullptr) {
        WaitSnapDelay();
        PlaySnapSound();
        CRect rcArea;
        if (GetClientArea(hTarget, rcArea)) nResult = SnapRect(hTarget, rcArea);
    }
    EndSnap();
    return nResult;
}

BOOL CKpCore::GetClientArea(HWND hWnd, CRect& rcArea) {
    // The client area's offset inside the window, and its size.
    CRect rcWindow;
    CRect rcClient;
    if (!::GetWindowRect(hWnd, &rcWindow) || !::GetClientRect(hWnd, &rcClient)) return FALSE;
    ::ScreenToClient(hWnd, (LPPOINT)&rcWindow.left);
    ::ScreenToClient(hWnd, (LPPOINT)&rcWindow.right);
    rcArea.left = rcClient.left - rcWindow.left;
    rcArea.top = rcClient.top - rcWindow.top;
    rcArea.right = rcArea.left + rcClient.Width();
    rcArea.bottom = rcArea.top + rcClient.Height();
    // An empty area would make the grab take the whole window instead: a
    // window without a client area (minimised since it was listed, or
    // shrunk to nothing) gives no capture.
    return !rcArea.IsRectEmpty();
}
