// Every capture mode as a person uses it: the mode picked in the capture-type
// box and started with the New capture button, the chooser worked with the
// keyboard, the object picked with the mouse; the picture checked on the
// clipboard against what the screen showed. The main window hides during a
// capture, as it does by default.
#include "e2e/e2e_support.h"

namespace {

using namespace e2e;

class CaptureModes : public Scenario {
protected:
    // Kapto with automatic copying on, so each capture lands on the clipboard.
    void SetUp() override {
        Scenario::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_TRUE(StartKapto([](CKpConfig& c) { c.SetAutoCopy(1); }));
        m_hMain = m_kapto.Main();
    }

    // Starts capture mode nMode from the main window; the view as it was.
    Picture StartCapture(int nMode) {
        Picture view = ViewPicture(m_hMain);
        EXPECT_TRUE(ChooseSnapType(m_hMain, nMode)) << "the capture-type box did not take mode " << nMode;
        ClickControl(m_hMain, ids::kNewSnap);
        return view;
    }

    // The clipboard's picture once the capture has come back to the view.
    Picture CapturedPicture(const Picture& viewBefore) {
        EXPECT_TRUE(WaitForNewThumbnail(viewBefore));
        Picture copied;
        EXPECT_TRUE(WaitForClipboardPicture(copied));
        return copied;
    }

    // The active-window chooser: the item titled strTitle clicked (which
    // brings its window to the front, under the chooser), then OK.
    void ChooseInChooser(const std::string& strTitle) {
        HWND hChooser = WaitForKaptoWindow(m_kapto, "活动程序窗口");
        ASSERT_NE(nullptr, hChooser) << "no chooser";
        HWND hList = ::GetDlgItem(hChooser, 4000);
        int nItem = (int)::SendMessageA(hList, LB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)strTitle.c_str());
        ASSERT_GE(nItem, 0) << "the chooser does not list the window";
        int nHeight = (int)::SendMessageA(hList, LB_GETITEMHEIGHT, 0, 0);
        int nTop = (int)::SendMessageA(hList, LB_GETTOPINDEX, 0, 0);
        POINT pt = {10, (nItem - nTop) * nHeight + nHeight / 2};
        ::ClientToScreen(hList, &pt);
        testinput::SendLeftClickAt(pt.x, pt.y);
        ASSERT_TRUE(WaitFor([&] { return ::SendMessageA(hList, LB_GETCURSEL, 0, 0) == nItem; }, 3000));
        ClickControl(hChooser, IDOK);
    }

    // The picture's part that shows the target's client area, when the
    // picture's origin is at the screen point ptOrigin.
    Picture TargetClientIn(const Picture& picture, POINT ptOrigin) {
        RECT rc = m_target.ClientRect();
        ::OffsetRect(&rc, -ptOrigin.x, -ptOrigin.y);
        return picture.Crop(rc);
    }

    HWND m_hMain = nullptr;
};

int Width(const RECT& rc) { return rc.right - rc.left; }
int Height(const RECT& rc) { return rc.bottom - rc.top; }

TEST_F(CaptureModes, WholeScreenThenTheCopyButton) {
    const Picture pattern = GrabScreen(m_target.ClientRect());
    Picture view = StartCapture(0);
    Picture copied = CapturedPicture(view);
    EXPECT_EQ(::GetSystemMetrics(SM_CXSCREEN), copied.nWidth);
    EXPECT_EQ(::GetSystemMetrics(SM_CYSCREEN), copied.nHeight);
    ExpectSamePicture(pattern, TargetClientIn(copied, {0, 0}), "pattern");
    // Kapto was hidden for the capture, and is back.
    EXPECT_TRUE(::IsWindowVisible(m_hMain));

    // The Copy button puts the same picture there again.
    ASSERT_TRUE(ClearClipboard());
    ClickControl(m_hMain, ids::kCopy);
    Picture again;
    EXPECT_TRUE(WaitForClipboardPicture(again));
    ExpectSamePicture(copied, again, "copied again");
}

TEST_F(CaptureModes, ActiveWindowChosenFromTheList) {
    const Picture pattern = GrabScreen(m_target.ClientRect());
    const RECT rcWindow = m_target.WindowRect();
    Picture view = StartCapture(1);
    ChooseInChooser(kTargetTitle);
    Picture copied = CapturedPicture(view);
    EXPECT_EQ(Width(rcWindow), copied.nWidth);
    EXPECT_EQ(Height(rcWindow), copied.nHeight);
    ExpectSamePicture(pattern, TargetClientIn(copied, {rcWindow.left, rcWindow.top}), "pattern");
    // The capture-type box shows the mode of the capture.
    EXPECT_EQ(1, ::SendDlgItemMessageA(m_hMain, ids::kSnapType, CB_GETCURSEL, 0, 0));
}

TEST_F(CaptureModes, CurrentWindowIsTheTopWindowUnderKapto) {
    ASSERT_TRUE(m_target.BringToFront());
    const Picture pattern = GrabScreen(m_target.ClientRect());
    const RECT rcWindow = m_target.WindowRect();
    Picture view = StartCapture(2);
    Picture copied = CapturedPicture(view);
    EXPECT_EQ(Width(rcWindow), copied.nWidth);
    EXPECT_EQ(Height(rcWindow), copied.nHeight);
    ExpectSamePicture(pattern, TargetClientIn(copied, {rcWindow.left, rcWindow.top}), "pattern");
}

TEST_F(CaptureModes, ClientAreaOfTheChosenWindowIsExactlyItsPattern) {
    const Picture pattern = GrabScreen(m_target.ClientRect());
    Picture view = StartCapture(3);
    ChooseInChooser(kTargetTitle);
    Picture copied = CapturedPicture(view);
    ExpectSamePicture(pattern, copied, "client area");
}

TEST_F(CaptureModes, ObjectUnderTheMouseIsTheButtonClicked) {
    const RECT rcButton = m_target.ChildRect(kButtonId);
    const Picture button = GrabScreen(rcButton);
    Picture view = StartCapture(4);
    // The mode is on once its tip takes messages (the mouse hook is in
    // place by then); then the mouse goes over the button and clicks it.
    HWND hTip = nullptr;
    ASSERT_TRUE(Await("the object capture's tip", [&] {
        hTip = kaptotest::FindProcessWindow(m_kapto.Pid(), [&](HWND h) {
            return h != m_hMain && ::IsWindowVisible(h) && kaptotest::ClassOf(h) == "#32770";
        });
        return hTip != nullptr;
    }));
    DWORD_PTR nResult = 0;
    ASSERT_TRUE(::SendMessageTimeoutA(hTip, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &nResult))
        << "waited 5000 ms for the tip to take messages";
    testinput::SendLeftClickAt((rcButton.left + rcButton.right) / 2, (rcButton.top + rcButton.bottom) / 2);
    Picture copied = CapturedPicture(view);
    // Exactly the button, and without the frame that marked it.
    ExpectSamePicture(button, copied, "button");
}

TEST_F(CaptureModes, RectangleDraggedAfterItsHotKeyIsExactlyTheDraggedPart) {
    const RECT rcClient = m_target.ClientRect();
    const Picture pattern = GrabScreen(rcClient);
    Picture view = ViewPicture(m_hMain);
    PressKeys({VK_F7});
    ASSERT_TRUE(AwaitRectangleOverlay(m_kapto, m_hMain));
    // From the pattern's top-left pixel to just past its bottom-right one.
    Drag({rcClient.left, rcClient.top}, {rcClient.right, rcClient.bottom});
    Picture copied = CapturedPicture(view);
    ExpectSamePicture(pattern, copied, "rectangle");
    EXPECT_EQ(5, ::SendDlgItemMessageA(m_hMain, ids::kSnapType, CB_GETCURSEL, 0, 0));
}

}  // namespace
