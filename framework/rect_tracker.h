// A rectangle that the user drags out with the mouse.
//
// TrackRubberBand runs a loop of its own through the layer's one message loop
// (framework/message_loop.h) while the left button is held: it captures the
// mouse and follows it until the button is released (accept), until Esc or
// the right button (cancel, the rectangle restored), or until the window
// loses the capture (cancel). On every change of the rectangle it calls
// DrawTrackerRect once to erase the old band and once to draw the new one;
// paint messages and everything else the loop does not use are dispatched
// meanwhile, keyboard messages after the window's PreTranslateMessage, so
// the window under the band repaints and keeps its keys.
//
// Coordinates are the tracked window's client coordinates.
#pragma once

#include "framework/gdi.h"
#include "framework/geometry.h"
#include "framework/wnd.h"

class KFW_API CRectTracker {
public:
    // How Draw shows the rectangle (any combination).
    enum StyleFlags {
        solidLine = 1,       // a solid black frame
        dottedLine = 2,      // a dotted black frame
        hatchedBorder = 4,   // a hatched border outside the rectangle
        resizeInside = 8,    // resize handles inside the rectangle
        resizeOutside = 16,  // resize handles outside the rectangle
        hatchInside = 32,    // the rectangle's inside hatched
    };
    // What HitTest finds; the handles are numbered in this order (bit n of
    // GetHandleMask is handle n).
    enum TrackerHit {
        hitNothing = -1,
        hitTopLeft = 0,
        hitTopRight = 1,
        hitBottomRight = 2,
        hitBottomLeft = 3,
        hitTop = 4,
        hitRight = 5,
        hitBottom = 6,
        hitLeft = 7,
        hitMiddle = 8,
    };

    CRectTracker();
    CRectTracker(LPCRECT lpSrcRect, UINT nStyle);
    virtual ~CRectTracker();

    // Operations
    // Draws the rectangle in the style's way on pDC.
    void Draw(CDC* pDC) const;
    // The normalised rectangle, grown by what the style draws outside it
    // (outside handles, hatched border).
    void GetTrueRect(LPRECT lpTrueRect) const;
    // Where point lies: a handle, the middle, or hitNothing outside the true
    // rectangle.
    int HitTest(CPoint point) const;
    // Drags out a new rectangle from point (the left button is down). With
    // bAllowInvert the rectangle may end above or left of point. Non-zero
    // only when the drag was accepted with a rectangle that differs from
    // the empty one at point; a cancelled drag restores that empty one.
    BOOL TrackRubberBand(CWnd* pWnd, CPoint point, BOOL bAllowInvert = TRUE);

    // Overridables
    // Draws (or, while m_bErase is set, erases) the band at lpRect during
    // tracking. The default draws a dotted XOR frame on pDC, so the same
    // call erases it.
    virtual void DrawTrackerRect(LPCRECT lpRect, CWnd* pWndClipTo, CDC* pDC, CWnd* pWnd);
    // Lets a tracker correct the rectangle while nHandle moves it. The
    // default keeps the moving edges from crossing the fixed ones unless
    // inverting is allowed.
    virtual void AdjustRect(int nHandle, LPRECT lpRect);
    // After every change during tracking, with the rectangle before it.
    virtual void OnChangedRect(const CRect& rectOld);
    // The handles Draw and HitTest use: the corners always, the middle of a
    // side only when that side is longer than three handles.
    virtual UINT GetHandleMask() const;
    // The handles' side in pixels, for lpRect (the normalised rectangle when
    // null); inside handles never take more than half the shorter side.
    virtual int GetHandleSize(LPCRECT lpRect = nullptr) const;

    CRect m_rect;         // the rectangle, as tracked (not normalised)
    UINT m_nStyle;        // StyleFlags
    int m_nHandleSize;    // the handles' side in pixels
    BOOL m_bAllowInvert;  // of the running or last tracking
    BOOL m_bErase;        // DrawTrackerRect is asked to erase
    BOOL m_bFinalErase;   // ... for the last time: tracking has ended

protected:
    // The square of handle nHandle for the normalised rectangle.
    void GetHandleRect(int nHandle, CRect* pHandleRect) const;
    CRect NormalRect() const;
};
