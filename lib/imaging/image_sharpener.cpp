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
    auto convert = [w](const RGBX* in, double* to) {
        for (int x = 0; x < w; ++x) {
            to[x] = in[x].b;
            to[w + x] = in[x].g;
            to[2 * w + x] = in[x].r;
        }
    };
    ForRowBands(h, (long long)w * h, [&](int first, int end, Scratch& scratch) {
        // The outermost ring is copied whole; inner pixels keep the
        // background's fourth byte.
        for (int y = first; y < end; ++y) {
            const RGBX* in = pSrc + (ptrdiff_t)y * w;
            RGBX* out = pDst + (ptrdiff_t)y * w;
            if (y == 0 || y == h - 1) {
                for (int x = 0; x < w; ++x)
                    out[x] = in[x];
                continue;
            }
            if (pFill != nullptr)
                for (int x = 1; x < w - 1; ++x)
                    Store32(out + x, *pFill);
            out[0] = in[0];
            out[w - 1] = in[w - 1];
        }
        if (w < 3 || h < 3) return;
        const int y0 = first > 1 ? first : 1;
        const int y1 = end < h - 1 ? end : h - 1;
        if (y0 >= y1) return;

        // Three source rows as doubles, one plane per colour, rolled down
        // the band so every row is converted once (the two above the band
        // once more); the fourth byte is never read.
        const size_t rowLen = (size_t)w * 3;
        double* rows = (double*)scratch.Get(rowLen * 3 * sizeof(double) + rowLen);
        if (rows == nullptr) {
            for (int y = y0; y < y1; ++y)
                for (int x = 1; x < w - 1; ++x)
                    SharpenPixel(pSrc, w, x, y, k, pDst + (ptrdiff_t)y * w + x);
            return;
        }
        uint8_t* result = (uint8_t*)(rows + rowLen * 3);
        double* line[3] = {rows, rows + rowLen, rows + 2 * rowLen};
        convert(pSrc + (ptrdiff_t)(y0 - 1) * w, line[(y0 - 1) % 3]);
        convert(pSrc + (ptrdiff_t)y0 * w, line[y0 % 3]);
        const double kc = k.c, kh = k.h;
        for (int y = y0; y < y1; ++y) {
            double* next = line[(y + 1) % 3];
            convert(pSrc + (ptrdiff_t)(y + 1) * w, next);
            for (int c = 0; c < 3; ++c)
                loops.SharpenRow(line[(y - 1) % 3] + (size_t)c * w, line[y % 3] + (size_t)c * w, next + (size_t)c * w,
                                 result + (size_t)c * w, w, kc, kh);
            RGBX* out = pDst + (ptrdiff_t)y * w;
            for (int x = 1; x < w - 1; ++x) {
                const uint32_t m = result[x] | (uint32_t)result[w + x] << 8 | (uint32_t)result[2 * w + x] << 16;
                const uint32_t dv = Load32(out + x);
                Store32(out + x, (dv & 0xFF000000u) | m);
            }
        }
    });
    return 1;
}

}  // namespace kpimg
