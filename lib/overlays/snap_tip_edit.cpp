// The tip panel: background picture, text, magnifier and the panel's own
// escape from the cursor.
#include "snap_tip_windows.h"

#include "framework/scoped_handles.h"
#include "kp_resource.h"
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

// A copy of hSource, compatible with the screen; null on failure.
HBITMAP CopyScreenBitmap(HBITMAP hSource) {
    BITMAP bm;
    if (hSource == nullptr || ::GetObjectA(hSource, sizeof bm, &bm) == 0 || bm.bmWidth <= 0 || bm.bmHeight <= 0)
        return nullptr;
    kfw::ScopedGetDC screen(nullptr);
    kfw::ScopedBitmap copy(::CreateCompatibleBitmap(screen, bm.bmWidth, bm.bmHeight));
    kfw::ScopedMemDC src(screen);
    kfw::ScopedMemDC dst(screen);
    if (copy.get() == nullptr || src.get() == nullptr || dst.get() == nullptr) return nullptr;
    kfw::ScopedSelect selSrc(src, hSource);
    kfw::ScopedSelect selDst(dst, copy);
    if (!selSrc.ok() || !selDst.ok() || !::BitBlt(dst, 0, 0, bm.bmWidth, bm.bmHeight, src, 0, 0, SRCCOPY))
        return nullptr;
    return copy.Release();
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

CSnapTipEdit::CSnapTipEdit() : m_bAtTopLeft(1), m_hSourceWnd(nullptr), m_hPalette(nullptr), m_bLiveSource(0) {}

CSnapTipEdit::~CSnapTipEdit() {
    if (m_hPalette != nullptr) ::DeleteObject(m_hPalette);
}

void CSnapTipEdit::SetSourceWnd(CWnd* pSourceWnd, int bLive) {
    m_hSourceWnd = pSourceWnd != nullptr ? pSourceWnd->m_hWnd : nullptr;
    m_bLiveSource = bLive;
    FreeFrozenPicture();
    // A live source never looks at the clipboard's picture.
    if (bLive) return;
    // The clipboard's bitmap stays the clipboard's and is valid only while
    // it is open: anyone may empty the clipboard while the panel is shown.
    // The panel magnifies a copy of its own.
    kfw::ScopedClipboard clipboard(nullptr);
    if (!clipboard.IsOpen() || !::IsClipboardFormatAvailable(CF_BITMAP)) return;
    HBITMAP hCopy = CopyScreenBitmap((HBITMAP)::GetClipboardData(CF_BITMAP));
    if (hCopy != nullptr) m_bmpFrozen.Attach(hCopy);
}

void CSnapTipEdit::FreeFrozenPicture() { m_bmpFrozen.DeleteObject(); }

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
    // The point of a forwarded move is (0, 0): read where the cursor is, in
    // the coordinates of the parent the panel moves in.
    HWND hParent = ::GetParent(m_hWnd);
    POINT pt;
    CRect rcWnd, rcParent;
    if (hParent != nullptr && ::GetCursorPos(&pt) && ::ScreenToClient(hParent, &pt)) {
        GetWindowRect(&rcWnd);
        ::GetClientRect(hParent, &rcParent);
        int w = rcWnd.Width(), h = rcWnd.Height();
        int cxScreen = ::GetSystemMetrics(SM_CXSCREEN);
        CRect rcTopLeft(kEscapeMargin, kEscapeMargin, kEscapeMargin + w, kEscapeMargin + h);
        CRect rcTopRight(cxScreen - w - kEscapeMargin, kEscapeMargin, cxScreen - kEscapeMargin, kEscapeMargin + h);
        // Only a parent that spans the screen's width has both corners to
        // jump between (the rectangle overlay); in a parent the panel fills
        // (the object tip) it would jump out of sight.
        CRect rcBoth;
        rcBoth.UnionRect(&rcTopLeft, &rcTopRight);
        bool bRoom = (rcBoth & rcParent) == rcBoth;
        if (bRoom && m_bAtTopLeft == 1 && CRect(0, 0, w + kEscapeMargin, h + kEscapeMargin).PtInRect(pt)) {
            MoveWindow(rcTopRight.left, rcTopRight.top, w, h, TRUE);
            m_bAtTopLeft = 0;
        } else if (bRoom && m_bAtTopLeft == 0 &&
                   CRect(cxScreen - w - kEscapeMargin, 0, cxScreen, h + kEscapeMargin).PtInRect(pt)) {
            MoveWindow(rcTopLeft.left, rcTopLeft.top, w, h, TRUE);
            m_bAtTopLeft = 1;
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
    if (!bmpBack.LoadBitmap(IDB_SNAP_TIP)) return TRUE;
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
    CRect rcText(rc.left + kMagnifierLeft, rc.top + kCaptionHeight, rc.right - kMagnifierLeft, rc.top + kTextBottom);
    dc.DrawText(strText, &rcText, DT_WORDBREAK | TextAlignmentOf(GetStyle()));
    if (m_hSourceWnd != nullptr) DrawMagnifier(&dc, rc);
}

void CSnapTipEdit::DrawMagnifier(CDC* pDC, const CRect& rcClient) {
    HDC hdc = pDC->m_hDC;
    int cxScreen = ::GetSystemMetrics(SM_CXSCREEN);
    int cyScreen = ::GetSystemMetrics(SM_CYSCREEN);
    POINT pt;
    if (!::GetCursorPos(&pt)) return;
    int xSrc = std::min(std::max((int)pt.x - kSourceWidth / 2, 0), cxScreen);
    int ySrc = std::min(std::max((int)pt.y - kSourceHeight / 2, 0), cyScreen);
    int yTop = rcClient.top + kMagnifierTop;

    // The source: the live window, or the frozen picture.
    auto magnify = [&](HDC hdcSrc) {
        if (hdcSrc == nullptr) return;
        HPALETTE hOldSrcPal = nullptr, hOldPal = nullptr;
        if (m_hPalette != nullptr) {
            hOldSrcPal = ::SelectPalette(hdcSrc, m_hPalette, FALSE);
            hOldPal = ::SelectPalette(hdc, m_hPalette, FALSE);
            ::RealizePalette(hdcSrc);
        }
        ::StretchBlt(hdc, kMagnifierLeft, yTop, kSourceWidth * kZoom, kSourceHeight * kZoom, hdcSrc, xSrc, ySrc,
                     kSourceWidth, kSourceHeight, SRCCOPY);
        if (hOldSrcPal != nullptr) ::SelectPalette(hdcSrc, hOldSrcPal, FALSE);
        if (hOldPal != nullptr) ::SelectPalette(hdc, hOldPal, FALSE);
    };
    if (m_bLiveSource) {
        kfw::ScopedWindowDC live(m_hSourceWnd);
        magnify(live);
    } else {
        // An empty frozen picture leaves an empty memory DC: the magnifier
        // then shows what that gives, and the panel goes on.
        kfw::ScopedMemDC frozen(hdc);
        kfw::ScopedSelect select(frozen, m_bmpFrozen.m_hObject);
        magnify(frozen);
    }

    // The cursor's place in the source area; a cursor off the primary screen
    // has no pixel in the magnifier and gets no cross-hair.
    int dx = pt.x - xSrc;
    int dy = pt.y - ySrc;
    if (dx < 0 || dx >= kSourceWidth || dy < 0 || dy >= kSourceHeight) return;

    const int cxBars = kSourceWidth * kZoom;
    const int cyBars = kSourceHeight * kZoom;
    kfw::ScopedMemDC green(hdc);
    kfw::ScopedBitmap bmpGreen(::CreateCompatibleBitmap(hdc, cxBars, cyBars));
    {
        kfw::ScopedSelect select(green, bmpGreen);
        kfw::ScopedBrush brush(::CreateSolidBrush(kCrossHairColour));
        if (select.ok() && brush.get() != nullptr) {
            RECT rcBars = {0, 0, cxBars, cyBars};
            ::FillRect(green, &rcBars, brush);
            BLENDFUNCTION blend = {AC_SRC_OVER, 0, kCrossHairAlpha, 0};
            ::AlphaBlend(hdc, kZoom * dx + kMagnifierLeft - 1, yTop, kBarWidth, cyBars, green, 0, 0, kBarWidth, cyBars,
                         blend);
            ::AlphaBlend(hdc, kMagnifierLeft, yTop + kZoom * dy - 1, cxBars, kBarWidth, green, 0, 0, cxBars, kBarWidth,
                         blend);
        }
    }

    // A black box around the magnified cursor pixel.
    int xBox = kZoom * dx + kMagnifierLeft - 1;
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
