// The processor base: the identity size, the copy step of the family, the
// public weighted sampler, and the runner of a chain step.
#include "image_processors.h"

#include <string.h>

#include <typeinfo>

#include "pixel_math.h"
#include "processor_runs.h"
#include "wide_loops.h"

void KpSetImageThreads(int nThreads) { kpimg::SetThreadLimit(nThreads); }

int KpGetImageThreads() { return kpimg::ThreadLimit(); }

CImage32BitProcessor::CImage32BitProcessor(int bWeighted) : m_bWeighted(bWeighted) {}

CImage32BitProcessor::~CImage32BitProcessor() {}

CSize CImage32BitProcessor::CalcDestSize(CSize size) { return size; }

int CImage32BitProcessor::ProcessPixels(RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst) {
    return kpimg::ProcessorRuns::Copy(pSrc, sizeSrc, pDst, sizeDst);
}

RGBX CImage32BitProcessor::CalcWeightedColor(RGBX* pSrc, CSize sizeSrc, double x, double y) {
    size_t n;
    if (pSrc == nullptr || !kpimg::PixelCount(sizeSrc, n) || n == 0) return RGBX();
    RGBX out;
    kpimg::Store32(&out, kpimg::Wide().Sample((const kpimg::PixelWord*)pSrc, sizeSrc.cx, sizeSrc.cy, x, y));
    return out;
}

namespace kpimg {

int ProcessorRuns::Copy(RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst) {
    size_t nSrc, nDst;
    if (!PixelCount(sizeSrc, nSrc) || !PixelCount(sizeDst, nDst)) return 0;
    // Copying more than the source holds would read past it.
    if (nDst > nSrc) return 0;
    if (nDst == 0) return 1;
    if (pSrc == nullptr || pDst == nullptr) return 0;
    ForPixelRanges(nDst, [=](size_t first, size_t end) {
        memcpy((void*)(pDst + first), pSrc + first, (end - first) * sizeof(RGBX));
    });
    return 1;
}

void FillPixels(RGBX* pPixels, size_t n, uint32_t v) {
    ForPixelRanges(n, [=](size_t first, size_t end) {
        PixelWord* p = (PixelWord*)(pPixels + first);
        const size_t count = end - first;
        // The two common backgrounds, white and black, are byte fills.
        if (v == 0 || v == 0xFFFFFFFFu)
            memset((void*)p, (int)(v & 0xFF), count * sizeof(RGBX));
        else
            for (size_t i = 0; i < count; ++i)
                p[i] = v;
    });
}

int ProcessorRuns::Run(CImage32BitProcessor& p, RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst, uint32_t nFill) {
    // Only the exact classes: a subclass may compute its pixels otherwise.
    const std::type_info& type = typeid(p);
    const uint32_t* pFill = &nFill;
    if (type == typeid(CImageRotator))
        return Rotate(static_cast<CImageRotator&>(p), pSrc, sizeSrc, pDst, sizeDst, pFill);
    if (type == typeid(CImageShearer))
        return Shear(static_cast<CImageShearer&>(p), pSrc, sizeSrc, pDst, sizeDst, pFill);
    if (type == typeid(CImageResizer))
        return Resize(static_cast<CImageResizer&>(p), pSrc, sizeSrc, pDst, sizeDst, pFill);
    if (type == typeid(CImageNegator))
        return Negate(static_cast<CImageNegator&>(p), pSrc, sizeSrc, pDst, sizeDst, pFill);
    if (type == typeid(CImageBlurrer)) return Blur(static_cast<CImageBlurrer&>(p), pSrc, sizeSrc, pDst, sizeDst, pFill);
    if (type == typeid(CImageSharpener))
        return Sharpen(static_cast<CImageSharpener&>(p), pSrc, sizeSrc, pDst, sizeDst, pFill);
    // These write all four bytes of every destination pixel: nothing to fill.
    if (type == typeid(CImageFlipper)) return Flip(static_cast<CImageFlipper&>(p), pSrc, sizeSrc, pDst, sizeDst);
    if (type == typeid(CImageGrayer)) return Grey(static_cast<CImageGrayer&>(p), pSrc, sizeSrc, pDst, sizeDst);
    if (type == typeid(CImageColorReplacer))
        return Replace(static_cast<CImageColorReplacer&>(p), pSrc, sizeSrc, pDst, sizeDst);
    if (type == typeid(CImage32BitProcessor)) return Copy(pSrc, sizeSrc, pDst, sizeDst);

    size_t n;
    if (pDst == nullptr || !PixelCount(sizeDst, n)) return 0;
    FillPixels(pDst, n, nFill);
    return p.ProcessPixels(pSrc, sizeSrc, pDst, sizeDst);
}

}  // namespace kpimg
