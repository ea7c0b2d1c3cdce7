// The mouse hook under injected input: what the hook window receives, what
// the window under the cursor receives, and silence once reporting stops.
#include <windows.h>
#include <windowsx.h>

#include <vector>

#include <gtest/gtest.h>

#include "support/input_events.h"
#include "support/message_pump.h"

#include "kp_hook.h"

using namespace testinput;

namespace {

struct Received {
    HWND hWnd;
    UINT nMsg;
    WPARAM wParam;
    LPARAM lParam;
};

std::vector<Received> g_received;
CKpHook* g_pStopOnPress = nullptr;  // not owned

bool IsRecorded(UINT nMsg) {
    switch (nMsg) {
        case KPHOOK_WM_LBUTTONDOWN:
        case KPHOOK_WM_RBUTTONDOWN:
        case KPHOOK_WM_MOUSEMOVE:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP:
        case WM_CONTEXTMENU:
            return true;
        default:
            return false;
    }
}

LRESULT CALLBACK RecordingWndProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam) {
    if (IsRecorded(nMsg)) {
        g_received.push_back({hWnd, nMsg, wParam, lParam});
        // What object capture does: it ends inside the handler of the press,
        // while the button is still down.
        if (nMsg == KPHOOK_WM_LBUTTONDOWN && g_pStopOnPress != nullptr) g_pStopOnPress->StopMouseHook();
        return 0;
    }
    return DefWindowProcA(hWnd, nMsg, wParam, lParam);
}

// Dispatches messages until nMsg has reached hWnd or the time is up.
bool PumpUntil(HWND hWnd, UINT nMsg, DWORD dwMillis) {
    DWORD dwEnd = GetTickCount() + dwMillis;
    for (;;) {
        for (const Received& r : g_received) {
            if (r.hWnd == hWnd && r.nMsg == nMsg) return true;
        }
        if (static_cast<LONG>(GetTickCount() - dwEnd) >= 0) return false;
        kptest::PumpMessages(10);
    }
}

int Count(HWND hWnd, UINT nMsg) {
    int n = 0;
    for (const Received& r : g_received)
        n += r.hWnd == hWnd && r.nMsg == nMsg;
    return n;
}

const Received* Last(HWND hWnd, UINT nMsg) {
    const Received* pLast = nullptr;
    for (const Received& r : g_received) {
        if (r.hWnd == hWnd && r.nMsg == nMsg) pLast = &r;
    }
    return pLast;
}

class HookTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = RecordingWndProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        wc.lpszClassName = "KpHookTestWnd";
        RegisterClassA(&wc);
    }

    void SetUp() override {
        g_received.clear();
        g_pStopOnPress = nullptr;
        // The hook window never shows; the target covers the place clicked.
        m_hHookWnd = CreateWindowExA(0, "KpHookTestWnd", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                     GetModuleHandleA(nullptr), nullptr);
        m_hTarget = CreateWindowExA(WS_EX_TOPMOST, "KpHookTestWnd", "target", WS_POPUP | WS_VISIBLE, kTarget.left,
                                    kTarget.top, kTarget.right - kTarget.left, kTarget.bottom - kTarget.top, nullptr,
                                    nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(m_hHookWnd, nullptr);
        ASSERT_NE(m_hTarget, nullptr);
        SetForegroundWindow(m_hTarget);
        UpdateWindow(m_hTarget);
        kptest::PumpMessages(100);
        g_received.clear();
    }

    void TearDown() override {
        m_hook.UninstallHook();
        DestroyWindow(m_hTarget);
        DestroyWindow(m_hHookWnd);
        kptest::PumpMessages(50);
        g_received.clear();
    }

    // Installs and starts the hook, with the cursor resting inside the target.
    void StartOverTarget() {
        m_hook.SetHookWnd(m_hHookWnd);
        ASSERT_NE(m_hook.InstallHook(), 0);
        SendMoveTo(kInside.x, kInside.y);
        kptest::PumpMessages(200);
        m_hook.StartMouseHook();
        g_received.clear();
    }

    static constexpr RECT kTarget = {200, 150, 600, 450};
    static constexpr POINT kInside = {400, 300};

    CKpHook m_hook;
    HWND m_hHookWnd = nullptr;
    HWND m_hTarget = nullptr;
};

constexpr RECT HookTest::kTarget;
constexpr POINT HookTest::kInside;

TEST_F(HookTest, EveryMoveIsPostedWithTheScreenPoint) {
    StartOverTarget();
    static const POINT kPoints[] = {{0, 0}, {1, 767}, {1023, 0}, {512, 384}, {250, 600}};
    for (const POINT& pt : kPoints) {
        SCOPED_TRACE(testing::Message() << pt.x << "," << pt.y);
        g_received.clear();
        SendMoveTo(pt.x, pt.y);
        ASSERT_TRUE(PumpUntil(m_hHookWnd, KPHOOK_WM_MOUSEMOVE, 2000));
        POINT cur;
        GetCursorPos(&cur);
        EXPECT_EQ(cur.x, pt.x);
        EXPECT_EQ(cur.y, pt.y);
        const Received* r = Last(m_hHookWnd, KPHOOK_WM_MOUSEMOVE);
        EXPECT_EQ(r->wParam, static_cast<WPARAM>(WM_MOUSEMOVE));
        EXPECT_EQ(GET_X_LPARAM(r->lParam), pt.x);
        EXPECT_EQ(GET_Y_LPARAM(r->lParam), pt.y);
    }
}

struct PressCase {
    const char* name;
    DWORD dwDown, dwUp;
    UINT nReported;               // what the hook window receives
    UINT nLowLevel;               // its wParam
    UINT nTargetDown, nTargetUp;  // what the target must not receive
};

const PressCase kPresses[] = {
    {"left", MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, KPHOOK_WM_LBUTTONDOWN, WM_LBUTTONDOWN, WM_LBUTTONDOWN,
     WM_LBUTTONUP},
    {"right", MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP, KPHOOK_WM_RBUTTONDOWN, WM_RBUTTONDOWN, WM_RBUTTONDOWN,
     WM_RBUTTONUP},
};

void PrintTo(const PressCase& c, std::ostream* os) { *os << c.name; }

class HookPressTest : public HookTest, public ::testing::WithParamInterface<PressCase> {};

TEST_P(HookPressTest, PressIsPostedAndSwallowed) {
    const PressCase& c = GetParam();
    StartOverTarget();
    SendClick(c.dwDown, c.dwUp);
    ASSERT_TRUE(PumpUntil(m_hHookWnd, c.nReported, 2000));
    kptest::PumpMessages(300);
    EXPECT_EQ(Count(m_hHookWnd, c.nReported), 1);
    const Received* r = Last(m_hHookWnd, c.nReported);
    EXPECT_EQ(r->wParam, static_cast<WPARAM>(c.nLowLevel));
    EXPECT_EQ(GET_X_LPARAM(r->lParam), kInside.x);
    EXPECT_EQ(GET_Y_LPARAM(r->lParam), kInside.y);
    EXPECT_EQ(Count(m_hTarget, c.nTargetDown), 0);
    EXPECT_EQ(Count(m_hTarget, c.nTargetUp), 0);
    EXPECT_EQ(Count(m_hTarget, WM_CONTEXTMENU), 0);
}

TEST_P(HookPressTest, AfterStopNothingIsPostedAndThePressGoesThrough) {
    const PressCase& c = GetParam();
    StartOverTarget();
    m_hook.StopMouseHook();
    SendMoveTo(kInside.x + 10, kInside.y + 10);
    SendClick(c.dwDown, c.dwUp);
    // The target's own messages show that the input has been delivered.
    ASSERT_TRUE(PumpUntil(m_hTarget, c.nTargetUp, 2000));
    kptest::PumpMessages(200);
    EXPECT_EQ(Count(m_hTarget, c.nTargetDown), 1);
    EXPECT_EQ(Count(m_hHookWnd, KPHOOK_WM_MOUSEMOVE), 0);
    EXPECT_EQ(Count(m_hHookWnd, c.nReported), 0);
}

TEST_P(HookPressTest, InstalledButNotStartedReportsNothing) {
    const PressCase& c = GetParam();
    StartOverTarget();
    m_hook.StopMouseHook();
    m_hook.UninstallHook();
    ASSERT_NE(m_hook.InstallHook(), 0);
    SendMoveTo(kInside.x - 10, kInside.y);
    SendClick(c.dwDown, c.dwUp);
    ASSERT_TRUE(PumpUntil(m_hTarget, c.nTargetUp, 2000));
    kptest::PumpMessages(200);
    EXPECT_EQ(Count(m_hHookWnd, KPHOOK_WM_MOUSEMOVE), 0);
    EXPECT_EQ(Count(m_hHookWnd, c.nReported), 0);
}

TEST_P(HookPressTest, AfterUninstallNothingIsPosted) {
    const PressCase& c = GetParam();
    StartOverTarget();
    EXPECT_NE(m_hook.UninstallHook(), 0);
    EXPECT_FALSE(m_hook.IsInstalled());
    SendMoveTo(kInside.x, kInside.y + 20);
    SendClick(c.dwDown, c.dwUp);
    ASSERT_TRUE(PumpUntil(m_hTarget, c.nTargetUp, 2000));
    kptest::PumpMessages(200);
    EXPECT_EQ(Count(m_hHookWnd, KPHOOK_WM_MOUSEMOVE), 0);
    EXPECT_EQ(Count(m_hHookWnd, c.nReported), 0);
}

INSTANTIATE_TEST_SUITE_P(Buttons, HookPressTest, ::testing::ValuesIn(kPresses),
                         [](const ::testing::TestParamInfo<PressCase>& info) { return info.param.name; });

TEST_F(HookTest, ReleaseAfterStopInsideThePressHandlerIsSwallowed) {
    StartOverTarget();
    g_pStopOnPress = &m_hook;
    SendButton(MOUSEEVENTF_LEFTDOWN);
    ASSERT_TRUE(PumpUntil(m_hHookWnd, KPHOOK_WM_LBUTTONDOWN, 2000));
    EXPECT_FALSE(m_hook.IsStarted());
    SendButton(MOUSEEVENTF_LEFTUP);
    SendMoveTo(kInside.x + 30, kInside.y);
    // A following click is the target's again: the swallowing was for the
    // one release only.
    SendClick(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
    ASSERT_TRUE(PumpUntil(m_hTarget, WM_LBUTTONUP, 2000));
    kptest::PumpMessages(200);
    EXPECT_EQ(Count(m_hTarget, WM_LBUTTONDOWN), 1);
    EXPECT_EQ(Count(m_hTarget, WM_LBUTTONUP), 1);
    EXPECT_EQ(Count(m_hHookWnd, KPHOOK_WM_LBUTTONDOWN), 1);
    EXPECT_EQ(Count(m_hHookWnd, KPHOOK_WM_MOUSEMOVE), 0);
}

TEST_F(HookTest, StopDropsReportsStillQueued) {
    StartOverTarget();
    SendMoveTo(100, 100);
    SendMoveTo(110, 100);
    SendMoveTo(120, 100);
    // Wait without dispatching until a report is queued.
    MSG msg;
    DWORD dwEnd = GetTickCount() + 2000;
    while (!PeekMessageA(&msg, m_hHookWnd, KPHOOK_WM_MOUSEMOVE, KPHOOK_WM_MOUSEMOVE, PM_NOREMOVE) &&
           static_cast<LONG>(GetTickCount() - dwEnd) < 0)
        Sleep(10);
    ASSERT_EQ(msg.message, static_cast<UINT>(KPHOOK_WM_MOUSEMOVE));
    m_hook.StopMouseHook();
    kptest::PumpMessages(300);
    EXPECT_EQ(Count(m_hHookWnd, KPHOOK_WM_MOUSEMOVE), 0);
}

TEST_F(HookTest, ReportingFollowsTheHookWindow) {
    HWND hOther = CreateWindowExA(0, "KpHookTestWnd", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(hOther, nullptr);
    StartOverTarget();
    m_hook.SetHookWnd(hOther);
    SendMoveTo(300, 300);
    EXPECT_TRUE(PumpUntil(hOther, KPHOOK_WM_MOUSEMOVE, 2000));
    EXPECT_EQ(Count(m_hHookWnd, KPHOOK_WM_MOUSEMOVE), 0);
    m_hook.StopMouseHook();
    DestroyWindow(hOther);
}

TEST_F(HookTest, InstallTwiceKeepsOneHook) {
    m_hook.SetHookWnd(m_hHookWnd);
    EXPECT_NE(m_hook.InstallHook(), 0);
    EXPECT_NE(m_hook.InstallHook(), 0);
    EXPECT_NE(m_hook.UninstallHook(), 0);
    EXPECT_EQ(m_hook.UninstallHook(), 0);
}

TEST_F(HookTest, HookThreadIsNotTheCallers) {
    // The caller blocks (as a capture delay does) while the hook still answers
    // and reports; the report waits in the caller's queue.
    StartOverTarget();
    SendMoveTo(700, 500);
    Sleep(500);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, m_hHookWnd, KPHOOK_WM_MOUSEMOVE, KPHOOK_WM_MOUSEMOVE, PM_NOREMOVE));
    EXPECT_EQ(GET_X_LPARAM(msg.lParam), 700);
    EXPECT_EQ(GET_Y_LPARAM(msg.lParam), 500);
}

}  // namespace
