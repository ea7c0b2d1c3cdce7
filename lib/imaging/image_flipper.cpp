// Mirroring left-right and top-bottom.
#include <string.h>

#include "image_processors.h"
#include "pixel_math.h"
#include "processor_runs.h"

CImageFlipper::CImageFlipper(int bHorz, int bVert) : CImage32BitProcessor(0), m_bHorz(bHorz), m_bVert(bVert) {}

int CImageFlipper::ProcessPixels(RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst) {
    return kpimg::ProcessorRuns::Flip(*this, pSrc, sizeSrc, pDst, sizeDst);
}

namespace kpimg {

int ProcessorRuns::Flip(CImageFlipper& p, RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst) {
    if (!ValidArrays(pSrc, sizeSrc, pDst, sizeDst, p.CalcDestSize(sizeSrc))) return 0;
    const int w = sizeSrc.cx, h = sizeSrc.cy;
    if (w == 0 || h == 0) return 1;
    const bool bHorz = p.m_bHorz != 0, bVert = p.m_bVert != 0;
    ForRowBands(h, (long long)w * h, [=](int first, int end, Scratch&) {
        for (int y = first; y < end; ++y) {
            const RGBX* in = pSrc + (ptrdiff_t)y * w;
            RGBX* out = pDst + (ptrdiff_t)(bVert ? h - 1 - y : y) * w;
            if (!bHorz) {
                memcpy((void*)out, in, (size_t)w * sizeof(RGBX));
            } else {
                RGBX* last = out + w - 1;
                for (int x = 0; x < w; ++x)
                    last[-x] = in[x];
            }
        }
    });
    return 1;
}

}  // namespace kpimg
