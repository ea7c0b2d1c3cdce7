// The processors and CImageBitmap's chains on Wine's threads: the same
// pixels with 1, 2, 3 and 7 threads, the arrays and the spare bitmap kept
// from one call to the next, and the copy made and processed in one go.
#include <gtest/gtest.h>
#include <windows.h>

#include <random>
#include <vector>

#include "image_bitmap.h"
#include "imaging/band_cases.h"
#include "support/top_down_dib.h"

namespace {

class ImageThreads : public ::testing::Test {
protected:
    void TearDown() override { KpSetImageThreads(0); }
};

HBITMAP MakeBitmap(CSize size, const std::vector<RGBX>& px) {
    HDC dc = GetDC(nullptr);
    HBITMAP hb = CreateCompatibleBitmap(dc, size.cx, size.cy);
    BITMAPINFO bmi = TopDownDib32(size.cx, size.cy);
    if (hb != nullptr) SetDIBits(dc, hb, 0, size.cy, px.data(), &bmi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    return hb;
}

// The colours of a bitmap (the fourth byte is not kept by every display
// format, so it is cleared).
std::vector<RGBX> Colours(HBITMAP hb, CSize& size) {
    std::vector<RGBX> px;
    BITMAP bm;
    if (hb == nullptr || !GetObjectA(hb, sizeof bm, &bm)) return px;
    size = CSize(bm.bmWidth, bm.bmHeight);
    px.resize((size_t)size.cx * size.cy);
    BITMAPINFO bmi = TopDownDib32(size.cx, size.cy);
    HDC dc = GetDC(nullptr);
    if (GetDIBits(dc, hb, 0, size.cy, px.data(), &bmi, DIB_RGB_COLORS) != size.cy) px.clear();
    ReleaseDC(nullptr, dc);
    for (RGBX& p : px)
        p.x = 0;
    return px;
}

std::vector<RGBX> ColoursOnly(std::vector<RGBX> px) {
    for (RGBX& p : px)
        p.x = 0;
    return px;
}

TEST_F(ImageThreads, EveryProcessorGivesTheSameBytesWithAnyThreadCount) {
    std::mt19937 rng(1313);
    for (int i = 0; i < 40; ++i) {
        const CSize size = bandcase::RandomSize(rng);
        std::vector<RGBX> src = bandcase::RandomPixels(rng, size);
        bandcase::Case c = bandcase::RandomProcessor(rng);
        SCOPED_TRACE(c.name);
        KpSetImageThreads(1);
        int result = 0;
        const std::vector<RGBX> expect = bandcase::RunFilled(*c.p, src, size, 0x00FFFFFFu, result);
        ASSERT_EQ(result, 1);
        for (int threads : {2, 3, 7}) {
            KpSetImageThreads(threads);
            ASSERT_TRUE(bandcase::SameBytes(bandcase::RunFilled(*c.p, src, size, 0x00FFFFFFu, result), expect))
                << threads << " threads";
        }
    }
}

TEST_F(ImageThreads, ChainsThroughTheBitmapGiveTheSamePixelsWithAnyThreadCount) {
    // One object for every chain, so its kept arrays and spare bitmap go
    // from size to size (growing and shrinking) as the engine's do.
    std::mt19937 rng(4242);
    const unsigned long clrBack = 0x00336699;  // 0x00BBGGRR
    RGBX back;
    back.b = 0x33;
    back.g = 0x66;
    back.r = 0x99;
    back.x = 0;
    CImageBitmap bitmap(clrBack);
    for (int i = 0; i < 16; ++i) {
        const CSize size = bandcase::RandomSize(rng);
        const std::vector<RGBX> src = bandcase::RandomPixels(rng, size);
        std::vector<bandcase::Case> cases;
        CArray<CImage32BitProcessor*, CImage32BitProcessor*> chain;
        std::string names;
        const int n = bandcase::Rand(rng, 1, 4);
        for (int k = 0; k < n; ++k) {
            cases.push_back(bandcase::RandomProcessor(rng));
            chain.Add(cases.back().p.get());
            names += cases.back().name + "; ";
        }
        SCOPED_TRACE(names);
        // By hand, one thread: each step on a fresh array of the background.
        KpSetImageThreads(1);
        std::vector<RGBX> expect = src;
        CSize cur = size;
        for (bandcase::Case& c : cases) {
            const CSize out = c.p->CalcDestSize(cur);
            std::vector<RGBX> dst((size_t)out.cx * out.cy, back);
            ASSERT_EQ(c.p->ProcessPixels(expect.data(), cur, dst.data(), out), 1);
            expect.swap(dst);
            cur = out;
        }
        expect = ColoursOnly(expect);
        HBITMAP hSource = MakeBitmap(size, src);
        ASSERT_NE(hSource, nullptr);
        for (int threads : {1, 2, 3, 7}) {
            KpSetImageThreads(threads);
            ASSERT_EQ(bitmap.ProcessImageFrom(hSource, chain), 1) << threads << " threads";
            CSize got;
            ASSERT_TRUE(bandcase::SameBytes(Colours((HBITMAP)bitmap.GetSafeHandle(), got), expect))
                << threads << " threads";
            ASSERT_TRUE(got == cur);
        }
        // The source bitmap is only read.
        CSize same;
        EXPECT_TRUE(bandcase::SameBytes(Colours(hSource, same), ColoursOnly(src)));
        DeleteObject(hSource);
    }
}

TEST_F(ImageThreads, ProcessImageFromIsTheCopyThenTheChain) {
    std::mt19937 rng(9);
    const CSize size(211, 157);
    const std::vector<RGBX> px = bandcase::RandomPixels(rng, size);
    HBITMAP hSource = MakeBitmap(size, px);
    CImageRotator rotate(30, 1);
    CImageSharpener sharpen(6);
    CArray<CImage32BitProcessor*, CImage32BitProcessor*> chain;
    chain.Add(&rotate);
    chain.Add(&sharpen);

    CImageBitmap twoSteps, oneStep;
    ASSERT_EQ(twoSteps.CopyImage(hSource), 1);
    ASSERT_EQ(twoSteps.ProcessImage(chain), 1);
    ASSERT_EQ(oneStep.ProcessImageFrom(hSource, chain), 1);
    CSize a, b;
    EXPECT_TRUE(bandcase::SameBytes(Colours((HBITMAP)twoSteps.GetSafeHandle(), a),
                                    Colours((HBITMAP)oneStep.GetSafeHandle(), b)));
    EXPECT_TRUE(a == b);

    // An empty chain is the copy.
    CArray<CImage32BitProcessor*, CImage32BitProcessor*> none;
    ASSERT_EQ(oneStep.ProcessImageFrom(hSource, none), 1);
    EXPECT_TRUE(bandcase::SameBytes(Colours((HBITMAP)oneStep.GetSafeHandle(), a), ColoursOnly(px)));

    // A failing step leaves the plain copy and reports the failure.
    CImageResizer zero(0.0);
    chain.Add(&zero);
    ASSERT_EQ(oneStep.ProcessImageFrom(hSource, chain), 0);
    EXPECT_TRUE(bandcase::SameBytes(Colours((HBITMAP)oneStep.GetSafeHandle(), a), ColoursOnly(px)));
    EXPECT_TRUE(a == size);

    // Nothing to read: nothing changes.
    HGDIOBJ before = oneStep.GetSafeHandle();
    EXPECT_EQ(oneStep.ProcessImageFrom(nullptr, none), 0);
    EXPECT_EQ(oneStep.GetSafeHandle(), before);
    DeleteObject(hSource);
}

TEST_F(ImageThreads, ASecondCallOfTheSameSizeReusesTheReplacedBitmap) {
    std::mt19937 rng(3);
    const CSize size(320, 240);
    CImageBitmap bitmap;
    ASSERT_TRUE(bitmap.Attach(MakeBitmap(size, bandcase::RandomPixels(rng, size))));
    CImageFlipper flip(1, 0);
    HGDIOBJ first = bitmap.GetSafeHandle();
    ASSERT_EQ(bitmap.ProcessImage(&flip), 1);
    HGDIOBJ second = bitmap.GetSafeHandle();
    EXPECT_NE(second, first);
    // The replaced bitmap is kept and written again instead of a new one.
    ASSERT_EQ(bitmap.ProcessImage(&flip), 1);
    EXPECT_EQ(bitmap.GetSafeHandle(), first);
    ASSERT_EQ(bitmap.ProcessImage(&flip), 1);
    EXPECT_EQ(bitmap.GetSafeHandle(), second);
    // Giving the memory back deletes the spare, not the bitmap.
    bitmap.ReleaseWorkMemory();
    BITMAP bm;
    EXPECT_EQ(GetObjectA(first, sizeof bm, &bm), 0);
    EXPECT_NE(GetObjectA(second, sizeof bm, &bm), 0);
    ASSERT_EQ(bitmap.ProcessImage(&flip), 1);
    EXPECT_NE(bitmap.GetSafeHandle(), second);
}

}  // namespace
