// The tip panel shown while the user picks something on the screen, and the
// small always-on-top dialog that carries it during an object capture.
//
// CSnapTipEdit paints over an EDIT control of a dialog template (bound by
// DDX_Control): a light-blue background picture, its window text in the band
// below the caption, and a five-fold magnifier of the 40 x 30 pixels around
// the cursor with a green cross-hair and a black box on the cursor's pixel.
// The magnifier shows either the live screen or the frozen picture of the
// screen that the rectangle overlay has put on the clipboard.
//
// CDlgSnapObjHelper is the object tip: template 4005, 220 x 253 pixels, 10
// pixels from the bottom-right corner of the screen, topmost. The engine runs
// it modally, moves it out of the cursor's way, and sends it WM_MOUSEMOVE
// (both parameters 0) whenever the tip must be refreshed.
#pragma once

#include "framework/dialog.h"
#include "framework/gdi.h"
#include "framework/wnd.h"
#include "kp_export.h"
#include "monitor_layout.h"

class KPLIB_API CSnapTipEdit : public CWnd {
public:
    // Panel size, the caption band above the text, and the magnifier: a
    // 40 x 30 source area drawn five-fold at (10, 90) of the panel. These are
    // the 100 % sizes; a panel on a scaled monitor is drawn at 150 % or 200 %
    // (KpPanelScalePercent), its magnifier then showing a larger area at the
    // same five-fold zoom, so that nothing is blurred.
    enum {
        kPanelWidth = 220,
        kPanelHeight = 253,
        kCaptionHeight = 30,
        kTextBottom = 80,
        kZoom = 5,
        kSourceWidth = 40,
        kSourceHeight = 30,
        kMagnifierLeft = 10,
        kMagnifierTop = 90,
        // The panel's own escape: the distance from the screen's edges.
        kEscapeMargin = 10,
    };

    CSnapTipEdit();
    ~CSnapTipEdit() override;

    CWnd* GetSourceWnd() const { return CWnd::FromHandle(m_hSourceWnd); }
    // The window whose pixels the magnifier shows (null: no magnifier).
    // bLive 1 magnifies that window as it is now; 0 magnifies a copy of the
    // bitmap on the clipboard, taken now.
    void SetSourceWnd(CWnd* pSourceWnd, int bLive);
    // Magnifies hPicture (not owned: it must outlive the panel's use of it),
    // whose top-left pixel shows the screen point ptOrigin: a frozen picture
    // of the whole virtual screen, handed over without a copy.
    void SetFrozenPicture(HBITMAP hPicture, POINT ptOrigin);
    // The panel's scale in percent (100, 150 or 200) and its size at a scale.
    int GetPanelScale() const { return m_nScale; }
    void SetPanelScale(int nPercent);
    static CSize GetPanelSize(int nPercent);
    int GetAtTopLeft() const { return m_bAtTopLeft; }
    void SetAtTopLeft(int bAtTopLeft) { m_bAtTopLeft = bAtTopLeft; }

protected:
    int OnCreate(LPCREATESTRUCTA lpCreateStruct);
    void OnMouseMove(UINT nFlags, CPoint point);
    void OnSetFocus(CWnd* pOldWnd);
    HBRUSH CtlColor(CDC* pDC, UINT nCtlColor);
    BOOL OnEraseBkgnd(CDC* pDC);
    void OnPaint();
    void OnDestroy();

    // The magnifier with its cross-hair, into the panel's DC.
    void DrawMagnifier(CDC* pDC, const CRect& rcClient);
    void FreeFrozenPicture();
    // n pixels of the 100 % panel at the panel's scale.
    int Scaled(int n) const { return n * m_nScale / 100; }

    int m_bAtTopLeft;  // the panel's own corner: 1 top-left, 0 top-right
    // Kept as a handle: the window given is often a temporary wrapper (the
    // desktop's) that the message loop frees while the panel is still shown.
    HWND m_hSourceWnd;    // not owned
    HPALETTE m_hPalette;  // owned; only on palette displays
    CBitmap m_bmpFrozen;  // owned: a copy of the clipboard's screen picture
    HBITMAP m_hFrozen;    // not owned: the frozen picture magnified (m_bmpFrozen's or a caller's)
    CPoint m_ptFrozenOrigin;  // the screen point of the frozen picture's top-left pixel
    int m_bLiveSource;        // 1: the live source window; 0: the frozen picture
    int m_nScale;             // percent
    // The monitors, read when the source is set: the panel's escape jumps
    // between the corners of the monitor under the cursor.
    CKpMonitorLayout m_layout;

    DECLARE_MESSAGE_MAP()
};

class KPLIB_API CDlgSnapObjHelper : public CDialog {
    DECLARE_DYNAMIC(CDlgSnapObjHelper)
public:
    explicit CDlgSnapObjHelper(CWnd* pParent = nullptr);
    ~CDlgSnapObjHelper() override;

    BOOL OnInitDialog() override;

    // The engine reads and writes these while the tip is shown.
    CSnapTipEdit m_edtTip;  // bound to the template's panel control
    int m_bAtTopLeft;       // corner of the screen: 0 bottom-right, 1 top-left
    int m_nTipWidth;        // the dialog's size in pixels
    int m_nTipHeight;
    int m_bFirstMove;  // the first refresh still hands the foreground back

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    // The cursor position as the panel's text, then a full repaint of it.
    void DrawTipWindow();

    void OnMouseMove(UINT nFlags, CPoint point);
    void OnDestroy();

    DECLARE_MESSAGE_MAP()
};
