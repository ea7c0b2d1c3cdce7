// Rotation about the image centre on a canvas that grows to hold the turned
// picture.
#include <math.h>

#include "image_processors.h"
#include "pixel_math.h"
#include "processor_runs.h"
#include "wide_loops.h"

namespace {

const double kPi = 3.141592653589793;
const double kTwoPi = 6.283185307179586;

}  // namespace

CImageRotator::CImageRotator(int nDegrees, int bWeighted) : CImage32BitProcessor(bWeighted) {
    int d = nDegrees % 360;
    if (d < 0) d += 360;
    m_dAngle = d * kPi / 180.0;
}

CImageRotator::CImageRotator(double dRadians) : CImage32BitProcessor(0) {
    double a = dRadians;
    // An angle that is not a number turns like 0, i.e. by a full turn.
    if (!isfinite(a)) a = 0.0;
    // Stepping by 2*pi from far away would take practically forever (and
    // never end once 2*pi is below the number's precision); within a
    // thousand turns the steps are taken exactly as they come.
    if (fabs(a) > 1024 * kTwoPi) a = fmod(a, kTwoPi);
    while (a >= kTwoPi)
        a -= kTwoPi;
    while (a <= 0)
        a += kTwoPi;
    m_dAngle = a;
}

CSize CImageRotator::CalcDestSize(CSize size) {
    if (m_dAngle == 0 || size.cx <= 0 || size.cy <= 0) return size;
    const double w = size.cx, h = size.cy;
    const double C = cos(m_dAngle), S = sin(m_dAngle);
    // The turned corners of a w x h rectangle centred on the origin.
    const double xs[4] = {0.5 * h * S - 0.5 * w * C, 0.5 * w * C + 0.5 * h * S, -0.5 * w * C - 0.5 * h * S,
                          0.5 * w * C - 0.5 * h * S};
    const double ys[4] = {0.5 * h * C + 0.5 * w * S, 0.5 * h * C - 0.5 * w * S, 0.5 * w * S - 0.5 * h * C,
                          -0.5 * h * C - 0.5 * w * S};
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

int CImageRotator::ProcessPixels(RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst) {
    return kpimg::ProcessorRuns::Rotate(*this, pSrc, sizeSrc, pDst, sizeDst, nullptr);
}

namespace kpimg {

int ProcessorRuns::Rotate(CImageRotator& p, RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst,
                          const uint32_t* pFill) {
    if (!ValidArrays(pSrc, sizeSrc, pDst, sizeDst, p.CalcDestSize(sizeSrc))) return 0;
    if (p.m_dAngle == 0) return Copy(pSrc, sizeSrc, pDst, sizeDst);

    RotateJob job;
    if (!SetFrame(job, pSrc, sizeSrc, pDst, sizeDst, pFill)) {
        // Nothing to sample: the whole canvas is background.
        size_t n;
        if (pFill != nullptr && PixelCount(sizeDst, n)) FillPixels(pDst, n, *pFill);
        return 1;
    }
    job.cosine = cos(p.m_dAngle);
    job.sine = sin(p.m_dAngle);
    job.weighted = p.m_bWeighted != 0;
    RunFrameBands(job, Wide().Rotate);
    return 1;
}

}  // namespace kpimg
