// Shear along both axes; the offsets are fractions of the destination size.
#include "image_processors.h"
#include "pixel_math.h"
#include "wide_loops.h"

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

    kpimg::ShearJob job;
    if (!kpimg::SetFrame(job, pSrc, sizeSrc, pDst, sizeDst)) return 1;
    job.across = m_nAcross;
    job.down = m_nDown;
    job.weighted = m_bWeighted != 0;
    kpimg::Wide().Shear(job);
    return 1;
}
