// The tip panel: background picture, text, magnifier and the panel's own
// escape from the cursor.
#include "snap_tip_windows.h"

#include "framework/scoped_handles.h"
#include "kp_resource.h"
#include "monitor_enum.h"
#include "screen_grab.h"
#include "res/resource.h"

#include <algorithm>
#include <memory>
#include <new>

namespace {

// The cross-hair: two green bars, blended at half strength, seven pixels
// wide so that they cover the magnified cursor pixel and one pixel beside it.
const COLORREF kCrossHairColour = RGB(0, 255, 0);
const BYTE kCrossHairAlpha = 127;
const int kBarWidth = 7;

// A palette display has at most 256 colours; more bits mean no palette.
const int kMaxPaletteBits = 8;

// The text's alignment from the EDIT control's own style. Only these bits
// mean the same to DrawText; the other style bits would be taken for
// unrelated DrawText flags.
UINT TextAlignmentOf(DWORD dwEditStyle) {
    if (dwEditStyle & ES_CENTER) return DT_CENTER;
    if (dwEditStyle & ES_RIGHT) return DT_RIGHT;
    return DT_LEFT;
}

}  // namespace

BEGIN_MESSAGE_MAP(CSnapTipEdit, CWnd)
    ON_WM_CREATE()
    ON_WM_MOUSEMOVE()
    ON_WM_SETFOCUS()
    ON_WM_CTLCOLOR_REFLECT()
    ON_WM_ERASEBKGND()
    ON_WM_PAINT()
    ON_WM_DESTROY()
END_MESSAGE_MAP()

// The background pictures, one per panel scale.
const struct {
    int nScale;
    UINT nBitmap;
} kPanelPictures[] = {{100, IDB_SNAP_TIP}, {150, IDB_SNAP_TIP_150}, {200, IDB_SNAP_TIP_200}};

CSnapTipEdit::CSnapTipEdit()
    : m_bAtTopLeft(1),
      m_hSourceWnd(nullptr),
      m_hPalette(nullptr),
      m_hFrozen(nullptr),
      m_bLiveSource(0),
      m_nScale(100) {}

CSnapTipEdit::~CSnapTipEdit() {
    if (m_hPalette != nullptr) ::DeleteObject(m_hPalette);
}

void CSnapTipEdit::SetSourceWnd(CWnd* pSourceWnd, int bLive) {
    m_hSourceWnd = pSourceWnd != nullptr ? pSourceWnd->m_hWnd : nullptr;
    m_bLiveSource = bLive;
    FreeFrozenPicture();
    KpGetMonitorLayout(m_layout);
    // A live source never looks at the clipboard's picture.
    if (bLive) return;
    // The clipboard's bitmap stays the clipboard's and is valid only while
    // it is open: anyone may empty the clipboard while the panel is shown.
    // The panel magnifies a copy of its own.
    kfw::ScopedClipboard clipboard(nullptr);
    if (!clipboard.IsOpen() || !::IsClipboardFormatAvailable(CF_BITMAP)) return;
    HBITMAP hCopy = KpCopyScreenBitmap((HBITMAP)::GetClipboardData(CF_BITMAP));
    if (hCopy != nullptr) m_bmpFrozen.Attach(hCopy);
    m_hFrozen = hCopy;
}

void CSnapTipEdit::SetFrozenPicture(HBITMAP hPicture, POINT ptOrigin) {
    FreeFrozenPicture();
    m_hSourceWnd = ::GetDesktopWindow();
    m_bLiveSource = 0;
    m_hFrozen = hPicture;
    m_ptFrozenOrigin = ptOrigin;
    KpGetMonitorLayout(m_layout);
}

void CSnapTipEdit::FreeFrozenPicture() {
    m_bmpFrozen.DeleteObject();
    m_hFrozen = nullptr;
    m_ptFrozenOrigin = CPoint(0, 0);
}

void CSnapTipEdit::SetPanelScale(int nPercent) {
    m_nScale = nPercent == 150 || nPercent == 200 ? nPercent : 100;
}

CSize CSnapTipEdit::GetPanelSize(int nPercent) {
    return CSize(kPanelWidth * nPercent / 100, kPanelHeight * nPercent / 100);
}

// ---- Messages ----------------------------------------------------------------

int CSnapTipEdit::OnCreate(LPCREATESTRUCTA) {
    if (Default() == -1) return -1;
    if (m_hPalette != nullptr) {
        ::DeleteObject(m_hPalette);
        m_hPalette = nullptr;
    }
    if (m_hSourceWnd == nullptr) return 0;
    kfw::ScopedWindowDC source(m_hSourceWnd);
    if (source.get() == nullptr || !(::GetDeviceCaps(source, RASTERCAPS) & RC_PALETTE)) return 0;
    int nBits = ::GetDeviceCaps(source, BITSPIXEL);
    if (nBits <= 0 || nBits > kMaxPaletteBits) return 0;
    int nEntries = 1 << nBits;
    // LOGPALETTE declares one entry; the rest follow it.
    size_t cb = sizeof(LOGPALETTE) + (size_t)(nEntries - 1) * sizeof(PALETTEENTRY);
    std::unique_ptr<BYTE[]> buffer(new (std::nothrow) BYTE[cb]);
    if (!buffer) return 0;
    LOGPALETTE* pLog = reinterpret_cast<LOGPALETTE*>(buffer.get());
    pLog->palVersion = 0x300;
    pLog->palNumEntries = (WORD)nEntries;
    ::GetSystemPaletteEntries(source, 0, (UINT)nEntries, pLog->palPalEntry);
    m_hPalette = ::CreatePalette(pLog);
    return 0;
}

void CSnapTipEdit::OnMouseMove(UINT, CPoint) {
    // The point of a forwarded move is (0, 0): read where the cursor is.
    // The panel jumps between the top corners of the monitor under the
    // cursor, and follows the cursor onto another monitor, at that
    // monitor's scale.
    HWND hParent = ::GetParent(m_hWnd);
    POINT pt;
    CRect rcParent;
    if (m_layout.GetCount() == 0) KpGetMonitorLayout(m_layout);
    if (hParent != nullptr && ::GetCursorPos(&pt) && ::GetClientRect(hParent, &rcParent)) {
        CPoint ptParent(0, 0);
        ::ClientToScreen(hParent, &ptParent);
        rcParent.OffsetRect(ptParent);
        int i = m_layout.Nearest(pt);
        const KpMonitor& m = m_layout.GetMonitor(i);
        CRect rcWnd;
        GetWindowRect(&rcWnd);
        CSize size = rcWnd.Size();
        // Only a parent that spans the monitor's width has both corners to
        // jump between (the rectangle overlay); in a parent the panel fills
        // (the object tip) it would jump out of sight.
        CRect rcTopLeft = m_layout.CornerOf(i, size, kEscapeMargin, CKpMonitorLayout::kTopLeft);
        CRect rcTopRight = m_layout.CornerOf(i, size, kEscapeMargin, CKpMonitorLayout::kTopRight);
        CRect rcBoth;
        rcBoth.UnionRect(&rcTopLeft, &rcTopRight);
        if ((rcBoth & rcParent) == rcBoth) {
            int nScale = KpPanelScalePercent(m.nDpi);
            if (nScale != m_nScale) {
                SetPanelScale(nScale);
                size = GetPanelSize(m_nScale);
                rcTopLeft = m_layout.CornerOf(i, size, kEscapeMargin, CKpMonitorLayout::kTopLeft);
                rcTopRight = m_layout.CornerOf(i, size, kEscapeMargin, CKpMonitorLayout::kTopRight);
            }
            const int w = size.cx, h = size.cy;
            CRect rcTo = m_bAtTopLeft ? rcTopLeft : rcTopRight;
            if (m_bAtTopLeft == 1 && CRect(m.rcMonitor.left, m.rcMonitor.top, m.rcMonitor.left + w + kEscapeMargin,
                                           m.rcMonitor.top + h + kEscapeMargin)
                                         .PtInRect(pt)) {
                rcTo = rcTopRight;
                m_bAtTopLeft = 0;
            } else if (m_bAtTopLeft == 0 && CRect(m.rcMonitor.right - w - kEscapeMargin, m.rcMonitor.top,
                                                  m.rcMonitor.right, m.rcMonitor.top + h + kEscapeMargin)
                                                .PtInRect(pt)) {
                rcTo = rcTopLeft;
                m_bAtTopLeft = 1;
            }
            if (rcTo != rcWnd) {
                rcTo.OffsetRect(-ptParent.x, -ptParent.y);
                MoveWindow(rcTo.left, rcTo.top, rcTo.Width(), rcTo.Height(), TRUE);
            }
        }
    }
    Default();
}

void CSnapTipEdit::OnSetFocus(CWnd*) {
    Default();
    // The panel is no place to type: its caret never shows.
    HideCaret();
}

HBRUSH CSnapTipEdit::CtlColor(CDC* pDC, UINT) {
    pDC->SetBkMode(TRANSPARENT);
    return nullptr;  // the parent colours the control
}

BOOL CSnapTipEdit::OnEraseBkgnd(CDC* pDC) {
    // No text is ever shown selected: the selection collapses to the start.
    SendMessage(EM_SETSEL, 0, 0);
    SendMessage(EM_SCROLLCARET);
    CKpLocalResource resource;
    CBitmap bmpBack;
    UINT nBitmap = IDB_SNAP_TIP;
    for (const auto& picture : kPanelPictures)
        if (picture.nScale == m_nScale) nBitmap = picture.nBitmap;
    if (!bmpBack.LoadBitmap(nBitmap)) return TRUE;
    kfw::ScopedMemDC mem(pDC->m_hDC);
    kfw::ScopedSelect select(mem, bmpBack.m_hObject);
    if (select.ok()) {
        CRect rc;
        GetClientRect(&rc);
        ::BitBlt(pDC->m_hDC, 0, 0, rc.Width(), rc.Height(), mem, 0, 0, SRCCOPY);
    }
    return TRUE;
}

void CSnapTipEdit::OnPaint() {
    CPaintDC dc(this);
    dc.SetBkMode(TRANSPARENT);
    CRect rc;
    GetClientRect(&rc);
    CString strText;
    GetWindowText(strText);
    // The text keeps the magnifier's margin from the panel's outline.
    CRect rcText(rc.left + Scaled(kMagnifierLeft), rc.top + Scaled(kCaptionHeight), rc.right - Scaled(kMagnifierLeft),
                 rc.top + Scaled(kTextBottom));
    dc.DrawText(strText, &rcText, DT_WORDBREAK | TextAlignmentOf(GetStyle()));
    if (m_hSourceWnd != nullptr) DrawMagnifier(&dc, rc);
}

void CSnapTipEdit::DrawMagnifier(CDC* pDC, const CRect& rcClient) {
    HDC hdc = pDC->m_hDC;
    POINT pt;
    if (!::GetCursorPos(&pt)) return;
    // The source area grows with the panel; the zoom stays five-fold.
    const int cxSource = Scaled(kSourceWidth * kZoom) / kZoom;
    const int cySource = Scaled(kSourceHeight * kZoom) / kZoom;
    const int xLeft = Scaled(kMagnifierLeft);
    // Kept on the screens' left and top edges (the right and bottom edges
    // may show nothing beyond them).
    CRect rcScreens = m_layout.GetVirtualRect();
    if (rcScreens.IsRectEmpty()) rcScreens.SetRect(0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN));
    int xSrc = std::min(std::max((int)pt.x - cxSource / 2, (int)rcScreens.left), (int)rcScreens.right);
    int ySrc = std::min(std::max((int)pt.y - cySource / 2, (int)rcScreens.top), (int)rcScreens.bottom);
    int yTop = rcClient.top + Scaled(kMagnifierTop);

    // The source: the live window, or the frozen picture.
    CPoint ptSrcOrigin = m_bLiveSource ? CPoint(0, 0) : m_ptFrozenOrigin;
    auto magnify = [&](HDC hdcSrc) {
        if (hdcSrc == nullptr) return;
        HPALETTE hOldSrcPal = nullptr, hOldPal = nullptr;
        if (m_hPalette != nullptr) {
            hOldSrcPal = ::SelectPalette(hdcSrc, m_hPalette, FALSE);
            hOldPal = ::SelectPalette(hdc, m_hPalette, FALSE);
            ::RealizePalette(hdcSrc);
        }
        ::StretchBlt(hdc, xLeft, yTop, cxSource * kZoom, cySource * kZoom, hdcSrc, xSrc - ptSrcOrigin.x,
                     ySrc - ptSrcOrigin.y, cxSource, cySource, SRCCOPY);
        if (hOldSrcPal != nullptr) ::SelectPalette(hdcSrc, hOldSrcPal, FALSE);
        if (hOldPal != nullptr) ::SelectPalette(hdc, hOldPal, FALSE);
    };
    if (m_bLiveSource && m_hSourceWnd == ::GetDesktopWindow()) {
        // The screen's DC: its coordinates are the screen's on every monitor.
        kfw::ScopedGetDC live(nullptr);
        magnify(live);
    } else if (m_bLiveSource) {
        kfw::ScopedWindowDC live(m_hSourceWnd);
        magnify(live);
    } else {
        // An empty frozen picture leaves an empty memory DC: the magnifier
        // then shows what that gives, and the panel goes on.
        kfw::ScopedMemDC frozen(hdc);
        kfw::ScopedSelect select(frozen, m_hFrozen);
        magnify(frozen);
    }

    // The cursor's place in the source area; a cursor off the screens has
    // no pixel in the magnifier and gets no cross-hair.
    int dx = pt.x - xSrc;
    int dy = pt.y - ySrc;
    if (dx < 0 || dx >= cxSource || dy < 0 || dy >= cySource) return;

    const int cxBars = cxSource * kZoom;
    const int cyBars = cySource * kZoom;
    kfw::ScopedMemDC green(hdc);
    kfw::ScopedBitmap bmpGreen(::CreateCompatibleBitmap(hdc, cxBars, cyBars));
    {
        kfw::ScopedSelect select(green, bmpGreen);
        kfw::ScopedBrush brush(::CreateSolidBrush(kCrossHairColour));
        if (select.ok() && brush.get() != nullptr) {
            RECT rcBars = {0, 0, cxBars, cyBars};
            ::FillRect(green, &rcBars, brush);
            BLENDFUNCTION blend = {AC_SRC_OVER, 0, kCrossHairAlpha, 0};
            ::AlphaBlend(hdc, kZoom * dx + xLeft - 1, yTop, kBarWidth, cyBars, green, 0, 0, kBarWidth, cyBars, blend);
            ::AlphaBlend(hdc, xLeft, yTop + kZoom * dy - 1, cxBars, kBarWidth, green, 0, 0, cxBars, kBarWidth, blend);
        }
    }

    // A black box around the magnified cursor pixel.
    int xBox = kZoom * dx + xLeft - 1;
    int yBox = yTop + kZoom * dy - 1;
    kfw::ScopedSelect pen(hdc, ::GetStockObject(BLACK_PEN));
    POINT ptOld;
    ::MoveToEx(hdc, xBox, yBox, &ptOld);
    ::LineTo(hdc, xBox + kBarWidth - 1, yBox);
    ::LineTo(hdc, xBox + kBarWidth - 1, yBox + kBarWidth - 1);
    ::LineTo(hdc, xBox, yBox + kBarWidth - 1);
    ::LineTo(hdc, xBox, yBox);
    ::MoveToEx(hdc, ptOld.x, ptOld.y, nullptr);
}

void CSnapTipEdit::OnDestroy() {
    Default();
    if (m_hPalette != nullptr) {
        ::DeleteObject(m_hPalette);
        m_hPalette = nullptr;
    }
    FreeFrozenPicture();
}
