// The window capture modes and the active-window chooser, with real windows
// of another thread standing for other programs and the chooser worked by
// injected mouse and keys. Run in a 1024 x 768 desktop.
#include "capture_test_support.h"
#include "support/input_events.h"
#include "lib/res/resource.h"
#include "window_list.h"
#include "window_thread.h"

#include <memory>
#include <string>
#include <thread>

using namespace captest;
using namespace testinput;

namespace {

// What the chooser showed when it came up, and what the test's action saw.
struct ChooserSeen {
    bool bFound = false;
    bool bClosed = false;  // it went away after the action (not rescued)
    DWORD dwExStyle = 0;
    DWORD dwListStyle = 0;
    std::string strCaption;
    std::vector<std::string> titles;
    std::vector<HWND> handles;
    int nSel = -2;
    HWND hForeground = nullptr;  // after the action, before the chooser closed
    bool bChooserOnTop = false;  // the chooser was above the foreground window then
};

typedef std::function<void(HWND hDlg, HWND hList, ChooserSeen& seen)> ChooserAction;

// Screen centre of a list item.
POINT ItemCentre(HWND hList, int nItem) {
    RECT rc = {};
    ::SendMessageA(hList, LB_GETITEMRECT, (WPARAM)nItem, (LPARAM)&rc);
    POINT pt = {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    ::ClientToScreen(hList, &pt);
    return pt;
}

void ClickItem(HWND hList, int nItem, int nClicks = 1) {
    POINT pt = ItemCentre(hList, nItem);
    SendLeftClickAt(pt.x, pt.y, nClicks);
}

void ClickButton(HWND hDlg, int nID) {
    RECT rc;
    ::GetWindowRect(::GetDlgItem(hDlg, nID), &rc);
    SendLeftClickAt((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
}

int FindItem(const ChooserSeen& seen, const char* pszTitle) {
    for (size_t i = 0; i < seen.titles.size(); ++i)
        if (seen.titles[i] == pszTitle) return (int)i;
    return -1;
}

// True when hUpper comes before hLower in the Z order.
bool IsAbove(HWND hUpper, HWND hLower) {
    for (HWND h = ::GetWindow(hUpper, GW_HWNDNEXT); h != nullptr; h = ::GetWindow(h, GW_HWNDNEXT))
        if (h == hLower) return true;
    return false;
}

// Works the chooser that a capture on this thread opens: a thread of its
// own waits for it, reads it, runs the action and makes sure it closes
// (cancelling it itself if the action did not, so a failing test cannot
// hang in the modal loop).
class ChooserDriver {
public:
    explicit ChooserDriver(ChooserAction action) : m_dwUiThread(::GetCurrentThreadId()) {
        m_thread = std::thread([this, action]() { Drive(action); });
    }
    ~ChooserDriver() { Join(); }
    const ChooserSeen& Join() {
        if (m_thread.joinable()) m_thread.join();
        return m_seen;
    }

private:
    void Drive(const ChooserAction& action) {
        HWND hDlg = FindDialog(m_dwUiThread, 10000);
        if (hDlg == nullptr) return;
        m_seen.bFound = true;
        ::Sleep(300);  // shown and painted
        HWND hList = ::GetDlgItem(hDlg, IDC_WINDOW_LIST);
        char szCaption[64] = "";
        ::GetWindowTextA(hDlg, szCaption, sizeof szCaption);
        m_seen.strCaption = szCaption;
        m_seen.dwExStyle = (DWORD)::GetWindowLongPtrA(hDlg, GWL_EXSTYLE);
        m_seen.dwListStyle = (DWORD)::GetWindowLongPtrA(hList, GWL_STYLE);
        int nCount = (int)::SendMessageA(hList, LB_GETCOUNT, 0, 0);
        for (int i = 0; i < nCount; ++i) {
            char szTitle[WindowList::kMaxTitle] = "";
            ::SendMessageA(hList, LB_GETTEXT, (WPARAM)i, (LPARAM)szTitle);
            m_seen.titles.push_back(szTitle);
            m_seen.handles.push_back((HWND)::SendMessageA(hList, LB_GETITEMDATA, (WPARAM)i, 0));
        }
        m_seen.nSel = (int)::SendMessageA(hList, LB_GETCURSEL, 0, 0);
        action(hDlg, hList, m_seen);
        for (int i = 0; i < 100 && ::IsWindow(hDlg) && ::IsWindowVisible(hDlg); ++i)
            ::Sleep(50);
        m_seen.bClosed = !::IsWindow(hDlg) || !::IsWindowVisible(hDlg);
        if (!m_seen.bClosed) ::PostMessageA(hDlg, WM_COMMAND, IDCANCEL, 0);
    }

    DWORD m_dwUiThread;
    ChooserSeen m_seen;
    std::thread m_thread;
};

void Cancel(HWND hDlg, HWND, ChooserSeen&) { ClickButton(hDlg, IDCANCEL); }

const COLORREF kColourA = RGB(200, 30, 30);
const COLORREF kColourB = RGB(30, 160, 40);
const COLORREF kColourC = RGB(40, 60, 210);

class WindowModesTest : public ::testing::Test {
protected:
    // The main window is hidden during captures (the default), so the
    // test's windows are the only ones the chooser lists.
    void Start(unsigned int nDelay = 0) {
        StartSettings s;
        s.bHide = 1;
        s.nDelay = nDelay;
        WriteSettings(s);
        ASSERT_TRUE(m_main.CreateAt(600, 460, 400, 300));
        ASSERT_TRUE(CreateView(m_view, m_main, 390, 280));
        PumpMessages(50);
        ASSERT_NE(0, m_core.InitSnapper(&m_main, &m_view));
        m_bStarted = true;
    }
    void TearDown() override {
        if (m_bStarted) m_core.CloseSnapper();
    }
    // A, B and C from top to bottom, clear of the chooser in the top-left
    // corner.
    void ShowThreeWindows() {
        m_hC = m_apps.CreateColourWindow("kapto C", 420, 300, 200, 150, kColourC);
        m_hB = m_apps.CreateColourWindow("kapto B", 450, 250, 260, 180, kColourB);
        m_hA = m_apps.CreateColourWindow("kapto A", 480, 200, 240, 160, kColourA);
        ASSERT_TRUE(m_hA != nullptr && m_hB != nullptr && m_hC != nullptr);
        m_apps.Sync();
    }
    // A first capture, and names as if it had been saved.
    void CaptureOnceAndName() {
        ASSERT_EQ(1, m_core.SnapFullScreen());
        m_core.SetPathName("C:\\shots\\a.png");
        m_core.SetFileName("a.png");
    }

    ConfigFileGuard m_guard;  // destroyed last: after CloseSnapper wrote the file
    CTestMainWnd m_main;
    CWnd m_view;
    CTestCore m_core;
    bool m_bStarted = false;
    CWindowThread m_apps;
    HWND m_hA = nullptr, m_hB = nullptr, m_hC = nullptr;
};

// ---- The window list ----------------------------------------------------------------

struct FilterCase {
    const char* pszTitle;
    int cx, cy;  // window size; popups, so also the client size
    DWORD dwStyle;
    bool bListed;
};

TEST_F(WindowModesTest, OnlyVisibleTitledWindowsWithAClientAreaOverFourPixelsAreCollected) {
    const FilterCase cases[] = {
        {"kapto plain", 80, 60, WS_POPUP | WS_VISIBLE, true},
        {"kapto hidden", 80, 60, WS_POPUP, false},
        {"kapto minimised", 80, 60, WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_MINIMIZE, false},
        {"", 80, 60, WS_POPUP | WS_VISIBLE, false},
        {"kapto 4 wide", 4, 60, WS_POPUP | WS_VISIBLE, false},
        {"kapto 4 high", 60, 4, WS_POPUP | WS_VISIBLE, false},
        {"kapto 5 by 5", 5, 5, WS_POPUP | WS_VISIBLE, true},
    };
    std::vector<HWND> windows;
    for (const FilterCase& c : cases) {
        windows.push_back(m_apps.CreateColourWindow(c.pszTitle, 300, 300, c.cx, c.cy, kColourA, c.dwStyle));
        ASSERT_NE(nullptr, windows.back()) << c.pszTitle;
    }
    m_apps.Sync();
    std::unique_ptr<WindowList> list(new WindowList);
    int nCount = CollectTopWindows(*list);
    ASSERT_EQ(nCount, list->nCount);
    for (size_t i = 0; i < windows.size(); ++i) {
        int nFound = 0;
        for (int k = 1; k <= nCount; ++k) {
            if (list->entries[k].hWnd != windows[i]) continue;
            ++nFound;
            EXPECT_STREQ(cases[i].pszTitle, list->entries[k].szTitle);
        }
        EXPECT_EQ(cases[i].bListed ? 1 : 0, nFound) << "\"" << cases[i].pszTitle << "\"";
    }
}

TEST_F(WindowModesTest, ThreeHundredWindowsGive254CollectedAndListed) {
    Start();
    for (int i = 0; i < 300; ++i) {
        char szTitle[32];
        wsprintfA(szTitle, "kapto many %d", i);
        ASSERT_NE(nullptr, m_apps.CreateColourWindow(szTitle, 400 + i % 50, 200 + i / 50 * 10, 10, 10, kColourB));
    }
    m_apps.Sync();
    std::unique_ptr<WindowList> list(new WindowList);
    list->entries[0].hWnd = (HWND)(LONG_PTR)0x5EED;
    EXPECT_EQ(254, CollectTopWindows(*list));
    EXPECT_EQ((HWND)(LONG_PTR)0x5EED, list->entries[0].hWnd);  // entry 0 is never used

    ChooserDriver driver(Cancel);
    EXPECT_EQ(0, m_core.SnapActiveWin());
    const ChooserSeen& seen = driver.Join();
    ASSERT_TRUE(seen.bFound);
    // The shell's window, if any, lies below all of them.
    EXPECT_EQ(254u, seen.titles.size());
}

// ---- The chooser ----------------------------------------------------------------------

TEST_F(WindowModesTest, ChooserListsTheWindowsInZOrderButTheShellsWithTheFirstSelected) {
    Start();
    ShowThreeWindows();
    // Where no shell has its desktop window (Wine's desktop), C stands for
    // it; on Windows the shell's own window lies below them all.
    typedef BOOL(WINAPI * SetShellWindowFn)(HWND);
    SetShellWindowFn pfnSetShellWindow =
        (SetShellWindowFn)(void*)::GetProcAddress(::GetModuleHandleA("user32.dll"), "SetShellWindow");
    HWND hShell = ::GetShellWindow();
    if ((hShell == nullptr || !::IsWindow(hShell)) && pfnSetShellWindow != nullptr && pfnSetShellWindow(m_hC))
        hShell = m_hC;
    ChooserDriver driver(Cancel);
    EXPECT_EQ(0, m_core.SnapActiveWin());
    const ChooserSeen& seen = driver.Join();
    ASSERT_TRUE(seen.bFound);
    EXPECT_TRUE(seen.bClosed);
    EXPECT_STREQ("活动程序窗口", seen.strCaption.c_str());
    EXPECT_TRUE(seen.dwExStyle & WS_EX_TOPMOST);
    EXPECT_FALSE(seen.dwListStyle & LBS_SORT);
    ASSERT_EQ(hShell == m_hC ? 2u : 3u, seen.titles.size());
    EXPECT_EQ("kapto A", seen.titles[0]);
    EXPECT_EQ("kapto B", seen.titles[1]);
    EXPECT_EQ(m_hA, seen.handles[0]);
    EXPECT_EQ(m_hB, seen.handles[1]);
    for (HWND h : seen.handles)
        EXPECT_NE(hShell, h);
    EXPECT_EQ(0, seen.nSel);
}

TEST_F(WindowModesTest, WithoutAShellWindowTheLowestWindowIsListedToo) {
    HWND hShell = ::GetShellWindow();
    if (hShell != nullptr && ::IsWindow(hShell)) GTEST_SKIP() << "this desktop has a shell window";
    Start();
    ShowThreeWindows();
    ChooserDriver driver(Cancel);
    EXPECT_EQ(0, m_core.SnapActiveWin());
    const ChooserSeen& seen = driver.Join();
    ASSERT_TRUE(seen.bFound);
    ASSERT_EQ(3u, seen.titles.size());
    EXPECT_EQ(m_hC, seen.handles[2]);
}

TEST_F(WindowModesTest, MovingTheSelectionBringsTheWindowForwardUnderTheChooserAndCancelKeepsTheImage) {
    Start();
    ShowThreeWindows();
    CaptureOnceAndName();
    Gdiplus::GpImage* pBefore = m_core.GetImage();
    ChooserDriver driver([](HWND hDlg, HWND hList, ChooserSeen& seen) {
        ClickItem(hList, 1);
        ::Sleep(300);
        seen.hForeground = ::GetForegroundWindow();
        seen.bChooserOnTop = IsAbove(hDlg, seen.hForeground);
        ClickButton(hDlg, IDCANCEL);
    });
    EXPECT_EQ(0, m_core.SnapActiveWin());
    const ChooserSeen& seen = driver.Join();
    ASSERT_TRUE(seen.bFound);
    EXPECT_TRUE(seen.bClosed);
    EXPECT_EQ(m_hB, seen.hForeground);
    EXPECT_TRUE(seen.bChooserOnTop);
    // Nothing captured; the old image stays, without its names.
    EXPECT_EQ(pBefore, m_core.GetImage());
    EXPECT_TRUE(m_core.GetPathName().IsEmpty());
    EXPECT_TRUE(m_core.GetFileName().IsEmpty());
    EXPECT_EQ(1, m_core.m_config.GetSnapMode());
    EXPECT_EQ(0, m_core.IsSnapping());
    EXPECT_TRUE(::IsWindowVisible(m_main.m_hWnd));
}

TEST_F(WindowModesTest, EscapeCancelsTheClientAreaModeToo) {
    Start();
    ShowThreeWindows();
    CaptureOnceAndName();
    Gdiplus::GpImage* pBefore = m_core.GetImage();
    ChooserDriver driver([](HWND hDlg, HWND hList, ChooserSeen&) {
        ::SetForegroundWindow(hDlg);
        ::SetFocus(hList);
        ::Sleep(100);
        SendKey(VK_ESCAPE);
    });
    EXPECT_EQ(0, m_core.SnapWinClient());
    const ChooserSeen& seen = driver.Join();
    ASSERT_TRUE(seen.bFound);
    EXPECT_TRUE(seen.bClosed);
    EXPECT_EQ(pBefore, m_core.GetImage());
    EXPECT_TRUE(m_core.GetPathName().IsEmpty());
    EXPECT_EQ(3, m_core.m_config.GetSnapMode());
}

TEST_F(WindowModesTest, OkWithoutASelectionCapturesNothing) {
    Start();
    ShowThreeWindows();
    CaptureOnceAndName();
    Gdiplus::GpImage* pBefore = m_core.GetImage();
    ChooserDriver driver([](HWND hDlg, HWND hList, ChooserSeen&) {
        ::SendMessageA(hList, LB_SETCURSEL, (WPARAM)-1, 0);
        ClickButton(hDlg, IDOK);
    });
    EXPECT_EQ(0, m_core.SnapActiveWin());
    ASSERT_TRUE(driver.Join().bClosed);
    EXPECT_EQ(pBefore, m_core.GetImage());
}

// ---- The captures -----------------------------------------------------------------------

// Every pixel of the image is clr: the capture holds exactly the window (or
// its client area) and nothing around it.
void ExpectAllPixels(Gdiplus::GpImage* pImage, COLORREF clr) {
    std::vector<UINT> pixels = ImagePixels(pImage);
    ASSERT_FALSE(pixels.empty());
    UINT nWanted = (GetRValue(clr) << 16) | (GetGValue(clr) << 8) | GetBValue(clr);
    size_t nOther = 0;
    for (UINT px : pixels)
        nOther += px != nWanted;
    EXPECT_EQ(0u, nOther) << "of " << pixels.size() << " pixels";
}

TEST_F(WindowModesTest, DoubleClickOnAWindowCapturesExactlyThatWindow) {
    Start(200);
    ShowThreeWindows();
    ChooserDriver driver([](HWND, HWND hList, ChooserSeen&) { ClickItem(hList, 1, 2); });
    EXPECT_EQ(1, m_core.SnapActiveWin());
    ASSERT_TRUE(driver.Join().bClosed);
    EXPECT_EQ(1, m_core.m_config.GetSnapMode());
    RECT rc;
    ::GetWindowRect(m_hB, &rc);
    EXPECT_EQ((UINT)(rc.right - rc.left), ImageWidth(m_core.GetImage()));
    EXPECT_EQ((UINT)(rc.bottom - rc.top), ImageHeight(m_core.GetImage()));
    ExpectAllPixels(m_core.GetImage(), kColourB);
    EXPECT_FALSE(::GetWindowLongPtrA(m_hB, GWL_EXSTYLE) & WS_EX_TOPMOST);
}

TEST_F(WindowModesTest, ClientAreaCaptureTakesTheClientAreaOnly) {
    Start(200);
    ShowThreeWindows();
    HWND hFramed =
        m_apps.CreateColourWindow("kapto framed", 300, 150, 420, 330, kColourC, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    ASSERT_NE(nullptr, hFramed);
    m_apps.Sync();
    ChooserDriver driver([](HWND, HWND hList, ChooserSeen& seen) {
        int nItem = FindItem(seen, "kapto framed");
        if (nItem >= 0) ClickItem(hList, nItem, 2);
    });
    EXPECT_EQ(1, m_core.SnapWinClient());
    ASSERT_TRUE(driver.Join().bClosed);
    EXPECT_EQ(3, m_core.m_config.GetSnapMode());
    RECT rcClient;
    ::GetClientRect(hFramed, &rcClient);
    ASSERT_LT(rcClient.right, 420);  // there is a frame to leave out
    EXPECT_EQ((UINT)rcClient.right, ImageWidth(m_core.GetImage()));
    EXPECT_EQ((UINT)rcClient.bottom, ImageHeight(m_core.GetImage()));
    ExpectAllPixels(m_core.GetImage(), kColourC);
}

void RecordMode(void* p) {
    CTestCore* pCore = static_cast<CTestCore*>(p);
    pCore->m_nModeAtHide = pCore->m_config.GetSnapMode();
}

TEST_F(WindowModesTest, CurrentWindowModeCapturesTheTopWindowWithoutAsking) {
    Start();
    ShowThreeWindows();
    m_main.m_pfnOnHide = RecordMode;
    m_main.m_pHideArg = &m_core;
    EXPECT_EQ(1, m_core.SnapCurrentWin());
    m_main.m_pfnOnHide = nullptr;
    EXPECT_EQ(2, m_core.m_nModeAtHide);  // recorded before the main window went
    EXPECT_EQ(2, m_core.m_config.GetSnapMode());
    RECT rc;
    ::GetWindowRect(m_hA, &rc);
    EXPECT_EQ((UINT)(rc.right - rc.left), ImageWidth(m_core.GetImage()));
    EXPECT_EQ((UINT)(rc.bottom - rc.top), ImageHeight(m_core.GetImage()));
    ExpectAllPixels(m_core.GetImage(), kColourA);
}

TEST_F(WindowModesTest, WindowModesAreRefusedWhileACaptureRuns) {
    Start();
    ShowThreeWindows();
    m_core.m_config.SetSnapMode(0);
    m_core.SetSnapping(1);
    EXPECT_EQ(0, m_core.SnapActiveWin());
    EXPECT_EQ(0, m_core.SnapCurrentWin());
    EXPECT_EQ(0, m_core.SnapWinClient());
    m_core.SetSnapping(0);
    EXPECT_EQ(0, m_core.m_config.GetSnapMode());
    EXPECT_EQ(nullptr, m_core.GetImage());
}

}  // namespace
