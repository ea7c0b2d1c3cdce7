// The monitors as a plain list (each one's rectangle, work area and DPI) and
// the geometry that captures and capture windows do over it: which monitor a
// point or a window is on, where a box beside the pointer or a panel in a
// monitor's corner goes so that it stays whole, how a point is kept on the
// screens, which parts of a rectangle lie on no monitor, and sizes between
// monitors of different scaling.
//
// Everything is in physical pixels of the virtual screen (the primary
// monitor's top-left corner is (0, 0); monitors left of or above it have
// negative coordinates). Nothing here calls the window system:
// KpGetMonitorLayout (monitor_enum.h) fills a layout from the system, and the
// tests build layouts that no single machine shows.
#pragma once

#include "framework/geometry.h"
#include "kp_export.h"

// The DPI of a monitor at 100 %.
const unsigned int kKpDefaultDpi = 96;

struct KpMonitor {
    CRect rcMonitor;    // the whole monitor
    CRect rcWork;       // without the task bar and docked bars
    unsigned int nDpi;  // 96 at 100 %, 144 at 150 %
    BOOL bPrimary;
};

class KPLIB_API CKpMonitorLayout {
public:
    enum { kMaxMonitors = 32 };
    // The corners a panel is put in.
    enum Corner { kTopLeft, kTopRight, kBottomRight };

    CKpMonitorLayout();

    void Clear() { m_nCount = 0; }
    // FALSE (nothing added) for an empty rectangle or a full list. An empty
    // work area stands for the whole monitor, a DPI of 0 for 96.
    BOOL AddMonitor(const CRect& rcMonitor, const CRect& rcWork, unsigned int nDpi, BOOL bPrimary);
    int GetCount() const { return m_nCount; }
    const KpMonitor& GetMonitor(int i) const;
    // The primary monitor's index: the one marked so, else the one at the
    // origin, else the first; -1 for an empty layout.
    int GetPrimary() const;
    // The bounding box of every monitor (empty for an empty layout).
    CRect GetVirtualRect() const;

    // The monitor pt is on, or -1 when it lies on none (in a gap beside a
    // shorter monitor, or outside them all).
    int FromPoint(POINT pt) const;
    // The monitor pt is on, else the one nearest to it; -1 only when empty.
    int Nearest(POINT pt) const;
    // The monitor that shows most of rc, else the one nearest to its centre.
    int FromRect(const RECT& rc) const;
    // pt where it lies on a monitor; otherwise the nearest point of the
    // nearest monitor. A pointer moved by keys crosses from one monitor to
    // the next but never leaves them.
    CPoint KeepOnScreens(POINT pt) const;

    // The parts of rc that lie on no monitor, at most nMax of them into
    // pParts (which may be null with nMax 0 to count); the number of parts.
    int GetUncovered(const RECT& rc, CRect* pParts, int nMax) const;

    // A box of size sz beside the pointer at pt, nGap pixels from it: above
    // and to the right, to the left where the monitor under pt ends within
    // the box's width, below where the box's height does not fit above pt.
    // Whatever the case, the box stays whole on that monitor.
    CRect PlaceBeside(POINT pt, SIZE sz, int nGap) const;
    // A panel of size sz nMargin pixels inside corner c of monitor i (its
    // whole rectangle), kept whole on a monitor smaller than the panel by
    // its top-left corner.
    CRect CornerOf(int i, SIZE sz, int nMargin, Corner c) const;
    // Where a window of ours with rectangle rcWindow, laid out for
    // nWindowDpi, goes when the monitors have changed: where it is while
    // most of it still lies on a monitor of the same DPI; otherwise onto the
    // monitor nearest to it, its size mapped to that monitor's DPI, inside
    // that monitor's work area.
    CRect BringOnto(const RECT& rcWindow, unsigned int nWindowDpi) const;

private:
    KpMonitor m_monitors[kMaxMonitors];
    int m_nCount;
};

// n pixels at 100 % as pixels at nDpi, rounded to the nearest.
KPLIB_API int KpScaleForDpi(int n, unsigned int nDpi);
// A size laid out at nFromDpi, as the same size at nToDpi.
KPLIB_API CSize KpMapSizeDpi(SIZE sz, unsigned int nFromDpi, unsigned int nToDpi);
// The scale of the capture tip panels at nDpi, in percent: 100, 150 or 200.
// The panels are drawn for these three (their picture is pixel art that a
// fractional factor would blur); 125 % takes the 150 % panel, 175 % and more
// the 200 % one.
KPLIB_API int KpPanelScalePercent(unsigned int nDpi);
