// Pictures pinned on the screen as a person uses them: a rectangle's pin
// over the very pixels it was taken from, zoomed about the pointer, seen in
// the next capture and closed with Esc; pasted images' pins in the middle of
// the monitor, the second dragged aside, the first copied and marked up
// from its own menu while the second and the current image stay as they
// were, then every pin closed from a pin's menu.
#include "e2e/e2e_support.h"

#include <algorithm>

namespace {

using namespace e2e;

const UINT kCmdPin = 32883, kCmdFullScreen = 32795, kCmdPaste = 0xE125, kCmdShowHide = 32799;
const UINT kPinCloseAll = 32935;
const char kPinCaption[] = "Kapto 钉图";
const UINT kMarkupRect = 32873;

class Pins : public Scenario {
protected:
    void SetUp() override {
        Scenario::SetUp();
        if (HasFatalFailure()) return;
        // The main window stays through a capture: shown again after one,
        // it would come in front of the pins the scenario looks at.
        ASSERT_TRUE(StartKapto([](CKpConfig& c) {
            c.SetAutoCopy(1);
            c.SetSnapDelayTime(0);
            c.SetHideMainWnd(0);
        }));
        m_hMain = m_kapto.Main();
    }

    std::vector<HWND> PinWindows() const {
        std::vector<HWND> pins;
        kaptotest::FindProcessWindow(m_kapto.Pid(), [&](HWND h) {
            if (::IsWindowVisible(h) && kaptotest::TextOf(h) == kPinCaption) pins.push_back(h);
            return false;
        });
        return pins;
    }

    // Pins the current image with the menu's command and waits for the new
    // pin's window.
    HWND PinCurrentImage() {
        const std::vector<HWND> before = PinWindows();
        ::PostMessageA(m_hMain, WM_COMMAND, kCmdPin, 0);
        HWND hPin = nullptr;
        EXPECT_TRUE(Await("a new pin", [&] {
            for (HWND h : PinWindows()) {
                if (std::find(before.begin(), before.end(), h) == before.end()) hPin = h;
            }
            return hPin != nullptr;
        }));
        // In front and drawn, so that the mouse finds it.
        if (hPin != nullptr) {
            const RECT rc = ScreenRectOf(hPin);
            const POINT ptMiddle = {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
            EXPECT_TRUE(Await("the new pin in front", [&] { return ::WindowFromPoint(ptMiddle) == hPin; }));
            EXPECT_TRUE(m_kapto.Answers());
        }
        return hPin;
    }

    // The pointer away from every pin, so that none shows its border.
    static void PointerAway() { testinput::PlaceCursorAt(3, ::GetSystemMetrics(SM_CYSCREEN) - 3); }

    // The pin's right-click menu, an item chosen by the keyboard (nDown
    // arrows from the top).
    ::testing::AssertionResult ChooseFromMenu(HWND hPin, int nDown) {
        const RECT rc = ScreenRectOf(hPin);
        testinput::PlaceCursorAt((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
        testinput::SendClick(MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
        HWND hMenu = nullptr;
        ::testing::AssertionResult shown = Await("the pin's menu", [&] {
            hMenu = ::FindWindowA("#32768", nullptr);
            return hMenu != nullptr && ::IsWindowVisible(hMenu);
        });
        if (!shown) return shown;
        for (int i = 0; i < nDown; ++i)
            testinput::SendKey(VK_DOWN);
        testinput::SendKey(VK_RETURN);
        return Await("the menu to close", [&] { return !::IsWindowVisible(hMenu); });
    }

    HWND m_hMain = nullptr;
};

// Each pixel of the picture a 2 x 2 block.
Picture Doubled(const Picture& in) {
    Picture out;
    out.nWidth = in.nWidth * 2;
    out.nHeight = in.nHeight * 2;
    for (int y = 0; y < out.nHeight; ++y)
        for (int x = 0; x < out.nWidth; ++x)
            out.pixels.push_back(in.pixels[(size_t)(y / 2) * in.nWidth + x / 2]);
    return out;
}

bool SameRect(const RECT& a, const RECT& b) { return ::EqualRect(&a, &b) != FALSE; }
std::string Describe(const RECT& rc) {
    return std::to_string(rc.left) + "," + std::to_string(rc.top) + " - " + std::to_string(rc.right) + "," +
           std::to_string(rc.bottom);
}

TEST_F(Pins, ARectanglesPinCoversItsPixelsZoomsAboutThePointerAndIsInTheNextCapture) {
    const RECT rcClient = m_target.ClientRect();
    const RECT rc = {rcClient.left + 20, rcClient.top + 10, rcClient.left + 220, rcClient.top + 130};
    const Picture pattern = GrabScreen(rc);
    Picture view = ViewPicture(m_hMain);
    PressKeys({VK_F7});
    ASSERT_TRUE(AwaitRectangleOverlay(m_kapto, m_hMain));
    Drag({rc.left, rc.top}, {rc.right, rc.bottom});
    ASSERT_TRUE(WaitForNewThumbnail(view));

    PointerAway();
    HWND hPin = PinCurrentImage();
    ASSERT_NE(nullptr, hPin);
    EXPECT_TRUE(SameRect(rc, ScreenRectOf(hPin))) << Describe(ScreenRectOf(hPin));
    ExpectSamePicture(pattern, GrabScreen(rc), "pinned");

    // Three notches up, 100 % to 200 %, with the pointer 15, 12 into the pin:
    // that point of the picture stays under it.
    const POINT pt = {rc.left + 15, rc.top + 12};
    testinput::SendLeftClickAt(pt.x, pt.y);
    for (int i = 0; i < 3; ++i)
        testinput::SendWheel(WHEEL_DELTA);
    const RECT rcZoomed = {pt.x - 30, pt.y - 24, pt.x - 30 + 400, pt.y - 24 + 240};
    EXPECT_TRUE(Await("the pin at 200 %", [&] { return SameRect(rcZoomed, ScreenRectOf(hPin)); }))
        << Describe(ScreenRectOf(hPin));
    PointerAway();
    Picture zoomed;
    EXPECT_TRUE(Await("the zoomed picture without its border", [&] {
        zoomed = GrabScreen(rcZoomed);
        return CountDifferences(Doubled(pattern), zoomed) == 0;
    }));
    ExpectSamePicture(Doubled(pattern), zoomed, "zoomed");

    // Hiding the main window (F8, the tray) leaves the pin; the next
    // capture shows the pin as it shows any window, and the pin keeps its
    // own picture.
    ::PostMessageA(m_hMain, WM_COMMAND, kCmdShowHide, 0);
    ASSERT_TRUE(m_kapto.WaitVisible(false));
    EXPECT_TRUE(::IsWindowVisible(hPin));
    ASSERT_TRUE(ClearClipboard());
    ::PostMessageA(m_hMain, WM_COMMAND, kCmdFullScreen, 0);
    Picture screen;
    ASSERT_TRUE(WaitForClipboardPicture(screen));
    ExpectSamePicture(Doubled(pattern), screen.Crop(rcZoomed), "in the capture");
    ExpectSamePicture(Doubled(pattern), GrabScreen(rcZoomed), "after the capture");

    // Esc closes it.
    testinput::SendLeftClickAt(rcZoomed.left + 10, rcZoomed.top + 10);
    ASSERT_TRUE(WaitForFocus(m_kapto, hPin));
    PressKeys({VK_ESCAPE});
    EXPECT_TRUE(Await("the pin to close", [&] { return !::IsWindow(hPin); }));
}

TEST_F(Pins, APastedImagesPinIsCopiedAndMarkedUpFromItsMenuAloneAndAllCloseTogether) {
    // Two pasted images, each pinned in the middle of the work area of the
    // monitor under the pointer.
    const Picture first = Bands(160, 100, 0), second = Bands(300, 200, 1);
    RECT rcWork;
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &rcWork, 0);
    HWND pins[2] = {};
    const Picture* pictures[2] = {&first, &second};
    for (int i = 0; i < 2; ++i) {
        const Picture view = ViewPicture(m_hMain);
        ASSERT_TRUE(PutOnClipboard(*pictures[i]));
        ::PostMessageA(m_hMain, WM_COMMAND, kCmdPaste, 0);
        ASSERT_TRUE(WaitForNewThumbnail(view));
        PointerAway();
        pins[i] = PinCurrentImage();
        ASSERT_NE(nullptr, pins[i]);
        const int cx = (rcWork.left + rcWork.right) / 2, cy = (rcWork.top + rcWork.bottom) / 2;
        const RECT rcCentred = {cx - pictures[i]->nWidth / 2, cy - pictures[i]->nHeight / 2,
                                cx - pictures[i]->nWidth / 2 + pictures[i]->nWidth,
                                cy - pictures[i]->nHeight / 2 + pictures[i]->nHeight};
        EXPECT_TRUE(SameRect(rcCentred, ScreenRectOf(pins[i]))) << Describe(ScreenRectOf(pins[i]));
    }
    // The second covers the first: it goes aside to leave both in sight.
    const POINT ptMiddle = {(rcWork.left + rcWork.right) / 2, (rcWork.top + rcWork.bottom) / 2};
    RECT rcAside = ScreenRectOf(pins[1]);
    ::OffsetRect(&rcAside, 400, 0);
    Drag(ptMiddle, {ptMiddle.x + 400, ptMiddle.y});
    ASSERT_TRUE(Await("the second pin moved aside", [&] { return SameRect(rcAside, ScreenRectOf(pins[1])); }));

    // 复制 on the first pin's menu puts its own picture on the clipboard.
    ASSERT_TRUE(ClearClipboard());
    ASSERT_TRUE(ChooseFromMenu(pins[0], 1));
    Picture copied;
    ASSERT_TRUE(WaitForClipboardPicture(copied));
    ExpectSamePicture(first, copied, "copied from its menu");

    // 标注... on it: a rectangle drawn and 完成 change that pin alone.
    ASSERT_TRUE(ChooseFromMenu(pins[0], 3));
    HWND hMarkup = WaitForKaptoWindow(m_kapto, "标注图像");
    ASSERT_NE(nullptr, hMarkup);
    const RECT rcCanvas = ScreenRectOf(::GetDlgItem(hMarkup, 4101));
    ::SendMessageA(hMarkup, WM_COMMAND, kMarkupRect, 0);
    Drag({rcCanvas.left + 20, rcCanvas.top + 20}, {rcCanvas.left + 80, rcCanvas.top + 60});
    kaptotest::PumpFor(200);
    ClickControl(hMarkup, IDOK);
    ASSERT_TRUE(Await("the markup window to close", [&] { return !::IsWindow(hMarkup); }));
    PointerAway();
    const RECT rcFirst = ScreenRectOf(pins[0]), rcSecond = ScreenRectOf(pins[1]);
    EXPECT_TRUE(Await("the marked pin", [&] { return CountDifferences(first, GrabScreen(rcFirst)) > 0; }));
    EXPECT_EQ(160, rcFirst.right - rcFirst.left);
    ExpectSamePicture(second, GrabScreen(rcSecond), "the other pin");
    ASSERT_TRUE(ClearClipboard());
    ClickControl(m_hMain, ids::kCopy);
    ASSERT_TRUE(WaitForClipboardPicture(copied));
    ExpectSamePicture(second, copied, "the current image");

    // 关闭全部钉图 on a pin's menu closes every pin.
    ::PostMessageA(pins[0], WM_COMMAND, kPinCloseAll, 0);
    EXPECT_TRUE(Await("every pin closed", [&] { return PinWindows().empty(); }));
}

}  // namespace
