#include "overlay_test_support.h"

namespace overlaytest {

BEGIN_MESSAGE_MAP(CPatternWnd, CWnd)
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
END_MESSAGE_MAP()

BOOL CPatternWnd::CreateAt(int x, int y, int cx, int cy) {
    m_x = x;
    m_y = y;
    return CreateEx(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, AfxRegisterWndClass(0), "kapto test pattern",
                    WS_POPUP | WS_VISIBLE, x, y, cx, cy, nullptr, nullptr);
}

BOOL CPatternWnd::CreateFlat(int x, int y, int cx, int cy, COLORREF clr) {
    m_bFlat = TRUE;
    m_clrFlat = clr;
    return CreateAt(x, y, cx, cy);
}

void CPatternWnd::SetMirrored(BOOL bMirrored) {
    m_bMirrored = bMirrored;
    ::InvalidateRect(m_hWnd, nullptr, FALSE);
    ::UpdateWindow(m_hWnd);
}

COLORREF CPatternWnd::ColourAt(int xScreen, int yScreen) const {
    if (m_bFlat) return m_clrFlat;
    return m_bMirrored ? PatternColour(yScreen, xScreen) : PatternColour(xScreen, yScreen);
}

void CPatternWnd::OnPaint() {
    PAINTSTRUCT ps;
    HDC hdc = ::BeginPaint(m_hWnd, &ps);
    RECT rc;
    ::GetClientRect(m_hWnd, &rc);
    int w = rc.right, h = rc.bottom;
    std::vector<UINT> pixels((size_t)w * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            COLORREF c = ColourAt(m_x + x, m_y + y);
            pixels[(size_t)y * w + x] = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
        }
    BITMAPINFO bmi = TopDownDib32(w, h);
    ::SetDIBitsToDevice(hdc, 0, 0, w, h, 0, 0, 0, h, pixels.data(), &bmi, DIB_RGB_COLORS);
    ::EndPaint(m_hWnd, &ps);
}

std::vector<COLORREF> ReadScreen(const RECT& rc) {
    int w = rc.right - rc.left, h = rc.bottom - rc.top;
    std::vector<COLORREF> out;
    if (w <= 0 || h <= 0) return out;
    HDC hScreen = ::GetDC(nullptr);
    BITMAPINFO bmi = TopDownDib32(w, h);
    void* pBits = nullptr;
    HBITMAP hDib = ::CreateDIBSection(hScreen, &bmi, DIB_RGB_COLORS, &pBits, nullptr, 0);
    HDC hMem = ::CreateCompatibleDC(hScreen);
    HGDIOBJ hOld = ::SelectObject(hMem, hDib);
    ::BitBlt(hMem, 0, 0, w, h, hScreen, rc.left, rc.top, SRCCOPY);
    ::GdiFlush();
    out.resize((size_t)w * h);
    const UINT* p = static_cast<const UINT*>(pBits);
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = RGB((p[i] >> 16) & 0xFF, (p[i] >> 8) & 0xFF, p[i] & 0xFF);
    ::SelectObject(hMem, hOld);
    ::DeleteDC(hMem);
    ::DeleteObject(hDib);
    ::ReleaseDC(nullptr, hScreen);
    return out;
}

COLORREF ScreenPixel(int x, int y) {
    RECT rc = {x, y, x + 1, y + 1};
    return ReadScreen(rc)[0];
}

bool WaitForScreen(int x, int y, COLORREF clr, DWORD nMs) {
    DWORD nStart = ::GetTickCount();
    for (;;) {
        PumpMessages(20);
        if (ScreenPixel(x, y) == clr) return true;
        if (::GetTickCount() - nStart > nMs) return false;
    }
}

namespace {

DWORD ButtonFlag(bool bLeft, bool bDown) {
    return bLeft ? (bDown ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP)
                 : (bDown ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_RIGHTUP);
}

}  // namespace

bool WaitForCursor(int x, int y, DWORD nMs) {
    // The desktop's own process turns pointer warps into moves of its own
    // and may deliver one for an earlier position late: the cursor must stay
    // put for a while to count.
    const DWORD kStableMs = 250;
    DWORD nStart = ::GetTickCount();
    DWORD nSince = 0;
    bool bThere = false;
    for (;;) {
        POINT pt;
        ::GetCursorPos(&pt);
        DWORD nNow = ::GetTickCount();
        if (pt.x == x && pt.y == y) {
            if (!bThere) nSince = nNow;
            bThere = true;
            if (nNow - nSince >= kStableMs) return true;
        } else {
            bThere = false;
            if (nNow - nStart > nMs) return false;
        }
        ::Sleep(10);
    }
}

bool MouseMoveTo(int x, int y) {
    // Injected input moves the desktop's cursor but not the display's
    // pointer, from which a later GetCursorPos may take the old position
    // back. SetCursorPos moves both, but only when the desktop's cursor is
    // not there yet: it goes first. Sent again until the cursor stays.
    for (int n = 0; n < 5; ++n) {
        ::SetCursorPos(x, y);
        testinput::SendMoveTo(x, y);
        if (WaitForCursor(x, y, 500)) return true;
    }
    return false;
}

void MouseButton(bool bLeft, bool bDown) { testinput::SendButton(ButtonFlag(bLeft, bDown)); }

void MouseButtonAt(int x, int y, bool bLeft, bool bDown) { testinput::SendMoveTo(x, y, ButtonFlag(bLeft, bDown)); }

}  // namespace overlaytest
