// 3 x 3 sharpening kernel, summed in double precision row by row from the
// top-left neighbour, left to right. That order is part of the result.
#include "image_processors.h"
#include "pixel_math.h"
#include "processor_runs.h"
#include "wide_loops.h"

namespace {

int ClampFactor(int f) { return f < 0 ? 0 : (f > 10 ? 10 : f); }

inline uint8_t ToByte(double v) {
    if (v < 0) v = 0;
    if (v > 255) v = 255;
    return (uint8_t)(int)v;
}

struct Kernel {
    double c;  // corners
    double h;  // edge neighbours
};

inline double KernelSum(const Kernel& k, double a0, double a1, double a2, double b0, double b1, double b2, double c0,
                        double c1, double c2) {
    return k.c * a0 + k.h * a1 + k.c * a2 + k.h * b0 + 2.0 * b1 + k.h * b2 + k.c * c0 + k.h * c1 + k.c * c2;
}

// One inner pixel straight from the source (used when no row buffer could
// be had).
void SharpenPixel(const RGBX* pSrc, int w, int x, int y, const Kernel& k, RGBX* out) {
    const RGBX* a = pSrc + (ptrdiff_t)(y - 1) * w + x;
    const RGBX* b = a + w;
    const RGBX* c = b + w;
    out->b = ToByte(KernelSum(k, a[-1].b, a[0].b, a[1].b, b[-1].b, b[0].b, b[1].b, c[-1].b, c[0].b, c[1].b));
    out->g = ToByte(KernelSum(k, a[-1].g, a[0].g, a[1].g, b[-1].g, b[0].g, b[1].g, c[-1].g, c[0].g, c[1].g));
    out->r = ToByte(KernelSum(k, a[-1].r, a[0].r, a[1].r, b[-1].r, b[0].r, b[1].r, c[-1].r, c[0].r, c[1].r));
}

}  // namespace

CImageSharpener::CImageSharpener(int nFactor) : CImage32BitProcessor(0), m_nFactor(ClampFactor(nFactor)) {}

int CImageSharpener::ProcessPixels(RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst) {
    return kpimg::ProcessorRuns::Sharpen(*this, pSrc, sizeSrc, pDst, sizeDst, nullptr);
}

namespace kpimg {

int ProcessorRuns::Sharpen(CImageSharpener& p, RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst,
                           const uint32_t* pFill) {
    if (!ValidArrays(pSrc, sizeSrc, pDst, sizeDst, p.CalcDestSize(sizeSrc))) return 0;
    const int factor = ClampFactor(p.m_nFactor);
    if (factor == 0) return Copy(pSrc, sizeSrc, pDst, sizeDst);

    const int w = sizeSrc.cx, h = sizeSrc.cy;
    if (w == 0 || h == 0) return 1;
    const double e = 1.0 / (51 - 5 * factor);
    Kernel k;
    k.h = -1 / (4 * (1 + e));
    k.c = -e / (4 * (1 + e));

    const WideLoops& loops = Wide();
    ForRowBands(h, (long long)w * h, [&](int first, int end, Scratch& scratch) {
        if (w < 3 || h < 3) {
            for (int y = first; y < end; ++y)
                for (int x = 0; x < w; ++x)
                    pDst[(ptrdiff_t)y * w + x] = pSrc[(ptrdiff_t)y * w + x];
            return;
        }
        // The outermost ring is copied whole.
        for (int y = first; y < end; ++y)
            if (y == 0 || y == h - 1)
                memcpy((void*)(pDst + (ptrdiff_t)y * w), (const void*)(pSrc + (ptrdiff_t)y * w), (size_t)w * 4);
        const int y0 = first > 1 ? first : 1;
        const int y1 = end < h - 1 ? end : h - 1;
        if (y0 >= y1) return;

        // Three source rows as doubles, one plane per colour, rolled down
        // the band so every row is converted once (the two above the band
        // once more) and each output row is computed, its edge pixels copied
        // and its fourth bytes kept while its three rows are in the cache;
        // the source's fourth byte is never read.
        const size_t rowLen = (size_t)w * 3;
        double* rows = (double*)scratch.Get(rowLen * 3 * sizeof(double));
        if (rows == nullptr) {
            for (int y = y0; y < y1; ++y) {
                RGBX* out = pDst + (ptrdiff_t)y * w;
                const RGBX* in = pSrc + (ptrdiff_t)y * w;
                for (int x = 1; x < w - 1; ++x) {
                    if (pFill != nullptr) Store32(out + x, *pFill);
                    SharpenPixel(pSrc, w, x, y, k, out + x);
                }
                out[0] = in[0];
                out[w - 1] = in[w - 1];
            }
            return;
        }
        double* line[3] = {rows, rows + rowLen, rows + 2 * rowLen};
        const PixelWord* src = (const PixelWord*)pSrc;
        loops.SharpenPlanes(src + (ptrdiff_t)(y0 - 1) * w, line[(y0 - 1) % 3], w);
        loops.SharpenPlanes(src + (ptrdiff_t)y0 * w, line[y0 % 3], w);
        for (int y = y0; y < y1; ++y) {
            double* next = line[(y + 1) % 3];
            loops.SharpenPlanes(src + (ptrdiff_t)(y + 1) * w, next, w);
            RGBX* out = pDst + (ptrdiff_t)y * w;
            const RGBX* in = pSrc + (ptrdiff_t)y * w;
            loops.SharpenInner(line[(y - 1) % 3], line[y % 3], next, (PixelWord*)out, w, (const PixelWord*)pFill, k.c,
                               k.h);
            out[0] = in[0];
            out[w - 1] = in[w - 1];
        }
    });
    return 1;
}

}  // namespace kpimg
