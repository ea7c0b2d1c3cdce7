// Windows, message maps, command routing, reflection and subclassing.
#include <gtest/gtest.h>

#include "support/message_pump.h"

#include "framework/app.h"
#include "framework/wnd.h"

namespace {

const UINT kMsgBaseOnly = WM_APP + 1;
const UINT kMsgOverridden = WM_APP + 2;
const UINT kMsgUnmapped = WM_APP + 3;
const UINT kCmdOwn = 100;
const UINT kCmdForApp = 777;
const UINT kCmdNobody = 778;
const UINT kButtonId = 50;

UINT RegisteredTestMessage() {
    static UINT n = ::RegisterWindowMessageA("KaptoFrameworkTestMessage");
    return n;
}

// The application object: commands no window handles end up here.
class TestApp : public CWinApp {
public:
    int m_nAppCommands = 0;
    void OnAppCommand() { ++m_nAppCommands; }

protected:
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(TestApp, CWinApp)
    ON_COMMAND(kCmdForApp, &TestApp::OnAppCommand)
END_MESSAGE_MAP()

TestApp g_testApp;

class BaseWnd : public CWnd {
public:
    CString m_log;
    LRESULT OnBaseOnly(WPARAM w, LPARAM) {
        m_log.AppendFormat("base-only:%d;", (int)w);
        return 11;
    }
    LRESULT OnOverriddenInBase(WPARAM, LPARAM) {
        m_log += "base-overridden;";
        return 12;
    }
    void OnTimer(UINT_PTR id) {
        m_log.AppendFormat("timer:%d;", (int)id);
        KillTimer(id);
    }

protected:
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(BaseWnd, CWnd)
    ON_MESSAGE(kMsgBaseOnly, &BaseWnd::OnBaseOnly)
    ON_MESSAGE(kMsgOverridden, &BaseWnd::OnOverriddenInBase)
    ON_WM_TIMER()
END_MESSAGE_MAP()

class DerivedWnd : public BaseWnd {
public:
    LRESULT OnOverridden(WPARAM, LPARAM) {
        m_log += "derived-overridden;";
        return 21;
    }
    LRESULT OnRegistered(WPARAM, LPARAM l) {
        m_log.AppendFormat("registered:%d;", (int)l);
        return 22;
    }
    void OnOwnCommand() { m_log += "command;"; }
    void OnButton() { m_log += "button;"; }
    void OnDestroy() {
        m_log += "destroy;";
        CWnd::OnDestroy();
    }
    HBRUSH OnCtlColor(CDC*, CWnd*, UINT nCtlColor) {
        m_log.AppendFormat("parent-colour:%u;", nCtlColor);
        return (HBRUSH)::GetStockObject(GRAY_BRUSH);
    }
    void PostNcDestroy() override { m_log += "gone;"; }

protected:
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(DerivedWnd, BaseWnd)
    ON_MESSAGE(kMsgOverridden, &DerivedWnd::OnOverridden)
    ON_REGISTERED_MESSAGE(RegisteredTestMessage(), &DerivedWnd::OnRegistered)
    ON_COMMAND(kCmdOwn, &DerivedWnd::OnOwnCommand)
    ON_BN_CLICKED(kButtonId, &DerivedWnd::OnButton)
    ON_WM_DESTROY()
    ON_WM_CTLCOLOR()
END_MESSAGE_MAP()

// A control that colours itself when its own map says so.
class SelfColouringStatic : public CWnd {
public:
    BOOL m_bColour = TRUE;
    int m_nAsked = 0;
    HBRUSH CtlColor(CDC*, UINT) {
        ++m_nAsked;
        return m_bColour ? (HBRUSH)::GetStockObject(BLACK_BRUSH) : nullptr;
    }
    LRESULT OnSetText(WPARAM, LPARAM) {
        // Passes the text on to the control's own procedure.
        m_log += "settext;";
        return Default();
    }
    CString m_log;

protected:
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(SelfColouringStatic, CWnd)
    ON_WM_CTLCOLOR_REFLECT()
    ON_MESSAGE(WM_SETTEXT, &SelfColouringStatic::OnSetText)
END_MESSAGE_MAP()

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_wnd.CreateEx(0, nullptr, "test", WS_OVERLAPPEDWINDOW, 10, 10, 300, 200, nullptr, nullptr));
    }
    DerivedWnd m_wnd;
};

TEST_F(WindowTest, MapEntriesOfTheClassComeBeforeThoseOfItsBase) {
    struct Case {
        UINT message;
        LRESULT result;
        const char* log;
    } cases[] = {
        {kMsgOverridden, 21, "derived-overridden;"},
        {kMsgBaseOnly, 11, "base-only:5;"},
        {RegisteredTestMessage(), 22, "registered:9;"},
        {kMsgUnmapped, 0, ""},  // default processing
    };
    for (const Case& c : cases) {
        m_wnd.m_log.Empty();
        LRESULT r = m_wnd.SendMessage(c.message, 5, 9);
        EXPECT_EQ(c.result, r) << c.message;
        EXPECT_STREQ(c.log, m_wnd.m_log) << c.message;
    }
    EXPECT_EQ(&m_wnd, CWnd::FromHandlePermanent(m_wnd.m_hWnd));
    EXPECT_EQ(&m_wnd, CWnd::FromHandle(m_wnd.m_hWnd));
}

TEST_F(WindowTest, CommandsReachTheWindowThenTheApplication) {
    CWnd button;
    ASSERT_TRUE(button.CreateEx(0, "BUTTON", "b", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 0, 0, 50, 20, m_wnd.m_hWnd,
                                (HMENU)(UINT_PTR)kButtonId));
    m_wnd.SendMessage(WM_COMMAND, MAKEWPARAM(kCmdOwn, 0), 0);
    m_wnd.SendMessage(WM_COMMAND, MAKEWPARAM(kCmdOwn, 1), 0);  // an accelerator is a command too
    button.SendMessage(BM_CLICK);
    EXPECT_STREQ("command;command;button;", m_wnd.m_log);
    int before = g_testApp.m_nAppCommands;
    m_wnd.SendMessage(WM_COMMAND, MAKEWPARAM(kCmdForApp, 0), 0);
    m_wnd.SendMessage(WM_COMMAND, MAKEWPARAM(kCmdNobody, 0), 0);
    EXPECT_EQ(before + 1, g_testApp.m_nAppCommands);
    // A child window does not pass commands to the application.
    CWnd child;
    ASSERT_TRUE(child.CreateEx(0, nullptr, "child", WS_CHILD, 0, 0, 10, 10, m_wnd.m_hWnd, (HMENU)51));
    child.SendMessage(WM_COMMAND, MAKEWPARAM(kCmdForApp, 0), 0);
    EXPECT_EQ(before + 1, g_testApp.m_nAppCommands);
}

TEST_F(WindowTest, UpdatePassDisablesOnlyPushButtonsThatNobodyHandles) {
    struct Control {
        UINT nID;
        DWORD dwStyle;
        BOOL bEnabledAfter;
    } controls[] = {
        {kCmdOwn, BS_PUSHBUTTON, TRUE},           // the window's own handler
        {kCmdForApp, BS_DEFPUSHBUTTON, TRUE},     // the application's
        {kCmdNobody, BS_PUSHBUTTON, FALSE},       // no handler anywhere
        {kCmdNobody + 1, BS_AUTOCHECKBOX, TRUE},  // a check box is data, not a command
    };
    CWnd buttons[4];
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(buttons[i].CreateEx(0, "BUTTON", "b", WS_CHILD | WS_VISIBLE | controls[i].dwStyle, 0, 30 * i, 50,
                                        20, m_wnd.m_hWnd, (HMENU)(UINT_PTR)controls[i].nID));
    }
    m_wnd.UpdateDialogControls(&m_wnd, FALSE);
    for (CWnd& b : buttons)
        EXPECT_TRUE(b.IsWindowEnabled());
    m_wnd.UpdateDialogControls(&m_wnd, TRUE);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(controls[i].bEnabledAfter, buttons[i].IsWindowEnabled()) << controls[i].nID;
    EXPECT_STREQ("", m_wnd.m_log);  // asking ran no handler
}

TEST_F(WindowTest, ProbeFindsHandlersWithoutRunningThem) {
    EXPECT_TRUE(m_wnd.OnCmdMsg(kCmdOwn, CN_COMMAND, (void*)KFW_CMD_PROBE));
    EXPECT_FALSE(m_wnd.OnCmdMsg(kCmdNobody, CN_COMMAND, (void*)KFW_CMD_PROBE));
    EXPECT_STREQ("", m_wnd.m_log);
}

TEST_F(WindowTest, TimersArrive) {
    m_wnd.SetTimer(7, 10);
    DWORD start = ::GetTickCount();
    while (m_wnd.m_log.IsEmpty() && ::GetTickCount() - start < 5000) {
        kptest::PumpMessages();
        ::Sleep(5);
    }
    EXPECT_STREQ("timer:7;", m_wnd.m_log);
}

TEST_F(WindowTest, ColourMessagesGoToTheSubclassedControlFirst) {
    HWND hStatic = ::CreateWindowExA(0, "STATIC", "x", WS_CHILD | WS_VISIBLE, 0, 0, 50, 20, m_wnd.m_hWnd, nullptr,
                                     nullptr, nullptr);
    ASSERT_NE(nullptr, hStatic);
    HDC hdc = ::GetDC(hStatic);
    SelfColouringStatic control;
    // Not bound yet: the parent colours it.
    LRESULT r = m_wnd.SendMessage(WM_CTLCOLORSTATIC, (WPARAM)hdc, (LPARAM)hStatic);
    EXPECT_EQ((LRESULT)::GetStockObject(GRAY_BRUSH), r);
    EXPECT_STREQ("parent-colour:6;", m_wnd.m_log);

    ASSERT_TRUE(control.SubclassWindow(hStatic));
    m_wnd.m_log.Empty();
    r = m_wnd.SendMessage(WM_CTLCOLORSTATIC, (WPARAM)hdc, (LPARAM)hStatic);
    EXPECT_EQ((LRESULT)::GetStockObject(BLACK_BRUSH), r);
    EXPECT_EQ(1, control.m_nAsked);
    EXPECT_STREQ("", m_wnd.m_log);

    control.m_bColour = FALSE;  // declines: the parent colours it after all
    r = m_wnd.SendMessage(WM_CTLCOLORSTATIC, (WPARAM)hdc, (LPARAM)hStatic);
    EXPECT_EQ((LRESULT)::GetStockObject(GRAY_BRUSH), r);
    EXPECT_EQ(2, control.m_nAsked);
    ::ReleaseDC(hStatic, hdc);

    // Unhandled and Default()-passed messages reach the control's own procedure.
    control.SetWindowText("changed");
    char buf[32];
    ::GetWindowTextA(hStatic, buf, sizeof(buf));
    EXPECT_STREQ("changed", buf);
    EXPECT_STREQ("settext;", control.m_log);

    WNDPROC subclassed = (WNDPROC)::GetWindowLongPtrA(hStatic, GWLP_WNDPROC);
    EXPECT_EQ(hStatic, control.UnsubclassWindow());
    EXPECT_NE(subclassed, (WNDPROC)::GetWindowLongPtrA(hStatic, GWLP_WNDPROC));
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(hStatic));
    ::SetWindowTextA(hStatic, "again");
    EXPECT_STREQ("settext;", control.m_log);
}

TEST_F(WindowTest, DestroyingTheWindowUnbindsItAndCallsPostNcDestroy) {
    HWND h = m_wnd.m_hWnd;
    EXPECT_TRUE(m_wnd.DestroyWindow());
    EXPECT_STREQ("destroy;gone;", m_wnd.m_log);
    EXPECT_EQ(nullptr, m_wnd.m_hWnd);
    EXPECT_FALSE(::IsWindow(h));
}

TEST(AttachedWindowTest, DestroyingAnAttachedWindowLetsGoOfIt) {
    HWND h = ::CreateWindowExA(0, "STATIC", "a", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    CWnd wnd;
    ASSERT_TRUE(wnd.Attach(h));
    EXPECT_EQ(&wnd, CWnd::FromHandlePermanent(h));
    EXPECT_TRUE(wnd.DestroyWindow());
    EXPECT_FALSE(::IsWindow(h));
    EXPECT_EQ(nullptr, wnd.m_hWnd);
}

TEST(TempWindowTest, TemporaryWrappersDoNotOwnTheirWindow) {
    HWND h = ::CreateWindowExA(0, "STATIC", "t", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    CWnd* p = CWnd::FromHandle(h);
    ASSERT_NE(nullptr, p);
    EXPECT_EQ(h, p->m_hWnd);
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(h));
    AfxDeleteTempObjects();
    EXPECT_TRUE(::IsWindow(h));
    ::DestroyWindow(h);
}

TEST(RuntimeClassTest, KindOfFollowsTheClassChain) {
    DerivedWnd w;
    CPen pen;
    EXPECT_TRUE(w.IsKindOf(RUNTIME_CLASS(CWnd)));
    EXPECT_TRUE(w.IsKindOf(RUNTIME_CLASS(CCmdTarget)));
    EXPECT_TRUE(w.IsKindOf(RUNTIME_CLASS(CObject)));
    EXPECT_FALSE(w.IsKindOf(RUNTIME_CLASS(CGdiObject)));
    EXPECT_TRUE(pen.IsKindOf(RUNTIME_CLASS(CGdiObject)));
    EXPECT_FALSE(pen.IsKindOf(RUNTIME_CLASS(CBrush)));
    EXPECT_STREQ("CPen", pen.GetRuntimeClass()->m_lpszClassName);
    EXPECT_TRUE(g_testApp.IsKindOf(RUNTIME_CLASS(CWinApp)));
}

TEST(ZOrderTest, TheZOrderPlacesStandInForWindows) {
    CWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, nullptr, "z", WS_POPUP | WS_VISIBLE, 20, 20, 50, 50, nullptr, nullptr));
    const UINT kKeep = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
    EXPECT_TRUE(wnd.SetWindowPos(&CWnd::wndTopMost, 0, 0, 0, 0, kKeep));
    EXPECT_TRUE(wnd.GetExStyle() & WS_EX_TOPMOST);
    EXPECT_TRUE(wnd.SetWindowPos(&CWnd::wndNoTopMost, 0, 0, 0, 0, kKeep));
    EXPECT_FALSE(wnd.GetExStyle() & WS_EX_TOPMOST);
    CWnd other;
    ASSERT_TRUE(other.CreateEx(0, nullptr, "o", WS_POPUP | WS_VISIBLE, 30, 30, 50, 50, nullptr, nullptr));
    EXPECT_TRUE(wnd.SetWindowPos(&CWnd::wndBottom, 0, 0, 0, 0, kKeep));
    EXPECT_EQ(nullptr, ::GetWindow(wnd.m_hWnd, GW_HWNDNEXT));
    EXPECT_TRUE(wnd.SetWindowPos(&CWnd::wndTop, 0, 0, 0, 0, kKeep));
    EXPECT_EQ(wnd.m_hWnd, ::GetWindow(other.m_hWnd, GW_HWNDPREV));
    // The places are no windows of ours.
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(CWnd::wndTopMost.m_hWnd));
}

TEST(MouseCaptureTest, SetCaptureReportsThePreviousHolder) {
    CWnd a, b;
    ASSERT_TRUE(a.CreateEx(0, nullptr, "a", WS_POPUP | WS_VISIBLE, 0, 0, 20, 20, nullptr, nullptr));
    ASSERT_TRUE(b.CreateEx(0, nullptr, "b", WS_POPUP | WS_VISIBLE, 30, 0, 20, 20, nullptr, nullptr));
    EXPECT_EQ(nullptr, a.SetCapture());
    EXPECT_EQ(&a, CWnd::GetCapture());
    EXPECT_EQ(&a, b.SetCapture());
    EXPECT_EQ(&b, CWnd::GetCapture());
    EXPECT_TRUE(::ReleaseCapture());
    EXPECT_EQ(nullptr, CWnd::GetCapture());
}

}  // namespace
