// The capture engine through its public interface: life cycle, the
// whole-screen capture with the image options, the frame shared by the
// capture modes, and the grab's clipping rules. Run in a 1024 x 768 desktop.
#include "capture_test_support.h"

#include "support/input_events.h"

#include <functional>
#include <thread>

using namespace captest;

namespace {

const int kScreenW = 1024;
const int kScreenH = 768;

// The colour bands shown during a capture: at (100, 100), four bands of
// 100 x 200 pixels.
const int kBandsX = 100;
const int kBandsY = 100;
const int kBandW = 100;
const int kBandH = 200;
const std::vector<COLORREF> kBands = {RGB(255, 0, 0), RGB(0, 200, 0), RGB(0, 0, 255), RGB(10, 120, 230)};

class EngineTest : public ::testing::Test {
protected:
    // Shows the program's stand-in windows (clear of the bands) and starts
    // the engine with the given settings file.
    void Start(const StartSettings& settings = StartSettings(), bool bWithWindows = true) {
        WriteSettings(settings);
        ASSERT_TRUE(m_main.CreateAt(600, 460, 400, 300));
        ASSERT_TRUE(CreateView(m_view, m_main, 390, 280));
        PumpMessages(50);
        m_bStarted = true;
        m_nInit = bWithWindows ? m_core.InitSnapper(&m_main, &m_view) : m_core.InitSnapper(nullptr, &m_view);
    }
    void ShowBands() {
        ASSERT_TRUE(m_bands.CreateAt(kBandsX, kBandsY, kBandW, kBandH, kBands));
        ::UpdateWindow(m_bands.m_hWnd);
        PumpMessages(150);
    }
    void TearDown() override {
        if (m_bStarted) m_core.CloseSnapper();
    }

    ConfigFileGuard m_guard;  // destroyed last: after CloseSnapper wrote the file
    CTestMainWnd m_main;
    CWnd m_view;
    CColourBands m_bands;
    CTestCore m_core;
    bool m_bStarted = false;
    int m_nInit = 0;
};

// ---- Life cycle ------------------------------------------------------------------

TEST_F(EngineTest, InitSnapperCreatesTheInvisibleEngineWindowAndCloseSnapperDestroysIt) {
    Start();
    EXPECT_NE(0, m_nInit);
    HWND hEngine = ::GetDlgItem(m_main.m_hWnd, 100);
    ASSERT_NE(nullptr, hEngine);
    EXPECT_EQ(hEngine, m_core.m_hWnd);
    EXPECT_TRUE(::GetWindowLongPtrA(hEngine, GWL_STYLE) & WS_CHILD);
    EXPECT_FALSE(::IsWindowVisible(hEngine));
    RECT rc;
    ::GetWindowRect(hEngine, &rc);
    EXPECT_EQ(0, rc.right - rc.left);
    EXPECT_EQ(0, rc.bottom - rc.top);
    EXPECT_EQ(nullptr, m_core.GetImage());  // no start-up capture configured

    m_core.CloseSnapper();
    m_bStarted = false;
    EXPECT_FALSE(::IsWindow(hEngine));
}

TEST_F(EngineTest, InitSnapperWithoutMainWindowReturnsZeroAndCapturesNothingAtStart) {
    StartSettings s;
    s.bSnapOnStart = 1;
    Start(s, false);
    EXPECT_EQ(0, m_nInit);
    EXPECT_EQ(nullptr, ::GetDlgItem(m_main.m_hWnd, 100));
    EXPECT_EQ(nullptr, m_core.GetImage());
    EXPECT_EQ(1, m_core.m_config.GetSnapOnStart());  // the file was loaded
}

TEST_F(EngineTest, StartUpCaptureIsQuickSilentAndKeepsTheLoadedMode) {
    StartSettings s;
    s.bSnapOnStart = 1;
    s.nDelay = 3000;  // not waited at start-up
    s.bSound = 1;
    s.nSnapMode = 3;
    DWORD nStart = ::GetTickCount();
    Start(s);
    DWORD nElapsed = ::GetTickCount() - nStart;
    EXPECT_NE(0, m_nInit);
    EXPECT_LT(nElapsed, 2500u);
    ASSERT_NE(nullptr, m_core.GetImage());
    EXPECT_EQ((UINT)kScreenW, ImageWidth(m_core.GetImage()));
    EXPECT_EQ((UINT)kScreenH, ImageHeight(m_core.GetImage()));
    EXPECT_EQ(3, m_core.m_config.GetSnapMode());
}

TEST_F(EngineTest, CloseSnapperSavesTheSettingsWithTheRecordedMode) {
    StartSettings s;
    s.nSnapMode = 4;
    Start(s);
    ASSERT_EQ(1, m_core.SnapFullScreen());
    m_core.m_config.SetBlurFactor(7);
    m_core.CloseSnapper();
    m_bStarted = false;

    CKpConfig reloaded;
    reloaded.LoadConfig();
    EXPECT_EQ(0, reloaded.GetSnapMode());
    EXPECT_EQ(7, reloaded.GetBlurFactor());
}

// ---- The whole-screen capture and the image options -------------------------------

// Where a screen pixel lands and what colour it gets, for one set of options.
struct OptionCase {
    const char* name;
    std::function<void(CKpConfig&)> configure;
    int nWidth, nHeight;                 // of the current image
    std::function<POINT(int, int)> map;  // screen position -> image position
    std::vector<COLORREF> bandColours;   // expected colour of each band; none: size only
};

POINT Same(int x, int y) { return {x, y}; }

const std::vector<OptionCase>& OptionCases() {
    // Grey = (3r + 6g + b) / 10, truncated; negation 255 - v.
    //   (255,0,0) -> 76;  (0,200,0) -> 120;  (0,0,255) -> 25;  (10,120,230) -> 98
    static const std::vector<OptionCase> cases = {
        {"all options off", [](CKpConfig&) {}, kScreenW, kScreenH, Same, kBands},
        {"grey scale",
         [](CKpConfig& c) { c.SetGrayScale(1); },
         kScreenW,
         kScreenH,
         Same,
         {RGB(76, 76, 76), RGB(120, 120, 120), RGB(25, 25, 25), RGB(98, 98, 98)}},
        {"negate",
         [](CKpConfig& c) { c.SetNegate(1); },
         kScreenW,
         kScreenH,
         Same,
         {RGB(0, 255, 255), RGB(255, 55, 255), RGB(255, 255, 0), RGB(245, 135, 25)}},
        // Grey before negation: red gives 255 - 76 = 179 (the other order
        // would give grey(0,255,255) = 178), blue 230 (not 229).
        {"grey then negate",
         [](CKpConfig& c) {
             c.SetGrayScale(1);
             c.SetNegate(1);
         },
         kScreenW,
         kScreenH,
         Same,
         {RGB(179, 179, 179), RGB(135, 135, 135), RGB(230, 230, 230), RGB(157, 157, 157)}},
        {"grey, negate, mirrored left-right",
         [](CKpConfig& c) {
             c.SetGrayScale(1);
             c.SetNegate(1);
             c.SetFlipHorz(1);
         },
         kScreenW,
         kScreenH,
         [](int x, int y) {
             return POINT{kScreenW - 1 - x, y};
         },
         {RGB(179, 179, 179), RGB(135, 135, 135), RGB(230, 230, 230), RGB(157, 157, 157)}},
        // Mirroring before scaling: the screen's row y ends at (767 - y) / 2.
        {"negate, mirrored top-bottom, scaled to 50 %",
         [](CKpConfig& c) {
             c.SetNegate(1);
             c.SetFlipVert(1);
             c.SetScale(1);
         },
         kScreenW / 2,
         kScreenH / 2,
         [](int x, int y) {
             return POINT{x / 2, (kScreenH - 1 - y) / 2};
         },
         {RGB(0, 255, 255), RGB(255, 55, 255), RGB(255, 255, 0), RGB(245, 135, 25)}},
        {"scale factor 25 %",
         [](CKpConfig& c) {
             c.SetScale(1);
             c.SetScaleFactor(25);
         },
         kScreenW / 4, kScreenH / 4,
         [](int x, int y) {
             return POINT{x / 4, y / 4};
         },
         kBands},
        // Sizes of the geometric steps, in their order. Shear: (w + |across|,
        // h + |down|); the amount of a direction that is off counts 0.
        {"shear across only",
         [](CKpConfig& c) {
             c.SetShearAcross(1);
             c.SetShearAcrossAmout(50);
             c.SetShearDownAmout(30);
         },
         kScreenW + 50,
         kScreenH,
         nullptr,
         {}},
        {"shear both ways",
         [](CKpConfig& c) {
             c.SetShearAcross(1);
             c.SetShearAcrossAmout(-50);
             c.SetShearDown(1);
             c.SetShearDownAmout(30);
         },
         kScreenW + 50,
         kScreenH + 30,
         nullptr,
         {}},
        // Rotation by 90: (2 trunc(768/2) + 2, 2 trunc(1024/2) + 2) = 770 x 1026;
        // then half: 385 x 513 (scaling first would give 386 x 514).
        {"rotated 90 then scaled",
         [](CKpConfig& c) {
             c.SetRotate(1);
             c.SetRotateAngle(90);
             c.SetScale(1);
         },
         385,
         513,
         nullptr,
         {}},
        // Rotated 770 x 1026, then sheared: 820 x 1026 (shearing first would
        // give 1074 x 768, turned 770 x 1076).
        {"rotated 90 then sheared",
         [](CKpConfig& c) {
             c.SetRotate(1);
             c.SetRotateAngle(90);
             c.SetShearAcross(1);
         },
         770 + 50,
         1026,
         nullptr,
         {}},
        // Blur keeps the size and, inside a flat area, the colour: the nine
        // weights times v, divided by their sum, is v.
        {"blur", [](CKpConfig& c) { c.SetBlur(1); }, kScreenW, kScreenH, Same, kBands},
    };
    return cases;
}

class FullScreenOptionsTest : public EngineTest, public ::testing::WithParamInterface<OptionCase> {};

TEST_P(FullScreenOptionsTest, CapturesTheScreenWithTheOptionsInTheirOrder) {
    const OptionCase& c = GetParam();
    Start();
    ShowBands();
    c.configure(m_core.m_config);
    ASSERT_EQ(1, m_core.SnapFullScreen());
    Gdiplus::GpImage* pImage = m_core.GetImage();
    ASSERT_NE(nullptr, pImage);
    EXPECT_EQ((UINT)c.nWidth, ImageWidth(pImage));
    EXPECT_EQ((UINT)c.nHeight, ImageHeight(pImage));
    for (size_t i = 0; i < c.bandColours.size(); ++i) {
        // Well inside each band: its centre, and points 20 pixels in from
        // its corners.
        int x0 = kBandsX + (int)i * kBandW;
        const POINT probes[] = {{x0 + kBandW / 2, kBandsY + kBandH / 2},
                                {x0 + 20, kBandsY + 20},
                                {x0 + kBandW - 21, kBandsY + kBandH - 21}};
        for (const POINT& p : probes) {
            POINT q = c.map(p.x, p.y);
            EXPECT_EQ(c.bandColours[i], ImagePixel(pImage, q.x, q.y))
                << "band " << i << " screen (" << p.x << "," << p.y << ") image (" << q.x << "," << q.y << ")";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Options, FullScreenOptionsTest, ::testing::ValuesIn(OptionCases()),
                         [](const ::testing::TestParamInfo<OptionCase>& info) {
                             std::string s;
                             for (const char* p = info.param.name; *p; ++p)
                                 s += isalnum((unsigned char)*p) ? *p : '_';
                             return s;
                         });

TEST_F(EngineTest, RefreshImageDataReprocessesTheLastCaptureAndClearsTheNames) {
    Start();
    ShowBands();
    ASSERT_EQ(1, m_core.SnapFullScreen());
    m_core.SetPathName("C:\\shots\\a.png");
    m_core.SetFileName("a.png");
    m_core.m_config.SetNegate(1);
    m_core.RefreshImageData();
    EXPECT_EQ(RGB(0, 255, 255), ImagePixel(m_core.GetImage(), 150, 200));
    EXPECT_TRUE(m_core.GetPathName().IsEmpty());
    EXPECT_TRUE(m_core.GetFileName().IsEmpty());

    // Cleared image, kept capture: the refresh brings it back.
    m_core.ClearGdiplusImage();
    EXPECT_EQ(nullptr, m_core.GetImage());
    m_core.m_config.SetNegate(0);
    m_core.RefreshImageData();
    EXPECT_EQ(RGB(255, 0, 0), ImagePixel(m_core.GetImage(), 150, 200));
}

TEST_F(EngineTest, RefreshImageDataWithoutACaptureChangesNothing) {
    Start();
    m_core.RefreshImageData();
    EXPECT_EQ(nullptr, m_core.GetImage());
}

// ---- The frame of a capture ---------------------------------------------------------

TEST_F(EngineTest, CaptureRecordsModeZeroAndClearsTheNames) {
    StartSettings s;
    s.nSnapMode = 5;
    Start(s);
    m_core.SetPathName("C:\\shots\\a.png");
    m_core.SetFileName("a.png");
    ASSERT_EQ(1, m_core.SnapFullScreen());
    EXPECT_EQ(0, m_core.m_config.GetSnapMode());
    EXPECT_TRUE(m_core.GetPathName().IsEmpty());
    EXPECT_TRUE(m_core.GetFileName().IsEmpty());
}

struct NestedCapture {
    CTestCore* pCore;
    int nResult;
    int bBusy;
    int nCalls;
};

void CaptureAgain(void* p) {
    NestedCapture* n = static_cast<NestedCapture*>(p);
    n->bBusy = n->pCore->IsSnapping();
    n->nResult = n->pCore->SnapFullScreen();
    ++n->nCalls;
}

TEST_F(EngineTest, HidesTheMainWindowAndRefusesASecondCaptureMeanwhile) {
    StartSettings s;
    s.bHide = 1;
    Start(s);
    NestedCapture nested = {&m_core, -1, 0, 0};
    m_main.m_pfnOnHide = CaptureAgain;
    m_main.m_pHideArg = &nested;
    m_main.m_nHidden = m_main.m_nShown = 0;

    EXPECT_EQ(0, m_core.IsSnapping());
    ASSERT_EQ(1, m_core.SnapFullScreen());
    EXPECT_EQ(1, nested.nCalls);
    EXPECT_EQ(1, nested.bBusy);
    EXPECT_EQ(0, nested.nResult);
    EXPECT_EQ(1, m_main.m_nHidden);
    EXPECT_EQ(1, m_main.m_nShown);
    EXPECT_TRUE(::IsWindowVisible(m_main.m_hWnd));
    EXPECT_EQ(0, m_core.IsSnapping());
    m_main.m_pfnOnHide = nullptr;

    // And the flag is down again: the next capture runs.
    EXPECT_EQ(1, m_core.SnapFullScreen());
}

TEST_F(EngineTest, WithoutHidingTheMainWindowStaysAsItIs) {
    Start();
    m_main.m_nHidden = m_main.m_nShown = 0;
    ASSERT_EQ(1, m_core.SnapFullScreen());
    EXPECT_EQ(0, m_main.m_nHidden);
    EXPECT_EQ(0, m_main.m_nShown);
}

TEST_F(EngineTest, WaitsTheConfiguredDelay) {
    Start();
    m_core.m_config.SetSnapDelayTime(400);
    DWORD nStart = ::GetTickCount();
    ASSERT_EQ(1, m_core.SnapFullScreen());
    EXPECT_GE(::GetTickCount() - nStart, 390u);
}

CTestCore* g_pDelayedCore = nullptr;
int g_nSecondCapture = -1;
void CALLBACK CaptureAgainOnTimer(HWND, UINT, UINT_PTR nTimer, DWORD) {
    ::KillTimer(nullptr, nTimer);
    g_nSecondCapture = g_pDelayedCore->SnapFullScreen();
}

TEST_F(EngineTest, DuringTheDelayTheWindowsAnswerAndASecondCaptureIsRefused) {
    Start();
    m_core.m_config.SetSnapDelayTime(2000);
    g_pDelayedCore = &m_core;
    g_nSecondCapture = -1;
    ::SetTimer(nullptr, 0, 500, &CaptureAgainOnTimer);
    HWND hMain = m_main.m_hWnd;
    BOOL bAnswered = FALSE;
    std::thread asker([&]() {
        ::Sleep(300);
        DWORD_PTR nResult = 0;
        bAnswered = ::SendMessageTimeoutA(hMain, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &nResult) != 0;
    });
    DWORD nStart = ::GetTickCount();
    EXPECT_EQ(1, m_core.SnapFullScreen());
    DWORD nElapsed = ::GetTickCount() - nStart;
    asker.join();
    EXPECT_GE(nElapsed, 1990u);
    EXPECT_TRUE(bAnswered);
    EXPECT_EQ(0, g_nSecondCapture);
    EXPECT_EQ(0, m_core.IsSnapping());
}

// The program's side with a view and nothing else: no main window to hide,
// no window to own the clipboard or to be the engine window's parent.
class CViewOnlyHost : public CKpSnapHost {
public:
    void ShowMainWindow(BOOL) override { ++m_nShowRequests; }
    HWND GetParentWindow() const override { return nullptr; }
    CSize GetViewSize() const override { return CSize(204, 154); }
    HWND GetClipboardOwner() const override { return nullptr; }
    int m_nShowRequests = 0;
};

TEST(EngineHostTest, AHostWithoutAMainWindowCapturesMakesTheThumbnailAndCopies) {
    ConfigFileGuard guard;
    StartSettings s;
    s.bHide = 1;
    WriteSettings(s);
    CViewOnlyHost host;
    CTestCore core;
    EXPECT_NE(0, core.InitSnapper(&host));
    EXPECT_NE(nullptr, core.m_hWnd);
    core.m_config.SetAutoCopy(1);
    EmptyTheClipboard();
    EXPECT_EQ(1, core.SnapFullScreen());
    EXPECT_EQ(2, host.m_nShowRequests);  // asked to hide and to show again
    int x = 0, y = 0;
    Gdiplus::GpImage* pThumb = core.GetThubImage(x, y);
    EXPECT_EQ(200u, ImageWidth(pThumb));  // the view less its 2-pixel margins
    EXPECT_TRUE(::IsClipboardFormatAvailable(CF_BITMAP));
    core.CloseSnapper();
}

// The wait itself is the configured delay's (WaitsTheConfiguredDelay).
TEST_F(EngineTest, ADelayBeyondTheOptionsRangeWaitsFifteenSecondsNotForEver) {
    const struct {
        unsigned int nConfigured, nWaited;
    } cases[] = {{15000, 15000}, {15001, 15000}, {0xFFFFFFFFu, 15000}};  // -1 in the file
    for (const auto& c : cases) {
        m_core.m_config.SetSnapDelayTime(c.nConfigured);
        EXPECT_EQ(c.nWaited, m_core.SnapDelay()) << c.nConfigured;
    }
}

TEST_F(EngineTest, NoSoundDeviceIsNotAnError) {
    Start();
    m_core.m_config.SetPlaySnapSound(1);
    EXPECT_EQ(1, m_core.SnapFullScreen());
    EXPECT_NE(nullptr, m_core.GetImage());
}

TEST_F(EngineTest, AutomaticCopyPutsTheCurrentImageOnTheClipboard) {
    Start();
    ShowBands();
    EmptyTheClipboard();
    m_core.m_config.SetAutoCopy(1);
    m_core.m_config.SetGrayScale(1);
    ASSERT_EQ(1, m_core.SnapFullScreen());
    ASSERT_TRUE(::OpenClipboard(nullptr));
    HBITMAP hClip = (HBITMAP)::GetClipboardData(CF_BITMAP);
    int w = 0, h = 0;
    std::vector<UINT> pixels = hClip != nullptr ? BitmapPixels(hClip, w, h) : std::vector<UINT>();
    ::CloseClipboard();
    ASSERT_EQ(kScreenW, w);
    ASSERT_EQ(kScreenH, h);
    EXPECT_EQ(0x4C4C4Cu, pixels[200 * kScreenW + 150]);  // grey of red: 76
}

TEST_F(EngineTest, OffScreenAreaReturnsZeroAndKeepsThePreviousImage) {
    Start();
    ShowBands();
    ASSERT_EQ(1, m_core.SnapFullScreen());
    Gdiplus::GpImage* pBefore = m_core.GetImage();
    const CRect areas[] = {CRect(kScreenW, 0, kScreenW + 100, 100), CRect(0, kScreenH + 5, 100, kScreenH + 50),
                           CRect(-300, -300, -1, -1), CRect(-50, 10, 0, 60)};
    for (const CRect& rc : areas) {
        SCOPED_TRACE(testing::Message() << rc.left << "," << rc.top << "," << rc.right << "," << rc.bottom);
        EXPECT_EQ(nullptr, CKpCore::SnapBitmap(::GetDesktopWindow(), rc));
        EXPECT_EQ(0, m_core.SnapRect(::GetDesktopWindow(), rc));
        EXPECT_EQ(pBefore, m_core.GetImage());
    }
    EXPECT_EQ(RGB(255, 0, 0), ImagePixel(m_core.GetImage(), 150, 200));
    EXPECT_EQ(0, m_core.SnapRect(nullptr, CRect()));
    EXPECT_EQ(pBefore, m_core.GetImage());
}

// ---- The grab -----------------------------------------------------------------------------

TEST_F(EngineTest, GrabOfARectangleTakesScreenCoordinates) {
    Start();
    ShowBands();
    CImageBitmap* pGrab = CKpCore::SnapBitmap(::GetDesktopWindow(), CRect(150, 150, 350, 170));
    ASSERT_NE(nullptr, pGrab);
    int w = 0, h = 0;
    std::vector<UINT> pixels = BitmapPixels((HBITMAP)pGrab->GetSafeHandle(), w, h);
    delete pGrab;
    ASSERT_EQ(200, w);
    ASSERT_EQ(20, h);
    EXPECT_EQ(0xFF0000u, pixels[10 * w + 10]);   // screen x 160: red band
    EXPECT_EQ(0x00C800u, pixels[10 * w + 60]);   // screen x 210: green band
    EXPECT_EQ(0x0000FFu, pixels[10 * w + 160]);  // screen x 310: blue band
}

TEST_F(EngineTest, GrabOfAWindowPastTheLeftEdgeStartsAtTheWindowsOwnLeftEdge) {
    Start();
    // Five bands of 100 pixels from x = -100: the window's own x 150 is its
    // band 1, while the screen's x 150 shows its band 2.
    const std::vector<COLORREF> bands = {RGB(255, 0, 0), RGB(0, 200, 0), RGB(0, 0, 255), RGB(200, 200, 0),
                                         RGB(0, 200, 200)};
    ASSERT_TRUE(m_bands.CreateAt(-100, 300, 100, 100, bands));
    ::UpdateWindow(m_bands.m_hWnd);
    PumpMessages(150);
    CImageBitmap* pGrab = CKpCore::SnapBitmap(m_bands.m_hWnd, CRect());
    ASSERT_NE(nullptr, pGrab);
    int w = 0, h = 0;
    std::vector<UINT> pixels = BitmapPixels((HBITMAP)pGrab->GetSafeHandle(), w, h);
    delete pGrab;
    EXPECT_EQ(400, w);
    EXPECT_EQ(100, h);
    ASSERT_EQ((size_t)w * h, pixels.size());
    EXPECT_EQ(0x00C800u, pixels[50 * w + 150]);
    EXPECT_EQ(0x0000FFu, pixels[50 * w + 250]);
}

TEST_F(EngineTest, GrabLeavesTheWindowsTopmostStateAsItWas) {
    Start();
    for (DWORD dwExStyle : {(DWORD)WS_EX_TOPMOST, (DWORD)0}) {
        SCOPED_TRACE(dwExStyle);
        CColourBands wnd;
        ASSERT_TRUE(wnd.CreateAt(200, 200, 50, 50, {RGB(1, 2, 3)}, dwExStyle));
        PumpMessages(30);
        CImageBitmap* pGrab = CKpCore::SnapBitmap(wnd.m_hWnd, CRect());
        ASSERT_NE(nullptr, pGrab);
        delete pGrab;
        EXPECT_EQ(dwExStyle, (DWORD)::GetWindowLongPtrA(wnd.m_hWnd, GWL_EXSTYLE) & WS_EX_TOPMOST);
    }
}

TEST_F(EngineTest, ASecondCaptureOfTheSameSizeDrawsIntoTheBitmapTheFirstReplaced) {
    Start();
    ShowBands();
    ASSERT_EQ(1, m_core.SnapFullScreen());
    HGDIOBJ first = m_core.CaptureHandle();
    ASSERT_EQ(1, m_core.SnapFullScreen());
    HGDIOBJ second = m_core.CaptureHandle();
    EXPECT_NE(first, second);
    // The screen changes: the bitmap drawn into again shows the new picture.
    m_bands.m_bands = {RGB(0, 0, 255), RGB(255, 0, 0), RGB(0, 200, 0), RGB(10, 120, 230)};
    ::InvalidateRect(m_bands.m_hWnd, nullptr, FALSE);
    ::UpdateWindow(m_bands.m_hWnd);
    PumpMessages(150);
    ASSERT_EQ(1, m_core.SnapFullScreen());
    EXPECT_EQ(first, m_core.CaptureHandle());
    EXPECT_EQ(RGB(0, 0, 255), ImagePixel(m_core.GetImage(), 150, 200));
    EXPECT_EQ(RGB(255, 0, 0), ImagePixel(m_core.GetImage(), 250, 200));
    // Another size cannot use it: the area is grabbed into a new bitmap.
    ASSERT_EQ(1, m_core.SnapRect(::GetDesktopWindow(), CRect(100, 100, 300, 250)));
    EXPECT_EQ(200u, ImageWidth(m_core.GetImage()));
    EXPECT_EQ(150u, ImageHeight(m_core.GetImage()));
    EXPECT_EQ(RGB(0, 0, 255), ImagePixel(m_core.GetImage(), 50, 100));
    // The clear command gives the kept bitmap back; the capture stays.
    HGDIOBJ spare = first;
    m_core.ClearGdiplusImage();
    BITMAP bm;
    EXPECT_EQ(0, ::GetObjectA(spare, sizeof bm, &bm));
    EXPECT_NE(0, ::GetObjectA(m_core.CaptureHandle(), sizeof bm, &bm));
}

// ---- The pointer in the picture -------------------------------------------------------

// A cursor known to the test: an 8 x 8 black square at the top left of its
// 32 x 32 cell, the rest clear, its hot spot at (2, 3).
class CTestCursor {
public:
    CTestCursor() {
        BYTE andBits[32 * 4], xorBits[32 * 4] = {};
        for (int y = 0; y < 32; ++y)
            for (int b = 0; b < 4; ++b)
                andBits[y * 4 + b] = (y < kSide && b == 0) ? 0x00 : 0xFF;
        m_hCursor = ::CreateCursor(::GetModuleHandleA(nullptr), kHotX, kHotY, 32, 32, andBits, xorBits);
    }
    ~CTestCursor() { ::DestroyCursor(m_hCursor); }
    // The pointer at pt with this shape, as the user would have it there.
    bool PlaceAt(POINT pt) const {
        if (m_hCursor == nullptr || !testinput::PlaceCursorAt(pt.x, pt.y)) return false;
        PumpMessages(30);
        ::SetCursor(m_hCursor);
        return true;
    }
    static const int kSide = 8, kHotX = 2, kHotY = 3;

private:
    HCURSOR m_hCursor;
};

TEST_F(EngineTest, ThePointerIsDrawnWhereItPointsWhenAskedAndNeverIntoAnObjectCapture) {
    Start();
    ShowBands();
    const POINT pt = {kBandsX + kBandW + 50, kBandsY + 100};  // over the green band
    const COLORREF kBand = kBands[1], kPointer = RGB(0, 0, 0);
    const struct {
        const char* label;
        int bOption;
        std::function<int(CTestCore&, HWND)> capture;
        POINT origin;  // the screen point of the picture's top-left pixel
        bool bPointer;
    } cases[] = {
        {"whole screen, option off", 0, [](CTestCore& c, HWND) { return c.SnapFullScreen(); }, {0, 0}, false},
        {"whole screen", 1, [](CTestCore& c, HWND) { return c.SnapFullScreen(); }, {0, 0}, true},
        {"window", 1, [](CTestCore& c, HWND h) { return c.SnapRect(h, CRect()); }, {kBandsX, kBandsY}, true},
        {"rectangle cutting through the pointer",
         1,
         [&](CTestCore& c, HWND) { return c.SnapRect(::GetDesktopWindow(), CRect(pt.x, 150, 400, 250)); },
         {pt.x, 150},
         true},
        {"object capture",
         1,
         [](CTestCore& c, HWND h) { return c.SnapRect(h, CRect(), FALSE); },
         {kBandsX, kBandsY},
         false},
    };
    CTestCursor cursor;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        m_core.m_config.SetCapturePointer(c.bOption);
        ASSERT_TRUE(cursor.PlaceAt(pt));
        ASSERT_EQ(1, c.capture(m_core, m_bands.m_hWnd));
        auto at = [&](int dx, int dy) {
            return ImagePixel(m_core.GetImage(), pt.x + dx - c.origin.x, pt.y + dy - c.origin.y);
        };
        EXPECT_EQ(c.bPointer ? kPointer : kBand, at(0, 0));
        EXPECT_EQ(c.bPointer ? kPointer : kBand, at(CTestCursor::kSide - CTestCursor::kHotX - 1, 0));
        EXPECT_EQ(kBand, at(CTestCursor::kSide - CTestCursor::kHotX, 0)) << "right of the pointer";
        EXPECT_EQ(kBand, at(0, CTestCursor::kSide - CTestCursor::kHotY)) << "below the pointer";
        // The capture knows where on the screen its pixels were, and whose.
        const KpCaptureInfo& info = m_core.GetCaptureInfo();
        EXPECT_EQ(CRect(c.origin, CSize((int)ImageWidth(m_core.GetImage()), (int)ImageHeight(m_core.GetImage()))),
                  info.rcScreen);
        EXPECT_STREQ(c.origin.x == kBandsX ? "kapto test colours" : "", info.strTitle);
    }
}

TEST_F(EngineTest, NoGrabWithoutAWindow) { EXPECT_EQ(nullptr, CKpCore::SnapBitmap(nullptr, CRect(0, 0, 10, 10))); }

}  // namespace
