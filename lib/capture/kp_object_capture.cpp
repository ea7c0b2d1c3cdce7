// Object capture (mode 4): the window under the mouse, down to a single
// control or an open menu, framed in blinking red while the tip follows the
// cursor; a left click captures it, a right click or Esc leaves the mode.
#include "kp_core.h"

#include "framework/message_loop.h"
#include "framework/scoped_handles.h"
#include "kp_resource.h"
#include "monitor_enum.h"
#include "kp_scroll_run.h"

namespace {

// The engine window's timer that follows the cursor.
const UINT_PTR kFollowTimerId = 1;
const UINT kFollowPeriod = 500;  // milliseconds; each tick draws or removes the frame

// The frame: drawn with NOTXOR, so drawing it again removes it.
const int kFrameWidth = 4;
const COLORREF kFrameColour = RGB(255, 0, 0);

// The tip keeps this far from the screen edges, and jumps to the other corner
// when the cursor comes this close to it.
const int kTipMargin = 10;
const int kTipEscape = 20;

// Esc leaves the mode wherever the keyboard focus is: while the user points,
// the program under the tip is the active one.
const int kEscapeHotKeyId = 1;

// Repaints hWnd at once, its frame and all its children included.
const UINT kRepaintAll = RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME;

// How long the grab waits for another thread's window to repaint where the
// frame was, in steps of kRepaintPoll (milliseconds).
const UINT kRepaintWait = 300;
const UINT kRepaintPoll = 15;

}  // namespace

int CKpCore::SnapWinObj() {
    // The engine window receives the timer and the hook's messages: without
    // it (InitSnapper refused) the mode could never end.
    if (m_hWnd == nullptr) return 0;
    if (!BeginSnap()) return 0;
    m_config.SetSnapMode(kSnapWinObj);
    INT_PTR nResult = RunObjectTip();
    // The click captured and ended the mode; anything else that ended the
    // tip (the right click, Esc, a failed tip, the end of the program) left
    // it running: end it without a capture.
    if (m_bObjSnapping) {
        EndObjSnap();
        return 0;
    }
    return nResult == IDOK ? 1 : 0;
}

INT_PTR CKpCore::RunObjectTip() {
    SetCapture();
    m_bObjSnapping = 1;
    m_hFoundWnd = nullptr;
    m_hook.StartMouseHook();
    SetTimer(kFollowTimerId, kFollowPeriod);
    // Refused when another program has claimed Esc: the right click still
    // leaves the mode, and so does Esc while the tip has the focus.
    BOOL bEscapeKey = ::RegisterHotKey(m_hWnd, kEscapeHotKeyId, 0, VK_ESCAPE);

    INT_PTR nResult = -1;
    {
        CKpLocalResource localResource;
        nResult = m_dlgObjHelper.DoModal();
    }
    if (bEscapeKey) ::UnregisterHotKey(m_hWnd, kEscapeHotKeyId);
    return nResult;
}

BOOL CKpCore::IsPicking() const {
    return m_bObjSnapping && (m_bScrollPick || m_config.GetSnapMode() == kSnapWinObj) &&
           m_dlgObjHelper.m_hWnd != nullptr;
}

HWND CKpCore::PickTarget(HWND hUnder) const {
    return m_bScrollPick && hUnder != nullptr ? CKpScrollRun::FindScrollingWindow(hUnder) : hUnder;
}

void CKpCore::EndObjSnap() {
    // The next run shows the tip bottom-right again, however this one
    // ended: the corner flag must say so.
    m_dlgObjHelper.m_bAtTopLeft = 0;
    ::KillTimer(m_hWnd, kFollowTimerId);
    // Whatever the blink shows now, the repaint leaves no frame behind.
    if (m_hFoundWnd != nullptr) RefreshFoundWindow(m_hFoundWnd);
    m_hFoundWnd = nullptr;
    ::ReleaseCapture();
    m_bObjSnapping = 0;
    m_hook.StopMouseHook();
    EndSnap();
}

void CKpCore::OnTimer(UINT_PTR nIDEvent) {
    if (nIDEvent == kFollowTimerId) {
        if (!m_bObjSnapping) return;
        CPoint pt;
        ::GetCursorPos(&pt);
        HWND hWnd = PickTarget(::WindowFromPoint(pt));
        if (hWnd != nullptr && ::IsWindow(hWnd)) {
            if (hWnd != m_hFoundWnd && m_hFoundWnd != nullptr) RefreshFoundWindow(m_hFoundWnd);
            m_hFoundWnd = hWnd;
            HighlightFoundWindow(hWnd);
        }
        if (m_dlgObjHelper.m_hWnd != nullptr) {
            LocateSnapObjTip();
            m_dlgObjHelper.SendMessage(WM_MOUSEMOVE, 0, 0);
        }
    }
    Default();
}

LRESULT CKpCore::OnKpMouseMove(WPARAM, LPARAM) {
    if (IsPicking()) {
        LocateSnapObjTip();
        m_dlgObjHelper.SendMessage(WM_MOUSEMOVE, 0, 0);
    }
    return 0;
}

LRESULT CKpCore::OnKpLButtonDown(WPARAM, LPARAM lPoint) {
    if (!IsPicking()) return 0;

    // The click takes what is under it, whether a tick of the follow timer
    // has found that yet or not: a quick move and click would otherwise
    // capture the window the mouse has just left. A framed window that has
    // gone since is what the user pointed at: its click captures nothing.
    const POINT ptClick = {(short)LOWORD(lPoint), (short)HIWORD(lPoint)};
    HWND hUnder = PickTarget(::WindowFromPoint(ptClick));
    if (hUnder != nullptr && hUnder != m_hFoundWnd && (m_hFoundWnd == nullptr || ::IsWindow(m_hFoundWnd))) {
        if (m_hFoundWnd != nullptr) RefreshFoundWindow(m_hFoundWnd);
        m_hFoundWnd = hUnder;
    }

    // This click is the mode's last: the desktop's mouse is free again
    // before the delay and the grab, and nothing that arrives meanwhile (a
    // click, a tick, Esc) acts on the mode any more.
    m_hook.StopMouseHook();
    ::KillTimer(m_hWnd, kFollowTimerId);
    ::ReleaseCapture();
    m_bObjSnapping = 0;
    HWND hFound = m_hFoundWnd;
    m_hFoundWnd = nullptr;

    m_dlgObjHelper.ShowWindow(SW_HIDE);
    if (hFound != nullptr) RefreshFoundWindow(hFound);
    if (m_bScrollPick) {
        // The window is chosen; SnapScroll goes on from here.
        m_dlgObjHelper.m_bAtTopLeft = 0;
        m_hScrollArea = hFound;
        m_dlgObjHelper.EndDialog(hFound != nullptr ? IDOK : IDCANCEL);
        return 0;
    }
    // Time for the screen to repaint where the tip and the frame were.
    BOOL bWaited = WaitSnapDelay();
    int bCaptured = 0;
    if (hFound != nullptr && bWaited) {
        WaitForRepaint(hFound);
        PlaySnapSound();
        // The pointer is the user's click, not part of the object.
        bCaptured = SnapRect(hFound, CRect(), FALSE, kSnapWinObj);
    }
    // The tip's loop ends with the outcome: a click that captured nothing
    // (no window found, or its pixels refused) is no new image.
    if (m_dlgObjHelper.m_hWnd != nullptr) m_dlgObjHelper.EndDialog(bCaptured ? IDOK : IDCANCEL);
    EndObjSnap();
    return 0;
}

LRESULT CKpCore::OnKpRButtonDown(WPARAM, LPARAM) {
    if (!m_bObjSnapping) return 0;
    EndObjTip();
    return 0;
}

LRESULT CKpCore::OnHotKey(WPARAM wParam, LPARAM) {
    if (wParam == kEscapeHotKeyId && m_bObjSnapping) EndObjTip();
    return 0;
}

void CKpCore::EndObjTip() {
    // SnapWinObj ends the mode once the tip's loop has returned.
    if (m_dlgObjHelper.m_hWnd == nullptr) return;
    m_dlgObjHelper.ShowWindow(SW_HIDE);
    m_dlgObjHelper.EndDialog(IDCANCEL);
}

LRESULT CKpCore::HighlightFoundWindow(HWND hWnd) {
    CRect rc;
    if (!::GetWindowRect(hWnd, &rc)) return 0;
    kfw::ScopedPen pen(::CreatePen(PS_SOLID, kFrameWidth, kFrameColour));
    kfw::ScopedWindowDC dc(hWnd);
    if (dc.get() == nullptr || pen.get() == nullptr) return 0;
    kfw::ScopedSelect selectPen(dc, pen);
    kfw::ScopedSelect selectBrush(dc, ::GetStockObject(NULL_BRUSH));
    int nOldMode = ::SetROP2(dc, R2_NOTXORPEN);
    ::Rectangle(dc, 0, 0, rc.Width(), rc.Height());
    ::SetROP2(dc, nOldMode);
    return 0;
}

LRESULT CKpCore::RefreshFoundWindow(HWND hWnd) {
    if (::GetWindowThreadProcessId(hWnd, nullptr) == ::GetCurrentThreadId()) {
        ::InvalidateRect(hWnd, nullptr, TRUE);
        ::UpdateWindow(hWnd);
        ::RedrawWindow(hWnd, nullptr, nullptr, kRepaintAll);
        return 0;
    }
    // Another thread's window repaints when its thread gets to it: a
    // repaint "now" would wait on that thread, for ever if it hangs.
    ::RedrawWindow(hWnd, nullptr, nullptr, kRepaintAll & ~RDW_UPDATENOW);
    return 0;
}

void CKpCore::WaitForRepaint(HWND hWnd) {
    // A window whose thread answers has repainted within a few ticks; a
    // hung one is grabbed as it stands.
    for (UINT nWaited = 0; nWaited < kRepaintWait && ::IsWindow(hWnd) && ::GetUpdateRect(hWnd, nullptr, FALSE);
         nWaited += kRepaintPoll) {
        if (!AfxWaitDispatching(kRepaintPoll)) return;
    }
}

int CKpCore::CheckWindowValidity(HWND hWnd, int bNotFound) {
    if (hWnd == nullptr || !::IsWindow(hWnd)) return 0;
    if (bNotFound && hWnd == m_hFoundWnd) return 0;
    return 1;
}

void CKpCore::LocateSnapObjTip() {
    if (m_dlgObjHelper.m_hWnd == nullptr) return;
    // The corners of the monitor under the cursor, at that monitor's scale:
    // the tip follows the cursor from one monitor to the next.
    CKpMonitorLayout layout;
    KpGetMonitorLayout(layout);
    CPoint pt;
    ::GetCursorPos(&pt);
    int i = layout.Nearest(pt);
    int nScale = KpPanelScalePercent(layout.GetMonitor(i).nDpi);
    m_dlgObjHelper.m_edtTip.SetPanelScale(nScale);
    CSize size = CSnapTipEdit::GetPanelSize(nScale);
    m_dlgObjHelper.m_nTipWidth = size.cx;
    m_dlgObjHelper.m_nTipHeight = size.cy;
    const CRect rcBottomRight = layout.CornerOf(i, size, kTipMargin, CKpMonitorLayout::kBottomRight);
    const CRect rcTopLeft = layout.CornerOf(i, size, kTipMargin, CKpMonitorLayout::kTopLeft);

    CRect rcNow = m_dlgObjHelper.m_bAtTopLeft ? rcTopLeft : rcBottomRight;
    CRect rcNear = rcNow;
    rcNear.InflateRect(kTipEscape, kTipEscape);
    CRect rcTo = rcNow;
    if (rcNear.PtInRect(pt)) {
        rcTo = m_dlgObjHelper.m_bAtTopLeft ? rcBottomRight : rcTopLeft;
        m_dlgObjHelper.m_bAtTopLeft = !m_dlgObjHelper.m_bAtTopLeft;
    }
    CRect rcWnd;
    m_dlgObjHelper.GetWindowRect(&rcWnd);
    if (rcTo == rcWnd) return;
    m_dlgObjHelper.MoveWindow(rcTo.left, rcTo.top, rcTo.Width(), rcTo.Height(), TRUE);
    if (m_dlgObjHelper.m_edtTip.m_hWnd != nullptr) {
        CRect rcClient;
        m_dlgObjHelper.GetClientRect(&rcClient);
        m_dlgObjHelper.m_edtTip.MoveWindow(&rcClient);
    }
    // No trace of the tip or of the frame may stay where the tip was.
    HWND hUnder = ::WindowFromPoint(pt);
    if (hUnder != nullptr) RefreshFoundWindow(hUnder);
}
