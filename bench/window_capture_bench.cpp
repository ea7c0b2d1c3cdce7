// Object capture and its tip, timed:
//
//   - from the capturing click (injected with SendInput) until SnapWinObj has
//     returned with the new image and its thumbnail, for a window and for a
//     single button inside it (no delay, no sound, main window not hidden);
//   - the tip's repaint for one mouse move: its text, background and
//     five-fold magnifier, as the engine asks for it on every hook message.
//
// Each time is the median of several runs. Run it on the screen size that
// matters, for example:
//
//   tools/wine-run --desktop 1920x1080 build/.../bin/window_capture_bench.exe [runs]
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
#include <stdio.h>
#include <stdlib.h>

#include <atomic>
#include <thread>
#include <vector>

#include "bench_support.h"
#include "engine_bench_setup.h"
#include "kp_core.h"
#include "kp_resource.h"
#include "lib/res/resource.h"
#include "snap_tip_windows.h"

namespace {

void MoveCursorTo(int x, int y) {
    SetCursorPos(x, y);
    for (int i = 0; i < 50; ++i) {
        POINT pt;
        GetCursorPos(&pt);
        if (pt.x == x && pt.y == y) return;
        Sleep(5);
    }
}

void InjectLeftClick() {
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_MOUSE;
    in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, in, sizeof(INPUT));
}

// Milliseconds from the click on (x, y) to the end of SnapWinObj, one run:
// the cursor rests there long enough for the engine's timer to frame what
// is under it, then a thread clicks.
double TimeObjectCapture(CKpCore& core, int x, int y) {
    MoveCursorTo(x, y);
    std::atomic<double> tClick(0.0);
    std::thread clicker([&]() {
        Sleep(650);  // past the first tick of the engine's 500 ms timer
        tClick = bench::Now();
        InjectLeftClick();
    });
    const int nResult = core.SnapWinObj();
    const double tDone = bench::Now();
    clicker.join();
    bench::Require(nResult == 1 && core.GetImage() != nullptr, "the object capture");
    int tx = 0, ty = 0;
    bench::Require(core.GetThubImage(tx, ty) != nullptr, "the thumbnail");
    return (tDone - tClick) * 1000.0;
}

// The object tip, shown without a modal run so its repaint can be timed
// between messages.
class CBenchTip : public CDlgSnapObjHelper {
public:
    BOOL Open() {
        CKpLocalResource localResource;
        return Create(MAKEINTRESOURCEA(IDD_SNAP_OBJ)) && ShowWindow(SW_SHOWNOACTIVATE) >= 0;
    }
};

}  // namespace

int main(int argc, char** argv) {
    int runs = argc > 1 ? atoi(argv[1]) : 20;
    if (runs < 3) runs = 3;

    bench::EngineBenchSetup setup;
    const int cxScreen = GetSystemMetrics(SM_CXSCREEN);
    const int cyScreen = GetSystemMetrics(SM_CYSCREEN);

    // The program's stand-ins, out of the way in the top-right corner.
    CWnd main, view;
    main.CreateEx(0, AfxRegisterWndClass(0), "window capture bench", WS_POPUP | WS_VISIBLE, cxScreen - 420, 0, 400, 300,
                  nullptr, nullptr);
    view.CreateEx(0, AfxRegisterWndClass(0), nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 390, 280, main.m_hWnd, (HMENU)1005);
    // A program's window of 800 x 600 with one button in it.
    CWnd target;
    target.CreateEx(0, AfxRegisterWndClass(0, nullptr, (HBRUSH)GetStockObject(WHITE_BRUSH)), "bench target",
                    WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 800, 600, nullptr, nullptr);
    HWND hButton = CreateWindowExA(0, "BUTTON", "OK", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 300, 250, 120, 36,
                                   target.m_hWnd, (HMENU)1, GetModuleHandleA(nullptr), nullptr);
    bench::Require(hButton != nullptr, "the target window");
    target.UpdateWindow();

    CKpCore core;
    bench::EngineBenchSetup::Start(core, main, view);

    RECT rcButton;
    GetWindowRect(hButton, &rcButton);
    const int xButton = (rcButton.left + rcButton.right) / 2, yButton = (rcButton.top + rcButton.bottom) / 2;
    RECT rcTarget;
    GetWindowRect(target.m_hWnd, &rcTarget);
    // A point of the target's client area away from the button.
    const int xWindow = rcTarget.left + 100, yWindow = rcTarget.top + 400;

    TimeObjectCapture(core, xWindow, yWindow);  // warm-up: codecs, caches, allocations
    std::vector<double> window, button;
    for (int i = 0; i < runs; ++i) {
        window.push_back(TimeObjectCapture(core, xWindow, yWindow));
        button.push_back(TimeObjectCapture(core, xButton, yButton));
    }

    // The tip: one refresh as a hook message asks for it, painted at once.
    CBenchTip tip;
    bench::Require(tip.Open() != FALSE, "the object tip");
    tip.SendMessage(WM_MOUSEMOVE, 0, 0);  // the first one hands the foreground over
    tip.m_edtTip.UpdateWindow();
    int nMove = 0;
    const double tipMs = bench::MedianMs(
        runs * 10,
        [&] {
            tip.SendMessage(WM_MOUSEMOVE, 0, 0);
            tip.m_edtTip.UpdateWindow();
            return GetUpdateRect(tip.m_edtTip.m_hWnd, nullptr, FALSE) == FALSE;  // nothing left to paint
        },
        [&] {
            // Across the screen, as a moving mouse goes.
            ++nMove;
            MoveCursorTo(40 + (nMove * 97) % (cxScreen - 400), 40 + (nMove * 61) % (cyScreen - 400));
        },
        "the tip's repaint");
    tip.DestroyWindow();

    printf("screen %d x %d, %d runs, medians\n", cxScreen, cyScreen, runs);
    printf("%-52s %9s\n", "step", "ms");
    printf("%-52s %9.3f\n", "click to thumbnail, 800 x 600 window", bench::Median(window));
    printf("%-52s %9.3f\n", "click to thumbnail, 120 x 36 button", bench::Median(button));
    printf("%-52s %9.3f\n", "tip repaint per mouse move (text, picture, magnifier)", tipMs);

    core.CloseSnapper();
    return 0;
}
