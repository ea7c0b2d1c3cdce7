#include "kp_scroll_run.h"

#include <math.h>
#include <string.h>

#include <algorithm>

#include "framework/scoped_handles.h"
#include "image_bitmap.h"

namespace {

// How long a window may take to answer a scroll (milliseconds); a hung one
// is not waited for.
const UINT kScrollAnswerMs = 1000;
// The repaint of what a step uncovered: waited for in polls, at most this
// long; then grabs this far apart until two in a row are equal, at most
// kSettleMs (an animation that never ends is taken as it stands).
const UINT kUncoverPoll = 10;
const UINT kUncoverWait = 300;
const UINT kSettleGap = 30;
const UINT kSettleMs = 2000;
// Wheel turns or page-ups towards the top, at most.
const int kMaxTopMoves = 400;
// Line steps that put the scroll position back, at most.
const int kMaxBackLines = 5000;
// A step moves about this share (numerator, denominator) of the rows that
// scroll: enough overlap to place it surely, few steps.
const int kStepShareNum = 2;
const int kStepShareDen = 3;
// The largest wheel turn one message carries (its delta is a short).
const int kMaxNotchesPerMessage = 200;

// A vertical scroll bar is shown (the style goes with it) and, where its
// range can be read, there is something to scroll. Wine reads no scroll
// bar of another program's window: one that is shown counts then.
BOOL HasUsableScrollBar(HWND hWnd) {
    if ((::GetWindowLongPtrA(hWnd, GWL_STYLE) & WS_VSCROLL) == 0) return FALSE;
    SCROLLINFO info = {};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE;
    if (!::GetScrollInfo(hWnd, SB_VERT, &info)) return TRUE;
    return info.nMax - info.nMin + 1 > (int)std::max(info.nPage, 1u);
}

}  // namespace

CKpScrollRun::CKpScrollRun(HWND hArea, HWND hOwner, std::function<BOOL(UINT)> wait)
    : m_hArea(hArea),
      m_hOwner(hOwner),
      m_hRoot(nullptr),
      m_bRaised(FALSE),
      m_wait(std::move(wait)),
      m_nWidth(0),
      m_nHeight(0),
      m_method(kWheel),
      m_bPositionKnown(FALSE),
      m_nStartPos(0),
      m_nOffset(0),
      m_bOffsetKnown(TRUE),
      m_nUpDistance(0),
      m_dPixelsPerUnit(0),
      m_dPixelsPerPos(0),
      m_nSteps(0),
      m_nCurrent(0),
      m_hFrames{nullptr, nullptr},
      m_pFrames{nullptr, nullptr},
      m_ptPointer{0, 0},
      m_bPointerMoved(FALSE) {}

CKpScrollRun::~CKpScrollRun() {
    FreeFrames();
    if (m_panel.m_hWnd != nullptr) m_panel.DestroyWindow();
    if (m_bPointerMoved) ::SetCursorPos(m_ptPointer.x, m_ptPointer.y);
    if (m_bRaised && ::IsWindow(m_hRoot))
        ::SetWindowPos(m_hRoot, HWND_NOTOPMOST, 0, 0, 0, 0,
                       SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_ASYNCWINDOWPOS);
}

HWND CKpScrollRun::FindScrollingWindow(HWND hWnd) {
    for (HWND h = hWnd; h != nullptr; h = ::GetAncestor(h, GA_PARENT)) {
        if (HasUsableScrollBar(h)) return h;
        if ((::GetWindowLongPtrA(h, GWL_STYLE) & WS_CHILD) == 0) break;
    }
    return hWnd;
}

// ---- The run ------------------------------------------------------------------------

HBITMAP CKpScrollRun::Run() {
    if (m_hArea == nullptr || !::IsWindow(m_hArea)) return nullptr;
    CRect rcArea;
    ::GetClientRect(m_hArea, &rcArea);
    ::MapWindowPoints(m_hArea, nullptr, (POINT*)&rcArea, 2);
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    if (!::GetMonitorInfoA(::MonitorFromRect(&rcArea, MONITOR_DEFAULTTONEAREST), &monitor)) return nullptr;
    const CRect rcMonitor(monitor.rcMonitor);
    CRect rcVisible;
    if (!rcVisible.IntersectRect(&rcArea, &rcMonitor)) return nullptr;

    // Nothing may cover the area while it is grabbed.
    m_hRoot = ::GetAncestor(m_hArea, GA_ROOT);
    if (m_hRoot != nullptr && (::GetWindowLongPtrA(m_hRoot, GWL_EXSTYLE) & WS_EX_TOPMOST) == 0) {
        ::SetWindowPos(m_hRoot, HWND_TOPMOST, 0, 0, 0, 0,
                       SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_ASYNCWINDOWPOS);
        DWORD_PTR nAnswer = 0;
        ::SendMessageTimeoutA(m_hRoot, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kScrollAnswerMs, &nAnswer);
        m_bRaised = TRUE;
    }
    CRect rcWindow;
    ::GetWindowRect(m_hArea, &rcWindow);
    if (!m_panel.Show(rcWindow, rcVisible, rcMonitor, m_hOwner, m_rcGrab)) m_rcGrab = rcVisible;
    if (m_rcGrab.Width() < 1 || m_rcGrab.Height() < 2) return nullptr;
    // The pointer rests on the panel: over the area it would hover over
    // what scrolls under it.
    if (m_panel.m_hWnd != nullptr && ::GetCursorPos(&m_ptPointer)) {
        CRect rcPanel;
        m_panel.GetWindowRect(&rcPanel);
        m_bPointerMoved = ::SetCursorPos(rcPanel.CenterPoint().x, rcPanel.CenterPoint().y);
    }

    m_nWidth = m_rcGrab.Width();
    m_nHeight = m_rcGrab.Height();
    for (int i = 0; i < 2; ++i) {
        RGBX* pBits = nullptr;
        m_hFrames[i] = CImageBitmap::CreateDib32(CSize(m_nWidth, m_nHeight), &pBits);
        m_pFrames[i] = reinterpret_cast<uint32_t*>(pBits);
        if (m_hFrames[i] == nullptr) return nullptr;
    }
    m_settleBefore.resize(m_nHeight);
    m_settleNow.resize(m_nHeight);

    // The wheel first: one message a step, where a scroll bar takes one a
    // line. A window that does not answer to it moves by its scroll bar.
    const BOOL bScrollBar = HasUsableScrollBar(m_hArea);
    m_method = kWheel;
    SCROLLINFO info = {};
    m_bPositionKnown = bScrollBar && ReadScrollInfo(info);
    if (m_bPositionKnown) {
        m_nStartPos = info.nPos;
        // Until a step shows it: a page of the position is about the area.
        if (info.nPage > 0) m_dPixelsPerPos = (double)m_nHeight / info.nPage;
    }
    if (!GrabSettled(m_nCurrent)) return nullptr;

    std::unique_ptr<CKpScrollStitcher> stitcher;
    for (int nTry = 0; nTry < 2; ++nTry) {
        BOOL bMovedUp = FALSE;
        if (!GoToTop(bMovedUp)) {
            GoBack();
            return nullptr;
        }
        stitcher.reset(new CKpScrollStitcher(m_nWidth, m_nHeight, kMaxHeight));
        Stitch(*stitcher);
        if (bMovedUp || m_nSteps > 0 || m_method == kLines || !bScrollBar || Stopped()) break;
        // The wheel moved nothing either way: the scroll bar may.
        m_method = kLines;
        m_dPixelsPerUnit = 0;
    }
    GoBack();

    // The frames go before the picture is made: it is never held twice.
    FreeFrames();
    RGBX* pBits = nullptr;
    HBITMAP hPicture = CImageBitmap::CreateDib32(CSize(stitcher->GetWidth(), stitcher->GetHeight()), &pBits);
    if (hPicture != nullptr) stitcher->TakeResult(reinterpret_cast<uint32_t*>(pBits), stitcher->GetWidth());
    return hPicture;
}

void CKpScrollRun::Stitch(CKpScrollStitcher& stitcher) {
    stitcher.Start(m_pFrames[m_nCurrent], m_nWidth);
    // The top as it looks, and how far the start was from it.
    m_topHashes.resize(m_nHeight);
    CKpScrollStitcher::HashRows(m_pFrames[m_nCurrent], m_nWidth, 0, m_nWidth, m_nHeight, m_topHashes.data());
    m_nUpDistance = -m_nOffset;
    m_panel.SetHeight(stitcher.GetHeight());
    int nUnits = StepUnits(m_nHeight);
    for (m_nSteps = 0; m_nSteps < kMaxSteps && !Stopped();) {
        const int nPosBefore = m_bPositionKnown ? ScrollPos() : 0;
        Move(nUnits);
        // While the window repaints: room for the rows this step may add.
        stitcher.Prepare(m_nHeight);
        const int nOther = 1 - m_nCurrent;
        if (!GrabSettled(nOther)) return;
        int nHint = -1;
        const int nMoved = m_bPositionKnown ? ScrollPos() - nPosBefore : 0;
        if (m_bPositionKnown && nMoved == 0) nHint = 0;
        if (m_bPositionKnown && nMoved != 0 && m_dPixelsPerPos > 0) nHint = (int)lround(nMoved * m_dPixelsPerPos);
        CKpScrollStitcher::Step step = stitcher.Add(m_pFrames[nOther], m_nWidth, nHint);
        if (step == CKpScrollStitcher::kNoMatch) {
            // It moved, and by how much nothing tells: what is stitched so far
            // is the picture.
            m_bOffsetKnown = FALSE;
            return;
        }
        if (step == CKpScrollStitcher::kNoMove) return;  // the end
        ++m_nSteps;
        m_nCurrent = nOther;
        m_nOffset += stitcher.GetLastShift();
        m_panel.SetHeight(stitcher.GetHeight());
        if (step == CKpScrollStitcher::kFull) return;
        Learn(stitcher.GetLastShift(), nUnits);
        if (nMoved > 0) m_dPixelsPerPos = (double)stitcher.GetLastShift() / nMoved;
        nUnits = StepUnits(m_nHeight - stitcher.GetHeaderRows() - stitcher.GetFooterRows());
    }
}

void CKpScrollRun::Learn(int nShift, int nUnits) {
    // A step cut short at either end moves less than its units: the
    // largest step per unit is the true one.
    m_dPixelsPerUnit = std::max(m_dPixelsPerUnit, (double)nShift / nUnits);
}

BOOL CKpScrollRun::Stopped() { return m_panel.IsStopAsked() || !::IsWindow(m_hArea); }

int CKpScrollRun::StepUnits(int nMovingRows) const {
    if (m_dPixelsPerUnit <= 0) return 1;
    return std::max(1, (int)(nMovingRows * kStepShareNum / kStepShareDen / m_dPixelsPerUnit));
}

// ---- To the top and back ------------------------------------------------------------------

BOOL CKpScrollRun::GoToTop(BOOL& bMoved) {
    bMoved = FALSE;
    if (m_bPositionKnown) {
        SCROLLINFO info = {};
        if (!ReadScrollInfo(info) || info.nPos <= info.nMin) return TRUE;
        SendScroll(SB_TOP);
        SendScroll(SB_ENDSCROLL);
        // Windows that know no SB_TOP go up a page at a time.
        for (int i = 0; i < kMaxTopMoves && ScrollPos() > info.nMin; ++i) {
            int nBefore = ScrollPos();
            SendScroll(SB_PAGEUP);
            SendScroll(SB_ENDSCROLL);
            if (ScrollPos() == nBefore) break;
        }
        bMoved = ScrollPos() != info.nPos;
        return GrabSettled(m_nCurrent);
    }
    // Where the window is cannot be read (the wheel, or another program's
    // scroll bar under Wine): it goes up in steps whose distance is measured
    // on the frames, read bottom up (a move towards the top is then one
    // towards the end), so that it can come back.
    std::unique_ptr<CKpScrollStitcher> measure(new CKpScrollStitcher(m_nWidth, m_nHeight, 0));
    measure->Start(BottomUp(m_nCurrent), -m_nWidth);
    int nUnits = StepUnits(m_nHeight);
    for (int i = 0; i < kMaxTopMoves; ++i) {
        if (Stopped()) return FALSE;
        Move(-nUnits);
        const int nOther = 1 - m_nCurrent;
        if (!GrabSettled(nOther)) return FALSE;
        CKpScrollStitcher::Step step = measure->Add(BottomUp(nOther), -m_nWidth, -1);
        if (step == CKpScrollStitcher::kNoMove) return TRUE;
        bMoved = TRUE;
        m_nCurrent = nOther;
        if (step == CKpScrollStitcher::kPlaced) {
            m_nOffset -= measure->GetLastShift();
            Learn(measure->GetLastShift(), nUnits);
            nUnits = StepUnits(m_nHeight - measure->GetHeaderRows() - measure->GetFooterRows());
        } else {
            // Moved further than a screen: how far is unknown from here on.
            m_bOffsetKnown = FALSE;
            measure.reset(new CKpScrollStitcher(m_nWidth, m_nHeight, 0));
            measure->Start(BottomUp(m_nCurrent), -m_nWidth);
        }
    }
    return TRUE;
}

void CKpScrollRun::GoBack() {
    if (!::IsWindow(m_hArea)) return;
    if (m_bPositionKnown) {
        const int nTarget = m_nStartPos;
        if (ScrollPos() != nTarget && nTarget <= 0xFFFF) {
            // As a drag of the thumb ends.
            SendScroll(SB_THUMBTRACK, nTarget);
            SendScroll(SB_THUMBPOSITION, nTarget);
            SendScroll(SB_ENDSCROLL);
        }
        // Windows that take no thumb position get there line by line.
        for (int i = 0; i < kMaxBackLines && ScrollPos() > nTarget; ++i) {
            int nBefore = ScrollPos();
            SendScroll(SB_LINEUP);
            if (ScrollPos() == nBefore) break;
        }
        for (int i = 0; i < kMaxBackLines && ScrollPos() < nTarget; ++i) {
            int nBefore = ScrollPos();
            SendScroll(SB_LINEDOWN);
            if (ScrollPos() == nBefore) break;
        }
        SendScroll(SB_ENDSCROLL);
        return;
    }
    // Back by as many lines or wheel turns as make up the distance measured,
    // as near as whole ones reach.
    if (!m_bOffsetKnown || m_dPixelsPerUnit <= 0) return;
    // From the top, which the window is sent to at once, the distance is
    // exact where the window had got to by whole lines or turns from there.
    if (!m_topHashes.empty()) {
        if (m_method == kLines) {
            SendScroll(SB_TOP);
            SendScroll(SB_ENDSCROLL);
        } else {
            // Enough turns to pass the top, in one message.
            Move(-(int)((m_nUpDistance + m_nOffset) / m_dPixelsPerUnit) - 2);
        }
        const int nOther = 1 - m_nCurrent;
        if (GrabSettled(nOther)) {
            CKpScrollStitcher::HashRows(m_pFrames[nOther], m_nWidth, 0, m_nWidth, m_nHeight, m_settleNow.data());
            if (m_settleNow == m_topHashes) {
                Move((int)lround(m_nUpDistance / m_dPixelsPerUnit));
                return;
            }
            // Not at the top: as far as the frames tell, where it was sent from.
            CKpScrollStitcher::HashRows(m_pFrames[m_nCurrent], m_nWidth, 0, m_nWidth, m_nHeight, m_settleBefore.data());
            if (m_settleNow != m_settleBefore) return;
        }
    }
    Move(-(int)lround(m_nOffset / m_dPixelsPerUnit));
}

// ---- Moving ----------------------------------------------------------------------------------

BOOL CKpScrollRun::Move(int nUnits) {
    if (nUnits == 0) return TRUE;
    if (m_method == kLines) {
        const int nCode = nUnits > 0 ? SB_LINEDOWN : SB_LINEUP;
        BOOL bSent = TRUE;
        for (int i = 0; i < std::abs(nUnits) && bSent; ++i)
            bSent = SendScroll(nCode);
        SendScroll(SB_ENDSCROLL);
        return bSent;
    }
    // The wheel over the middle of the area: to the window there (the area
    // or one of its children), as the system sends a turn to the window
    // under the pointer.
    const CPoint pt = m_rcGrab.CenterPoint();
    HWND hTarget = ::WindowFromPoint(pt);
    if (hTarget == nullptr || (hTarget != m_hArea && !::IsChild(m_hArea, hTarget))) hTarget = m_hArea;
    int nLeft = nUnits;
    while (nLeft != 0) {
        const int nTurn = std::max(-kMaxNotchesPerMessage, std::min(kMaxNotchesPerMessage, nLeft));
        const short nDelta = (short)(-nTurn * WHEEL_DELTA);
        DWORD_PTR nResult = 0;
        if (!::SendMessageTimeoutA(hTarget, WM_MOUSEWHEEL, MAKEWPARAM(0, (WORD)nDelta), MAKELPARAM(pt.x, pt.y),
                                   SMTO_ABORTIFHUNG, kScrollAnswerMs, &nResult))
            return FALSE;
        nLeft -= nTurn;
    }
    return TRUE;
}

BOOL CKpScrollRun::SendScroll(int nCode, int nPos) {
    DWORD_PTR nResult = 0;
    return ::SendMessageTimeoutA(m_hArea, WM_VSCROLL, MAKEWPARAM(nCode, nPos), 0, SMTO_ABORTIFHUNG, kScrollAnswerMs,
                                 &nResult) != 0;
}

BOOL CKpScrollRun::ReadScrollInfo(SCROLLINFO& info) const {
    info = SCROLLINFO();
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
    return ::GetScrollInfo(m_hArea, SB_VERT, &info);
}

int CKpScrollRun::ScrollPos() const {
    SCROLLINFO info;
    return ReadScrollInfo(info) ? info.nPos : 0;
}

// ---- Grabbing ---------------------------------------------------------------------------------

BOOL CKpScrollRun::Grab(int i) {
    kfw::ScopedGetDC screen(nullptr);
    kfw::ScopedMemDC mem(screen);
    if (screen.get() == nullptr || mem.get() == nullptr) return FALSE;
    kfw::ScopedSelect select(mem, m_hFrames[i]);
    BOOL bCopied =
        select.ok() && ::BitBlt(mem, 0, 0, m_nWidth, m_nHeight, screen, m_rcGrab.left, m_rcGrab.top, SRCCOPY);
    ::GdiFlush();
    return bCopied;
}

BOOL CKpScrollRun::GrabSettled(int i) {
    for (UINT nWaited = 0; nWaited < kUncoverWait && ::IsWindow(m_hArea) && ::GetUpdateRect(m_hArea, nullptr, FALSE);
         nWaited += kUncoverPoll) {
        if (!m_wait(kUncoverPoll)) return FALSE;
    }
    if (!Grab(i)) return FALSE;
    CKpScrollStitcher::HashRows(m_pFrames[i], m_nWidth, 0, m_nWidth, m_nHeight, m_settleBefore.data());
    for (UINT nWaited = 0; nWaited < kSettleMs; nWaited += kSettleGap) {
        if (!m_wait(kSettleGap) || !::IsWindow(m_hArea)) return FALSE;
        if (!Grab(i)) return FALSE;
        CKpScrollStitcher::HashRows(m_pFrames[i], m_nWidth, 0, m_nWidth, m_nHeight, m_settleNow.data());
        if (m_settleNow == m_settleBefore) return TRUE;
        m_settleBefore.swap(m_settleNow);
    }
    return TRUE;
}

const uint32_t* CKpScrollRun::BottomUp(int i) const { return m_pFrames[i] + (size_t)(m_nHeight - 1) * m_nWidth; }

void CKpScrollRun::FreeFrames() {
    for (int i = 0; i < 2; ++i) {
        if (m_hFrames[i] != nullptr) ::DeleteObject(m_hFrames[i]);
        m_hFrames[i] = nullptr;
        m_pFrames[i] = nullptr;
    }
}
