// The processors' documented edge cases on small images. Every expectation
// is worked out by hand from the formulas (the arithmetic is in the
// comments), never by running the code under test.
#include <gtest/gtest.h>
#include <limits.h>
#include <math.h>

#include <vector>

#include "image_processors.h"
#include "pixel_test_support.h"

namespace {

bool Same(const RGBX& a, const RGBX& b) { return a.b == b.b && a.g == b.g && a.r == b.r && a.x == b.x; }

struct Image {
    int w, h;
    std::vector<RGBX> px;
    Image(int cx, int cy, RGBX fill = RGBX()) : w(cx), h(cy), px((size_t)cx * cy, fill) {}
    RGBX& at(int x, int y) { return px[(size_t)y * w + x]; }
    CSize size() const { return CSize(w, h); }
};

const RGBX kBack = Px(1, 2, 3, 0xEE);  // destination background in these tests

// Runs p on src into a fresh destination filled with kBack.
Image RunOn(CImage32BitProcessor& p, Image& src, int* result = nullptr) {
    CSize d = p.CalcDestSize(src.size());
    Image dst(d.cx, d.cy, kBack);
    int r = p.ProcessPixels(src.px.data(), src.size(), dst.px.data(), d);
    if (result) *result = r;
    return dst;
}

// ---- CalcWeightedColor -------------------------------------------------

struct SampleCase {
    const char* name;
    double x, y;
    RGBX expect;
};

// 12 x 5 image, all (b 0, g 0, r 0, x 9) but for a few marked pixels:
// (10,3).r = 100, (11,3).r = 200, (10,4).r = 0, (11,4).r = 250 (diagonal,
// never read), (0,1) = (b5 g6 r7 x8), (11,0).r = 40, (0,1) is also the
// pixel right after (11,0) in memory.
Image SampleImage() {
    Image im(12, 5, Px(0, 0, 0, 9));
    im.at(10, 3) = Px(0, 0, 100, 9);
    im.at(11, 3) = Px(0, 0, 200, 9);
    im.at(10, 4) = Px(0, 0, 0, 9);
    im.at(11, 4) = Px(0, 0, 250, 9);
    im.at(0, 1) = Px(5, 6, 7, 8);
    im.at(11, 0) = Px(0, 0, 40, 9);
    im.at(11, 1) = Px(0, 0, 20, 9);
    return im;
}

const SampleCase kSampleCases[] = {
    // Integral position: P00 with x = 0.
    {"integral", 10, 3, Px(0, 0, 100, 0)},
    // 0.5 * (0.75*100 + 0.25*200 + 0.5*100 + 0.5*0) = 0.5 * 175 = 87.5 -> 87.
    {"worked_example", 10.25, 3.5, Px(0, 0, 87, 0)},
    // Last column: P10 is P00. x = 11.5, y = 0.5: 0.5*(0.5*40 + 0.5*40 +
    // 0.5*40 + 0.5*20) = 0.5 * 70 = 35. Reading (0,1) as P10 would give r 7.
    {"last_column_repeats_edge", 11.5, 0.5, Px(0, 0, 35, 0)},
    // Last row: P01 is P00. x = 10.5, y = 4.5: P00 = (10,4) r 0, P10 =
    // (11,4) r 250: 0.5*(0 + 125 + 0 + 0) = 62.5 -> 62.
    {"last_row_repeats_edge", 10.5, 4.5, Px(0, 0, 62, 0)},
    // Negative x: column 0 of row trunc(1.7) = 1, returned whole.
    {"negative_x", -0.5, 1.7, Px(5, 6, 7, 8)},
    // Negative y: row 0 at column trunc(11.9) = 11, whole.
    {"negative_y", 11.9, -3.0, Px(0, 0, 40, 9)},
    // Both negative: (0, 0).
    {"both_negative", -7.0, -0.1, Px(0, 0, 0, 9)},
};

class SampleTest : public ::testing::TestWithParam<SampleCase> {};

TEST_P(SampleTest, Colour) {
    const SampleCase& c = GetParam();
    Image im = SampleImage();
    CImage32BitProcessor p;
    RGBX got = p.CalcWeightedColor(im.px.data(), im.size(), c.x, c.y);
    EXPECT_TRUE(Same(got, c.expect)) << Show(got) << " expected " << Show(c.expect);
}

INSTANTIATE_TEST_SUITE_P(Sampler, SampleTest, ::testing::ValuesIn(kSampleCases),
                         [](const ::testing::TestParamInfo<SampleCase>& i) { return std::string(i.param.name); });

TEST(Sampler, PositionsPastTheArrayStayInside) {
    Image im = SampleImage();
    CImage32BitProcessor p;
    // Never produced by the processors; must not read outside the array.
    RGBX a = p.CalcWeightedColor(im.px.data(), im.size(), 1e12, 3.0);
    EXPECT_EQ(a.r, 200);
    RGBX b = p.CalcWeightedColor(im.px.data(), im.size(), NAN, NAN);
    EXPECT_EQ(b.r, 250);
}

// ---- Base ---------------------------------------------------------------

TEST(Base, SizeUnchangedAndCopiesExactlyTheDestinationCount) {
    CImage32BitProcessor p;
    EXPECT_TRUE(p.CalcDestSize(CSize(7, 3)) == CSize(7, 3));
    Image src(3, 2);
    for (int i = 0; i < 6; ++i)
        src.px[i] = Px(i, i, i, i);
    std::vector<RGBX> dst(6, kBack);
    EXPECT_EQ(p.ProcessPixels(src.px.data(), CSize(3, 2), dst.data(), CSize(2, 2)), 1);
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(Same(dst[i], Px(i, i, i, i)));
    EXPECT_TRUE(Same(dst[4], kBack));
    EXPECT_TRUE(Same(dst[5], kBack));
}

// ---- Rotation -----------------------------------------------------------

struct RotSizeCase {
    const char* name;
    int degrees;
    int w, h, dw, dh;
};

// (2X+2, 2Y+2), X = trunc(0.5(w|C| + h|S|)), Y = trunc(0.5(w|S| + h|C|)).
const RotSizeCase kRotSizes[] = {
    {"deg90", 90, 100, 50, 52, 102},      // X = trunc(25 + tiny) = 25, Y = 50
    {"deg180", 180, 100, 50, 102, 52},    // X = 50, Y = 25
    {"deg45", 45, 100, 50, 108, 108},     // 0.5 * 150 * 0.7071 = 53.03 -> 53
    {"deg30", 30, 100, 50, 112, 94},      // 0.5(86.60 + 25) = 55.8; 0.5(50 + 43.30) = 46.65
    {"deg0", 0, 100, 50, 100, 50},        // identity
    {"deg360", 360, 100, 50, 100, 50},    // 360 -> 0
    {"degm360", -360, 100, 50, 100, 50},  // -360 -> 0
    {"deg720", 720, 9, 4, 9, 4},         {"empty_width", 45, 0, 7, 0, 7},
    {"empty_height", 45, 7, 0, 7, 0},    {"one_pixel", 45, 1, 1, 2, 2},  // X = trunc(0.5 * (0.7071 + 0.7071)) = 0
};

class RotSizeTest : public ::testing::TestWithParam<RotSizeCase> {};

TEST_P(RotSizeTest, CanvasSize) {
    const RotSizeCase& c = GetParam();
    CImageRotator r(c.degrees, 0);
    CSize s = r.CalcDestSize(CSize(c.w, c.h));
    EXPECT_EQ(s.cx, c.dw);
    EXPECT_EQ(s.cy, c.dh);
}

INSTANTIATE_TEST_SUITE_P(Rotation, RotSizeTest, ::testing::ValuesIn(kRotSizes),
                         [](const ::testing::TestParamInfo<RotSizeCase>& i) { return std::string(i.param.name); });

Image Numbered(int w, int h) {
    Image im(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            im.at(x, y) = Px(x * 7 + y, y * 11 + x, (x * 13 + y * 17) & 255, 7);
    return im;
}

TEST(Rotation, ZeroFullTurnsAreExactCopies) {
    for (int deg : {0, 360, -360, 1080}) {
        Image src = Numbered(5, 3);
        CImageRotator r(deg, 1);
        int res = 0;
        Image dst = RunOn(r, src, &res);
        EXPECT_EQ(res, 1);
        ASSERT_EQ(dst.w, 5);
        for (size_t i = 0; i < src.px.size(); ++i)
            EXPECT_TRUE(Same(dst.px[i], src.px[i])) << deg;
    }
}

TEST(Rotation, NegativeDegreesWrapIntoOneTurn) {
    // -90 -> 270, -361 -> 359, -1 -> 359: same output as the positive form.
    const int pairs[][2] = {{-90, 270}, {-361, 359}, {-1, 359}, {-450, 270}};
    for (auto& pr : pairs) {
        Image src = Numbered(9, 6);
        CImageRotator a(pr[0], 1), b(pr[1], 1);
        Image da = RunOn(a, src), db = RunOn(b, src);
        ASSERT_EQ(da.w, db.w);
        ASSERT_EQ(da.h, db.h);
        for (size_t i = 0; i < da.px.size(); ++i)
            ASSERT_TRUE(Same(da.px[i], db.px[i])) << pr[0];
    }
}

TEST(Rotation, RadiansZeroIsAFullTurnNotTheIdentity) {
    CImageRotator r(0.0);
    // cos = 1, sin = -2.4e-16: X = |trunc(-50 - 6e-15)| = 50, Y = 25.
    CSize s = r.CalcDestSize(CSize(100, 50));
    EXPECT_EQ(s.cx, 102);
    EXPECT_EQ(s.cy, 52);
    // Resampled with a background margin: the corner (101, 51) maps to
    // (51, 25) from the centre, outside the accepted [-50, 49) x [-25, 24);
    // the canvas centre (50, 26) maps to (0, 0), source pixel (50, 25).
    Image src(100, 50, Px(10, 20, 30, 7));
    Image dst = RunOn(r, src);
    EXPECT_TRUE(Same(dst.at(101, 51), kBack));
    EXPECT_TRUE(Same(dst.at(101, 0), kBack));
    EXPECT_TRUE(Same(dst.at(50, 26), Px(10, 20, 30, 7)));
}

TEST(Rotation, HugeAndNonFiniteRadiansTerminate) {
    // No endless stepping by 2*pi; a non-finite angle turns like 0.
    for (double a : {1e300, -1e300, 1e17, (double)INFINITY, -(double)INFINITY, (double)NAN}) {
        CImageRotator r(a);
        CSize s = r.CalcDestSize(CSize(100, 50));
        EXPECT_GE(s.cx, 52) << a;
        EXPECT_LE(s.cx, 114) << a;
    }
    CImageRotator inf(INFINITY);
    EXPECT_TRUE(inf.CalcDestSize(CSize(100, 50)) == CSize(102, 52));
}

TEST(Rotation, LastColumnAndRowAreNeverSampled) {
    // Last column and row in a marker colour; every angle: the marker never
    // reaches the canvas (nearest copies whole source pixels).
    const RGBX marker = Px(200, 100, 50, 1);
    for (int deg = 1; deg < 360; deg += 7) {
        Image src(9, 7, Px(10, 10, 10, 7));
        for (int y = 0; y < 7; ++y)
            src.at(8, y) = marker;
        for (int x = 0; x < 9; ++x)
            src.at(x, 6) = marker;
        CImageRotator r(deg, 0);
        Image dst = RunOn(r, src);
        for (const RGBX& p : dst.px) {
            ASSERT_FALSE(Same(p, marker)) << deg;
            ASSERT_TRUE(Same(p, kBack) || Same(p, Px(10, 10, 10, 7))) << deg;
        }
    }
}

TEST(Rotation, NinetyDegreesOfA100x50) {
    // 52 x 102; corners are background; the centre of the canvas holds the
    // picture; the fourth byte of nearest samples is the source's.
    Image src(100, 50, Px(10, 20, 30, 7));
    CImageRotator r(90, 0);
    Image dst = RunOn(r, src);
    ASSERT_EQ(dst.w, 52);
    ASSERT_EQ(dst.h, 102);
    EXPECT_TRUE(Same(dst.at(0, 0), kBack));
    EXPECT_TRUE(Same(dst.at(51, 101), kBack));
    EXPECT_TRUE(Same(dst.at(26, 51), Px(10, 20, 30, 7)));
    // Weighted: interpolated pixels of a uniform image have x = 0.
    CImageRotator rw(90, 1);
    Image dw = RunOn(rw, src);
    EXPECT_TRUE(Same(dw.at(26, 51), Px(10, 20, 30, 0)));
}

// ---- Shear --------------------------------------------------------------

TEST(Shear, Sizes) {
    EXPECT_TRUE(CImageShearer(10, 0, 0).CalcDestSize(CSize(100, 50)) == CSize(110, 50));
    EXPECT_TRUE(CImageShearer(0, -20, 0).CalcDestSize(CSize(100, 50)) == CSize(100, 70));
    EXPECT_TRUE(CImageShearer(-3, 4, 1).CalcDestSize(CSize(0, 5)) == CSize(3, 9));
    // abs(INT_MIN) and the sum saturate instead of wrapping.
    EXPECT_TRUE(CImageShearer(INT_MAX, INT_MIN, 0).CalcDestSize(CSize(1, 1)) == CSize(INT_MAX, INT_MAX));
}

// 4 x 2 source, pixel (x, y) = Px(x, y, 0, 7).
Image Small4x2() {
    Image im(4, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            im.at(x, y) = Px(x, y, 0, 7);
    return im;
}

TEST(Shear, AcrossPositiveNearest) {
    // (2, 0) -> 6 x 2. Row 0: offX = 2*2/2 = 2, sx = x - 2, x = 2..5 take
    // source 0..3; x = 1 gives -1 (refused). Row 1: offX = 1*2/2 = 1,
    // x = 1..4 take 0..3; x = 0 -> -1 and x = 5 -> 4 are refused.
    Image src = Small4x2();
    CImageShearer s(2, 0, 0);
    Image d = RunOn(s, src);
    ASSERT_EQ(d.w, 6);
    ASSERT_EQ(d.h, 2);
    const int row0[6] = {-1, -1, 0, 1, 2, 3}, row1[6] = {-1, 0, 1, 2, 3, -1};
    for (int x = 0; x < 6; ++x) {
        EXPECT_TRUE(Same(d.at(x, 0), row0[x] < 0 ? kBack : Px(row0[x], 0, 0, 7))) << x;
        EXPECT_TRUE(Same(d.at(x, 1), row1[x] < 0 ? kBack : Px(row1[x], 1, 0, 7))) << x;
    }
}

TEST(Shear, AcrossNegativeMovesTheBottom) {
    // (-2, 0): offX = 2*y/2 = y. Row 0 unmoved, row 1 moved right by 1.
    Image src = Small4x2();
    CImageShearer s(-2, 0, 0);
    Image d = RunOn(s, src);
    const int row0[6] = {0, 1, 2, 3, -1, -1}, row1[6] = {-1, 0, 1, 2, 3, -1};
    for (int x = 0; x < 6; ++x) {
        EXPECT_TRUE(Same(d.at(x, 0), row0[x] < 0 ? kBack : Px(row0[x], 0, 0, 7))) << x;
        EXPECT_TRUE(Same(d.at(x, 1), row1[x] < 0 ? kBack : Px(row1[x], 1, 0, 7))) << x;
    }
}

TEST(Shear, DownNegativeMovesTheLeftColumn) {
    // 2 x 2 source, (0, -2) -> 2 x 4. offY = 2*(2 - x)/2: column 0 down by
    // 2, column 1 down by 1.
    Image src(2, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x)
            src.at(x, y) = Px(x, y, 9, 7);
    CImageShearer s(0, -2, 0);
    Image d = RunOn(s, src);
    ASSERT_EQ(d.w, 2);
    ASSERT_EQ(d.h, 4);
    const int col0[4] = {-1, -1, 0, 1}, col1[4] = {-1, 0, 1, -1};
    for (int y = 0; y < 4; ++y) {
        EXPECT_TRUE(Same(d.at(0, y), col0[y] < 0 ? kBack : Px(0, col0[y], 9, 7))) << y;
        EXPECT_TRUE(Same(d.at(1, y), col1[y] < 0 ? kBack : Px(1, col1[y], 9, 7))) << y;
    }
}

TEST(Shear, DownPositiveUsesTheDestinationWidth) {
    // 3 x 1 source, (1, 2) -> 4 x 3; offY = 2*x/4 (not /3): x = 3 -> 1.5;
    // offX = (3 - y)*1/3.
    Image src(3, 1);
    for (int x = 0; x < 3; ++x)
        src.at(x, 0) = Px(x, 0, 0, 7);
    CImageShearer s(1, 2, 0);
    Image d = RunOn(s, src);
    ASSERT_EQ(d.w, 4);
    ASSERT_EQ(d.h, 3);
    // y = 1: offX = 2/3; x = 3: sx = 2.333 -> 2, sy = 1 - 1.5 = -0.5 -> 0.
    // With /3 the offset would be 2 and sy = -1 refused.
    EXPECT_TRUE(Same(d.at(3, 1), Px(2, 0, 0, 7)));
    // y = 2: offX = 1/3; x = 3: sy = 0.5 -> 0, sx = 2.667 -> 2.
    EXPECT_TRUE(Same(d.at(3, 2), Px(2, 0, 0, 7)));
    // x = 2: offY = 1, y = 0: sy = -1 refused.
    EXPECT_TRUE(Same(d.at(2, 0), kBack));
    // x = 0, y = 0: offX = 1, sx = -1 refused; y = 2: sy = 2 past the
    // single source row.
    EXPECT_TRUE(Same(d.at(0, 0), kBack));
    EXPECT_TRUE(Same(d.at(0, 2), kBack));
    // x = 1, y = 0: sx = 0, sy = -0.5 -> row 0.
    EXPECT_TRUE(Same(d.at(1, 0), Px(0, 0, 0, 7)));
}

TEST(Shear, WeightedSamplesAndEdgePath) {
    // 2 x 2, r: (0,1) = 100, (1,1) = 200, row 0 = 0; (1, 0) weighted -> 3 x 2.
    // Row 1: offX = 1*1/2 = 0.5.
    //  x = 0: sx = -0.5 -> edge path, pixel (0,1) whole (x byte 7).
    //  x = 1: sx = 0.5: 0.5*(0.5*100 + 0.5*200 + 100 + 0*100) = 125, x 0.
    //  x = 2: sx = 1.5: P10 clamped = P00 = 200 -> 200.
    Image src(2, 2, Px(0, 0, 0, 7));
    src.at(0, 1) = Px(0, 0, 100, 7);
    src.at(1, 1) = Px(0, 0, 200, 7);
    CImageShearer s(1, 0, 1);
    Image d = RunOn(s, src);
    EXPECT_TRUE(Same(d.at(0, 1), Px(0, 0, 100, 7)));
    EXPECT_TRUE(Same(d.at(1, 1), Px(0, 0, 125, 0)));
    EXPECT_TRUE(Same(d.at(2, 1), Px(0, 0, 200, 0)));
}

TEST(Shear, ZeroIsACopy) {
    Image src = Numbered(5, 4);
    CImageShearer s(0, 0, 1);
    Image d = RunOn(s, src);
    for (size_t i = 0; i < src.px.size(); ++i)
        EXPECT_TRUE(Same(d.px[i], src.px[i]));
}

// ---- Scaling ------------------------------------------------------------

TEST(Resize, Sizes) {
    EXPECT_TRUE(CImageResizer(0.5).CalcDestSize(CSize(10, 10)) == CSize(5, 5));
    EXPECT_TRUE(CImageResizer(0.5).CalcDestSize(CSize(11, 3)) == CSize(5, 1));
    EXPECT_TRUE(CImageResizer(2).CalcDestSize(CSize(3, 1)) == CSize(6, 2));
    EXPECT_TRUE(CImageResizer(1000).CalcDestSize(CSize(1920, 1080)) == CSize(1920000, 1080000));
    EXPECT_TRUE(CImageResizer(1e300).CalcDestSize(CSize(2, 2)) == CSize(INT_MAX, INT_MAX));
    EXPECT_TRUE(CImageResizer(0.0001).CalcDestSize(CSize(100, 100)) == CSize(0, 0));
}

TEST(Resize, ShrinkHalfOf10x10) {
    // r = 10x + y. Boxes for sw = 10 at step 2: 0-2, 3-4, 5-6, 7-8, 9-9.
    // (0,0): cols 0-2, rows 0-2: 3*(0+10+20) + 3*(0+1+2) = 99, / 9 = 11.
    // (1,0): cols 3-4, rows 0-2: 3*(30+40) + 2*(0+1+2) = 216, / 6 = 36.
    // (4,4): col 9, row 9: 99. (2,1): cols 5-6, rows 3-4: 2*(50+60) +
    // 2*(3+4) = 234, / 4 = 58.
    Image src(10, 10);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            src.at(x, y) = Px(0, 255, 10 * x + y, 7);
    CImageResizer r(0.5);
    int res = 0;
    Image d = RunOn(r, src, &res);
    EXPECT_EQ(res, 1);
    ASSERT_EQ(d.w, 5);
    ASSERT_EQ(d.h, 5);
    // The fourth byte is the background's.
    EXPECT_TRUE(Same(d.at(0, 0), Px(0, 255, 11, 0xEE)));
    EXPECT_TRUE(Same(d.at(1, 0), Px(0, 255, 36, 0xEE)));
    EXPECT_TRUE(Same(d.at(4, 4), Px(0, 255, 99, 0xEE)));
    EXPECT_TRUE(Same(d.at(2, 1), Px(0, 255, 58, 0xEE)));
}

TEST(Resize, ShrinkLeavesEmptyBoxesAlone) {
    // 10 x 2 at 0.92 -> 9 x 1, step 1.08696. Column p = (i - 0.5) * step:
    // 0.54, 1.63, 2.72, 3.80, 4.89, 5.98, 7.07, 8.15, 9.24 -> rights 1, 2,
    // 3, 4, 5, 6, 8, 9 (clamped), 9 (clamped): boxes 0-1, 2, 3, 4, 5, 6,
    // 7-8, 9 and an empty one. Row: p = 0.54 -> rows 0-1.
    // r = 10x + 100y. (0): (0 + 10)*2 + 100*2 = 220 / 4 = 55;
    // (6): (70 + 80)*2 + 200 = 500 / 4 = 125; (7): (90 + 190) / 2 = 140.
    Image src(10, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 10; ++x)
            src.at(x, y) = Px(0, 0, 10 * x + 100 * y, 7);
    CImageResizer r(0.92);
    Image d = RunOn(r, src);
    ASSERT_EQ(d.w, 9);
    ASSERT_EQ(d.h, 1);
    EXPECT_TRUE(Same(d.at(0, 0), Px(0, 0, 55, 0xEE)));
    EXPECT_TRUE(Same(d.at(6, 0), Px(0, 0, 125, 0xEE)));
    EXPECT_TRUE(Same(d.at(7, 0), Px(0, 0, 140, 0xEE)));
    EXPECT_TRUE(Same(d.at(8, 0), kBack));
}

TEST(Resize, EnlargeByTwoSamplesHalfSteps) {
    // 2 x 2 r: (0,0) 0, (1,0) 100, (0,1) 200, (1,1) 50. Positions 0, 0.5,
    // 1, 1.5 in both directions.
    Image src(2, 2);
    src.at(0, 0) = Px(0, 0, 0, 7);
    src.at(1, 0) = Px(0, 0, 100, 7);
    src.at(0, 1) = Px(0, 0, 200, 7);
    src.at(1, 1) = Px(0, 0, 50, 7);
    CImageResizer r(2);
    Image d = RunOn(r, src);
    ASSERT_EQ(d.w, 4);
    ASSERT_EQ(d.h, 4);
    struct {
        int x, y, r;
    } expect[] = {
        {0, 0, 0},    // integral
        {1, 0, 25},   // 0.5*(0.5*0 + 0.5*100 + 0 + 0)
        {0, 1, 50},   // 0.5*(0 + 0 + 0.5*0 + 0.5*200)
        {1, 1, 75},   // 0.5*(0 + 50 + 0 + 100); bilinear would give 87
        {2, 0, 100},  // (1,0) integral
        {3, 0, 100},  // x 1.5: P10 clamped to P00 = 100; fy = 0
        {3, 3, 50},   // (1.5, 1.5): all three are (1,1)
        {2, 3, 50},   // (1, 1.5): P01 clamped
        {0, 3, 200},  // (0, 1.5): 0.5*(200 + 0 + 0.5*200 + 0.5*200)
    };
    for (auto& e : expect)
        EXPECT_TRUE(Same(d.at(e.x, e.y), Px(0, 0, e.r, 0))) << e.x << "," << e.y;
}

TEST(Resize, OneIsACopyAndNonPositiveFails) {
    Image src = Numbered(3, 3);
    CImageResizer one(1.0);
    int res = 0;
    Image d = RunOn(one, src, &res);
    EXPECT_EQ(res, 1);
    for (size_t i = 0; i < src.px.size(); ++i)
        EXPECT_TRUE(Same(d.px[i], src.px[i]));
    for (double f : {0.0, -1.0, -0.5, (double)NAN}) {
        CImageResizer bad(f);
        Image dst(3, 3, kBack);
        EXPECT_EQ(bad.ProcessPixels(src.px.data(), src.size(), dst.px.data(), bad.CalcDestSize(src.size())), 0) << f;
        for (const RGBX& p : dst.px)
            EXPECT_TRUE(Same(p, kBack));
    }
}

// Reaches the two protected halves of the scaling.
class TestResizer : public CImageResizer {
public:
    explicit TestResizer(double f) : CImageResizer(f) {}
    using CImageResizer::Enlarge;
    using CImageResizer::Shrink;
};

TEST(Resize, EachHalfRefusesTheOtherRange) {
    // Enlarge needs factor > 1, Shrink 0 < factor < 1; otherwise 0 and
    // nothing written.
    Image src = Numbered(4, 4);
    struct {
        double f;
        int enlarge, shrink;
    } cases[] = {{2.0, 1, 0}, {0.5, 0, 1}, {1.0, 0, 0}, {0.0, 0, 0}, {-2.0, 0, 0}};
    for (auto& c : cases) {
        TestResizer r(c.f);
        CSize d = r.CalcDestSize(src.size());
        size_t n = d.cx > 0 && d.cy > 0 ? (size_t)d.cx * d.cy : 1;
        Image dst((int)n, 1, kBack);
        EXPECT_EQ(r.Enlarge(src.px.data(), src.size(), dst.px.data(), d), c.enlarge) << c.f;
        EXPECT_EQ(r.Shrink(src.px.data(), src.size(), dst.px.data(), d), c.shrink) << c.f;
        if (!c.enlarge && !c.shrink)
            for (const RGBX& p : dst.px)
                EXPECT_TRUE(Same(p, kBack)) << c.f;
    }
}

// ---- Mirror -------------------------------------------------------------

TEST(Flip, AllFourCombinations) {
    Image src = Numbered(3, 2);
    for (int h = 0; h < 2; ++h)
        for (int v = 0; v < 2; ++v) {
            CImageFlipper f(h, v);
            int res = 0;
            Image d = RunOn(f, src, &res);
            EXPECT_EQ(res, 1);
            ASSERT_EQ(d.w, 3);
            ASSERT_EQ(d.h, 2);
            for (int y = 0; y < 2; ++y)
                for (int x = 0; x < 3; ++x)
                    EXPECT_TRUE(Same(d.at(h ? 2 - x : x, v ? 1 - y : y), src.at(x, y))) << h << v;
        }
}

// ---- Colour processors ---------------------------------------------------

struct ColourCase {
    const char* name;
    int kind;  // 0 grey, 1 negate, 2 replace black by red, 3 replace by itself
    RGBX in, expect;
};

const ColourCase kColourCases[] = {
    {"grey_red", 0, Px(0, 0, 255, 9), Px(76, 76, 76, 0)},       // 765 / 10
    {"grey_green", 0, Px(0, 255, 0, 9), Px(153, 153, 153, 0)},  // 1530 / 10
    {"grey_blue", 0, Px(255, 0, 0, 9), Px(25, 25, 25, 0)},      // 255 / 10
    {"grey_white", 0, Px(255, 255, 255, 9), Px(255, 255, 255, 0)},
    {"grey_mixed", 0, Px(9, 1, 3, 9), Px(2, 2, 2, 0)},          // (9 + 6 + 9) / 10
    {"negate", 1, Px(10, 20, 30, 7), Px(245, 235, 225, 0xEE)},  // x from background
    {"negate_extremes", 1, Px(0, 255, 128, 0), Px(255, 0, 127, 0xEE)},
    {"replace_match", 2, Px(0, 0, 0, 7), Px(0, 0, 255, 0)},
    {"replace_near_miss", 2, Px(0, 0, 1, 7), Px(0, 0, 1, 7)},
    {"replace_other", 2, Px(3, 4, 5, 6), Px(3, 4, 5, 6)},
    {"replace_self_is_copy", 3, Px(0, 0, 255, 7), Px(0, 0, 255, 7)},
};

class ColourTest : public ::testing::TestWithParam<ColourCase> {};

TEST_P(ColourTest, Pixel) {
    const ColourCase& c = GetParam();
    CImageGrayer grey;
    CImageNegator neg;
    CImageColorReplacer rep(0x000000, 0x0000FF), self(0x0000FF, 0x0000FF);
    CImage32BitProcessor* procs[] = {&grey, &neg, &rep, &self};
    Image src(1, 1, c.in);
    int res = 0;
    Image d = RunOn(*procs[c.kind], src, &res);
    EXPECT_EQ(res, 1);
    EXPECT_TRUE(Same(d.px[0], c.expect)) << Show(d.px[0]) << " expected " << Show(c.expect);
}

INSTANTIATE_TEST_SUITE_P(Colour, ColourTest, ::testing::ValuesIn(kColourCases),
                         [](const ::testing::TestParamInfo<ColourCase>& i) { return std::string(i.param.name); });

TEST(Colour, ReplacementComparesAll32BitsForTheCopyCase) {
    // 0x01000000 vs 0: differ above the colour bits, so not the copy case:
    // black pixels become black with x = 0.
    CImageColorReplacer r(0x01000000, 0x00000000);
    Image src(1, 1, Px(0, 0, 0, 7));
    Image d = RunOn(r, src);
    EXPECT_TRUE(Same(d.px[0], Px(0, 0, 0, 0)));
}

TEST(Colour, InvertTwiceRestores) {
    Image src = Numbered(4, 3);
    CImageNegator n;
    Image once = RunOn(n, src);
    Image twice = RunOn(n, once);
    for (size_t i = 0; i < src.px.size(); ++i) {
        EXPECT_EQ(twice.px[i].r, src.px[i].r);
        EXPECT_EQ(twice.px[i].g, src.px[i].g);
        EXPECT_EQ(twice.px[i].b, src.px[i].b);
    }
}

// ---- Blur ---------------------------------------------------------------

struct BlurCase {
    const char* name;
    int factor;
    int x, y;
    int r;  // expected red at (x, y) of a 3 x 3 zero image with (1,1).r = 100
};

const BlurCase kBlurCases[] = {
    {"centre_default", 5, 1, 1, 78},      // 30*100 / 38 = 78.9
    {"corner_default", 5, 0, 0, 3},       // 100 / (30 + 3)
    {"edge_default", 5, 1, 0, 2},         // 100 / (30 + 5)
    {"centre_strength1", 1, 1, 1, 86},    // 50*100 / 58 = 86.2
    {"centre_strength10", 10, 1, 1, 38},  // 5*100 / 13 = 38.5
    {"centre_above10", 11, 1, 1, 38},     // acts as 10
    {"corner_above10", 42, 2, 2, 12},     // (2,2) sees (1,1) with weight 1: 100 / (5 + 3)
};

class BlurTest : public ::testing::TestWithParam<BlurCase> {};

TEST_P(BlurTest, Pixel) {
    const BlurCase& c = GetParam();
    Image src(3, 3, Px(0, 0, 0, 7));
    src.at(1, 1) = Px(0, 0, 100, 7);
    CImageBlurrer b(c.factor);
    Image d = RunOn(b, src);
    EXPECT_EQ(d.at(c.x, c.y).r, c.r);
    EXPECT_EQ(d.at(c.x, c.y).x, 0xEE);
}

INSTANTIATE_TEST_SUITE_P(Blur, BlurTest, ::testing::ValuesIn(kBlurCases),
                         [](const ::testing::TestParamInfo<BlurCase>& i) { return std::string(i.param.name); });

TEST(Blur, ZeroOrLessIsACopyWithTheSourceFourthByte) {
    for (int f : {0, -5}) {
        Image src = Numbered(4, 4);
        CImageBlurrer b(f);
        Image d = RunOn(b, src);
        for (size_t i = 0; i < src.px.size(); ++i)
            EXPECT_TRUE(Same(d.px[i], src.px[i]));
    }
}

TEST(Blur, OnePixelAndUniformImagesStay) {
    Image one(1, 1, Px(17, 99, 250, 7));
    CImageBlurrer b(7);
    Image d = RunOn(b, one);
    EXPECT_TRUE(Same(d.px[0], Px(17, 99, 250, 0xEE)));
    Image flat(7, 5, Px(33, 66, 200, 7));
    Image df = RunOn(b, flat);
    for (const RGBX& p : df.px)
        EXPECT_TRUE(Same(p, Px(33, 66, 200, 0xEE)));
}

// ---- Sharpen ------------------------------------------------------------

TEST(Sharpen, KernelValues) {
    // Strength 10: e = 1, every neighbour -1/8: 2*100 - 8*40/8 = 160.
    Image a(3, 3, Px(40, 40, 40, 7));
    a.at(1, 1) = Px(100, 100, 100, 7);
    CImageSharpener s10(10);
    Image d = RunOn(s10, a);
    EXPECT_TRUE(Same(d.at(1, 1), Px(160, 160, 160, 0xEE)));
    // Strength 5: e = 1/26, h = -26/108; edges 50, corners 0, centre 100:
    // 200 - 4*50*26/108 = 151.85 -> 151.
    Image b(3, 3, Px(0, 0, 0, 7));
    b.at(1, 0) = b.at(0, 1) = b.at(2, 1) = b.at(1, 2) = Px(50, 50, 50, 7);
    b.at(1, 1) = Px(100, 100, 100, 7);
    CImageSharpener s5;
    Image e = RunOn(s5, b);
    EXPECT_TRUE(Same(e.at(1, 1), Px(151, 151, 151, 0xEE)));
    // Above 10 acts as 10.
    CImageSharpener s99(99);
    Image f = RunOn(s99, a);
    EXPECT_TRUE(Same(f.at(1, 1), Px(160, 160, 160, 0xEE)));
}

TEST(Sharpen, SaturatesAndKeepsTheRing) {
    // White centre among black: 2*255 = 510 -> 255. Black among white:
    // 255*(4h + 4c) = -255 -> 0.
    Image w(3, 3, Px(0, 0, 0, 7));
    w.at(1, 1) = Px(255, 255, 255, 7);
    Image k(3, 3, Px(255, 255, 255, 7));
    k.at(1, 1) = Px(0, 0, 0, 7);
    for (int f = 1; f <= 10; ++f) {
        CImageSharpener s(f);
        Image dw = RunOn(s, w), dk = RunOn(s, k);
        EXPECT_TRUE(Same(dw.at(1, 1), Px(255, 255, 255, 0xEE))) << f;
        EXPECT_TRUE(Same(dk.at(1, 1), Px(0, 0, 0, 0xEE))) << f;
        for (int i = 0; i < 9; ++i) {
            if (i == 4) continue;
            EXPECT_TRUE(Same(dw.px[i], w.px[i]));
            EXPECT_TRUE(Same(dk.px[i], k.px[i]));
        }
    }
}

TEST(Sharpen, ZeroIsACopy) {
    Image src = Numbered(5, 5);
    CImageSharpener s(-1);
    Image d = RunOn(s, src);
    for (size_t i = 0; i < src.px.size(); ++i)
        EXPECT_TRUE(Same(d.px[i], src.px[i]));
}

// ---- Values and refusals ------------------------------------------------

TEST(Processors, ACopyProducesTheSameOutput) {
    Image src = Numbered(13, 9);
    CImageRotator r(33, 1);
    CImageRotator copy(r);
    CImageRotator assigned(90, 0);
    assigned = r;
    Image a = RunOn(r, src), b = RunOn(copy, src), c = RunOn(assigned, src);
    ASSERT_EQ(a.px.size(), b.px.size());
    ASSERT_EQ(a.px.size(), c.px.size());
    for (size_t i = 0; i < a.px.size(); ++i) {
        EXPECT_TRUE(Same(a.px[i], b.px[i]));
        EXPECT_TRUE(Same(a.px[i], c.px[i]));
    }
}

TEST(Processors, RefuseSizesTheyDidNotPlan) {
    // A destination other than CalcDestSize(source), or a negative size,
    // is refused with nothing written.
    Image src = Numbered(4, 4);
    std::vector<RGBX> dst(64, kBack);
    CImageFlipper flip(1, 1);
    CImageRotator rot(45, 1);
    CImageShearer shear(3, 3, 0);
    CImageBlurrer blur;
    CImageSharpener sharp;
    CImageGrayer grey;
    CImageResizer half(0.5);
    CImage32BitProcessor* all[] = {&flip, &rot, &shear, &blur, &sharp, &grey, &half};
    for (CImage32BitProcessor* p : all) {
        EXPECT_EQ(p->ProcessPixels(src.px.data(), CSize(4, 4), dst.data(), CSize(8, 8)), 0);
        EXPECT_EQ(p->ProcessPixels(src.px.data(), CSize(-4, 4), dst.data(), CSize(-4, 4)), 0);
    }
    CImage32BitProcessor base;
    EXPECT_EQ(base.ProcessPixels(src.px.data(), CSize(4, 4), dst.data(), CSize(8, 8)), 0);
    for (const RGBX& p : dst)
        EXPECT_TRUE(Same(p, kBack));
}

TEST(Processors, SizesPastTheAddressSpaceAreRefused) {
    // INT_MAX x INT_MAX pixels cannot exist; nothing is touched.
    RGBX one[1];
    CImageFlipper flip(1, 0);
    EXPECT_EQ(flip.ProcessPixels(one, CSize(INT_MAX, INT_MAX), one, CSize(INT_MAX, INT_MAX)), 0);
    CImageRotator rot(45, 1);
    EXPECT_EQ(rot.ProcessPixels(one, CSize(INT_MAX, INT_MAX), one, rot.CalcDestSize(CSize(INT_MAX, INT_MAX))), 0);
}

TEST(Processors, SaturatedRotationSize) {
    // 2*pi (radians 0) on an INT_MAX-wide image: 2 * trunc(INT_MAX / 2) + 2
    // = INT_MAX + 1 saturates.
    CImageRotator r(0.0);
    CSize s = r.CalcDestSize(CSize(INT_MAX, 1));
    EXPECT_EQ(s.cx, INT_MAX);
}

}  // namespace
