#include "pin_window.h"

#include <objidl.h>
#include <gdiplus.h>

#include "framework/app.h"
#include "framework/menu.h"
#include "framework/scoped_handles.h"
#include "kp_core.h"
#include "kp_recent_captures.h"
#include "markup/markup_dlg.h"
#include "pin_board.h"
#include "pin_pixels.h"
#include "window_list.h"
#include "res/resource.h"

BEGIN_MESSAGE_MAP(CPinWnd, CWnd)
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
    ON_WM_LBUTTONDOWN()
    ON_WM_MOUSEMOVE()
    ON_WM_LBUTTONUP()
    ON_WM_LBUTTONDBLCLK()
    ON_WM_CAPTURECHANGED()
    ON_WM_KEYDOWN()
    ON_WM_CONTEXTMENU()
    ON_WM_TIMER()
    ON_WM_DESTROY()
    ON_MESSAGE(WM_MOUSEWHEEL, &CPinWnd::OnMouseWheel)
    ON_MESSAGE(WM_MOUSELEAVE, &CPinWnd::OnMouseLeave)
    ON_MESSAGE(WM_DISPLAYCHANGE, &CPinWnd::OnDisplayChange)
    ON_COMMAND(ID_PIN_COPY, &CPinWnd::OnCopy)
    ON_COMMAND(ID_PIN_SAVE_AS, &CPinWnd::OnSaveAs)
    ON_COMMAND(ID_PIN_MARKUP, &CPinWnd::OnMarkup)
    ON_COMMAND(ID_PIN_ACTUAL_SIZE, &CPinWnd::OnActualSize)
    ON_COMMAND_RANGE(ID_PIN_OPACITY_100, ID_PIN_OPACITY_40, &CPinWnd::OnOpacity)
    ON_COMMAND(ID_PIN_CLOSE, &CPinWnd::OnClose)
    ON_COMMAND(ID_PIN_CLOSE_ALL, &CPinWnd::OnCloseAll)
END_MESSAGE_MAP()

namespace {

const char kPinCaption[] = "Kapto 钉图";

// The opacities the menu offers (Ctrl + wheel has every step).
const struct {
    UINT nID;
    int nOpacity;
} kMenuOpacities[] = {
    {ID_PIN_OPACITY_100, 100},
    {ID_PIN_OPACITY_80, 80},
    {ID_PIN_OPACITY_60, 60},
    {ID_PIN_OPACITY_40, 40},
};

// The border while the pointer is over the pin: a line of the system's
// selection blue and a white one inside it, seen on dark and light pictures.
const COLORREF kBorderOuter = RGB(0, 120, 215);
const COLORREF kBorderInner = RGB(255, 255, 255);
const int kBorderWidth = 2;

// A reduced picture is sampled while the wheel turns and smoothed this long
// after its last notch.
const UINT_PTR kSmoothTimer = 1;
const UINT kSmoothDelayMs = 150;
// While the border shows, whether the pointer is still over the pin is also
// looked at this often: a leave the system should tell may not come (under
// Wine, after a drag or when the pointer jumps away).
const UINT_PTR kHoverTimer = 2;
const UINT kHoverCheckMs = 250;

// Where the menu opens when the keyboard asks for it.
const int kKeyboardMenuInset = 8;

// A picture moved by anything but the user's drag keeps this much in sight.
const int kKeptInSight = 40;

// The virtual screen: every monitor's rectangle together.
CRect ScreensRect() {
    const int x = ::GetSystemMetrics(SM_XVIRTUALSCREEN), y = ::GetSystemMetrics(SM_YVIRTUALSCREEN);
    return CRect(x, y, x + ::GetSystemMetrics(SM_CXVIRTUALSCREEN), y + ::GetSystemMetrics(SM_CYVIRTUALSCREEN));
}

const char kCopyRefused[] = "无法把图像复制到剪贴板：剪贴板正被其他程序占用，请稍后再试。";
const char kSaveFailed[] = "无法保存图像文件“%s”。\n请检查磁盘空间、文件夹的写入权限和文件类型。";
const char kNoMemory[] = "内存不足，无法完成此操作。";

}  // namespace

class CPinWnd::BusyScope {
public:
    explicit BusyScope(CPinWnd& pin) : m_pin(pin) { ++m_pin.m_nBusy; }
    ~BusyScope() {
        // The window went while the dialog was open: the board deletes the
        // pin once its handler is out of the way.
        if (--m_pin.m_nBusy == 0 && m_pin.m_bWindowGone) m_pin.m_board.Remove(&m_pin, TRUE);
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    CPinWnd& m_pin;  // not owned
};

CPinWnd::CPinWnd(CPinBoard& board)
    : m_board(board),
      m_nZoom(100),
      m_nOpacity(kppin::kMaxOpacity),
      m_bHover(FALSE),
      m_bDragging(FALSE),
      m_nWheelRest(0),
      m_anchor(),
      m_nBusy(0),
      m_bWindowGone(FALSE),
      m_bOpening(FALSE) {}

CPinWnd* CPinWnd::Open(CPinBoard& board, CMarkupSurface& image, const KpCaptureInfo& info, const CRect& rc,
                       int nZoom) {
    CPinWnd* pPin = new (std::nothrow) CPinWnd(board);
    if (pPin == nullptr) {
        image.Free();
        return nullptr;
    }
    pPin->m_image.Swap(image);
    pPin->m_info = info;
    pPin->m_nZoom = nZoom;
    pPin->m_bOpening = TRUE;
    pPin->m_rcPicture = kppin::KeepInSight(rc, ScreensRect(), kKeptInSight);
    const CRect rcWindow = kppin::WindowPart(pPin->m_rcPicture, ScreensRect());
    // The move cursor: the whole pin is its handle.
    LPCSTR pszClass = AfxRegisterWndClass(CS_DBLCLKS, ::LoadCursor(nullptr, IDC_SIZEALL));
    // A tool window of the board's hidden owner: no task-bar button, and
    // it stays when the main window hides.
    if (!pPin->CreateEx(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, pszClass, kPinCaption, WS_POPUP, rcWindow.left,
                        rcWindow.top, rcWindow.Width(), rcWindow.Height(), board.GetOwner(), nullptr)) {
        delete pPin;
        return nullptr;
    }
    pPin->m_bOpening = FALSE;
    // The window in front for a capture of the current window is the
    // program the user works in, not a pin over it.
    ::SetPropA(pPin->m_hWnd, KP_NOT_A_WINDOW_TO_CAPTURE, pPin->m_hWnd);
    pPin->ShowWindow(SW_SHOW);
    pPin->UpdateWindow();
    return pPin;
}

void CPinWnd::OnDestroy() {
    // Everything the picture holds goes with the window, also when the
    // object stays a moment longer for a dialog's handler.
    KillTimer(kSmoothTimer);
    KillTimer(kHoverTimer);
    ::RemovePropA(m_hWnd, KP_NOT_A_WINDOW_TO_CAPTURE);
    m_image.Free();
    m_smoothed.Free();
    CWnd::OnDestroy();
}

void CPinWnd::PostNcDestroy() {
    // A window that failed as it was made: Open deletes the pin.
    if (m_bOpening) return;
    if (m_nBusy > 0) {
        m_bWindowGone = TRUE;
        m_board.Remove(this, FALSE);
        return;
    }
    m_board.Remove(this, FALSE);
    delete this;
}

// ---- Painting ----------------------------------------------------------------------

BOOL CPinWnd::OnEraseBkgnd(CDC*) { return TRUE; }  // the picture covers it all

CPoint CPinWnd::WindowOrigin() const {
    CRect rcWindow;
    GetWindowRect(&rcWindow);
    return CPoint(rcWindow.left - m_rcPicture.left, rcWindow.top - m_rcPicture.top);
}

void CPinWnd::PlacePicture(const CRect& rcPicture, BOOL bRedraw) {
    CRect rcOld;
    GetWindowRect(&rcOld);
    const CPoint ptOldOrigin = WindowOrigin();
    m_rcPicture = rcPicture;
    CRect rcWindow = kppin::WindowPart(rcPicture, ScreensRect());
    if (rcWindow.IsRectEmpty()) rcWindow = CRect(rcPicture.TopLeft(), CSize(1, 1));  // out of sight, not gone
    const CPoint ptOrigin(rcWindow.left - rcPicture.left, rcWindow.top - rcPicture.top);
    if (bRedraw || rcWindow.Size() != rcOld.Size()) {
        ::SetWindowPos(m_hWnd, nullptr, rcWindow.left, rcWindow.top, rcWindow.Width(), rcWindow.Height(),
                       SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS);
        Invalidate(FALSE);
    } else {
        // A moved window keeps its pixels; a picture that slid inside a
        // window that stays (one that covers the screens) moves its pixels
        // along, border and all, and only the strips that come into sight
        // are drawn.
        if (rcWindow.TopLeft() != rcOld.TopLeft())
            ::SetWindowPos(m_hWnd, nullptr, rcWindow.left, rcWindow.top, 0, 0,
                           SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        if (ptOrigin != ptOldOrigin)
            ::ScrollWindowEx(m_hWnd, ptOldOrigin.x - ptOrigin.x, ptOldOrigin.y - ptOrigin.y, nullptr, nullptr,
                             nullptr, nullptr, SW_INVALIDATE);
    }
    UpdateWindow();
}

LRESULT CPinWnd::OnDisplayChange(WPARAM, LPARAM) {
    // A monitor came or went: the window is the picture's part on the
    // screens as they are now, and some of it stays in sight.
    PlacePicture(kppin::KeepInSight(m_rcPicture, ScreensRect(), kKeptInSight), TRUE);
    return 0;
}

void CPinWnd::OnPaint() {
    PAINTSTRUCT ps;
    HDC hdc = ::BeginPaint(m_hWnd, &ps);
    if (hdc == nullptr) return;
    CRect rcClient;
    GetClientRect(&rcClient);
    CRect rc;
    rc.IntersectRect(&ps.rcPaint, &rcClient);
    if (!rc.IsRectEmpty() && m_image.Bits() != nullptr) DrawPicture(hdc, rc);
    if (m_bHover) DrawBorder(hdc);
    ::EndPaint(m_hWnd, &ps);
}

void CPinWnd::DrawPicture(HDC hdc, const CRect& rc) {
    // rc of the window is rcPart of the picture.
    const CPoint ptOrigin = WindowOrigin();
    CRect rcPart = rc;
    rcPart.OffsetRect(ptOrigin);
    const CSize zoomed = kppin::ZoomedSize(ImageSize(), m_nZoom);
    const CRect rcWhole(CPoint(0, 0), zoomed);
    rcPart.IntersectRect(&rcPart, &rcWhole);
    if (rcPart.IsRectEmpty()) return;
    if (zoomed == ImageSize()) {
        ::BitBlt(hdc, rc.left, rc.top, rcPart.Width(), rcPart.Height(), m_image.GetDC(), rcPart.left, rcPart.top,
                 SRCCOPY);
        return;
    }
    if (m_smoothed.Width() == zoomed.cx && m_smoothed.Height() == zoomed.cy) {
        ::BitBlt(hdc, rc.left, rc.top, rcPart.Width(), rcPart.Height(), m_smoothed.GetDC(), rcPart.left, rcPart.top,
                 SRCCOPY);
        return;
    }
    // Enlarged, the sampled picture is the smooth one; reduced, it stands in
    // until the wheel rests.
    CMarkupSurface* pScratch = m_board.Scratch(rcPart.Width(), rcPart.Height());
    if (pScratch == nullptr) {
        ::FillRect(hdc, &rc, (HBRUSH)::GetStockObject(GRAY_BRUSH));
        return;
    }
    ::GdiFlush();
    kppin::ZoomPixels(m_image.Bits(), m_image.Width(), m_image.Height(), (ptrdiff_t)m_image.Width() * 4, zoomed.cx,
                      zoomed.cy, rcPart, pScratch->Bits(), (ptrdiff_t)pScratch->Width() * 4, false);
    ::BitBlt(hdc, rc.left, rc.top, rcPart.Width(), rcPart.Height(), pScratch->GetDC(), 0, 0, SRCCOPY);
}

void CPinWnd::DrawBorder(HDC hdc) {
    // Round the picture, where that is in the window.
    CRect rc(CPoint(0, 0), m_rcPicture.Size());
    rc.OffsetRect(-WindowOrigin());
    const COLORREF colours[kBorderWidth] = {kBorderOuter, kBorderInner};
    for (COLORREF clr : colours) {
        kfw::ScopedBrush brush(::CreateSolidBrush(clr));
        ::FrameRect(hdc, &rc, brush);
        rc.DeflateRect(1, 1);
    }
}

void CPinWnd::InvalidateBorder() {
    CRect rc(CPoint(0, 0), m_rcPicture.Size());
    rc.OffsetRect(-WindowOrigin());
    const CRect strips[] = {
        {rc.left, rc.top, rc.right, rc.top + kBorderWidth},
        {rc.left, rc.bottom - kBorderWidth, rc.right, rc.bottom},
        {rc.left, rc.top, rc.left + kBorderWidth, rc.bottom},
        {rc.right - kBorderWidth, rc.top, rc.right, rc.bottom},
    };
    for (const CRect& strip : strips)
        ::InvalidateRect(m_hWnd, &strip, FALSE);
}

void CPinWnd::OnTimer(UINT_PTR nIDEvent) {
    if (nIDEvent == kHoverTimer) {
        if (!m_bDragging) OnMouseLeave(0, 0);
        return;
    }
    if (nIDEvent != kSmoothTimer) {
        CWnd::OnTimer(nIDEvent);
        return;
    }
    KillTimer(kSmoothTimer);
    const CSize zoomed = kppin::ZoomedSize(ImageSize(), m_nZoom);
    if (m_nZoom >= 100 || m_image.Bits() == nullptr || !m_smoothed.Create(zoomed.cx, zoomed.cy)) return;
    ::GdiFlush();
    if (!kppin::ZoomPixels(m_image.Bits(), m_image.Width(), m_image.Height(), (ptrdiff_t)m_image.Width() * 4,
                           zoomed.cx, zoomed.cy, CRect(CPoint(0, 0), zoomed), m_smoothed.Bits(),
                           (ptrdiff_t)zoomed.cx * 4, true)) {
        m_smoothed.Free();
        return;
    }
    // What the sampled repaints took is not needed for this picture now.
    m_board.ReleaseScratch();
    Invalidate(FALSE);
}

// ---- Zoom and opacity -----------------------------------------------------------------

void CPinWnd::ZoomTo(int nZoom, CPoint ptFixed) {
    if (nZoom == m_nZoom) return;
    if (ptFixed != m_anchor.pt || m_rcPicture != m_rcZoomed) m_anchor = kppin::AnchorAt(m_rcPicture, ptFixed);
    const CRect rcNew = kppin::ZoomAbout(m_anchor, kppin::ZoomedSize(ImageSize(), nZoom));
    m_rcZoomed = rcNew;
    m_nZoom = nZoom;
    m_smoothed.Free();
    KillTimer(kSmoothTimer);
    PlacePicture(rcNew, TRUE);
    if (m_nZoom < 100) SetTimer(kSmoothTimer, kSmoothDelayMs, nullptr);
    // At 100 % the picture is its own.
    if (m_nZoom == 100) m_board.ReleaseScratch();
}

void CPinWnd::SetOpacity(int nOpacity) {
    m_nOpacity = nOpacity;
    // Layered only while it is see-through: a layered window adds a
    // composition to every repaint and move (under Wine it doubles their
    // time).
    const LONG nExStyle = ::GetWindowLongA(m_hWnd, GWL_EXSTYLE);
    if (nOpacity < kppin::kMaxOpacity) {
        if (!(nExStyle & WS_EX_LAYERED)) ::SetWindowLongA(m_hWnd, GWL_EXSTYLE, nExStyle | WS_EX_LAYERED);
        ::SetLayeredWindowAttributes(m_hWnd, 0, kppin::OpacityAlpha(nOpacity), LWA_ALPHA);
    } else if (nExStyle & WS_EX_LAYERED) {
        ::SetWindowLongA(m_hWnd, GWL_EXSTYLE, nExStyle & ~WS_EX_LAYERED);
        // The system's picture of a layered window goes with the style.
        ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_FRAME);
    }
}

LRESULT CPinWnd::OnMouseWheel(WPARAM wParam, LPARAM lParam) {
    // Notches, and what a fine wheel turned short of one, for the next turn.
    m_nWheelRest += (short)HIWORD(wParam);
    const int nNotches = m_nWheelRest / WHEEL_DELTA;
    m_nWheelRest -= nNotches * WHEEL_DELTA;
    if (nNotches == 0) return 0;
    if (LOWORD(wParam) & MK_CONTROL)
        SetOpacity(kppin::StepOpacity(m_nOpacity, nNotches));
    else
        ZoomTo(kppin::StepZoom(ImageSize(), m_nZoom, nNotches), CPoint((short)LOWORD(lParam), (short)HIWORD(lParam)));
    return 0;
}

// ---- The mouse and the keys -------------------------------------------------------------

void CPinWnd::OnLButtonDown(UINT, CPoint point) {
    m_bDragging = TRUE;
    m_ptGrab = point + WindowOrigin();
    SetCapture();
}

void CPinWnd::DragTo(CPoint point) {
    // The point the drag took stays under the pointer.
    const CPoint ptPicture = point + WindowOrigin();
    if (ptPicture == m_ptGrab) return;
    CRect rc = m_rcPicture;
    rc.OffsetRect(ptPicture.x - m_ptGrab.x, ptPicture.y - m_ptGrab.y);
    PlacePicture(rc, FALSE);
}

void CPinWnd::OnMouseMove(UINT, CPoint point) {
    // Asked again at every move: a capture of the mouse (a drag, a menu)
    // may have ended the last request without a word.
    TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, m_hWnd, 0};
    ::TrackMouseEvent(&track);
    if (!m_bHover) {
        m_bHover = TRUE;
        SetTimer(kHoverTimer, kHoverCheckMs, nullptr);
        InvalidateBorder();
    }
    if (m_bDragging) DragTo(point);
}

void CPinWnd::OnLButtonUp(UINT, CPoint point) {
    if (!m_bDragging) return;
    // The drag ends where the button went up, also when the system folded
    // the last moves into the release.
    DragTo(point);
    ::ReleaseCapture();
}

void CPinWnd::OnCaptureChanged(CWnd*) { m_bDragging = FALSE; }

LRESULT CPinWnd::OnMouseLeave(WPARAM, LPARAM) {
    if (!m_bHover) return 0;
    // The end of a drag may tell a leave while the pointer is still over
    // the pin (under Wine): the border stays, and the timer sees it go.
    POINT pt;
    if (::GetCursorPos(&pt) && ::WindowFromPoint(pt) == m_hWnd) return 0;
    m_bHover = FALSE;
    KillTimer(kHoverTimer);
    InvalidateBorder();
    return 0;
}

void CPinWnd::OnLButtonDblClk(UINT, CPoint) { OnClose(); }

void CPinWnd::OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) {
    if (nChar == VK_ESCAPE)
        OnClose();
    else if (nChar == 'C' && ::GetKeyState(VK_CONTROL) < 0)
        OnCopy();
    else
        CWnd::OnKeyDown(nChar, nRepCnt, nFlags);
}

void CPinWnd::OnContextMenu(CWnd*, CPoint pos) {
    CMenu menu;
    if (!menu.LoadMenu(IDR_PIN_MENU)) return;
    CMenu* pPopup = menu.GetSubMenu(0);
    if (pPopup == nullptr) return;
    for (const auto& item : kMenuOpacities) {
        if (item.nOpacity == m_nOpacity)
            ::CheckMenuRadioItem(pPopup->m_hMenu, item.nID, item.nID, item.nID, MF_BYCOMMAND);
    }
    if (pos.x == -1 && pos.y == -1) {
        // From the keyboard: near the window's corner.
        CRect rc;
        GetWindowRect(&rc);
        pos = CPoint(rc.left + kKeyboardMenuInset, rc.top + kKeyboardMenuInset);
    }
    // 恢复原始大小 holds the picture still where the menu was asked for.
    m_ptMenu = pos;
    BusyScope busy(*this);
    ::SetForegroundWindow(m_hWnd);
    pPopup->TrackPopupMenu(TPM_RIGHTBUTTON, pos.x, pos.y, this);
    if (m_hWnd != nullptr) PostMessage(WM_NULL);
}

// ---- The menu's commands -------------------------------------------------------------

void CPinWnd::OnCopy() {
    // A bitmap of the display's format, as the program's own copies are.
    const int w = m_image.Width(), h = m_image.Height();
    kfw::ScopedGetDC screen(nullptr);
    kfw::ScopedBitmap bitmap(::CreateCompatibleBitmap(screen, w, h));
    BOOL bDrawn = FALSE;
    if (bitmap.get() != nullptr) {
        kfw::ScopedMemDC mem(screen);
        kfw::ScopedSelect select(mem, bitmap);
        bDrawn = select.ok() && ::BitBlt(mem, 0, 0, w, h, m_image.GetDC(), 0, 0, SRCCOPY);
    }
    if (!bDrawn) {
        AfxMessageBox(kNoMemory, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    BOOL bCopied = FALSE;
    {
        kfw::ScopedClipboard clipboard(m_board.GetClipboardOwner());
        if (clipboard.IsOpen() && ::EmptyClipboard() && ::SetClipboardData(CF_BITMAP, bitmap) != nullptr) {
            bitmap.Release();  // the clipboard's now
            bCopied = TRUE;
        }
    }
    if (!bCopied) AfxMessageBox(kCopyRefused, MB_OK | MB_ICONEXCLAMATION);
}

void CPinWnd::OnSaveAs() {
    kfw::ScopedGpImage<Gdiplus::GpBitmap> image(m_image.MakeImage());
    if (image.get() == nullptr) {
        AfxMessageBox(kNoMemory, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    CKpCore* pCore = m_board.GetCore();
    if (pCore == nullptr) return;
    BusyScope busy(*this);
    // The program's save dialog, proposing the name automatic saving would
    // give this pin's capture, in the folder saved to last.
    const CString strName = CKpRecentCaptures::ProposeFileName(pCore->m_config, m_info);
    if (pCore->SaveOtherImage(image.get(), strName, this) || pCore->GetLastFileResult() != CKpImageStore::FileFailed)
        return;
    CString strMessage;
    strMessage.Format(kSaveFailed, pCore->GetLastFilePath().GetString());
    AfxMessageBox(strMessage, MB_OK | MB_ICONEXCLAMATION);
}

void CPinWnd::OnMarkup() {
    kfw::ScopedGpImage<Gdiplus::GpBitmap> image(m_image.MakeImage());
    if (image.get() == nullptr) {
        AfxMessageBox(kNoMemory, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    BusyScope busy(*this);
    kfw::ScopedGpImage<Gdiplus::GpBitmap> marked(RunMarkupWindow(this, image.get()));
    if (marked.get() == nullptr || m_hWnd == nullptr) return;
    CMarkupSurface picture;
    if (!CPinBoard::LoadPicture(marked.get(), picture)) {
        AfxMessageBox(kNoMemory, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    // The marked picture is this pin's, at its zoom, from the same corner
    // (a crop keeps that corner where it was).
    m_image.Swap(picture);
    m_smoothed.Free();
    const CRect rc(m_rcPicture.TopLeft(), kppin::ZoomedSize(ImageSize(), m_nZoom));
    PlacePicture(kppin::KeepInSight(rc, ScreensRect(), kKeptInSight), TRUE);
    if (m_nZoom < 100) SetTimer(kSmoothTimer, kSmoothDelayMs, nullptr);
}

void CPinWnd::OnActualSize() { ZoomTo(100, m_ptMenu); }

void CPinWnd::OnOpacity(UINT nID) {
    for (const auto& item : kMenuOpacities) {
        if (item.nID == nID) SetOpacity(item.nOpacity);
    }
}

void CPinWnd::OnClose() {
    if (!IsBusy()) DestroyWindow();
}

void CPinWnd::OnCloseAll() { m_board.CloseAll(); }
