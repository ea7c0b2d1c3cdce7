// The rubber-band tracker: its loop driven by real input (SendInput from a
// second thread), the erase/draw calls on every change, cancelling, paint
// and key messages while it tracks, and its geometry.
#include <gtest/gtest.h>

#include "framework/rect_tracker.h"
#include "framework/wnd.h"
#include "support/input_events.h"
#include "support/message_pump.h"

#include <functional>
#include <thread>
#include <vector>

namespace {

struct DrawCall {
    CRect rc;
    BOOL bErase;
    BOOL bFinal;
};

// Records what the loop asks it to draw; optionally acts on a change.
class RecordingTracker : public CRectTracker {
public:
    std::vector<DrawCall> m_calls;
    int m_nChanged = 0;
    std::function<void()> m_onChanged;

    void DrawTrackerRect(LPCRECT lpRect, CWnd*, CDC* pDC, CWnd* pWnd) override {
        EXPECT_NE(nullptr, pDC);
        EXPECT_NE(nullptr, pWnd);
        m_calls.push_back({CRect(lpRect), m_bErase, m_bFinalErase});
    }
    void OnChangedRect(const CRect&) override {
        ++m_nChanged;
        if (m_onChanged) m_onChanged();
    }
};

// The whole screen, so that client and screen coordinates agree.
class TrackWnd : public CWnd {
public:
    RecordingTracker m_tracker;
    BOOL m_bAllowInvert = TRUE;
    int m_nResult = -1;
    bool m_bDone = false;
    int m_nPaints = 0;
    int m_nPaintsWhileTracking = 0;
    int m_nKeys = 0;
    bool m_bTracking = false;

    BOOL Open() {
        return CreateEx(WS_EX_TOPMOST, AfxRegisterWndClass(0, nullptr, (HBRUSH)::GetStockObject(WHITE_BRUSH)),
                        "kapto test tracker", WS_POPUP | WS_VISIBLE, 0, 0, ::GetSystemMetrics(SM_CXSCREEN),
                        ::GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr);
    }
    void OnLButtonDown(UINT, CPoint pt) {
        m_bTracking = true;
        m_nResult = m_tracker.TrackRubberBand(this, pt, m_bAllowInvert);
        m_bTracking = false;
        m_bDone = true;
    }
    void OnPaint() {
        ++m_nPaints;
        if (m_bTracking) ++m_nPaintsWhileTracking;
        CPaintDC dc(this);
    }
    BOOL PreTranslateMessage(MSG* pMsg) override {
        if (pMsg->message == WM_KEYDOWN && pMsg->wParam == VK_F5) {
            ++m_nKeys;
            return TRUE;
        }
        return FALSE;
    }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(TrackWnd, CWnd)
    ON_WM_LBUTTONDOWN()
    ON_WM_PAINT()
END_MESSAGE_MAP()

// Buttons go where the script last moved: the event carries the position.
POINT g_ptLast = {0, 0};  // input thread only

void MoveTo(int x, int y) {
    testinput::SendMoveTo(x, y);
    g_ptLast = {x, y};
    ::Sleep(30);
}

void Button(DWORD dwFlags) {
    testinput::SendMoveTo(g_ptLast.x, g_ptLast.y, dwFlags);
    ::Sleep(30);
}

void Key(WORD vk) {
    testinput::SendKey(vk);
    ::Sleep(30);
}

class RectTrackerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_wnd.Open());
        ::SetForegroundWindow(m_wnd.m_hWnd);
        kptest::PumpMessages(150);
    }
    // Runs the input script on a second thread while this one serves the
    // window, until the tracking has ended.
    void Drive(std::function<void()> script) {
        std::thread input(script);
        DWORD nStart = ::GetTickCount();
        while (!m_wnd.m_bDone && ::GetTickCount() - nStart < 10000)
            kptest::PumpMessages(10);
        input.join();
        kptest::PumpMessages(50);
        ASSERT_TRUE(m_wnd.m_bDone);
    }
    // Every change erased exactly the band drawn before it; the last band
    // was erased for good.
    void ExpectPairedCalls() {
        const std::vector<DrawCall>& calls = m_wnd.m_tracker.m_calls;
        ASSERT_GE(calls.size(), 2u);
        EXPECT_FALSE(calls.front().bErase);
        EXPECT_TRUE(calls.back().bErase);
        EXPECT_TRUE(calls.back().bFinal);
        CRect rcDrawn = calls.front().rc;
        for (size_t i = 1; i + 1 < calls.size(); i += 2) {
            EXPECT_TRUE(calls[i].bErase && !calls[i].bFinal) << i;
            EXPECT_EQ(rcDrawn, calls[i].rc) << i;
            EXPECT_FALSE(calls[i + 1].bErase) << i;
            rcDrawn = calls[i + 1].rc;
        }
        EXPECT_EQ(rcDrawn, calls.back().rc);
        EXPECT_EQ((int)(calls.size() - 2) / 2, m_wnd.m_tracker.m_nChanged);
        EXPECT_EQ(0u, calls.size() % 2) << "one first draw, pairs, one final erase";
    }

    TrackWnd m_wnd;
};

TEST_F(RectTrackerTest, ReleaseAcceptsTheDraggedRectangle) {
    Drive([] {
        MoveTo(100, 100);
        Button(MOUSEEVENTF_LEFTDOWN);
        MoveTo(150, 160);
        MoveTo(300, 250);
        Button(MOUSEEVENTF_LEFTUP);
    });
    EXPECT_NE(0, m_wnd.m_nResult);
    EXPECT_EQ(CRect(100, 100, 300, 250), m_wnd.m_tracker.m_rect);
    EXPECT_EQ(CRect(100, 100, 100, 100), m_wnd.m_tracker.m_calls.front().rc);
    ExpectPairedCalls();
    EXPECT_EQ(nullptr, ::GetCapture());
}

TEST_F(RectTrackerTest, AClickWithoutMovingChangesNothing) {
    Drive([] {
        MoveTo(150, 150);
        Button(MOUSEEVENTF_LEFTDOWN);
        Button(MOUSEEVENTF_LEFTUP);
    });
    EXPECT_EQ(0, m_wnd.m_nResult);
    EXPECT_EQ(CRect(150, 150, 150, 150), m_wnd.m_tracker.m_rect);
}

struct CancelCase {
    const char* name;
    int nAction;  // 0 Esc, 1 right button, 2 the capture taken away
};

class RectTrackerCancelTest : public RectTrackerTest, public ::testing::WithParamInterface<CancelCase> {};

TEST_P(RectTrackerCancelTest, CancelRestoresTheStartingRectangle) {
    int nAction = GetParam().nAction;
    if (nAction == 2) m_wnd.m_tracker.m_onChanged = [] { ::ReleaseCapture(); };
    Drive([nAction] {
        MoveTo(200, 200);
        Button(MOUSEEVENTF_LEFTDOWN);
        MoveTo(260, 240);
        MoveTo(280, 250);
        if (nAction == 0) Key(VK_ESCAPE);
        if (nAction == 1) {
            Button(MOUSEEVENTF_RIGHTDOWN);
            Button(MOUSEEVENTF_RIGHTUP);
        }
        MoveTo(320, 300);
        Button(MOUSEEVENTF_LEFTUP);
    });
    EXPECT_EQ(0, m_wnd.m_nResult);
    EXPECT_EQ(CRect(200, 200, 200, 200), m_wnd.m_tracker.m_rect);
    ASSERT_FALSE(m_wnd.m_tracker.m_calls.empty());
    EXPECT_TRUE(m_wnd.m_tracker.m_calls.back().bFinal);
    // Nothing after the cancel moved the band.
    EXPECT_NE(CRect(200, 200, 320, 300), m_wnd.m_tracker.m_calls.back().rc);
}

INSTANTIATE_TEST_SUITE_P(Ways, RectTrackerCancelTest,
                         ::testing::Values(CancelCase{"Esc", 0}, CancelCase{"RightButton", 1},
                                           CancelCase{"CaptureLost", 2}),
                         [](const ::testing::TestParamInfo<CancelCase>& info) { return info.param.name; });

TEST_F(RectTrackerTest, InvertedDragsNeedPermission) {
    auto upLeft = [] {
        MoveTo(300, 250);
        Button(MOUSEEVENTF_LEFTDOWN);
        MoveTo(200, 180);
        MoveTo(100, 100);
        Button(MOUSEEVENTF_LEFTUP);
    };
    m_wnd.m_bAllowInvert = FALSE;
    Drive(upLeft);
    EXPECT_EQ(0, m_wnd.m_nResult);
    EXPECT_EQ(CRect(300, 250, 300, 250), m_wnd.m_tracker.m_rect);

    m_wnd.m_bDone = false;
    m_wnd.m_bAllowInvert = TRUE;
    Drive(upLeft);
    EXPECT_NE(0, m_wnd.m_nResult);
    EXPECT_EQ(CRect(300, 250, 100, 100), m_wnd.m_tracker.m_rect);
    CRect rcTrue;
    m_wnd.m_tracker.GetTrueRect(&rcTrue);
    EXPECT_EQ(CRect(100, 100, 300, 250), rcTrue);
}

TEST_F(RectTrackerTest, PaintsAndKeysReachTheWindowWhileItTracks) {
    // Every change asks for a repaint, as a window that shows the band in
    // its own painting does.
    m_wnd.m_tracker.m_onChanged = [this] { m_wnd.Invalidate(FALSE); };
    Drive([] {
        MoveTo(100, 100);
        Button(MOUSEEVENTF_LEFTDOWN);
        MoveTo(150, 150);
        ::Sleep(100);
        Key(VK_F5);
        MoveTo(200, 220);
        ::Sleep(100);
        Button(MOUSEEVENTF_LEFTUP);
    });
    EXPECT_NE(0, m_wnd.m_nResult);
    EXPECT_EQ(CRect(100, 100, 200, 220), m_wnd.m_tracker.m_rect);
    EXPECT_GT(m_wnd.m_nPaintsWhileTracking, 0);
    EXPECT_EQ(1, m_wnd.m_nKeys);
}

// ---- Geometry ----------------------------------------------------------------

struct HitCase {
    UINT nStyle;
    RECT rc;
    POINT pt;
    int nHit;
};

class RectTrackerHitTest : public ::testing::TestWithParam<HitCase> {};

TEST_P(RectTrackerHitTest, FindsHandlesMiddleAndOutside) {
    const HitCase& c = GetParam();
    CRectTracker tracker(&c.rc, c.nStyle);
    EXPECT_EQ(c.nHit, tracker.HitTest(CPoint(c.pt)));
}

const UINT kInside = CRectTracker::solidLine | CRectTracker::resizeInside;
const UINT kOutside = CRectTracker::solidLine | CRectTracker::resizeOutside;
INSTANTIATE_TEST_SUITE_P(
    Points, RectTrackerHitTest,
    ::testing::Values(HitCase{kInside, {10, 10, 110, 60}, {10, 10}, CRectTracker::hitTopLeft},
                      HitCase{kInside, {10, 10, 110, 60}, {109, 59}, CRectTracker::hitBottomRight},
                      HitCase{kInside, {10, 10, 110, 60}, {105, 12}, CRectTracker::hitTopRight},
                      HitCase{kInside, {10, 10, 110, 60}, {60, 12}, CRectTracker::hitTop},
                      HitCase{kInside, {10, 10, 110, 60}, {12, 35}, CRectTracker::hitLeft},
                      HitCase{kInside, {10, 10, 110, 60}, {60, 35}, CRectTracker::hitMiddle},
                      HitCase{kInside, {10, 10, 110, 60}, {110, 35}, CRectTracker::hitNothing},
                      HitCase{kInside, {10, 10, 110, 60}, {9, 10}, CRectTracker::hitNothing},
                      // Inverted: the normalised rectangle counts.
                      HitCase{kInside, {110, 60, 10, 10}, {10, 10}, CRectTracker::hitTopLeft},
                      // Too short for side handles: the middle.
                      HitCase{kInside, {10, 10, 25, 60}, {17, 11}, CRectTracker::hitMiddle},
                      HitCase{kOutside, {10, 10, 110, 60}, {5, 5}, CRectTracker::hitTopLeft},
                      HitCase{kOutside, {10, 10, 110, 60}, {10, 10}, CRectTracker::hitMiddle},
                      HitCase{kOutside, {10, 10, 110, 60}, {3, 3}, CRectTracker::hitNothing},
                      HitCase{CRectTracker::solidLine, {10, 10, 110, 60}, {10, 10}, CRectTracker::hitMiddle},
                      HitCase{CRectTracker::solidLine, {10, 10, 10, 60}, {10, 30}, CRectTracker::hitNothing}));

TEST(RectTrackerDrawTest, SolidLineFramesTheRectangleAndHandlesSitInside) {
    HDC hScreen = ::GetDC(nullptr);
    HDC hMem = ::CreateCompatibleDC(hScreen);
    HBITMAP hBitmap = ::CreateCompatibleBitmap(hScreen, 200, 100);
    ::ReleaseDC(nullptr, hScreen);
    HGDIOBJ hOld = ::SelectObject(hMem, hBitmap);
    RECT rcAll = {0, 0, 200, 100};
    ::FillRect(hMem, &rcAll, (HBRUSH)::GetStockObject(WHITE_BRUSH));

    CRect rc(10, 10, 110, 60);
    CRectTracker tracker(&rc, kInside);
    CDC dc;
    dc.Attach(hMem);
    tracker.Draw(&dc);
    dc.Detach();

    const COLORREF black = RGB(0, 0, 0), white = RGB(255, 255, 255);
    EXPECT_EQ(black, ::GetPixel(hMem, 40, 10));   // top edge
    EXPECT_EQ(black, ::GetPixel(hMem, 40, 59));   // bottom edge
    EXPECT_EQ(black, ::GetPixel(hMem, 10, 30));   // left edge
    EXPECT_EQ(black, ::GetPixel(hMem, 109, 30));  // right edge
    EXPECT_EQ(white, ::GetPixel(hMem, 40, 60));   // below it
    EXPECT_EQ(white, ::GetPixel(hMem, 110, 30));  // right of it
    EXPECT_EQ(white, ::GetPixel(hMem, 40, 30));   // inside
    // Corner handle squares inside the rectangle, side handle on the top.
    int n = tracker.GetHandleSize();
    EXPECT_EQ(black, ::GetPixel(hMem, 10 + n - 1, 10 + n - 1));
    EXPECT_EQ(white, ::GetPixel(hMem, 10 + n, 10 + n));
    EXPECT_EQ(black, ::GetPixel(hMem, 60, 10 + n - 1));
    EXPECT_EQ(0xFFu, tracker.GetHandleMask());

    ::SelectObject(hMem, hOld);
    ::DeleteObject(hBitmap);
    ::DeleteDC(hMem);
}

}  // namespace
