// One scrolling capture of a window the user chose: the window is brought
// to its top, grabbed, scrolled down a step, grabbed again once its repaint
// has settled, and so on until its content stops moving, Esc is pressed or
// a limit is reached; each grab is stitched onto the picture so far
// (scroll_stitcher.h), and the window is scrolled back where it was.
//
// It scrolls with what the window answers to: its scroll messages when it
// has a standard vertical scroll bar (the scroll position then tells how far
// each step went, where it can be read), else the mouse wheel over the area. The area is the
// window's client area as the screen shows it; a small panel beside it shows
// the height so far.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "framework/geometry.h"
#include "framework/platform.h"
#include "overlays/snap_scroll_panel.h"
#include "scroll/scroll_stitcher.h"

class CKpScrollRun {
public:
    enum {
        kMaxHeight = 30000,  // pixels of the picture
        kMaxSteps = 200,
    };

    // hArea: the window to capture; hOwner: the program's main window (or
    // null), the owner of the panel. wait(nMs) waits while the thread's
    // messages go on, FALSE when the program is ending meanwhile.
    CKpScrollRun(HWND hArea, HWND hOwner, std::function<BOOL(UINT)> wait);
    // Puts back what the run changed on the screen: the panel, the pointer,
    // the window's place in the Z order.
    ~CKpScrollRun();
    CKpScrollRun(const CKpScrollRun&) = delete;
    CKpScrollRun& operator=(const CKpScrollRun&) = delete;

    // What a scrolling capture takes for the window hWnd under the pointer:
    // the nearest of it and its parents that has a vertical scroll bar with
    // something to scroll, else hWnd itself (a window that scrolls by the
    // wheel alone).
    static HWND FindScrollingWindow(HWND hWnd);

    // The whole run. The picture as a new top-down 32-bit DIB section that
    // the caller owns, or null when nothing could be grabbed (or the run was
    // stopped before its first frame).
    HBITMAP Run();
    // The area grabbed, on the screen; empty before Run.
    CRect GetGrabRect() const { return m_rcGrab; }
    // How many frames were placed after the first.
    int GetStepCount() const { return m_nSteps; }

private:
    enum Method {
        kLines,  // the scroll bar's line messages
        kWheel,  // wheel turns over the area
    };

    // Ways of moving: nUnits lines of the scroll bar, or wheel notches; up
    // when negative.
    BOOL Move(int nUnits);
    BOOL SendScroll(int nCode, int nPos = 0);
    BOOL ReadScrollInfo(SCROLLINFO& info) const;
    int ScrollPos() const;
    // The screen's pixels of the area into frame i, once two grabs in a row
    // show the same (the window's repaint has settled). FALSE when the
    // window or the program went away.
    BOOL GrabSettled(int i);
    BOOL Grab(int i);
    BOOL Stopped();
    // Brings the window to its top; the frame of the top in m_nCurrent,
    // bMoved whether it moved. FALSE when Esc was pressed or the window or
    // the program went away.
    BOOL GoToTop(BOOL& bMoved);
    // Steps down from the top, each frame placed on the stitcher, until the
    // end, Esc, a limit or a frame that fits nothing.
    void Stitch(CKpScrollStitcher& stitcher);
    // A move of nUnits that shifted the content nShift rows.
    void Learn(int nShift, int nUnits);
    // Scrolls the window back where it was: to its scroll position, or by
    // the wheel turns that make up the distance moved (when it is known).
    void GoBack();
    // Units for a step of about two thirds of the moving rows.
    int StepUnits(int nMovingRows) const;
    // Frame i read bottom up, for measuring a move towards the top.
    const uint32_t* BottomUp(int i) const;
    void FreeFrames();

    HWND m_hArea;   // not owned
    HWND m_hOwner;  // not owned
    HWND m_hRoot;   // not owned: its top-level window, raised for the run
    BOOL m_bRaised;
    std::function<BOOL(UINT)> m_wait;
    CRect m_rcGrab;
    int m_nWidth;
    int m_nHeight;
    Method m_method;
    BOOL m_bPositionKnown;  // the scroll position can be read
    int m_nStartPos;        // the scroll position the window had
    // How far the content is from where it was, in pixels (down positive),
    // as the frames measured it; unknown after a move no frame could place.
    int m_nOffset;
    BOOL m_bOffsetKnown;
    int m_nUpDistance;        // from the top down to where the window was, in pixels
    double m_dPixelsPerUnit;  // per line or wheel notch; 0 until a move has shown it
    double m_dPixelsPerPos;   // per unit of the scroll position; 0 while unknown
    int m_nSteps;
    int m_nCurrent;                        // the frame that shows where the window is now
    HBITMAP m_hFrames[2];                  // owned
    uint32_t* m_pFrames[2];                // their pixels
    std::vector<uint64_t> m_settleBefore;  // row hashes of the grab before
    std::vector<uint64_t> m_settleNow;
    std::vector<uint64_t> m_topHashes;  // row hashes of the frame at the top
    POINT m_ptPointer;                  // where the pointer was
    BOOL m_bPointerMoved;
    CSnapScrollPanel m_panel;
};
