// The screen grab, shared by the capture engine and the capture overlays.
#include "screen_grab.h"

#include "framework/scoped_handles.h"
#include "pointer_stamp.h"

#include <algorithm>
#include <new>

namespace {

// How long the grab waits, each way, for another program's window to take
// its new place in the Z order.
const UINT kRaiseAnswerMs = 250;

// Gives the thread of a window of another thread a short while to answer a
// probe: what was sent to it before the probe is then handled. A hung
// program is grabbed where it stands instead of holding the grab for ever.
void AwaitAnswer(HWND hWnd) {
    DWORD_PTR nAnswer = 0;
    ::SendMessageTimeoutA(hWnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kRaiseAnswerMs, &nAnswer);
}

// Moves hWnd in the Z order. A window of another thread gets the change
// sent without waiting, and the grab then waits for that thread to have
// made it.
void SetZOrder(HWND hWnd, HWND hInsertAfter) {
    const UINT kFlags = SWP_NOMOVE | SWP_NOSIZE;
    if (::GetWindowThreadProcessId(hWnd, nullptr) == ::GetCurrentThreadId()) {
        ::SetWindowPos(hWnd, hInsertAfter, 0, 0, 0, 0, kFlags);
        return;
    }
    ::SetWindowPos(hWnd, hInsertAfter, 0, 0, 0, 0, kFlags | SWP_ASYNCWINDOWPOS);
    AwaitAnswer(hWnd);
}

}  // namespace

CImageBitmap* KpGrabWindowBitmap(HWND hWnd, CRect rc, HBITMAP hReuse, BOOL bPointer, CRect* prcScreen) {
    kfw::ScopedBitmap reuse(hReuse);
    if (hWnd == nullptr) return nullptr;
    BOOL bWholeWindow = rc.IsRectEmpty();
    CRect rcWindow;
    if (!::GetWindowRect(hWnd, &rcWindow)) return nullptr;
    if (bWholeWindow) rc = rcWindow;

    rc.right = std::min(rc.right, (LONG)::GetSystemMetrics(SM_CXSCREEN));
    rc.bottom = std::min(rc.bottom, (LONG)::GetSystemMetrics(SM_CYSCREEN));
    rc.left = std::max(rc.left, 0L);
    rc.top = std::max(rc.top, 0L);
    int nWidth = rc.right - rc.left;
    int nHeight = rc.bottom - rc.top;
    if (nWidth <= 0 || nHeight <= 0) return nullptr;
    // The screen point the grab's top-left pixel shows: rc is in the
    // window's own coordinates, except that a whole window is taken from its
    // own corner even where that lies off the screen.
    CPoint ptScreen = rcWindow.TopLeft();
    if (!bWholeWindow) ptScreen.Offset(rc.left, rc.top);

    // Raised for the grab; a window that was already topmost stays so. The
    // desktop lies behind every window wherever it is put, so it is not
    // moved there and back (two round trips to the shell for nothing); its
    // thread still answers once before the grab, the pause the raise gave
    // the shell to repaint where the hidden main window was.
    const bool bDesktop = hWnd == ::GetDesktopWindow();
    BOOL bWasTopmost = (::GetWindowLongPtrA(hWnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    if (!bDesktop)
        SetZOrder(hWnd, HWND_TOPMOST);
    else if (::GetWindowThreadProcessId(hWnd, nullptr) != ::GetCurrentThreadId())
        AwaitAnswer(hWnd);

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
                kfw::ScopedGetDC screen(nullptr);
                bCopied = screen.get() != nullptr &&
                          ::BitBlt(mem, 0, 0, nWidth, nHeight, screen, ptScreen.x, ptScreen.y, SRCCOPY);
            }
            if (bCopied && bPointer) KpStampPointer(mem, ptScreen);
        }
        // A bitmap without the screen's pixels is no capture.
        if (bCopied) {
            pBitmap = new (std::nothrow) CImageBitmap(0xFFFFFF);
            if (pBitmap != nullptr) pBitmap->Attach(bitmap.Release());
        }
    }

    if (!bDesktop && !bWasTopmost) SetZOrder(hWnd, HWND_NOTOPMOST);
    if (pBitmap != nullptr && prcScreen != nullptr) *prcScreen = CRect(ptScreen, CSize(nWidth, nHeight));
    return pBitmap;
}
