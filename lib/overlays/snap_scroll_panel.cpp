#include "snap_scroll_panel.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>

#include "framework/scoped_handles.h"

namespace {

// The panel's hot key: Esc, with no modifier.
const int kPanelEscapeId = 1;

// Room around the text, and the panel's distance from the area.
const int kPanelPadding = 8;
const int kPanelGap = 6;

const char kHeightFormat[] = "已截取高度：%d 像素";
const char kStopText[] = "按ESC键停止";

// The first line's text for nPixels.
void HeightText(char* pszText, size_t nSize, int nPixels) { snprintf(pszText, nSize, kHeightFormat, nPixels); }

}  // namespace

BEGIN_MESSAGE_MAP(CSnapScrollPanel, CWnd)
    ON_WM_PAINT()
    ON_WM_DESTROY()
    ON_MESSAGE(WM_HOTKEY, &CSnapScrollPanel::OnHotKey)
END_MESSAGE_MAP()

CSnapScrollPanel::CSnapScrollPanel() : m_nHeight(0), m_bStopAsked(FALSE), m_bEscapeKey(FALSE) {}

CSnapScrollPanel::~CSnapScrollPanel() {
    if (m_hWnd != nullptr) DestroyWindow();
}

CSize CSnapScrollPanel::MeasureText() {
    kfw::ScopedGetDC dc(nullptr);
    if (dc.get() == nullptr) return CSize(200, 48);
    kfw::ScopedSelect select(dc, m_font.GetSafeHandle());
    char text[64];
    // Room for the widest height the capture can reach.
    HeightText(text, sizeof text, 88888);
    SIZE one = {}, two = {};
    ::GetTextExtentPoint32A(dc, text, (int)strlen(text), &one);
    ::GetTextExtentPoint32A(dc, kStopText, (int)strlen(kStopText), &two);
    return CSize(std::max(one.cx, two.cx) + 2 * kPanelPadding, one.cy + two.cy + 2 * kPanelPadding + kPanelPadding / 2);
}

BOOL CSnapScrollPanel::Show(const CRect& rcWindow, const CRect& rcArea, const CRect& rcMonitor, HWND hOwner,
                            CRect& rcGrab) {
    NONCLIENTMETRICSA metrics = {};
    metrics.cbSize = sizeof metrics;
    if (::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        m_font.CreateFontIndirect(&metrics.lfMessageFont);
    else
        m_font.CreateStockObject(DEFAULT_GUI_FONT);
    const CSize size = MeasureText();

    // Beside the window, at its top (right or left) or its left end (below
    // or above); else beside the area itself, over the window's frame.
    rcGrab = rcArea;
    const CPoint places[] = {
        CPoint(rcWindow.right + kPanelGap, rcArea.top),   CPoint(rcWindow.left - kPanelGap - size.cx, rcArea.top),
        CPoint(rcArea.left, rcWindow.bottom + kPanelGap), CPoint(rcArea.left, rcWindow.top - kPanelGap - size.cy),
        CPoint(rcArea.right + kPanelGap, rcArea.top),     CPoint(rcArea.left - kPanelGap - size.cx, rcArea.top),
        CPoint(rcArea.left, rcArea.bottom + kPanelGap),   CPoint(rcArea.left, rcArea.top - kPanelGap - size.cy),
    };
    CRect rcPanel;
    BOOL bPlaced = FALSE;
    for (const CPoint& pt : places) {
        CRect rc(pt, size);
        // Slid along the side when it reaches out of the monitor.
        if (rc.right > rcMonitor.right) rc.OffsetRect(rcMonitor.right - rc.right, 0);
        if (rc.bottom > rcMonitor.bottom) rc.OffsetRect(0, rcMonitor.bottom - rc.bottom);
        if (rc.left < rcMonitor.left) rc.OffsetRect(rcMonitor.left - rc.left, 0);
        if (rc.top < rcMonitor.top) rc.OffsetRect(0, rcMonitor.top - rc.top);
        CRect rcOverlap;
        if (!rcOverlap.IntersectRect(&rc, &rcArea)) {
            rcPanel = rc;
            bPlaced = TRUE;
            break;
        }
    }
    if (!bPlaced) {
        // Over the area's bottom right corner; those rows are not grabbed.
        rcPanel = CRect(CPoint(rcArea.right - size.cx, rcArea.bottom - size.cy), size);
        rcGrab.bottom = rcPanel.top - 1;
    }

    LPCSTR pszClass = AfxRegisterWndClass(0, ::LoadCursor(nullptr, IDC_ARROW), (HBRUSH)(COLOR_INFOBK + 1));
    if (!CreateEx(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, pszClass, "Kapto 滚动截图", WS_POPUP | WS_BORDER,
                  rcPanel.left, rcPanel.top, rcPanel.Width(), rcPanel.Height(), hOwner, nullptr))
        return FALSE;
    // Refused when another program has claimed Esc: the capture then ends
    // at its limits or the content's end.
    m_bEscapeKey = ::RegisterHotKey(m_hWnd, kPanelEscapeId, 0, VK_ESCAPE);
    ::SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    UpdateWindow();
    return TRUE;
}

void CSnapScrollPanel::SetHeight(int nPixels) {
    m_nHeight = nPixels;
    if (m_hWnd == nullptr) return;
    Invalidate(FALSE);
    UpdateWindow();
}

void CSnapScrollPanel::OnPaint() {
    PAINTSTRUCT ps;
    HDC hdc = ::BeginPaint(m_hWnd, &ps);
    CRect rc;
    GetClientRect(&rc);
    ::FillRect(hdc, &rc, ::GetSysColorBrush(COLOR_INFOBK));
    {
        kfw::ScopedSelect select(hdc, m_font.GetSafeHandle());
        ::SetBkMode(hdc, TRANSPARENT);
        ::SetTextColor(hdc, ::GetSysColor(COLOR_INFOTEXT));
        char text[64];
        HeightText(text, sizeof text, m_nHeight);
        SIZE one = {};
        ::GetTextExtentPoint32A(hdc, text, (int)strlen(text), &one);
        ::TextOutA(hdc, kPanelPadding, kPanelPadding, text, (int)strlen(text));
        ::TextOutA(hdc, kPanelPadding, kPanelPadding + one.cy + kPanelPadding / 2, kStopText, (int)strlen(kStopText));
    }
    ::EndPaint(m_hWnd, &ps);
}

LRESULT CSnapScrollPanel::OnHotKey(WPARAM wParam, LPARAM) {
    if (wParam == kPanelEscapeId) m_bStopAsked = TRUE;
    return 0;
}

void CSnapScrollPanel::OnDestroy() {
    if (m_bEscapeKey) ::UnregisterHotKey(m_hWnd, kPanelEscapeId);
    m_bEscapeKey = FALSE;
    CWnd::OnDestroy();
}
