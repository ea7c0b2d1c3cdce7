// The tray icon on its own: what the notification area holds, the tooltip's
// limit, the answers to the icon's messages, its menu, the animation, and
// coming back after the task bar is built anew.
#include <gtest/gtest.h>

#include <string>

#include "framework/app.h"
#include "support/desktop.h"
#include "support/input_events.h"
#include "support/message_pump.h"
#include "tray_notify_icon.h"
#include "tray_test_ids.h"

namespace {

const UINT kNotifyMessage = WM_USER + 100;
const char kAnimationTitle[] = "CTrayNotifyIcon Animation Notification Window";
const char kResurrectionTitle[] = "CTrayNotifyIcon Resurrection Notification Window";

// The tray menu's commands go to the application's main window.
CWinApp g_app;

using kptest::PumpMessages;

using kptest::TrayHolds;

class InspectableIcon : public CTrayNotifyIcon {
public:
    const NOTIFYICONDATAA& Data() const { return m_nid; }
};

// Receives commands; the main window also looks at the tray menu while it
// is open (the menu tells its owner when it waits for input) and picks an
// item with the keyboard.
class CommandWnd : public CWnd {
public:
    CString m_log;
    int m_nDefaultItem = -2;
    POINT m_ptMenu = {-1, -1};
    int m_nKeysToChoose = 0;  // Down presses, then Enter

    BOOL CreateTop(const char* pszTitle) {
        return CreateEx(0, nullptr, pszTitle, WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr);
    }
    void OnTestCommand(UINT nID) { m_log.AppendFormat("%u;", nID); }
    LRESULT OnEnterIdle(WPARAM wParam, LPARAM) {
        HWND hMenuWnd = ::FindWindowA("#32768", nullptr);
        if (wParam != MSGF_MENU || hMenuWnd == nullptr || m_nDefaultItem != -2) return 0;
        HMENU hMenu = (HMENU)::SendMessageA(hMenuWnd, MN_GETHMENU, 0, 0);
        m_nDefaultItem = (int)::GetMenuDefaultItem(hMenu, TRUE, 0);
        RECT rc;
        ::GetWindowRect(hMenuWnd, &rc);
        m_ptMenu = {rc.left, rc.top};
        for (int i = 0; i < m_nKeysToChoose; ++i)
            testinput::SendKey(VK_DOWN);
        testinput::SendKey(VK_RETURN);
        return 0;
    }

protected:
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CommandWnd, CWnd)
    ON_COMMAND_RANGE(ID_TEST_FULL_SCREEN, ID_TEST_SHOW_HIDE, &CommandWnd::OnTestCommand)
    ON_MESSAGE(WM_ENTERIDLE, &CommandWnd::OnEnterIdle)
END_MESSAGE_MAP()

class TrayIconTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_notify.CreateTop("tray notify"));
        ASSERT_TRUE(m_main.CreateTop("tray main"));
        g_app.m_pMainWnd = &m_main;
        m_hIcon = ::LoadIconA(nullptr, (LPCSTR)IDI_APPLICATION);
    }
    void TearDown() override { g_app.m_pMainWnd = nullptr; }

    CommandWnd m_notify;
    CommandWnd m_main;
    HICON m_hIcon = nullptr;
};

TEST_F(TrayIconTest, TooltipKeepsWholeCharactersWithinItsBuffer) {
    const std::string a61(61, 'a'), a62(62, 'a'), a70(70, 'a');
    std::string zh31, zh32;
    for (int i = 0; i < 31; ++i)
        zh31 += "\xd6\xd0";  // 中
    zh32 = zh31 + "\xd6\xd0";
    struct Case {
        std::string text;
        std::string tip;
    } cases[] = {
        {"Lumaro", "Lumaro"},
        {a70, std::string(63, 'a')},
        {a61 + "\xd6\xd0", a61 + "\xd6\xd0"},  // ends exactly at 63 bytes
        {a62 + "\xd6\xd0", a62},               // the character would not fit whole
        {zh31 + "a", zh31 + "a"},
        {zh32, zh31},
        {"ab\xd6", "ab"},  // a lead byte without its trail byte
    };
    UINT uID = 1;
    for (const Case& c : cases) {
        InspectableIcon icon;
        EXPECT_TRUE(icon.Create(&m_notify, uID, c.text.c_str(), &m_hIcon, 1, 1000, kNotifyMessage)) << c.text;
        EXPECT_EQ(c.tip, std::string(icon.Data().szTip)) << c.text;
        EXPECT_TRUE(TrayHolds(m_notify.m_hWnd, uID));
        ++uID;
    }
    EXPECT_FALSE(TrayHolds(m_notify.m_hWnd, 1));  // each went with its object
}

TEST_F(TrayIconTest, TheCallbackAnswersItsOwnIconAndRunsTheFirstCommandOnADoubleClick) {
    InspectableIcon icon;
    ASSERT_TRUE(icon.Create(&m_notify, IDR_TEST_TRAY, "tip", &m_hIcon, 1, 1000, kNotifyMessage));
    InspectableIcon noMenu;
    ASSERT_TRUE(noMenu.Create(&m_notify, IDR_TEST_NO_MENU, "tip", &m_hIcon, 1, 1000, kNotifyMessage));
    struct Case {
        InspectableIcon* pIcon;
        WPARAM wParam;
        LPARAM lParam;
        LRESULT result;
        const char* log;
    } cases[] = {
        {&icon, IDR_TEST_TRAY + 1, WM_LBUTTONDBLCLK, 0, ""},  // another icon's message
        {&icon, IDR_TEST_TRAY, WM_LBUTTONDOWN, 1, ""},        // a single click does nothing
        {&icon, IDR_TEST_TRAY, WM_LBUTTONUP, 1, ""},           {&icon, IDR_TEST_TRAY, WM_MOUSEMOVE, 1, ""},
        {&icon, IDR_TEST_TRAY, WM_LBUTTONDBLCLK, 1, "32799;"},  // the menu's first command
        {&noMenu, IDR_TEST_NO_MENU, WM_LBUTTONDBLCLK, 0, ""},   // no menu: nothing to run
    };
    for (const Case& c : cases) {
        m_notify.m_log.Empty();
        EXPECT_EQ(c.result, c.pIcon->OnIconNotify(c.wParam, c.lParam)) << c.lParam;
        EXPECT_STREQ(c.log, m_notify.m_log) << c.lParam;
    }
    EXPECT_STREQ("", m_main.m_log);
}

TEST_F(TrayIconTest, RightButtonOpensTheMenuAtTheCursorForTheMainWindow) {
    InspectableIcon icon;
    ASSERT_TRUE(icon.Create(&m_notify, IDR_TEST_TRAY, "tip", &m_hIcon, 1, 1000, kNotifyMessage));
    ::SetCursorPos(300, 200);
    m_main.m_nKeysToChoose = 2;  // past the separator: 整个屏幕
    EXPECT_EQ(1, icon.OnIconNotify(IDR_TEST_TRAY, WM_RBUTTONUP));
    PumpMessages(100);
    EXPECT_EQ(0, m_main.m_nDefaultItem);  // 显示/隐藏, drawn bold
    EXPECT_EQ(300, m_main.m_ptMenu.x);
    EXPECT_EQ(200, m_main.m_ptMenu.y);
    EXPECT_STREQ("32795;", m_main.m_log);
    EXPECT_STREQ("", m_notify.m_log);
}

TEST_F(TrayIconTest, ANewTaskBarTakesTheIconBackUnlessItWasRemoved) {
    InspectableIcon icon;
    ASSERT_TRUE(icon.Create(&m_notify, 7, "Lumaro", &m_hIcon, 1, 1000, kNotifyMessage));
    // The new task bar knows nothing of the icon.
    NOTIFYICONDATAA nid = icon.Data();
    ASSERT_TRUE(::Shell_NotifyIconA(NIM_DELETE, &nid));
    ASSERT_FALSE(TrayHolds(m_notify.m_hWnd, 7));
    ::SendMessageTimeoutA(HWND_BROADCAST, WM_TASKBARCREATED, 0, 0, SMTO_ABORTIFHUNG, 2000, nullptr);
    EXPECT_TRUE(TrayHolds(m_notify.m_hWnd, 7));
    EXPECT_STREQ("Lumaro", icon.Data().szTip);

    icon.RemoveIcon();
    EXPECT_FALSE(TrayHolds(m_notify.m_hWnd, 7));
    ::SendMessageTimeoutA(HWND_BROADCAST, WM_TASKBARCREATED, 0, 0, SMTO_ABORTIFHUNG, 2000, nullptr);
    EXPECT_FALSE(TrayHolds(m_notify.m_hWnd, 7));
}

TEST_F(TrayIconTest, AnimatesAndTakesItsWindowsAndIconAlongWhenDestroyed) {
    HICON hIcons[2] = {m_hIcon, ::LoadIconA(nullptr, (LPCSTR)IDI_WARNING)};
    {
        InspectableIcon icon;
        ASSERT_TRUE(icon.Create(&m_notify, 9, "tip", hIcons, 2, 20, kNotifyMessage));
        EXPECT_NE(nullptr, ::FindWindowA(nullptr, kAnimationTitle));
        EXPECT_NE(nullptr, ::FindWindowA(nullptr, kResurrectionTitle));
        EXPECT_FALSE(::IsWindowVisible(::FindWindowA(nullptr, kAnimationTitle)));
        // The timer steps through the icons (bounded wait, no timing claim).
        DWORD nStart = ::GetTickCount();
        while (icon.Data().hIcon != hIcons[1] && ::GetTickCount() - nStart < 5000)
            PumpMessages(10);
        EXPECT_EQ(hIcons[1], icon.Data().hIcon);

        // A second icon with the same window and id is refused by the shell,
        // and going away it must not take the first one with it.
        {
            InspectableIcon twin;
            EXPECT_FALSE(twin.Create(&m_notify, 9, "twin", m_hIcon, kNotifyMessage));
        }
        EXPECT_TRUE(TrayHolds(m_notify.m_hWnd, 9));
    }
    EXPECT_FALSE(TrayHolds(m_notify.m_hWnd, 9));
    EXPECT_EQ(nullptr, ::FindWindowA(nullptr, kAnimationTitle));
    EXPECT_EQ(nullptr, ::FindWindowA(nullptr, kResurrectionTitle));
}

}  // namespace
