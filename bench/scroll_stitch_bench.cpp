// The scrolling capture's stitcher at 1920 x 1080: the time to place one
// frame (hash its rows, find its shift, append its new rows), for a page of
// text-like lines on white moving 700 rows a step; for the first step of an
// area with a scroll bar inside it, where the thumb keeps the rows from
// fitting until its columns are left out; and for a screen of blank moving
// by the scroll position alone. Medians and maxima in milliseconds, beside
// a frame memcpy timed alternately. The target is 5 ms a step. The result's
// fresh memory for a step is made ready before the frame comes, as the
// capture does while the window repaints, and its time is shown apart.
//
//   tools/wine-run build/win/bin/scroll_stitch_bench.exe [runs]
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <vector>

#include "bench_support.h"
#include "lib/scroll/scroll_stitcher.h"

namespace {

const int kW = 1920, kH = 1080;
const int kStep = 700;
const int kSteps = 12;
const int kPageH = kH + kStep * kSteps;
const int kBar = 17;
// Read after each timed copy, so that the copy is not optimised away.
volatile uint32_t g_sink = 0;

// A page: lines of 18 rows of word-like runs of dark pixels on white, 8
// blank rows between them, a margin at each side.
std::vector<uint32_t> MakePage(bool bBlank) {
    std::vector<uint32_t> page((size_t)kW * kPageH, 0xFFFFFFu);
    if (bBlank) return page;
    unsigned seed = 12345;
    for (int line = 0; line * 26 + 18 < kPageH; ++line) {
        for (int x = 40; x < kW - 60;) {
            seed = seed * 1103515245u + 12345u;
            int w = 12 + (seed >> 16) % 90;
            for (int y = line * 26; y < line * 26 + 18; ++y) {
                uint32_t* row = page.data() + (size_t)y * kW;
                for (int i = 0; i < w && x + i < kW - 60; ++i)
                    if (((x + i) * 7 + y * 3 + (int)(seed >> 20)) % 5)
                        row[x + i] = 0x202020u + (uint32_t)((seed >> 8) & 0x3F);
            }
            x += w + 10;
        }
    }
    return page;
}

// The frame at nOffset; with a scroll bar, its thumb drawn over the right
// columns.
void CutFrame(const std::vector<uint32_t>& page, int nOffset, bool bScrollBar, std::vector<uint32_t>& frame) {
    frame.assign(page.begin() + (ptrdiff_t)nOffset * kW, page.begin() + (ptrdiff_t)(nOffset + kH) * kW);
    if (!bScrollBar) return;
    int nThumbTop = nOffset * (kH - 120) / (kPageH - kH);
    for (int y = 0; y < kH; ++y) {
        bool bThumb = y >= nThumbTop && y < nThumbTop + 120;
        for (int x = kW - kBar; x < kW; ++x)
            frame[(size_t)y * kW + x] = bThumb ? 0xA0A0A0u : 0xF0F0F0u;
    }
}

struct Result {
    std::vector<double> ms;
    void Print(const char* pszWhat, double copyMs) const {
        printf("%-44s median %6.2f ms  max %6.2f ms  (frame memcpy %.2f ms)\n", pszWhat, bench::Median(ms),
               *std::max_element(ms.begin(), ms.end()), copyMs);
    }
};

}  // namespace

int main(int argc, char** argv) {
    const int nRuns = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    const std::vector<uint32_t> text = MakePage(false);
    const std::vector<uint32_t> blank = MakePage(true);
    std::vector<uint32_t> frames[2], copy((size_t)kW * kH);
    Result steady, scrollBar, blankSteps;
    std::vector<double> copies, prepares;

    for (int run = 0; run < nRuns; ++run) {
        for (int nCase = 0; nCase < 3; ++nCase) {
            const bool bScrollBar = nCase == 1;
            const std::vector<uint32_t>& page = nCase == 2 ? blank : text;
            CKpScrollStitcher s(kW, kH, 30000);
            CutFrame(page, 0, bScrollBar, frames[0]);
            s.Start(frames[0].data(), kW);
            for (int i = 1; i <= kSteps; ++i) {
                std::vector<uint32_t>& f = frames[i % 2];
                CutFrame(page, i * kStep, bScrollBar, f);
                double t = bench::Now();
                memcpy(copy.data(), f.data(), copy.size() * sizeof(uint32_t));
                copies.push_back((bench::Now() - t) * 1000.0);
                g_sink = g_sink + copy[(size_t)i * 997];
                // As the capture does while the window repaints: the
                // result's fresh memory is touched ahead, and timed apart.
                t = bench::Now();
                s.Prepare(kH);
                prepares.push_back((bench::Now() - t) * 1000.0);
                t = bench::Now();
                CKpScrollStitcher::Step step = s.Add(f.data(), kW, nCase == 2 ? kStep : -1);
                double ms = (bench::Now() - t) * 1000.0;
                bench::Require(step == CKpScrollStitcher::kPlaced && s.GetLastShift() == kStep, "a placement");
                if (nCase == 1 && i == 1) scrollBar.ms.push_back(ms);
                if (nCase == 0) steady.ms.push_back(ms);
                if (nCase == 2) blankSteps.ms.push_back(ms);
            }
            bench::Require(s.GetHeight() == kPageH, "the whole page");
        }
    }
    const double copyMs = bench::Median(copies);
    printf("placing one 1920 x 1080 frame, %d rows a step (%d runs)\n", kStep, nRuns);
    steady.Print("text page", copyMs);
    scrollBar.Print("first step with a scroll bar inside", copyMs);
    blankSteps.Print("blank screen, by the scroll position", copyMs);
    printf("%-44s median %6.2f ms (done while the window repaints)\n", "fresh memory for the next frame's rows",
           bench::Median(prepares));
    return 0;
}
