// 3 x 3 weighted mean: eight neighbours of weight 1 around a heavier centre.
#include "image_processors.h"
#include "pixel_math.h"
#include "processor_runs.h"
#include "wide_loops.h"

namespace {

int ClampFactor(int f) { return f < 0 ? 0 : (f > 10 ? 10 : f); }

// Any pixel, with the neighbours that lie inside the image: the border, and
// everything when no row buffer could be had.
void BlurPixel(const RGBX* pSrc, int w, int h, int x, int y, uint32_t centre, RGBX* out) {
    uint32_t sb = 0, sg = 0, sr = 0, sum = 0;
    for (int dy = -1; dy <= 1; ++dy) {
        const int yy = y + dy;
        if (yy < 0 || yy >= h) continue;
        for (int dx = -1; dx <= 1; ++dx) {
            const int xx = x + dx;
            if (xx < 0 || xx >= w) continue;
            const uint32_t k = (dx == 0 && dy == 0) ? centre : 1;
            const RGBX& p = pSrc[(ptrdiff_t)yy * w + xx];
            sb += k * p.b;
            sg += k * p.g;
            sr += k * p.r;
            sum += k;
        }
    }
    sb /= sum;
    sg /= sum;
    sr /= sum;
    out->b = (BYTE)(sb > 255 ? 255 : sb);
    out->g = (BYTE)(sg > 255 ? 255 : sg);
    out->r = (BYTE)(sr > 255 ? 255 : sr);
}

}  // namespace

CImageBlurrer::CImageBlurrer(int nFactor) : CImage32BitProcessor(0), m_nFactor(ClampFactor(nFactor)) {}

int CImageBlurrer::ProcessPixels(RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst) {
    return kpimg::ProcessorRuns::Blur(*this, pSrc, sizeSrc, pDst, sizeDst, nullptr);
}

namespace kpimg {

int ProcessorRuns::Blur(CImageBlurrer& p, RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst, const uint32_t* pFill) {
    if (!ValidArrays(pSrc, sizeSrc, pDst, sizeDst, p.CalcDestSize(sizeSrc))) return 0;
    const int factor = ClampFactor(p.m_nFactor);
    if (factor == 0) return Copy(pSrc, sizeSrc, pDst, sizeDst);

    const int w = sizeSrc.cx, h = sizeSrc.cy;
    if (w == 0 || h == 0) return 1;
    const uint32_t centre = 55 - 5 * factor;

    // Inner pixels have all nine weights: sum = 8 + centre (13..58). Their
    // channel sums n stay below 255 * sum, and there n / sum equals
    // (n * M) >> 24 with M = ceil(2^24 / sum): the error term n * (M * sum -
    // 2^24) stays below 255 * 58 * 57 < 2^24, and n * M < 2^32.
    const uint32_t weightSum = 8 + centre;
    const uint32_t M = (uint32_t)(((1u << 24) + weightSum - 1) / weightSum);
    const uint32_t centreExtra = centre - 1;

    const size_t lanes = (size_t)w * 4;
    const WideLoops& loops = Wide();
    ForRowBands(h, (long long)w * h, [&](int first, int end, Scratch& scratch) {
        // Per byte lane, three rows added up, then the inner means of a row.
        uint16_t* colSum = nullptr;
        uint8_t* mean = nullptr;
        if (w >= 3 && h >= 3) {
            colSum = (uint16_t*)scratch.Get(lanes * (sizeof(uint16_t) + 1));
            if (colSum != nullptr) mean = (uint8_t*)(colSum + lanes);
        }
        for (int y = first; y < end; ++y) {
            RGBX* out = pDst + (ptrdiff_t)y * w;
            // The fourth byte is not written: the background's stays.
            if (pFill != nullptr)
                for (int x = 0; x < w; ++x)
                    Store32(out + x, *pFill);
            if (colSum == nullptr || y == 0 || y == h - 1) {
                for (int x = 0; x < w; ++x)
                    BlurPixel(pSrc, w, h, x, y, centre, out + x);
                continue;
            }
            const uint8_t* above = (const uint8_t*)(pSrc + (ptrdiff_t)(y - 1) * w);
            const uint8_t* row = (const uint8_t*)(pSrc + (ptrdiff_t)y * w);
            const uint8_t* below = (const uint8_t*)(pSrc + (ptrdiff_t)(y + 1) * w);
            for (size_t i = 0; i < lanes; ++i)
                colSum[i] = (uint16_t)(above[i] + row[i] + below[i]);
            // All four byte lanes at once; the fourth is computed and dropped.
            loops.BlurRow(row, colSum, mean, lanes, centreExtra, M);
            BlurPixel(pSrc, w, h, 0, y, centre, out);
            BlurPixel(pSrc, w, h, w - 1, y, centre, out + w - 1);
            for (int x = 1; x < w - 1; ++x) {
                uint32_t m;
                memcpy(&m, mean + (size_t)x * 4, 4);
                const uint32_t d = Load32(out + x);
                Store32(out + x, (d & 0xFF000000u) | (m & 0x00FFFFFFu));
            }
        }
    });
    return 1;
}

}  // namespace kpimg
