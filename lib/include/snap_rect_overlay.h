// The rectangle selection overlay: a frozen picture of every monitor over
// which the user drags the rectangle to capture.
//
// CDlgSnapRectHelper (template 135 of the library) grabs the whole virtual
// screen when it opens (one picture, the gaps beside shorter monitors black),
// offers that picture on the clipboard, and covers every monitor with it,
// topmost. A cross cursor, an information box beside the cursor (the
// rectangle's corner and size and the cursor position) and a tip panel near
// a top corner of the monitor under the cursor (the pixel's colour, a
// magnifier and a hint) follow the mouse, each kept whole on that monitor
// and drawn at its scale. A drag with the left button selects, across
// monitors if need be; releasing it ends the dialog with IDOK, in whatever
// direction it went. Enter ends it with IDOK and the rectangle as it stands
// (none before a drag), Esc with IDCANCEL and none; Esc during a drag only
// drops the drag. Arrow keys move the cursor by one pixel, with Shift by
// ten, also during a drag and from one monitor onto the next. R before a
// drag puts the last selection back (SetLastSelection): Enter accepts it, a
// drag from one of its corners resizes it, a drag elsewhere starts anew.
//
// The caller keeps a CKpLocalResource in force around DoModal: the template
// is the library's.
#pragma once

#include "framework/dialog.h"
#include "framework/gdi.h"
#include "framework/rect_tracker.h"
#include "image_bitmap.h"
#include "kp_export.h"
#include "monitor_layout.h"
#include "snap_tip_windows.h"

// The overlay's tracker: it draws no band of its own, it has the overlay
// repaint itself (picture, box, frame and tip) on every change.
class KPLIB_API CSnapTrack : public CRectTracker {
public:
    CSnapTrack();
    // pWnd must be the CDlgSnapRectHelper being tracked.
    void DrawTrackerRect(LPCRECT lpRect, CWnd* pWndClipTo, CDC* pDC, CWnd* pWnd) override;
    ~CSnapTrack() override;
};

class KPLIB_API CDlgSnapRectHelper : public CDialog {
    DECLARE_DYNAMIC(CDlgSnapRectHelper)
public:
    // Selection states.
    enum { kWaiting = 0, kSelecting = 1, kFinished = 2 };

    explicit CDlgSnapRectHelper(CWnd* pParent = nullptr);
    ~CDlgSnapRectHelper() override;

    // The selected rectangle in screen coordinates, normalised; non-zero
    // when it has an area.
    int GetSelectedRect(CRect& rc);
    // The selected part of the frozen picture: a new bitmap the caller
    // deletes, or null without a picture or a selection.
    CImageBitmap* CopySelectedPicture() const;
    // Asks for a repaint of everything but the tip panel.
    void PaintTipWindow();
    // Whether the frozen picture, and so the capture, shows the mouse
    // pointer where it was when the overlay opened. Set before DoModal.
    void SetCapturePointer(BOOL bPointer) { m_bCapturePointer = bPointer; }
    // The rectangle (screen coordinates) that R puts back; empty: none.
    void SetLastSelection(const CRect& rc) { m_rcLast = rc; }
    // The screen rectangle the overlay covers and its picture shows.
    CRect GetScreenRect() const { return m_rcScreen; }

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    // The keyboard: Esc, Enter and the arrows; no typing into the panel.
    BOOL PreTranslateMessage(MSG* pMsg) override;

    // Grabs the virtual screen into the frozen picture and offers it on the
    // clipboard; 0 when the grab failed.
    int SnapFullScreen();
    // The tip's text: the pixel under the cursor and the state's hint.
    void DrawTipWindow();
    // The information box for rectangle rc beside the cursor.
    void DrawInfoWindow(CRect& rc);
    // Moves the cursor by (dx, dy) pixels, kept on the monitors.
    void MoveCursorBy(int dx, int dy);
    // R: the last selection back in the tracker.
    void RestoreLastSelection();
    // A screen point in the overlay's client coordinates and back.
    CPoint ToClient(POINT pt) const { return CPoint(pt.x - m_rcScreen.left, pt.y - m_rcScreen.top); }

    // The clipboard gets the frozen picture only when someone asks for it:
    // a copy of the whole virtual screen is not made for nothing.
    LRESULT OnRenderFormat(WPARAM wParam, LPARAM lParam);
    LRESULT OnRenderAllFormats(WPARAM wParam, LPARAM lParam);

    void OnPaint();
    BOOL OnEraseBkgnd(CDC* pDC);
    BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);
    void OnLButtonDown(UINT nFlags, CPoint point);
    void OnLButtonDblClk(UINT nFlags, CPoint point);
    void OnLButtonUp(UINT nFlags, CPoint point);
    void OnMouseMove(UINT nFlags, CPoint point);

    CSnapTipEdit m_edtTip;  // the template's panel control
    HCURSOR m_hCursor;      // shared resource cursor: not destroyed
    CSnapTrack m_tracker;
    CImageBitmap m_bmpScreen;  // the frozen picture; no bitmap when the grab failed
    int m_nState;              // kWaiting, kSelecting or kFinished
    BOOL m_bCapturePointer;
    CKpMonitorLayout m_layout;  // the monitors when the overlay opened
    CRect m_rcScreen;           // the virtual screen: the overlay's place, the picture's area
    CRect m_rcSelected;         // screen coordinates
    CRect m_rcLast;             // screen coordinates
    CRgn m_rgnRepaint;  // overwritten by every repaint request

    friend class CSnapTrack;

    DECLARE_MESSAGE_MAP()
};
