// Helpers shared by the pixel processors: size checks that never wrap and
// saturating conversions.
#pragma once

#include <limits.h>
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "image_processors.h"
#include "wide_loops.h"

namespace kpimg {

// Pixels of an array of size s; false when a dimension is negative or the
// byte count would not fit the address space.
inline bool PixelCount(CSize s, size_t& n) {
    if (s.cx < 0 || s.cy < 0) return false;
    uint64_t count = (uint64_t)(uint32_t)s.cx * (uint64_t)(uint32_t)s.cy;  // < 2^62
    if (count > (uint64_t)(PTRDIFF_MAX / sizeof(RGBX))) return false;
    n = (size_t)count;
    return true;
}

// The checks every ProcessPixels makes before touching memory: both sizes
// addressable, the destination the one the processor plans for this source,
// and no null array where there are pixels.
inline bool ValidArrays(const RGBX* pSrc, CSize sizeSrc, const RGBX* pDst, CSize sizeDst, CSize planned) {
    size_t nSrc, nDst;
    if (!PixelCount(sizeSrc, nSrc) || !PixelCount(sizeDst, nDst)) return false;
    if (sizeDst != planned) return false;
    if ((nSrc > 0 && pSrc == nullptr) || (nDst > 0 && pDst == nullptr)) return false;
    return true;
}

// Truncation toward zero of a double, saturated to the int range (NaN
// gives 0), so an unrepresentable size saturates instead of being undefined.
inline long long TruncSat64(double v) {
    if (v != v) return 0;
    if (v >= 9.0e18) return (long long)9.0e18;
    if (v <= -9.0e18) return -(long long)9.0e18;
    return (long long)v;
}

inline int SatInt(long long v) {
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return (int)v;
}

inline uint32_t Load32(const RGBX* p) {
    uint32_t v;
    memcpy(&v, (const void*)p, 4);
    return v;
}

inline void Store32(RGBX* p, uint32_t v) { memcpy((void*)p, &v, 4); }

// Fills the arrays and sizes of a sampling job from checked arguments, for
// all destination rows; false when the source has no pixels, so there is
// nothing to sample.
inline bool SetFrame(FrameJob& job, RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst, const uint32_t* pFill) {
    if (sizeSrc.cx == 0 || sizeSrc.cy == 0) return false;
    job.src = (const PixelWord*)pSrc;
    job.sw = sizeSrc.cx;
    job.sh = sizeSrc.cy;
    job.dst = (PixelWord*)pDst;
    job.dw = sizeDst.cx;
    job.dh = sizeDst.cy;
    job.y0 = 0;
    job.y1 = sizeDst.cy;
    job.fill = (const PixelWord*)pFill;
    return true;
}

}  // namespace kpimg
