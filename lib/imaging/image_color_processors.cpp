// Per-pixel colour operations: grey scale, inversion, colour replacement.
// Whole pixels are handled as little-endian 32-bit words (b in the low
// byte, the fourth byte in the high byte) so the loops vectorise.
#include "image_processors.h"
#include "pixel_math.h"
#include "processor_runs.h"
#include "wide_loops.h"

CImageGrayer::CImageGrayer() : CImage32BitProcessor(0) {}

int CImageGrayer::ProcessPixels(RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst) {
    return kpimg::ProcessorRuns::Grey(*this, pSrc, sizeSrc, pDst, sizeDst);
}

CImageNegator::CImageNegator() : CImage32BitProcessor(0) {}

int CImageNegator::ProcessPixels(RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst) {
    return kpimg::ProcessorRuns::Negate(*this, pSrc, sizeSrc, pDst, sizeDst, nullptr);
}

CImageColorReplacer::CImageColorReplacer(unsigned long clrFrom, unsigned long clrTo)
    : CImage32BitProcessor(0), m_clrFrom((COLORREF)clrFrom), m_clrTo((COLORREF)clrTo) {}

int CImageColorReplacer::ProcessPixels(RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst) {
    return kpimg::ProcessorRuns::Replace(*this, pSrc, sizeSrc, pDst, sizeDst);
}

namespace kpimg {

int ProcessorRuns::Grey(CImageGrayer& p, RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst) {
    if (!ValidArrays(pSrc, sizeSrc, pDst, sizeDst, p.CalcDestSize(sizeSrc))) return 0;
    size_t n;
    PixelCount(sizeSrc, n);
    const WideLoops& loops = Wide();
    ForPixelRanges(n, [=, &loops](size_t first, size_t end) {
        loops.Grey((const PixelWord*)(pSrc + first), (PixelWord*)(pDst + first), end - first);
    });
    return 1;
}

int ProcessorRuns::Negate(CImageNegator& p, RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst,
                          const uint32_t* pFill) {
    if (!ValidArrays(pSrc, sizeSrc, pDst, sizeDst, p.CalcDestSize(sizeSrc))) return 0;
    size_t n;
    PixelCount(sizeSrc, n);
    // 255 - c is ~c within a byte; the fourth byte stays the background's,
    // which is the fill word's when the destination was not filled.
    const bool bKeep = pFill == nullptr;
    const uint32_t fourth = bKeep ? 0 : *pFill & 0xFF000000u;
    ForPixelRanges(n, [=](size_t first, size_t end) {
        const PixelWord* in = (const PixelWord*)(pSrc + first);
        PixelWord* out = (PixelWord*)(pDst + first);
        const size_t count = end - first;
        if (bKeep) {
            for (size_t i = 0; i < count; ++i)
                out[i] = (out[i] & 0xFF000000u) | (~in[i] & 0x00FFFFFFu);
        } else {
            for (size_t i = 0; i < count; ++i)
                out[i] = fourth | (~in[i] & 0x00FFFFFFu);
        }
    });
    return 1;
}

int ProcessorRuns::Replace(CImageColorReplacer& p, RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst) {
    if (!ValidArrays(pSrc, sizeSrc, pDst, sizeDst, p.CalcDestSize(sizeSrc))) return 0;
    if (p.m_clrFrom == p.m_clrTo) return Copy(pSrc, sizeSrc, pDst, sizeDst);
    // COLORREF is 0x00BBGGRR, a pixel word 0xXXRRGGBB.
    const uint32_t key =
        GetBValue(p.m_clrFrom) | (uint32_t)GetGValue(p.m_clrFrom) << 8 | (uint32_t)GetRValue(p.m_clrFrom) << 16;
    const uint32_t rep =
        GetBValue(p.m_clrTo) | (uint32_t)GetGValue(p.m_clrTo) << 8 | (uint32_t)GetRValue(p.m_clrTo) << 16;
    size_t n;
    PixelCount(sizeSrc, n);
    ForPixelRanges(n, [=](size_t first, size_t end) {
        const PixelWord* in = (const PixelWord*)(pSrc + first);
        PixelWord* out = (PixelWord*)(pDst + first);
        const size_t count = end - first;
        for (size_t i = 0; i < count; ++i)
            out[i] = (in[i] & 0x00FFFFFFu) == key ? rep : in[i];
    });
    return 1;
}

}  // namespace kpimg
