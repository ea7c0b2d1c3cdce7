// A library of its own that uses Kaptolib's processors: the unload test
// loads and frees it, and Kaptolib comes and goes with it.
#include <windows.h>

#include <vector>

#include "image_processors.h"

extern "C" __declspec(dllexport) int ProbeRotate(int nThreads) {
    KpSetImageThreads(nThreads);
    // Large enough to be cut into bands for every thread.
    const CSize size(1000, 700);
    std::vector<RGBX> src((size_t)size.cx * size.cy);
    for (size_t i = 0; i < src.size(); ++i)
        src[i].g = (BYTE)i;
    CImageRotator rotate(33, 1);
    const CSize out = rotate.CalcDestSize(size);
    std::vector<RGBX> dst((size_t)out.cx * out.cy);
    return rotate.ProcessPixels(src.data(), size, dst.data(), out);
}
