// The screen grab, shared by the capture engine and the capture overlays.
#include "screen_grab.h"

#include "framework/scoped_handles.h"
#include "monitor_enum.h"
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

// The DC a grab reads: the window's whole-window DC, or for the desktop the
// screen's, whose origin is the primary monitor's corner on every system.
class SourceDC {
public:
    SourceDC(HWND hWnd, bool bDesktop)
        : m_hWnd(bDesktop ? nullptr : hWnd), m_hDC(bDesktop ? ::GetDC(nullptr) : ::GetWindowDC(hWnd)) {}
    ~SourceDC() {
        if (m_hDC != nullptr) ::ReleaseDC(m_hWnd, m_hDC);
    }
    SourceDC(const SourceDC&) = delete;
    SourceDC& operator=(const SourceDC&) = delete;
    HDC get() const { return m_hDC; }

private:
    HWND m_hWnd;  // not owned
    HDC m_hDC;
};

// Blackens the parts of the grab (showing rcScreen) that lie inside the
// virtual screen but on no monitor: the gap beside a shorter monitor shows
// nothing, whatever the device gave for it.
void BlackenOffMonitors(HDC hdc, const CKpMonitorLayout& layout, const CRect& rcScreen) {
    CRect rcInside;
    CRect rcVirtual = layout.GetVirtualRect();
    if (layout.GetCount() < 2 || !rcInside.IntersectRect(&rcScreen, &rcVirtual)) return;
    CRect parts[CKpMonitorLayout::kMaxMonitors * 4];
    int n = std::min(layout.GetUncovered(rcInside, parts, (int)(sizeof parts / sizeof parts[0])),
                     (int)(sizeof parts / sizeof parts[0]));
    HBRUSH hBlack = (HBRUSH)::GetStockObject(BLACK_BRUSH);
    for (int i = 0; i < n; ++i) {
        CRect rc = parts[i];
        rc.OffsetRect(-rcScreen.left, -rcScreen.top);
        ::FillRect(hdc, &rc, hBlack);
    }
}

}  // namespace

CImageBitmap* KpGrabWindowBitmap(HWND hWnd, CRect rc, HBITMAP hReuse, BOOL bPointer, CRect* prcScreen) {
    kfw::ScopedBitmap reuse(hReuse);
    if (prcScreen != nullptr) prcScreen->SetRectEmpty();
    if (hWnd == nullptr) return nullptr;
    // The desktop's coordinates are the screen's; its whole window is the
    // primary screen, which a whole-screen capture takes by default.
    const bool bDesktop = hWnd == ::GetDesktopWindow();
    BOOL bWholeWindow = rc.IsRectEmpty();
    CRect rcWindow;
    if (bDesktop)
        rcWindow.SetRect(0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN));
    else if (!::GetWindowRect(hWnd, &rcWindow))
        return nullptr;
    const CPoint ptOrigin = bDesktop ? CPoint(0, 0) : rcWindow.TopLeft();

    // The area in screen coordinates, clipped to the virtual screen: every
    // monitor's pixels can be taken, whatever side of the primary one they
    // lie on.
    CKpMonitorLayout layout;
    KpGetMonitorLayout(layout);
    CRect rcArea = bWholeWindow ? rcWindow : rc + ptOrigin;
    CRect rcVirtual = layout.GetVirtualRect();
    CRect rcClipped;
    if (!rcClipped.IntersectRect(&rcArea, &rcVirtual)) return nullptr;
    int nWidth = rcClipped.Width();
    int nHeight = rcClipped.Height();
    // The source point in hWnd's own DC and the screen point the grab's
    // top-left pixel shows: a whole window is taken from its own corner even
    // where that lies off the screens.
    CPoint ptSource = bWholeWindow ? CPoint(0, 0) : CPoint(rcClipped.left - ptOrigin.x, rcClipped.top - ptOrigin.y);
    CPoint ptScreen = bWholeWindow ? rcWindow.TopLeft() : rcClipped.TopLeft();
    if (bDesktop) ptSource = ptScreen;
    const CRect rcScreen(ptScreen, CSize(nWidth, nHeight));

    // Raised for the grab; a window that was already topmost stays so. The
    // desktop lies behind every window wherever it is put, so it is not
    // moved there and back (two round trips to the shell for nothing); its
    // thread still answers once before the grab, the pause the raise gave
    // the shell to repaint where the hidden main window was.
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
        SourceDC source(hWnd, bDesktop);
        HDC hSource = source.get();
        kfw::ScopedMemDC mem(hSource);
        kfw::ScopedBitmap bitmap;
        if (hSource != nullptr) {
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
            bCopied =
                select.ok() && ::BitBlt(mem, 0, 0, nWidth, nHeight, hSource, ptSource.x, ptSource.y, SRCCOPY);
            if (select.ok() && !bCopied) {
                // Wine gives no pixels from the window DC of another
                // program's control (its top-level windows it does): the
                // screen shows the same pixels where the window is, and the
                // window being grabbed is in front.
                kfw::ScopedGetDC screen(nullptr);
                bCopied = screen.get() != nullptr &&
                          ::BitBlt(mem, 0, 0, nWidth, nHeight, screen, ptScreen.x, ptScreen.y, SRCCOPY);
            }
            if (bCopied) BlackenOffMonitors(mem, layout, rcScreen);
            if (bCopied && bPointer) KpStampPointer(mem, ptScreen);
        }
        // A bitmap without the screen's pixels is no capture.
        if (bCopied) {
            pBitmap = new (std::nothrow) CImageBitmap(0xFFFFFF);
            if (pBitmap != nullptr) pBitmap->Attach(bitmap.Release());
            if (pBitmap != nullptr && prcScreen != nullptr) *prcScreen = rcScreen;
        }
    }

    if (!bDesktop && !bWasTopmost) SetZOrder(hWnd, HWND_NOTOPMOST);
    return pBitmap;
}

HBITMAP KpCopyScreenBitmap(HBITMAP hSource) {
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
