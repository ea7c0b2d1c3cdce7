// Chooses the build of the hot loops once, from what the processor reports.
#include "wide_loops.h"

#define KP_DECLARE_LOOPS(ns)                                                                                         \
    namespace ns {                                                                                                   \
    void RotatePixels(const kpimg::RotateJob& j);                                                                    \
    void ShearPixels(const kpimg::ShearJob& j);                                                                      \
    void EnlargePixels(const kpimg::EnlargeJob& j);                                                                  \
    uint32_t SampleOne(const kpimg::PixelWord* src, int w, int h, double x, double y);                               \
    void SharpenPlanes(const kpimg::PixelWord* in, double* planes, int w);                                           \
    void SharpenInner(const double* a, const double* b, const double* c, kpimg::PixelWord* out, int w,               \
                      const kpimg::PixelWord* fill, double kc, double kh);                                           \
    void BlurInner(const kpimg::PixelWord* above, const kpimg::PixelWord* row, const kpimg::PixelWord* below,        \
                   kpimg::PixelWord* out, int w, const kpimg::PixelWord* fill, uint32_t centreLess1, uint32_t magic, \
                   int shift);                                                                                       \
    void AddRow(uint16_t* sum, const uint8_t* row, size_t lanes);                                                    \
    void PairMeans(const uint16_t* sum, kpimg::PixelWord* out, int count, uint32_t m);                               \
    void Grey(const kpimg::PixelWord* src, kpimg::PixelWord* dst, size_t n);                                         \
    }

KP_DECLARE_LOOPS(kpimg_base)
#if defined(__x86_64__) || defined(__i386__)
#define KP_HAVE_AVX2_LOOPS 1
KP_DECLARE_LOOPS(kpimg_avx2)
#endif

namespace kpimg {

namespace {

const WideLoops kBase = {kpimg_base::RotatePixels, kpimg_base::ShearPixels,   kpimg_base::EnlargePixels,
                         kpimg_base::SampleOne,    kpimg_base::SharpenPlanes, kpimg_base::SharpenInner,
                         kpimg_base::BlurInner,    kpimg_base::AddRow,        kpimg_base::PairMeans,
                         kpimg_base::Grey};
#ifdef KP_HAVE_AVX2_LOOPS
const WideLoops kAvx2 = {kpimg_avx2::RotatePixels, kpimg_avx2::ShearPixels,   kpimg_avx2::EnlargePixels,
                         kpimg_avx2::SampleOne,    kpimg_avx2::SharpenPlanes, kpimg_avx2::SharpenInner,
                         kpimg_avx2::BlurInner,    kpimg_avx2::AddRow,        kpimg_avx2::PairMeans,
                         kpimg_avx2::Grey};
#endif

bool g_bAllowWide = true;

bool HasAvx2() {
#ifdef KP_HAVE_AVX2_LOOPS
    static const bool bHas = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return bHas;
#else
    return false;
#endif
}

}  // namespace

const WideLoops& Wide() {
#ifdef KP_HAVE_AVX2_LOOPS
    if (g_bAllowWide && HasAvx2()) return kAvx2;
#endif
    return kBase;
}

void AllowWideSampling(bool bAllow) { g_bAllowWide = bAllow; }

}  // namespace kpimg
