// The screen grab, shared by the capture engine and the capture overlays.
#include "screen_grab.h"

#include "framework/scoped_handles.h"

#include <algorithm>
#include <new>

namespace {

// How long the grab waits, each way, for another program's window to take
// its new place in the Z order.
const UINT kRaiseAnswerMs = 250;

// Moves hWnd in the Z order. A window of another thread gets the change
// posted, and the grab waits a short while for that thread to have made it
// (the change is queued before the probe, so the probe's answer means it is
// done): a hung program is grabbed where it stands instead of holding the
// grab for ever.
void SetZOrder(HWND hWnd, HWND hInsertAfter) {
    const UINT kFlags = SWP_NOMOVE | SWP_NOSIZE;
    if (::GetWindowThreadProcessId(hWnd, nullptr) == ::GetCurrentThreadId()) {
        ::SetWindowPos(hWnd, hInsertAfter, 0, 0, 0, 0, kFlags);
        return;
    }
    ::SetWindowPos(hWnd, hInsertAfter, 0, 0, 0, 0, kFlags | SWP_ASYNCWINDOWPOS);
    DWORD_PTR nAnswer = 0;
    ::SendMessageTimeoutA(hWnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kRaiseAnswerMs, &nAnswer);
}

}  // namespace

CImageBitmap* KpGrabWindowBitmap(HWND hWnd, CRect rc, HBITMAP hReuse) {
    kfw::ScopedBitmap reuse(hReuse);
    if (hWnd == nullptr) return nullptr;
    BOOL bWholeWindow = rc.IsRectEmpty();
    if (bWholeWindow && !::GetWindowRect(hWnd, &rc)) return nullptr;

    rc.right = std::min(rc.right, (LONG)::GetSystemMetrics(SM_CXSCREEN));
    rc.bottom = std::min(rc.bottom, (LONG)::GetSystemMetrics(SM_CYSCREEN));
    rc.left = std::max(rc.left, 0L);
    rc.top = std::max(rc.top, 0L);
    int nWidth = rc.right - rc.left;
    int nHeight = rc.bottom - rc.top;
    if (nWidth <= 0 || nHeight <= 0) return nullptr;

    // Raised for the grab; a window that was already topmost stays so.
    BOOL bWasTopmost = (::GetWindowLongPtrA(hWnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    SetZOrder(hWnd, HWND_TOPMOST);

    // Plain handles rather than the framework's DC wrappers: a wrapper for a
    // window of another process would be a temporary object kept until the
    // next idle time, and captures may run many times before that.
    CImageBitmap* pBitmap = nullptr;
    {
        kfw::ScopedWindowDC window(hWnd);
        kfw::ScopedMemDC mem(window);
        kfw::ScopedBitmap bitmap;
        if (window.get() != nullptr) {
            // Straight into the 32-bit DIB section the image then lives in:
            // processing, the saved image and the thumbnail read its pixels
            // where they are.
            CSize reuseSize;
            RGBX* pBits = nullptr;
            if (CImageBitmap::Dib32Bits(reuse, reuseSize) != nullptr && reuseSize == CSize(nWidth, nHeight))
                bitmap.reset(reuse.Release());
            else
                bitmap.reset(CImageBitmap::CreateDib32(CSize(nWidth, nHeight), &pBits));
        }
        BOOL bCopied = FALSE;
        if (mem.get() != nullptr && bitmap.get() != nullptr) {
            kfw::ScopedSelect select(mem, bitmap);
            bCopied = select.ok() && ::BitBlt(mem, 0, 0, nWidth, nHeight, window, bWholeWindow ? 0 : rc.left,
                                              bWholeWindow ? 0 : rc.top, SRCCOPY);
            if (select.ok() && !bCopied) {
                // Wine gives no pixels from the window DC of another
                // program's control (its top-level windows it does): the
                // screen shows the same pixels where the window is, and the
                // window being grabbed is in front.
                CPoint ptScreen(rc.left, rc.top);
                CRect rcWindow;
                if (!bWholeWindow && ::GetWindowRect(hWnd, &rcWindow)) ptScreen.Offset(rcWindow.left, rcWindow.top);
                kfw::ScopedGetDC screen(nullptr);
                bCopied = screen.get() != nullptr &&
                          ::BitBlt(mem, 0, 0, nWidth, nHeight, screen, ptScreen.x, ptScreen.y, SRCCOPY);
            }
        }
        // A bitmap without the screen's pixels is no capture.
        if (bCopied) {
            pBitmap = new (std::nothrow) CImageBitmap(0xFFFFFF);
            if (pBitmap != nullptr) pBitmap->Attach(bitmap.Release());
        }
    }

    if (!bWasTopmost) SetZOrder(hWnd, HWND_NOTOPMOST);
    return pBitmap;
}
