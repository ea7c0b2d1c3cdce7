// Shear along both axes; the offsets are fractions of the destination size.
#include "image_processors.h"
#include "pixel_math.h"
#include "processor_runs.h"
#include "wide_loops.h"

CImageShearer::CImageShearer(int nAcross, int nDown, int bWeighted)
    : CImage32BitProcessor(bWeighted), m_nAcross(nAcross), m_nDown(nDown) {}

CSize CImageShearer::CalcDestSize(CSize size) {
    if (size.cx < 0 || size.cy < 0) return size;
    // In 64 bits: abs(INT_MIN) and the sums would wrap in int.
    long long across = m_nAcross, down = m_nDown;
    if (across < 0) across = -across;
    if (down < 0) down = -down;
    return CSize(kpimg::SatInt(size.cx + across), kpimg::SatInt(size.cy + down));
}

int CImageShearer::ProcessPixels(RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst) {
    return kpimg::ProcessorRuns::Shear(*this, pSrc, sizeSrc, pDst, sizeDst, nullptr);
}

namespace kpimg {

int ProcessorRuns::Shear(CImageShearer& p, RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst,
                         const uint32_t* pFill) {
    if (!ValidArrays(pSrc, sizeSrc, pDst, sizeDst, p.CalcDestSize(sizeSrc))) return 0;
    if (p.m_nAcross == 0 && p.m_nDown == 0) return Copy(pSrc, sizeSrc, pDst, sizeDst);

    ShearJob job;
    if (!SetFrame(job, pSrc, sizeSrc, pDst, sizeDst, pFill)) {
        // Nothing to sample: the whole canvas is background.
        size_t n;
        if (pFill != nullptr && PixelCount(sizeDst, n)) FillPixels(pDst, n, *pFill);
        return 1;
    }
    job.across = p.m_nAcross;
    job.down = p.m_nDown;
    job.weighted = p.m_bWeighted != 0;
    job.rowScratch = nullptr;
    void (*const run)(const ShearJob&) = Wide().Shear;
    ForRowBands(job.dh, (long long)job.dw * job.dh, [&](int first, int end, Scratch& scratch) {
        ShearJob band = job;
        band.y0 = first;
        band.y1 = end;
        band.rowScratch = (double*)scratch.Get((size_t)job.dw * sizeof(double));
        run(band);
    });
    return 1;
}

}  // namespace kpimg
