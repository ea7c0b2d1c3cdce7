// Latency of a whole-screen capture as the user waits for it: from the
// SnapFullScreen call until the thumbnail is ready (no delay, no sound, main
// window not hidden), with every image option off and with all of them on,
// with one thread and with all, and the same work split into the refresh
// (image options, 24-bit image, thumbnail) and the rest, the grab above all;
// beside them a grab into a new bitmap and GDI+'s own thumbnail, which the
// engine no longer makes, and the grab into the bitmap a capture keeps
// against a bare BitBlt of the screen into a DIB section, and Copy (the
// image onto the clipboard). The screen shows a window of text, fine lines
// and gradients, as a screen does; it is this program's own, so under Wine
// a grab reads it from the program's memory: another program's windows are
// read back from the X server, about 45 ms for 1280 x 1024 here, which the
// key-to-thumbnail benchmark shows. Each time is
// the median of several runs, each run timed right after a memcpy of one
// 32-bit frame of the screen, and is printed with its ratio to the median
// of those memcpy runs.
//
// With --thumbnails DIR the engine's thumbnail of that screen and the one
// GDI+ makes of the same image are saved there as PNG files to compare.
//
//   tools/wine-run --desktop 3840x2160 build/win/bin/capture_bench.exe [runs] [--thumbnails DIR]
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <functional>
#include <string>
#include <vector>

#include "bench_support.h"
#include "framework/scoped_handles.h"
#include "engine_bench_setup.h"
#include "kp_core.h"

namespace {

using namespace Gdiplus::DllExports;

// The engine's steps, one at a time.
class CBenchCore : public CKpCore {
public:
    bool Grab() {
        CImageBitmap* p = SnapBitmap(::GetDesktopWindow(), CRect());
        delete p;
        return p != nullptr;
    }
    // The grab as a capture makes it: into the bitmap the previous grab of
    // the size left.
    bool GrabIntoKept() {
        CImageBitmap* p = SnapBitmap(::GetDesktopWindow(), CRect(), m_kept.Release());
        m_kept.reset(p != nullptr ? (HBITMAP)p->Detach() : nullptr);
        delete p;
        return m_kept.get() != nullptr;
    }
    bool Refresh() {
        m_store.Refresh();
        return GetImage() != nullptr;
    }
    bool Thumbnail() {
        SetThubImage(GetImage());
        int x = 0, y = 0;
        return GetThubImage(x, y) != nullptr;
    }
    // GDI+'s own thumbnail of the current image, at the size of the
    // engine's; the caller disposes it.
    Gdiplus::GpImage* GdiplusThumbnail() {
        int x = 0, y = 0;
        Gdiplus::GpImage* pOwn = GetThubImage(x, y);
        UINT w = 0, h = 0;
        Gdiplus::GpImage* p = nullptr;
        if (pOwn == nullptr || GdipGetImageWidth(pOwn, &w) != Gdiplus::Ok ||
            GdipGetImageHeight(pOwn, &h) != Gdiplus::Ok ||
            GdipGetImageThumbnail(GetImage(), w, h, &p, nullptr, nullptr) != Gdiplus::Ok)
            return nullptr;
        return p;
    }

private:
    kfw::ScopedBitmap m_kept;
};

// The least a grab of the screen can take: one BitBlt of the screen into a
// 32-bit DIB section kept from one run to the next.
class CBareBlt {
public:
    CBareBlt(int w, int h) : m_w(w), m_h(h) {
        RGBX* pBits = nullptr;
        m_dib.reset(CImageBitmap::CreateDib32(CSize(w, h), &pBits));
    }
    bool Run() {
        bool bDone = false;
        {
            kfw::ScopedGetDC screen(nullptr);
            kfw::ScopedMemDC mem(screen);
            kfw::ScopedSelect select(mem, m_dib);
            bDone = select.ok() && ::BitBlt(mem, 0, 0, m_w, m_h, screen, 0, 0, SRCCOPY);
        }
        ::GdiFlush();
        return bDone;
    }

private:
    int m_w, m_h;
    kfw::ScopedBitmap m_dib;
};

// The whole screen: text in several sizes, one-pixel lines, a grid, a
// gradient and flat areas.
class CScreenContent : public CWnd {
public:
    void OnPaint() {
        PAINTSTRUCT ps;
        HDC dc = ::BeginPaint(m_hWnd, &ps);
        RECT rc;
        ::GetClientRect(m_hWnd, &rc);
        ::FillRect(dc, &rc, (HBRUSH)::GetStockObject(WHITE_BRUSH));
        // A gradient band across the bottom third.
        for (int x = 0; x < rc.right; x += 4) {
            RECT band = {x, rc.bottom * 2 / 3, x + 4, rc.bottom};
            HBRUSH b = ::CreateSolidBrush(RGB(x * 255 / rc.right, 128, 255 - x * 255 / rc.right));
            ::FillRect(dc, &band, b);
            ::DeleteObject(b);
        }
        // A one-pixel grid on the right, diagonal lines on the left.
        HPEN pen = ::CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
        HGDIOBJ old = ::SelectObject(dc, pen);
        for (int x = rc.right * 2 / 3; x < rc.right; x += 3) {
            ::MoveToEx(dc, x, 0, nullptr);
            ::LineTo(dc, x, rc.bottom * 2 / 3);
        }
        for (int y = 0; y < rc.bottom * 2 / 3; y += 5) {
            ::MoveToEx(dc, rc.right * 2 / 3, y, nullptr);
            ::LineTo(dc, rc.right, y);
        }
        for (int k = 0; k < rc.right / 3; k += 6) {
            ::MoveToEx(dc, k, rc.bottom * 2 / 3, nullptr);
            ::LineTo(dc, k + rc.bottom / 3, rc.bottom / 3);
        }
        ::SelectObject(dc, old);
        ::DeleteObject(pen);
        // Text, from small to large.
        ::SetBkMode(dc, TRANSPARENT);
        int y = 8;
        const int heights[] = {12, 14, 16, 20, 28, 40, 64};
        for (int h : heights) {
            HFONT font = ::CreateFontA(-h, 0, 0, 0, FW_NORMAL, 0, 0, 0, GB2312_CHARSET, 0, 0, 0, 0, nullptr);
            HGDIOBJ oldFont = ::SelectObject(dc, font);
            for (int line = 0; line < 2 && y < rc.bottom / 3 + rc.bottom / 4; ++line, y += h + h / 3) {
                const char* text =
                    "Kapto 整个屏幕 活动程序窗口  The quick brown fox jumps over the lazy dog 0123456789";
                ::TextOutA(dc, rc.right / 3 + 8, y, text, (int)strlen(text));
            }
            ::SelectObject(dc, oldFont);
            ::DeleteObject(font);
        }
        ::EndPaint(m_hWnd, &ps);
    }
    BOOL OnEraseBkgnd(CDC*) { return TRUE; }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CScreenContent, CWnd)
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
END_MESSAGE_MAP()

void PumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// The ten image options of the options sheet; the switches the settings keep
// without accessors stay at their defaults (options applied, smoothing on).
void SetAllOptions(CKpConfig& c, int bOn) {
    c.SetGrayScale(bOn);
    c.SetNegate(bOn);
    c.SetFlipHorz(bOn);
    c.SetFlipVert(bOn);
    c.SetRotate(bOn);
    c.SetRotateAngle(45);
    c.SetScale(bOn);
    c.SetScaleFactor(50);
    c.SetShearAcross(bOn);
    c.SetShearAcrossAmout(50);
    c.SetShearDown(bOn);
    c.SetShearDownAmout(50);
    c.SetBlur(bOn);
    c.SetBlurFactor(5);
    c.SetSharpen(bOn);
    c.SetSharpenFactor(5);
}

using bench::Paired;
using bench::TimePaired;

bool SavePng(Gdiplus::GpImage* p, const std::string& path) {
    UINT num = 0, size = 0;
    if (p == nullptr || GdipGetImageEncodersSize(&num, &size) != Gdiplus::Ok || size == 0) return false;
    std::vector<BYTE> buf(size);
    Gdiplus::ImageCodecInfo* info = (Gdiplus::ImageCodecInfo*)buf.data();
    if (GdipGetImageEncoders(num, size, info) != Gdiplus::Ok) return false;
    for (UINT i = 0; i < num; ++i)
        if (wcscmp(info[i].MimeType, L"image/png") == 0) {
            std::wstring wide(path.begin(), path.end());
            return GdipSaveImageToFile(p, wide.c_str(), &info[i].Clsid, nullptr) == Gdiplus::Ok;
        }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    int runs = 15;
    std::string thumbDir;
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--thumbnails") == 0 && i + 1 < argc)
            thumbDir = argv[++i];
        else
            runs = atoi(argv[i]);
    }
    if (runs < 3) runs = 3;

    bench::EngineBenchSetup setup;

    const int w = GetSystemMetrics(SM_CXSCREEN);
    const int h = GetSystemMetrics(SM_CYSCREEN);
    CScreenContent content;
    content.CreateEx(WS_EX_TOOLWINDOW, AfxRegisterWndClass(0), "screen", WS_POPUP | WS_VISIBLE, 0, 0, w, h, nullptr,
                     nullptr);
    CWnd main, view;
    main.CreateEx(0, AfxRegisterWndClass(0), "capture bench", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300, nullptr, nullptr);
    view.CreateEx(0, AfxRegisterWndClass(0), nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 390, 280, main.m_hWnd, (HMENU)1005);
    ::UpdateWindow(content.m_hWnd);
    PumpMessages();
    Sleep(300);
    PumpMessages();
    CBenchCore core;
    bench::EngineBenchSetup::Start(core, main, view);

    const size_t frameBytes = (size_t)w * h * 4;
    std::vector<unsigned char> src(frameBytes, 0x5A), dst(frameBytes);
    memcpy(dst.data(), src.data(), frameBytes);
    const std::function<void()> frameCopy = [&] { memcpy(dst.data(), src.data(), frameBytes); };
    const int nAll = KpGetImageThreads();
    CBareBlt bare(w, h);
    SYSTEM_INFO si;
    GetSystemInfo(&si);

    if (!thumbDir.empty()) {
        SetAllOptions(core.m_config, 0);
        bench::Require(core.SnapFullScreen() != 0, "the capture");
        int x = 0, y = 0;
        Gdiplus::GpImage* pGdiplus = core.GdiplusThumbnail();
        bench::Require(SavePng(core.GetThubImage(x, y), thumbDir + "\\thumbnail_box.png"), "saving the thumbnail");
        bench::Require(SavePng(pGdiplus, thumbDir + "\\thumbnail_gdiplus.png"), "saving GDI+'s thumbnail");
        GdipDisposeImage(pGdiplus);
    }

    printf(
        "capture benchmark: screen %d x %d (%.1f MB per 32-bit frame), %lu processors, all threads = %d; "
        "each time the median of %d runs\n",
        w, h, frameBytes / 1048576.0, (unsigned long)si.dwNumberOfProcessors, nAll, runs);
    printf("  %-44s %21s %21s\n", "", "1 thread", "all threads");
    printf("  %-44s %9s %11s %9s %11s\n", "", "ms", "x memcpy", "ms", "x memcpy");
    for (int bOn = 0; bOn < 2; ++bOn) {
        SetAllOptions(core.m_config, bOn);
        struct Row {
            const char* name;
            std::function<bool()> op;
            Paired one, all;
        } rows[] = {
            {"SnapFullScreen to thumbnail ready", [&] { return core.SnapFullScreen() != 0; }, {}, {}},
            {"  refresh: options, 24-bit image, thumbnail", [&] { return core.Refresh(); }, {}, {}},
            {"    of which the thumbnail", [&] { return core.Thumbnail(); }, {}, {}},
            {"  (a grab into a new bitmap)", [&] { return core.Grab(); }, {}, {}},
            {"  the grab into the kept bitmap", [&] { return core.GrabIntoKept(); }, {}, {}},
            {"  (a bare BitBlt into a DIB section)", [&] { return bare.Run(); }, {}, {}},
            {"  (Copy: the image onto the clipboard)", [&] { return core.CopyImageData(0) == 1; }, {}, {}},
            {"  (GDI+'s own thumbnail instead)",
             [&] {
                 Gdiplus::GpImage* p = core.GdiplusThumbnail();
                 if (p != nullptr) GdipDisposeImage(p);
                 return p != nullptr;
             },
             {},
             {}},
        };
        for (int pass = 0; pass < 2; ++pass) {
            KpSetImageThreads(pass == 0 ? 1 : nAll);
            bench::Require(core.SnapFullScreen() != 0, "the first capture");  // warm
            for (Row& r : rows)
                (pass == 0 ? r.one : r.all) = TimePaired(runs, r.name, r.op, frameCopy);
        }
        printf("image options %s\n", bOn ? "all on" : "all off");
        for (const Row& r : rows)
            printf("  %-44s %9.2f %11.2f %9.2f %11.2f\n", r.name, r.one.opMs, r.one.Ratio(), r.all.opMs, r.all.Ratio());
        // The grab as the engine makes it (into the bitmap the previous
        // capture left) cannot be run on its own: it is what the capture
        // takes beyond the refresh.
        const Paired& total1 = rows[0].one;
        const Paired& totalAll = rows[0].all;
        printf("  %-44s %9.2f %11.2f %9.2f %11.2f\n", "  grab and the rest (capture - refresh)",
               total1.opMs - rows[1].one.opMs, (total1.opMs - rows[1].one.opMs) / total1.copyMs,
               totalAll.opMs - rows[1].all.opMs, (totalAll.opMs - rows[1].all.opMs) / totalAll.copyMs);
        printf("  %-44s %9.2f %11s %9.2f\n", "(memcpy of one frame, median)", rows[0].one.copyMs, "",
               rows[0].all.copyMs);
        // Both medians of the same runs: the ratio of the times themselves.
        printf("  grab into the kept bitmap / bare BitBlt: %.2f (1 thread), %.2f (all)   target <= 1.2\n",
               rows[4].one.opMs / rows[5].one.opMs, rows[4].all.opMs / rows[5].all.opMs);
        fflush(stdout);
    }
    KpSetImageThreads(0);

    core.CloseSnapper();
    return 0;
}
