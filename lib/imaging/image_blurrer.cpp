// 3 x 3 weighted mean: eight neighbours of weight 1 around a heavier centre.
#include "image_processors.h"
#include "pixel_math.h"
#include "processor_runs.h"
#include "wide_loops.h"

namespace {

int ClampFactor(int f) { return f < 0 ? 0 : (f > 10 ? 10 : f); }

// Any pixel, with the neighbours that lie inside the image: the border.
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

    // Inner pixels have all nine weights: sum d = 8 + centre (13..58), and
    // their channel sums n stay below 255 * 58 < 2^14. With 2^s < d <=
    // 2^(s+1) and magic = ceil(2^(16+s) / d) = (2^(16+s) + e) / d, e < d:
    // magic < 2^16, and n * magic / 2^(16+s) exceeds n / d by n * e /
    // (d * 2^(16+s)) < 1 / d since n * e < 2^14 * 2^(s+1), so its floor is
    // the quotient. That fits a 16-bit multiply with a high half.
    const uint32_t weightSum = 8 + centre;
    int shift = 0;
    while ((2u << shift) < weightSum)
        ++shift;
    const uint32_t magic = (uint32_t)(((1u << (16 + shift)) + weightSum - 1) / weightSum);
    const uint32_t centreExtra = centre - 1;

    const WideLoops& loops = Wide();
    // Each band reads its rows and the one above and below it straight from
    // the source, one output row at a time: three rows of the source and one
    // of the destination are all a row needs, so nothing leaves the cache
    // between reading a pixel and its last use.
    ForRowBands(h, (long long)w * h, [&](int first, int end, Scratch&) {
        for (int y = first; y < end; ++y) {
            RGBX* out = pDst + (ptrdiff_t)y * w;
            if (w < 3 || y == 0 || y == h - 1) {
                // The fourth byte is not written: the background's stays.
                if (pFill != nullptr)
                    for (int x = 0; x < w; ++x)
                        Store32(out + x, *pFill);
                for (int x = 0; x < w; ++x)
                    BlurPixel(pSrc, w, h, x, y, centre, out + x);
                continue;
            }
            if (pFill != nullptr) {
                Store32(out, *pFill);
                Store32(out + w - 1, *pFill);
            }
            BlurPixel(pSrc, w, h, 0, y, centre, out);
            BlurPixel(pSrc, w, h, w - 1, y, centre, out + w - 1);
            const PixelWord* row = (const PixelWord*)(pSrc + (ptrdiff_t)y * w);
            loops.BlurInner(row - w, row, row + w, (PixelWord*)out, w, (const PixelWord*)pFill, centreExtra, magic,
                            shift);
        }
    });
    return 1;
}

}  // namespace kpimg
