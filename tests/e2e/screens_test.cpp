// Kapto on two monitors as a person meets it: the primary 1024 x 768 at
// (0, 0) and a second one, 1280 x 1024, left of it at (-1280, 0), so that
// everything on it has negative coordinates and the primary leaves a gap
// below it. The monitors are a private X server's (tools/screens-server,
// which ctest starts), seen by Wine without a virtual desktop; where that
// server cannot run, every scenario is skipped with the reason.
#include "e2e/e2e_support.h"

#include "support/unix_side.h"

#include <stdlib.h>

#include <fstream>

namespace {

using namespace e2e;

const RECT kPrimary = {0, 0, 1024, 768};
const RECT kSecond = {-1280, 0, 0, 1024};
const int kRectTip = 1031;  // the overlay's tip panel

// The server's folder (a Unix path), as ctest hands it over.
std::string ServerDir() {
    const char* psz = getenv("KAPTO_SCREENS_SERVER");
    return psz != nullptr ? psz : "";
}

// Why the two monitors are not there; empty when they are.
std::string WhyNoMonitors() {
    if (ServerDir().empty()) return "KAPTO_SCREENS_SERVER is not set: the multi-monitor server runs under ctest";
    std::ifstream status(kptest::FromUnix(ServerDir() + "/status"));
    std::string line, state, reason;
    while (std::getline(status, line)) {
        if (line.rfind("state=", 0) == 0) state = line.substr(6);
        if (line.rfind("reason=", 0) == 0) reason = line.substr(7);
    }
    if (state != "running") return "no multi-monitor server: " + (reason.empty() ? "it did not start" : reason);
    RECT rcVirtual = {::GetSystemMetrics(SM_XVIRTUALSCREEN), ::GetSystemMetrics(SM_YVIRTUALSCREEN),
                      ::GetSystemMetrics(SM_XVIRTUALSCREEN) + ::GetSystemMetrics(SM_CXVIRTUALSCREEN),
                      ::GetSystemMetrics(SM_YVIRTUALSCREEN) + ::GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    if (::GetSystemMetrics(SM_CMONITORS) != 2 || rcVirtual.left != kSecond.left || rcVirtual.bottom != kSecond.bottom)
        return "the server runs, but Wine does not see its two monitors side by side";
    return "";
}

// Lays the server's monitors out anew (tools/screens-server layout).
bool LayOut(const char* pszLayout) {
    const char* pszTool = getenv("KAPTO_SCREENS_TOOL");
    if (pszTool == nullptr) return false;
    return kptest::RunUnixShell(std::string("'") + pszTool + "' layout '" + ServerDir() + "' " + pszLayout) == 0;
}

bool Inside(const RECT& rc, const RECT& rcOuter) {
    return rc.left >= rcOuter.left && rc.top >= rcOuter.top && rc.right <= rcOuter.right && rc.bottom <= rcOuter.bottom;
}

class Screens : public Scenario {
protected:
    void SetUp() override {
        std::string strWhy = WhyNoMonitors();
        if (!strWhy.empty()) GTEST_SKIP() << strWhy;
        Scenario::SetUp();
        if (HasFatalFailure()) return;
    }

    // Kapto with automatic copying on, and the other program's window at
    // (x, y).
    void Start(int x, int y, int nScope = 0) {
        ASSERT_TRUE(::SetWindowPos(m_target.Window(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER));
        ASSERT_TRUE(WaitFor([&] { return ScreenRectOf(m_target.Window()).left == x; }, 3000));
        ASSERT_TRUE(StartKapto([nScope](CKpConfig& c) {
            c.SetAutoCopy(1);
            c.SetFullScreenScope(nScope);
        }));
        m_hMain = m_kapto.Main();
        kaptotest::PumpFor(300);
    }

    Picture Captured(const Picture& viewBefore) {
        EXPECT_TRUE(WaitForNewThumbnail(viewBefore));
        Picture copied;
        EXPECT_TRUE(WaitForClipboardPicture(copied));
        return copied;
    }

    // The other program's window chosen in the active-window chooser.
    void Choose() {
        HWND hChooser = WaitForKaptoWindow(m_kapto, "活动程序窗口");
        ASSERT_NE(nullptr, hChooser) << "no chooser";
        HWND hList = ::GetDlgItem(hChooser, 4000);
        int nItem = (int)::SendMessageA(hList, LB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)kTargetTitle);
        ASSERT_GE(nItem, 0) << "the chooser does not list the window on the second monitor";
        ::SendMessageA(hList, LB_SETCURSEL, nItem, 0);
        ClickControl(hChooser, IDOK);
    }

    HWND m_hMain = nullptr;
};

int Width(const RECT& rc) { return rc.right - rc.left; }
int Height(const RECT& rc) { return rc.bottom - rc.top; }

// Three sessions of Kapto, one per whole-screen scope, each going through
// what a person does on two monitors: a Kapto start costs more than a step.

TEST_F(Screens, AWindowAcrossBothMonitorsAndThePrimaryScreen) {
    Start(-150, 600);
    {
        SCOPED_TRACE("a window across both monitors, below the primary's bottom edge");
        const RECT rcWindow = m_target.WindowRect();
        ASSERT_GT(rcWindow.bottom, kPrimary.bottom);
        const Picture onSecond = GrabScreen({rcWindow.left, rcWindow.top, 0, rcWindow.bottom});
        Picture view = ViewPicture(m_hMain);
        ASSERT_TRUE(PressKeys({VK_F3}));
        Choose();
        Picture copied = Captured(view);
        ASSERT_EQ(Width(rcWindow), copied.nWidth);
        ASSERT_EQ(Height(rcWindow), copied.nHeight);
        ExpectSamePicture(onSecond, copied.Crop({0, 0, -rcWindow.left, copied.nHeight}), "on the second monitor");
        Picture gap = copied.Crop({-rcWindow.left, kPrimary.bottom - rcWindow.top, copied.nWidth, copied.nHeight});
        Picture black = gap;
        black.pixels.assign(gap.pixels.size(), 0);
        ExpectSamePicture(black, gap, "on no monitor");
    }
    {
        SCOPED_TRACE("the whole screen is the primary one by default, wherever the pointer is");
        testinput::PlaceCursorAt(-640, 900);
        Picture view = ViewPicture(m_hMain);
        ASSERT_TRUE(PressKeys({VK_CONTROL, VK_SNAPSHOT}));
        Picture copied = Captured(view);
        EXPECT_EQ(Width(kPrimary), copied.nWidth);
        EXPECT_EQ(Height(kPrimary), copied.nHeight);
    }
}

TEST_F(Screens, ThePointersMonitorItsObjectsTipsAndARectangleAcrossTheEdge) {
    Start(-900, 200, 1);
    {
        SCOPED_TRACE("the whole screen is the monitor under the pointer");
        const Picture window = GrabScreen(m_target.WindowRect());
        testinput::PlaceCursorAt(-640, 900);
        Picture view = ViewPicture(m_hMain);
        ASSERT_TRUE(PressKeys({VK_CONTROL, VK_SNAPSHOT}));
        Picture copied = Captured(view);
        ASSERT_EQ(Width(kSecond), copied.nWidth);
        ASSERT_EQ(Height(kSecond), copied.nHeight);
        RECT rc = m_target.WindowRect();
        ::OffsetRect(&rc, -kSecond.left, 0);
        ExpectSamePicture(window, copied.Crop(rc), "the window in the monitor's picture");
    }
    {
        SCOPED_TRACE("an object on the second monitor");
        const RECT rcButton = m_target.ChildRect(kButtonId);
        const Picture button = GrabScreen(rcButton);
        Picture view = ViewPicture(m_hMain);
        ASSERT_TRUE(PressKeys({VK_F6}));
        HWND hTip = nullptr;
        ASSERT_TRUE(Await("the object capture's tip", [&] {
            hTip = kaptotest::FindProcessWindow(m_kapto.Pid(), [&](HWND h) {
                return h != m_hMain && ::IsWindowVisible(h) && kaptotest::ClassOf(h) == "#32770";
            });
            return hTip != nullptr;
        }));
        testinput::SendLeftClickAt((rcButton.left + rcButton.right) / 2, (rcButton.top + rcButton.bottom) / 2);
        ExpectSamePicture(button, Captured(view), "button");
    }
    {
        SCOPED_TRACE("the overlay's tip panel near every corner of both monitors");
        HWND hOverlay = nullptr;
        ASSERT_TRUE(PressKeys({VK_F7}));
        ASSERT_TRUE(AwaitRectangleOverlay(m_kapto, m_hMain, &hOverlay));
        HWND hPanel = ::GetDlgItem(hOverlay, kRectTip);
        ASSERT_NE(nullptr, hPanel);
        // Far corners of each monitor, and either side of the edge between them.
        const POINT points[] = {{-1270, 10}, {-10, 1014}, {10, 758}, {1014, 10}, {-5, 500}, {5, 500}};
        for (POINT pt : points) {
            SCOPED_TRACE(testing::Message() << "pointer at (" << pt.x << ", " << (int)pt.y << ")");
            const RECT& rcMonitor = pt.x < 0 ? kSecond : kPrimary;
            testinput::PlaceCursorAt(pt.x, pt.y);
            testinput::SendMoveTo(pt.x, pt.y);
            EXPECT_TRUE(Await("the panel whole on the pointer's monitor, away from the pointer", [&] {
                RECT rc = ScreenRectOf(hPanel);
                return Inside(rc, rcMonitor) && !::PtInRect(&rc, pt);
            }, 3000));
        }
        testinput::SendKey(VK_ESCAPE);
        ASSERT_TRUE(Await("the overlay gone", [&] { return !::IsWindowVisible(hOverlay); }));
    }
    {
        SCOPED_TRACE("a rectangle dragged across the edge, over the other program's stripes");
        ASSERT_TRUE(::SetWindowPos(m_target.Window(), nullptr, -150, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER));
        ASSERT_TRUE(WaitFor([&] { return ScreenRectOf(m_target.Window()).left == -150; }, 3000));
        kaptotest::PumpFor(300);
        const RECT rcDrag = {-120, 250, 120, 300};
        const Picture expected = GrabScreen(rcDrag);
        ASSERT_NE(expected.At(0, 0), expected.At(239, 49)) << "the same colour on both sides";
        Picture view = ViewPicture(m_hMain);
        ASSERT_TRUE(PressKeys({VK_F7}));
        ASSERT_TRUE(AwaitRectangleOverlay(m_kapto, m_hMain));
        Drag({rcDrag.left, rcDrag.top}, {rcDrag.right, rcDrag.bottom});
        ExpectSamePicture(expected, Captured(view), "rectangle");
    }
}

TEST_F(Screens, EveryMonitorAndKaptoBackWhenItsMonitorIsTakenAway) {
    Start(-900, 200, 2);
    {
        SCOPED_TRACE("the whole screen is every monitor, the gap below the primary black");
        const Picture window = GrabScreen(m_target.WindowRect());
        Picture view = ViewPicture(m_hMain);
        ASSERT_TRUE(PressKeys({VK_CONTROL, VK_SNAPSHOT}));
        Picture copied = Captured(view);
        ASSERT_EQ(Width(kSecond) + Width(kPrimary), copied.nWidth);
        ASSERT_EQ(Height(kSecond), copied.nHeight);
        RECT rc = m_target.WindowRect();
        ::OffsetRect(&rc, -kSecond.left, 0);
        ExpectSamePicture(window, copied.Crop(rc), "the window in the picture of all");
        EXPECT_EQ(0u, copied.At(Width(kSecond) + 500, 900)) << "below the primary monitor";
    }
    {
        SCOPED_TRACE("the second monitor taken away under Kapto's window");
        ASSERT_TRUE(::SetWindowPos(m_hMain, nullptr, -800, 300, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE));
        ASSERT_TRUE(WaitFor([&] { return ScreenRectOf(m_hMain).left == -800; }, 3000));
        ASSERT_TRUE(LayOut("one")) << "xrandr did not take the second monitor away";
        // Windows tells every top-level window; Wine 8 changes its monitors
        // but tells no one: the message is sent as Windows would send it.
        ASSERT_TRUE(Await("one monitor", [] { return ::GetSystemMetrics(SM_CMONITORS) == 1; }));
        ::PostMessageA(m_hMain, WM_DISPLAYCHANGE, 32, MAKELPARAM(1024, 768));
        EXPECT_TRUE(Await("Kapto's window on the primary monitor", [&] { return Inside(ScreenRectOf(m_hMain), kPrimary); }));
        // The next capture of every monitor takes the new layout: the
        // primary alone.
        Picture view = ViewPicture(m_hMain);
        ClickControl(m_hMain, ids::kNewSnap);
        EXPECT_EQ(Width(kPrimary), Captured(view).nWidth);
        ASSERT_TRUE(LayOut("left"));
        EXPECT_TRUE(Await("the second monitor back", [] { return ::GetSystemMetrics(SM_CMONITORS) == 2; }));
    }
}

// The system's DPI for the programs started while it lives (Wine 8 has one
// for every monitor, read as a program starts); 96 again afterwards.
struct SystemDpi {
    explicit SystemDpi(DWORD nDpi) { bSet = Set(nDpi); }
    ~SystemDpi() { Set(96); }
    static bool Set(DWORD nDpi) {
        return ::RegSetKeyValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", "LogPixels", REG_DWORD, &nDpi,
                                 sizeof nDpi) == ERROR_SUCCESS;
    }
    bool bSet = false;
};

TEST_F(Screens, At150PercentTheTipPanelIsScaled) {
    SystemDpi dpi(144);
    ASSERT_TRUE(dpi.bSet);
    Start(-900, 200);
    {
        SCOPED_TRACE("the overlay's tip panel at 150 %");
        HWND hOverlay = nullptr;
        ASSERT_TRUE(PressKeys({VK_F7}));
        ASSERT_TRUE(AwaitRectangleOverlay(m_kapto, m_hMain, &hOverlay));
        HWND hPanel = ::GetDlgItem(hOverlay, kRectTip);
        testinput::PlaceCursorAt(500, 500);
        testinput::SendMoveTo(500, 500);
        kaptotest::PumpFor(500);
        RECT rc = ScreenRectOf(hPanel);
        EXPECT_EQ(330, Width(rc));
        EXPECT_EQ(379, Height(rc));
        testinput::SendKey(VK_ESCAPE);
        ASSERT_TRUE(Await("the overlay gone", [&] { return !::IsWindowVisible(hOverlay); }));
    }
}

}  // namespace
