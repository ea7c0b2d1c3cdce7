// Shear along both axes; the offsets are fractions of the destination size.
#include "image_processors.h"
#include "pixel_math.h"

CImageShearer::CImageShearer(int nAcross, int nDown, int bWeighted)
    : CImage32BitProcessor(bWeighted), m_nAcross(nAcross), m_nDown(nDown)
{
}

CSize CImageShearer::CalcDestSize(CSize size)
{
    if (size.cx < 0 || size.cy < 0) return size;
    // In 64 bits: abs(INT_MIN) and the sums would wrap in int.
    long long across = m_nAcross, down = m_nDown;
    if (across < 0) across = -across;
    if (down < 0) down = -down;
    return CSize(kpimg::SatInt(size.cx + across), kpimg::SatInt(size.cy + down));
}

int CImageShearer::ProcessPixels(RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst)
{
    if (!kpimg::ValidArrays(pSrc, sizeSrc, pDst, sizeDst, CalcDestSize(sizeSrc))) return 0;
    if (m_nAcross == 0 && m_nDown == 0) return CImage32BitProcessor::ProcessPixels(pSrc, sizeSrc, pDst, sizeDst);

    const int sw = sizeSrc.cx, sh = sizeSrc.cy, dw = sizeDst.cx, dh = sizeDst.cy;
    if (sw == 0 || sh == 0) return 1;
    const bool weighted = m_bWeighted != 0;
    // Products in double: exact wherever an int product would not overflow.
    const double across = m_nAcross, down = m_nDown;

    // Columns in blocks, so the per-column offsets live on the stack and
    // the destination is still written row by row.
    const int kBlock = 256;
    double offY[kBlock];
    for (int x0 = 0; x0 < dw; x0 += kBlock) {
        const int n = dw - x0 < kBlock ? dw - x0 : kBlock;
        for (int i = 0; i < n; ++i) {
            const int x = x0 + i;
            if (m_nDown > 0)
                offY[i] = down * x / dw;
            else if (m_nDown < 0)
                offY[i] = -down * (dw - x) / dw;
            else
                offY[i] = 0;
        }
        for (int y = 0; y < dh; ++y) {
            double offX = 0;
            if (m_nAcross > 0)
                offX = (double)(dh - y) * across / dh;
            else if (m_nAcross < 0)
                offX = -across * y / dh;
            RGBX* out = pDst + (ptrdiff_t)y * dw + x0;
            for (int i = 0; i < n; ++i) {
                const double sx = (x0 + i) - offX, sy = y - offY[i];
                // trunc(s) in [0, size) exactly when -1 < s < size.
                if (!(sx > -1.0 && sx < sw && sy > -1.0 && sy < sh)) continue;
                if (weighted)
                    out[i] = kpimg::WeightedColor(pSrc, sw, sh, sx, sy);
                else
                    out[i] = pSrc[(ptrdiff_t)(int)sy * sw + (int)sx];
            }
        }
    }
    return 1;
}
