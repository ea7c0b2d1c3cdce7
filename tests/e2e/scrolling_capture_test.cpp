// The scrolling capture as a person uses it: started from the 捕捉 menu or
// its hot key, the window picked with a click, and the picture on the
// clipboard (automatic copying on) compared with what the window scrolls
// through: a tall picture of distinct rows under a fixed header, scrolled by
// its scroll bar or by the wheel, and a list box of numbered lines. Each
// window starts away from its top and must be back there afterwards.
#include "e2e/e2e_scroll_target.h"
#include "e2e/e2e_support.h"

#include <stdlib.h>

#include <algorithm>

namespace {

using namespace e2e;

const int kScrollCommand = 32884;
const int kClearCommand = 57632;
const DWORD kCaptureMs = 60000;

// e2e_scroll_target.exe showing one of its windows; closed with the object.
class ScrollTarget {
public:
    explicit ScrollTarget(const char* pszKind) {
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        std::string strCommand = "e2e_scroll_target.exe " + std::string(pszKind);
        std::string strExe = ExeDir() + "e2e_scroll_target.exe";
        if (::CreateProcessA(strExe.c_str(), &strCommand[0], nullptr, nullptr, FALSE, 0, nullptr, ExeDir().c_str(), &si,
                             &m_pi))
            WaitFor([this] { return ::IsWindowVisible(m_hWnd = ::FindWindowA(kScrollTargetClass, nullptr)); });
    }
    ~ScrollTarget() {
        if (m_hWnd != nullptr) ::PostMessageA(m_hWnd, WM_CLOSE, 0, 0);
        if (m_pi.hProcess != nullptr) {
            if (::WaitForSingleObject(m_pi.hProcess, 5000) != WAIT_OBJECT_0) ::TerminateProcess(m_pi.hProcess, 1);
            ::CloseHandle(m_pi.hProcess);
            ::CloseHandle(m_pi.hThread);
        }
    }
    HWND Window() const { return m_hWnd; }

private:
    PROCESS_INFORMATION m_pi = {};
    HWND m_hWnd = nullptr;
};

class ScrollingCapture : public Scenario {
protected:
    void SetUp() override {
        Scenario::SetUp();
        if (HasFatalFailure()) return;
        // No delay: the pick's tip is in a corner, clear of the windows.
        ASSERT_TRUE(StartKapto([](CKpConfig& c) {
            c.SetAutoCopy(1);
            c.SetSnapDelayTime(0);
            c.SetScrollSnapHotkey(0, VK_F9);
        }));
        m_hMain = m_kapto.Main();
    }

    // Starts the capture with start(), picks hArea with a click in its
    // middle once the pick is on, and returns the clipboard's picture.
    Picture Capture(HWND hArea, const std::function<void()>& start) {
        // The view shows the placeholder: the same picture captured again
        // is a new thumbnail all the same.
        ::SendMessageA(m_hMain, WM_COMMAND, kClearCommand, 0);
        Picture view = ViewPicture(m_hMain);
        EXPECT_TRUE(ClearClipboard());
        start();
        HWND hTip = nullptr;
        EXPECT_TRUE(Await("the pick's tip", [&] {
            hTip = kaptotest::FindProcessWindow(m_kapto.Pid(), [&](HWND h) {
                return h != m_hMain && ::IsWindowVisible(h) && kaptotest::ClassOf(h) == "#32770";
            });
            return hTip != nullptr;
        }));
        DWORD_PTR nResult = 0;
        EXPECT_TRUE(::SendMessageTimeoutA(hTip, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &nResult));
        RECT rc = ScreenRectOf(hArea);
        testinput::SendLeftClickAt((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
        Picture copied;
        EXPECT_TRUE(WaitForNewThumbnail(view, kCaptureMs));
        EXPECT_TRUE(WaitForClipboardPicture(copied, kCaptureMs));
        return copied;
    }

    void FromTheMenu() { ::PostMessageA(m_hMain, WM_COMMAND, kScrollCommand, 0); }

    HWND m_hMain = nullptr;
};

Picture TallPicture() {
    Picture p;
    p.nWidth = kPictureWidth;
    p.nHeight = kPictureHeight;
    for (int y = 0; y < kPictureHeight; ++y)
        for (int x = 0; x < kPictureWidth; ++x)
            p.pixels.push_back(TallPixel(x, y));
    return p;
}

// The tall picture, once by its scroll bar (from the menu) and once by the
// wheel (by the hot key): exactly the picture, the header once, and each
// window scrolled back where it was. The capture-type box keeps its mode.
TEST_F(ScrollingCapture, TallPictureByScrollBarAndByWheel) {
    const Picture expected = TallPicture();
    const struct {
        const char* pszKind;
        bool bHotKey;
        int nStartPos;
    } kCases[] = {{"bar", false, kBarStartPos}, {"wheel", true, kWheelStartPos}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.pszKind);
        ScrollTarget target(c.pszKind);
        ASSERT_NE(nullptr, target.Window());
        Picture copied = Capture(target.Window(), [&] {
            if (c.bHotKey)
                PressKeys({VK_F9});
            else
                FromTheMenu();
        });
        ExpectSamePicture(expected, copied, c.pszKind);
        // Wine reads no scroll position of another program's window: the
        // scroll bar's window comes back by whole lines, the nearest there
        // is (Windows tells the position, and it comes back exactly).
        const int nPos = (int)::SendMessageA(target.Window(), kGetScrollPosMessage, 0, 0);
        EXPECT_LE(std::abs(c.nStartPos - nPos), c.bHotKey ? 0 : kLinePixels / 2) << nPos;
    }
    EXPECT_EQ(0, ::SendDlgItemMessageA(m_hMain, ids::kSnapType, CB_GETCURSEL, 0, 0));
}

// One of Wine's own scrolling controls: every line once, none missing. What
// the list should look like is read from the list itself, a page at a time.
TEST_F(ScrollingCapture, ListBoxOfNumberedLines) {
    ScrollTarget target("list");
    ASSERT_NE(nullptr, target.Window());
    HWND hList = ::GetDlgItem(target.Window(), kListId);
    ASSERT_NE(nullptr, hList);
    RECT rcList = {};
    ::GetClientRect(hList, &rcList);
    ::MapWindowPoints(hList, nullptr, (POINT*)&rcList, 2);
    const int nLine = (int)::SendMessageA(hList, LB_GETITEMHEIGHT, 0, 0);
    const int nPage = (rcList.bottom - rcList.top) / nLine;
    ASSERT_GT(nPage, 2);

    Picture copied = Capture(hList, [&] { FromTheMenu(); });
    EXPECT_EQ(kListStartTop, ::SendMessageA(hList, LB_GETTOPINDEX, 0, 0));

    Picture expected;
    expected.nWidth = rcList.right - rcList.left;
    expected.nHeight = kListLines * nLine;
    for (int nTop = 0; nTop < kListLines; nTop += nPage) {
        ::SendMessageA(hList, LB_SETTOPINDEX, nTop, 0);
        // On the screen once two grabs in a row agree.
        Picture page = GrabScreen(rcList), again;
        while (CountDifferences(page, again = (kaptotest::PumpFor(30), GrabScreen(rcList))) != 0)
            page = again;
        const int nRows = std::min(nPage, kListLines - nTop) * nLine;
        const int nFrom = (nTop - (int)::SendMessageA(hList, LB_GETTOPINDEX, 0, 0)) * nLine;
        for (int y = 0; y < nRows; ++y) {
            const UINT* pRow = &page.pixels[(size_t)(nFrom + y) * page.nWidth];
            expected.pixels.insert(expected.pixels.end(), pRow, pRow + page.nWidth);
        }
    }
    ExpectSamePicture(expected, copied, "list");
}

}  // namespace
