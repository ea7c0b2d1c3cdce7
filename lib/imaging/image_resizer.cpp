// Scaling: interpolation when enlarging, box averages when reducing.
#include <memory>
#include <new>

#include "image_processors.h"
#include "pixel_math.h"
#include "processor_runs.h"
#include "wide_loops.h"

CImageResizer::CImageResizer(double dFactor) : CImage32BitProcessor(dFactor > 1 ? 1 : 0), m_dFactor(dFactor) {}

CSize CImageResizer::CalcDestSize(CSize size) {
    return CSize(kpimg::SatInt(kpimg::TruncSat64(size.cx * m_dFactor)),
                 kpimg::SatInt(kpimg::TruncSat64(size.cy * m_dFactor)));
}

int CImageResizer::ProcessPixels(RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst) {
    return kpimg::ProcessorRuns::Resize(*this, pSrc, sizeSrc, pDst, sizeDst, nullptr);
}

int CImageResizer::Enlarge(RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst) {
    return kpimg::ProcessorRuns::Enlarge(*this, pSrc, sizeSrc, pDst, sizeDst);
}

int CImageResizer::Shrink(RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst) {
    return kpimg::ProcessorRuns::Shrink(*this, pSrc, sizeSrc, pDst, sizeDst, nullptr);
}

namespace kpimg {

int ProcessorRuns::Resize(CImageResizer& p, RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst,
                          const uint32_t* pFill) {
    // Not positive (or not a number): the chain stops here.
    if (!(p.m_dFactor > 0)) return 0;
    if (!ValidArrays(pSrc, sizeSrc, pDst, sizeDst, p.CalcDestSize(sizeSrc))) return 0;
    if (p.m_dFactor == 1) return Copy(pSrc, sizeSrc, pDst, sizeDst);
    // Enlarging writes every pixel whole; reducing leaves the fourth byte.
    if (p.m_dFactor > 1)
        Enlarge(p, pSrc, sizeSrc, pDst, sizeDst);
    else
        Shrink(p, pSrc, sizeSrc, pDst, sizeDst, pFill);
    return 1;
}

int ProcessorRuns::Enlarge(CImageResizer& p, RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst) {
    if (!(p.m_dFactor > 1)) return 0;
    if (!ValidArrays(pSrc, sizeSrc, pDst, sizeDst, p.CalcDestSize(sizeSrc))) return 0;
    EnlargeJob job;
    if (!SetFrame(job, pSrc, sizeSrc, pDst, sizeDst, nullptr)) return 1;
    job.step = 1 / p.m_dFactor;
    RunFrameBands(job, Wide().Enlarge);
    return 1;
}

}  // namespace kpimg

namespace {

// Walks the boxes of one direction: the first box reaches one pixel further
// than the others, and boxes past the last source pixel come out empty.
class BoxWalker {
public:
    BoxWalker(double step, int n) : m_step(step), m_p(-0.5 * step), m_prevRight(-1), m_last(n - 1) {}
    // Next box as [first, last]; first > last when empty.
    void Next(long long& first, long long& last) {
        m_p = m_p + m_step;
        long long right = kpimg::TruncSat64(m_p) + 1;
        if (right > m_last) right = m_last;
        first = m_prevRight + 1;
        last = right;
        m_prevRight = right;
    }

private:
    double m_step;
    double m_p;
    long long m_prevRight;
    long long m_last;
};

// Boxes of up to this many pixels divide by multiplying: for n <= 255 and a
// sum s <= 255 n, (s * ceil(2^24 / n)) >> 24 equals s / n (the error term
// s * (M n - 2^24) < 255 n^2 < 2^24) and s * M stays below 2^32.
const uint32_t kMaxMagic = 255;

inline uint32_t Magic(uint32_t n) { return ((1u << 24) + n - 1) / n; }

template <class Sum>
inline void AverageBox(const RGBX* pSrc, int sw, long long top, long long bottom, long long left, long long right,
                       RGBX* out) {
    Sum b = 0, g = 0, r = 0;
    for (long long y = top; y <= bottom; ++y) {
        const RGBX* row = pSrc + (ptrdiff_t)y * sw;
        for (long long x = left; x <= right; ++x) {
            b += row[x].b;
            g += row[x].g;
            r += row[x].r;
        }
    }
    const Sum n = (Sum)((bottom - top + 1) * (right - left + 1));
    out->b = (BYTE)(b / n);
    out->g = (BYTE)(g / n);
    out->r = (BYTE)(r / n);
}

// One row of destination boxes from the source rows top..bottom, box by
// box, without any table (when none could be had).
void AverageRow(const RGBX* pSrc, int sw, double step, int dw, long long top, long long bottom, RGBX* out) {
    // Up to this many pixels a box's channel sum fits 32 bits.
    const long long kMax32 = 0xFFFFFFFFLL / 255;
    const long long nRows = bottom - top + 1;
    BoxWalker cols(step, sw);
    for (int i = 0; i < dw; ++i) {
        long long left, right;
        cols.Next(left, right);
        if (left > right) continue;
        if (nRows * (right - left + 1) <= kMax32)
            AverageBox<uint32_t>(pSrc, sw, top, bottom, left, right, out + i);
        else
            AverageBox<uint64_t>(pSrc, sw, top, bottom, left, right, out + i);
    }
}

}  // namespace

namespace kpimg {

int ProcessorRuns::Shrink(CImageResizer& p, RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst,
                          const uint32_t* pFill) {
    if (!(p.m_dFactor > 0 && p.m_dFactor < 1)) return 0;
    if (!ValidArrays(pSrc, sizeSrc, pDst, sizeDst, p.CalcDestSize(sizeSrc))) return 0;
    const int sw = sizeSrc.cx, sh = sizeSrc.cy, dw = sizeDst.cx, dh = sizeDst.cy;
    if (dw == 0 || dh == 0) return 1;
    const double step = 1 / p.m_dFactor;
    // The fourth byte is never written, nor are pixels whose box is empty.
    auto fillRow = [=](RGBX* out) {
        if (pFill != nullptr)
            for (int i = 0; i < dw; ++i)
                Store32(out + i, *pFill);
    };

    // The boxes of both directions, walked once per call: a band of rows
    // starts in the middle of the walk.
    std::unique_ptr<long long[]> boxes(new (std::nothrow) long long[((size_t)dw + (size_t)dh) * 2]);  // owned
    if (boxes == nullptr) {
        BoxWalker rows(step, sh);
        for (int j = 0; j < dh; ++j) {
            RGBX* out = pDst + (ptrdiff_t)j * dw;
            fillRow(out);
            long long top, bottom;
            rows.Next(top, bottom);
            if (top <= bottom) AverageRow(pSrc, sw, step, dw, top, bottom, out);
        }
        return 1;
    }
    long long* const colFirst = boxes.get();
    long long* const colLast = colFirst + dw;
    long long* const rowFirst = colLast + dw;
    long long* const rowLast = rowFirst + dh;
    {
        BoxWalker cols(step, sw);
        for (int i = 0; i < dw; ++i)
            cols.Next(colFirst[i], colLast[i]);
        BoxWalker rows(step, sh);
        for (int j = 0; j < dh; ++j)
            rows.Next(rowFirst[j], rowLast[j]);
    }
    // The longest run of boxes exactly two columns wide, side by side (all
    // but the first and the clamped last ones when halving).
    int pairFirst = -1, pairEnd = -1;
    for (int i = 0; i < dw;) {
        int e = i;
        while (e < dw && colLast[e] - colFirst[e] == 1 && (e == i || colFirst[e] == colLast[e - 1] + 1))
            ++e;
        if (e - i > pairEnd - pairFirst) {
            pairFirst = i;
            pairEnd = e;
        }
        i = e > i ? e : i + 1;
    }

    const size_t lanes = (size_t)sw * 4;
    const WideLoops& loops = Wide();
    // Every source pixel is read once whatever the factor.
    ForRowBands(dh, (long long)sw * sh, [&](int j0, int j1, Scratch& scratch) {
        // One row of per-lane column sums over the current row box, so every
        // source byte is added once.
        uint16_t* colSum = (uint16_t*)scratch.Get(lanes * sizeof(uint16_t));
        // Up to this many pixels a box's channel sum fits 32 bits.
        const long long kMax32 = 0xFFFFFFFFLL / 255;
        for (int j = j0; j < j1; ++j) {
            RGBX* out = pDst + (ptrdiff_t)j * dw;
            fillRow(out);
            const long long top = rowFirst[j], bottom = rowLast[j];
            if (top > bottom) continue;
            const long long nRows = bottom - top + 1;
            // 257 rows of 255 still fit 16 bits.
            if (colSum == nullptr || nRows > 257) {
                AverageRow(pSrc, sw, step, dw, top, bottom, out);
                continue;
            }
            const uint8_t* first = (const uint8_t*)(pSrc + (ptrdiff_t)top * sw);
            for (size_t i = 0; i < lanes; ++i)
                colSum[i] = first[i];
            for (long long y = top + 1; y <= bottom; ++y)
                loops.AddRow(colSum, (const uint8_t*)(pSrc + (ptrdiff_t)y * sw), lanes);
            int i = 0;
            while (i < dw) {
                if (i == pairFirst && nRows * 2 <= kMaxMagic) {
                    // The run of two-column boxes in one call.
                    loops.PairMeans(colSum + colFirst[i] * 4, (PixelWord*)(out + i), pairEnd - pairFirst,
                                    Magic((uint32_t)(nRows * 2)));
                    i = pairEnd;
                    continue;
                }
                const long long left = colFirst[i], right = colLast[i];
                if (left > right) {
                    ++i;
                    continue;
                }
                if (nRows * (right - left + 1) > kMax32) {
                    AverageBox<uint64_t>(pSrc, sw, top, bottom, left, right, out + i);
                    ++i;
                    continue;
                }
                uint32_t b = 0, g = 0, r = 0;
                for (long long x = left; x <= right; ++x) {
                    b += colSum[x * 4];
                    g += colSum[x * 4 + 1];
                    r += colSum[x * 4 + 2];
                }
                const uint32_t n = (uint32_t)(nRows * (right - left + 1));
                if (n <= kMaxMagic) {
                    const uint32_t m = Magic(n);
                    out[i].b = (BYTE)((b * m) >> 24);
                    out[i].g = (BYTE)((g * m) >> 24);
                    out[i].r = (BYTE)((r * m) >> 24);
                } else {
                    out[i].b = (BYTE)(b / n);
                    out[i].g = (BYTE)(g / n);
                    out[i].r = (BYTE)(r / n);
                }
                ++i;
            }
        }
    });
    return 1;
}

}  // namespace kpimg
