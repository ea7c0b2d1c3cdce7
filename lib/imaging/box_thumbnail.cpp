// Area means for thumbnails, a band of thumbnail rows per task.
#include "box_thumbnail.h"

#include "worker_pool.h"

namespace kpimg {

bool BoxThumbnail(const uint8_t* pSrc, int sw, int sh, ptrdiff_t srcStride, int nSrcBytes, uint8_t* pDst, int tw,
                  int th, ptrdiff_t dstStride, bool bOpaque) {
    if (pSrc == nullptr || pDst == nullptr || (nSrcBytes != 3 && nSrcBytes != 4)) return false;
    if (tw <= 0 || th <= 0 || tw > sw || th > sh) return false;
    const size_t nLanes = (size_t)sw * (size_t)nSrcBytes;
    // Every source pixel is read once, whatever the thumbnail's size.
    const int nBands = BandCount(th, (long long)sw * sh);
    auto task = [&](int band, Scratch& scratch) {
        int first, end;
        BandRows(band, nBands, th, first, end);
        // Per byte lane, the sum down the rows of the current box row; a box
        // of under 2^24 rows keeps it within 32 bits.
        uint32_t* colSum = (uint32_t*)scratch.Get(nLanes * sizeof(uint32_t));
        for (int y = first; y < end; ++y) {
            const long long r0 = (long long)y * sh / th, r1 = (long long)(y + 1) * sh / th;
            if (colSum != nullptr) {
                const uint8_t* row = pSrc + (ptrdiff_t)r0 * srcStride;
                for (size_t i = 0; i < nLanes; ++i)
                    colSum[i] = row[i];
                for (long long r = r0 + 1; r < r1; ++r) {
                    row = pSrc + (ptrdiff_t)r * srcStride;
                    for (size_t i = 0; i < nLanes; ++i)
                        colSum[i] += row[i];
                }
            }
            uint8_t* out = pDst + (ptrdiff_t)y * dstStride;
            for (int x = 0; x < tw; ++x) {
                const long long c0 = (long long)x * sw / tw, c1 = (long long)(x + 1) * sw / tw;
                uint64_t sum[4] = {0, 0, 0, 0};
                if (colSum != nullptr) {
                    for (long long c = c0; c < c1; ++c)
                        for (int k = 0; k < nSrcBytes; ++k)
                            sum[k] += colSum[c * nSrcBytes + k];
                } else {
                    // No row of sums to be had: the box pixel by pixel.
                    for (long long r = r0; r < r1; ++r) {
                        const uint8_t* p = pSrc + (ptrdiff_t)r * srcStride + c0 * nSrcBytes;
                        for (long long c = c0; c < c1; ++c, p += nSrcBytes)
                            for (int k = 0; k < nSrcBytes; ++k)
                                sum[k] += p[k];
                    }
                }
                const uint64_t n = (uint64_t)((r1 - r0) * (c1 - c0));
                for (int k = 0; k < nSrcBytes; ++k)
                    out[4 * x + k] = (uint8_t)((sum[k] + n / 2) / n);
                if (nSrcBytes == 3 || bOpaque) out[4 * x + 3] = 255;
            }
        }
    };
    RunTasks(nBands, task);
    return true;
}

}  // namespace kpimg
