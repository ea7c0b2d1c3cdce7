// Helpers shared by the pixel processors: size checks that never wrap,
// saturating conversions, and the inlined form of the weighted sampler.
#pragma once

#include <limits.h>
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "image_processors.h"

namespace kpimg {

// Pixels of an array of size s; false when a dimension is negative or the
// byte count would not fit the address space.
inline bool PixelCount(CSize s, size_t& n)
{
    if (s.cx < 0 || s.cy < 0) return false;
    uint64_t count = (uint64_t)(uint32_t)s.cx * (uint64_t)(uint32_t)s.cy;  // < 2^62
    if (count > (uint64_t)(PTRDIFF_MAX / sizeof(RGBX))) return false;
    n = (size_t)count;
    return true;
}

// The checks every ProcessPixels makes before touching memory: both sizes
// addressable, the destination the one the processor plans for this source,
// and no null array where there are pixels.
inline bool ValidArrays(const RGBX* pSrc, CSize sizeSrc, const RGBX* pDst, CSize sizeDst, CSize planned)
{
    size_t nSrc, nDst;
    if (!PixelCount(sizeSrc, nSrc) || !PixelCount(sizeDst, nDst)) return false;
    if (sizeDst != planned) return false;
    if ((nSrc > 0 && pSrc == nullptr) || (nDst > 0 && pDst == nullptr)) return false;
    return true;
}

// Truncation toward zero of a double, saturated to the int range (NaN
// gives 0), so an unrepresentable size saturates instead of being undefined.
inline long long TruncSat64(double v)
{
    if (v != v) return 0;
    if (v >= 9.0e18) return (long long)9.0e18;
    if (v <= -9.0e18) return -(long long)9.0e18;
    return (long long)v;
}

inline int SatInt(long long v)
{
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return (int)v;
}

inline uint32_t Load32(const RGBX* p)
{
    uint32_t v;
    memcpy(&v, (const void*)p, 4);
    return v;
}

inline void Store32(RGBX* p, uint32_t v) { memcpy((void*)p, &v, 4); }

// CalcWeightedColor for arrays already checked (w, h > 0). Positions past
// the last column or row, and NaN, are clamped onto the last column or row;
// the processors never produce them, but a sum accumulated over billions of
// steps could, and no position may read outside the array.
inline RGBX WeightedColor(const RGBX* pSrc, int w, int h, double x, double y)
{
    if (x < 0 || y < 0) {
        // Edge path: the pixel itself, fourth byte included.
        ptrdiff_t col = 0, row = 0;
        if (!(x < 0)) col = (x < (double)w) ? (ptrdiff_t)x : w - 1;
        if (!(y < 0)) row = (y < (double)h) ? (ptrdiff_t)y : h - 1;
        return pSrc[row * w + col];
    }
    int ix, iy;
    double fx, fy;
    if (x < (double)w) {
        ix = (int)x;
        fx = x - ix;
    } else {
        ix = w - 1;
        fx = 0.0;
    }
    if (y < (double)h) {
        iy = (int)y;
        fy = y - iy;
    } else {
        iy = h - 1;
        fy = 0.0;
    }
    const int x1 = ix + 1 < w ? ix + 1 : w - 1;
    const int y1 = iy + 1 < h ? iy + 1 : h - 1;
    const RGBX* row = pSrc + (ptrdiff_t)iy * w;
    const RGBX p00 = row[ix];
    const RGBX p10 = row[x1];
    const RGBX p01 = pSrc[(ptrdiff_t)y1 * w + ix];
    const double gx = 1 - fx, gy = 1 - fy;
    RGBX out;
    out.b = (BYTE)(int)(0.5 * (gx * p00.b + fx * p10.b + gy * p00.b + fy * p01.b));
    out.g = (BYTE)(int)(0.5 * (gx * p00.g + fx * p10.g + gy * p00.g + fy * p01.g));
    out.r = (BYTE)(int)(0.5 * (gx * p00.r + fx * p10.r + gy * p00.r + fy * p01.r));
    return out;
}

}  // namespace kpimg
