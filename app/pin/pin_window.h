// A picture pinned on the screen: a borderless window captioned "Kapto 钉图"
// that stays above other programs' windows, has no task-bar button, and
// shows one image of its own, whatever Kapto captures, opens or marks up
// next.
//
// Dragged with the left button it moves; the wheel zooms it about the
// pointer (10 % to 500 %), Ctrl + wheel changes its opacity (20 % to 100 %);
// Esc or a double click closes it, Ctrl+C copies its image. Its right-click
// menu copies, saves or marks up its image, restores its size, sets its
// opacity, and closes it or every pin. A thin border shows while the
// pointer is over it, so that it is told from the screen under it.
#pragma once

#include "framework/wnd.h"
#include "kp_capture_info.h"
#include "markup/markup_marks.h"
#include "pin_geometry.h"

class CPinBoard;

class CPinWnd : public CWnd {
public:
    // A new pin on board of image (taken over: the pin's own picture at
    // 100 %), where info says it came from, showing the image at nZoom at rc,
    // in front and active. Null (image freed) when the window cannot be
    // made. The pin deletes itself when its window goes.
    static CPinWnd* Open(CPinBoard& board, CMarkupSurface& image, const KpCaptureInfo& info, const CRect& rc,
                         int nZoom);

    int GetZoom() const { return m_nZoom; }
    int GetOpacity() const { return m_nOpacity; }
    // A dialog of the pin's own is open (its save dialog, the markup
    // window): it is not closed from under it.
    BOOL IsBusy() const { return m_nBusy > 0; }

protected:
    DECLARE_MESSAGE_MAP()

    void PostNcDestroy() override;

    void OnPaint();
    BOOL OnEraseBkgnd(CDC* pDC);
    void OnLButtonDown(UINT nFlags, CPoint point);
    void OnMouseMove(UINT nFlags, CPoint point);
    void OnLButtonUp(UINT nFlags, CPoint point);
    void OnLButtonDblClk(UINT nFlags, CPoint point);
    void OnCaptureChanged(CWnd* pWnd);
    void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    void OnContextMenu(CWnd* pWnd, CPoint pos);
    void OnTimer(UINT_PTR nIDEvent);
    void OnDestroy();
    LRESULT OnMouseWheel(WPARAM wParam, LPARAM lParam);
    LRESULT OnMouseLeave(WPARAM wParam, LPARAM lParam);

    // The right-click menu's commands.
    void OnCopy();
    void OnSaveAs();
    void OnMarkup();
    void OnActualSize();
    void OnOpacity(UINT nID);
    void OnClose();
    void OnCloseAll();

    LRESULT OnDisplayChange(WPARAM wParam, LPARAM lParam);

private:
    explicit CPinWnd(CPinBoard& board);

    CSize ImageSize() const { return CSize(m_image.Width(), m_image.Height()); }
    // The picture goes to rcPicture (on the screen); the window follows as
    // the part of it on the screens. Where the window keeps its size, what
    // it showed moves along and only what comes into sight is drawn;
    // bRedraw draws it all.
    void PlacePicture(const CRect& rcPicture, BOOL bRedraw);
    // The window's point (client coordinates) as a point of the picture.
    CPoint WindowOrigin() const;
    // nZoom with ptFixed (on the screen) held still; the window takes the
    // new size at once, repainted sampled, and smoothed once the wheel rests.
    void ZoomTo(int nZoom, CPoint ptFixed);
    void SetOpacity(int nOpacity);
    // The picture moved with the drag to the window's point.
    void DragTo(CPoint point);
    // The picture's part rc (client coordinates) onto hdc.
    void DrawPicture(HDC hdc, const CRect& rc);
    void DrawBorder(HDC hdc);
    void InvalidateBorder();

    // Counts a dialog of the pin's own for the life of one command.
    class BusyScope;

    CPinBoard& m_board;         // not owned: outlives every pin
    CMarkupSurface m_image;     // the pin's own picture at 100 %
    KpCaptureInfo m_info;       // where it came from: the name its save proposes
    CMarkupSurface m_smoothed;  // the picture at m_nZoom below 100 as area means, once made
    CRect m_rcPicture;          // the whole zoomed picture on the screen; the window is its visible part
    int m_nZoom;                // percent
    int m_nOpacity;             // percent
    BOOL m_bHover;              // the pointer is over the pin (its border shows)
    BOOL m_bDragging;
    CPoint m_ptGrab;     // where the drag took the picture, in the zoomed picture's pixels
    CPoint m_ptMenu;     // where the menu was asked for, on the screen
    int m_nWheelRest;    // wheel turned short of a notch, kept for the next turn
    // The point the last zoom held still, and where that zoom put the
    // picture: the next notch with the pointer there and the pin not moved
    // since zooms about the same point of the picture.
    kppin::ZoomAnchor m_anchor;
    CRect m_rcZoomed;
    int m_nBusy;         // dialogs of the pin's own open
    BOOL m_bWindowGone;  // the window went while a dialog was open
    BOOL m_bOpening;     // Open is making the window
};
