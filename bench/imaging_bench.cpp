// Speed of the pixel processors, of the capture engine's whole chain and of
// CImageBitmap::ProcessImage on full-HD, 4K and 8K frames, with one thread
// and with all of them. Every time is the median of several runs, each run
// timed right after a memcpy of one 32-bit frame, and is printed with its
// ratio to the median of those memcpy runs, so that a shared machine's load
// weighs on both alike. The 4K frame's targets (all threads) are printed
// beside it, and the 8K rows are compared with the 4K ones.
//
//   tools/wine-run build/win/bin/imaging_bench.exe [runs] [WxH ...]
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <functional>
#include <string>
#include <vector>

#include "bench_support.h"
#include "image_bitmap.h"
#include "tests/support/top_down_dib.h"

namespace {

using bench::Paired;
using bench::TimePaired;

// A frame with edges, gradients and flat areas, like a screen.
std::vector<RGBX> Frame(int w, int h) {
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

// One line of the table: an item timed with one thread and with all.
struct Line {
    std::string name;
    Paired one, all;
    double target;  // 4K ratio, all threads; 0 = none
};

struct FrameResult {
    int w, h;
    std::vector<Line> lines;
};

const Line* Find(const FrameResult& r, const std::string& name) {
    for (const Line& l : r.lines)
        if (l.name == name) return &l;
    return nullptr;
}

FrameResult BenchFrame(int w, int h, int runs, int nAll) {
    FrameResult result{w, h, {}};
    const CSize size(w, h);
    std::vector<RGBX> src = Frame(w, h);
    const size_t bytes = src.size() * sizeof(RGBX);
    std::vector<RGBX> copy(src.size());
    // Touch the target once so the first copy does not pay for page faults.
    memcpy(copy.data(), src.data(), bytes);
    const std::function<void()> frameCopy = [&] { memcpy(copy.data(), src.data(), bytes); };

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
        {"grey", &grey, 0},
        {"negate", &negate, 0},
        {"colour replacement 0 -> 255", &replace, 0},
        {"flip both", &flip, 0},
        {"resize 0.5", &half, 0},
        {"blur 5", &blur, 3},
        {"sharpen 5", &sharpen, 6},
        {"shear (50, 50) weighted", &shear, 7},
        {"rotate 45 weighted", &rotate, 14},
    };
    // The capture engine's chain with every option on.
    CImage32BitProcessor* chain[] = {&grey, &negate, &replace, &flip, &rotate, &half, &shear, &blur, &sharpen};

    // Two arrays at the largest size of the chain serve every measurement.
    size_t largest = src.size();
    {
        CSize s = size;
        for (CImage32BitProcessor* p : chain) {
            s = p->CalcDestSize(s);
            if ((size_t)s.cx * s.cy > largest) largest = (size_t)s.cx * s.cy;
        }
    }
    std::vector<RGBX> bufA(largest), bufB(largest);

    // The frame as a capture holds it (a 32-bit DIB section), made afresh
    // (untimed) before each run; the object stays, as the engine's does
    // from one capture to the next.
    CImageBitmap bitmap, processed;
    auto fresh = [&] {
        bitmap.DeleteObject();
        RGBX* pBits = nullptr;
        HBITMAP hb = CImageBitmap::CreateDib32(size, &pBits);
        bench::Require(hb != nullptr, "a bitmap of the frame");
        memcpy(pBits, src.data(), bytes);
        bitmap.Attach(hb);
    };
    CArray<CImage32BitProcessor*, CImage32BitProcessor*> oneFlip, wholeChain;
    oneFlip.Add(&flip);
    for (CImage32BitProcessor* p : chain)
        wholeChain.Add(p);

    for (const Item& it : items)
        result.lines.push_back({it.name, {}, {}, it.target});
    result.lines.push_back({"whole chain, processors only", {}, {}, 0});
    result.lines.push_back({"ProcessImage, one flip", {}, {}, 1.5});
    result.lines.push_back({"ProcessImage, whole chain", {}, {}, 0});
    result.lines.push_back({"ProcessImageFrom, whole chain", {}, {}, 0});

    for (int pass = 0; pass < 2; ++pass) {
        KpSetImageThreads(pass == 0 ? 1 : nAll);
        size_t n = 0;
        auto store = [&](const Paired& p) {
            Line& l = result.lines[n++];
            (pass == 0 ? l.one : l.all) = p;
        };
        for (const Item& it : items) {
            const CSize out = it.p->CalcDestSize(size);
            auto op = [&] { return it.p->ProcessPixels(src.data(), size, bufA.data(), out) != 0; };
            bench::Require(op(), it.name);  // warm
            store(TimePaired(runs, it.name, op, frameCopy));
        }
        store(TimePaired(
            runs, "the processors of the chain",
            [&] {
                const RGBX* in = src.data();
                CSize cur = size;
                RGBX* bufs[2] = {bufA.data(), bufB.data()};
                bool bDone = true;
                for (size_t i = 0; i < sizeof chain / sizeof chain[0]; ++i) {
                    const CSize out = chain[i]->CalcDestSize(cur);
                    bDone = chain[i]->ProcessPixels((RGBX*)in, cur, bufs[i % 2], out) != 0 && bDone;
                    in = bufs[i % 2];
                    cur = out;
                }
                return bDone;
            },
            frameCopy));
        // Warm: the object's arrays and spare bitmap.
        fresh();
        bench::Require(bitmap.ProcessImage(oneFlip) != 0, "ProcessImage");
        store(TimePaired(
            runs, "ProcessImage", [&] { return bitmap.ProcessImage(oneFlip) != 0; }, frameCopy, fresh));
        fresh();
        bench::Require(bitmap.ProcessImage(wholeChain) != 0, "ProcessImage");
        store(TimePaired(
            runs, "ProcessImage", [&] { return bitmap.ProcessImage(wholeChain) != 0; }, frameCopy, fresh));
        // As the image store runs it: the capture stays, the processed image
        // is made from it into the object that held the last one. From the
        // third run on the result's bitmap is the one kept from the run
        // before the last: no fresh memory is touched.
        fresh();
        for (int warm = 0; warm < 3; ++warm)
            bench::Require(processed.ProcessImageFrom((HBITMAP)bitmap.GetSafeHandle(), wholeChain) != 0,
                           "ProcessImageFrom");
        store(TimePaired(
            runs, "ProcessImageFrom",
            [&] { return processed.ProcessImageFrom((HBITMAP)bitmap.GetSafeHandle(), wholeChain) != 0; },
            frameCopy));
    }
    KpSetImageThreads(0);
    bitmap.DeleteObject();
    processed.DeleteObject();
    return result;
}

void PrintFrame(const FrameResult& r, int nAll) {
    const double mb = (double)r.w * r.h * 4 / 1048576.0;
    printf("\n%d x %d (%.1f MB per 32-bit frame)\n", r.w, r.h, mb);
    printf("  %-30s %21s %21s\n", "", "1 thread", nAll == 1 ? "1 thread (all)" : "all threads");
    printf("  %-30s %9s %11s %9s %11s   %s\n", "", "ms", "x memcpy", "ms", "x memcpy", "target (4K, all)");
    for (const Line& l : r.lines) {
        char target[32] = "";
        if (r.w == 3840 && l.target > 0) snprintf(target, sizeof target, "<= %g", l.target);
        printf("  %-30s %9.2f %11.2f %9.2f %11.2f   %s\n", l.name.c_str(), l.one.opMs, l.one.Ratio(), l.all.opMs,
               l.all.Ratio(), target);
    }
    printf("  %-30s %9.2f %11s %9.2f\n", "(memcpy of one frame, median)", r.lines[0].one.copyMs, "",
           r.lines[0].all.copyMs);
    // A result of a new size is fresh memory for ProcessImage when the
    // frame is new each time: under Wine on this kind of machine each new
    // page costs about 10 us at first touch (VirtualAlloc, the heap and DIB
    // sections alike), 49 ms for a 19 MB result. The store's way keeps its
    // bitmaps, as the processors alone keep their arrays.
    const Line* chain = Find(r, "whole chain, processors only");
    for (const char* name : {"ProcessImage, whole chain", "ProcessImageFrom, whole chain"}) {
        const Line* through = Find(r, name);
        if (chain != nullptr && through != nullptr && chain->all.Ratio() > 0)
            printf("  %s / processors only: %.3f (1 thread), %.3f (all)%s\n", name,
                   through->one.Ratio() / chain->one.Ratio(), through->all.Ratio() / chain->all.Ratio(),
                   r.w == 3840 ? "   target <= 1.05" : "");
    }
}

// Cost against pixel count: each 8K figure against the 4K one, both as
// ratios to their own frame's memcpy (a memcpy of the 8K frame takes four
// times as long), so that a change of load between the two frames does not
// count as growth.
void PrintGrowth(const FrameResult& k4, const FrameResult& k8) {
    printf("\n8K against 4K: (8K time / 8K memcpy) / (4K time / 4K memcpy), target <= 1.15\n");
    printf("  %-30s %11s %11s\n", "", "1 thread", "all threads");
    for (const Line& l : k8.lines) {
        const Line* base = Find(k4, l.name);
        if (base == nullptr || base->one.Ratio() <= 0 || base->all.Ratio() <= 0) continue;
        printf("  %-30s %11.3f %11.3f\n", l.name.c_str(), l.one.Ratio() / base->one.Ratio(),
               l.all.Ratio() / base->all.Ratio());
    }
}

}  // namespace

int main(int argc, char** argv) {
    int runs = argc > 1 ? atoi(argv[1]) : 7;
    if (runs < 1) runs = 1;
    std::vector<std::pair<int, int>> sizes;
    for (int i = 2; i < argc; ++i) {
        int w = 0, h = 0;
        if (sscanf(argv[i], "%dx%d", &w, &h) == 2 && w > 0 && h > 0) sizes.push_back({w, h});
    }
    if (sizes.empty()) sizes = {{1920, 1080}, {3840, 2160}, {7680, 4320}};
    const int nAll = KpGetImageThreads();
    SYSTEM_INFO si;
    GetSystemInfo(&si);
    printf("imaging benchmark: %lu processors, all threads = %d; each time the median of %d runs\n",
           (unsigned long)si.dwNumberOfProcessors, nAll, runs);
    std::vector<FrameResult> results;
    for (const auto& s : sizes) {
        results.push_back(BenchFrame(s.first, s.second, runs, nAll));
        PrintFrame(results.back(), nAll);
        fflush(stdout);
    }
    const FrameResult *k4 = nullptr, *k8 = nullptr;
    for (const FrameResult& r : results) {
        if (r.w == 3840 && r.h == 2160) k4 = &r;
        if (r.w == 7680 && r.h == 4320) k8 = &r;
    }
    if (k4 != nullptr && k8 != nullptr) PrintGrowth(*k4, *k8);
    return 0;
}
