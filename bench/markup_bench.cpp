// The markup canvas's speed on a 3840 x 2160 capture at 100 %: one step of
// a drag (the mouse move, then the repaint it asks for) for a rectangle, an
// arrow and a mosaic being drawn over a picture that already carries marks,
// and for comparison a repaint of the whole canvas and the release that
// makes the drawn mark part of the cached picture. Medians and maxima of
// many steps, in milliseconds.
//
//   tools/wine-run --desktop 1920x1080 build/win/bin/markup_bench.exe [steps]
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <vector>

#include "bench_support.h"
#include "markup/markup_canvas.h"
#include "res/resource.h"

namespace {

const int kWidth = 3840, kHeight = 2160;

// A capture-like picture: bands, a grid and a gradient.
void FillPattern(CMarkupSurface& s) {
    for (int y = 0; y < s.Height(); ++y) {
        uint32_t* p = s.Row(y);
        for (int x = 0; x < s.Width(); ++x)
            p[x] = ((x / 40 + y / 40) % 2 ? 0xF0F0F0u : 0x2060A0u) ^ (uint32_t)((x * 255 / kWidth) << 8);
    }
}

LPARAM At(int x, int y) { return MAKELPARAM(x, y); }

struct Times {
    double dMedian, dMax;
};

Times Summarise(std::vector<double> t) {
    Times r = {bench::Median(t), *std::max_element(t.begin(), t.end())};
    return r;
}

// One drag with the tool from (x0, y0): each step moves the corner and
// repaints what changed, timed; the release is timed apart.
Times Drag(CMarkupCanvas& canvas, UINT nTool, int x0, int y0, int nSteps, double* pReleaseMs) {
    canvas.SetTool(nTool);
    canvas.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, At(x0, y0));
    std::vector<double> t;
    for (int i = 1; i <= nSteps; ++i) {
        int x = x0 + 40 + (i * 7) % 600, y = y0 + 30 + (i * 5) % 400;
        double a = bench::Now();
        canvas.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, At(x, y));
        canvas.UpdateWindow();
        ::GdiFlush();
        t.push_back((bench::Now() - a) * 1000.0);
    }
    double a = bench::Now();
    canvas.SendMessage(WM_LBUTTONUP, 0, At(x0 + 300, y0 + 200));
    canvas.UpdateWindow();
    ::GdiFlush();
    if (pReleaseMs != nullptr) *pReleaseMs = (bench::Now() - a) * 1000.0;
    return Summarise(t);
}

}  // namespace

int main(int argc, char** argv) {
    int nSteps = argc > 1 ? atoi(argv[1]) : 200;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    bench::Require(Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok, "GDI+ start-up");

    CMarkupSurface image;
    bench::Require(image.Create(kWidth, kHeight) != FALSE, "the 4K picture");
    FillPattern(image);

    // The canvas fills a window as large as the desktop allows.
    int cx = ::GetSystemMetrics(SM_CXSCREEN), cy = ::GetSystemMetrics(SM_CYSCREEN);
    HWND hFrame = ::CreateWindowExA(0, "STATIC", "markup bench", WS_POPUP | WS_VISIBLE, 0, 0, cx, cy, nullptr, nullptr,
                                    nullptr, nullptr);
    bench::Require(hFrame != nullptr, "the frame window");
    CMarkupCanvas canvas;
    bench::Require(canvas.Create(CWnd::FromHandle(hFrame), IDC_MARKUP_CANVAS, image) != FALSE, "the canvas");
    canvas.MoveWindow(0, 0, cx, cy);
    canvas.UpdateWindow();

    // Marks already on the picture: the cache holds them, a drag never redraws them.
    double dReleaseMs = 0;
    for (int i = 0; i < 20; ++i)
        Drag(canvas, i % 2 ? ID_MARKUP_ELLIPSE : ID_MARKUP_RECT, 30 + i * 40, 30 + i * 20, 3, nullptr);

    printf("markup canvas, %d x %d picture at 100 %%, canvas %d x %d, %d steps per drag\n", kWidth, kHeight, cx, cy,
           nSteps);
    printf("%-34s %10s %10s\n", "", "median ms", "max ms");
    struct Case {
        const char* pszName;
        UINT nTool;
    } cases[] = {
        {"drag step, rectangle", ID_MARKUP_RECT},
        {"drag step, arrow", ID_MARKUP_ARROW},
        {"drag step, mosaic", ID_MARKUP_MOSAIC},
    };
    std::vector<double> releases;
    for (const Case& c : cases) {
        Times t = Drag(canvas, c.nTool, 200, 150, nSteps, &dReleaseMs);
        releases.push_back(dReleaseMs);
        printf("%-34s %10.2f %10.2f\n", c.pszName, t.dMedian, t.dMax);
    }
    std::vector<double> full;
    for (int i = 0; i < 20; ++i) {
        double a = bench::Now();
        canvas.Invalidate(FALSE);
        canvas.UpdateWindow();
        ::GdiFlush();
        full.push_back((bench::Now() - a) * 1000.0);
    }
    Times t = Summarise(full);
    printf("%-34s %10.2f %10.2f\n", "whole canvas repainted", t.dMedian, t.dMax);
    t = Summarise(releases);
    printf("%-34s %10.2f %10.2f\n", "release (the cache rebuilt)", t.dMedian, t.dMax);

    canvas.DestroyWindow();
    ::DestroyWindow(hFrame);
    Gdiplus::GdiplusShutdown(token);
    return 0;
}
