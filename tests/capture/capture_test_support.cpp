#include "capture_test_support.h"

namespace captest {

void StartedEngineTest::SetUp() {
    WriteSettings(StartSettings());
    ASSERT_TRUE(m_main.CreateAt(600, 460, 400, 300));
    ASSERT_TRUE(CreateView(m_view, m_main, 390, 280));
    ASSERT_NE(0, m_core.InitSnapper(&m_main, &m_view));
}

void StartedEngineTest::TearDown() { m_core.CloseSnapper(); }

BEGIN_MESSAGE_MAP(CTestMainWnd, CWnd)
    ON_WM_SHOWWINDOW()
END_MESSAGE_MAP()

BEGIN_MESSAGE_MAP(CColourBands, CWnd)
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
END_MESSAGE_MAP()

}  // namespace captest

namespace {

// The test program starts GDI+ for itself, as the program does, so images
// can be inspected while no engine runs.
class GdiplusEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&m_token, &input, nullptr);
    }
    void TearDown() override { Gdiplus::GdiplusShutdown(m_token); }

private:
    ULONG_PTR m_token = 0;
};

::testing::Environment* const g_pGdiplus = ::testing::AddGlobalTestEnvironment(new GdiplusEnvironment);

}  // namespace
