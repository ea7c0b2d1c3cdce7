// The real Kapto.exe in the Wine desktop: its tray icon through the
// program's life, a tray that refuses the icon, the capture at start, the
// view, the About box's links, and a scaled screen.
#include <gtest/gtest.h>

#include <sddl.h>

#include <vector>

#include "kapto_process.h"
#include "support/input_events.h"

namespace {

using namespace kaptotest;

const UINT kTrayId = 131;
const UINT kTrayMessage = WM_USER + 100;
const UINT kShowHide = 32799;

// The task bar's window buttons: the shown buttons right of the start
// button, which sits at the bar's left end. (The bar itself is hidden while
// it has nothing to show.)
int TaskBarButtons() {
    int n = 0;
    HWND hTaskBar = ::FindWindowA("Shell_TrayWnd", nullptr);
    RECT rcBar;
    ::GetWindowRect(hTaskBar, &rcBar);
    for (HWND h = ::GetWindow(hTaskBar, GW_CHILD); h != nullptr; h = ::GetWindow(h, GW_HWNDNEXT)) {
        RECT rc;
        ::GetWindowRect(h, &rc);
        if ((::GetWindowLongPtrA(h, GWL_STYLE) & WS_VISIBLE) && rc.left > rcBar.left) ++n;
    }
    return n;
}

void PressKeys(std::initializer_list<WORD> keys) {
    for (WORD vk : keys) {
        testinput::SendKey(vk);
        ::Sleep(30);
    }
}

TEST(KaptoProgramTest, TheTrayIconFollowsTheMainWindowAndGoesWithIt) {
    ConfigFileGuard guard;
    WriteSettings([](CKpConfig&) {});
    const int nButtonsBefore = TaskBarButtons();
    KaptoProcess kapto;
    ASSERT_TRUE(kapto.Start());
    ASSERT_TRUE(kapto.WaitVisible(true));
    HWND h = kapto.Main();
    EXPECT_TRUE(TrayHolds(h, kTrayId));
    EXPECT_TRUE(WaitFor([&] { return TaskBarButtons() == nButtonsBefore + 1; }));

    // Minimising hides: no task-bar button, the icon stays.
    ::PostMessageA(h, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(kapto.WaitVisible(false));
    EXPECT_FALSE(::IsIconic(h));
    EXPECT_TRUE(WaitFor([&] { return TaskBarButtons() == nButtonsBefore; }));
    EXPECT_TRUE(TrayHolds(h, kTrayId));

    // The icon's messages, as the shell sends them.
    struct Case {
        WPARAM nIcon;
        LPARAM nMouse;
        LRESULT result;
        bool bVisibleAfter;
    } cases[] = {
        {kTrayId, WM_LBUTTONDOWN, 1, false},  // a single click does nothing
        {kTrayId, WM_LBUTTONUP, 1, false},     {kTrayId + 1, WM_LBUTTONDBLCLK, 0, false},  // not our icon
        {kTrayId, WM_LBUTTONDBLCLK, 1, true},                                              // a double-click toggles
        {kTrayId, WM_LBUTTONDBLCLK, 1, false}, {kTrayId, WM_LBUTTONDBLCLK, 1, true},
    };
    for (const Case& c : cases) {
        DWORD_PTR result = 99;
        ::SendMessageTimeoutA(h, kTrayMessage, c.nIcon, c.nMouse, SMTO_NORMAL, 5000, &result);
        EXPECT_EQ(c.result, (LRESULT)result) << c.nMouse;
        EXPECT_EQ(c.bVisibleAfter, ::IsWindowVisible(h) != FALSE) << c.nMouse;
    }

    // The right button's menu; its first item, chosen, reaches the window.
    ::PostMessageA(h, kTrayMessage, kTrayId, WM_RBUTTONUP);
    HWND hMenuWnd = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        hMenuWnd =
            FindProcessWindow(kapto.Pid(), [](HWND w) { return ClassOf(w) == "#32768" && ::IsWindowVisible(w); });
        return hMenuWnd != nullptr;
    }));
    PumpFor(200);  // the menu's loop takes over
    PressKeys({VK_DOWN, VK_RETURN});
    EXPECT_TRUE(kapto.WaitVisible(false));

    // A new task bar (the test plays the shell, which Wine does not).
    NOTIFYICONDATAA nid = {};
    nid.cbSize = NOTIFYICONDATAA_V1_SIZE;
    nid.hWnd = h;
    nid.uID = kTrayId;
    ASSERT_TRUE(::Shell_NotifyIconA(NIM_DELETE, &nid));
    ::PostMessageA(HWND_BROADCAST, ::RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_TRUE(WaitFor([&] { return TrayHolds(h, kTrayId); }));

    // Closing takes the icon along at once.
    DWORD nExit = 1;
    ASSERT_TRUE(kapto.Close(&nExit));
    EXPECT_EQ(0u, nExit);
    EXPECT_FALSE(TrayHolds(h, kTrayId));
}

// Takes the shell's place for the program's icon requests and refuses them:
// the shell finds its tray by class, the topmost first.
LRESULT CALLBACK RefusingTrayProc(HWND h, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COPYDATA) return FALSE;
    return ::DefWindowProcA(h, message, wParam, lParam);
}

TEST(KaptoProgramTest, ARefusedTrayIconIsToldAndTheWindowStillWorks) {
    ConfigFileGuard guard;
    WriteSettings([](CKpConfig&) {});
    WNDCLASSA wc = {};
    wc.lpfnWndProc = RefusingTrayProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = "Shell_TrayWnd";
    ::RegisterClassA(&wc);
    HWND hFakeTray = ::CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "Shell_TrayWnd", "", WS_POPUP, 0, 0, 1, 1,
                                       nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(nullptr, hFakeTray);
    ::SetWindowPos(hFakeTray, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    KaptoProcess kapto;
    ASSERT_TRUE(kapto.Start());
    // A message box with the stop icon; the text sits in its static 0xFFFF.
    HWND hBox = kapto.WaitOwned([](HWND w) { return ::GetDlgItem(w, 0xFFFF) != nullptr; });
    ASSERT_NE(nullptr, hBox);
    char text[128] = "";
    ::GetDlgItemTextA(hBox, 0xFFFF, text, sizeof(text));
    EXPECT_STREQ("\xb4\xed\xce\xf3\xa3\xba\xb4\xb4\xbd\xa8\xcf\xb5\xcd\xb3\xcd\xbc\xb1\xea\xca\xa7\xb0\xdc\xa3\xa1",
                 text);
    ::PostMessageA(hBox, WM_COMMAND, IDOK, 0);
    ::DestroyWindow(hFakeTray);

    // The window opens and works: it hides and comes back on its command.
    HWND h = kapto.Main();
    ASSERT_TRUE(kapto.WaitVisible(true));
    EXPECT_FALSE(TrayHolds(h, kTrayId));
    ::PostMessageA(h, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(kapto.WaitVisible(false));
    ::PostMessageA(h, WM_COMMAND, kShowHide, 0);
    EXPECT_TRUE(kapto.WaitVisible(true));
    EXPECT_TRUE(kapto.Close());
}

TEST(KaptoProgramTest, TheStartCaptureIsTakenBeforeTheWindowShows) {
    ConfigFileGuard guard;
    WriteSettings([](CKpConfig& c) {
        c.SetSnapOnStart(1);
        c.SetHideMainWnd(1);
    });
    const COLORREF kMagenta = RGB(255, 0, 255);
    ColourScreen screen(kMagenta);
    KaptoProcess kapto;
    ASSERT_TRUE(kapto.Start());
    ASSERT_TRUE(kapto.WaitVisible(true));
    HWND h = kapto.Main();
    EXPECT_TRUE(::GetWindowLongPtrA(h, GWL_EXSTYLE) & WS_EX_TOPMOST);
    // Both are topmost: the program's window goes in front to be seen.
    ::SetWindowPos(h, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    RECT rc = ViewOnScreen(h);
    int cx = (rc.left + rc.right) / 2;
    int cy = (rc.top + rc.bottom) / 2;
    // The thumbnail's middle is where the window now stands on the screen:
    // had the capture seen the window, it would not be magenta there. The
    // screen is wider than the view, so white fills the view beside it.
    EXPECT_TRUE(WaitFor([&] { return ScreenPixel(cx, cy) == kMagenta; }, 5000));
    EXPECT_EQ(RGB(255, 255, 255), ScreenPixel(rc.left + 2, cy));
    EXPECT_EQ(RGB(255, 255, 255), ScreenPixel(rc.right - 3, cy));
    EXPECT_TRUE(kapto.Close());
}

// A second start while the one-copy marker of this user says a copy runs:
// one whose marker this user may not open (an elevated copy's), and one
// still starting, whose id and window come a moment after the second start
// looked. Neither starts a second copy; the first is said, the second is
// brought forward.
TEST(KaptoProgramTest, ASecondStartNeverRunsASecondCopy) {
    ConfigFileGuard guard;
    WriteSettings([](CKpConfig&) {});
    std::string strMarker = "Local\\Kapto.RunningCopy.";
    HANDLE hToken = nullptr;
    BYTE user[256];
    DWORD n = 0;
    char* pszSid = nullptr;
    ASSERT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &hToken) &&
                ::GetTokenInformation(hToken, TokenUser, user, sizeof user, &n) &&
                ::ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(user)->User.Sid, &pszSid));
    strMarker += pszSid;
    ::LocalFree(pszSid);
    ::CloseHandle(hToken);
    for (bool bDenied : {true, false}) {
        SCOPED_TRACE(bDenied ? "marker not ours to open" : "first copy still starting");
        PSECURITY_DESCRIPTOR pNoAccess = nullptr;
        ::ConvertStringSecurityDescriptorToSecurityDescriptorA("D:", SDDL_REVISION_1, &pNoAccess, nullptr);
        SECURITY_ATTRIBUTES sa = {sizeof sa, bDenied ? pNoAccess : nullptr, FALSE};
        HANDLE hMarker = ::CreateFileMappingA(INVALID_HANDLE_VALUE, &sa, PAGE_READWRITE, 0, 64, strMarker.c_str());
        ::LocalFree(pNoAccess);
        ASSERT_NE(nullptr, hMarker);
        // The first copy's main window as a second start looks for it.
        HWND hFirst = ::CreateWindowExA(0, "#32770", "first", WS_POPUP, 0, 0, 9, 9, nullptr, ::CreateMenu(), nullptr, nullptr);
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi = {};
        const std::string exe = ExeDir() + "Kapto.exe";
        ASSERT_TRUE(::CreateProcessA(exe.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
        if (!bDenied) {
            PumpFor(800);
            DWORD* pId = static_cast<DWORD*>(::MapViewOfFile(hMarker, FILE_MAP_WRITE, 0, 0, sizeof(DWORD)));
            *pId = ::GetCurrentProcessId();
            ::UnmapViewOfFile(pId);
        }
        std::string said;
        bool bEnded = WaitFor([&] {
            HWND hBox = FindProcessWindow(
                pi.dwProcessId, [](HWND h) { return ::IsWindowVisible(h) && ::GetDlgItem(h, 0xFFFF) != nullptr; });
            if (hBox != nullptr) said = TextOf(::GetDlgItem(hBox, 0xFFFF)), ::PostMessageA(hBox, WM_COMMAND, IDOK, 0);
            return ::WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0;
        });
        if (!bEnded) ::TerminateProcess(pi.hProcess, 1);
        EXPECT_TRUE(bEnded) << "a second copy runs";
        EXPECT_EQ(bDenied, said.find("已经在运行") != std::string::npos) << said;
        EXPECT_EQ(!bDenied, WaitFor([&] { return ::IsWindowVisible(hFirst) != FALSE; }, bDenied ? 0 : 3000))
            << "the first copy's window brought forward";
        ::CloseHandle(pi.hProcess);
        ::CloseHandle(pi.hThread);
        ::DestroyWindow(hFirst);
        ::CloseHandle(hMarker);
    }
}

TEST(KaptoProgramTest, WithoutAnImageTheViewShowsThePlaceholderOverItsWholeArea) {
    ConfigFileGuard guard;
    WriteSettings([](CKpConfig& c) { c.SetKeepOnTop(0); });
    KaptoProcess kapto;
    ASSERT_TRUE(kapto.Start());
    ASSERT_TRUE(kapto.WaitVisible(true));
    HWND h = kapto.Main();
    // The stored choice, not the template, decides.
    EXPECT_FALSE(::GetWindowLongPtrA(h, GWL_EXSTYLE) & WS_EX_TOPMOST);
    ::SetForegroundWindow(h);
    ::SetWindowPos(h, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    PumpFor(300);
    RECT rc = ViewOnScreen(h);
    // Black ground to the corners, the banner's band across the middle.
    const POINT corners[] = {{rc.left + 2, rc.top + 2},
                             {rc.right - 3, rc.top + 2},
                             {rc.left + 2, rc.bottom - 3},
                             {rc.right - 3, rc.bottom - 3}};
    for (const POINT& pt : corners)
        EXPECT_EQ(RGB(0, 0, 0), ScreenPixel(pt.x, pt.y)) << pt.x << "," << pt.y;
    EXPECT_NE(RGB(0, 0, 0), ScreenPixel(rc.left + 3, (rc.top + rc.bottom) / 2));
    EXPECT_TRUE(kapto.Close());
}

TEST(KaptoProgramTest, TheAboutBoxHandsTheHomePageAndTheMailAddressToTheShell) {
    ConfigFileGuard guard;
    WriteSettings([](CKpConfig&) {});
    OpenCommands handlers({"http", "mailto"});
    KaptoProcess kapto;
    ASSERT_TRUE(kapto.Start());
    ASSERT_TRUE(kapto.WaitVisible(true));
    // The system menu's About item.
    ::PostMessageA(kapto.Main(), WM_SYSCOMMAND, 0x0010, 0);
    HWND hAbout = kapto.WaitOwned([](HWND w) { return ::GetDlgItem(w, 1036) != nullptr; });
    ASSERT_NE(nullptr, hAbout);
    EXPECT_EQ("\xb9\xd8\xd3\xda Kapto", TextOf(hAbout));                                           // 关于 Kapto
    EXPECT_EQ("\xb7\xc3\xce\xca http://lumaro.example.com/", TextOf(::GetDlgItem(hAbout, 1036)));  // 访问
    EXPECT_EQ("\xb7\xa2\xcb\xcd orvel@lumaro.example.com", TextOf(::GetDlgItem(hAbout, 1037)));    // 发送

    struct Case {
        int nButton;
        const char* expected;
    } cases[] = {
        {1036, "\"http://lumaro.example.com/\""},
        {1037, "\"mailto:orvel@lumaro.example.com\""},
    };
    for (const Case& c : cases) {
        ::PostMessageA(hAbout, WM_COMMAND, MAKEWPARAM(c.nButton, BN_CLICKED), (LPARAM)::GetDlgItem(hAbout, c.nButton));
        EXPECT_TRUE(WaitFor([&] { return handlers.Log().find(c.expected) != std::string::npos; })) << handlers.Log();
    }
    EXPECT_TRUE(::IsWindowVisible(hAbout));  // the box stays open
    ::PostMessageA(hAbout, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitFor([&] { return !::IsWindow(hAbout); }));
    EXPECT_TRUE(kapto.Close());
}

// The screen's scale for programs started from now on: LogPixels, read by
// each program when it starts. Put back afterwards.
class ScreenScale {
public:
    explicit ScreenScale(DWORD nDpi) {
        m_bExisted = ::RegGetValueA(HKEY_CURRENT_USER, kKey, "LogPixels", RRF_RT_REG_DWORD, nullptr, &m_nOld,
                                    &m_cbOld) == ERROR_SUCCESS;
        ::RegSetKeyValueA(HKEY_CURRENT_USER, kKey, "LogPixels", REG_DWORD, &nDpi, sizeof(nDpi));
    }
    ~ScreenScale() {
        if (m_bExisted)
            ::RegSetKeyValueA(HKEY_CURRENT_USER, kKey, "LogPixels", REG_DWORD, &m_nOld, sizeof(m_nOld));
        else
            ::RegDeleteKeyValueA(HKEY_CURRENT_USER, kKey, "LogPixels");
    }

private:
    static constexpr const char* kKey = "Control Panel\\Desktop";
    DWORD m_nOld = 0;
    DWORD m_cbOld = sizeof(DWORD);
    bool m_bExisted;
};

TEST(KaptoProgramTest, OnAScaledScreenTheCaptureHasThePhysicalSize) {
    ConfigFileGuard guard;
    WriteSettings([](CKpConfig& c) { c.SetSnapOnStart(1); });
    ScreenScale scale(144);
    KaptoProcess kapto;
    ASSERT_TRUE(kapto.Start());
    ASSERT_TRUE(kapto.WaitVisible(true));
    // The dialog lays out at the larger scale and still fits the screen.
    RECT rcMain;
    ::GetWindowRect(kapto.Main(), &rcMain);
    EXPECT_LE(rcMain.right - rcMain.left, ::GetSystemMetrics(SM_CXSCREEN));
    EXPECT_LE(rcMain.bottom - rcMain.top, ::GetSystemMetrics(SM_CYSCREEN));

    if (::OpenClipboard(nullptr)) {
        ::EmptyClipboard();
        ::CloseClipboard();
    }
    ::PostMessageA(kapto.Main(), WM_COMMAND, MAKEWPARAM(57634, BN_CLICKED), (LPARAM)::GetDlgItem(kapto.Main(), 57634));
    BITMAP bm = {};
    EXPECT_TRUE(WaitFor([&] {
        if (!::IsClipboardFormatAvailable(CF_BITMAP) || !::OpenClipboard(nullptr)) return false;
        HBITMAP hBitmap = (HBITMAP)::GetClipboardData(CF_BITMAP);
        bool bGot = hBitmap != nullptr && ::GetObjectA(hBitmap, sizeof(bm), &bm) != 0;
        ::CloseClipboard();
        return bGot;
    }));
    EXPECT_EQ(::GetSystemMetrics(SM_CXSCREEN), bm.bmWidth);
    EXPECT_EQ(::GetSystemMetrics(SM_CYSCREEN), bm.bmHeight);
    EXPECT_TRUE(kapto.Close());
}

}  // namespace
