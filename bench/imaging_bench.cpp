// Speed of the pixel processors, of the whole capture-engine chain and of
// CImageBitmap::ProcessImage, on 1920 x 1080 and 3840 x 2160 frames. Every
// time is the median of several runs and is printed with its ratio to a
// memcpy of one 32-bit frame timed in the same run, next to the target
// ratio for the 4K frame.
//
//   tools/wine-run build/.../bin/imaging_bench.exe [runs]
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <functional>
#include <vector>

#include "bench_support.h"
#include "image_bitmap.h"

namespace {

// Times f and a frame memcpy alternately, so the ratio compares runs made
// under the same load on a shared machine.
template <class F>
void PairedMs(int runs, F f, const std::function<bool()>& copy, double& opMs, double& copyMs)
{
    std::vector<double> a, b;
    for (int i = 0; i < runs; ++i) {
        double t = bench::Now();
        bench::Require(copy(), "memcpy");
        a.push_back((bench::Now() - t) * 1000.0);
        t = bench::Now();
        const bool bDone = static_cast<bool>(f());
        b.push_back((bench::Now() - t) * 1000.0);
        bench::Require(bDone, "a processor");
    }
    copyMs = bench::Median(a);
    opMs = bench::Median(b);
}

// A frame with edges, gradients and flat areas, like a screen.
std::vector<RGBX> Frame(int w, int h)
{
    std::vector<RGBX> v((size_t)w * h);
    unsigned s = 12345;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            RGBX& p = v[(size_t)y * w + x];
            if ((x / 64 + y / 48) % 3 == 0) {
                p.b = p.g = p.r = 255;
            } else {
                s = s * 1103515245u + 12345u;
                p.b = (BYTE)(x * 255 / w);
                p.g = (BYTE)(y * 255 / h);
                p.r = (BYTE)(s >> 24);
            }
            p.x = 0;
        }
    return v;
}

struct Row {
    const char* name;
    double target;  // 4K ratio target; 0 = reported only
};

void Print(const char* name, double ms, double copyMs, double target)
{
    if (target > 0)
        printf("  %-34s %9.2f ms  memcpy %6.2f ms  %6.2f x   (target <= %g)\n", name, ms, copyMs, ms / copyMs, target);
    else
        printf("  %-34s %9.2f ms  memcpy %6.2f ms  %6.2f x\n", name, ms, copyMs, ms / copyMs);
}

void BenchFrame(int w, int h, int runs)
{
    const CSize size(w, h);
    std::vector<RGBX> src = Frame(w, h);
    const size_t bytes = src.size() * sizeof(RGBX);
    std::vector<RGBX> copy(src.size());
    // Touch the target once so the first copy does not pay for page faults.
    memcpy(copy.data(), src.data(), bytes);
    const std::function<bool()> frameCopy = [&] { return memcpy(copy.data(), src.data(), bytes) != nullptr; };
    const double copyMs = bench::MedianMs(runs * 3, frameCopy);
    printf("\n%d x %d frame (%.1f MB): memcpy %.3f ms; each line: median of %d runs, with the median of as many\n"
           "memcpy runs made alternately with them\n",
           w, h, bytes / 1048576.0, copyMs, runs);

    CImageGrayer grey;
    CImageNegator negate;
    CImageColorReplacer replace(0x000000, 0x0000FF);
    CImageFlipper flip(1, 1);
    CImageResizer half(0.5);
    CImageBlurrer blur(5);
    CImageSharpener sharpen(5);
    CImageShearer shear(50, 50, 1);
    CImageRotator rotate(45, 1);
    struct Item {
        const char* name;
        CImage32BitProcessor* p;
        double target;
    } items[] = {
        {"grey", &grey, 3},
        {"negate", &negate, 3},
        {"colour replacement 0 -> 255", &replace, 3},
        {"flip both", &flip, 3},
        {"resize 0.5", &half, 4},
        {"blur 5", &blur, 12},
        {"sharpen 5", &sharpen, 25},
        {"shear (50, 50) weighted", &shear, 20},
        {"rotate 45 weighted", &rotate, 40},
    };
    double flipMs = 0;
    for (const Item& it : items) {
        const CSize out = it.p->CalcDestSize(size);
        std::vector<RGBX> dst((size_t)out.cx * out.cy);
        bench::Require(it.p->ProcessPixels(src.data(), size, dst.data(), out), it.name);  // warm
        double ms, cms;
        PairedMs(runs, [&] { return it.p->ProcessPixels(src.data(), size, dst.data(), out); }, frameCopy, ms, cms);
        if (it.p == &flip) flipMs = ms;
        Print(it.name, ms, cms, it.target);
    }

    // The capture engine's chain with every option on, as processors only.
    CImage32BitProcessor* chain[] = {&grey, &negate, &replace, &flip, &rotate, &half, &shear, &blur, &sharpen};
    {
        std::vector<std::vector<RGBX>> bufs;
        std::vector<CSize> sizes = {size};
        for (CImage32BitProcessor* p : chain) {
            sizes.push_back(p->CalcDestSize(sizes.back()));
            bufs.emplace_back((size_t)sizes.back().cx * sizes.back().cy);
        }
        double ms, cms;
        PairedMs(runs, [&] {
            const RGBX* in = src.data();
            for (size_t i = 0; i < bufs.size(); ++i) {
                if (!chain[i]->ProcessPixels((RGBX*)in, sizes[i], bufs[i].data(), sizes[i + 1])) return false;
                in = bufs[i].data();
            }
            return true;
        }, frameCopy, ms, cms);
        Print("full chain, processors only", ms, cms, 0);
    }

    // Through the bitmap: read-back, fills, copies between steps, write-back.
    HDC screen = GetDC(nullptr);
    BITMAPINFO bmi;
    memset(&bmi, 0, sizeof bmi);
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = w;
    bmi.bmiHeader.biHeight = -h;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    auto fresh = [&](CImageBitmap& b) {
        b.DeleteObject();
        HBITMAP hb = CreateCompatibleBitmap(screen, w, h);
        SetDIBits(screen, hb, 0, h, src.data(), &bmi, DIB_RGB_COLORS);
        b.Attach(hb);
    };
    // A fresh bitmap of the frame before each run, untimed.
    auto processImageMs = [&](const std::vector<CImage32BitProcessor*>& procs) {
        CImageBitmap b;
        CArray<CImage32BitProcessor*, CImage32BitProcessor*> arr;
        for (CImage32BitProcessor* p : procs) arr.Add(p);
        return bench::MedianMs(runs, [&] { return b.ProcessImage(arr); }, [&] { fresh(b); }, "ProcessImage");
    };
    const double oneFlipMs = processImageMs({&flip});
    Print("ProcessImage, one flip", oneFlipMs, copyMs, 0);
    Print("  overhead over the flip itself", oneFlipMs - flipMs, copyMs, 0);
    const double chainMs = processImageMs(std::vector<CImage32BitProcessor*>(std::begin(chain), std::end(chain)));
    Print("ProcessImage, full chain", chainMs, copyMs, 0);
    ReleaseDC(nullptr, screen);
}

}  // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? atoi(argv[1]) : 7;
    printf("imaging benchmark: each time the median of %d runs\n", runs < 1 ? 1 : runs);
    BenchFrame(1920, 1080, runs < 1 ? 1 : runs);
    BenchFrame(3840, 2160, runs < 1 ? 1 : runs);
    return 0;
}
