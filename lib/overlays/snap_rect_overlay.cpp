// The rectangle selection overlay and its tracker.
#include "snap_rect_overlay.h"

#include "framework/ddx.h"
#include "framework/resources.h"
#include "framework/scoped_handles.h"
#include "screen_grab.h"
#include "kp_resource.h"
#include "monitor_enum.h"
#include "res/resource.h"

#include <algorithm>
#include <new>

namespace {

// The tip panel's distance from its monitor's edges.
const int kOverlayTipMargin = 10;

// The key that puts the last selection back.
const WPARAM kRepeatKey = 'R';

// The information box: grey text and outline, six lines, 3 pixels from the
// cursor; its width is that of the first label and two spaces.
const COLORREF kInfoColour = RGB(147, 147, 147);
const int kInfoPointSize = 90;   // tenths of a point
const int kTenthsPerInch = 720;  // tenths of a point in an inch
const char kInfoFont[] = "宋体";
const char kInfoWidthText[] = "顶点位置  ";
const int kInfoGap = 3;
const int kInfoLines = 6;
const int kInfoTextTop = 2;
const char kInfoCorner[] = " 顶点位置 ";
const char kInfoSize[] = " 矩形大小 ";
const char kInfoCursor[] = " 光标坐标 ";
const char kInfoPair[] = " (%d,%d)";

// The tip's text: the pixel under the cursor, then the state's hint.
const char kTipPixel[] = "·像素RGB(%d,%d,%d)\r\n";
const char* const kTipHints[] = {
    "·按下鼠标左键选择截取范围\r\n·按ESC键放弃",  // waiting
    "·松开鼠标左键确定截取范围\r\n·按ESC键放弃",  // selecting
    "·截取完成",                                  // finished
};

// Arrow keys move the cursor by one pixel, with Shift by ten.
const int kFineStep = 1;
const int kCoarseStep = 10;

// Where the mouse was for the event being handled: the point the tracker's
// rectangle follows, so the box and the tip tell the same position. (Under
// Wine, GetCursorPos may report the display's pointer from before the last
// injected move; the event's own position is the desktop's.)
POINT EventCursorPos() {
    DWORD dwPos = ::GetMessagePos();
    POINT pt = {(short)LOWORD(dwPos), (short)HIWORD(dwPos)};
    return pt;
}

// The tracker's look: a solid frame with handles inside; its starting
// rectangle has no area, so Enter before a drag selects nothing.
const UINT kTrackerStyle = CRectTracker::solidLine | CRectTracker::resizeInside;
const RECT kNoRectangle = {-1, -1, -1, -1};

}  // namespace

// ---- CSnapTrack ------------------------------------------------------------------

CSnapTrack::CSnapTrack() {}

CSnapTrack::~CSnapTrack() {}

void CSnapTrack::DrawTrackerRect(LPCRECT, CWnd*, CDC*, CWnd* pWnd) {
    bool bOverlay = pWnd != nullptr && pWnd->IsKindOf(RUNTIME_CLASS(CDlgSnapRectHelper));
    KFW_CHECK_MSG(bOverlay, "CSnapTrack tracks the rectangle overlay only");
    if (!bOverlay) return;
    CDlgSnapRectHelper* pOverlay = static_cast<CDlgSnapRectHelper*>(pWnd);
    // The tracking loop takes the real mouse moves: these stand in for them,
    // so the tip gets out of the way and refreshes, and the overlay repaints
    // the picture, the box and the frame when the loop dispatches the paint.
    if (pOverlay->m_edtTip.m_hWnd != nullptr) pOverlay->m_edtTip.SendMessage(WM_MOUSEMOVE, 0, 0);
    pOverlay->PaintTipWindow();
    pOverlay->SendMessage(WM_MOUSEMOVE, 0, 0);
}

// ---- CDlgSnapRectHelper ------------------------------------------------------------

IMPLEMENT_DYNAMIC(CDlgSnapRectHelper, CDialog)

BEGIN_MESSAGE_MAP(CDlgSnapRectHelper, CDialog)
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
    ON_WM_SETCURSOR()
    ON_WM_LBUTTONDOWN()
    ON_WM_LBUTTONDBLCLK()
    ON_WM_LBUTTONUP()
    ON_WM_MOUSEMOVE()
    ON_MESSAGE(WM_RENDERFORMAT, &CDlgSnapRectHelper::OnRenderFormat)
    ON_MESSAGE(WM_RENDERALLFORMATS, &CDlgSnapRectHelper::OnRenderAllFormats)
END_MESSAGE_MAP()

CDlgSnapRectHelper::CDlgSnapRectHelper(CWnd* pParent)
    : CDialog(IDD_SNAP_RECT, pParent),
      m_hCursor(nullptr),
      m_bmpScreen(0xFFFFFF),
      m_nState(kWaiting),
      m_bCapturePointer(FALSE) {
    CKpLocalResource resource;
    LPCSTR lpszCursor = MAKEINTRESOURCEA(IDC_SNAP_CROSS);
    HINSTANCE hInst = AfxFindResourceHandle(lpszCursor, RT_GROUP_CURSOR);
    if (hInst != nullptr) m_hCursor = ::LoadCursorA(hInst, lpszCursor);
    // Without the library's cursor the system's cross still aims.
    if (m_hCursor == nullptr) m_hCursor = ::LoadCursorA(nullptr, (LPCSTR)IDC_CROSS);
    m_rgnRepaint.CreateRectRgn(0, 0, 50, 50);
}

CDlgSnapRectHelper::~CDlgSnapRectHelper() {}

void CDlgSnapRectHelper::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_SNAP_RECT_TIP, m_edtTip);
}

BOOL CDlgSnapRectHelper::OnInitDialog() {
    CDialog::OnInitDialog();
    // The monitors as they are now, and one picture of all of them.
    KpGetMonitorLayout(m_layout);
    m_rcScreen = m_layout.GetVirtualRect();
    SnapFullScreen();
    m_edtTip.SetFrozenPicture((HBITMAP)m_bmpScreen.GetSafeHandle(), m_rcScreen.TopLeft());
    m_nState = kWaiting;
    m_rcSelected.SetRectEmpty();
    // Topmost for its whole life: nothing may cover the frozen screen.
    SetWindowPos(&wndTopMost, m_rcScreen.left, m_rcScreen.top, m_rcScreen.Width(), m_rcScreen.Height(),
                 SWP_NOACTIVATE | SWP_NOCOPYBITS);
    m_tracker.m_nStyle = kTrackerStyle;
    m_tracker.m_rect = kNoRectangle;
    if (m_edtTip.m_hWnd != nullptr) {
        // Top left on the monitor under the cursor, at its scale.
        POINT pt = EventCursorPos();
        int i = m_layout.Nearest(pt);
        m_edtTip.SetPanelScale(KpPanelScalePercent(m_layout.GetMonitor(i).nDpi));
        m_edtTip.SetAtTopLeft(1);
        CRect rcTip = m_layout.CornerOf(i, CSnapTipEdit::GetPanelSize(m_edtTip.GetPanelScale()), kOverlayTipMargin,
                                        CKpMonitorLayout::kTopLeft);
        rcTip.OffsetRect(-m_rcScreen.left, -m_rcScreen.top);
        m_edtTip.MoveWindow(rcTip.left, rcTip.top, rcTip.Width(), rcTip.Height(), TRUE);
        DrawTipWindow();
        m_edtTip.ShowWindow(SW_SHOW);
    }
    return TRUE;
}

int CDlgSnapRectHelper::SnapFullScreen() {
    CImageBitmap* pGrab = KpGrabWindowBitmap(::GetDesktopWindow(), m_rcScreen, nullptr, m_bCapturePointer);
    if (pGrab == nullptr) return 0;
    // The grab itself is the picture: one frame of the whole virtual screen.
    m_bmpScreen.DeleteObject();
    m_bmpScreen.Attach(pGrab->Detach());
    delete pGrab;
    // Offered on the clipboard, rendered when asked for (and when the
    // overlay goes while it still owns the clipboard).
    kfw::ScopedClipboard clipboard(m_hWnd);
    if (clipboard.IsOpen() && ::EmptyClipboard()) ::SetClipboardData(CF_BITMAP, nullptr);
    return 1;
}

LRESULT CDlgSnapRectHelper::OnRenderFormat(WPARAM wParam, LPARAM) {
    // The clipboard is open for the one asking: the copy is handed over.
    if (wParam != CF_BITMAP || m_bmpScreen.GetSafeHandle() == nullptr) return 0;
    HBITMAP hCopy = KpCopyScreenBitmap((HBITMAP)m_bmpScreen.GetSafeHandle());
    if (hCopy != nullptr && ::SetClipboardData(CF_BITMAP, hCopy) == nullptr) ::DeleteObject(hCopy);
    return 0;
}

LRESULT CDlgSnapRectHelper::OnRenderAllFormats(WPARAM, LPARAM) {
    kfw::ScopedClipboard clipboard(m_hWnd);
    // Someone else may have taken the clipboard meanwhile: then nothing.
    if (clipboard.IsOpen() && ::GetClipboardOwner() == m_hWnd) OnRenderFormat(CF_BITMAP, 0);
    return 0;
}

int CDlgSnapRectHelper::GetSelectedRect(CRect& rc) {
    rc = m_rcSelected;
    return !rc.IsRectEmpty();
}

CImageBitmap* CDlgSnapRectHelper::CopySelectedPicture() const {
    BITMAP bm;
    if (m_bmpScreen.GetSafeHandle() == nullptr || m_bmpScreen.GetBitmap(&bm) == 0) return nullptr;
    CRect rc = (m_rcSelected - m_rcScreen.TopLeft()) & CRect(0, 0, bm.bmWidth, bm.bmHeight);
    if (rc.IsRectEmpty()) return nullptr;
    kfw::ScopedGetDC screen(nullptr);
    kfw::ScopedMemDC src(screen);
    kfw::ScopedMemDC dst(screen);
    // The form a capture lives in (a 32-bit DIB section), so the engine works
    // on these pixels as they are.
    RGBX* pBits = nullptr;
    kfw::ScopedBitmap bitmap(CImageBitmap::CreateDib32(rc.Size(), &pBits));
    if (src.get() == nullptr || dst.get() == nullptr || bitmap.get() == nullptr) return nullptr;
    {
        kfw::ScopedSelect selSrc(src, m_bmpScreen.m_hObject);
        kfw::ScopedSelect selDst(dst, bitmap);
        if (!selSrc.ok() || !selDst.ok() ||
            !::BitBlt(dst, 0, 0, rc.Width(), rc.Height(), src, rc.left, rc.top, SRCCOPY))
            return nullptr;
    }
    CImageBitmap* pPicture = new (std::nothrow) CImageBitmap(0xFFFFFF);
    if (pPicture != nullptr) pPicture->Attach(bitmap.Release());
    return pPicture;
}

// ---- Painting ---------------------------------------------------------------------

BOOL CDlgSnapRectHelper::OnEraseBkgnd(CDC* pDC) {
    CRect rc;
    GetClientRect(&rc);
    if (m_bmpScreen.GetSafeHandle() != nullptr) {
        kfw::ScopedMemDC mem(pDC->m_hDC);
        kfw::ScopedSelect select(mem, m_bmpScreen.m_hObject);
        if (select.ok() && ::BitBlt(pDC->m_hDC, 0, 0, rc.Width(), rc.Height(), mem, 0, 0, SRCCOPY)) return TRUE;
    }
    // No frozen picture: a plain black screen rather than whatever was there.
    ::FillRect(pDC->m_hDC, &rc, (HBRUSH)::GetStockObject(BLACK_BRUSH));
    return TRUE;
}

void CDlgSnapRectHelper::OnPaint() {
    CPaintDC dc(this);
    if (m_nState == kSelecting) {
        CRect rc;
        m_tracker.GetTrueRect(&rc);
        DrawInfoWindow(rc);
    }
    if (m_nState != kWaiting) m_tracker.Draw(&dc);
}

void CDlgSnapRectHelper::PaintTipWindow() {
    CRect rcAll, rcTip;
    GetClientRect(&rcAll);
    CRgn rgnAll, rgnTip;
    rgnAll.CreateRectRgnIndirect(&rcAll);
    if (m_edtTip.m_hWnd != nullptr && m_edtTip.IsWindowVisible()) {
        m_edtTip.GetWindowRect(&rcTip);
        ScreenToClient(&rcTip);
    }
    rgnTip.CreateRectRgnIndirect(&rcTip);
    m_rgnRepaint.CombineRgn(&rgnAll, &rgnTip, RGN_DIFF);
    InvalidateRgn(&m_rgnRepaint, TRUE);
}

void CDlgSnapRectHelper::DrawInfoWindow(CRect& rc) {
    kfw::ScopedGetDC dc(m_hWnd);
    if (dc.get() == nullptr) return;
    // The box goes under the tip panel, not over it.
    if (m_edtTip.m_hWnd != nullptr && m_edtTip.IsWindowVisible()) {
        CRect rcTip;
        m_edtTip.GetWindowRect(&rcTip);
        ScreenToClient(&rcTip);
        ::ExcludeClipRect(dc, rcTip.left, rcTip.top, rcTip.right, rcTip.bottom);
    }
    // The font at the scale of the monitor under the cursor.
    CFont font;
    LOGFONTA lf = {};
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpynA(lf.lfFaceName, kInfoFont, LF_FACESIZE);
    const unsigned int nDpi = m_layout.GetCount() > 0 ? m_layout.GetMonitor(m_layout.Nearest(EventCursorPos())).nDpi
                                                      : kKpDefaultDpi;
    lf.lfHeight = -::MulDiv(kInfoPointSize, (int)nDpi, kTenthsPerInch);
    font.CreateFontIndirect(&lf);
    kfw::ScopedPen pen(::CreatePen(PS_SOLID, 1, kInfoColour));
    kfw::ScopedSelect selFont(dc, font.m_hObject);
    kfw::ScopedSelect selPen(dc, pen);
    kfw::ScopedSelect selBrush(dc, ::GetStockObject(NULL_BRUSH));
    ::SetTextColor(dc, kInfoColour);
    ::SetBkMode(dc, TRANSPARENT);

    TEXTMETRICA tm;
    ::GetTextMetricsA(dc, &tm);
    int h = tm.tmHeight + tm.tmExternalLeading;
    SIZE sizeLabel = {0, 0};
    ::GetTextExtentPoint32A(dc, kInfoWidthText, (int)sizeof kInfoWidthText - 1, &sizeLabel);
    int w = sizeLabel.cx;

    // Above and to the right of the cursor, unless its monitor ends there;
    // whole on that monitor.
    POINT p = EventCursorPos();
    CRect rcBox = m_layout.PlaceBeside(p, CSize(w, kInfoLines * h), kInfoGap);
    rcBox.OffsetRect(-m_rcScreen.left, -m_rcScreen.top);
    int left = rcBox.left, top = rcBox.top, right = rcBox.right, bottom = rcBox.bottom;
    ::Rectangle(dc, left, top, right, bottom);

    CString strLines[kInfoLines];
    strLines[0] = kInfoCorner;
    // The corner in screen coordinates, as the capture will have it.
    strLines[1].Format(kInfoPair, (int)(rc.left + m_rcScreen.left), (int)(rc.top + m_rcScreen.top));
    strLines[2] = kInfoSize;
    strLines[3].Format(kInfoPair, rc.Width(), rc.Height());
    strLines[4] = kInfoCursor;
    strLines[5].Format(kInfoPair, (int)p.x, (int)p.y);
    for (int k = 0; k < kInfoLines; ++k)
        ::TextOutA(dc, left, top + kInfoTextTop + k * h, strLines[k], strLines[k].GetLength());
}

void CDlgSnapRectHelper::DrawTipWindow() {
    if (m_edtTip.m_hWnd == nullptr) return;
    CPoint p = ToClient(EventCursorPos());
    // The frozen picture's own pixel: what the overlay draws over it (box,
    // frame, panel) is not the screen's colour.
    COLORREF clr = CLR_INVALID;
    if (m_bmpScreen.GetSafeHandle() != nullptr) {
        kfw::ScopedGetDC screen(nullptr);
        kfw::ScopedMemDC mem(screen);
        kfw::ScopedSelect select(mem, m_bmpScreen.m_hObject);
        if (select.ok()) clr = ::GetPixel(mem, p.x, p.y);
    }
    // Off the picture (no grab) there is only black.
    if (clr == CLR_INVALID) clr = RGB(0, 0, 0);
    CString strTip;
    strTip.Format(kTipPixel, (int)GetRValue(clr), (int)GetGValue(clr), (int)GetBValue(clr));
    strTip += kTipHints[std::min(std::max(m_nState, (int)kWaiting), (int)kFinished)];
    m_edtTip.SetWindowText(strTip);
    m_edtTip.Invalidate(TRUE);
}

// ---- Mouse and keyboard --------------------------------------------------------------

BOOL CDlgSnapRectHelper::OnSetCursor(CWnd*, UINT, UINT) {
    ::SetCursor(m_hCursor);
    return TRUE;
}

void CDlgSnapRectHelper::OnMouseMove(UINT, CPoint) {
    DrawTipWindow();
    // The cursor has gone onto another monitor: the panel follows it there.
    if (m_edtTip.m_hWnd != nullptr && m_layout.GetCount() > 1) {
        CRect rcTip;
        m_edtTip.GetWindowRect(&rcTip);
        if (m_layout.Nearest(EventCursorPos()) != m_layout.FromRect(rcTip)) m_edtTip.SendMessage(WM_MOUSEMOVE, 0, 0);
    }
    Default();
}

void CDlgSnapRectHelper::OnLButtonDown(UINT, CPoint point) {
    // A press on a corner of a rectangle put back with R resizes it: the
    // band runs from the opposite corner.
    CPoint ptFrom = point;
    if (m_nState == kSelecting && ::GetCapture() != m_hWnd) {
        CRect rc = m_tracker.m_rect;
        rc.NormalizeRect();
        const CPoint opposite[] = {rc.BottomRight(), CPoint(rc.left, rc.bottom), rc.TopLeft(),
                                   CPoint(rc.right, rc.top)};
        int nHit = m_tracker.HitTest(point);
        if (nHit >= CRectTracker::hitTopLeft && nHit <= CRectTracker::hitBottomLeft) ptFrom = opposite[nHit];
    }
    m_nState = kSelecting;
    if (!m_tracker.TrackRubberBand(this, ptFrom, TRUE)) {
        // No movement, or the drag was cancelled.
        m_nState = kWaiting;
        DrawTipWindow();
        Default();
        return;
    }
    // Every drag that ends with a rectangle finishes the selection, whatever
    // its direction, as the hint promised while the button was held.
    SendMessage(WM_LBUTTONUP, 0, 0);
    m_tracker.m_rect.NormalizeRect();
    Invalidate(FALSE);
    DrawTipWindow();
    Default();
}

// A press soon after a click arrives as a double click: it starts a drag all
// the same.
void CDlgSnapRectHelper::OnLButtonDblClk(UINT nFlags, CPoint point) { OnLButtonDown(nFlags, point); }

void CDlgSnapRectHelper::OnLButtonUp(UINT, CPoint) {
    if (m_nState == kSelecting) {
        m_nState = kFinished;
        OnOK();
    } else {
        m_nState = kWaiting;
    }
    PaintTipWindow();
    Default();
}

void CDlgSnapRectHelper::OnOK() {
    m_tracker.GetTrueRect(&m_rcSelected);
    m_rcSelected.OffsetRect(m_rcScreen.left, m_rcScreen.top);
    EndDialog(IDOK);
}

void CDlgSnapRectHelper::OnCancel() {
    m_rcSelected.SetRectEmpty();
    EndDialog(IDCANCEL);
}

void CDlgSnapRectHelper::MoveCursorBy(int dx, int dy) {
    POINT pt;
    if (!::GetCursorPos(&pt)) return;
    // Across the edge between two monitors, never off them all.
    CPoint ptTo = m_layout.KeepOnScreens(CPoint(pt.x + dx, pt.y + dy));
    ::SetCursorPos(ptTo.x, ptTo.y);
}

void CDlgSnapRectHelper::RestoreLastSelection() {
    if (m_rcLast.IsRectEmpty()) {
        ::MessageBeep(MB_OK);
        return;
    }
    m_tracker.m_rect = m_rcLast - m_rcScreen.TopLeft();
    m_nState = kSelecting;
    Invalidate(TRUE);
    DrawTipWindow();
}

BOOL CDlgSnapRectHelper::PreTranslateMessage(MSG* pMsg) {
    bool bOurs = pMsg->hwnd == m_hWnd || ::IsChild(m_hWnd, pMsg->hwnd);
    if (bOurs && pMsg->message == WM_KEYDOWN) {
        // While the button is held the tracker owns Esc, and Enter waits for
        // the release.
        bool bTracking = ::GetCapture() == m_hWnd;
        int nStep = ::GetKeyState(VK_SHIFT) < 0 ? kCoarseStep : kFineStep;
        switch (pMsg->wParam) {
            case VK_LEFT:
                MoveCursorBy(-nStep, 0);
                break;
            case VK_RIGHT:
                MoveCursorBy(nStep, 0);
                break;
            case VK_UP:
                MoveCursorBy(0, -nStep);
                break;
            case VK_DOWN:
                MoveCursorBy(0, nStep);
                break;
            case VK_ESCAPE:
                if (!bTracking) OnCancel();
                break;
            case VK_RETURN:
                if (!bTracking) OnOK();
                break;
            case kRepeatKey:
                if (!bTracking && m_nState == kWaiting) RestoreLastSelection();
                break;
            default:
                break;
        }
        return TRUE;
    }
    // Nothing is typed into the panel.
    if (bOurs && (pMsg->message == WM_KEYUP || pMsg->message == WM_CHAR || pMsg->message == WM_DEADCHAR)) return TRUE;
    return CDialog::PreTranslateMessage(pMsg);
}
