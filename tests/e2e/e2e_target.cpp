// "Another program" for the end-to-end scenarios: a window of known place and
// pattern, with a button, an edit box and a menu bar, so every capture mode
// has something exact to take. The scenarios find it by its class.
//
//   e2e_target.exe      the window at its usual place; ends on WM_CLOSE
#include <windows.h>

#include "e2e/e2e_target.h"

namespace {

// Vertical stripes of eight colours over the top half; under them a
// checkerboard of 8-pixel squares on the left and a red ramp on the right.
void PaintPattern(HDC hdc) {
    using namespace e2e;
    const int nStripe = kTargetClientWidth / 8;
    for (int i = 0; i < 8; ++i) {
        HBRUSH hBrush = ::CreateSolidBrush(kStripeColours[i]);
        RECT rc = {i * nStripe, 0, (i + 1) * nStripe, kTargetClientHeight / 2};
        ::FillRect(hdc, &rc, hBrush);
        ::DeleteObject(hBrush);
    }
    for (int y = kTargetClientHeight / 2; y < kTargetClientHeight; y += 8) {
        for (int x = 0; x < kTargetClientWidth / 2; x += 8) {
            RECT rc = {x, y, x + 8, y + 8};
            ::FillRect(hdc, &rc, (HBRUSH)::GetStockObject(((x + y) / 8) % 2 ? BLACK_BRUSH : WHITE_BRUSH));
        }
    }
    const int nRamp = kTargetClientWidth - kTargetClientWidth / 2;
    for (int x = 0; x < nRamp; ++x) {
        HBRUSH hBrush = ::CreateSolidBrush(RGB(x * 255 / (nRamp - 1), 40, 90));
        RECT rc = {kTargetClientWidth / 2 + x, kTargetClientHeight / 2, kTargetClientWidth / 2 + x + 1,
                   kTargetClientHeight};
        ::FillRect(hdc, &rc, hBrush);
        ::DeleteObject(hBrush);
    }
}

LRESULT CALLBACK TargetProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC hdc = ::BeginPaint(hWnd, &ps);
            PaintPattern(hdc);
            ::EndPaint(hWnd, &ps);
            return 0;
        }
        case WM_DESTROY:
            ::PostQuitMessage(0);
            return 0;
    }
    return ::DefWindowProcA(hWnd, msg, wParam, lParam);
}

HMENU MakeMenu() {
    HMENU hFile = ::CreatePopupMenu();
    ::AppendMenuA(hFile, MF_STRING, 101, "新建(&N)");
    ::AppendMenuA(hFile, MF_STRING, 102, "打开(&O)...");
    ::AppendMenuA(hFile, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuA(hFile, MF_STRING, 103, "退出(&X)");
    HMENU hBar = ::CreateMenu();
    ::AppendMenuA(hBar, MF_POPUP, (UINT_PTR)hFile, "文件(&F)");
    ::AppendMenuA(hBar, MF_STRING, 104, "帮助(&H)");
    return hBar;
}

}  // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int) {
    using namespace e2e;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = TargetProc;
    wc.hInstance = hInstance;
    wc.hCursor = ::LoadCursorA(nullptr, (LPCSTR)IDC_ARROW);
    wc.lpszClassName = kTargetClass;
    if (!::RegisterClassA(&wc)) return 1;

    const DWORD dwStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
    RECT rc = {0, 0, kTargetClientWidth, kTargetClientHeight};
    ::AdjustWindowRectEx(&rc, dwStyle, TRUE, 0);
    HWND hWnd = ::CreateWindowExA(0, kTargetClass, kTargetTitle, dwStyle, kTargetLeft, kTargetTop, rc.right - rc.left,
                                  rc.bottom - rc.top, nullptr, MakeMenu(), hInstance, nullptr);
    if (hWnd == nullptr) return 1;
    ::CreateWindowExA(0, "BUTTON", "确定", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, kButtonRect.left, kButtonRect.top,
                      kButtonRect.right - kButtonRect.left, kButtonRect.bottom - kButtonRect.top, hWnd,
                      (HMENU)(INT_PTR)kButtonId, hInstance, nullptr);
    ::CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "截图测试", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, kEditRect.left,
                      kEditRect.top, kEditRect.right - kEditRect.left, kEditRect.bottom - kEditRect.top, hWnd,
                      (HMENU)(INT_PTR)kEditId, hInstance, nullptr);
    ::ShowWindow(hWnd, SW_SHOWNORMAL);
    ::UpdateWindow(hWnd);

    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    return 0;
}
