// 32-bit rows into 24-bit rows, a band of rows per task.
#include "pixel_pack.h"

#include "worker_pool.h"

namespace kpimg {

void Pack24(const void* pSrc, int w, int h, uint8_t* pDst, ptrdiff_t dstStride) {
    if (pSrc == nullptr || pDst == nullptr || w <= 0 || h <= 0) return;
    const int nBands = BandCount(h, (long long)w * h);
    auto task = [&](int band, Scratch&) {
        int first, end;
        BandRows(band, nBands, h, first, end);
        for (int y = first; y < end; ++y) {
            const uint8_t* s = static_cast<const uint8_t*>(pSrc) + (size_t)y * (size_t)w * 4;
            uint8_t* d = pDst + (ptrdiff_t)y * dstStride;
            int x = 0;
            // Four pixels a round, the fourth byte of each dropped.
            for (; x + 4 <= w; x += 4, s += 16, d += 12) {
                d[0] = s[0], d[1] = s[1], d[2] = s[2];
                d[3] = s[4], d[4] = s[5], d[5] = s[6];
                d[6] = s[8], d[7] = s[9], d[8] = s[10];
                d[9] = s[12], d[10] = s[13], d[11] = s[14];
            }
            for (; x < w; ++x, s += 4, d += 3)
                d[0] = s[0], d[1] = s[1], d[2] = s[2];
        }
    };
    RunTasks(nBands, task);
}

}  // namespace kpimg
