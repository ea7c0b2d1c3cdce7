// Pictures of the real Kapto.exe at work, for a person who has no display to
// watch it on and for the README: the main window after a capture, the
// markup window with its marks (one of each tool) and their result, the
// options sheet's hot-key and automatic-saving pages, the recent captures
// after three captures, the rectangle overlay in the middle of a drag, and a
// pinned picture over another program (moved, zoomed, its menu, half
// see-through). tools/make-screenshots runs this program; the pictures go to
// the folder KAPTO_TOUR_DIR names (a Unix path).
#include "e2e/e2e_support.h"

#include <prsht.h>
#include <stdlib.h>

#include "support/temp_files.h"
#include "support/unix_side.h"

namespace {

using namespace e2e;

const UINT kCmdOptions = 32830, kCmdRecent = 32885, kCmdPin = 32883, kCmdShowHide = 32799;
const UINT kCmdMarkup = 32870;
const int kMarkupCanvas = 4101;
const UINT kMarkupArrow = 32871, kMarkupLine = 32872, kMarkupRect = 32873, kMarkupEllipse = 32874,
           kMarkupHighlighter = 32876, kMarkupText = 32877, kMarkupMosaic = 32878, kMarkupNumber = 32879,
           kMarkupCover = 32882, kMarkupBlack = 32896, kMarkupRed = 32890;

class Tour : public Scenario {};

TEST_F(Tour, ThePicturesOfTheReadme) {
    const char* pszDir = getenv("KAPTO_TOUR_DIR");
    ASSERT_NE(nullptr, pszDir) << "KAPTO_TOUR_DIR names no folder";
    const std::string strDir = kptest::FromUnix(pszDir) + "\\";
    // Every capture saved into a folder of the tour's own.
    const std::string strSaved = kptest::NamedTempDir("kapto-tour-saved");
    ASSERT_TRUE(StartKapto([&](CKpConfig& c) {
        c.SetAutoSave(1);
        c.SetAutoSaveFolder(strSaved.substr(0, strSaved.size() - 1).c_str());
    }));
    const HWND hMain = m_kapto.Main();

    // The whole screen, with the pattern window on it, in the thumbnail.
    Picture view = ViewPicture(hMain);
    ClickControl(hMain, ids::kNewSnap);
    ASSERT_TRUE(WaitForNewThumbnail(view));
    kaptotest::PumpFor(300);
    EXPECT_TRUE(SavePng(GrabScreen(ScreenRectOf(hMain)), strDir + "main-window.png"));

    // The hot keys on the options sheet.
    ::PostMessageA(hMain, WM_COMMAND, kCmdOptions, 0);
    HWND hSheet = WaitForKaptoWindow(m_kapto, "参数设置");
    ASSERT_NE(nullptr, hSheet);
    ::SendMessageA(hSheet, PSM_SETCURSEL, 2, 0);
    kaptotest::PumpFor(500);
    EXPECT_TRUE(SavePng(GrabScreen(ScreenRectOf(hSheet)), strDir + "options-hotkeys.png"));
    ::SendMessageA(hSheet, PSM_SETCURSEL, 3, 0);
    kaptotest::PumpFor(500);
    EXPECT_TRUE(SavePng(GrabScreen(ScreenRectOf(hSheet)), strDir + "options-autosave.png"));
    ClickControl(hSheet, IDCANCEL);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindow(hSheet); }));

    // Two more captures of a changed screen, then the recent captures.
    ColourPatch patch;
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(patch.Next());
        view = ViewPicture(hMain);
        ClickControl(hMain, ids::kNewSnap);
        ASSERT_TRUE(WaitForNewThumbnail(view));
    }
    ::PostMessageA(hMain, WM_COMMAND, kCmdRecent, 0);
    HWND hRecent = WaitForKaptoWindow(m_kapto, "最近的截图");
    ASSERT_NE(nullptr, hRecent);
    kaptotest::PumpFor(1500);
    EXPECT_TRUE(SavePng(GrabScreen(ScreenRectOf(hRecent)), strDir + "recent-captures.png"));
    ::PostMessageA(hRecent, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindow(hRecent); }));

    // F7, then a drag over the frozen screen, pictured before the release.
    view = ViewPicture(hMain);
    PressKeys({VK_F7});
    ASSERT_TRUE(m_kapto.WaitVisible(false));
    ASSERT_TRUE(AwaitRectangleOverlay(m_kapto, hMain));
    const RECT rc = m_target.ClientRect();
    const POINT ptFrom = {rc.left + 40, rc.top + 30};
    const POINT ptTo = {rc.right + 160, rc.bottom + 90};
    testinput::PlaceCursorAt(ptFrom.x, ptFrom.y);
    testinput::SendButton(MOUSEEVENTF_LEFTDOWN);
    for (int i = 1; i <= 8; ++i) {
        testinput::SendMoveTo(ptFrom.x + (ptTo.x - ptFrom.x) * i / 8, ptFrom.y + (ptTo.y - ptFrom.y) * i / 8);
        kaptotest::PumpFor(60);
    }
    kaptotest::PumpFor(500);
    EXPECT_TRUE(SavePng(GrabWholeScreen(), strDir + "rectangle-overlay.png"));
    testinput::SendButton(MOUSEEVENTF_LEFTUP);
    EXPECT_TRUE(WaitForNewThumbnail(view));

    // The markup window with one mark of each kind, and its result in the thumbnail.
    ::PostMessageA(hMain, WM_COMMAND, kCmdMarkup, 0);
    HWND hMarkup = WaitForKaptoWindow(m_kapto, "标注图像");
    ASSERT_NE(nullptr, hMarkup);
    kaptotest::PumpFor(500);
    const RECT rcCanvas = ScreenRectOf(::GetDlgItem(hMarkup, kMarkupCanvas));
    auto at = [&](int x, int y) { return POINT{rcCanvas.left + x, rcCanvas.top + y}; };
    struct Mark {
        UINT nTool;
        POINT from, to;
    } marks[] = {
        {kMarkupRect, at(20, 20), at(200, 110)},    {kMarkupArrow, at(330, 230), at(205, 112)},
        {kMarkupEllipse, at(230, 20), at(360, 80)}, {kMarkupHighlighter, at(30, 150), at(200, 150)},
        {kMarkupMosaic, at(30, 180), at(180, 230)}, {kMarkupNumber, at(15, 15), at(15, 15)},
        {kMarkupNumber, at(225, 15), at(225, 15)},  {kMarkupLine, at(20, 260), at(300, 260)},
        {kMarkupCover, at(133, 154), at(222, 179)},
    };
    for (const Mark& m : marks) {
        ::SendMessageA(hMarkup, WM_COMMAND, m.nTool, 0);
        // The cover in black, as over a line of text.
        ::SendMessageA(hMarkup, WM_COMMAND, m.nTool == kMarkupCover ? kMarkupBlack : kMarkupRed, 0);
        Drag(m.from, m.to);
        kaptotest::PumpFor(200);
    }
    ::SendMessageA(hMarkup, WM_COMMAND, kMarkupRed, 0);
    ::SendMessageA(hMarkup, WM_COMMAND, kMarkupText, 0);
    const POINT ptText = at(220, 125);
    testinput::SendLeftClickAt(ptText.x, ptText.y);
    kaptotest::PumpFor(400);
    HWND hEdit = ::FindWindowExA(::GetDlgItem(hMarkup, kMarkupCanvas), nullptr, "Edit", nullptr);
    if (hEdit != nullptr) ::SendMessageA(hEdit, WM_SETTEXT, 0, (LPARAM) "点这里保存");
    kaptotest::PumpFor(300);
    EXPECT_TRUE(SavePng(GrabScreen(ScreenRectOf(hMarkup)), strDir + "markup-window.png"));
    PressKeys({VK_RETURN});
    kaptotest::PumpFor(300);
    PressKeys({VK_RETURN});
    ASSERT_TRUE(WaitFor([&] { return !::IsWindow(hMarkup); }));
    kaptotest::PumpFor(500);
    EXPECT_TRUE(SavePng(GrabScreen(ScreenRectOf(hMain)), strDir + "markup-result.png"));

    // A part of the other program's window pinned and dragged over it, the
    // main window hidden; then zoomed, its menu, and made see-through.
    view = ViewPicture(hMain);
    PressKeys({VK_F7});
    ASSERT_TRUE(AwaitRectangleOverlay(m_kapto, hMain));
    const RECT rcBars = {rc.left, rc.top, rc.left + 200, rc.top + 90};
    Drag({rcBars.left, rcBars.top}, {rcBars.right, rcBars.bottom});
    EXPECT_TRUE(WaitForNewThumbnail(view));
    ::PostMessageA(hMain, WM_COMMAND, kCmdPin, 0);
    HWND hPin = WaitForKaptoWindow(m_kapto, "Kapto 钉图");
    ASSERT_NE(nullptr, hPin);
    ::PostMessageA(hMain, WM_COMMAND, kCmdShowHide, 0);
    ASSERT_TRUE(m_kapto.WaitVisible(false));
    Drag({rcBars.left + 100, rcBars.top + 45}, {rcBars.left + 230, rcBars.top + 205});
    testinput::PlaceCursorAt(rcBars.left + 232, rcBars.top + 206);  // the pointer over it: its border
    kaptotest::PumpFor(600);
    const RECT rcScene = {0, 0, 640, 480};
    EXPECT_TRUE(SavePng(GrabScreen({0, 0, 400, 320}), strDir + "pin.png"));
    for (int i = 0; i < 3; ++i)
        testinput::SendWheel(WHEEL_DELTA);
    kaptotest::PumpFor(600);
    EXPECT_TRUE(SavePng(GrabScreen(rcScene), strDir + "pin-zoomed.png"));
    testinput::SendClick(MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
    kaptotest::PumpFor(600);
    EXPECT_TRUE(SavePng(GrabScreen(rcScene), strDir + "pin-menu.png"));
    PressKeys({VK_ESCAPE});
    kaptotest::PumpFor(300);
    // The wheel goes where the keyboard does under Wine: a click there first.
    const RECT rcPin = ScreenRectOf(hPin);
    testinput::SendLeftClickAt(rcPin.left + 20, rcPin.top + 20);
    testinput::SendKeyEvent(VK_CONTROL, true);
    for (int i = 0; i < 5; ++i)
        testinput::SendWheel(-WHEEL_DELTA);
    testinput::SendKeyEvent(VK_CONTROL, false);
    kaptotest::PumpFor(600);
    // Wine without a compositing manager shows a layered window opaque:
    // the picture cannot show it, the window's attributes can.
    BYTE nAlpha = 0;
    ::GetLayeredWindowAttributes(hPin, nullptr, &nAlpha, nullptr);
    printf("the pin's opacity: %d of 255\n", nAlpha);
    EXPECT_TRUE(SavePng(GrabScreen(rcScene), strDir + "pin-see-through.png"));
    ::PostMessageA(hMain, WM_COMMAND, kCmdShowHide, 0);
    ASSERT_TRUE(m_kapto.WaitVisible(true));

    ASSERT_TRUE(ExitKapto());
}

}  // namespace
