// Random images of random sizes (0 x N, 1 x 1, odd and block-crossing
// widths) through every processor, compared bit for bit with the
// straightforward per-pixel versions in reference_processors.cpp, which
// follow the formulas line by line. Runs under the sanitizers natively.
#include <gtest/gtest.h>

#include <math.h>

#include <random>

#include "image_processors.h"
#include "imaging/reference_processors.h"
#include "lib/imaging/wide_loops.h"

namespace {

std::mt19937 g_rng(20261207);

int Rand(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(g_rng); }

double RandReal(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(g_rng); }

CSize RandomSize() {
    switch (Rand(0, 9)) {
        case 0:
            return CSize(0, Rand(0, 5));
        case 1:
            return CSize(Rand(0, 5), 0);
        case 2:
            return CSize(1, 1);
        case 3:
            return CSize(Rand(1, 3), Rand(1, 3));
        case 4:
            return CSize(Rand(250, 600), Rand(1, 6));  // crosses column blocks
        default:
            return CSize(Rand(1, 40) | 1, Rand(1, 40));
    }
}

ref::Image RandomImage(CSize s) {
    ref::Image im(s.cx, s.cy);
    // A small palette half the time, so colour matches and flat areas occur.
    const bool palette = Rand(0, 1) == 0;
    for (RGBX& p : im.px) {
        if (palette) {
            int v = Rand(0, 3) * 85;
            p.b = (BYTE)v;
            p.g = (BYTE)(255 - v);
            p.r = (BYTE)v;
        } else {
            p.b = (BYTE)Rand(0, 255);
            p.g = (BYTE)Rand(0, 255);
            p.r = (BYTE)Rand(0, 255);
        }
        p.x = (BYTE)Rand(0, 255);
    }
    return im;
}

RGBX RandomBackground() {
    RGBX b;
    b.b = (BYTE)Rand(0, 255);
    b.g = (BYTE)Rand(0, 255);
    b.r = (BYTE)Rand(0, 255);
    b.x = (BYTE)(Rand(0, 1) ? 0xFF : 0);
    return b;
}

bool Equal(const ref::Image& a, const std::vector<RGBX>& b) {
    if (a.px.size() != b.size()) return false;
    return a.px.empty() || memcmp(a.px.data(), b.data(), b.size() * sizeof(RGBX)) == 0;
}

// Runs the library processor and the reference on the same source and
// background; sizes and every byte must agree.
void Check(CImage32BitProcessor& p, const ref::Image& src, CSize refSize,
           void (*runRef)(const ref::Image&, ref::Image&, const void*), const void* arg, const std::string& what) {
    CSize planned = p.CalcDestSize(CSize(src.w, src.h));
    ASSERT_TRUE(planned == refSize) << what << " size " << planned.cx << "x" << planned.cy << " expected " << refSize.cx
                                    << "x" << refSize.cy;
    const RGBX back = RandomBackground();
    ref::Image expect(refSize.cx, refSize.cy);
    for (RGBX& q : expect.px)
        q = back;
    std::vector<RGBX> got(expect.px.size(), back);
    ref::Image srcCopy = src;
    runRef(src, expect, arg);
    ASSERT_EQ(p.ProcessPixels(srcCopy.px.data(), CSize(src.w, src.h), got.data(), planned), 1) << what;
    ASSERT_TRUE(srcCopy.px.empty() || memcmp(srcCopy.px.data(), src.px.data(), src.px.size() * sizeof(RGBX)) == 0)
        << what;
    ASSERT_TRUE(Equal(expect, got)) << what;
    // Running the same object again gives the same result: no state kept.
    std::vector<RGBX> again(expect.px.size(), back);
    ASSERT_EQ(p.ProcessPixels(srcCopy.px.data(), CSize(src.w, src.h), again.data(), planned), 1);
    ASSERT_TRUE(got.empty() || memcmp(got.data(), again.data(), got.size() * sizeof(RGBX)) == 0) << what;
}

std::string Describe(const char* name, const ref::Image& s, double a = 0, double b = 0, double c = 0) {
    char t[160];
    snprintf(t, sizeof t, "%s %dx%d (%.17g, %.17g, %.17g)", name, s.w, s.h, a, b, c);
    return t;
}

// Every random test runs with the sampling loops the processor would
// choose (AVX2 here) and with the baseline build.
class RandomImages : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override { kpimg::AllowWideSampling(GetParam()); }
    void TearDown() override { kpimg::AllowWideSampling(true); }
};

struct RotArgs {
    double angle;
    bool weighted;
};
struct ShearArgs {
    int across, down;
    bool weighted;
};

TEST_P(RandomImages, RotationMatchesTheFormula) {
    for (int i = 0; i < 1500; ++i) {
        ref::Image src = RandomImage(i % 3 == 0 ? CSize(Rand(20, 80), Rand(20, 80)) : RandomSize());
        RotArgs a;
        if (Rand(0, 1)) {
            int deg = Rand(0, 4) == 0 ? 90 * Rand(-8, 8) : Rand(-800, 800);
            a.weighted = Rand(0, 1) != 0;
            a.angle = ref::DegreesToAngle(deg);
            CImageRotator r(deg, a.weighted);
            Check(
                r, src, ref::RotateSize(a.angle, src.w, src.h),
                [](const ref::Image& s, ref::Image& d, const void* p) {
                    const RotArgs* ra = (const RotArgs*)p;
                    ref::Rotate(ra->angle, ra->weighted, s, d);
                },
                &a, Describe("rotate degrees", src, deg, a.weighted));
        } else {
            double rad = Rand(0, 5) == 0 ? 0.0 : RandReal(-20, 20);
            a.weighted = false;
            a.angle = ref::RadiansToAngle(rad);
            CImageRotator r(rad);
            Check(
                r, src, ref::RotateSize(a.angle, src.w, src.h),
                [](const ref::Image& s, ref::Image& d, const void* p) {
                    const RotArgs* ra = (const RotArgs*)p;
                    ref::Rotate(ra->angle, ra->weighted, s, d);
                },
                &a, Describe("rotate radians", src, rad));
        }
        if (HasFatalFailure()) return;
    }
}

TEST_P(RandomImages, ShearMatchesTheFormula) {
    for (int i = 0; i < 1508; ++i) {
        // Every third image big enough for runs of inner pixels; the last
        // few large, with positions 256 and more from the edges, where the
        // wide loops take a shorter sum.
        const bool far = i >= 1500;
        ref::Image src = RandomImage(far          ? CSize(Rand(257, 700), Rand(257, 520))
                                     : i % 3 == 0 ? CSize(Rand(20, 80), Rand(20, 80))
                                                  : RandomSize());
        ShearArgs a = far ? ShearArgs{Rand(-400, 400), i % 4 == 0 ? 0 : Rand(-400, 400), true}
                          : ShearArgs{Rand(-3, 3) == 0 ? 0 : Rand(-60, 60), Rand(-3, 3) == 0 ? 0 : Rand(-60, 60),
                                      Rand(0, 1) != 0};
        CImageShearer s(a.across, a.down, a.weighted);
        Check(
            s, src, CSize(src.w + abs(a.across), src.h + abs(a.down)),
            [](const ref::Image& s, ref::Image& d, const void* p) {
                const ShearArgs* sa = (const ShearArgs*)p;
                ref::Shear(sa->across, sa->down, sa->weighted, s, d);
            },
            &a, Describe("shear", src, a.across, a.down, a.weighted));
        if (HasFatalFailure()) return;
    }
}

TEST_P(RandomImages, ScalingMatchesTheFormula) {
    const double fixed[] = {0.1, 0.25, 1.0 / 3, 0.5, 0.7, 0.92, 1.0, 1.3, 2.0, 2.5, 3.7};
    for (int i = 0; i < 1500; ++i) {
        // Now and then a tall or wide image with boxes of hundreds of rows
        // or columns.
        const int shape = Rand(0, 59);
        ref::Image src = RandomImage(shape == 0   ? CSize(Rand(200, 400), Rand(800, 1500))
                                     : shape == 1 ? CSize(Rand(800, 1500), Rand(200, 400))
                                                  : RandomSize());
        double f = shape <= 1 ? RandReal(0.003, 0.01) : Rand(0, 1) ? fixed[Rand(0, 10)] : RandReal(0.05, 4.0);
        CImageResizer r(f);
        CSize size((int)(src.w * f), (int)(src.h * f));
        Check(
            r, src, size,
            [](const ref::Image& s, ref::Image& d, const void* p) {
                double fa = *(const double*)p;
                if (fa == 1)
                    d.px = s.px;
                else if (fa > 1)
                    ref::Enlarge(fa, s, d);
                else
                    ref::Shrink(fa, s, d);
            },
            &f, Describe("resize", src, f));
        if (HasFatalFailure()) return;
    }
}

TEST_P(RandomImages, SizeKeepingProcessorsMatchTheFormula) {
    for (int i = 0; i < 2000; ++i) {
        ref::Image src = RandomImage(RandomSize());
        CSize same(src.w, src.h);
        int which = Rand(0, 5);
        if (which == 0) {
            int hv[2] = {Rand(0, 1), Rand(0, 1)};
            CImageFlipper f(hv[0], hv[1]);
            Check(
                f, src, same,
                [](const ref::Image& s, ref::Image& d, const void* p) {
                    const int* a = (const int*)p;
                    ref::Flip(a[0] != 0, a[1] != 0, s, d);
                },
                hv, Describe("flip", src, hv[0], hv[1]));
        } else if (which == 1) {
            CImageGrayer g;
            Check(
                g, src, same, [](const ref::Image& s, ref::Image& d, const void*) { ref::Gray(s, d); }, nullptr,
                Describe("grey", src));
        } else if (which == 2) {
            CImageNegator n;
            Check(
                n, src, same, [](const ref::Image& s, ref::Image& d, const void*) { ref::Negate(s, d); }, nullptr,
                Describe("negate", src));
        } else if (which == 3) {
            unsigned long c[2];
            c[0] = src.px.empty() || Rand(0, 3) == 0 ? (unsigned long)Rand(0, 0xFFFFFF)
                                                     : (unsigned long)RGB(src.px[0].r, src.px[0].g, src.px[0].b);
            c[1] = Rand(0, 4) == 0 ? c[0] : (unsigned long)Rand(0, 0xFFFFFF);
            if (Rand(0, 6) == 0) c[0] |= 0x5A000000;  // high byte: never compared with pixels
            CImageColorReplacer r(c[0], c[1]);
            Check(
                r, src, same,
                [](const ref::Image& s, ref::Image& d, const void* p) {
                    const unsigned long* a = (const unsigned long*)p;
                    ref::Replace(a[0], a[1], s, d);
                },
                c, Describe("replace", src, (double)c[0], (double)c[1]));
        } else if (which == 4) {
            int f = Rand(-2, 12);
            CImageBlurrer b(f);
            Check(
                b, src, same,
                [](const ref::Image& s, ref::Image& d, const void* p) { ref::Blur(*(const int*)p, s, d); }, &f,
                Describe("blur", src, f));
        } else {
            int f = Rand(-2, 12);
            CImageSharpener sh(f);
            Check(
                sh, src, same,
                [](const ref::Image& s, ref::Image& d, const void* p) { ref::Sharpen(*(const int*)p, s, d); }, &f,
                Describe("sharpen", src, f));
        }
        if (HasFatalFailure()) return;
    }
}

INSTANTIATE_TEST_SUITE_P(Loops, RandomImages, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& i) { return i.param ? "chosen" : "baseline"; });

TEST(Sampling, BothBuildsAgreeEverywhere) {
    // Positions inside, on the edges, negative, past the end and NaN.
    ref::Image im = RandomImage(CSize(7, 5));
    CImage32BitProcessor p;
    for (int i = 0; i < 20000; ++i) {
        double x = RandReal(-2, 9), y = RandReal(-2, 7);
        if (i % 7 == 0) x = Rand(-1, 8);
        if (i % 11 == 0) y = Rand(-1, 6);
        if (i == 5) x = NAN;
        kpimg::AllowWideSampling(true);
        RGBX a = p.CalcWeightedColor(im.px.data(), CSize(7, 5), x, y);
        kpimg::AllowWideSampling(false);
        RGBX b = p.CalcWeightedColor(im.px.data(), CSize(7, 5), x, y);
        kpimg::AllowWideSampling(true);
        ASSERT_EQ(memcmp(&a, &b, 4), 0) << x << "," << y;
        if (x >= 0 && y >= 0 && x < 7 && y < 5) {
            RGBX r = ref::Weighted(im, x, y);
            ASSERT_EQ(memcmp(&a, &r, 4), 0) << x << "," << y;
        }
    }
}

TEST(RandomImages, BlurDivisionIsExactForEveryNumerator) {
    // Inner pixels of a 3 x 3 image: centre c and eight neighbours n give
    // the sum (centre weight) * c + 8n; over all c, n and strengths this
    // covers a wide spread of numerators of the fast division.
    for (int f = 1; f <= 10; ++f) {
        CImageBlurrer b(f);
        const int k = 55 - 5 * f;
        for (int c = 0; c < 256; c += 3)
            for (int n = 0; n < 256; n += 5) {
                ref::Image src(3, 3);
                for (RGBX& p : src.px)
                    p.r = p.g = p.b = (BYTE)n;
                src.at(1, 1).r = (BYTE)c;
                src.at(1, 1).g = (BYTE)(255 - c);
                std::vector<RGBX> d(9);
                ASSERT_EQ(b.ProcessPixels(src.px.data(), CSize(3, 3), d.data(), CSize(3, 3)), 1);
                ASSERT_EQ(d[4].r, (k * c + 8 * n) / (k + 8)) << f << " " << c << " " << n;
                ASSERT_EQ(d[4].g, (k * (255 - c) + 8 * n) / (k + 8)) << f << " " << c << " " << n;
            }
    }
}

}  // namespace
