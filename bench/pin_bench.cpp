// A pinned picture's speed and memory, with the program's own pin window in
// this process:
// - a pin of a 3840 x 2160 capture: opening it, each step of a drag at
//   100 % and at 200 %, each wheel notch from 100 % up to 500 %, down to
//   10 % and back (the window takes its new size and repaints), and the
//   smoothing of a reduced picture once the wheel rests;
// - fifty pins of a 1920 x 1080 capture opened and closed, three times:
//   the process's private bytes before, with them open, and after.
// Medians and maxima in milliseconds.
//
//   tools/wine-run --desktop 3840x2160 build/win/bin/pin_bench.exe
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
#include <psapi.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <vector>

#include "bench_support.h"
#include "framework/scoped_handles.h"
#include "pin/pin_board.h"
#include "pin_geometry.h"
#include "pin/pin_window.h"

namespace {

const char kPinCaption[] = "Kapto 钉图";

// A capture-like picture: bands, a grid and a gradient, as a 24-bit image.
Gdiplus::GpBitmap* Pattern(int w, int h) {
    using namespace Gdiplus::DllExports;
    Gdiplus::GpBitmap* p = nullptr;
    if (GdipCreateBitmapFromScan0(w, h, 0, PixelFormat24bppRGB, nullptr, &p) != Gdiplus::Ok) return nullptr;
    Gdiplus::GpRect rc(0, 0, w, h);
    Gdiplus::BitmapData data;
    if (GdipBitmapLockBits(p, &rc, Gdiplus::ImageLockModeWrite, PixelFormat24bppRGB, &data) != Gdiplus::Ok) return p;
    for (int y = 0; y < h; ++y) {
        BYTE* row = static_cast<BYTE*>(data.Scan0) + (ptrdiff_t)y * data.Stride;
        for (int x = 0; x < w; ++x) {
            const bool bLight = (x / 40 + y / 40) % 2 != 0;
            row[3 * x] = bLight ? 0xF0 : 0xA0;
            row[3 * x + 1] = (BYTE)(x * 255 / w);
            row[3 * x + 2] = bLight ? 0xF0 : 0x20;
        }
    }
    GdipBitmapUnlockBits(p, &data);
    return p;
}

// What the engine records of a capture of rc.
KpCaptureInfo Captured(const CRect& rc) {
    KpCaptureInfo info = KpCaptureInfo::NotCaptured();
    info.rcScreen = rc;
    return info;
}

// The process's private bytes (the page-file use, which is what Wine fills
// in; on Windows it is PrivateUsage by another name).
SIZE_T PrivateBytes() {
    PROCESS_MEMORY_COUNTERS pmc = {};
    pmc.cb = sizeof pmc;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &pmc, sizeof pmc);
    return pmc.PagefileUsage;
}

void Pump() {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

struct Times {
    double dMedian, dMax;
};
Times Summarise(const std::vector<double>& t) { return {bench::Median(t), *std::max_element(t.begin(), t.end())}; }

// One message to the pin and the repaint it asks for, in milliseconds.
double Step(HWND hPin, UINT message, WPARAM wParam, LPARAM lParam) {
    const double a = bench::Now();
    ::SendMessageA(hPin, message, wParam, lParam);
    ::UpdateWindow(hPin);
    ::GdiFlush();
    return (bench::Now() - a) * 1000.0;
}

int ZoomOf(HWND hPin) { return static_cast<CPinWnd*>(CWnd::FromHandlePermanent(hPin))->GetZoom(); }

// Wheel notches over the middle of the pin's window until it reaches nZoom;
// each notch timed.
void WheelTo(HWND hPin, int nZoom, std::vector<double>& t) {
    for (int nGuard = 0; nGuard < 40; ++nGuard) {
        const int nNow = ZoomOf(hPin);
        if (nNow == nZoom) return;
        RECT rc;
        ::GetWindowRect(hPin, &rc);
        const short nDelta = nNow < nZoom ? WHEEL_DELTA : -WHEEL_DELTA;
        t.push_back(Step(hPin, WM_MOUSEWHEEL, MAKEWPARAM(0, (WORD)nDelta),
                         MAKELPARAM((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2)));
    }
}

// Repaints of the whole pin where it is (no new size), timed.
Times Repaints(HWND hPin, int nRuns) {
    std::vector<double> t;
    for (int i = 0; i < nRuns; ++i) {
        const double a = bench::Now();
        ::RedrawWindow(hPin, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        ::GdiFlush();
        t.push_back((bench::Now() - a) * 1000.0);
    }
    return Summarise(t);
}

// A drag of nSteps moves of a few pixels each, every one timed.
Times Drag(HWND hPin, int nSteps) {
    std::vector<double> t;
    ::SendMessageA(hPin, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 50));
    for (int i = 1; i <= nSteps; ++i)
        t.push_back(Step(hPin, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(50 + (i % 2 ? 7 : -7), 50 + (i % 3) * 3)));
    ::SendMessageA(hPin, WM_LBUTTONUP, 0, MAKELPARAM(50, 50));
    return Summarise(t);
}

// The least a repaint of a picture of the screen's size costs here: a
// BitBlt of it into a plain window of that size, timed the same way.
class Baseline {
public:
    Baseline(int w, int h) : m_hWnd(nullptr) {
        m_picture.Create(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                m_picture.Row(y)[x] = (uint32_t)(x * 7 + y * 13);
        m_hWnd = ::CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, w, h, nullptr, nullptr,
                                   nullptr, nullptr);
        Pump();
    }
    ~Baseline() { ::DestroyWindow(m_hWnd); }
    double Repaint() {
        const double a = bench::Now();
        kfw::ScopedGetDC dc(m_hWnd);
        ::BitBlt(dc, 0, 0, m_picture.Width(), m_picture.Height(), m_picture.GetDC(), 0, 0, SRCCOPY);
        ::GdiFlush();
        return (bench::Now() - a) * 1000.0;
    }

private:
    CMarkupSurface m_picture;
    HWND m_hWnd;
};

// Fresh memory of nBytes written once, as a new picture of that size is:
// what this machine's page faults alone cost a pin's picture.
double FirstTouchMs(size_t nBytes) {
    const double a = bench::Now();
    void* p = ::VirtualAlloc(nullptr, nBytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (p != nullptr) memset(p, 1, nBytes);
    const double dMs = (bench::Now() - a) * 1000.0;
    if (p != nullptr) ::VirtualFree(p, 0, MEM_RELEASE);
    return dMs;
}

void Print(const char* pszWhat, const Times& t) {
    printf("%-58s median %7.2f ms, max %7.2f ms\n", pszWhat, t.dMedian, t.dMax);
}

}  // namespace

int main() {
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    bench::Require(Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok, "GDI+ start-up");
    const int cx = ::GetSystemMetrics(SM_CXSCREEN), cy = ::GetSystemMetrics(SM_CYSCREEN);
    printf("screen %d x %d\n", cx, cy);
    {
        CPinBoard board;
        // The 4K capture, pinned where its pixels were: the whole screen.
        kfw::ScopedGpImage<Gdiplus::GpBitmap> image4k(Pattern(3840, 2160));
        bench::Require(image4k.get() != nullptr, "the 4K picture");
        const double dTouch = FirstTouchMs((size_t)3840 * 2160 * 4);
        double a = bench::Now();
        bench::Require(board.Pin(image4k.get(), Captured(CRect(0, 0, 3840, 2160))) != FALSE, "the 4K pin");
        const double dOpen = (bench::Now() - a) * 1000.0;
        HWND hPin = ::FindWindowA(nullptr, kPinCaption);
        bench::Require(hPin != nullptr, "the pin's window");
        printf("4K pin opened in %.1f ms (fresh memory of its size written once, on this machine: %.1f ms)\n", dOpen,
               dTouch);

        // Repaints of the whole pin, each beside one of the baseline.
        std::vector<double> base;
        auto repaints = [&](int nRuns) {
            std::vector<double> t;
            for (int i = 0; i < nRuns; ++i) {
                {
                    // In front while it is timed, then gone: the pin is
                    // timed in sight.
                    Baseline baseline(cx, cy);
                    base.push_back(baseline.Repaint());
                }
                Pump();
                t.push_back(Repaints(hPin, 1).dMedian);
            }
            return Summarise(t);
        };
        const Times drag100 = Drag(hPin, 60);
        const Times repaint100 = repaints(15);
        std::vector<double> up, down, back;
        WheelTo(hPin, 200, up);
        const Times repaint200 = repaints(15);
        const Times drag200 = Drag(hPin, 60);
        WheelTo(hPin, 500, up);
        const Times repaint500 = repaints(15);
        WheelTo(hPin, 10, down);
        // At 75 %, sampled while the wheel turns, then smoothed once it rests.
        WheelTo(hPin, 75, back);
        const Times repaint75 = repaints(15);
        const double dSmooth = Step(hPin, WM_TIMER, 1, 0);
        const Times repaint75Smooth = repaints(15);
        WheelTo(hPin, 100, back);
        // Ctrl + wheel: see-through and back.
        std::vector<double> opacity;
        for (int i = 0; i < 8; ++i)
            opacity.push_back(Step(hPin, WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, (WORD)(i < 4 ? -WHEEL_DELTA : WHEEL_DELTA)),
                                   MAKELPARAM(cx / 2, cy / 2)));

        Print("baseline: BitBlt of a screen-sized picture into a window", Summarise(base));
        Print("repaint of the whole 4K pin at 100 %", repaint100);
        Print("repaint at 200 % (the screen's part of it)", repaint200);
        Print("repaint at 500 %", repaint500);
        Print("repaint at 75 %, sampled while the wheel turns", repaint75);
        Print("repaint at 75 %, smoothed", repaint75Smooth);
        printf("%-58s %7.2f ms\n", "smoothing at 75 % once the wheel rests", dSmooth);
        Print("drag step at 100 % (the window moves)", drag100);
        Print("drag step at 200 % (the picture slides in the window)", drag200);
        Print("wheel notch 100 % up to 500 % (new size and repaint)", Summarise(up));
        Print("wheel notch 500 % down to 10 %", Summarise(down));
        Print("wheel notch 10 % back to 100 %", Summarise(back));
        Print("Ctrl + wheel notch (opacity)", Summarise(opacity));
        board.CloseAll();
        Pump();
    }
    {
        // Fifty pins of a full-HD capture, three rounds.
        CPinBoard board;
        kfw::ScopedGpImage<Gdiplus::GpBitmap> imageHd(Pattern(1920, 1080));
        bench::Require(imageHd.get() != nullptr, "the full-HD picture");
        board.Pin(imageHd.get(), Captured(CRect(0, 0, 1920, 1080)));
        board.CloseAll();
        Pump();
        const SIZE_T nBefore = PrivateBytes();
        for (int nRound = 1; nRound <= 3; ++nRound) {
            std::vector<double> t, touch;
            for (int i = 0; i < 50; ++i) {
                touch.push_back(FirstTouchMs((size_t)1920 * 1080 * 4));
                const double a = bench::Now();
                bench::Require(board.Pin(imageHd.get(), Captured(CRect(0, 0, 1920, 1080))) != FALSE, "a full-HD pin");
                Pump();
                t.push_back((bench::Now() - a) * 1000.0);
            }
            const SIZE_T nOpen = PrivateBytes();
            board.CloseAll();
            Pump();
            const SIZE_T nAfter = PrivateBytes();
            printf("round %d: 50 full-HD pins, each opened in %.1f ms (median; fresh memory of its size: %.1f ms); "
                   "private bytes %lu KB before, %lu KB with them open, %lu KB after closing\n",
                   nRound, bench::Median(t), bench::Median(touch), (unsigned long)(nBefore / 1024),
                   (unsigned long)(nOpen / 1024), (unsigned long)(nAfter / 1024));
        }
    }
    Gdiplus::GdiplusShutdown(token);
    return 0;
}
