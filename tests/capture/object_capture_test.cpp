// Object capture through the real mouse hook: the blinking frame, the repaint
// of a window the cursor leaves, the capture of a single button, the tip's
// escape, and leaving the mode with the right button or Esc. The mouse and
// keys are injected from a thread of the test while the engine runs the mode
// on the test's own thread. Run in a 1024 x 768 desktop.
#include "capture_test_support.h"
#include "support/desktop.h"
#include "support/input_events.h"
#include "window_thread.h"

#include <set>
#include <thread>

using namespace captest;
using namespace testinput;

namespace {

const COLORREF kColourA = RGB(200, 30, 30);
const COLORREF kColourB = RGB(30, 160, 40);

// Windows A and B side by side, clear of the tip in the bottom-right corner.
const RECT kRectA = {100, 150, 350, 330};
const RECT kRectB = {400, 150, 650, 330};

// What the red frame makes of a pixel: NOTXOR with (255, 0, 0).
COLORREF Framed(COLORREF c) { return RGB(~(GetRValue(c) ^ 255) & 0xFF, ~GetGValue(c) & 0xFF, ~GetBValue(c) & 0xFF); }

using kptest::ScreenPixel;

// Points on a window's frame band (2 pixels inside its edges) and one well
// inside, where the frame never comes.
struct FramePoints {
    POINT edges[4];
    POINT inside;
};

FramePoints PointsOf(const RECT& rc) {
    int cx = (rc.left + rc.right) / 2, cy = (rc.top + rc.bottom) / 2;
    return {{{rc.left + 1, cy}, {rc.right - 2, cy}, {cx, rc.top + 1}, {cx, rc.bottom - 2}}, {cx, cy}};
}

// The screen's colour at each edge point, all equal to clr.
bool EdgesShow(const RECT& rc, COLORREF clr) {
    FramePoints p = PointsOf(rc);
    for (const POINT& pt : p.edges)
        if (ScreenPixel(pt.x, pt.y) != clr) return false;
    return true;
}

// Waits up to nMs for the edges of rc to show clr.
bool WaitForEdges(const RECT& rc, COLORREF clr, DWORD nMs) {
    DWORD nEnd = ::GetTickCount() + nMs;
    do {
        if (EdgesShow(rc, clr)) return true;
        ::Sleep(20);
    } while ((LONG)(::GetTickCount() - nEnd) < 0);
    return false;
}

// Runs steps on a thread of its own while the test's thread sits in
// SnapWinObj; if the steps leave the mode running, it ends it with a right
// click so a failing test cannot hang.
class ModeDriver {
public:
    explicit ModeDriver(CTestCore& core, std::function<void()> steps) : m_core(core) {
        m_thread = std::thread([this, steps]() {
            steps();
            for (int i = 0; i < 60 && m_core.IsObjSnapping(); ++i)
                ::Sleep(50);
            m_bLeftRunning = m_core.IsObjSnapping() != 0;
            if (m_bLeftRunning) SendClick(MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
        });
    }
    ~ModeDriver() { Join(); }
    // True when the steps ended the mode themselves.
    bool Join() {
        if (m_thread.joinable()) m_thread.join();
        return !m_bLeftRunning;
    }

private:
    CTestCore& m_core;
    bool m_bLeftRunning = false;
    std::thread m_thread;
};

// Moves the cursor there for good (see PlaceCursorAt), reported to the hook.
void MoveAndSettle(int x, int y) { EXPECT_TRUE(PlaceCursorAt(x, y)) << x << "," << y; }

class ObjectCaptureTest : public ::testing::Test {
protected:
    void SetUp() override {
        StartSettings s;
        s.bHide = 1;
        WriteSettings(s);
        ASSERT_TRUE(m_main.CreateAt(600, 460, 400, 300));
        ASSERT_TRUE(CreateView(m_view, m_main, 390, 280));
        PumpMessages(50);
        ASSERT_NE(0, m_core.InitSnapper(&m_main, &m_view));
        m_hA = m_apps.CreateColourWindow("kapto A", kRectA.left, kRectA.top, kRectA.right - kRectA.left,
                                         kRectA.bottom - kRectA.top, kColourA);
        m_hB = m_apps.CreateColourWindow("kapto B", kRectB.left, kRectB.top, kRectB.right - kRectB.left,
                                         kRectB.bottom - kRectB.top, kColourB);
        ASSERT_TRUE(m_hA != nullptr && m_hB != nullptr);
        m_apps.Sync();
        FramePoints a = PointsOf(kRectA);
        MoveAndSettle(a.inside.x, a.inside.y);
    }
    void TearDown() override { m_core.CloseSnapper(); }

    // A capture to fall back on, named as if saved.
    Gdiplus::GpImage* CaptureOnceAndName() {
        EXPECT_EQ(1, m_core.SnapFullScreen());
        m_core.SetPathName("C:\\shots\\a.png");
        return m_core.GetImage();
    }
    // The mode is over and undone.
    void ExpectIdle() {
        EXPECT_EQ(0, m_core.IsSnapping());
        EXPECT_EQ(0, m_core.IsObjSnapping());
        EXPECT_EQ(nullptr, m_core.GetFoundWnd());
        EXPECT_FALSE(m_core.IsHookStarted());
        EXPECT_EQ(nullptr, ::GetCapture());
        EXPECT_EQ(nullptr, m_core.m_dlgObjHelper.m_hWnd);
        EXPECT_TRUE(::IsWindowVisible(m_main.m_hWnd));
        EXPECT_EQ(4, m_core.m_config.GetSnapMode());
        // A timer tick now would find nothing to do.
        m_core.SendMessage(WM_TIMER, 1, 0);
        EXPECT_EQ(nullptr, m_core.GetFoundWnd());
    }

    ConfigFileGuard m_guard;  // destroyed last: after CloseSnapper wrote the file
    CTestMainWnd m_main;
    CWnd m_view;
    CTestCore m_core;
    CWindowThread m_apps;
    HWND m_hA = nullptr, m_hB = nullptr;
};

TEST_F(ObjectCaptureTest, TheFrameBlinksAndARightClickLeavesWithoutFrameOrCapture) {
    Gdiplus::GpImage* pBefore = CaptureOnceAndName();
    FramePoints a = PointsOf(kRectA);
    std::set<COLORREF> seenOnEdge;
    std::set<COLORREF> seenInside;
    bool bCleanAfter = false;
    ModeDriver driver(m_core, [&]() {
        // Three seconds over A: framed and unframed in turn.
        for (int i = 0; i < 75; ++i) {
            seenOnEdge.insert(ScreenPixel(a.edges[0].x, a.edges[0].y));
            seenInside.insert(ScreenPixel(a.inside.x, a.inside.y));
            ::Sleep(40);
        }
        // End on a framed phase, so the end has a frame to remove.
        WaitForEdges(kRectA, Framed(kColourA), 1500);
        SendClick(MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
        for (int i = 0; i < 100 && m_core.IsObjSnapping(); ++i)
            ::Sleep(20);
        ::Sleep(700);  // past the next tick, had the timer survived
        bCleanAfter = EdgesShow(kRectA, kColourA);
    });
    EXPECT_EQ(0, m_core.SnapWinObj());
    ASSERT_TRUE(driver.Join());
    EXPECT_EQ(1u, seenOnEdge.count(kColourA));
    EXPECT_EQ(1u, seenOnEdge.count(Framed(kColourA)));
    EXPECT_EQ(std::set<COLORREF>({kColourA}), seenInside);  // only the 4-pixel band changes
    EXPECT_TRUE(bCleanAfter);
    EXPECT_TRUE(EdgesShow(kRectA, kColourA));
    ExpectIdle();
    EXPECT_EQ(pBefore, m_core.GetImage());
    EXPECT_TRUE(m_core.GetPathName().IsEmpty());
}

TEST_F(ObjectCaptureTest, EscapeLeavesTheModeWhereverTheFocusIs) {
    Gdiplus::GpImage* pBefore = CaptureOnceAndName();
    bool bFramed = false;
    ModeDriver driver(m_core, [&]() {
        bFramed = WaitForEdges(kRectA, Framed(kColourA), 2000);
        ::SetForegroundWindow(m_hB);  // another program has the keyboard
        ::Sleep(100);
        SendKey(VK_ESCAPE);
    });
    EXPECT_EQ(0, m_core.SnapWinObj());
    ASSERT_TRUE(driver.Join());
    EXPECT_TRUE(bFramed);
    m_apps.Sync();
    EXPECT_TRUE(EdgesShow(kRectA, kColourA));
    ExpectIdle();
    EXPECT_EQ(pBefore, m_core.GetImage());
}

TEST_F(ObjectCaptureTest, LeavingAWindowRepaintsItCompletely) {
    FramePoints b = PointsOf(kRectB);
    bool bAFramed = false, bBFramed = false;
    int nDirtyA = 0;
    ModeDriver driver(m_core, [&]() {
        bAFramed = WaitForEdges(kRectA, Framed(kColourA), 2000);
        MoveAndSettle(b.inside.x, b.inside.y);
        bBFramed = WaitForEdges(kRectB, Framed(kColourB), 2000);
        // A stays clean while B blinks.
        for (int i = 0; i < 30; ++i) {
            nDirtyA += !EdgesShow(kRectA, kColourA);
            ::Sleep(40);
        }
        SendClick(MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
    });
    EXPECT_EQ(0, m_core.SnapWinObj());
    ASSERT_TRUE(driver.Join());
    EXPECT_TRUE(bAFramed);
    EXPECT_TRUE(bBFramed);
    EXPECT_EQ(0, nDirtyA);
    m_apps.Sync();
    EXPECT_TRUE(EdgesShow(kRectB, kColourB));
    ExpectIdle();
}

TEST_F(ObjectCaptureTest, ALeftClickOnAButtonInsideAWindowCapturesExactlyTheButton) {
    HWND hDialog = m_apps.CreateColourWindow("kapto dialog", 120, 380, 300, 200, RGB(240, 240, 240),
                                             WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_VISIBLE);
    ASSERT_NE(nullptr, hDialog);
    HWND hButton = nullptr;
    m_apps.Run([&]() {
        hButton = ::CreateWindowExA(0, "BUTTON", "Go", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 40, 50, 130, 44, hDialog,
                                    (HMENU)1, ::GetModuleHandleA(nullptr), nullptr);
    });
    ASSERT_NE(nullptr, hButton);
    m_apps.Sync();
    RECT rcButton;
    ::GetWindowRect(hButton, &rcButton);
    MoveAndSettle((rcButton.left + rcButton.right) / 2, (rcButton.top + rcButton.bottom) / 2);

    // The frame comes on the button's own edge, not on the window's; the
    // click comes while it is drawn.
    const POINT edge = {rcButton.left + 1, (rcButton.top + rcButton.bottom) / 2};
    const COLORREF clrEdge = ScreenPixel(edge.x, edge.y);
    bool bFramed = false;
    ModeDriver driver(m_core, [&]() {
        for (int i = 0; i < 100 && !bFramed; ++i) {
            bFramed = ScreenPixel(edge.x, edge.y) == Framed(clrEdge);
            ::Sleep(20);
        }
        SendClick(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
    });
    EXPECT_EQ(1, m_core.SnapWinObj());
    ASSERT_TRUE(driver.Join());
    ExpectIdle();
    ASSERT_NE(nullptr, m_core.GetImage());
    EXPECT_EQ((UINT)(rcButton.right - rcButton.left), ImageWidth(m_core.GetImage()));
    EXPECT_EQ((UINT)(rcButton.bottom - rcButton.top), ImageHeight(m_core.GetImage()));

    // The capture is the button as it looks now: no frame in it.
    m_apps.Sync();
    std::vector<UINT> captured = ImagePixels(m_core.GetImage());
    int w = rcButton.right - rcButton.left, h = rcButton.bottom - rcButton.top;
    ASSERT_EQ((size_t)w * h, captured.size());
    HDC hdc = ::GetDC(nullptr);
    int nDifferent = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            COLORREF c = ::GetPixel(hdc, rcButton.left + x, rcButton.top + y);
            UINT rgb = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
            nDifferent += rgb != captured[(size_t)y * w + x];
        }
    ::ReleaseDC(nullptr, hdc);
    EXPECT_EQ(0, nDifferent) << "of " << w * h;
    EXPECT_TRUE(bFramed);
}

// The program's hot keys during the mode: every other capture answers 0.
class CHotKeyWnd : public CWnd {
public:
    CTestCore* m_pCore = nullptr;
    std::vector<int> m_results;
    LRESULT OnHotKey(WPARAM, LPARAM) {
        m_results = {m_pCore->SnapFullScreen(), m_pCore->SnapActiveWin(), m_pCore->SnapCurrentWin(),
                     m_pCore->SnapWinClient(), m_pCore->SnapWinObj()};
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CHotKeyWnd, CWnd)
    ON_MESSAGE(WM_HOTKEY, &CHotKeyWnd::OnHotKey)
END_MESSAGE_MAP()

TEST_F(ObjectCaptureTest, HotKeysDuringTheModeGetZeroFromTheOtherModes) {
    CHotKeyWnd hotKeys;
    hotKeys.m_pCore = &m_core;
    ASSERT_TRUE(hotKeys.CreateEx(0, nullptr, "kapto hot keys", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr));
    ASSERT_TRUE(::RegisterHotKey(hotKeys.m_hWnd, 1001, MOD_CONTROL, VK_F9));
    ModeDriver driver(m_core, [&]() {
        ::Sleep(700);
        INPUT in[4] = {};
        for (INPUT& i : in)
            i.type = INPUT_KEYBOARD;
        in[0].ki.wVk = in[3].ki.wVk = VK_CONTROL;
        in[1].ki.wVk = in[2].ki.wVk = VK_F9;
        in[2].ki.dwFlags = in[3].ki.dwFlags = KEYEVENTF_KEYUP;
        ::SendInput(4, in, sizeof(INPUT));
        for (int i = 0; i < 50 && hotKeys.m_results.empty(); ++i)
            ::Sleep(20);
        SendClick(MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
    });
    EXPECT_EQ(0, m_core.SnapWinObj());
    ASSERT_TRUE(driver.Join());
    ::UnregisterHotKey(hotKeys.m_hWnd, 1001);
    EXPECT_EQ(std::vector<int>({0, 0, 0, 0, 0}), hotKeys.m_results);
    ExpectIdle();
}

RECT TipRect(HWND hTip) {
    RECT rc = {};
    ::GetWindowRect(hTip, &rc);
    return rc;
}

TEST_F(ObjectCaptureTest, TheTipJumpsBetweenCornersAndStartsBottomRightEveryTime) {
    const RECT kBottomRight = {794, 505, 1014, 758};
    const RECT kTopLeft = {10, 10, 230, 263};
    std::vector<RECT> seen;
    const DWORD dwUiThread = ::GetCurrentThreadId();
    auto tipNow = [&]() {
        HWND hTip = FindDialog(dwUiThread, 3000);
        seen.push_back(hTip != nullptr ? TipRect(hTip) : RECT{});
    };
    ModeDriver driver(m_core, [&]() {
        ::Sleep(300);
        tipNow();                 // bottom-right
        MoveAndSettle(775, 600);  // 19 pixels left of it: near enough
        ::Sleep(200);
        tipNow();                 // top-left
        MoveAndSettle(500, 284);  // more than 20 below (10, 10, 230, 263): stays
        ::Sleep(200);
        tipNow();
        MoveAndSettle(240, 282);  // within 20 of it: back
        ::Sleep(200);
        tipNow();
        MoveAndSettle(800, 520);  // onto it: top-left again, and left there
        ::Sleep(200);
        tipNow();
        SendClick(MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
    });
    EXPECT_EQ(0, m_core.SnapWinObj());
    ASSERT_TRUE(driver.Join());
    const RECT expected[] = {kBottomRight, kTopLeft, kTopLeft, kBottomRight, kTopLeft};
    ASSERT_EQ(5u, seen.size());
    for (size_t i = 0; i < seen.size(); ++i)
        EXPECT_TRUE(::EqualRect(&expected[i], &seen[i]))
            << i << ": " << seen[i].left << "," << seen[i].top << "," << seen[i].right << "," << seen[i].bottom;

    // Left at the top-left: the next run starts bottom-right, and the
    // cursor coming near it there makes it jump.
    seen.clear();
    MoveAndSettle(500, 300);
    ModeDriver again(m_core, [&]() {
        ::Sleep(300);
        tipNow();
        MoveAndSettle(900, 490);  // 15 above it
        ::Sleep(200);
        tipNow();
        SendClick(MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
    });
    EXPECT_EQ(0, m_core.SnapWinObj());
    ASSERT_TRUE(again.Join());
    ASSERT_EQ(2u, seen.size());
    EXPECT_TRUE(::EqualRect(&kBottomRight, &seen[0]));
    EXPECT_TRUE(::EqualRect(&kTopLeft, &seen[1]));
}

TEST_F(ObjectCaptureTest, AClickThatGrabsNothingIsNoCaptureAndKeepsTheImage) {
    Gdiplus::GpImage* pBefore = CaptureOnceAndName();
    // A is found, then goes before the click: its pixels cannot be had. The
    // click is sent, so it comes before any further timer tick.
    ModeDriver driver(m_core, [&]() {
        for (int i = 0; i < 100 && m_core.GetFoundWnd() != m_hA; ++i)
            ::Sleep(20);
        m_apps.DestroyWindow(m_hA);
        m_core.SendMessage(KPHOOK_WM_LBUTTONDOWN, 0, 0);
    });
    EXPECT_EQ(0, m_core.SnapWinObj());
    ASSERT_TRUE(driver.Join());
    m_hA = nullptr;
    ExpectIdle();
    EXPECT_EQ(pBefore, m_core.GetImage());
}

// Left presses that reached window B, counted on B's own thread.
LONG g_nClicksOnB = 0;
WNDPROC g_pfnBProc = nullptr;
LRESULT CALLBACK CountClicksOnB(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam) {
    if (nMsg == WM_LBUTTONDOWN) ::InterlockedIncrement(&g_nClicksOnB);
    return ::CallWindowProcA(g_pfnBProc, hWnd, nMsg, wParam, lParam);
}

TEST_F(ObjectCaptureTest, AHungWindowUnderTheCursorHoldsNeitherTheCaptureNorTheMouse) {
    // H belongs to a thread that stops answering once it is framed; the
    // click captures it and a click on B right after still reaches B,
    // while H still hangs.
    const DWORD kHangMs = 4000;
    CWindowThread hungApp;
    const RECT kRectH = {100, 380, 350, 560};
    HWND hH = hungApp.CreateColourWindow("kapto H", kRectH.left, kRectH.top, kRectH.right - kRectH.left,
                                         kRectH.bottom - kRectH.top, kColourA, WS_POPUP | WS_VISIBLE, WS_EX_TOPMOST);
    ASSERT_NE(nullptr, hH);
    hungApp.Sync();
    g_nClicksOnB = 0;
    m_apps.Run([this]() { g_pfnBProc = (WNDPROC)::SetWindowLongPtrA(m_hB, GWLP_WNDPROC, (LONG_PTR)&CountClicksOnB); });
    std::thread hang;
    DWORD nModeEndedAfter = 0;
    FramePoints h = PointsOf(kRectH);
    FramePoints b = PointsOf(kRectB);
    ModeDriver driver(m_core, [&]() {
        MoveAndSettle(h.inside.x, h.inside.y);
        for (int i = 0; i < 100 && m_core.GetFoundWnd() != hH; ++i)
            ::Sleep(20);
        hang = std::thread([&]() { hungApp.Run([=]() { ::Sleep(kHangMs); }); });
        ::Sleep(200);
        DWORD nClick = ::GetTickCount();
        SendClick(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
        for (int i = 0; i < 150 && m_core.IsObjSnapping(); ++i)
            ::Sleep(20);
        nModeEndedAfter = ::GetTickCount() - nClick;
        SendLeftClickAt(b.inside.x, b.inside.y);
        for (int i = 0; i < 75 && g_nClicksOnB == 0; ++i)
            ::Sleep(20);
    });
    EXPECT_EQ(1, m_core.SnapWinObj());
    ASSERT_TRUE(driver.Join());
    LONG nClicksOnB = g_nClicksOnB;
    if (hang.joinable()) hang.join();
    EXPECT_LT(nModeEndedAfter, 2000u);
    EXPECT_EQ(1, nClicksOnB);
    EXPECT_EQ((UINT)(kRectH.right - kRectH.left), ImageWidth(m_core.GetImage()));
    ExpectIdle();
}

TEST_F(ObjectCaptureTest, HookMessagesOutsideTheModeAreIgnored) {
    m_core.SendMessage(KPHOOK_WM_LBUTTONDOWN, 0, 0);
    m_core.SendMessage(KPHOOK_WM_RBUTTONDOWN, 0, 0);
    m_core.SendMessage(KPHOOK_WM_MOUSEMOVE, 0, 0);
    m_core.SendMessage(WM_HOTKEY, 1, 0);
    EXPECT_EQ(nullptr, m_core.GetImage());
    EXPECT_EQ(0, m_core.IsSnapping());
    EXPECT_EQ(0, m_core.CheckWindowValidity(nullptr, 0));
    EXPECT_EQ(0, m_core.CheckWindowValidity((HWND)(LONG_PTR)0x7777, 0));
    EXPECT_EQ(1, m_core.CheckWindowValidity(m_hA, 1));
}

}  // namespace
