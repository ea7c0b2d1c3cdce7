// Scaling: interpolation when enlarging, box averages when reducing.
#include "image_processors.h"
#include "pixel_math.h"

CImageResizer::CImageResizer(double dFactor) : CImage32BitProcessor(dFactor > 1 ? 1 : 0), m_dFactor(dFactor) {}

CSize CImageResizer::CalcDestSize(CSize size)
{
    return CSize(kpimg::SatInt(kpimg::TruncSat64(size.cx * m_dFactor)),
                 kpimg::SatInt(kpimg::TruncSat64(size.cy * m_dFactor)));
}

int CImageResizer::ProcessPixels(RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst)
{
    // Not positive (or not a number): the chain stops here.
    if (!(m_dFactor > 0)) return 0;
    if (!kpimg::ValidArrays(pSrc, sizeSrc, pDst, sizeDst, CalcDestSize(sizeSrc))) return 0;
    if (m_dFactor == 1) return CImage32BitProcessor::ProcessPixels(pSrc, sizeSrc, pDst, sizeDst);
    if (m_dFactor > 1)
        Enlarge(pSrc, sizeSrc, pDst, sizeDst);
    else
        Shrink(pSrc, sizeSrc, pDst, sizeDst);
    return 1;
}

int CImageResizer::Enlarge(RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst)
{
    if (!(m_dFactor > 1)) return 0;
    if (!kpimg::ValidArrays(pSrc, sizeSrc, pDst, sizeDst, CalcDestSize(sizeSrc))) return 0;
    const int sw = sizeSrc.cx, sh = sizeSrc.cy, dw = sizeDst.cx, dh = sizeDst.cy;
    if (sw == 0 || sh == 0) return 1;
    const double step = 1 / m_dFactor;
    // Both positions are running sums from 0.0; every column restarts its
    // row position at 0.0, so walking rows first gives the same values.
    double y = 0.0;
    for (int r = 0; r < dh; ++r) {
        RGBX* out = pDst + (ptrdiff_t)r * dw;
        double x = 0.0;
        for (int k = 0; k < dw; ++k) {
            out[k] = kpimg::WeightedColor(pSrc, sw, sh, x, y);
            x = x + step;
        }
        y = y + step;
    }
    return 1;
}

namespace {

// Walks the boxes of one direction: the first box reaches one pixel further
// than the others, and boxes past the last source pixel come out empty.
class BoxWalker {
public:
    BoxWalker(double step, int n) : m_step(step), m_p(-0.5 * step), m_prevRight(-1), m_last(n - 1) {}
    // Next box as [first, last]; first > last when empty.
    void Next(long long& first, long long& last)
    {
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

template <class Sum>
inline void AverageBox(const RGBX* pSrc, int sw, long long top, long long bottom, long long left, long long right,
                       RGBX* out)
{
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

}  // namespace

int CImageResizer::Shrink(RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst)
{
    if (!(m_dFactor > 0 && m_dFactor < 1)) return 0;
    if (!kpimg::ValidArrays(pSrc, sizeSrc, pDst, sizeDst, CalcDestSize(sizeSrc))) return 0;
    const int sw = sizeSrc.cx, sh = sizeSrc.cy, dw = sizeDst.cx, dh = sizeDst.cy;
    const double step = 1 / m_dFactor;
    // Up to this many pixels a box's channel sum fits 32 bits.
    const long long kMax32 = 0xFFFFFFFFLL / 255;
    BoxWalker rows(step, sh);
    for (int j = 0; j < dh; ++j) {
        long long top, bottom;
        rows.Next(top, bottom);
        if (top > bottom) continue;
        RGBX* out = pDst + (ptrdiff_t)j * dw;
        BoxWalker cols(step, sw);
        for (int i = 0; i < dw; ++i) {
            long long left, right;
            cols.Next(left, right);
            if (left > right) continue;
            if ((bottom - top + 1) * (right - left + 1) <= kMax32)
                AverageBox<uint32_t>(pSrc, sw, top, bottom, left, right, out + i);
            else
                AverageBox<uint64_t>(pSrc, sw, top, bottom, left, right, out + i);
        }
    }
    return 1;
}
