// The hot loops of the processors, compiled once per instruction set:
// wide_loops_base.cpp for the baseline (SSE2 on x86-64) and
// wide_loops_avx2.cpp with AVX2. Both evaluate the same double-precision
// operations in the same order (no contraction, no reassociation), so they
// give identical pixels; the wider registers only take more channels or
// pixels in one step. The one shortcut (InterpolateWordsFar) is taken only
// where every operation it leaves out is exact, so that its sum is the
// same number.
//
// Included only by those two files, inside the namespace that names the
// instruction set. Everything here is internal to that namespace and uses
// no inline function of another header, so no code built for AVX2 can
// stand in for baseline code at link time.

#ifndef KP_WIDE_NAMESPACE
#error "define KP_WIDE_NAMESPACE before including wide_loops_impl.h"
#endif

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#if defined(__AVX2__)
#include <immintrin.h>
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "wide_loops.h"

namespace KP_WIDE_NAMESPACE {

using kpimg::EnlargeJob;
using kpimg::PixelWord;
using kpimg::RotateJob;
using kpimg::ShearJob;

namespace {

inline uint32_t Load(const PixelWord* p) { return *p; }

inline void FillRow(PixelWord* row, int n, const PixelWord* fill) {
    if (fill == nullptr) return;
    const PixelWord v = *fill;
    for (int i = 0; i < n; ++i)
        row[i] = v;
}

// Per colour: 0.5 * ((1 - fx) * P00 + fx * P10 + (1 - fy) * P00 + fy * P01),
// summed left to right, truncated; the fourth byte 0.
#if defined(__AVX2__)
inline uint32_t Interpolate(const PixelWord* p00, const PixelWord* p10, const PixelWord* p01, double fx, double fy) {
    const __m256d a = _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(_mm_cvtsi32_si128((int)*p00)));
    const __m256d b = _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(_mm_cvtsi32_si128((int)*p10)));
    const __m256d d = _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(_mm_cvtsi32_si128((int)*p01)));
    __m256d s = _mm256_add_pd(_mm256_mul_pd(_mm256_set1_pd(1 - fx), a), _mm256_mul_pd(_mm256_set1_pd(fx), b));
    s = _mm256_add_pd(s, _mm256_mul_pd(_mm256_set1_pd(1 - fy), a));
    s = _mm256_mul_pd(_mm256_set1_pd(0.5), _mm256_add_pd(s, _mm256_mul_pd(_mm256_set1_pd(fy), d)));
    __m128i i = _mm256_cvttpd_epi32(s);
    i = _mm_packus_epi16(_mm_packus_epi32(i, i), i);
    return (uint32_t)_mm_cvtsi128_si32(i) & 0x00FFFFFFu;
}
#elif defined(__SSE2__)
inline uint32_t Interpolate(const PixelWord* p00, const PixelWord* p10, const PixelWord* p01, double fx, double fy) {
    const __m128i z = _mm_setzero_si128();
    const __m128i a = _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128((int)*p00), z), z);
    const __m128i b = _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128((int)*p10), z), z);
    const __m128i d = _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128((int)*p01), z), z);
    const __m128d gx = _mm_set1_pd(1 - fx), vx = _mm_set1_pd(fx);
    const __m128d gy = _mm_set1_pd(1 - fy), vy = _mm_set1_pd(fy), half = _mm_set1_pd(0.5);
    const __m128d aLo = _mm_cvtepi32_pd(a), aHi = _mm_cvtepi32_pd(_mm_shuffle_epi32(a, 0xEE));
    const __m128d bLo = _mm_cvtepi32_pd(b), bHi = _mm_cvtepi32_pd(_mm_shuffle_epi32(b, 0xEE));
    const __m128d dLo = _mm_cvtepi32_pd(d), dHi = _mm_cvtepi32_pd(_mm_shuffle_epi32(d, 0xEE));
    __m128d lo = _mm_add_pd(_mm_mul_pd(gx, aLo), _mm_mul_pd(vx, bLo));
    __m128d hi = _mm_add_pd(_mm_mul_pd(gx, aHi), _mm_mul_pd(vx, bHi));
    lo = _mm_add_pd(lo, _mm_mul_pd(gy, aLo));
    hi = _mm_add_pd(hi, _mm_mul_pd(gy, aHi));
    lo = _mm_mul_pd(half, _mm_add_pd(lo, _mm_mul_pd(vy, dLo)));
    hi = _mm_mul_pd(half, _mm_add_pd(hi, _mm_mul_pd(vy, dHi)));
    const __m128i i4 = _mm_unpacklo_epi64(_mm_cvttpd_epi32(lo), _mm_cvttpd_epi32(hi));
    return (uint32_t)_mm_cvtsi128_si32(_mm_packus_epi16(_mm_packs_epi32(i4, i4), z)) & 0x00FFFFFFu;
}
#else
inline uint32_t Interpolate(const PixelWord* p00, const PixelWord* p10, const PixelWord* p01, double fx, double fy) {
    const double gx = 1 - fx, gy = 1 - fy;
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const int a = (*p00 >> shift) & 0xFF, b = (*p10 >> shift) & 0xFF, d = (*p01 >> shift) & 0xFF;
        out |= (uint32_t)(int)(0.5 * (gx * a + fx * b + gy * a + fy * d)) << shift;
    }
    return out;
}
#endif

// CalcWeightedColor on a checked array (w, h > 0): the negative edge path,
// the clamps at the last column and row, and (for positions no processor
// produces) a clamp of anything at or past the end.
inline uint32_t Sample(const PixelWord* src, int w, int h, double x, double y) {
    if (x < 0 || y < 0) {
        ptrdiff_t col = 0, row = 0;
        if (!(x < 0)) col = (x < (double)w) ? (ptrdiff_t)x : w - 1;
        if (!(y < 0)) row = (y < (double)h) ? (ptrdiff_t)y : h - 1;
        return Load(src + row * w + col);
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
    const PixelWord* row = src + (ptrdiff_t)iy * w;
    const int x1 = ix + 1 < w ? ix + 1 : w - 1;
    const int y1 = iy + 1 < h ? iy + 1 : h - 1;
    return Interpolate(row + ix, row + x1, src + (ptrdiff_t)y1 * w + ix, fx, fy);
}

// Sample for a position known to lie in [0, w - 1) x [0, h - 1): no edge
// path and no clamps (the neighbours exist), the same arithmetic.
inline uint32_t SampleInner(const PixelWord* src, ptrdiff_t w, double x, double y) {
    const int ix = (int)x, iy = (int)y;
    const PixelWord* p = src + iy * w + ix;
    return Interpolate(p, p + 1, p + w, x - ix, y - iy);
}

#if defined(__AVX2__)
// Four pixels from their words a (the pixel), b (its right neighbour) and
// d (the one below) and the weights of their lanes. A register holds one
// colour of the four pixels, so the three colours take three steps of the
// same products and sums as Interpolate, lane by lane, and the fourth byte
// is never computed. The sum X is never negative, so 0.5 * X truncated
// (X / 2 exactly) is X truncated, halved: an integer shift in place of the
// multiplication.
inline __m128i InterpolateWords(__m128i a, __m128i b, __m128i d, __m256d gx, __m256d fx, __m256d gy, __m256d fy) {
    __m128i out = _mm_setzero_si128();
    for (int k = 0; k < 3; ++k) {
        // Byte k of each word, alone in its lane.
        const __m128i pick = _mm_setr_epi8((char)k, -1, -1, -1, (char)(4 + k), -1, -1, -1, (char)(8 + k), -1, -1, -1,
                                           (char)(12 + k), -1, -1, -1);
        const __m256d ak = _mm256_cvtepi32_pd(_mm_shuffle_epi8(a, pick));
        const __m256d bk = _mm256_cvtepi32_pd(_mm_shuffle_epi8(b, pick));
        const __m256d dk = _mm256_cvtepi32_pd(_mm_shuffle_epi8(d, pick));
        __m256d s = _mm256_add_pd(_mm256_mul_pd(gx, ak), _mm256_mul_pd(fx, bk));
        s = _mm256_add_pd(s, _mm256_mul_pd(gy, ak));
        s = _mm256_add_pd(s, _mm256_mul_pd(fy, dk));
        // Every result is 0..255: the colours do not overlap.
        out = _mm_or_si128(out, _mm_sll_epi32(_mm_srli_epi32(_mm256_cvttpd_epi32(s), 1), _mm_cvtsi32_si128(8 * k)));
    }
    return out;
}

// InterpolateWords where every position is at least 256 in both
// coordinates. There each weight is a multiple of 2^-44 below 1 and each
// colour below 2^8, so every product and partial sum of InterpolateWords
// is exact, and the sum is the exact value 2a + fx (b - a) + fy (d - a),
// computed here with two products instead of four.
inline __m128i InterpolateWordsFar(__m128i a, __m128i b, __m128i d, __m256d fx, __m256d fy) {
    __m128i out = _mm_setzero_si128();
    for (int k = 0; k < 3; ++k) {
        const __m128i pick = _mm_setr_epi8((char)k, -1, -1, -1, (char)(4 + k), -1, -1, -1, (char)(8 + k), -1, -1, -1,
                                           (char)(12 + k), -1, -1, -1);
        const __m128i ak = _mm_shuffle_epi8(a, pick);
        const __m256d twice = _mm256_cvtepi32_pd(_mm_slli_epi32(ak, 1));
        const __m256d across = _mm256_cvtepi32_pd(_mm_sub_epi32(_mm_shuffle_epi8(b, pick), ak));
        const __m256d below = _mm256_cvtepi32_pd(_mm_sub_epi32(_mm_shuffle_epi8(d, pick), ak));
        const __m256d s = _mm256_add_pd(_mm256_add_pd(twice, _mm256_mul_pd(fx, across)), _mm256_mul_pd(fy, below));
        out = _mm_or_si128(out, _mm_sll_epi32(_mm_srli_epi32(_mm256_cvttpd_epi32(s), 1), _mm_cvtsi32_si128(8 * k)));
    }
    return out;
}

// Four inner pixels at (x, y) lanes, packed into four pixel words. Four
// that lie side by side in one row, as a shear's mostly do, are read with
// three loads.
template <bool kFar>
inline __m128i InterpolateFour(const PixelWord* src, int w, __m256d x, __m256d y) {
    const __m128i ix = _mm256_cvttpd_epi32(x), iy = _mm256_cvttpd_epi32(y);
    const __m256d fx = _mm256_sub_pd(x, _mm256_cvtepi32_pd(ix));
    const __m256d fy = _mm256_sub_pd(y, _mm256_cvtepi32_pd(iy));
    const __m256d one = _mm256_set1_pd(1.0);
    const __m256d gx = _mm256_sub_pd(one, fx), gy = _mm256_sub_pd(one, fy);
    const __m128i index = _mm_add_epi32(_mm_mullo_epi32(iy, _mm_set1_epi32(w)), ix);
    const int first = _mm_cvtsi128_si32(index);
    const __m128i side = _mm_add_epi32(_mm_set1_epi32(first), _mm_setr_epi32(0, 1, 2, 3));
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(index, side)) == 0xFFFF) {
        const PixelWord* p = src + first;
        if (kFar)
            return InterpolateWordsFar(_mm_loadu_si128((const __m128i*)p), _mm_loadu_si128((const __m128i*)(p + 1)),
                                       _mm_loadu_si128((const __m128i*)(p + w)), fx, fy);
        return InterpolateWords(_mm_loadu_si128((const __m128i*)p), _mm_loadu_si128((const __m128i*)(p + 1)),
                                _mm_loadu_si128((const __m128i*)(p + w)), gx, fx, gy, fy);
    }
    alignas(16) int idx[4];
    _mm_store_si128((__m128i*)idx, index);
    // Each pixel with its right neighbour in one load, then the four pixels
    // and the four right neighbours gathered into a register each.
    const __m128i q01 = _mm_unpacklo_epi64(_mm_loadl_epi64((const __m128i*)(src + idx[0])),
                                           _mm_loadl_epi64((const __m128i*)(src + idx[1])));
    const __m128i q23 = _mm_unpacklo_epi64(_mm_loadl_epi64((const __m128i*)(src + idx[2])),
                                           _mm_loadl_epi64((const __m128i*)(src + idx[3])));
    const __m128i a =
        _mm_castps_si128(_mm_shuffle_ps(_mm_castsi128_ps(q01), _mm_castsi128_ps(q23), _MM_SHUFFLE(2, 0, 2, 0)));
    const __m128i b =
        _mm_castps_si128(_mm_shuffle_ps(_mm_castsi128_ps(q01), _mm_castsi128_ps(q23), _MM_SHUFFLE(3, 1, 3, 1)));
    const __m128i d =
        _mm_setr_epi32((int)src[idx[0] + w], (int)src[idx[1] + w], (int)src[idx[2] + w], (int)src[idx[3] + w]);
    if (kFar) return InterpolateWordsFar(a, b, d, fx, fy);
    return InterpolateWords(a, b, d, gx, fx, gy, fy);
}

// Four inner pixels at (x, y) lanes anywhere in the source (as a
// rotation's are), packed into four pixel words: one pixel's four colours
// to a register, each of its three words read straight into place, and
// each lane's weights taken from memory as broadcasts rather than
// shuffled out of a register. The source lines ahead pixels further on are
// asked for meanwhile: a rotation walks the source along a slant that the
// hardware does not foresee.
inline __m128i InterpolateScattered(const PixelWord* src, int w, __m256d x, __m256d y, ptrdiff_t ahead) {
    const __m128i ix = _mm256_cvttpd_epi32(x), iy = _mm256_cvttpd_epi32(y);
    const __m256d fx = _mm256_sub_pd(x, _mm256_cvtepi32_pd(ix));
    const __m256d fy = _mm256_sub_pd(y, _mm256_cvtepi32_pd(iy));
    const __m256d one = _mm256_set1_pd(1.0);
    alignas(32) double weights[4][4];
    _mm256_store_pd(weights[0], _mm256_sub_pd(one, fx));
    _mm256_store_pd(weights[1], fx);
    _mm256_store_pd(weights[2], _mm256_sub_pd(one, fy));
    _mm256_store_pd(weights[3], fy);
    alignas(16) int idx[4];
    _mm_store_si128((__m128i*)idx, _mm_add_epi32(_mm_mullo_epi32(iy, _mm_set1_epi32(w)), ix));
    // Only an address: it may lie outside the source, where a prefetch
    // does nothing.
    const uintptr_t later = (uintptr_t)(src + idx[0]) + (uintptr_t)ahead * sizeof(PixelWord);
    __builtin_prefetch((const void*)later);
    __builtin_prefetch((const void*)(later + (uintptr_t)w * sizeof(PixelWord)));
    __m128i r[4];
    for (int l = 0; l < 4; ++l) {
        const PixelWord* p = src + idx[l];
        const __m256d a = _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(_mm_cvtsi32_si128((int)p[0])));
        const __m256d b = _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(_mm_cvtsi32_si128((int)p[1])));
        const __m256d d = _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(_mm_cvtsi32_si128((int)p[w])));
        __m256d s = _mm256_add_pd(_mm256_mul_pd(_mm256_broadcast_sd(&weights[0][l]), a),
                                  _mm256_mul_pd(_mm256_broadcast_sd(&weights[1][l]), b));
        s = _mm256_add_pd(s, _mm256_mul_pd(_mm256_broadcast_sd(&weights[2][l]), a));
        s = _mm256_add_pd(s, _mm256_mul_pd(_mm256_broadcast_sd(&weights[3][l]), d));
        r[l] = _mm256_cvttpd_epi32(s);
    }
    // Halved as in InterpolateWords; every sum is 0..510 before and 0..255
    // after, so the saturating packs are exact.
    const __m128i lo = _mm_srli_epi16(_mm_packus_epi32(r[0], r[1]), 1);
    const __m128i hi = _mm_srli_epi16(_mm_packus_epi32(r[2], r[3]), 1);
    return _mm_and_si128(_mm_packus_epi16(lo, hi), _mm_set1_epi32(0x00FFFFFF));
}
#endif

}  // namespace

void RotatePixels(const RotateJob& j) {
    const int sw = j.sw, sh = j.sh, dw = j.dw, dh = j.dh;
    const int dcx = dw / 2 + dw % 2, dcy = dh / 2 + dh % 2;
    const int scx = sw / 2 + sw % 2, scy = sh / 2 + sh % 2;
    // Accepted: left and top included, right and bottom excluded, one short
    // of the source, so its last column and row are never sampled.
    const long long left = -scx, top = -scy, right = sw - 1 - scx, bottom = sh - 1 - scy;
    const double C = j.cosine, S = j.sine;
    const PixelWord* src = j.src;
    // Inside these bounds both neighbours exist and no clamp applies.
    const double innerRight = sw - 1, innerBottom = sh - 1;
#if defined(__AVX2__)
    const bool indexFitsInt = (long long)sw * sh <= 0x7FFFFFFFLL;
#endif
    // One pixel of the weighted rotation at position (a, b): left alone when
    // the position is refused.
    auto sampleAt = [&](PixelWord* o, double a, double b) {
        const long long px = (long long)a, py = (long long)b;
        if (px < left || px >= right || py < top || py >= bottom) return;
        const double x = scx + a, y = scy + b;
        *o = x >= 0 && y >= 0 && x < innerRight && y < innerBottom ? SampleInner(src, sw, x, y)
                                                                   : Sample(src, sw, sh, x, y);
    };
#if defined(__AVX2__)
    if (j.weighted && indexFitsInt) {
        // Tiles of kRows rows by kBlock columns: the rows of a tile sample
        // neighbouring lines of the source, which stay in the cache from one
        // row to the next, where a whole row would sweep a long diagonal
        // through the source before the next one came back to it. Each row
        // keeps its running sums from tile to tile, so every position is
        // the same sum as along the whole row; the rows' sums go side by
        // side, so no row waits for its previous sum. Then the positions
        // are tested and sampled four at a time, each lane with the same
        // truncations, comparisons and sums as one pixel below.
        const int kRows = 8, kBlock = 128;  // kRows: two registers of sums
        // Where in the source the same row stands a tile further on, as an
        // offset in pixels; the sign is taken care of in unsigned sums.
        const ptrdiff_t ahead = (ptrdiff_t)(-kBlock * S) * sw + (ptrdiff_t)(kBlock * C);
        double pa[kRows][kBlock + 4], pb[kRows][kBlock + 4];
        const __m128i vLeftLess1 = _mm_set1_epi32((int)left - 1), vRight = _mm_set1_epi32((int)right);
        const __m128i vTopLess1 = _mm_set1_epi32((int)top - 1), vBottom = _mm_set1_epi32((int)bottom);
        const __m256d vScx = _mm256_set1_pd((double)scx), vScy = _mm256_set1_pd((double)scy);
        const __m256d zero = _mm256_setzero_pd(), vInnerRight = _mm256_set1_pd(innerRight),
                      vInnerBottom = _mm256_set1_pd(innerBottom);
        for (int r0 = j.y0; r0 < j.y1; r0 += kRows) {
            const int nRows = j.y1 - r0 < kRows ? j.y1 - r0 : kRows;
            // Running sums: column k sits at k + 1 - dcx; the sampled pixel
            // depends on the accumulated value, so they stay sums. The eight
            // rows' sums are two registers of four rows each (rows past the
            // band are summed too and never used); four columns of them at a
            // time are turned into four columns of each row.
            alignas(32) double A[kRows], B[kRows];
            for (int l = 0; l < kRows; ++l) {
                const int yy = r0 + l - dcy;
                A[l] = yy * S - dcx * C;
                B[l] = yy * C + dcx * S;
            }
            __m256d sums[4] = {_mm256_load_pd(A), _mm256_load_pd(A + 4), _mm256_load_pd(B), _mm256_load_pd(B + 4)};
            const __m256d vC = _mm256_set1_pd(C), vS = _mm256_set1_pd(S);
            for (int k0 = 0; k0 < dw; k0 += kBlock) {
                const int n = dw - k0 < kBlock ? dw - k0 : kBlock;
                // Whole steps of four columns, the last one past n when n
                // is not a multiple of four (its sums are never used, and
                // the next tile starts from the sums of column n - 1).
                for (int i = 0; i < n; i += 4) {
                    const int steps = n - i < 4 ? n - i : 4;
                    for (int q = 0; q < 4; ++q) {
                        __m256d c[4];
                        __m256d v = sums[q];
                        for (int t = 0; t < 4; ++t) {
                            if (t < steps) v = q < 2 ? _mm256_add_pd(v, vC) : _mm256_sub_pd(v, vS);
                            c[t] = v;
                        }
                        sums[q] = v;
                        const __m256d t0 = _mm256_unpacklo_pd(c[0], c[1]), t1 = _mm256_unpackhi_pd(c[0], c[1]);
                        const __m256d t2 = _mm256_unpacklo_pd(c[2], c[3]), t3 = _mm256_unpackhi_pd(c[2], c[3]);
                        double(*to)[kBlock + 4] = q < 2 ? pa : pb;
                        const int l0 = (q % 2) * 4;
                        _mm256_storeu_pd(to[l0] + i, _mm256_permute2f128_pd(t0, t2, 0x20));
                        _mm256_storeu_pd(to[l0 + 1] + i, _mm256_permute2f128_pd(t1, t3, 0x20));
                        _mm256_storeu_pd(to[l0 + 2] + i, _mm256_permute2f128_pd(t0, t2, 0x31));
                        _mm256_storeu_pd(to[l0 + 3] + i, _mm256_permute2f128_pd(t1, t3, 0x31));
                    }
                }
                for (int l = 0; l < nRows; ++l) {
                    PixelWord* o = j.dst + (ptrdiff_t)(r0 + l) * dw + k0;
                    FillRow(o, n, j.fill);
                    const double* ra = pa[l];
                    const double* rb = pb[l];
                    int i = 0;
                    for (; i + 4 <= n; i += 4) {
                        const __m256d va = _mm256_loadu_pd(ra + i), vb = _mm256_loadu_pd(rb + i);
                        // A truncation past the int range gives INT_MIN,
                        // which is refused as any position that far out is.
                        const __m128i px = _mm256_cvttpd_epi32(va), py = _mm256_cvttpd_epi32(vb);
                        const __m128i accepted =
                            _mm_and_si128(_mm_and_si128(_mm_cmpgt_epi32(px, vLeftLess1), _mm_cmpgt_epi32(vRight, px)),
                                          _mm_and_si128(_mm_cmpgt_epi32(py, vTopLess1), _mm_cmpgt_epi32(vBottom, py)));
                        const int acceptedMask = _mm_movemask_ps(_mm_castsi128_ps(accepted));
                        if (acceptedMask == 0) continue;
                        const __m256d vx = _mm256_add_pd(vScx, va), vy = _mm256_add_pd(vScy, vb);
                        const __m256d inner = _mm256_and_pd(
                            _mm256_and_pd(_mm256_cmp_pd(vx, zero, _CMP_GE_OQ), _mm256_cmp_pd(vy, zero, _CMP_GE_OQ)),
                            _mm256_and_pd(_mm256_cmp_pd(vx, vInnerRight, _CMP_LT_OQ),
                                          _mm256_cmp_pd(vy, vInnerBottom, _CMP_LT_OQ)));
                        if (acceptedMask == 0xF && _mm256_movemask_pd(inner) == 0xF) {
                            _mm_storeu_si128((__m128i*)(o + i), InterpolateScattered(src, sw, vx, vy, ahead));
                            continue;
                        }
                        for (int m = i; m < i + 4; ++m)
                            sampleAt(o + m, ra[m], rb[m]);
                    }
                    for (; i < n; ++i)
                        sampleAt(o + i, ra[i], rb[i]);
                }
            }
        }
        return;
    }
#endif
    for (int r = j.y0; r < j.y1; ++r) {
        const int yy = r - dcy;
        // Running sums: column k sits at k + 1 - dcx; the sampled pixel
        // depends on the accumulated value, so they stay sums.
        double A = yy * S - dcx * C;
        double B = yy * C + dcx * S;
        PixelWord* out = j.dst + (ptrdiff_t)r * dw;
        FillRow(out, dw, j.fill);

        if (!j.weighted) {
            for (int k = 0; k < dw; ++k) {
                A = A + C;
                B = B - S;
                // |A|, |B| stay below twice the canvas size, inside 64 bits.
                const long long px = (long long)A, py = (long long)B;
                if (px < left || px >= right || py < top || py >= bottom) continue;
                out[k] = src[(ptrdiff_t)(py + scy) * sw + (px + scx)];
            }
            continue;
        }
        for (int k = 0; k < dw; ++k) {
            A = A + C;
            B = B - S;
            sampleAt(out + k, A, B);
        }
    }
}

void ShearPixels(const ShearJob& j) {
    const int sw = j.sw, sh = j.sh, dw = j.dw, dh = j.dh;
    // Products in double: exact wherever an int product would not overflow.
    const double across = j.across, down = j.down;
    // The per-column offsets of a whole row when there is memory for them,
    // so that whole rows are computed one after another: the source rows
    // they sample are then read as they lie in memory, each once. Without
    // it, columns in blocks with their offsets on the stack. When the job
    // fills, each position that samples nothing gets the background as
    // its row is computed: filling the row first would write the whole
    // destination twice.
    double stackOffsets[256];
    const int kBlock = j.rowScratch != nullptr ? dw : 256;
    double* const offY = j.rowScratch != nullptr ? j.rowScratch : stackOffsets;
    const PixelWord* src = j.src;
    PixelWord* dst = j.dst;
    const bool weighted = j.weighted;
    // Inside these bounds both neighbours exist and no clamp applies.
    const double innerRight = sw - 1, innerBottom = sh - 1;
#if defined(__AVX2__)
    const bool indexFitsInt = (long long)sw * sh <= 0x7FFFFFFFLL;
#endif
    for (int x0 = 0; x0 < dw; x0 += kBlock) {
        const int n = dw - x0 < kBlock ? dw - x0 : kBlock;
        for (int i = 0; i < n; ++i) {
            const int x = x0 + i;
            if (j.down > 0)
                offY[i] = down * x / dw;
            else if (j.down < 0)
                offY[i] = -down * (dw - x) / dw;
            else
                offY[i] = 0;
        }
        for (int y = j.y0; y < j.y1; ++y) {
            double offX = 0;
            if (j.across > 0)
                offX = (double)(dh - y) * across / dh;
            else if (j.across < 0)
                offX = -across * y / dh;
            PixelWord* out = dst + (ptrdiff_t)y * dw + x0;
            auto sxAt = [&](int k) { return (double)(x0 + k) - offX; };
            auto syAt = [&](int k) { return y - offY[k]; };
            if (!weighted) {
                for (int i = 0; i < n; ++i) {
                    const double sx = sxAt(i), sy = syAt(i);
                    // trunc(s) in [0, size) exactly when -1 < s < size.
                    if (sx > -1.0 && sx < sw && sy > -1.0 && sy < sh)
                        out[i] = src[(ptrdiff_t)(int)sy * sw + (int)sx];
                    else if (j.fill != nullptr)
                        out[i] = *j.fill;
                }
                continue;
            }
            // One weighted pixel, or the background where nothing is sampled.
            auto one = [&](int k) {
                const double sx = sxAt(k), sy = syAt(k);
                if (sx >= 0 && sy >= 0 && sx < innerRight && sy < innerBottom)
                    out[k] = SampleInner(src, sw, sx, sy);
                else if (sx > -1.0 && sx < sw && sy > -1.0 && sy < sh)
                    out[k] = Sample(src, sw, sh, sx, sy);
                else if (j.fill != nullptr)
                    out[k] = *j.fill;
            };
            // Both coordinates are monotonic along the row (a rounded sum
            // of a monotonic term), so the inner positions are one run
            // [lo, hi): found by bisection with the same comparisons as
            // the pixels make, then sampled without them.
            auto first = [n](int from, auto pred) {  // pred false, then true
                int lo = from, hi = n;
                while (lo < hi) {
                    const int mid = lo + (hi - lo) / 2;
                    if (pred(mid))
                        hi = mid;
                    else
                        lo = mid + 1;
                }
                return lo;
            };
            const int xLo = first(0, [&](int k) { return sxAt(k) >= 0; });
            const int xHi = first(xLo, [&](int k) { return !(sxAt(k) < innerRight); });
            // The row offset falls along the row when down >= 0, else rises.
            const bool falls = j.down >= 0;
            const int yLo = first(0, [&](int k) { return falls ? syAt(k) < innerBottom : syAt(k) >= 0; });
            const int yHi = first(yLo, [&](int k) { return falls ? !(syAt(k) >= 0) : !(syAt(k) < innerBottom); });
            const int lo = xLo > yLo ? xLo : yLo;
            int hi = xHi < yHi ? xHi : yHi;
            if (hi < lo) hi = lo;
            int i = 0;
            for (; i < lo; ++i)
                one(i);
#if defined(__AVX2__)
            // Four at a time: the same subtractions and truncations per
            // lane.
            if (indexFitsInt) {
                const __m256d vOffX = _mm256_set1_pd(offX), vY = _mm256_set1_pd((double)y);
                const __m256d four = _mm256_set1_pd(4.0);
                auto run = [&](int to, bool far) {
                    __m256d column = _mm256_add_pd(_mm256_set1_pd((double)(x0 + i)), _mm256_setr_pd(0, 1, 2, 3));
                    for (; i + 4 <= to; i += 4) {
                        const __m256d sx = _mm256_sub_pd(column, vOffX);
                        const __m256d sy = _mm256_sub_pd(vY, _mm256_loadu_pd(offY + i));
                        _mm_storeu_si128((__m128i*)(out + i), far ? InterpolateFour<true>(src, sw, sx, sy)
                                                                  : InterpolateFour<false>(src, sw, sx, sy));
                        column = _mm256_add_pd(column, four);
                    }
                };
                // The run where both coordinates are at least kFar takes
                // the shorter sum.
                const double kFar = 256;
                const int fxLo = first(lo, [&](int k) { return sxAt(k) >= kFar; });
                const int fyLo = falls ? lo : first(lo, [&](int k) { return syAt(k) >= kFar; });
                const int fyHi = falls ? first(lo, [&](int k) { return !(syAt(k) >= kFar); }) : n;
                int farLo = fxLo > fyLo ? fxLo : fyLo;
                if (farLo > hi) farLo = hi;
                int farHi = fyHi < hi ? fyHi : hi;
                if (farHi < farLo) farHi = farLo;
                run(farLo, false);
                for (; i < farLo; ++i)
                    out[i] = SampleInner(src, sw, sxAt(i), syAt(i));
                run(farHi, true);
                for (; i < farHi; ++i)
                    out[i] = SampleInner(src, sw, sxAt(i), syAt(i));
                run(hi, false);
            }
#endif
            for (; i < hi; ++i)
                out[i] = SampleInner(src, sw, sxAt(i), syAt(i));
            for (; i < n; ++i)
                one(i);
        }
    }
}

void EnlargePixels(const EnlargeJob& j) {
    // Both positions are running sums from 0.0; every column restarts its
    // row position at 0.0, so walking rows first gives the same values. A
    // band adds up the rows above it first: row r's position is r sums,
    // not r times the step.
    double y = 0.0;
    for (int r = 0; r < j.y0; ++r)
        y = y + j.step;
    for (int r = j.y0; r < j.y1; ++r) {
        PixelWord* out = j.dst + (ptrdiff_t)r * j.dw;
        double x = 0.0;
        for (int k = 0; k < j.dw; ++k) {
            out[k] = Sample(j.src, j.sw, j.sh, x, y);
            x = x + j.step;
        }
        y = y + j.step;
    }
}

uint32_t SampleOne(const PixelWord* src, int w, int h, double x, double y) { return Sample(src, w, h, x, y); }

void SharpenPlanes(const PixelWord* in, double* planes, int w) {
    int x = 0;
#if defined(__AVX2__)
    const __m128i byteMask = _mm_set1_epi32(0xFF);
    for (; x + 4 <= w; x += 4) {
        const __m128i v = _mm_loadu_si128((const __m128i*)(in + x));
        _mm256_storeu_pd(planes + x, _mm256_cvtepi32_pd(_mm_and_si128(v, byteMask)));
        _mm256_storeu_pd(planes + w + x, _mm256_cvtepi32_pd(_mm_and_si128(_mm_srli_epi32(v, 8), byteMask)));
        _mm256_storeu_pd(planes + 2 * w + x, _mm256_cvtepi32_pd(_mm_and_si128(_mm_srli_epi32(v, 16), byteMask)));
    }
#elif defined(__SSE2__)
    const __m128i byteMask = _mm_set1_epi32(0xFF);
    for (; x + 4 <= w; x += 4) {
        const __m128i v = _mm_loadu_si128((const __m128i*)(in + x));
        for (int k = 0; k < 3; ++k) {
            const __m128i c = _mm_and_si128(_mm_srl_epi32(v, _mm_cvtsi32_si128(8 * k)), byteMask);
            _mm_storeu_pd(planes + k * w + x, _mm_cvtepi32_pd(c));
            _mm_storeu_pd(planes + k * w + x + 2, _mm_cvtepi32_pd(_mm_shuffle_epi32(c, 0xEE)));
        }
    }
#endif
    for (; x < w; ++x) {
        const uint32_t v = in[x];
        planes[x] = v & 0xFF;
        planes[w + x] = (v >> 8) & 0xFF;
        planes[2 * w + x] = (v >> 16) & 0xFF;
    }
}

namespace {

// One colour of one inner pixel: the kernel summed row by row from the
// top-left, clamped and truncated.
inline uint32_t SharpenOne(const double* a, const double* b, const double* c, double kc, double kh) {
    double v =
        kc * a[-1] + kh * a[0] + kc * a[1] + kh * b[-1] + 2.0 * b[0] + kh * b[1] + kc * c[-1] + kh * c[0] + kc * c[1];
    v = v < 0 ? 0 : v;
    v = v > 255 ? 255 : v;
    return (uint32_t)(int)v;
}

#if defined(__AVX2__)
// The same sums for four pixels of one colour, lane by lane in the same
// order; the clamps give the same value as the comparisons above (a zero of
// either sign truncates to 0).
inline __m128i SharpenFour(const double* a, const double* b, const double* c, __m256d kc, __m256d kh) {
    const __m256d two = _mm256_set1_pd(2.0);
    __m256d v = _mm256_mul_pd(kc, _mm256_loadu_pd(a - 1));
    v = _mm256_add_pd(v, _mm256_mul_pd(kh, _mm256_loadu_pd(a)));
    v = _mm256_add_pd(v, _mm256_mul_pd(kc, _mm256_loadu_pd(a + 1)));
    v = _mm256_add_pd(v, _mm256_mul_pd(kh, _mm256_loadu_pd(b - 1)));
    v = _mm256_add_pd(v, _mm256_mul_pd(two, _mm256_loadu_pd(b)));
    v = _mm256_add_pd(v, _mm256_mul_pd(kh, _mm256_loadu_pd(b + 1)));
    v = _mm256_add_pd(v, _mm256_mul_pd(kc, _mm256_loadu_pd(c - 1)));
    v = _mm256_add_pd(v, _mm256_mul_pd(kh, _mm256_loadu_pd(c)));
    v = _mm256_add_pd(v, _mm256_mul_pd(kc, _mm256_loadu_pd(c + 1)));
    v = _mm256_min_pd(_mm256_max_pd(v, _mm256_setzero_pd()), _mm256_set1_pd(255.0));
    return _mm256_cvttpd_epi32(v);
}
#elif defined(__SSE2__)
// The same for two pixels (in the low half of the result).
inline __m128i SharpenTwo(const double* a, const double* b, const double* c, __m128d kc, __m128d kh) {
    const __m128d two = _mm_set1_pd(2.0);
    __m128d v = _mm_mul_pd(kc, _mm_loadu_pd(a - 1));
    v = _mm_add_pd(v, _mm_mul_pd(kh, _mm_loadu_pd(a)));
    v = _mm_add_pd(v, _mm_mul_pd(kc, _mm_loadu_pd(a + 1)));
    v = _mm_add_pd(v, _mm_mul_pd(kh, _mm_loadu_pd(b - 1)));
    v = _mm_add_pd(v, _mm_mul_pd(two, _mm_loadu_pd(b)));
    v = _mm_add_pd(v, _mm_mul_pd(kh, _mm_loadu_pd(b + 1)));
    v = _mm_add_pd(v, _mm_mul_pd(kc, _mm_loadu_pd(c - 1)));
    v = _mm_add_pd(v, _mm_mul_pd(kh, _mm_loadu_pd(c)));
    v = _mm_add_pd(v, _mm_mul_pd(kc, _mm_loadu_pd(c + 1)));
    v = _mm_min_pd(_mm_max_pd(v, _mm_setzero_pd()), _mm_set1_pd(255.0));
    return _mm_cvttpd_epi32(v);
}
#endif

}  // namespace

void SharpenInner(const double* a, const double* b, const double* c, PixelWord* out, int w, const PixelWord* fill,
                  double kc, double kh) {
    int x = 1;
#if defined(__AVX2__)
    const __m256d vkc = _mm256_set1_pd(kc), vkh = _mm256_set1_pd(kh);
    const __m128i colourMask = _mm_set1_epi32(0x00FFFFFF);
    const __m128i vFill = _mm_set1_epi32(fill != nullptr ? (int)*fill : 0);
    for (; x + 4 < w; x += 4) {
        const __m128i blue = SharpenFour(a + x, b + x, c + x, vkc, vkh);
        const __m128i green = SharpenFour(a + w + x, b + w + x, c + w + x, vkc, vkh);
        const __m128i red = SharpenFour(a + 2 * w + x, b + 2 * w + x, c + 2 * w + x, vkc, vkh);
        const __m128i colour = _mm_or_si128(_mm_or_si128(blue, _mm_slli_epi32(green, 8)), _mm_slli_epi32(red, 16));
        const __m128i keep = fill != nullptr ? vFill : _mm_loadu_si128((const __m128i*)(out + x));
        _mm_storeu_si128((__m128i*)(out + x), _mm_or_si128(colour, _mm_andnot_si128(colourMask, keep)));
    }
#elif defined(__SSE2__)
    const __m128d vkc = _mm_set1_pd(kc), vkh = _mm_set1_pd(kh);
    const __m128i colourMask = _mm_set1_epi32(0x00FFFFFF);
    const __m128i vFill = _mm_set1_epi32(fill != nullptr ? (int)*fill : 0);
    for (; x + 2 < w; x += 2) {
        const __m128i blue = SharpenTwo(a + x, b + x, c + x, vkc, vkh);
        const __m128i green = SharpenTwo(a + w + x, b + w + x, c + w + x, vkc, vkh);
        const __m128i red = SharpenTwo(a + 2 * w + x, b + 2 * w + x, c + 2 * w + x, vkc, vkh);
        const __m128i colour = _mm_or_si128(_mm_or_si128(blue, _mm_slli_epi32(green, 8)), _mm_slli_epi32(red, 16));
        const __m128i keep = fill != nullptr ? vFill : _mm_loadl_epi64((const __m128i*)(out + x));
        _mm_storel_epi64((__m128i*)(out + x), _mm_or_si128(colour, _mm_andnot_si128(colourMask, keep)));
    }
#endif
    for (; x < w - 1; ++x) {
        const uint32_t keep = fill != nullptr ? *fill : out[x];
        uint32_t word = keep & 0xFF000000u;
        for (int k = 0; k < 3; ++k)
            word |= SharpenOne(a + k * w + x, b + k * w + x, c + k * w + x, kc, kh) << (8 * k);
        out[x] = word;
    }
}

namespace {

// The colour bytes of one blurred inner pixel from its nine neighbours,
// the same sums and division as the vector steps below.
inline uint32_t BlurOne(const uint8_t* a, const uint8_t* r, const uint8_t* b, uint32_t centreLess1, uint32_t magic,
                        int shift) {
    uint32_t word = 0;
    for (int k = 0; k < 3; ++k) {
        uint32_t n = centreLess1 * r[k];
        for (int dx = -4; dx <= 4; dx += 4)
            n += (uint32_t)a[dx + k] + r[dx + k] + b[dx + k];
        word |= (((n * magic) >> 16) >> shift) << (8 * k);
    }
    return word;
}

}  // namespace

void BlurInner(const PixelWord* above, const PixelWord* row, const PixelWord* below, PixelWord* out, int w,
               const PixelWord* fill, uint32_t centreLess1, uint32_t magic, int shift) {
    int x = 1;
#if defined(__AVX2__) || defined(__SSE2__)
#if defined(__AVX2__)
    typedef __m256i V;
    const int kStep = 8;
#define KP_V(op) _mm256_##op
#define KP_VS(op) _mm256_##op##_si256
#else
    typedef __m128i V;
    const int kStep = 4;
#define KP_V(op) _mm_##op
#define KP_VS(op) _mm_##op##_si128
#endif
    // Byte lanes widened to 16 bits: every sum stays below 58 * 255, and the
    // high half of the product with the magic number, shifted, is the
    // quotient.
    const V zero = KP_VS(setzero)();
    const V vCentre = KP_V(set1_epi16)((short)centreLess1), vMagic = KP_V(set1_epi16)((short)(uint16_t)magic);
    const V colourMask = KP_V(set1_epi32)(0x00FFFFFF);
    const V vFill = KP_V(set1_epi32)(fill != nullptr ? (int)*fill : 0);
    const __m128i vShift = _mm_cvtsi32_si128(shift);
    for (; x + kStep < w; x += kStep) {
        V lo = zero, hi = zero;
        const PixelWord* rows[3] = {above + x - 1, row + x - 1, below + x - 1};
        for (int k = 0; k < 3; ++k)
            for (int dx = 0; dx < 3; ++dx) {
                const V v = KP_VS(loadu)((const V*)(rows[k] + dx));
                lo = KP_V(add_epi16)(lo, KP_V(unpacklo_epi8)(v, zero));
                hi = KP_V(add_epi16)(hi, KP_V(unpackhi_epi8)(v, zero));
            }
        const V centre = KP_VS(loadu)((const V*)(row + x));
        lo = KP_V(add_epi16)(lo, KP_V(mullo_epi16)(KP_V(unpacklo_epi8)(centre, zero), vCentre));
        hi = KP_V(add_epi16)(hi, KP_V(mullo_epi16)(KP_V(unpackhi_epi8)(centre, zero), vCentre));
        lo = KP_V(srl_epi16)(KP_V(mulhi_epu16)(lo, vMagic), vShift);
        hi = KP_V(srl_epi16)(KP_V(mulhi_epu16)(hi, vMagic), vShift);
        const V means = KP_V(packus_epi16)(lo, hi);
        const V keep = fill != nullptr ? vFill : KP_VS(loadu)((const V*)(out + x));
        KP_VS(storeu)((V*)(out + x), KP_VS(or)(KP_VS(and)(means, colourMask), KP_VS(andnot)(colourMask, keep)));
    }
#undef KP_V
#undef KP_VS
#endif
    for (; x < w - 1; ++x) {
        const uint32_t keep = fill != nullptr ? *fill : out[x];
        out[x] = (keep & 0xFF000000u) | BlurOne((const uint8_t*)(above + x), (const uint8_t*)(row + x),
                                                (const uint8_t*)(below + x), centreLess1, magic, shift);
    }
}

void AddRow(uint16_t* sum, const uint8_t* row, size_t lanes) {
    for (size_t i = 0; i < lanes; ++i)
        sum[i] = (uint16_t)(sum[i] + row[i]);
}

void Grey(const PixelWord* src, PixelWord* dst, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        const uint32_t s = src[i];
        const uint32_t b = s & 0xFF, g = (s >> 8) & 0xFF, r = (s >> 16) & 0xFF;
        const uint32_t grey = (3 * r + 6 * g + b) / 10;
        dst[i] = grey | grey << 8 | grey << 16;
    }
}

void PairMeans(const uint16_t* sum, PixelWord* out, int count, uint32_t m) {
    int i = 0;
#if defined(__AVX2__)
    // Four boxes (eight columns, two loads) at a time.
    const __m256i vm = _mm256_set1_epi32((int)m);
    const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
    const __m128i colourMask = _mm_set1_epi32(0x00FFFFFF);
    for (; i + 4 <= count; i += 4) {
        const __m256i v0 = _mm256_loadu_si256((const __m256i*)(sum + (size_t)i * 8));
        const __m256i v1 = _mm256_loadu_si256((const __m256i*)(sum + (size_t)i * 8 + 16));
        // Columns c0..c7 as 64-bit lanes: (c0+c1, c4+c5 | c2+c3, c6+c7).
        const __m256i pairs = _mm256_add_epi16(_mm256_unpacklo_epi64(v0, v1), _mm256_unpackhi_epi64(v0, v1));
        // Boxes 0, 1, 2, 3 in order.
        const __m256i boxes = _mm256_permute4x64_epi64(pairs, 0xD8);
        const __m256i lo =
            _mm256_srli_epi32(_mm256_mullo_epi32(_mm256_cvtepu16_epi32(_mm256_castsi256_si128(boxes)), vm), 24);
        const __m256i hi =
            _mm256_srli_epi32(_mm256_mullo_epi32(_mm256_cvtepu16_epi32(_mm256_extracti128_si256(boxes, 1)), vm), 24);
        // Means are 0..255, so the packs are exact; they interleave the
        // boxes, which the permutation puts back in order.
        const __m256i bytes = _mm256_packus_epi16(_mm256_packus_epi32(lo, hi), _mm256_setzero_si256());
        const __m128i means = _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(bytes, order));
        const __m128i old = _mm_loadu_si128((const __m128i*)(out + i));
        _mm_storeu_si128((__m128i*)(out + i),
                         _mm_or_si128(_mm_andnot_si128(colourMask, old), _mm_and_si128(means, colourMask)));
    }
#endif
    for (; i < count; ++i) {
        const uint16_t* c = sum + (size_t)i * 8;
        uint32_t word = out[i] & 0xFF000000u;
        for (int k = 0; k < 3; ++k)
            word |= (((uint32_t)(c[k] + c[4 + k]) * m) >> 24) << (8 * k);
        out[i] = word;
    }
}

}  // namespace KP_WIDE_NAMESPACE
