#include "capture_test_support.h"

namespace captest {

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
