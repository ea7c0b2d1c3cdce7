// The rectangle selection overlay on a 1024 x 768 desktop, driven with real
// input from a second thread while this one runs the overlay's modal loop:
// selections in every direction, clicks, Esc and Enter, the information box's
// placement, the tip's text, the clipboard, the arrow keys, and the engine's
// capture of the frozen picture.
#include "overlay_test_support.h"

#include "capture/capture_test_support.h"
#include "kp_resource.h"
#include "lib/res/resource.h"
#include "snap_rect_overlay.h"

#include <functional>
#include <string>
#include <thread>

using namespace overlaytest;

namespace {

const int kScreenW = 1024;
const int kScreenH = 768;
const COLORREF kInfoGrey = RGB(147, 147, 147);

std::string TipText(HWND hOverlay) {
    char sz[512] = "";
    ::GetWindowTextA(::GetDlgItem(hOverlay, IDC_SNAP_RECT_TIP), sz, sizeof sz);
    return sz;
}

// Input scripts and their pauses. The button events carry the position the
// script means.
POINT g_ptLast = {0, 0};  // where the script's drag is; input thread only
void Settle(DWORD nMs = 250) { ::Sleep(nMs); }
void Press(int x, int y) {
    MouseMoveTo(x, y);
    Settle(60);
    MouseButtonAt(x, y, true, true);
    g_ptLast = {x, y};
    Settle(60);
}
void DragTo(int x, int y) {
    MouseMoveTo(x, y);
    g_ptLast = {x, y};
    Settle(60);
}
void ReleaseAt(int x, int y) {
    MouseButtonAt(x, y, true, false);
    Settle(60);
}
void Release() { ReleaseAt(g_ptLast.x, g_ptLast.y); }
void Tap(WORD vk) {
    testinput::SendKey(vk);
    Settle(80);
}

// What the input thread saw while the overlay was open.
struct Seen {
    HWND hOverlay = nullptr;
    bool bLeftOpen = false;        // the script ended with the overlay still open
    bool bOpenAfter = false;       // the overlay was open at the script's check point
    bool bCursorFollowed = false;  // the cursor went where the keys sent it
    std::string strTip;
    RECT rcOverlay = {};
    DWORD dwExStyle = 0;
    std::vector<COLORREF> pixels;  // a screen area read during the script
};

// Runs the overlay (or the engine's rectangle mode) on this thread while
// script runs on another one, once the overlay is shown and painted. An
// overlay the script leaves open is cancelled, and the test says so.
template <class RunOverlay>
void RunWithScript(RunOverlay run, std::function<void(Seen&)> script, Seen& seen) {
    const DWORD dwThread = ::GetCurrentThreadId();
    std::thread input([&] {
        // The overlay is the one dialog this thread shows.
        seen.hOverlay = testinput::FindDialog(dwThread, 5000);
        if (seen.hOverlay == nullptr) return;
        Settle(400);
        script(seen);
        Settle(200);
        if (::IsWindow(seen.hOverlay) && ::IsWindowVisible(seen.hOverlay)) {
            seen.bLeftOpen = true;
            ::PostMessageA(seen.hOverlay, WM_COMMAND, IDCANCEL, 0);
        }
    });
    run();
    input.join();
    // The display's events for pointer moves made on this thread (the arrow
    // keys) come in late: let them go now, not into the next test.
    PumpMessages(300);
    ASSERT_NE(nullptr, seen.hOverlay) << "the overlay never showed";
}

// A white screen with a pattern window over (50, 50)-(450, 350), so the
// frozen picture is known.
class OverlayTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_white.CreateFlat(0, 0, kScreenW, kScreenH, RGB(255, 255, 255)));
        ASSERT_TRUE(m_pattern.CreateAt(50, 50, 400, 300));
        ASSERT_TRUE(WaitForScreen(200, 200, m_pattern.ColourAt(200, 200)));
        ASSERT_TRUE(WaitForScreen(700, 600, RGB(255, 255, 255)));
    }
    // The overlay on its own: its result and selected rectangle.
    void RunOverlay(std::function<void(Seen&)> script) {
        RunWithScript(
            [this] {
                CKpLocalResource resource;
                CDlgSnapRectHelper overlay(nullptr);
                m_nResult = overlay.DoModal();
                m_nSelected = overlay.GetSelectedRect(m_rcSelected);
            },
            script, m_seen);
    }

    CPatternWnd m_white;
    CPatternWnd m_pattern;
    Seen m_seen;
    INT_PTR m_nResult = -1;
    int m_nSelected = -1;
    CRect m_rcSelected;
};

// ---- Selections ----------------------------------------------------------------------

struct DragCase {
    const char* name;
    POINT from;
    POINT to;
};

class OverlayDragTest : public OverlayTest, public ::testing::WithParamInterface<DragCase> {};

TEST_P(OverlayDragTest, ADragInAnyDirectionSelectsItsRectangleOnRelease) {
    const DragCase& c = GetParam();
    RunOverlay([&c](Seen&) {
        Press(c.from.x, c.from.y);
        DragTo((c.from.x + c.to.x) / 2, (c.from.y + c.to.y) / 2);
        DragTo(c.to.x, c.to.y);
        Release();
    });
    EXPECT_FALSE(m_seen.bLeftOpen);
    EXPECT_EQ(IDOK, m_nResult);
    EXPECT_NE(0, m_nSelected);
    EXPECT_EQ(CRect(100, 100, 300, 250), m_rcSelected);
}

INSTANTIATE_TEST_SUITE_P(Directions, OverlayDragTest,
                         ::testing::Values(DragCase{"DownRight", {100, 100}, {300, 250}},
                                           DragCase{"UpLeft", {300, 250}, {100, 100}},
                                           DragCase{"DownLeft", {300, 100}, {100, 250}}),
                         [](const ::testing::TestParamInfo<DragCase>& info) { return info.param.name; });

TEST_F(OverlayTest, AClickWithoutMovingKeepsTheOverlayWaiting) {
    RunOverlay([](Seen& seen) {
        Press(200, 200);
        Release();
        Settle();
        seen.bOpenAfter = ::IsWindowVisible(seen.hOverlay) != FALSE;
        seen.strTip = TipText(seen.hOverlay);
        Tap(VK_ESCAPE);
    });
    EXPECT_TRUE(m_seen.bOpenAfter);
    EXPECT_NE(std::string::npos, m_seen.strTip.find("·按下鼠标左键选择截取范围")) << m_seen.strTip;
    EXPECT_FALSE(m_seen.bLeftOpen);
    EXPECT_EQ(IDCANCEL, m_nResult);
    EXPECT_EQ(0, m_nSelected);
}

TEST_F(OverlayTest, ADragRightAfterAClickStillSelects) {
    RunOverlay([](Seen&) {
        Press(100, 100);
        Release();
        // The second press comes as a double click.
        MouseButtonAt(100, 100, true, true);
        Settle(60);
        DragTo(300, 250);
        Release();
    });
    EXPECT_FALSE(m_seen.bLeftOpen);
    EXPECT_EQ(IDOK, m_nResult);
    EXPECT_EQ(CRect(100, 100, 300, 250), m_rcSelected);
}

TEST_F(OverlayTest, EnterBeforeAnyDragAcceptsNothing) {
    RunOverlay([](Seen&) { Tap(VK_RETURN); });
    EXPECT_FALSE(m_seen.bLeftOpen);
    EXPECT_EQ(IDOK, m_nResult);
    EXPECT_EQ(0, m_nSelected);
}

TEST_F(OverlayTest, ArrowKeysPutTheCornersOnExactPixels) {
    RunOverlay([](Seen& seen) {
        MouseMoveTo(99, 100);
        Settle(100);
        int nReached = 0;
        Tap(VK_RIGHT);
        nReached += WaitForCursor(100, 100);
        MouseButtonAt(100, 100, true, true);
        Settle(60);
        DragTo(300, 250);
        Tap(VK_RIGHT);
        nReached += WaitForCursor(301, 250);
        Tap(VK_DOWN);
        nReached += WaitForCursor(301, 251);
        testinput::SendKeyEvent(VK_SHIFT, true);
        Tap(VK_LEFT);
        testinput::SendKeyEvent(VK_SHIFT, false);
        nReached += WaitForCursor(291, 251);
        Settle(100);
        seen.bCursorFollowed = nReached == 4;
        ReleaseAt(291, 251);
    });
    EXPECT_TRUE(m_seen.bCursorFollowed);
    EXPECT_FALSE(m_seen.bLeftOpen);
    EXPECT_EQ(IDOK, m_nResult);
    EXPECT_EQ(CRect(100, 100, 291, 251), m_rcSelected);
}

TEST_F(OverlayTest, CoversThePrimaryScreenOnTopAndPutsItsPictureOnTheClipboard) {
    // Something else on the clipboard first.
    ASSERT_TRUE(captest::PutOnClipboard(captest::MakeBitmap(8, 8, [](int, int) { return RGB(1, 2, 3); })));
    RunOverlay([](Seen& seen) {
        ::GetWindowRect(seen.hOverlay, &seen.rcOverlay);
        seen.dwExStyle = (DWORD)::GetWindowLongPtrA(seen.hOverlay, GWL_EXSTYLE);
        Tap(VK_ESCAPE);
    });
    EXPECT_EQ(CRect(0, 0, kScreenW, kScreenH), CRect(m_seen.rcOverlay));
    EXPECT_TRUE(m_seen.dwExStyle & WS_EX_TOPMOST);
    EXPECT_EQ(IDCANCEL, m_nResult);

    ASSERT_TRUE(::OpenClipboard(nullptr));
    HBITMAP hClip = (HBITMAP)::GetClipboardData(CF_BITMAP);
    int w = 0, h = 0;
    std::vector<UINT> pixels = captest::BitmapPixels(hClip, w, h);
    ::CloseClipboard();
    ASSERT_EQ(kScreenW, w);
    ASSERT_EQ(kScreenH, h);
    COLORREF c = m_pattern.ColourAt(123, 234);
    EXPECT_EQ((UINT)((GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c)), pixels[234 * w + 123]);
}

TEST_F(OverlayTest, TipShowsTheFrozenPixelsColourAndTheHint) {
    CPatternWnd blue;
    ASSERT_TRUE(blue.CreateFlat(500, 400, 60, 60, RGB(0, 0, 255)));
    ASSERT_TRUE(WaitForScreen(520, 420, RGB(0, 0, 255)));
    const std::string strExpected = "·像素RGB(0,0,255)\r\n·按下鼠标左键选择截取范围\r\n·按ESC键放弃";
    RunOverlay([&](Seen& seen) {
        // The desktop may put the cursor back where an earlier test left it:
        // the move is made again until the cursor stays over the blue.
        for (int n = 0; n < 4 && seen.strTip != strExpected; ++n) {
            MouseMoveTo(520, 420);
            Settle();
            seen.strTip = TipText(seen.hOverlay);
        }
        Tap(VK_ESCAPE);
    });
    EXPECT_EQ(strExpected, m_seen.strTip);
}

// The overlay as it is when the screen could not be grabbed.
class CNoPictureOverlay : public CDlgSnapRectHelper {
public:
    BOOL OnInitDialog() override {
        BOOL b = CDlgSnapRectHelper::OnInitDialog();
        m_bmpScreen.DeleteObject();
        Invalidate(TRUE);
        return b;
    }
};

TEST_F(OverlayTest, WithoutAPictureTheScreenIsPlainBlack) {
    std::vector<COLORREF> pixels;
    RunWithScript(
        [this] {
            CKpLocalResource resource;
            CNoPictureOverlay overlay;
            m_nResult = overlay.DoModal();
        },
        [&](Seen& seen) {
            MouseMoveTo(600, 500);
            Settle();
            seen.strTip = TipText(seen.hOverlay);
            pixels = ReadScreen(CRect(300, 300, 1000, 700));
            Tap(VK_ESCAPE);
        },
        m_seen);
    EXPECT_EQ(IDCANCEL, m_nResult);
    EXPECT_EQ(0, m_seen.strTip.find("·像素RGB(0,0,0)\r\n")) << m_seen.strTip;
    ASSERT_FALSE(pixels.empty());
    int nNotBlack = 0;
    for (COLORREF c : pixels)
        nNotBlack += c != RGB(0, 0, 0);
    EXPECT_EQ(0, nNotBlack);
}

// ---- The information box ------------------------------------------------------------

struct BoxCase {
    const char* name;
    POINT cursor;
    bool bLeft;   // the box lies left of the cursor
    bool bBelow;  // ... below it
};

class OverlayInfoBoxTest : public OverlayTest, public ::testing::WithParamInterface<BoxCase> {};

// The box's outline in pixels read from rc: the first and last rows and
// columns with a long run of its grey (the text is grey too, but no glyph
// runs that long). INT_MAX when there is none.
struct Outline {
    int minX = INT_MAX, maxX = INT_MIN, minY = INT_MAX, maxY = INT_MIN;

    Outline(const std::vector<COLORREF>& pixels, const RECT& rc) {
        const int w = rc.right - rc.left, h = rc.bottom - rc.top;
        if (pixels.size() != (size_t)w * h) return;
        Along(pixels, w, h, true, rc.top, minY, maxY);
        Along(pixels, w, h, false, rc.left, minX, maxX);
    }
    bool Found() const { return minX != INT_MAX && minY != INT_MAX; }
    // Where the box must be for cursor c.
    bool Beside(const BoxCase& c) const {
        if (!Found()) return false;
        bool bX = c.bLeft ? maxX == c.cursor.x - 4 : minX == c.cursor.x + 3;
        bool bY = c.bBelow ? minY == c.cursor.y + 3 : maxY == c.cursor.y - 4;
        return bX && bY;
    }

private:
    static void Along(const std::vector<COLORREF>& pixels, int w, int h, bool bRows, int nOrigin, int& nFirst,
                      int& nLast) {
        const int kRun = 30;
        int nLines = bRows ? h : w, nLength = bRows ? w : h;
        for (int i = 0; i < nLines; ++i)
            for (int j = 0, run = 0; j < nLength; ++j) {
                size_t at = bRows ? (size_t)i * w + j : (size_t)j * w + i;
                run = pixels[at] == kInfoGrey ? run + 1 : 0;
                if (run == kRun) {
                    nFirst = std::min(nFirst, nOrigin + i);
                    nLast = std::max(nLast, nOrigin + i);
                }
            }
    }
};

TEST_P(OverlayInfoBoxTest, StaysOnTheScreenBesideTheCursor) {
    const BoxCase& c = GetParam();
    // Around the cursor, on the screen.
    const RECT rcLook = {std::max(0, (int)c.cursor.x - 160), std::max(0, (int)c.cursor.y - 160),
                         std::min(kScreenW, (int)c.cursor.x + 160), std::min(kScreenH, (int)c.cursor.y + 160)};
    RunOverlay([&](Seen& seen) {
        // Held, not released: the box shows while the button is down. The
        // desktop may put the cursor back where it was a moment ago: the
        // last move is made again until the box has followed it.
        Press(c.cursor.x + (c.bLeft ? -30 : 30), std::max(2, (int)c.cursor.y + (c.bBelow ? -15 : 30)));
        for (int n = 0; n < 4 && !Outline(seen.pixels, rcLook).Beside(c); ++n) {
            DragTo(c.cursor.x, c.cursor.y);
            Settle(400);
            seen.pixels = ReadScreen(rcLook);
        }
        Tap(VK_ESCAPE);  // drops the drag
        seen.bOpenAfter = ::IsWindowVisible(seen.hOverlay) != FALSE;
        seen.strTip = TipText(seen.hOverlay);
        Tap(VK_ESCAPE);  // closes
    });
    EXPECT_TRUE(m_seen.bOpenAfter) << "Esc during a drag drops only the drag";
    EXPECT_NE(std::string::npos, m_seen.strTip.find("·按下鼠标左键")) << m_seen.strTip;
    EXPECT_EQ(IDCANCEL, m_nResult);
    EXPECT_EQ(0, m_nSelected);

    Outline box(m_seen.pixels, rcLook);
    ASSERT_TRUE(box.Found()) << "no box drawn";
    if (c.bLeft) {
        EXPECT_EQ(c.cursor.x - 4, box.maxX);
    } else {
        EXPECT_EQ(c.cursor.x + 3, box.minX);
    }
    if (c.bBelow) {
        EXPECT_EQ(c.cursor.y + 3, box.minY);
        EXPECT_GT(box.maxY, c.cursor.y + 40);
    } else {
        EXPECT_EQ(c.cursor.y - 4, box.maxY);
        EXPECT_LT(box.minY, c.cursor.y - 40);
    }
    EXPECT_GT(box.maxX - box.minX, 40) << "a box as wide as its first label";
}

INSTANTIATE_TEST_SUITE_P(Places, OverlayInfoBoxTest,
                         ::testing::Values(BoxCase{"AboveRight", {500, 400}, false, false},
                                           BoxCase{"NearTheRightEdge", {1000, 400}, true, false},
                                           BoxCase{"NearTheTop", {500, 20}, false, true},
                                           BoxCase{"TopRightCorner", {1000, 20}, true, true}),
                         [](const ::testing::TestParamInfo<BoxCase>& info) { return info.param.name; });

// ---- The engine's rectangle mode ------------------------------------------------------

class SnapSelectRectTest : public OverlayTest {
protected:
    void SetUp() override {
        OverlayTest::SetUp();
        captest::WriteSettings(captest::StartSettings());
        ASSERT_TRUE(m_main.CreateAt(600, 460, 400, 300));
        ASSERT_TRUE(captest::CreateView(m_view, m_main, 390, 280));
        ASSERT_NE(0, m_core.InitSnapper(&m_main, &m_view));
        ASSERT_TRUE(WaitForScreen(200, 200, m_pattern.ColourAt(200, 200)));
    }
    void TearDown() override { m_core.CloseSnapper(); }
    void RunEngine(std::function<void(Seen&)> script) {
        RunWithScript([this] { m_nResult = m_core.SnapSelectRect(); }, script, m_seen);
    }

    captest::ConfigFileGuard m_guard;
    captest::CTestMainWnd m_main;
    CWnd m_view;
    CKpCore m_core;
};

TEST_F(SnapSelectRectTest, CapturesTheSelectionAsItWasWhenTheScreenFroze) {
    RunEngine([this](Seen&) {
        // The screen changes under the overlay: the capture must not.
        m_pattern.SetMirrored(TRUE);
        Press(100, 100);
        DragTo(200, 170);
        DragTo(300, 250);
        Release();
    });
    EXPECT_FALSE(m_seen.bLeftOpen);
    ASSERT_EQ(1, m_nResult);
    EXPECT_EQ(5, m_core.m_config.GetSnapMode());
    Gdiplus::GpImage* pImage = m_core.GetImage();
    ASSERT_EQ(200u, captest::ImageWidth(pImage));
    ASSERT_EQ(150u, captest::ImageHeight(pImage));
    std::vector<UINT> pixels = captest::ImagePixels(pImage);
    m_pattern.SetMirrored(FALSE);
    int nWrong = 0;
    for (int y = 0; y < 150; ++y)
        for (int x = 0; x < 200; ++x) {
            COLORREF c = m_pattern.ColourAt(100 + x, 100 + y);
            UINT expected = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
            if (pixels[(size_t)y * 200 + x] != expected) ++nWrong;
        }
    EXPECT_EQ(0, nWrong);
}

TEST_F(SnapSelectRectTest, EscTwiceCapturesNothingAndKeepsThePreviousImage) {
    ASSERT_EQ(1, m_core.SnapFullScreen());
    Gdiplus::GpImage* pBefore = m_core.GetImage();
    RunEngine([](Seen&) {
        Press(100, 100);
        DragTo(250, 200);
        Tap(VK_ESCAPE);
        Tap(VK_ESCAPE);
    });
    EXPECT_FALSE(m_seen.bLeftOpen);
    EXPECT_EQ(0, m_nResult);
    EXPECT_EQ(pBefore, m_core.GetImage());
    EXPECT_EQ((UINT)kScreenW, captest::ImageWidth(m_core.GetImage()));
}

// A second request for the rectangle made from the overlay's own loop, as a
// hot key pressed while the overlay is open would.
CKpCore* g_pCoreAgain = nullptr;
int g_nAgainResult = -1;
void CALLBACK SnapAgain(HWND, UINT, UINT_PTR nID, DWORD) {
    ::KillTimer(nullptr, nID);
    g_nAgainResult = g_pCoreAgain->SnapSelectRect();
}

TEST_F(SnapSelectRectTest, IsRefusedWhileTheOverlayIsOpen) {
    g_pCoreAgain = &m_core;
    g_nAgainResult = -1;
    ::SetTimer(nullptr, 0, 200, SnapAgain);
    RunEngine([](Seen&) {
        Settle(600);
        Tap(VK_ESCAPE);
    });
    EXPECT_EQ(0, g_nAgainResult);
    EXPECT_FALSE(m_seen.bLeftOpen) << "a second overlay took the Esc";
    EXPECT_EQ(0, m_nResult);
}

}  // namespace
