// A long random session with the real program, through the input the other
// scenarios use: captures by hot key, commands, image options ticked, hiding
// and showing, the tray, dialogs opened and closed, the chooser, object
// capture and the rectangle overlay entered and left; in its second half the
// process is killed at random moments and started again. Throughout, Kapto
// stays alive and answers, no message box comes up, its memory (and, where
// the system counts them, GDI and USER objects) stays flat, and config.xml
// is always a whole file that loads.
//
// The session is chosen by a seed: KAPTO_SOAK_SEED=<number> repeats one.
#include "e2e/e2e_support.h"

#include <stdlib.h>

#include <random>

#include "app/res/resource.h"
#include "support/temp_files.h"

namespace {

using namespace e2e;

const unsigned kDefaultSeed = 20261207;
const DWORD kSessionMs = 80000;       // the random part; the warm-up, start and checks come on top
const DWORD kAnswerMs = 10000;        // Kapto answers a message within this, or hangs
const int kVariants = 5;              // the most any step has
const SIZE_T kMaxGrowth = 12u << 20;  // two whole-screen images and change

// config.xml as a store writes it: it loads, and what it loaded writes the
// same bytes again. A file cut short or mixed from two writes does not.
class SettingsFile : public CKpConfig {
public:
    static ::testing::AssertionResult Whole() {
        const std::string strPath = ExeDir() + "config.xml", strCopy = kptest::TempRoot() + "kapto-soak-config.xml";
        const std::string bytes = kptest::ReadBytes(strPath);
        SettingsFile file;
        if (!file.LoadConfigFrom(strPath.c_str()))
            return ::testing::AssertionFailure() << "config.xml does not load (" << bytes.size() << " bytes)";
        file.SaveConfigTo(strCopy.c_str());
        const std::string again = kptest::ReadBytes(strCopy);
        ::DeleteFileA(strCopy.c_str());
        if (again != bytes)
            return ::testing::AssertionFailure() << "config.xml is not a whole file (" << bytes.size()
                                                 << " bytes, a store writes " << again.size() << ")";
        return ::testing::AssertionSuccess();
    }
};

class Soak : public Scenario {
protected:
    void SetUp() override {
        Scenario::SetUp();
        if (HasFatalFailure()) return;
        // A bare key for the whole screen: under Wine a focus change can let go
        // of an injected Ctrl, and Print Screen alone opens the overlay (box's mode).
        ASSERT_TRUE(StartKapto([](CKpConfig& c) {
            c.SetSnapDelayTime(0);
            c.SetFullScreenHotkey(0, VK_F9);
        }));
        EXPECT_TRUE(m_patch.Next());
    }

    HWND Main() const { return m_kapto.Main(); }
    bool Visible() const { return ::IsWindowVisible(Main()) != FALSE; }

    // A visible window of Kapto's other than the main window for which
    // match() holds, waited for.
    HWND WaitForOther(const std::string& strWhat, const std::function<bool(HWND)>& match) {
        HWND hFound = nullptr;
        HWND hMain = Main();
        const DWORD nMs = 15000;
        bool bFound = WaitFor(
            [&] {
                hFound = kaptotest::FindProcessWindow(
                    m_kapto.Pid(), [&](HWND h) { return h != hMain && ::IsWindowVisible(h) && match(h); });
                return hFound != nullptr;
            },
            nMs);
        EXPECT_TRUE(bFound) << "waited " << nMs << " ms for " << strWhat;
        return hFound;
    }
    void AwaitGone(HWND hWnd, const char* pszWhat) {
        EXPECT_TRUE(Await(std::string(pszWhat) + " to close", [&] { return !::IsWindowVisible(hWnd); }));
    }
    // Where the keyboard is: the window in front, whose it is, and whether
    // the main window is shown.
    std::string DescribeFront() const {
        HWND hFront = ::GetForegroundWindow();
        DWORD nPid = 0;
        if (hFront != nullptr) ::GetWindowThreadProcessId(hFront, &nPid);
        return (hFront == nullptr ? "no window in front"
                                  : "in front: " + kaptotest::ClassOf(hFront) + " \"" + kaptotest::TextOf(hFront) +
                                        "\" of " + (nPid == m_kapto.Pid() ? "Kapto" : "another program")) +
               (Visible() ? "; the main window shown" : "; the main window hidden");
    }
    void AwaitShown() {
        EXPECT_TRUE(Await("the main window back", [&] { return Visible(); }));
    }

public:
    // ---- The steps (the session's table takes their addresses) ----

    void HotKeyCapture() {
        Picture view = ViewPicture(Main());
        EXPECT_TRUE(m_patch.Next());
        PressKeys({VK_F9});
        EXPECT_TRUE(WaitForNewThumbnail(view)) << DescribeFront();
        m_bImage = true;
    }
    void SentCommand() {
        static const UINT commands[] = {ID_EDIT_COPY, ID_EDIT_COPY_THUMB, ID_EDIT_PASTE, ID_EDIT_CLEAR,
                                        ID_SNAP_FULLSCREEN};
        UINT nId = commands[Pick(5)];
        DWORD_PTR nResult = 0;
        EXPECT_TRUE(::SendMessageTimeoutA(Main(), WM_COMMAND, nId, 0, SMTO_NORMAL, kAnswerMs, &nResult))
            << "command " << nId << " did not return within " << kAnswerMs << " ms";
        if (nId == ID_EDIT_CLEAR) m_bImage = false;
        if (nId == ID_SNAP_FULLSCREEN) m_bImage = true;
    }
    void ImageOption() {
        static const int boxes[] = {IDC_GRAYSCALE, IDC_NEGATE, IDC_FLIP_HORZ, IDC_FLIP_VERT};
        HWND hBox = ::GetDlgItem(Main(), boxes[Pick(4)]);
        LRESULT nWas = ::SendMessageA(hBox, BM_GETCHECK, 0, 0);
        ClickWindow(hBox);
        GUITHREADINFO info = {};
        info.cbSize = sizeof info;
        EXPECT_TRUE(Await(
            "an image option's box to change", [&] { return ::SendMessageA(hBox, BM_GETCHECK, 0, 0) != nWas; }, 5000))
            << "the box is " << ((::SendMessageA(hBox, BM_GETSTATE, 0, 0) & BST_PUSHED) ? "still pushed" : "not pushed")
            << (::GetGUIThreadInfo(::GetWindowThreadProcessId(hBox, nullptr), &info) && info.hwndFocus == hBox
                    ? " and has the focus"
                    : "")
            << (info.hwndCapture != nullptr ? " (a window of Kapto's holds the mouse)" : "");
    }
    void ShowHide() {
        const bool bTray = Pick(2) == 0;
        auto toggle = [&] { bTray ? TrayCallback(m_kapto, WM_LBUTTONDBLCLK) : (void)PressKeys({VK_F8}); };
        toggle();
        EXPECT_TRUE(Await(
            "the main window hidden", [&] { return !Visible(); }, 5000));
        toggle();
        AwaitShown();
    }
    void TrayMenu() {
        testinput::PlaceCursorAt(1200, 900);
        TrayCallback(m_kapto, WM_RBUTTONUP);
        HWND hMenu = nullptr;
        EXPECT_TRUE(Await(
            "the tray menu",
            [&] {
                hMenu = ::FindWindowA("#32768", nullptr);
                return hMenu != nullptr && ::IsWindowVisible(hMenu);
            },
            5000));
        PressKeys({VK_ESCAPE});
        if (hMenu != nullptr) AwaitGone(hMenu, "the tray menu");
    }
    void Dialog() {
        static const UINT commands[] = {ID_OPTIONS, ID_APP_ABOUT, ID_FILE_OPEN, ID_FILE_SAVE_AS};
        UINT nId = commands[Pick(m_bImage ? 4 : 3)];
        ::PostMessageA(Main(), WM_COMMAND, nId, 0);
        HWND hDialog = WaitForOther("the dialog of command " + std::to_string(nId),
                                    [](HWND h) { return kaptotest::ClassOf(h) == "#32770"; });
        if (hDialog == nullptr) return;
        // The options sheet is sometimes left with OK: the settings are
        // written then (or at exit).
        CloseWithKey(hDialog, nId == ID_OPTIONS && Pick(2) == 0 ? VK_RETURN : VK_ESCAPE);
    }
    // A dialog closed from the keyboard once it is in front (Esc in the main
    // window would end the program). A click on a button could be lost to a
    // dialog still filling its lists, which takes the mouse meanwhile.
    void CloseWithKey(HWND hDialog, WORD nKey) {
        EXPECT_TRUE(Await(
            "the dialog in front", [&] { return ::GetForegroundWindow() == hDialog; }, 5000));
        if (::GetForegroundWindow() != hDialog) return;
        PressKeys({nKey});
        AwaitGone(hDialog, "the dialog");
    }
    void Chooser() {
        PressKeys({Pick(2) == 0 ? (WORD)VK_F3 : (WORD)VK_F5});
        HWND hChooser = WaitForKaptoWindow(m_kapto, "活动程序窗口");
        EXPECT_NE(nullptr, hChooser) << "no chooser";
        if (hChooser == nullptr) return;
        CloseWithKey(hChooser, VK_ESCAPE);
        AwaitShown();
    }
    void ObjectCapture() {
        PressKeys({VK_F6});
        HWND hTip = WaitForOther("the object capture's tip", [](HWND h) { return kaptotest::ClassOf(h) == "#32770"; });
        if (hTip == nullptr) return;
        DWORD_PTR nResult = 0;
        ::SendMessageTimeoutA(hTip, WM_NULL, 0, 0, SMTO_NORMAL, kAnswerMs, &nResult);
        if (Pick(2) == 0)
            PressKeys({VK_ESCAPE});
        else
            testinput::SendClick(MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
        AwaitGone(hTip, "the object capture's tip");
        AwaitShown();
    }
    void RectangleOverlay() {
        Picture view = ViewPicture(Main());
        EXPECT_TRUE(m_patch.Next());
        PressKeys({VK_F7});
        HWND hOverlay = WaitForOther("the rectangle overlay", [](HWND h) {
            return ScreenRectOf(h).right - ScreenRectOf(h).left >= ::GetSystemMetrics(SM_CXSCREEN);
        });
        if (hOverlay == nullptr) return;
        DWORD_PTR nResult = 0;
        ::SendMessageTimeoutA(hOverlay, WM_NULL, 0, 0, SMTO_NORMAL, kAnswerMs, &nResult);
        if (Pick(2) == 0) {
            EXPECT_TRUE(Await(
                "the overlay in front", [&] { return ::GetForegroundWindow() == hOverlay; }, 5000));
            PressKeys({VK_ESCAPE});
            AwaitGone(hOverlay, "the overlay");
            AwaitShown();
        } else {
            Drag({ColourPatch::kRect.left + 10, ColourPatch::kRect.top + 10},
                 {ColourPatch::kRect.right - 10, ColourPatch::kRect.bottom - 10});
            EXPECT_TRUE(WaitForNewThumbnail(view));
            m_bImage = true;
        }
    }
    // Something started and the process killed before it is done: a
    // capture, a command that writes the settings, or an open dialog.
    void KillAndRestart() {
        switch (Pick(3)) {
            case 0:
                PressKeys({VK_F9});
                break;
            case 1:
                ClickControl(Main(), IDC_GRAYSCALE);
                break;
            default:
                ::PostMessageA(Main(), WM_COMMAND, ID_OPTIONS, 0);
                WaitForKaptoWindow(m_kapto, "参数设置", 5000);
                break;
        }
        kaptotest::PumpFor(Pick(300));
        ASSERT_TRUE(m_kapto.Kill()) << "Kapto could not be killed";
        EXPECT_TRUE(SettingsFile::Whole()) << "after the kill";
        ASSERT_TRUE(StartKaptoAsIs()) << "Kapto did not start again after the kill";
        ++m_nKills;
        m_bImage = false;
    }

protected:
    // ---- The session ----

    // The random choice among n, or the variant the warm-up asks for.
    int Pick(int n) { return m_nForced >= 0 ? m_nForced % n : (int)(m_random() % (unsigned)n); }

    // Kapto is there and answers, with nothing to tell.
    void ExpectAlive() {
        ASSERT_TRUE(m_kapto.Running()) << "Kapto is gone";
        ASSERT_TRUE(m_kapto.Answers(kAnswerMs)) << "Kapto did not answer within " << kAnswerMs << " ms";
        HWND hBox = kaptotest::FindProcessWindow(m_kapto.Pid(), [](HWND h) {
            return ::IsWindowVisible(h) && kaptotest::ClassOf(h) == "#32770" && ::GetDlgItem(h, 0xFFFF) != nullptr;
        });
        if (hBox != nullptr) ADD_FAILURE() << "a message box came up: " << AnswerMessageBox(m_kapto);
    }

    std::mt19937 m_random;
    ColourPatch m_patch;
    bool m_bImage = false;  // whether Kapto holds an image, so that Save as opens its dialog
    int m_nKills = 0;
    int m_nForced = -1;  // during the warm-up: the variant each step takes
};

TEST_F(Soak, ARandomSessionWithKillsKeepsKaptoAliveFlatAndItsSettingsWhole) {
    const char* pszSeed = getenv("KAPTO_SOAK_SEED");
    const unsigned nSeed = pszSeed != nullptr ? (unsigned)strtoul(pszSeed, nullptr, 10) : kDefaultSeed;
    m_random.seed(nSeed);
    printf("soak: seed %u (KAPTO_SOAK_SEED=%u repeats this session)\n", nSeed, nSeed);

    struct Step {
        const char* pszName;
        int nWeight;
        void (Soak::*pfn)();
    };
    const Step steps[] = {
        {"capture by hot key", 4, &Soak::HotKeyCapture},
        {"a command", 4, &Soak::SentCommand},
        {"an image option", 3, &Soak::ImageOption},
        {"hide and show", 2, &Soak::ShowHide},
        {"the tray menu", 1, &Soak::TrayMenu},
        {"a dialog", 3, &Soak::Dialog},
        {"the chooser", 2, &Soak::Chooser},
        {"object capture", 2, &Soak::ObjectCapture},
        {"the rectangle overlay", 2, &Soak::RectangleOverlay},
        {"a kill", 2, &Soak::KillAndRestart},
    };
    const int kKillStep = 9;
    int nTotalWeight = 0;
    for (const Step& s : steps)
        nTotalWeight += s.nWeight;

    // The steps run one after another, as a person does them, and the
    // session stops at the first failure: what is wrong then is said with the
    // seed and the step.
    int nSteps = 0;
    const char* pszLast = "the start";
    auto run = [&](int i, const char* pszPart) {
        SCOPED_TRACE("seed " + std::to_string(nSeed) + ", " + pszPart + " step " + std::to_string(nSteps) + ": " +
                     steps[i].pszName + " (after " + pszLast + ")");
        (this->*steps[i].pfn)();
        if (!HasFatalFailure()) ExpectAlive();
        pszLast = steps[i].pszName;
        ++nSteps;
        return !HasFailure();
    };

    // The warm-up: every step with each of its variants (each costs memory
    // once when first used: the file dialogs load the shell's views and
    // icons), in the same order whatever the machine's speed.
    const DWORD nStart = ::GetTickCount();
    for (m_nForced = 0; m_nForced < kVariants; ++m_nForced)
        for (int i = 0; i < kKillStep; ++i)
            if (!run(i, "warm-up")) return;
    m_nForced = -1;
    const Usage warm = UsageOf(m_kapto.Pid());

    // The random session; no kill in its first half (the life measured).
    const DWORD nSessionStart = ::GetTickCount();
    Usage firstLife;
    while (::GetTickCount() - nSessionStart < kSessionMs) {
        int n = Pick(nTotalWeight), i = 0;
        while (n >= steps[i].nWeight)
            n -= steps[i++].nWeight;
        const DWORD nElapsed = ::GetTickCount() - nSessionStart;
        // A slow machine takes fewer steps: a session without a kill gets one.
        if (m_nKills == 0 && nElapsed > kSessionMs * 3 / 4) i = kKillStep;
        if (i == kKillStep && m_nKills == 0) {
            if (nElapsed < kSessionMs / 2) continue;
            firstLife = UsageOf(m_kapto.Pid());
        }
        if (!run(i, "session")) return;
    }
    const DWORD nTook = ::GetTickCount() - nStart;
    const Usage end = UsageOf(m_kapto.Pid());
    if (m_nKills == 0) firstLife = end;
    printf(
        "soak: %d steps in %lu s (%.0f a minute), %d kills survived; private memory after the warm-up "
        "%lu KB, at the end of the first life %lu KB, at the end %lu KB\n",
        nSteps, nTook / 1000, nSteps * 60000.0 / nTook, m_nKills, (unsigned long)(warm.nPrivate / 1024),
        (unsigned long)(firstLife.nPrivate / 1024), (unsigned long)(end.nPrivate / 1024));
    ASSERT_GT(warm.nPrivate, 0u) << "the process's memory cannot be read";
    // The recent captures keep up to 30 by design, none larger than the screen.
    EXPECT_LT((long long)firstLife.nPrivate - (long long)warm.nPrivate,
              (long long)kMaxGrowth + kRecentCaptures * KeptCaptureBytes())
        << "seed " << nSeed << ": Kapto grew in its first life";
    if (warm.nGdi == 0) {
        printf("soak: GDI and USER objects are not counted per process here\n");
    } else {
        EXPECT_LE(firstLife.nGdi, warm.nGdi + 16) << "seed " << nSeed;
        EXPECT_LE(firstLife.nUser, warm.nUser + 16) << "seed " << nSeed;
    }

    ASSERT_TRUE(ExitKapto()) << "seed " << nSeed;
    EXPECT_TRUE(SettingsFile::Whole()) << "seed " << nSeed << ": after the exit";
}

}  // namespace
