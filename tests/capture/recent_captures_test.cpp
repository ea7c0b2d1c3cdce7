// The recent captures kept by the engine: automatic saving's files and
// their names, and a folder that cannot be written.
#include "capture_test_support.h"

using namespace captest;

namespace {

const std::vector<COLORREF> kBands = {RGB(255, 0, 0), RGB(0, 200, 0), RGB(0, 0, 255), RGB(10, 120, 230)};

// Hears the failures automatic saving tells.
struct Listener : CKpRecentListener {
    void OnRecentChanged() override {}
    void OnAutoSaveFailed(const CString& strFolder) override { told.push_back(strFolder.GetString()); }
    std::vector<std::string> told;
};

class RecentTest : public StartedEngineTest {
protected:
    void SetUp() override {
        StartedEngineTest::SetUp();
        if (HasFatalFailure()) return;
        m_dir = TempDir("kapto_recent_test");
        EmptyDir();
        ASSERT_TRUE(m_bands.CreateAt(100, 100, 60, 80, kBands));
        ::UpdateWindow(m_bands.m_hWnd);
        PumpMessages(100);
        Recent().SetListener(&m_listener);
    }
    void TearDown() override {
        Recent().SetListener(nullptr);
        StartedEngineTest::TearDown();
        EmptyDir();
    }
    void EmptyDir() {
        WIN32_FIND_DATAA fd;
        HANDLE h = ::FindFirstFileA((m_dir + "*").c_str(), &fd);
        if (h == INVALID_HANDLE_VALUE) return;
        do {
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ::DeleteFileA((m_dir + fd.cFileName).c_str());
        } while (::FindNextFileA(h, &fd));
        ::FindClose(h);
    }
    CKpRecentCaptures& Recent() { return m_core.GetRecentCaptures(); }
    void AutoSave(const std::string& strFolder, const char* pszPattern) {
        m_core.m_config.SetAutoSave(1);
        m_core.m_config.SetAutoSaveFolder(strFolder.c_str());
        m_core.m_config.SetAutoSaveName(pszPattern);
    }
    // A part of the bands (x from 100 to 339) or, with x < 0, the bands'
    // window itself; the pixels the capture gave.
    std::vector<UINT> Capture(int x, int w = 40) {
        int nOk = x < 0 ? m_core.SnapRect(m_bands.m_hWnd, CRect()) : m_core.SnapRect(::GetDesktopWindow(),
                                                                                      CRect(x, 120, x + w, 150));
        EXPECT_EQ(1, nOk);
        return ImagePixels(m_core.GetImage());
    }
    static bool WaitIdle(CKpRecentCaptures& recent) {
        for (int i = 0; i < 1000 && !recent.IsIdle(); ++i)
            PumpMessages(20);
        return recent.IsIdle() != FALSE;
    }

    std::string m_dir;  // ends in a separator
    CColourBands m_bands;
    Listener m_listener;
};

std::vector<UINT> Pixels(Gdiplus::GpImage* pImage) {
    std::vector<UINT> pixels = ImagePixels(pImage);
    if (pImage != nullptr) GdipDisposeImage(pImage);
    return pixels;
}

std::vector<UINT> FilePixels(const std::string& strPath) {
    WCHAR wide[MAX_PATH];
    Gdiplus::GpImage* p = nullptr;
    if (::MultiByteToWideChar(CP_ACP, 0, strPath.c_str(), -1, wide, MAX_PATH) <= 0 ||
        GdipLoadImageFromFile(wide, &p) != Gdiplus::Ok)
        return {};
    return Pixels(p);
}

TEST_F(RecentTest, CapturesAreWrittenUnderThePatternsNamesWithTheirPixelsAndNothingIsOverwritten) {
    // Two names alike: the second gets _2. The counter moves only with %n.
    AutoSave(m_dir, "%t");
    const std::vector<UINT> first = Capture(100), second = Capture(160);
    m_core.m_config.SetAutoSaveName("%t %n");
    m_core.m_config.SetAutoSaveCounter(7);
    const std::vector<UINT> third = Capture(-1);
    EXPECT_EQ(8, m_core.m_config.GetAutoSaveCounter());
    ASSERT_TRUE(WaitIdle(Recent()));

    const struct {
        std::string strName;
        const std::vector<UINT>& pixels;
    } expected[] = {{"kapto test colours 0007.png", third}, {"屏幕_2.png", second}, {"屏幕.png", first}};
    ASSERT_EQ(3, Recent().GetCount());
    for (int i = 0; i < 3; ++i) {
        const CKpRecentCaptures::Item& item = Recent().GetItem(i);
        SCOPED_TRACE(expected[i].strName);
        EXPECT_EQ(CKpRecentCaptures::kSaved, item.nSaveState);
        EXPECT_EQ(m_dir + expected[i].strName, std::string(item.strPath));
        EXPECT_NE(nullptr, item.hThumbnail);
        EXPECT_EQ(expected[i].pixels, Pixels(Recent().CreateImage(item.nId))) << "the kept pixels";
        EXPECT_EQ(expected[i].pixels, FilePixels(m_dir + expected[i].strName)) << "the file's pixels";
    }
    EXPECT_TRUE(m_listener.told.empty());
}

TEST_F(RecentTest, AFolderThatCannotBeWrittenIsToldOnceAndTheCapturesStay) {
    // A folder inside a file can never be made.
    const std::string strFile = m_dir + "plain-file";
    ASSERT_TRUE(WriteBytes(strFile, "x"));
    const std::string strBad = strFile + "\\shots";
    AutoSave(strBad, KP_DEFAULT_NAME_PATTERN);
    const std::vector<UINT> first = Capture(100);
    Capture(160);
    ASSERT_TRUE(WaitIdle(Recent()));
    EXPECT_EQ(std::vector<std::string>{strBad}, m_listener.told);
    ASSERT_EQ(2, Recent().GetCount());
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(CKpRecentCaptures::kSaveFailed, Recent().GetItem(i).nSaveState);
        EXPECT_TRUE(Recent().GetItem(i).bInMemory);
    }
    EXPECT_EQ(first, Pixels(Recent().CreateImage(Recent().GetItem(1).nId)));

    // A capture written there again mends it: the next failure is told anew.
    m_core.m_config.SetAutoSaveFolder(m_dir.c_str());
    Capture(220);
    ASSERT_TRUE(WaitIdle(Recent()));
    m_core.m_config.SetAutoSaveFolder(strBad.c_str());
    Capture(100);
    ASSERT_TRUE(WaitIdle(Recent()));
    EXPECT_EQ(2u, m_listener.told.size());
    ::DeleteFileA(strFile.c_str());
}

}  // namespace
