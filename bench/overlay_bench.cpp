// The rectangle overlay's speed: the time from opening it to its first
// picture drawn (the grab of every monitor, the window over all of them, the
// tip panel), beside a bare BitBlt of the whole virtual screen into a fresh
// bitmap, timed alternately; the time of one rubber-band change (the
// tracker's erase and draw calls, then the full repaint they ask for: the
// frozen picture, the information box, the frame and the tip panel with its
// magnifier); and the time from releasing the button to the engine's
// thumbnail. Medians of several runs.
//
//   tools/wine-run --desktop 1920x1080 build/win/bin/overlay_bench.exe [moves] [releases] [--hold SECONDS] [--open-only]
//
// On several monitors: a private X server with three of them
// (tools/screens-server start DIR three), then
//   KAPTO_SCREENS_SERVER=DIR WINEPREFIX=build/win/wineprefix-root
//     tools/wine-run --desktop root build/win/bin/overlay_bench.exe
//
// --hold keeps one drag open for SECONDS (box and tip on the screen) before
// the timed runs, for a screenshot; --open-only times the opening alone.
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <thread>
#include <vector>

#include "bench_support.h"
#include "engine_bench_setup.h"
#include "kp_core.h"
#include "kp_resource.h"
#include "snap_rect_overlay.h"
#include "tests/support/input_events.h"

namespace {

const UINT kMsgMeasure = WM_APP + 1;
const UINT kMsgOpened = WM_APP + 2;

// The overlay, ending as soon as its first picture is on the screen.
class COpenOverlay : public CDlgSnapRectHelper {
public:
    double m_tShown = 0;

    BOOL OnInitDialog() override {
        BOOL b = CDlgSnapRectHelper::OnInitDialog();
        PostMessage(kMsgOpened);
        return b;
    }
    LRESULT OnOpened(WPARAM, LPARAM) {
        UpdateWindow();
        m_edtTip.UpdateWindow();
        ::GdiFlush();
        m_tShown = bench::Now();
        EndDialog(IDCANCEL);
        return 0;
    }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(COpenOverlay, CDlgSnapRectHelper)
    ON_MESSAGE(kMsgOpened, &COpenOverlay::OnOpened)
END_MESSAGE_MAP()

// A bare grab of the whole virtual screen into a fresh 32-bit bitmap.
bool BareGrab(const RECT& rc) {
    HDC hScreen = ::GetDC(nullptr);
    HDC hMem = ::CreateCompatibleDC(hScreen);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = rc.right - rc.left;
    bi.bmiHeader.biHeight = -(rc.bottom - rc.top);
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* pBits = nullptr;
    HBITMAP hBitmap = ::CreateDIBSection(hMem, &bi, DIB_RGB_COLORS, &pBits, nullptr, 0);
    HGDIOBJ hOld = ::SelectObject(hMem, hBitmap);
    BOOL bDone = ::BitBlt(hMem, 0, 0, rc.right - rc.left, rc.bottom - rc.top, hScreen, rc.left, rc.top, SRCCOPY);
    ::GdiFlush();
    ::SelectObject(hMem, hOld);
    ::DeleteObject(hBitmap);
    ::DeleteDC(hMem);
    ::ReleaseDC(nullptr, hScreen);
    return bDone != FALSE;
}

// The overlay, measuring its own repaint once it is shown.
class CBenchOverlay : public CDlgSnapRectHelper {
public:
    int m_nMoves = 100;
    std::vector<double> m_times;

    BOOL OnInitDialog() override {
        BOOL b = CDlgSnapRectHelper::OnInitDialog();
        PostMessage(kMsgMeasure);
        return b;
    }

    // One change as the tracking loop makes it: the band's corner follows
    // the cursor, the tracker erases and draws, and the paint it asked for
    // runs (overlay, then panel) before the next move.
    LRESULT OnMeasure(WPARAM, LPARAM) {
        UpdateWindow();
        const int cx = ::GetSystemMetrics(SM_CXSCREEN), cy = ::GetSystemMetrics(SM_CYSCREEN);
        m_nState = kSelecting;
        m_tracker.m_rect.SetRect(cx / 4, cy / 4, cx / 4, cy / 4);
        for (int i = 0; i < m_nMoves; ++i) {
            int x = cx / 4 + 20 + (i * 7) % (cx / 2), y = cy / 4 + 20 + (i * 5) % (cy / 2);
            ::SetCursorPos(x, y);
            const double t0 = bench::Now();
            m_tracker.m_bErase = TRUE;
            m_tracker.DrawTrackerRect(&m_tracker.m_rect, this, nullptr, this);
            m_tracker.m_rect.right = x;
            m_tracker.m_rect.bottom = y;
            m_tracker.m_bErase = FALSE;
            m_tracker.DrawTrackerRect(&m_tracker.m_rect, this, nullptr, this);
            UpdateWindow();
            m_edtTip.UpdateWindow();
            ::GdiFlush();
            m_times.push_back((bench::Now() - t0) * 1000.0);
        }
        EndDialog(IDCANCEL);
        return 0;
    }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CBenchOverlay, CDlgSnapRectHelper)
    ON_MESSAGE(kMsgMeasure, &CBenchOverlay::OnMeasure)
END_MESSAGE_MAP()

// A drag over the open overlay; t receives the moment of the release.
void Drag(int x0, int y0, int x1, int y1, DWORD nHoldMs, double* pRelease) {
    ::Sleep(700);  // the overlay opens and paints
    ::SetCursorPos(x0, y0);
    testinput::SendMoveTo(x0, y0, 0);
    ::Sleep(100);
    testinput::SendMoveTo(x0, y0, MOUSEEVENTF_LEFTDOWN);
    ::Sleep(50);
    for (int i = 1; i <= 10; ++i) {
        testinput::SendMoveTo(x0 + (x1 - x0) * i / 10, y0 + (y1 - y0) * i / 10, 0);
        ::Sleep(20);
    }
    ::SetCursorPos(x1, y1);
    ::Sleep(100 + nHoldMs);
    *pRelease = bench::Now();
    testinput::SendMoveTo(x1, y1, MOUSEEVENTF_LEFTUP);
}

}  // namespace

int main(int argc, char** argv) {
    int nMoves = 100, nReleases = 20;
    DWORD nHoldMs = 0;
    int nPos = 0;
    bool bOpenOnly = false;
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--open-only") == 0) {
            bOpenOnly = true;
        } else if (strcmp(argv[i], "--hold") == 0 && i + 1 < argc) {
            nHoldMs = (DWORD)atoi(argv[++i]) * 1000;
        } else if (nPos++ == 0) {
            nMoves = atoi(argv[i]);
        } else {
            nReleases = atoi(argv[i]);
        }
    }
    if (nMoves < 3) nMoves = 3;
    if (nReleases < 3) nReleases = 3;

    bench::EngineBenchSetup setup;
    const int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);

    // Something to look at under the overlay, and the program's stand-ins.
    CWnd backdrop;
    backdrop.CreateEx(0, AfxRegisterWndClass(0, nullptr, (HBRUSH)GetStockObject(LTGRAY_BRUSH)), "overlay bench",
                      WS_OVERLAPPEDWINDOW | WS_VISIBLE, cx / 8, cy / 8, cx / 2, cy / 2, nullptr, nullptr);
    CWnd main, view;
    main.CreateEx(0, AfxRegisterWndClass(0), "overlay bench main", WS_POPUP | WS_VISIBLE, cx - 420, cy - 320, 400, 300,
                  nullptr, nullptr);
    view.CreateEx(0, AfxRegisterWndClass(0), nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 390, 280, main.m_hWnd, (HMENU)1005);
    CKpCore core;
    bench::EngineBenchSetup::Start(core, main, view);

    // Opening the overlay against a bare grab of what it covers, alternately.
    const RECT rcVirtual = {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                            GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                            GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    std::vector<double> opens, bare;
    for (int i = 0; i < 15; ++i) {
        double t0 = bench::Now();
        bench::Require(BareGrab(rcVirtual), "a bare grab of the virtual screen");
        bare.push_back((bench::Now() - t0) * 1000.0);
        CKpLocalResource resource;
        COpenOverlay overlay;
        t0 = bench::Now();
        overlay.DoModal();
        bench::Require(overlay.m_tShown > 0, "the overlay's first picture");
        opens.push_back((overlay.m_tShown - t0) * 1000.0);
    }

    auto printOpening = [&] {
        printf("screen %d x %d, %d monitor(s), virtual screen %ld x %ld\n", cx, cy, GetSystemMetrics(SM_CMONITORS),
               rcVirtual.right - rcVirtual.left, rcVirtual.bottom - rcVirtual.top);
        printf("%-52s %9s\n", "step (median)", "ms");
        printf("%-52s %9.3f\n", "bare BitBlt of the virtual screen (fresh bitmap)", bench::Median(bare));
        printf("%-52s %9.3f  (%.2f x the bare BitBlt)\n", "overlay opened and drawn over every monitor",
               bench::Median(opens), bench::Median(opens) / bench::Median(bare));
    };
    if (bOpenOnly) {
        printOpening();
        core.CloseSnapper();
        return 0;
    }

    if (nHoldMs > 0) {
        double t = 0;
        std::thread input([&] { Drag(cx / 4, cy / 4, cx / 2, cy / 2, nHoldMs, &t); });
        core.SnapSelectRect();
        input.join();
    }

    // One rubber-band change.
    std::vector<double> changes;
    {
        CKpLocalResource resource;
        CBenchOverlay overlay;
        overlay.m_nMoves = nMoves;
        overlay.DoModal();
        changes = overlay.m_times;
    }
    bench::Require(!changes.empty(), "the rubber-band changes");

    // From the release to the thumbnail.
    std::vector<double> releases;
    for (int i = 0; i < nReleases; ++i) {
        double tRelease = 0;
        std::thread input([&] { Drag(100 + i, 100, cx / 2, cy / 2, 0, &tRelease); });
        int nDone = core.SnapSelectRect();
        double tThumb = bench::Now();
        input.join();
        int x = 0, y = 0;
        bench::Require(nDone != 0 && core.GetThubImage(x, y) != nullptr, "a selection with a thumbnail");
        releases.push_back((tThumb - tRelease) * 1000.0);
    }

    printOpening();
    printf("%-52s %9.3f  (%d moves)\n", "one rubber-band change: repaint, box, frame, tip", bench::Median(changes),
           (int)changes.size());
    printf("%-52s %9.3f  (%d releases)\n", "release to thumbnail (selection 1/4 of the screen)",
           bench::Median(releases), (int)releases.size());

    core.CloseSnapper();
    return 0;
}
