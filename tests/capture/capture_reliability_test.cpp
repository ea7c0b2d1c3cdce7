// Many captures, saves, copies and pastes must not use up the process's GDI
// objects or memory. The system's own count (GetGuiResources) is always 0
// under Wine, so the test measures headroom instead: how many GDI objects
// the process can still create.
#include "capture_test_support.h"

#include <psapi.h>
#include "lib/recent/recent_bound.h"

using namespace captest;

namespace {

// The process's committed private memory (Wine reports it as the page-file
// usage and leaves PrivateUsage at 0).
SIZE_T PrivateBytes() {
    PROCESS_MEMORY_COUNTERS_EX pmc = {};
    pmc.cb = sizeof pmc;
    if (!::GetProcessMemoryInfo(::GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof pmc))
        return 0;
    return pmc.PrivateUsage != 0 ? pmc.PrivateUsage : pmc.PagefileUsage;
}

class ReliabilityTest : public StartedEngineTest {
protected:
    void SetUp() override {
        StartedEngineTest::SetUp();
        if (HasFatalFailure()) return;
        m_strFile = TempPath() + "kapto_reliability.png";
    }
    void TearDown() override {
        StartedEngineTest::TearDown();
        ::DeleteFileA(m_strFile.c_str());
    }

    // One round: a capture with the options on (odd rounds) or off, and on
    // every tenth round a save, a copy of image and thumbnail, a paste and
    // an open.
    void Round(int i) {
        CKpConfig& c = m_core.m_config;
        int bOn = i % 2;
        c.SetGrayScale(bOn);
        c.SetNegate(bOn);
        c.SetFlipHorz(bOn);
        c.SetScale(bOn);
        c.SetBlur(i % 4 == 1);
        ASSERT_EQ(1, m_core.SnapFullScreen());
        if (i % 10 == 0) {
            ASSERT_EQ(1, m_core.SaveImage(m_strFile.c_str(), 0));
            ASSERT_EQ(1, m_core.SaveImage(m_strFile.c_str(), 1));
            ASSERT_EQ(1, m_core.CopyImageData(1));
            ASSERT_EQ(1, m_core.CopyImageData(0));
            ASSERT_EQ(1, m_core.PasteImageData());
            ASSERT_EQ(1, m_core.OpenImage(m_strFile.c_str()));
            m_core.ClearGdiplusImage();
            m_core.RefreshImageData();
        }
        PumpMessages(0);
    }

    // Thumbnails are made on the recent captures' worker: none may be on its way.
    void SettleRecentCaptures() {
        for (int i = 0; i < 1000 && !m_core.GetRecentCaptures().IsIdle(); ++i)
            PumpMessages(5);
        EXPECT_TRUE(m_core.GetRecentCaptures().IsIdle());
    }

    std::string m_strFile;
};

TEST_F(ReliabilityTest, FiveHundredCapturesLeaveTheGdiHeadroomAndMemoryAsTheyWere) {
    // Warm-up: lazily made objects (codec tables, cached DCs, the
    // clipboard's first bitmap) are made here, not counted as a loss, and
    // the recent captures fill up to their bound, each holding a thumbnail.
    for (int i = 0; i < kKpRecentMaxItems + 20; ++i) {
        Round(i);
        if (HasFatalFailure()) return;
    }
    SettleRecentCaptures();
    int nBefore = GdiHeadroom();
    SIZE_T nBytesBefore = PrivateBytes();
    DWORD nStart = ::GetTickCount();
    for (int i = 0; i < 500; ++i) {
        Round(i);
        if (HasFatalFailure()) return;
    }
    DWORD nElapsed = ::GetTickCount() - nStart;
    SettleRecentCaptures();
    int nAfter = GdiHeadroom();
    SIZE_T nBytesAfter = PrivateBytes();

    printf(
        "GDI headroom before %d, after %d objects; private bytes before %lu KiB, after %lu KiB; "
        "500 rounds in %lu ms\n",
        nBefore, nAfter, (unsigned long)(nBytesBefore / 1024), (unsigned long)(nBytesAfter / 1024),
        (unsigned long)nElapsed);
    RecordProperty("gdi_headroom_before", nBefore);
    RecordProperty("gdi_headroom_after", nAfter);
    RecordProperty("private_kib_before", (int)(nBytesBefore / 1024));
    RecordProperty("private_kib_after", (int)(nBytesAfter / 1024));

    EXPECT_GT(nBefore, 1000);  // the probe measures something
    EXPECT_GT(nBytesBefore, 0u);
    EXPECT_GE(nAfter, nBefore);
    // A lost image of the screen is 2.25 MiB (24 bits) and a lost bitmap
    // 3 MiB: 500 rounds losing either would be over a gigabyte.
    EXPECT_LT(nBytesAfter, nBytesBefore + 32u * 1024 * 1024);
}

}  // namespace
