// "Another program" for the scrolling capture scenarios: a window whose
// client area shows a known tall picture with a fixed header, scrolled by
// its scroll bar or by the wheel only, or a list box of numbered lines.
#include <windows.h>
#include <stdio.h>
#include <string.h>

#include "e2e/e2e_scroll_target.h"

namespace {

using namespace e2e;

const int kContentHeight = kPictureHeight - kPictureHeader;    // rows that scroll
const int kViewContent = kPictureViewHeight - kPictureHeader;  // rows of them shown
const int kMaxPos = kContentHeight - kViewContent;

HDC g_hPicture = nullptr;  // the whole picture, selected into a memory DC
bool g_bWheel = false;
int g_nPos = 0;
int g_nWheelDelta = 0;

void MakePicture() {
    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
    bmi.bmiHeader.biWidth = kPictureWidth;
    bmi.bmiHeader.biHeight = -kPictureHeight;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    void* pBits = nullptr;
    HBITMAP hBitmap = ::CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &pBits, nullptr, 0);
    UINT* p = static_cast<UINT*>(pBits);
    for (int y = 0; y < kPictureHeight; ++y)
        for (int x = 0; x < kPictureWidth; ++x)
            *p++ = TallPixel(x, y);
    g_hPicture = ::CreateCompatibleDC(nullptr);
    ::SelectObject(g_hPicture, hBitmap);
}

// Moves the content to nPos, as a real program does: what stays in view is
// scrolled, what comes into view is painted.
void ScrollTo(HWND hWnd, int nPos) {
    if (nPos < 0) nPos = 0;
    if (nPos > kMaxPos) nPos = kMaxPos;
    if (nPos == g_nPos) return;
    RECT rcContent = {0, kPictureHeader, kPictureWidth, kPictureViewHeight};
    ::ScrollWindowEx(hWnd, 0, g_nPos - nPos, &rcContent, &rcContent, nullptr, nullptr, SW_INVALIDATE);
    g_nPos = nPos;
    if (!g_bWheel) {
        SCROLLINFO si = {sizeof si, SIF_POS, 0, 0, 0, g_nPos, 0};
        ::SetScrollInfo(hWnd, SB_VERT, &si, TRUE);
    }
}

LRESULT CALLBACK PictureProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC hdc = ::BeginPaint(hWnd, &ps);
            ::BitBlt(hdc, 0, 0, kPictureWidth, kPictureHeader, g_hPicture, 0, 0, SRCCOPY);
            ::BitBlt(hdc, 0, kPictureHeader, kPictureWidth, kViewContent, g_hPicture, 0, kPictureHeader + g_nPos,
                     SRCCOPY);
            ::EndPaint(hWnd, &ps);
            return 0;
        }
        case WM_VSCROLL: {
            if (g_bWheel) break;
            // Where each request of the scroll bar takes the content.
            const int nThumb = HIWORD(wParam);
            const struct {
                int nCode, nTo;
            } kMoves[] = {{SB_LINEUP, g_nPos - kLinePixels},
                          {SB_LINEDOWN, g_nPos + kLinePixels},
                          {SB_PAGEUP, g_nPos - kViewContent},
                          {SB_PAGEDOWN, g_nPos + kViewContent},
                          {SB_THUMBTRACK, nThumb},
                          {SB_THUMBPOSITION, nThumb},
                          {SB_TOP, 0},
                          {SB_BOTTOM, kMaxPos}};
            for (const auto& move : kMoves) {
                if (move.nCode == LOWORD(wParam)) ScrollTo(hWnd, move.nTo);
            }
            return 0;
        }
        case WM_MOUSEWHEEL:
            // The scroll bar's window takes no wheel: its scenario scrolls by
            // the bar alone.
            if (!g_bWheel) return 0;
            g_nWheelDelta += (short)HIWORD(wParam);
            while (g_nWheelDelta >= WHEEL_DELTA || g_nWheelDelta <= -WHEEL_DELTA) {
                int nNotch = g_nWheelDelta > 0 ? 1 : -1;
                g_nWheelDelta -= nNotch * WHEEL_DELTA;
                ScrollTo(hWnd, g_nPos - nNotch * kNotchPixels);
            }
            return 0;
        case kGetScrollPosMessage:
            return g_nPos;
        case WM_DESTROY:
            ::PostQuitMessage(0);
            return 0;
    }
    return ::DefWindowProcA(hWnd, msg, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR lpCmdLine, int) {
    const bool bList = strcmp(lpCmdLine, "list") == 0;
    g_bWheel = strcmp(lpCmdLine, "wheel") == 0;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = PictureProc;
    wc.hInstance = hInstance;
    wc.hCursor = ::LoadCursorA(nullptr, (LPCSTR)IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    wc.lpszClassName = kScrollTargetClass;
    if (!::RegisterClassA(&wc)) return 1;

    const DWORD dwStyle =
        WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN | (bList || g_bWheel ? 0 : WS_VSCROLL);
    RECT rc = {0, 0, bList ? kListWidth : kPictureWidth, kPictureViewHeight};
    ::AdjustWindowRectEx(&rc, dwStyle, FALSE, 0);
    if (!bList && !g_bWheel) rc.right += ::GetSystemMetrics(SM_CXVSCROLL);
    HWND hWnd =
        ::CreateWindowExA(0, kScrollTargetClass, bList ? "列表窗口" : "长图窗口", dwStyle,
                          bList ? kListWindowAt.x : kPictureWindowAt.x, bList ? kListWindowAt.y : kPictureWindowAt.y,
                          rc.right - rc.left, rc.bottom - rc.top, nullptr, nullptr, hInstance, nullptr);
    if (hWnd == nullptr) return 1;
    if (bList) {
        HWND hList =
            ::CreateWindowExA(0, "LISTBOX", "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_BORDER, 0, 0, kListWidth,
                              kPictureViewHeight, hWnd, (HMENU)(INT_PTR)kListId, hInstance, nullptr);
        for (int i = 1; i <= kListLines; ++i) {
            char text[64];
            snprintf(text, sizeof text, "第 %03d 行：列表中的一行文字", i);
            ::SendMessageA(hList, LB_ADDSTRING, 0, (LPARAM)text);
        }
        ::SendMessageA(hList, LB_SETTOPINDEX, kListStartTop, 0);
    } else {
        MakePicture();
        g_nPos = g_bWheel ? kWheelStartPos : kBarStartPos;
        SCROLLINFO si = {sizeof si, SIF_ALL, 0, kContentHeight - 1, (UINT)kViewContent, g_nPos, 0};
        if (!g_bWheel) ::SetScrollInfo(hWnd, SB_VERT, &si, FALSE);
    }
    ::ShowWindow(hWnd, SW_SHOWNORMAL);
    ::UpdateWindow(hWnd);

    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    return 0;
}
