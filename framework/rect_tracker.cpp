#include "framework/rect_tracker.h"

#include "framework/message_loop.h"

#include <algorithm>
#include <stdlib.h>

namespace {

const int kDefaultHandleSize = 6;

// Where each handle sits on the normalised rectangle, and so which edges it
// moves: 0 the left (top) edge, 1 the middle, 2 the right (bottom) edge.
struct HandlePlace {
    int x;
    int y;
};
const HandlePlace kHandlePlaces[] = {
    {0, 0},  // hitTopLeft
    {2, 0},  // hitTopRight
    {2, 2},  // hitBottomRight
    {0, 2},  // hitBottomLeft
    {1, 0},  // hitTop
    {2, 1},  // hitRight
    {1, 2},  // hitBottom
    {0, 1},  // hitLeft
};
const int kHandleCount = (int)(sizeof kHandlePlaces / sizeof kHandlePlaces[0]);
const UINT kCornerHandles = 0x0F;
const UINT kTopBottomHandles = (1u << CRectTracker::hitTop) | (1u << CRectTracker::hitBottom);
const UINT kLeftRightHandles = (1u << CRectTracker::hitLeft) | (1u << CRectTracker::hitRight);

// The start of a handle's square along one axis, for an edge pair lo..hi.
int HandleStart(int nPlace, LONG lo, LONG hi, int nSize, bool bOutside) {
    switch (nPlace) {
        case 0:
            return bOutside ? lo - nSize : lo;
        case 2:
            return bOutside ? hi : hi - nSize;
        default:
            return (lo + hi - nSize) / 2;
    }
}

// The tracking loop's side of the layer's message loop: it takes the mouse
// messages and Esc, cancels when the capture goes, and leaves the rest to
// the window (keyboard through its PreTranslateMessage) and to dispatch.
class TrackerLoop : public CMessageLoopClient {
public:
    TrackerLoop(CRectTracker& tracker, CWnd* pWnd, int nHandle)
        : m_tracker(tracker), m_pWnd(pWnd), m_hWnd(pWnd->m_hWnd), m_nHandle(nHandle), m_rectDrawn(tracker.m_rect) {}

    BOOL ContinueLoop() const override { return !m_bDone; }

    BOOL PreTranslateLoopMessage(MSG* pMsg) override {
        if (::GetCapture() != m_hWnd) {
            Finish(FALSE);
            return FALSE;
        }
        switch (pMsg->message) {
            case WM_MOUSEMOVE:
            case WM_LBUTTONUP: {
                POINT pt = {(short)LOWORD(pMsg->lParam), (short)HIWORD(pMsg->lParam)};
                if (pMsg->hwnd != m_hWnd) ::MapWindowPoints(pMsg->hwnd, m_hWnd, &pt, 1);
                MoveHandleTo(pt);
                if (pMsg->message == WM_LBUTTONUP) Finish(TRUE);
                return TRUE;
            }
            case WM_RBUTTONDOWN:
                Finish(FALSE);
                return TRUE;
            case WM_KEYDOWN:
                if (pMsg->wParam == VK_ESCAPE) {
                    Finish(FALSE);
                    return TRUE;
                }
                break;
            default:
                break;
        }
        if (pMsg->message >= WM_KEYFIRST && pMsg->message <= WM_KEYLAST)
            return CWnd::WalkPreTranslateTree(m_hWnd, pMsg);
        return FALSE;
    }

    // The band as it stands when tracking starts.
    void DrawFirst() { Draw(m_tracker.m_rect, FALSE, FALSE); }

    // Ends the loop; the last band is erased for good.
    void Finish(BOOL bAccepted) {
        if (m_bDone) return;
        m_bDone = TRUE;
        m_bAccepted = bAccepted;
        Draw(m_rectDrawn, TRUE, TRUE);
    }

    BOOL Accepted() const { return m_bAccepted; }

private:
    void MoveHandleTo(POINT pt) {
        CRect rectOld = m_tracker.m_rect;
        CRect rectNew = rectOld;
        const HandlePlace& place = kHandlePlaces[m_nHandle];
        if (place.x == 0) rectNew.left = pt.x;
        if (place.x == 2) rectNew.right = pt.x;
        if (place.y == 0) rectNew.top = pt.y;
        if (place.y == 2) rectNew.bottom = pt.y;
        m_tracker.AdjustRect(m_nHandle, &rectNew);
        if (rectNew == rectOld) return;
        Draw(m_rectDrawn, TRUE, FALSE);
        m_tracker.m_rect = rectNew;
        m_tracker.OnChangedRect(rectOld);
        Draw(m_tracker.m_rect, FALSE, FALSE);
    }

    void Draw(const CRect& rect, BOOL bErase, BOOL bFinal) {
        if (!::IsWindow(m_hWnd)) return;
        m_tracker.m_bErase = bErase;
        m_tracker.m_bFinalErase = bFinal;
        {
            CClientDC dc(m_pWnd);
            m_tracker.DrawTrackerRect(&rect, m_pWnd, &dc, m_pWnd);
        }
        m_tracker.m_bErase = FALSE;
        m_tracker.m_bFinalErase = FALSE;
        if (!bErase) m_rectDrawn = rect;
    }

    CRectTracker& m_tracker;  // not owned
    CWnd* m_pWnd;             // not owned
    HWND m_hWnd;              // not owned
    int m_nHandle;
    CRect m_rectDrawn;  // the band on the screen now
    BOOL m_bDone = FALSE;
    BOOL m_bAccepted = FALSE;
};

}  // namespace

CRectTracker::CRectTracker()
    : m_nStyle(0), m_nHandleSize(kDefaultHandleSize), m_bAllowInvert(FALSE), m_bErase(FALSE), m_bFinalErase(FALSE) {}

CRectTracker::CRectTracker(LPCRECT lpSrcRect, UINT nStyle) : CRectTracker() {
    if (lpSrcRect != nullptr) m_rect = *lpSrcRect;
    m_nStyle = nStyle;
}

CRectTracker::~CRectTracker() {}

CRect CRectTracker::NormalRect() const {
    CRect rc = m_rect;
    rc.NormalizeRect();
    return rc;
}

// ---- Geometry ------------------------------------------------------------------

int CRectTracker::GetHandleSize(LPCRECT lpRect) const {
    CRect rc = lpRect != nullptr ? CRect(lpRect) : NormalRect();
    rc.NormalizeRect();
    int nSize = m_nHandleSize;
    if (m_nStyle & resizeInside) nSize = std::min(nSize, std::min(rc.Width(), rc.Height()) / 2);
    return std::max(nSize, 0);
}

UINT CRectTracker::GetHandleMask() const {
    CRect rc = NormalRect();
    int nSize = GetHandleSize(&rc);
    UINT nMask = kCornerHandles;
    if (rc.Width() > 3 * nSize) nMask |= kTopBottomHandles;
    if (rc.Height() > 3 * nSize) nMask |= kLeftRightHandles;
    return nMask;
}

void CRectTracker::GetHandleRect(int nHandle, CRect* pHandleRect) const {
    CRect rc = NormalRect();
    int nSize = GetHandleSize(&rc);
    bool bOutside = (m_nStyle & resizeOutside) != 0;
    const HandlePlace& place = kHandlePlaces[nHandle];
    int x = HandleStart(place.x, rc.left, rc.right, nSize, bOutside);
    int y = HandleStart(place.y, rc.top, rc.bottom, nSize, bOutside);
    pHandleRect->SetRect(x, y, x + nSize, y + nSize);
}

void CRectTracker::GetTrueRect(LPRECT lpTrueRect) const {
    CRect rc = NormalRect();
    if (m_nStyle & (resizeOutside | hatchedBorder)) {
        int nSize = GetHandleSize(&rc);
        rc.InflateRect(nSize, nSize);
    }
    *lpTrueRect = rc;
}

int CRectTracker::HitTest(CPoint point) const {
    CRect rcTrue;
    GetTrueRect(&rcTrue);
    if (!rcTrue.PtInRect(point)) return hitNothing;
    if (m_nStyle & (resizeInside | resizeOutside)) {
        UINT nMask = GetHandleMask();
        for (int i = 0; i < kHandleCount; ++i) {
            if (!(nMask & (1u << i))) continue;
            CRect rcHandle;
            GetHandleRect(i, &rcHandle);
            if (rcHandle.PtInRect(point)) return i;
        }
    }
    return NormalRect().PtInRect(point) ? hitMiddle : hitNothing;
}

// ---- Drawing -------------------------------------------------------------------

void CRectTracker::Draw(CDC* pDC) const {
    if (pDC == nullptr || pDC->m_hDC == nullptr) return;
    HDC hdc = pDC->m_hDC;
    int nSaved = ::SaveDC(hdc);
    CRect rc = NormalRect();
    int nSize = GetHandleSize(&rc);

    if (m_nStyle & (hatchInside | hatchedBorder)) {
        HBRUSH hHatch = ::CreateHatchBrush(HS_BDIAGONAL, RGB(0, 0, 0));
        ::SetBkMode(hdc, TRANSPARENT);
        ::SelectObject(hdc, hHatch);
        ::SelectObject(hdc, ::GetStockObject(NULL_PEN));
        if (m_nStyle & hatchInside) ::Rectangle(hdc, rc.left, rc.top, rc.right + 1, rc.bottom + 1);
        if (m_nStyle & hatchedBorder) {
            CRect rcOut = rc;
            rcOut.InflateRect(nSize, nSize);
            // Four strips around the rectangle; NULL_PEN rectangles leave
            // their right and bottom edge out, hence the +1.
            ::Rectangle(hdc, rcOut.left, rcOut.top, rcOut.right + 1, rc.top + 1);
            ::Rectangle(hdc, rcOut.left, rc.bottom, rcOut.right + 1, rcOut.bottom + 1);
            ::Rectangle(hdc, rcOut.left, rc.top, rc.left + 1, rc.bottom + 1);
            ::Rectangle(hdc, rc.right, rc.top, rcOut.right + 1, rc.bottom + 1);
        }
        ::SelectObject(hdc, ::GetStockObject(NULL_BRUSH));
        ::DeleteObject(hHatch);
    }

    if (m_nStyle & (solidLine | dottedLine)) {
        HPEN hPen = ::CreatePen((m_nStyle & dottedLine) ? PS_DOT : PS_SOLID, 1, RGB(0, 0, 0));
        ::SetBkMode(hdc, TRANSPARENT);
        ::SelectObject(hdc, hPen);
        ::SelectObject(hdc, ::GetStockObject(NULL_BRUSH));
        ::Rectangle(hdc, rc.left, rc.top, rc.right, rc.bottom);
        ::SelectObject(hdc, ::GetStockObject(BLACK_PEN));
        ::DeleteObject(hPen);
    }

    if ((m_nStyle & (resizeInside | resizeOutside)) && nSize > 0) {
        UINT nMask = GetHandleMask();
        for (int i = 0; i < kHandleCount; ++i) {
            if (!(nMask & (1u << i))) continue;
            CRect rcHandle;
            GetHandleRect(i, &rcHandle);
            pDC->FillSolidRect(&rcHandle, RGB(0, 0, 0));
        }
    }
    ::RestoreDC(hdc, nSaved);
}

void CRectTracker::DrawTrackerRect(LPCRECT lpRect, CWnd*, CDC* pDC, CWnd*) {
    if (lpRect == nullptr || pDC == nullptr || pDC->m_hDC == nullptr) return;
    CRect rc(lpRect);
    rc.NormalizeRect();
    // XOR: drawing the same frame again takes it away.
    if (!rc.IsRectEmpty()) pDC->DrawFocusRect(&rc);
}

void CRectTracker::AdjustRect(int nHandle, LPRECT lpRect) {
    if (m_bAllowInvert || lpRect == nullptr || nHandle < 0 || nHandle >= kHandleCount) return;
    const HandlePlace& place = kHandlePlaces[nHandle];
    if (place.x == 0) lpRect->left = std::min(lpRect->left, lpRect->right);
    if (place.x == 2) lpRect->right = std::max(lpRect->right, lpRect->left);
    if (place.y == 0) lpRect->top = std::min(lpRect->top, lpRect->bottom);
    if (place.y == 2) lpRect->bottom = std::max(lpRect->bottom, lpRect->top);
}

void CRectTracker::OnChangedRect(const CRect&) {}

// ---- Tracking ------------------------------------------------------------------

BOOL CRectTracker::TrackRubberBand(CWnd* pWnd, CPoint point, BOOL bAllowInvert) {
    KFW_CHECK_MSG(pWnd != nullptr && pWnd->m_hWnd != nullptr, "TrackRubberBand without a window");
    if (pWnd == nullptr || pWnd->m_hWnd == nullptr) return FALSE;
    // Someone else follows the mouse already.
    if (::GetCapture() != nullptr) return FALSE;

    m_bAllowInvert = bAllowInvert;
    m_rect.SetRect(point.x, point.y, point.x, point.y);
    const CRect rectStart = m_rect;
    // Pending paints first: a band drawn over a stale window would stay.
    pWnd->UpdateWindow();
    ::SetCapture(pWnd->m_hWnd);
    if (::GetCapture() != pWnd->m_hWnd) return FALSE;

    TrackerLoop loop(*this, pWnd, hitBottomRight);
    loop.DrawFirst();
    // A quit ends the loop early: the drag is cancelled and the quit goes on
    // to the enclosing loop.
    if (!AfxRunMessageLoop(loop)) loop.Finish(FALSE);
    if (::GetCapture() == pWnd->m_hWnd) ::ReleaseCapture();

    if (!loop.Accepted()) {
        m_rect = rectStart;
        return FALSE;
    }
    return m_rect != rectStart;
}
