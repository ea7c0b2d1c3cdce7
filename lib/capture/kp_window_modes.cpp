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

int CKpCore::SnapActiveWin() { return SnapChosenWin(kSnapActiveWin, FALSE); }

int CKpCore::SnapCurrentWin() {
    // The mode is recorded before the main window goes, but only by a
    // capture that runs.
    if (m_bSnapping) return 0;
    m_config.SetSnapMode(kSnapCurrentWin);
    BeginSnap();
    int nResult = 0;
    std::unique_ptr<WindowList> list(new (std::nothrow) WindowList);
    if (list != nullptr && CollectTopWindows(*list) > 0) nResult = GrabAfterDelay(list->entries[1].hWnd, FALSE);
    EndSnap();
    return nResult;
}

int CKpCore::SnapWinClient() { return SnapChosenWin(kSnapWinClient, TRUE); }

int CKpCore::SnapChosenWin(int nMode, BOOL bClientArea) {
    if (!BeginSnap()) return 0;
    m_config.SetSnapMode(nMode);
    int nResult = 0;
    HWND hTarget = ChooseWindow();
    if (hTarget != nullptr) {
        // A whole window comes forward first; a client area is taken where
        // the window is.
        if (!bClientArea) ::SetForegroundWindow(hTarget);
        nResult = GrabAfterDelay(hTarget, bClientArea);
    }
    EndSnap();
    return nResult;
}

int CKpCore::GrabAfterDelay(HWND hTarget, BOOL bClientArea) {
    if (!WaitSnapDelay()) return 0;
    PlaySnapSound();
    CRect rcArea;  // empty: the whole window
    if (bClientArea && !GetClientArea(hTarget, rcArea)) return 0;
    return SnapRect(hTarget, rcArea);
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
