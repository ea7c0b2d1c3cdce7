// Thumbnails as area means: random images against the mean of each box
// worked out pixel by pixel, with padded rows, both pixel sizes, one thread
// and several.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "lib/imaging/box_thumbnail.h"
#include "lib/imaging/worker_pool.h"

namespace {

struct Source {
    int w, h, bytes;
    ptrdiff_t stride;
    std::vector<uint8_t> data;
};

Source RandomSource(std::mt19937& rng, int w, int h, int bytes) {
    Source s{w, h, bytes, (ptrdiff_t)w * bytes + std::uniform_int_distribution<int>(0, 5)(rng), {}};
    s.data.resize((size_t)s.stride * h);
    for (uint8_t& b : s.data)
        b = (uint8_t)rng();
    return s;
}

// Pixel (x, y) of the tw x th thumbnail, box by box from the definition.
void Expected(const Source& s, int tw, int th, int x, int y, uint8_t out[4]) {
    const long long c0 = (long long)x * s.w / tw, c1 = (long long)(x + 1) * s.w / tw;
    const long long r0 = (long long)y * s.h / th, r1 = (long long)(y + 1) * s.h / th;
    for (int k = 0; k < 4; ++k) {
        if (k == 3 && s.bytes == 3) {
            out[k] = 255;
            continue;
        }
        uint64_t sum = 0, n = 0;
        for (long long r = r0; r < r1; ++r)
            for (long long c = c0; c < c1; ++c, ++n)
                sum += s.data[(size_t)(r * s.stride + c * s.bytes + k)];
        out[k] = (uint8_t)((sum + n / 2) / n);
    }
}

class BoxThumbnails : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override { kpimg::SetThreadLimit(GetParam()); }
    void TearDown() override { kpimg::SetThreadLimit(0); }
};

TEST_P(BoxThumbnails, EveryPixelIsTheRoundedMeanOfItsBox) {
    std::mt19937 rng(2026 + GetParam());
    for (int i = 0; i < 60; ++i) {
        const int bytes = i % 2 ? 3 : 4;
        const int w = std::uniform_int_distribution<int>(1, i % 5 == 0 ? 1200 : 300)(rng);
        const int h = std::uniform_int_distribution<int>(1, 300)(rng);
        Source s = RandomSource(rng, w, h, bytes);
        // Now and then the image itself (a thumbnail that fits) or one pixel.
        int tw = std::uniform_int_distribution<int>(1, w)(rng), th = std::uniform_int_distribution<int>(1, h)(rng);
        if (i % 7 == 0) tw = w, th = h;
        if (i % 11 == 0) tw = th = 1;
        const ptrdiff_t dstStride = (ptrdiff_t)tw * 4 + 8;
        std::vector<uint8_t> dst((size_t)dstStride * th, 0xA5);
        ASSERT_TRUE(kpimg::BoxThumbnail(s.data.data(), w, h, s.stride, bytes, dst.data(), tw, th, dstStride));
        for (int y = 0; y < th; ++y) {
            for (int x = 0; x < tw; ++x) {
                uint8_t e[4];
                Expected(s, tw, th, x, y, e);
                ASSERT_EQ(memcmp(&dst[(size_t)(y * dstStride + x * 4)], e, 4), 0)
                    << w << "x" << h << " -> " << tw << "x" << th << " at " << x << "," << y;
            }
            // The row padding is not written.
            ASSERT_EQ(dst[(size_t)(y * dstStride + tw * 4)], 0xA5);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Threads, BoxThumbnails, ::testing::Values(1, 3),
                         [](const ::testing::TestParamInfo<int>& i) { return std::to_string(i.param) + "_threads"; });

TEST(BoxThumbnail, RefusesWhatItCannotMake) {
    std::vector<uint8_t> src(10 * 10 * 4, 1), dst(10 * 10 * 4, 0xA5);
    const struct {
        int sw, sh, bytes, tw, th;
    } refused[] = {
        {10, 10, 4, 11, 5},  // wider than the source
        {10, 10, 4, 5, 11},  // taller
        {10, 10, 4, 0, 5},   // empty
        {10, 10, 4, 5, -1},  // negative
        {10, 10, 2, 5, 5},   // no such pixel size
        {0, 10, 4, 1, 1},    // no source
    };
    for (const auto& r : refused)
        EXPECT_FALSE(kpimg::BoxThumbnail(src.data(), r.sw, r.sh, r.sw * 4, r.bytes, dst.data(), r.tw, r.th, 40));
    EXPECT_FALSE(kpimg::BoxThumbnail(nullptr, 10, 10, 40, 4, dst.data(), 5, 5, 20));
    EXPECT_FALSE(kpimg::BoxThumbnail(src.data(), 10, 10, 40, 4, nullptr, 5, 5, 20));
    for (uint8_t b : dst)
        ASSERT_EQ(b, 0xA5);
}

}  // namespace
