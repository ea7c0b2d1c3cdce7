// The monitor list and the geometry over it; no window-system calls.
#include "monitor_layout.h"

#include "framework/contract.h"

#include <algorithm>

namespace {

// The DPIs from which the tip panels take their 150 % and 200 % pictures:
// 125 % and 175 %.
const unsigned int kPanel150FromDpi = 120;
const unsigned int kPanel200FromDpi = 168;

// Room for the pieces of a rectangle with the monitors cut out of it: a
// monitor that does not overlap another one adds at most three.
const int kMaxPieces = 4 * CKpMonitorLayout::kMaxMonitors + 4;

unsigned int DpiOrDefault(unsigned int nDpi) { return nDpi != 0 ? nDpi : kKpDefaultDpi; }

// n * nTo / nFrom, rounded to the nearest (halves away from zero).
int MulDivRound(long long n, long long nTo, long long nFrom) {
    long long p = n * nTo;
    long long q = (p >= 0 ? p + nFrom / 2 : p - nFrom / 2) / nFrom;
    return (int)q;
}

// The squared distance from pt to the nearest pixel of rc.
long long DistanceSq(const CRect& rc, POINT pt) {
    long long dx = 0, dy = 0;
    if (pt.x < rc.left) dx = rc.left - pt.x;
    else if (pt.x >= rc.right) dx = pt.x - (rc.right - 1);
    if (pt.y < rc.top) dy = rc.top - pt.y;
    else if (pt.y >= rc.bottom) dy = pt.y - (rc.bottom - 1);
    return dx * dx + dy * dy;
}

long long Area(const CRect& rc) { return rc.IsRectEmpty() ? 0 : (long long)rc.Width() * rc.Height(); }

// a without b: up to four pieces into pOut; their number.
int Subtract(const CRect& a, const CRect& b, CRect* pOut) {
    CRect i;
    if (!i.IntersectRect(&a, &b)) {
        pOut[0] = a;
        return 1;
    }
    int n = 0;
    if (i.top > a.top) pOut[n++] = CRect(a.left, a.top, a.right, i.top);
    if (i.bottom < a.bottom) pOut[n++] = CRect(a.left, i.bottom, a.right, a.bottom);
    if (i.left > a.left) pOut[n++] = CRect(a.left, i.top, i.left, i.bottom);
    if (i.right < a.right) pOut[n++] = CRect(i.right, i.top, a.right, i.bottom);
    return n;
}

// v moved into [lo, hi]; lo wins where the range is empty.
int Clamp(int v, int lo, int hi) { return std::max(std::min(v, hi), lo); }

}  // namespace

CKpMonitorLayout::CKpMonitorLayout() : m_nCount(0) {}

BOOL CKpMonitorLayout::AddMonitor(const CRect& rcMonitor, const CRect& rcWork, unsigned int nDpi, BOOL bPrimary) {
    if (rcMonitor.IsRectEmpty() || m_nCount >= kMaxMonitors) return FALSE;
    KpMonitor& m = m_monitors[m_nCount++];
    m.rcMonitor = rcMonitor;
    m.rcWork = rcWork.IsRectEmpty() ? rcMonitor : rcWork;
    m.nDpi = DpiOrDefault(nDpi);
    m.bPrimary = bPrimary;
    return TRUE;
}

const KpMonitor& CKpMonitorLayout::GetMonitor(int i) const {
    KFW_CHECK_MSG(i >= 0 && i < m_nCount, "monitor index out of the layout");
    return m_monitors[std::min(std::max(i, 0), kMaxMonitors - 1)];
}

int CKpMonitorLayout::GetPrimary() const {
    if (m_nCount == 0) return -1;
    for (int i = 0; i < m_nCount; ++i)
        if (m_monitors[i].bPrimary) return i;
    for (int i = 0; i < m_nCount; ++i)
        if (m_monitors[i].rcMonitor.left == 0 && m_monitors[i].rcMonitor.top == 0) return i;
    return 0;
}

CRect CKpMonitorLayout::GetVirtualRect() const {
    CRect rc;
    for (int i = 0; i < m_nCount; ++i) rc.UnionRect(&rc, &m_monitors[i].rcMonitor);
    return rc;
}

int CKpMonitorLayout::FromPoint(POINT pt) const {
    for (int i = 0; i < m_nCount; ++i)
        if (m_monitors[i].rcMonitor.PtInRect(pt)) return i;
    return -1;
}

int CKpMonitorLayout::Nearest(POINT pt) const {
    int nBest = -1;
    long long best = 0;
    for (int i = 0; i < m_nCount; ++i) {
        long long d = DistanceSq(m_monitors[i].rcMonitor, pt);
        if (nBest < 0 || d < best) {
            nBest = i;
            best = d;
        }
    }
    return nBest;
}

int CKpMonitorLayout::FromRect(const RECT& rc) const {
    CRect r(rc);
    r.NormalizeRect();
    int nBest = -1;
    long long best = 0;
    for (int i = 0; i < m_nCount; ++i) {
        CRect overlap;
        overlap.IntersectRect(&r, &m_monitors[i].rcMonitor);
        long long a = Area(overlap);
        if (a > best) {
            nBest = i;
            best = a;
        }
    }
    return nBest >= 0 ? nBest : Nearest(r.CenterPoint());
}

CPoint CKpMonitorLayout::KeepOnScreens(POINT pt) const {
    if (FromPoint(pt) >= 0) return CPoint(pt);
    int i = Nearest(pt);
    if (i < 0) return CPoint(pt);
    const CRect& m = m_monitors[i].rcMonitor;
    return CPoint(Clamp(pt.x, m.left, m.right - 1), Clamp(pt.y, m.top, m.bottom - 1));
}

int CKpMonitorLayout::GetUncovered(const RECT& rc, CRect* pParts, int nMax) const {
    CRect pieces[kMaxPieces];
    CRect next[kMaxPieces];
    int nPieces = 0;
    CRect r(rc);
    if (!r.IsRectEmpty()) pieces[nPieces++] = r;
    for (int i = 0; i < m_nCount && nPieces > 0; ++i) {
        int nNext = 0;
        for (int k = 0; k < nPieces; ++k) {
            CRect cut[4];
            int n = Subtract(pieces[k], m_monitors[i].rcMonitor, cut);
            KFW_CHECK_MSG(nNext + n <= kMaxPieces, "too many uncovered pieces");
            for (int j = 0; j < n && nNext < kMaxPieces; ++j) next[nNext++] = cut[j];
        }
        std::copy(next, next + nNext, pieces);
        nPieces = nNext;
    }
    for (int k = 0; k < nPieces && k < nMax && pParts != nullptr; ++k) pParts[k] = pieces[k];
    return nPieces;
}

CRect CKpMonitorLayout::PlaceBeside(POINT pt, SIZE sz, int nGap) const {
    int left = pt.x + nGap;
    int top = pt.y - sz.cy - nGap;
    int i = Nearest(pt);
    if (i < 0) return CRect(left, top, left + sz.cx, top + sz.cy);
    const CRect& m = m_monitors[i].rcMonitor;
    // The monitor ends within the box's width: the box goes left of the
    // pointer; no room above: below it.
    if (pt.x + sz.cx >= m.right) left = pt.x - nGap - sz.cx;
    if (pt.y - sz.cy <= m.top) top = pt.y + nGap;
    // Never cut: pushed back inside by what still sticks out.
    left = Clamp(left, m.left, m.right - sz.cx);
    top = Clamp(top, m.top, m.bottom - sz.cy);
    return CRect(left, top, left + sz.cx, top + sz.cy);
}

CRect CKpMonitorLayout::CornerOf(int i, SIZE sz, int nMargin, Corner c) const {
    const CRect& m = GetMonitor(i).rcMonitor;
    int x = c == kTopLeft ? m.left + nMargin : m.right - nMargin - sz.cx;
    int y = c == kBottomRight ? m.bottom - nMargin - sz.cy : m.top + nMargin;
    x = std::max(x, (int)m.left);
    y = std::max(y, (int)m.top);
    return CRect(x, y, x + sz.cx, y + sz.cy);
}

CRect CKpMonitorLayout::BringOnto(const RECT& rcWindow, unsigned int nWindowDpi) const {
    CRect rc(rcWindow);
    rc.NormalizeRect();
    int i = FromRect(rc);
    if (i < 0) return rc;
    const KpMonitor& m = m_monitors[i];
    CRect overlap;
    overlap.IntersectRect(&rc, &m.rcMonitor);
    bool bMostlyOn = Area(rc) > 0 && 2 * Area(overlap) >= Area(rc);
    nWindowDpi = DpiOrDefault(nWindowDpi);
    if (bMostlyOn && m.nDpi == nWindowDpi) return rc;
    CSize size = KpMapSizeDpi(rc.Size(), nWindowDpi, m.nDpi);
    const CRect& work = m.rcWork;
    size.cx = std::min((int)size.cx, work.Width());
    size.cy = std::min((int)size.cy, work.Height());
    int left = Clamp(rc.left, work.left, work.right - size.cx);
    int top = Clamp(rc.top, work.top, work.bottom - size.cy);
    return CRect(left, top, left + size.cx, top + size.cy);
}

int KpScaleForDpi(int n, unsigned int nDpi) { return MulDivRound(n, DpiOrDefault(nDpi), kKpDefaultDpi); }

CSize KpMapSizeDpi(SIZE sz, unsigned int nFromDpi, unsigned int nToDpi) {
    long long nFrom = DpiOrDefault(nFromDpi), nTo = DpiOrDefault(nToDpi);
    return CSize(MulDivRound(sz.cx, nTo, nFrom), MulDivRound(sz.cy, nTo, nFrom));
}

int KpPanelScalePercent(unsigned int nDpi) {
    nDpi = DpiOrDefault(nDpi);
    if (nDpi >= kPanel200FromDpi) return 200;
    if (nDpi >= kPanel150FromDpi) return 150;
    return 100;
}
