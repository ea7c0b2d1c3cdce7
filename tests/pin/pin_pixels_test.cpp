// A pin's zoomed pixels: any part of the picture is that part of the whole
// picture worked out box by box from the definition, at zooms either way.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "lib/imaging/worker_pool.h"
#include "pin_pixels.h"

namespace {

struct Image {
    int w, h;
    ptrdiff_t nStride;  // in pixels
    std::vector<uint32_t> px;
    uint32_t At(int x, int y) const { return px[(size_t)y * nStride + x]; }
};

Image RandomImage(std::mt19937& rng, int w, int h) {
    Image image{w, h, w + 3, {}};
    image.px.resize((size_t)image.nStride * h);
    for (uint32_t& p : image.px)
        p = (uint32_t)rng();  // the fourth byte too: it must not leak in
    return image;
}

// Picture pixel (x, y) at dw x dh, from the definition.
uint32_t Expected(const Image& s, int dw, int dh, int x, int y, bool bSmooth) {
    auto cover = [](long long i, int n, int d, int& lo, int& hi) {
        lo = (int)(i * n / d);
        hi = std::max(lo + 1, (int)((i + 1) * n / d));
    };
    int c0, c1, r0, r1;
    cover(x, s.w, dw, c0, c1);
    cover(y, s.h, dh, r0, r1);
    if (!bSmooth || (dw >= s.w && dh >= s.h)) {
        int cx = dw >= s.w ? c0 : (int)((2LL * x + 1) * s.w / (2LL * dw));
        int cy = dh >= s.h ? r0 : (int)((2LL * y + 1) * s.h / (2LL * dh));
        return s.At(cx, cy) & 0xFFFFFF;
    }
    uint32_t out = 0;
    for (int k = 0; k < 3; ++k) {
        uint64_t sum = 0, n = 0;
        for (int r = r0; r < r1; ++r)
            for (int c = c0; c < c1; ++c, ++n)
                sum += (s.At(c, r) >> (8 * k)) & 0xFF;
        out |= (uint32_t)((sum + n / 2) / n) << (8 * k);
    }
    return out;
}

TEST(PinPixels, EveryPartIsThePictureByItsDefinition) {
    std::mt19937 rng(34);
    const struct {
        int sw, sh, dw, dh;
    } sizes[] = {{97, 61, 194, 122}, {97, 61, 121, 76}, {97, 61, 48, 31}, {97, 61, 10, 6},
                 {97, 61, 32, 20},   {640, 400, 64, 40}, {5, 3, 1, 1},   {300, 200, 297, 198}};
    for (int nThreads : {1, 4}) {
        kpimg::SetThreadLimit(nThreads);
        for (const auto& z : sizes) {
            const Image src = RandomImage(rng, z.sw, z.sh);
            for (bool bSmooth : {true, false}) {
                // The whole picture, and a part in its middle.
                const CRect parts[] = {{0, 0, z.dw, z.dh},
                                       {z.dw / 3, z.dh / 4, z.dw / 3 + std::max(1, z.dw / 2), z.dh / 4 + std::max(1, z.dh / 2)}};
                for (const CRect& rc : parts) {
                    SCOPED_TRACE(testing::Message() << z.sw << "x" << z.sh << " at " << z.dw << "x" << z.dh << " smooth "
                                                    << bSmooth << " part " << rc.left << "," << rc.top << " threads "
                                                    << nThreads);
                    const ptrdiff_t nDstStride = rc.Width() + 2;
                    std::vector<uint32_t> dst((size_t)nDstStride * rc.Height(), 0xDEADBEEF);
                    ASSERT_TRUE(kppin::ZoomPixels(src.px.data(), src.w, src.h, src.nStride * 4, z.dw, z.dh, rc,
                                                  dst.data(), nDstStride * 4, bSmooth));
                    int nWrong = 0;
                    for (int y = 0; y < rc.Height(); ++y)
                        for (int x = 0; x < rc.Width(); ++x)
                            nWrong += dst[(size_t)y * nDstStride + x] !=
                                      Expected(src, z.dw, z.dh, rc.left + x, rc.top + y, bSmooth);
                    EXPECT_EQ(0, nWrong);
                    EXPECT_EQ(0xDEADBEEFu, dst[(size_t)rc.Width()]) << "wrote past the part's row";
                }
            }
        }
    }
    kpimg::SetThreadLimit(0);
}

TEST(PinPixels, RefusesWhatIsNoPictureOrNoPartOfIt) {
    uint32_t px[4] = {};
    const struct {
        int sw, dw;
        CRect rc;
    } bad[] = {{0, 2, {0, 0, 1, 1}}, {2, 0, {0, 0, 1, 1}}, {2, 40000, {0, 0, 1, 1}}, {2, 2, {1, 0, 3, 1}},
               {2, 2, {-1, 0, 1, 1}}, {2, 2, {1, 1, 1, 1}}};
    for (const auto& b : bad)
        EXPECT_FALSE(kppin::ZoomPixels(px, b.sw, 2, 8, b.dw, 2, b.rc, px, 8, true));
    EXPECT_FALSE(kppin::ZoomPixels(nullptr, 2, 2, 8, 2, 2, CRect(0, 0, 1, 1), px, 8, true));
}

}  // namespace
