// Mirroring left-right and top-bottom.
#include <string.h>

#include "image_processors.h"
#include "pixel_math.h"

CImageFlipper::CImageFlipper(int bHorz, int bVert) : CImage32BitProcessor(0), m_bHorz(bHorz), m_bVert(bVert) {}

int CImageFlipper::ProcessPixels(RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst)
{
    if (!kpimg::ValidArrays(pSrc, sizeSrc, pDst, sizeDst, CalcDestSize(sizeSrc))) return 0;
    const int w = sizeSrc.cx, h = sizeSrc.cy;
    if (w == 0 || h == 0) return 1;
    for (int y = 0; y < h; ++y) {
        const RGBX* in = pSrc + (ptrdiff_t)y * w;
        RGBX* out = pDst + (ptrdiff_t)(m_bVert ? h - 1 - y : y) * w;
        if (!m_bHorz) {
            memcpy(out, in, (size_t)w * sizeof(RGBX));
        } else {
            RGBX* end = out + w - 1;
            for (int x = 0; x < w; ++x) end[-x] = in[x];
        }
    }
    return 1;
}
