// The tip panel and the object tip, read back from the screen of a 1024 x 768
// desktop: placement, text, the five-fold magnifier with its cross-hair, the
// panel's escape between the top corners, the foreground hand-over and the
// absence of a caret.
#include "overlay_test_support.h"

#include "lib/res/resource.h"
#include "snap_tip_windows.h"
#include "window_list.h"

#include <string>

using namespace overlaytest;

namespace {

const int kScreenW = 1024;
const int kScreenH = 768;

// Where the object tip sits on this desktop.
const RECT kObjTipRect = {kScreenW - 230, kScreenH - 263, kScreenW - 10, kScreenH - 10};

// The object tip with its protected parts reachable.
class CTestObjHelper : public CDlgSnapObjHelper {
public:
    using CDlgSnapObjHelper::DrawTipWindow;
    // Modeless, as a test can look at it between messages; the engine's
    // modal run goes through the same initialisation.
    BOOL Open() { return Create(MAKEINTRESOURCEA(IDD_SNAP_OBJ)) && ShowWindow(SW_SHOWNOACTIVATE) >= 0; }
};

// Pixels of the object tip's panel, at panel coordinates.
class PanelPixels {
public:
    PanelPixels() : m_pixels(ReadScreen(kObjTipRect)) {}
    COLORREF At(int x, int y) const { return m_pixels[(size_t)y * (kObjTipRect.right - kObjTipRect.left) + x]; }

private:
    std::vector<COLORREF> m_pixels;
};

bool IsBlack(COLORREF c) { return c == RGB(0, 0, 0); }

// The green cross-hair over colour under.
bool IsCrossHairOver(COLORREF c, COLORREF under) {
    return Near(GetRValue(c), Blend127(GetRValue(under), 0)) && Near(GetGValue(c), Blend127(GetGValue(under), 255)) &&
           Near(GetBValue(c), Blend127(GetBValue(under), 0));
}

class ObjTipTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Known pixels under the two cursor positions the tests use.
        ASSERT_TRUE(m_pattern.CreateAt(200, 120, 200, 160));
        ASSERT_TRUE(m_grey.CreateFlat(0, 0, 80, 60, RGB(128, 128, 128)));
        ASSERT_TRUE(m_tip.Open());
        ASSERT_TRUE(WaitForScreen(2, 2, RGB(128, 128, 128)));
        ASSERT_TRUE(WaitForScreen(300, 200, m_pattern.ColourAt(300, 200)));
    }
    void Refresh(int x, int y) {
        ASSERT_TRUE(MouseMoveTo(x, y));
        m_tip.SendMessage(WM_MOUSEMOVE, 0, 0);
        m_tip.m_edtTip.UpdateWindow();
        PumpMessages(100);
    }

    CPatternWnd m_pattern;
    CPatternWnd m_grey;
    CTestObjHelper m_tip;
};

TEST_F(ObjTipTest, SitsTenPixelsFromTheBottomRightCornerOnTopAndThePanelFillsIt) {
    CRect rc;
    m_tip.GetWindowRect(&rc);
    EXPECT_EQ(CRect(kObjTipRect), rc);
    EXPECT_TRUE(m_tip.GetExStyle() & WS_EX_TOPMOST);
    EXPECT_EQ(220, m_tip.m_nTipWidth);
    EXPECT_EQ(253, m_tip.m_nTipHeight);
    CRect rcPanel;
    m_tip.m_edtTip.GetWindowRect(&rcPanel);
    EXPECT_EQ(rc, rcPanel);
    EXPECT_EQ(::GetDesktopWindow(), m_tip.m_edtTip.GetSourceWnd()->m_hWnd);
}

TEST_F(ObjTipTest, ShowsTheCursorPositionAndTheAreaAroundItFiveFold) {
    Refresh(300, 200);
    CString strText;
    m_tip.m_edtTip.GetWindowText(strText);
    EXPECT_STREQ("·坐标(X:300, Y:200)\r\n·左键点击截取图像\r\n·点击右键退出", (const char*)strText);

    // Panel (10, 90) onwards is screen (280, 185) onwards, five pixels for
    // one, except under the cross-hair (columns 109-115, rows 164-170).
    PanelPixels panel;
    int nChecked = 0;
    for (int j = 0; j < 30; ++j)
        for (int i = 0; i < 40; ++i) {
            if (i == 19 || i == 20 || i == 21 || j == 14 || j == 15 || j == 16) continue;
            COLORREF expected = m_pattern.ColourAt(280 + i, 185 + j);
            for (int k : {0, 4}) {
                ASSERT_EQ(expected, panel.At(10 + 5 * i + k, 90 + 5 * j + k)) << "cell " << i << "," << j;
                ++nChecked;
            }
        }
    EXPECT_GT(nChecked, 1500);

    // The bars: seven pixels centred on column 112 and row 167.
    for (int x = 109; x <= 115; ++x)
        EXPECT_TRUE(IsCrossHairOver(panel.At(x, 100), m_pattern.ColourAt(280 + (x - 10) / 5, 185 + 2))) << x;
    EXPECT_FALSE(IsCrossHairOver(panel.At(108, 100), m_pattern.ColourAt(279, 187)));
    EXPECT_FALSE(IsCrossHairOver(panel.At(116, 100), m_pattern.ColourAt(281, 187)));
    for (int y = 164; y <= 170; ++y)
        EXPECT_TRUE(IsCrossHairOver(panel.At(30, y), m_pattern.ColourAt(284, 185 + (y - 90) / 5))) << y;
    EXPECT_FALSE(IsCrossHairOver(panel.At(30, 163), m_pattern.ColourAt(284, 199)));
    EXPECT_FALSE(IsCrossHairOver(panel.At(30, 171), m_pattern.ColourAt(284, 201)));

    // The black box (109, 164)-(115, 170) around the cursor's pixel.
    for (int t = 0; t <= 6; ++t) {
        EXPECT_TRUE(IsBlack(panel.At(109 + t, 164))) << t;
        EXPECT_TRUE(IsBlack(panel.At(109 + t, 170))) << t;
        EXPECT_TRUE(IsBlack(panel.At(109, 164 + t))) << t;
        EXPECT_TRUE(IsBlack(panel.At(115, 164 + t))) << t;
    }
    EXPECT_FALSE(IsBlack(panel.At(112, 167)));
}

TEST_F(ObjTipTest, CrossHairFollowsACursorCloserToTheCornerThanHalfTheMagnifier) {
    Refresh(5, 3);
    PanelPixels panel;

    const COLORREF grey = RGB(128, 128, 128);
    // The source area starts at (0, 0): the cursor's column is 5, its row 3.
    for (int x = 34; x <= 40; ++x)
        EXPECT_TRUE(IsCrossHairOver(panel.At(x, 200), grey)) << x;
    EXPECT_EQ(grey, panel.At(33, 200));
    EXPECT_EQ(grey, panel.At(41, 200));
    for (int y = 104; y <= 110; ++y)
        EXPECT_TRUE(IsCrossHairOver(panel.At(150, y), grey)) << y;
    EXPECT_EQ(grey, panel.At(150, 103));
    EXPECT_EQ(grey, panel.At(150, 111));
}

TEST_F(ObjTipTest, FirstRefreshHandsTheForegroundToTheTopWindowOnlyOnce) {
    // A window of an application below the topmost ones, active.
    CWnd other;
    ASSERT_TRUE(other.CreateEx(0, AfxRegisterWndClass(0), "kapto test application", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                               500, 100, 200, 150, nullptr, nullptr));
    WindowList list;
    ASSERT_GE(CollectTopWindows(list), 1);
    HWND hFirst = list.entries[1].hWnd;
    ASSERT_NE(other.m_hWnd, hFirst);
    ::SetForegroundWindow(other.m_hWnd);
    PumpMessages(50);
    ASSERT_EQ(other.m_hWnd, ::GetForegroundWindow());

    Refresh(300, 200);
    EXPECT_EQ(hFirst, ::GetForegroundWindow());
    EXPECT_EQ(0, m_tip.m_bFirstMove);

    ::SetForegroundWindow(other.m_hWnd);
    PumpMessages(50);
    Refresh(310, 200);
    EXPECT_EQ(other.m_hWnd, ::GetForegroundWindow());

    // Armed again for the next run.
    m_tip.DestroyWindow();
    EXPECT_EQ(1, m_tip.m_bFirstMove);
}

TEST_F(ObjTipTest, PanelDoesNotJumpOutOfTheDialogItFills) {
    Refresh(800, 600);
    m_tip.m_edtTip.SendMessage(WM_MOUSEMOVE, 0, 0);
    CRect rc;
    m_tip.m_edtTip.GetWindowRect(&rc);
    EXPECT_EQ(CRect(kObjTipRect), rc);
}

TEST_F(ObjTipTest, ClickingAndDraggingInThePanelShowsNoCaretAndNoSelection) {
    // Into the text band, then a drag across all of it.
    MouseMoveTo(kObjTipRect.left + 20, kObjTipRect.top + 40);
    MouseButton(true, true);
    MouseButton(true, false);
    PumpMessages(100);
    MouseButton(true, true);
    MouseMoveTo(kObjTipRect.right - 5, kObjTipRect.top + 75);
    MouseButton(true, false);
    PumpMessages(100);
    m_tip.m_edtTip.Invalidate(TRUE);
    PumpMessages(200);

    CRect rcBand(kObjTipRect.left, kObjTipRect.top + 30, kObjTipRect.right, kObjTipRect.top + 80);
    std::vector<COLORREF> first = ReadScreen(rcBand);
    const COLORREF highlight = ::GetSysColor(COLOR_HIGHLIGHT);
    for (COLORREF c : first)
        ASSERT_NE(highlight, c);
    // A caret would blink: the band stays the same for more than a blink.
    for (int n = 0; n < 4; ++n) {
        PumpMessages(300);
        ASSERT_EQ(first, ReadScreen(rcBand)) << "sample " << n;
    }
}

// ---- The panel's own escape, in a parent that covers the screen -------------------

struct EscapeCase {
    int bStartTopLeft;
    POINT cursor;
    int bEndTopLeft;
};

class PanelEscapeTest : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(PanelEscapeTest, JumpsToTheOtherTopCornerWhenTheCursorComesNear) {
    const EscapeCase& c = GetParam();
    // First, so that no earlier position reaches the new panel.
    ASSERT_TRUE(MouseMoveTo(c.cursor.x, c.cursor.y));
    CWnd parent;
    ASSERT_TRUE(parent.CreateEx(0, AfxRegisterWndClass(0, nullptr, (HBRUSH)::GetStockObject(WHITE_BRUSH)),
                                "kapto test overlay", WS_POPUP | WS_VISIBLE, 0, 0, kScreenW, kScreenH, nullptr,
                                nullptr));
    HWND hEdit = ::CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE | ES_MULTILINE, 0, 0, 220, 253, parent.m_hWnd,
                                   (HMENU)1031, nullptr, nullptr);
    CSnapTipEdit panel;
    ASSERT_TRUE(panel.SubclassWindow(hEdit));
    const POINT topLeft = {10, 10};
    const POINT topRight = {kScreenW - 230, 10};
    POINT start = c.bStartTopLeft ? topLeft : topRight;
    panel.MoveWindow(start.x, start.y, 220, 253);
    panel.SetAtTopLeft(c.bStartTopLeft);

    panel.SendMessage(WM_MOUSEMOVE, 0, 0);

    POINT end = c.bEndTopLeft ? topLeft : topRight;
    CRect rc;
    panel.GetWindowRect(&rc);
    EXPECT_EQ(CRect(end.x, end.y, end.x + 220, end.y + 253), rc);
    EXPECT_EQ(c.bEndTopLeft, panel.GetAtTopLeft());
    panel.DestroyWindow();
    parent.DestroyWindow();
}

INSTANTIATE_TEST_SUITE_P(Corners, PanelEscapeTest,
                         ::testing::Values(EscapeCase{1, {100, 100}, 0}, EscapeCase{1, {0, 0}, 0},
                                           EscapeCase{1, {229, 262}, 0}, EscapeCase{1, {230, 100}, 1},
                                           EscapeCase{1, {100, 263}, 1}, EscapeCase{1, {900, 100}, 1},
                                           EscapeCase{0, {900, 100}, 1}, EscapeCase{0, {794, 0}, 1},
                                           EscapeCase{0, {1023, 262}, 1}, EscapeCase{0, {793, 100}, 0},
                                           EscapeCase{0, {900, 263}, 0}, EscapeCase{0, {100, 100}, 0}));

}  // namespace
