// The rectangle selection overlay: a frozen picture of the primary screen
// over which the user drags the rectangle to capture.
//
// CDlgSnapRectHelper (template 135 of the library) grabs the screen when it
// opens, puts that picture on the clipboard, and covers the screen with it,
// topmost. A cross cursor, an information box beside the cursor (the
// rectangle's corner and size and the cursor position) and a tip panel near
// a top corner (the pixel's colour, a magnifier and a hint) follow the mouse.
// A drag with the left button selects; releasing it ends the dialog with
// IDOK, in whatever direction it went. Enter ends it with IDOK and the
// rectangle as it stands (none before a drag), Esc with IDCANCEL and none;
// Esc during a drag only drops the drag. Arrow keys move the cursor by one
// pixel, with Shift by ten, also during a drag.
//
// The caller keeps a CKpLocalResource in force around DoModal: the template
// is the library's.
#pragma once

#include "framework/dialog.h"
#include "framework/gdi.h"
#include "framework/rect_tracker.h"
#include "image_bitmap.h"
#include "kp_export.h"
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

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    // The keyboard: Esc, Enter and the arrows; no typing into the panel.
    BOOL PreTranslateMessage(MSG* pMsg) override;

    // Grabs the primary screen into the frozen picture and onto the
    // clipboard; 0 when the grab failed.
    int SnapFullScreen();
    // The tip's text: the pixel under the cursor and the state's hint.
    void DrawTipWindow();
    // The information box for rectangle rc beside the cursor.
    void DrawInfoWindow(CRect& rc);
    // Moves the cursor by (dx, dy) pixels, kept on the screen.
    void MoveCursorBy(int dx, int dy);

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
    CRect m_rcSelected;
    CRgn m_rgnRepaint;  // overwritten by every repaint request

    friend class CSnapTrack;

    DECLARE_MESSAGE_MAP()
};
