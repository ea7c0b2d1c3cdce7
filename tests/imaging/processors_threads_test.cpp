// The processors cut their work into bands of rows over the worker threads:
// random images through every kind of processor must come out the same to
// the byte with 1, 2, 3 and 7 threads, and the chain runner's way of
// filling the background row by row must equal filling it first.
#include <gtest/gtest.h>

#include <thread>

#include "imaging/band_cases.h"
#include "lib/imaging/processor_runs.h"

namespace {

using bandcase::Case;

class ThreadCounts : public ::testing::Test {
protected:
    void TearDown() override { kpimg::SetThreadLimit(0); }
};

uint32_t RandomBackground(std::mt19937& rng) {
    // White sets the fourth byte, other colours leave it 0; either way the
    // word is what the destination holds.
    return bandcase::Rand(rng, 0, 3) == 0 ? 0xFFFFFFFFu : (uint32_t)bandcase::Rand(rng, 0, 0xFFFFFF);
}

TEST_F(ThreadCounts, EveryProcessorGivesTheSameBytesWithAnyThreadCount) {
    std::mt19937 rng(20261213);
    for (int i = 0; i < 70; ++i) {
        const CSize size = bandcase::RandomSize(rng);
        std::vector<RGBX> src = bandcase::RandomPixels(rng, size);
        const std::vector<RGBX> original = src;
        Case c = bandcase::RandomProcessor(rng);
        const uint32_t back = RandomBackground(rng);
        const CSize out = c.p->CalcDestSize(size);
        SCOPED_TRACE(c.name + " on " + std::to_string(size.cx) + "x" + std::to_string(size.cy));

        kpimg::SetThreadLimit(1);
        int result = 0;
        const std::vector<RGBX> expect = bandcase::RunFilled(*c.p, src, size, back, result);
        ASSERT_EQ(result, 1);
        for (int threads : {2, 3, 7}) {
            kpimg::SetThreadLimit(threads);
            ASSERT_TRUE(bandcase::SameBytes(bandcase::RunFilled(*c.p, src, size, back, result), expect))
                << threads << " threads";
            ASSERT_EQ(result, 1);
        }
        // As a step of a chain the destination arrives unfilled (here full
        // of a pattern no processor writes) and the rows are filled as they
        // are made: every pixel must end up as above.
        for (int threads : {1, 2, 3, 7}) {
            kpimg::SetThreadLimit(threads);
            std::vector<RGBX> got(expect.size());
            memset((void*)got.data(), 0xA5, got.size() * sizeof(RGBX));
            ASSERT_EQ(kpimg::ProcessorRuns::Run(*c.p, src.data(), size, got.data(), out, back), 1);
            ASSERT_TRUE(bandcase::SameBytes(got, expect)) << threads << " threads, filled as it goes";
        }
        ASSERT_TRUE(bandcase::SameBytes(src, original)) << "the source was written";
    }
}

// A subclass may compute its pixels otherwise than the class it derives
// from: the chain runner must fill its destination first and call it.
class CTintedFlipper : public CImageFlipper {
public:
    CTintedFlipper() : CImageFlipper(1, 0) {}
    int ProcessPixels(RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst) override {
        // Leaves the last column alone, so the fill shows there.
        for (int y = 0; y < sizeDst.cy; ++y)
            for (int x = 0; x + 1 < sizeDst.cx; ++x) {
                pDst[(size_t)y * sizeDst.cx + x] = pSrc[(size_t)y * sizeSrc.cx + x];
                pDst[(size_t)y * sizeDst.cx + x].r = 7;
            }
        return 1;
    }
};

TEST_F(ThreadCounts, ASubclassOfALibraryProcessorRunsItsOwnCode) {
    std::mt19937 rng(5);
    const CSize size(300, 200);
    std::vector<RGBX> src = bandcase::RandomPixels(rng, size);
    CTintedFlipper p;
    kpimg::SetThreadLimit(3);
    int result = 0;
    const std::vector<RGBX> expect = bandcase::RunFilled(p, src, size, 0x00123456u, result);
    std::vector<RGBX> got(expect.size());
    memset((void*)got.data(), 0xA5, got.size() * sizeof(RGBX));
    ASSERT_EQ(kpimg::ProcessorRuns::Run(p, src.data(), size, got.data(), size, 0x00123456u), 1);
    EXPECT_TRUE(bandcase::SameBytes(got, expect));
    EXPECT_EQ(got[299].r, 0x12);
    EXPECT_EQ(got[0].r, 7);
}

TEST_F(ThreadCounts, CallersOnSeveralThreadsAtOnceGetTheirOwnResults) {
    // One caller holds the workers, the others run alone: every result is
    // still the one-thread result.
    std::mt19937 rng(77);
    struct Work {
        CSize size;
        std::vector<RGBX> src, expect, got;
        Case c;
    };
    std::vector<Work> work(4);
    kpimg::SetThreadLimit(1);
    for (Work& w : work) {
        w.size = CSize(bandcase::Rand(rng, 200, 400), bandcase::Rand(rng, 150, 300));
        w.src = bandcase::RandomPixels(rng, w.size);
        w.c.p.reset(new CImageRotator(bandcase::Rand(rng, 1, 359), 1));
        int result = 0;
        w.expect = bandcase::RunFilled(*w.c.p, w.src, w.size, 0, result);
    }
    kpimg::SetThreadLimit(3);
    for (int round = 0; round < 5; ++round) {
        std::vector<std::thread> callers;
        for (Work& w : work)
            callers.emplace_back([&w] {
                int result = 0;
                w.got = bandcase::RunFilled(*w.c.p, w.src, w.size, 0, result);
            });
        for (std::thread& t : callers)
            t.join();
        for (const Work& w : work)
            ASSERT_TRUE(bandcase::SameBytes(w.got, w.expect)) << "round " << round;
    }
}

TEST(ThreadLimit, DefaultsToTheProcessorsAndCanBeSet) {
    const int nDefault = KpGetImageThreads();
    EXPECT_GE(nDefault, 1);
    KpSetImageThreads(5);
    EXPECT_EQ(KpGetImageThreads(), 5);
    KpSetImageThreads(-3);
    EXPECT_EQ(KpGetImageThreads(), nDefault);
    KpSetImageThreads(1);
    EXPECT_EQ(kpimg::BandCount(4000, 4000 * 4000), 1);  // one thread: one band
    KpSetImageThreads(4);
    EXPECT_EQ(kpimg::BandCount(100, 300), 1);  // small: the calling thread alone
    EXPECT_GT(kpimg::BandCount(2000, 2000 * 2000), 4);
    EXPECT_LE(kpimg::BandCount(3, 3000 * 3), 3);  // never more bands than rows
    KpSetImageThreads(0);
}

}  // namespace
