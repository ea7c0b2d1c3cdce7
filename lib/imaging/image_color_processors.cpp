// Per-pixel colour operations: grey scale, inversion, colour replacement.
// Whole pixels are handled as little-endian 32-bit words (b in the low
// byte, the fourth byte in the high byte) so the loops vectorise.
#include "image_processors.h"
#include "pixel_math.h"
#include "wide_loops.h"

CImageGrayer::CImageGrayer() : CImage32BitProcessor(0) {}

int CImageGrayer::ProcessPixels(RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst)
{
    if (!kpimg::ValidArrays(pSrc, sizeSrc, pDst, sizeDst, CalcDestSize(sizeSrc))) return 0;
    size_t n;
    kpimg::PixelCount(sizeSrc, n);
    kpimg::Wide().Grey((const kpimg::PixelWord*)pSrc, (kpimg::PixelWord*)pDst, n);
    return 1;
}

CImageNegator::CImageNegator() : CImage32BitProcessor(0) {}

int CImageNegator::ProcessPixels(RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst)
{
    if (!kpimg::ValidArrays(pSrc, sizeSrc, pDst, sizeDst, CalcDestSize(sizeSrc))) return 0;
    size_t n;
    kpimg::PixelCount(sizeSrc, n);
    for (size_t i = 0; i < n; ++i) {
        // 255 - c is ~c within a byte; the fourth byte stays the background's.
        const uint32_t s = kpimg::Load32(pSrc + i), d = kpimg::Load32(pDst + i);
        kpimg::Store32(pDst + i, (d & 0xFF000000u) | (~s & 0x00FFFFFFu));
    }
    return 1;
}

CImageColorReplacer::CImageColorReplacer(unsigned long clrFrom, unsigned long clrTo)
    : CImage32BitProcessor(0), m_clrFrom((COLORREF)clrFrom), m_clrTo((COLORREF)clrTo)
{
}

int CImageColorReplacer::ProcessPixels(RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst)
{
    if (!kpimg::ValidArrays(pSrc, sizeSrc, pDst, sizeDst, CalcDestSize(sizeSrc))) return 0;
    if (m_clrFrom == m_clrTo) return CImage32BitProcessor::ProcessPixels(pSrc, sizeSrc, pDst, sizeDst);
    // COLORREF is 0x00BBGGRR, a pixel word 0xXXRRGGBB.
    const uint32_t key = GetBValue(m_clrFrom) | (uint32_t)GetGValue(m_clrFrom) << 8 |
                         (uint32_t)GetRValue(m_clrFrom) << 16;
    const uint32_t rep = GetBValue(m_clrTo) | (uint32_t)GetGValue(m_clrTo) << 8 | (uint32_t)GetRValue(m_clrTo) << 16;
    size_t n;
    kpimg::PixelCount(sizeSrc, n);
    for (size_t i = 0; i < n; ++i) {
        const uint32_t s = kpimg::Load32(pSrc + i);
        kpimg::Store32(pDst + i, (s & 0x00FFFFFFu) == key ? rep : s);
    }
    return 1;
}
