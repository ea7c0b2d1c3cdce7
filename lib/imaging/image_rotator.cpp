// Rotation about the image centre on a canvas that grows to hold the turned
// picture.
#include <math.h>

#include "image_processors.h"
#include "pixel_math.h"

namespace {

const double kPi = 3.141592653589793;
const double kTwoPi = 6.283185307179586;

}  // namespace

CImageRotator::CImageRotator(int nDegrees, int bWeighted) : CImage32BitProcessor(bWeighted)
{
    int d = nDegrees % 360;
    if (d < 0) d += 360;
    m_dAngle = d * kPi / 180.0;
}

CImageRotator::CImageRotator(double dRadians) : CImage32BitProcessor(0)
{
    double a = dRadians;
    // An angle that is not a number turns like 0, i.e. by a full turn.
    if (!isfinite(a)) a = 0.0;
    // Stepping by 2*pi from far away would take practically forever (and
    // never end once 2*pi is below the number's precision); within a
    // thousand turns the steps are taken exactly as they come.
    if (fabs(a) > 1024 * kTwoPi) a = fmod(a, kTwoPi);
    while (a >= kTwoPi) a -= kTwoPi;
    while (a <= 0) a += kTwoPi;
    m_dAngle = a;
}

CSize CImageRotator::CalcDestSize(CSize size)
{
    if (m_dAngle == 0 || size.cx <= 0 || size.cy <= 0) return size;
    const double w = size.cx, h = size.cy;
    const double C = cos(m_dAngle), S = sin(m_dAngle);
    // The turned corners of a w x h rectangle centred on the origin.
    const double xs[4] = {0.5 * h * S - 0.5 * w * C, 0.5 * w * C + 0.5 * h * S,
                          -0.5 * w * C - 0.5 * h * S, 0.5 * w * C - 0.5 * h * S};
    const double ys[4] = {0.5 * h * C + 0.5 * w * S, 0.5 * h * C - 0.5 * w * S,
                          0.5 * w * S - 0.5 * h * C, -0.5 * h * C - 0.5 * w * S};
    long long X = 0, Y = 0;
    for (int i = 0; i < 4; ++i) {
        long long tx = kpimg::TruncSat64(xs[i]), ty = kpimg::TruncSat64(ys[i]);
        if (tx < 0) tx = -tx;
        if (ty < 0) ty = -ty;
        if (tx > X) X = tx;
        if (ty > Y) Y = ty;
    }
    return CSize(kpimg::SatInt(2 * X + 2), kpimg::SatInt(2 * Y + 2));
}

int CImageRotator::ProcessPixels(RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst)
{
    if (!kpimg::ValidArrays(pSrc, sizeSrc, pDst, sizeDst, CalcDestSize(sizeSrc))) return 0;
    if (m_dAngle == 0) return CImage32BitProcessor::ProcessPixels(pSrc, sizeSrc, pDst, sizeDst);

    const int sw = sizeSrc.cx, sh = sizeSrc.cy, dw = sizeDst.cx, dh = sizeDst.cy;
    if (sw == 0 || sh == 0) return 1;
    const int dcx = dw / 2 + dw % 2, dcy = dh / 2 + dh % 2;
    const int scx = sw / 2 + sw % 2, scy = sh / 2 + sh % 2;
    // Accepted: left and top included, right and bottom excluded; the right
    // and bottom bounds are one short of the source, so its last column and
    // row are never sampled.
    const long long left = -scx, top = -scy, right = sw - 1 - scx, bottom = sh - 1 - scy;
    const double C = cos(m_dAngle), S = sin(m_dAngle);
    const bool weighted = m_bWeighted != 0;

    for (int r = 0; r < dh; ++r) {
        const int yy = r - dcy;
        // Running sums: column k sits at k + 1 - dcx. The sampled pixel
        // depends on the accumulated value, so they stay sums.
        double A = yy * S - dcx * C;
        double B = yy * C + dcx * S;
        RGBX* out = pDst + (ptrdiff_t)r * dw;
        for (int k = 0; k < dw; ++k) {
            A = A + C;
            B = B - S;
            // |A|, |B| stay below twice the canvas size, well inside 64 bits.
            const long long px = (long long)A, py = (long long)B;
            if (px < left || px >= right || py < top || py >= bottom) continue;
            if (weighted)
                out[k] = kpimg::WeightedColor(pSrc, sw, sh, scx + A, scy + B);
            else
                out[k] = pSrc[(ptrdiff_t)(py + scy) * sw + (px + scx)];
        }
    }
    return 1;
}
