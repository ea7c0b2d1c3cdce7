// The processor base: the identity size, the copy step of the family, and
// the public weighted sampler.
#include "image_processors.h"

#include <string.h>

#include "pixel_math.h"
#include "wide_loops.h"

CImage32BitProcessor::CImage32BitProcessor(int bWeighted) : m_bWeighted(bWeighted) {}

CImage32BitProcessor::~CImage32BitProcessor() {}

CSize CImage32BitProcessor::CalcDestSize(CSize size)
{
    return size;
}

int CImage32BitProcessor::ProcessPixels(RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst)
{
    size_t nSrc, nDst;
    if (!kpimg::PixelCount(sizeSrc, nSrc) || !kpimg::PixelCount(sizeDst, nDst)) return 0;
    // Copying more than the source holds would read past it.
    if (nDst > nSrc) return 0;
    if (nDst == 0) return 1;
    if (pSrc == nullptr || pDst == nullptr) return 0;
    memcpy(pDst, pSrc, nDst * sizeof(RGBX));
    return 1;
}

RGBX CImage32BitProcessor::CalcWeightedColor(RGBX* pSrc, CSize sizeSrc, double x, double y)
{
    size_t n;
    if (pSrc == nullptr || !kpimg::PixelCount(sizeSrc, n) || n == 0) return RGBX();
    RGBX out;
    kpimg::Store32(&out, kpimg::Wide().Sample((const kpimg::PixelWord*)pSrc, sizeSrc.cx, sizeSrc.cy, x, y));
    return out;
}
