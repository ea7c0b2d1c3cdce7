// Latency of a whole-screen capture: from the SnapFullScreen call until the
// thumbnail is ready (no delay, no sound, no image options, main window not
// hidden), and the same work split into its steps: the grab, the bitmap
// copy, the conversion to the 24-bit GDI+ image and the thumbnail. Each time
// is the median of several runs, printed with its ratio to a memcpy of one
// 32-bit frame of the screen timed in the same run.
//
//   tools/wine-run --desktop 1920x1080 build/.../bin/capture_bench.exe [runs]
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "bench_support.h"
#include "kp_core.h"

namespace {

// The engine's steps, one at a time.
class CBenchCore : public CKpCore {
public:
    bool Grab() {
        CImageBitmap* p = SnapBitmap(::GetDesktopWindow(), CRect());
        delete p;
        return p != nullptr;
    }
    bool CopyCapture() { return m_copy.CopyImage((HBITMAP)m_store.GetCaptureBitmap().GetSafeHandle()) != 0; }
    bool Convert() {
        Gdiplus::GpImage* p = ConvertImage((HBITMAP)m_store.GetProcessedBitmap().GetSafeHandle());
        if (p != nullptr) Gdiplus::DllExports::GdipDisposeImage(p);
        return p != nullptr;
    }
    bool Thumbnail() {
        SetThubImage(GetImage());
        int x = 0, y = 0;
        return GetThubImage(x, y) != nullptr;
    }

    // For comparison: GDI+'s own conversion of the bitmap, then a 24-bit
    // clone of it (two passes over the frame).
    bool ConvertTwoStep() {
        using namespace Gdiplus::DllExports;
        Gdiplus::GpBitmap* pTemp = nullptr;
        if (GdipCreateBitmapFromHBITMAP((HBITMAP)m_store.GetProcessedBitmap().GetSafeHandle(), nullptr, &pTemp) !=
            Gdiplus::Ok)
            return false;
        UINT w = 0, h = 0;
        GdipGetImageWidth(pTemp, &w);
        GdipGetImageHeight(pTemp, &h);
        Gdiplus::GpBitmap* pClone = nullptr;
        const bool bDone =
            GdipCloneBitmapAreaI(0, 0, (INT)w, (INT)h, PixelFormat24bppRGB, pTemp, &pClone) == Gdiplus::Ok;
        if (bDone) GdipDisposeImage(pClone);
        GdipDisposeImage(pTemp);
        return bDone;
    }

private:
    CImageBitmap m_copy;  // the copy step's target, as the processed bitmap is
};

// config.xml beside the program, put back as it was when the bench ends.
struct ConfigKeeper {
    std::string path, data;
    bool existed = false;
    ConfigKeeper() : path(std::string(CHelper::GetAppPath()) + "config.xml") {
        FILE* f = fopen(path.c_str(), "rb");
        existed = f != nullptr;
        if (f == nullptr) return;
        char buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, f)) > 0) data.append(buf, n);
        fclose(f);
    }
    ~ConfigKeeper() {
        if (!existed) {
            DeleteFileA(path.c_str());
            return;
        }
        FILE* f = fopen(path.c_str(), "wb");
        if (f == nullptr) return;
        fwrite(data.data(), 1, data.size(), f);
        fclose(f);
    }
};

}  // namespace

int main(int argc, char** argv) {
    int runs = argc > 1 ? atoi(argv[1]) : 30;
    if (runs < 3) runs = 3;

    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    ConfigKeeper keeper;
    {
        CKpConfig start;
        start.SetSnapOnStart(0);
        start.SaveConfig();
    }

    CWnd main, view;
    main.CreateEx(0, AfxRegisterWndClass(0), "capture bench", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300, nullptr,
                  nullptr);
    view.CreateEx(0, AfxRegisterWndClass(0), nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 390, 280, main.m_hWnd,
                  (HMENU)1005);
    CBenchCore core;
    bench::Require(core.InitSnapper(&main, &view) != 0, "InitSnapper");
    core.m_config.SetSnapDelayTime(0);
    core.m_config.SetPlaySnapSound(0);
    core.m_config.SetHideMainWnd(0);
    core.m_config.SetAutoCopy(0);

    const int w = GetSystemMetrics(SM_CXSCREEN);
    const int h = GetSystemMetrics(SM_CYSCREEN);
    const size_t frameBytes = (size_t)w * h * 4;
    std::vector<unsigned char> src(frameBytes, 0x5A), dst(frameBytes);
    bench::Require(core.SnapFullScreen() != 0, "the first capture");  // warm-up: codecs, caches, allocations

    auto none = [] {};
    const double memcpyMs =
        bench::MedianMs(runs, [&] { return memcpy(dst.data(), src.data(), frameBytes) != nullptr; }, none, "memcpy");
    const double totalMs = bench::MedianMs(runs, [&] { return core.SnapFullScreen(); }, none, "SnapFullScreen");
    const double grabMs = bench::MedianMs(runs, [&] { return core.Grab(); }, none, "the grab");
    const double copyMs = bench::MedianMs(runs, [&] { return core.CopyCapture(); }, none, "the copy");
    const double convertMs = bench::MedianMs(runs, [&] { return core.Convert(); }, none, "the conversion");
    const double thumbMs = bench::MedianMs(runs, [&] { return core.Thumbnail(); }, none, "the thumbnail");
    const double twoStepMs =
        bench::MedianMs(runs, [&] { return core.ConvertTwoStep(); }, none, "the two-step conversion");

    printf("screen %d x %d, %d runs, medians\n", w, h, runs);
    printf("%-34s %9s %9s\n", "step", "ms", "x memcpy");
    auto row = [&](const char* name, double ms) { printf("%-34s %9.3f %9.1f\n", name, ms, ms / memcpyMs); };
    row("memcpy of one 32-bit frame", memcpyMs);
    row("SnapFullScreen to thumbnail ready", totalMs);
    row("  grab (SnapBitmap)", grabMs);
    row("  copy capture -> processed bitmap", copyMs);
    row("  conversion to 24-bit GDI+ image", convertMs);
    row("  thumbnail", thumbMs);
    row("  sum of the steps", grabMs + copyMs + convertMs + thumbMs);
    row("(two-step GDI+ conversion)", twoStepMs);

    core.CloseSnapper();
    Gdiplus::GdiplusShutdown(token);
    return 0;
}
