// Pictures of the real Kapto.exe at work, for a person who has no display to
// watch it on and for the README: the main window after a capture, the
// options sheet's hot-key page, and the rectangle overlay in the middle of a
// drag. tools/make-screenshots runs this program; the pictures go to the
// folder KAPTO_TOUR_DIR names (a Unix path).
#include "e2e/e2e_support.h"

#include <prsht.h>
#include <stdlib.h>

#include "support/unix_side.h"

namespace {

using namespace e2e;

const UINT kCmdOptions = 32830;

class Tour : public Scenario {};

TEST_F(Tour, ThePicturesOfTheReadme) {
    const char* pszDir = getenv("KAPTO_TOUR_DIR");
    ASSERT_NE(nullptr, pszDir) << "KAPTO_TOUR_DIR names no folder";
    const std::string strDir = kptest::FromUnix(pszDir) + "\\";
    ASSERT_TRUE(StartKapto());
    const HWND hMain = m_kapto.Main();

    // The whole screen, with the pattern window on it, in the thumbnail.
    Picture view = ViewPicture(hMain);
    ClickControl(hMain, ids::kNewSnap);
    ASSERT_TRUE(WaitForNewThumbnail(view));
    kaptotest::PumpFor(300);
    EXPECT_TRUE(SavePng(GrabScreen(ScreenRectOf(hMain)), strDir + "main-window.png"));

    // The eight hot keys on the options sheet.
    ::PostMessageA(hMain, WM_COMMAND, kCmdOptions, 0);
    HWND hSheet = WaitForKaptoWindow(m_kapto, "参数设置");
    ASSERT_NE(nullptr, hSheet);
    ::SendMessageA(hSheet, PSM_SETCURSEL, 2, 0);
    kaptotest::PumpFor(500);
    EXPECT_TRUE(SavePng(GrabScreen(ScreenRectOf(hSheet)), strDir + "options-hotkeys.png"));
    ClickControl(hSheet, IDCANCEL);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindow(hSheet); }));

    // F7, then a drag over the frozen screen, pictured before the release.
    view = ViewPicture(hMain);
    PressKeys({VK_F7});
    ASSERT_TRUE(m_kapto.WaitVisible(false));
    kaptotest::PumpFor(800);
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
    ASSERT_TRUE(ExitKapto());
}

}  // namespace
