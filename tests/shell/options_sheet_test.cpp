// The options sheet on the program's own page templates: what it shows,
// what it refuses, and what reaches the configuration. A thread timer, run
// by the sheet's loop and by the message boxes' loops, plays the user one
// step per tick and closes every message box, remembering its text.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/resources.h"
#include "framework/wnd.h"
#include "options_sheet.h"
#include "res/resource.h"
#include "user_script.h"

namespace {

const char kSheetTitle[] = "参数设置";

using shelltest::UserScript;

HWND Page(HWND hSheet) { return PropSheet_GetCurrentPageHwnd(hSheet); }
int PageIndex(HWND hSheet) { return (int)PropSheet_HwndToIndex(hSheet, Page(hSheet)); }
void SetText(HWND hSheet, int nID, const char* psz) { ::SetDlgItemTextA(Page(hSheet), nID, psz); }
void PressOk(HWND hSheet) { ::PostMessageA(hSheet, WM_COMMAND, IDOK, 0); }
void PressCancel(HWND hSheet) { ::PostMessageA(hSheet, WM_COMMAND, IDCANCEL, 0); }
void ShowPage(HWND hSheet, int nPage) { PropSheet_SetCurSel(hSheet, nullptr, nPage); }
WORD HotkeyOf(HWND hSheet, int nID) { return (WORD)::SendDlgItemMessageA(Page(hSheet), nID, HKM_GETHOTKEY, 0, 0); }
void SetHotkey(HWND hSheet, int nID, BYTE vk, BYTE mod) {
    ::SendDlgItemMessageA(Page(hSheet), nID, HKM_SETHOTKEY, MAKEWORD(vk, mod), 0);
}

class OptionsSheetTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // The page templates come from the program itself.
        char path[MAX_PATH];
        DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
        std::string exe(path, n);
        exe = exe.substr(0, exe.rfind('\\') + 1) + "Kapto.exe";
        s_hKapto = ::LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        AfxSetResourceHandle(s_hKapto);
        INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES};
        ::InitCommonControlsEx(&icc);
    }
    void SetUp() override {
        ASSERT_NE(nullptr, s_hKapto);
        ASSERT_TRUE(m_main.CreateEx(WS_EX_TOPMOST, nullptr, "main", WS_POPUP | WS_VISIBLE | WS_CAPTION, 50, 50, 300,
                                    200, nullptr, nullptr));
    }
    void TearDown() override { m_main.DestroyWindow(); }
    INT_PTR Run(UserScript& script) {
        script.strTitle = kSheetTitle;
        INT_PTR nResult = shelltest::RunWithScript(script, [&] { return RunOptionsSheet(&m_main, m_config); });
        EXPECT_EQ(script.steps.size(), script.nNext) << "every step ran";
        return nResult;
    }
    BOOL IsTopmost() const { return (::GetWindowLongPtrA(m_main.m_hWnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

    static HMODULE s_hKapto;
    CWnd m_main;
    CKpConfig m_config;
};

HMODULE OptionsSheetTest::s_hKapto = nullptr;

// Every setting the sheet edits, as text, to compare configurations.
std::string Settings(CKpConfig& c) {
    char buf[512];
    wsprintfA(buf, "%d %d %d %u %d %d [%s] %d %d %d %d %d %d", c.GetPlaySnapSound(), c.GetHideMainWnd(),
              c.GetSnapOnStart(), c.GetSnapDelayTime(), c.GetKeepOnTop(), c.GetCapturePointer(),
              c.GetEditAppPath().GetString(), c.GetRotateAngle(), c.GetScaleFactor(), c.GetShearAcrossAmout(),
              c.GetShearDownAmout(), c.GetBlurFactor(), c.GetSharpenFactor());
    std::string s = buf;
    unsigned short m, v;
    for (auto get : {&CKpConfig::GetNewSnapHotkey, &CKpConfig::GetFullScreenHotkey, &CKpConfig::GetActiveWinHotkey,
                     &CKpConfig::GetCurrentWinHotkey, &CKpConfig::GetWinClientHotkey, &CKpConfig::GetWinObjHotkey,
                     &CKpConfig::GetSelectRectHotkey, &CKpConfig::GetShowHideHotkey}) {
        (c.*get)(m, v);
        wsprintfA(buf, " %u/%u", m, v);
        s += buf;
    }
    return s;
}

TEST_F(OptionsSheetTest, OpensOnTheImagePageAndCancelChangesNothing) {
    m_config.SetEditAppPath("C:\\ed.exe");
    std::string before = Settings(m_config);
    int nFirstPage = -1;
    char caption[64] = "";
    UserScript script;
    script.steps = {
        [&](HWND h) {
            nFirstPage = PageIndex(h);
            ::GetWindowTextA(h, caption, sizeof(caption));
            char path[MAX_PATH] = "";
            ::GetDlgItemTextA(Page(h), IDC_EDIT_APP_PATH, path, sizeof(path));
            EXPECT_STREQ("C:\\ed.exe", path);
            SetText(h, IDC_ROTATE_ANGLE, "10");
            SetText(h, IDC_EDIT_APP_PATH, "x.exe");
        },
        [](HWND h) { ShowPage(h, 0); },
        [](HWND h) {
            ::CheckDlgButton(Page(h), IDC_KEEP_ON_TOP, BST_UNCHECKED);
            ::CheckDlgButton(Page(h), IDC_CAPTURE_POINTER, BST_CHECKED);
            SetText(h, IDC_SNAP_DELAY_TIME, "7");
        },
        [](HWND h) { ShowPage(h, 2); },
        [](HWND h) { SetHotkey(h, IDC_HOTKEY_SHOW_HIDE, 'Q', HOTKEYF_ALT); },
        PressCancel,
    };
    EXPECT_EQ(IDCANCEL, Run(script));
    EXPECT_EQ(1, nFirstPage);
    EXPECT_STREQ(kSheetTitle, caption);
    EXPECT_EQ(before, Settings(m_config));
    EXPECT_TRUE(IsTopmost());
    EXPECT_TRUE(script.boxes.empty());
}

TEST_F(OptionsSheetTest, TheCloseBoxIsACancel) {
    std::string before = Settings(m_config);
    UserScript script;
    script.steps = {
        [](HWND h) { SetText(h, IDC_ROTATE_ANGLE, "12"); },
        [](HWND h) { ::PostMessageA(h, WM_SYSCOMMAND, SC_CLOSE, 0); },
    };
    EXPECT_EQ(IDCANCEL, Run(script));
    EXPECT_EQ(before, Settings(m_config));
}

TEST_F(OptionsSheetTest, RangesRefuseWithTheFrameworksMessageAndKeepThePage) {
    const struct {
        const char* label;
        int nPage;
        int nField;
        const char* pszRefused;
        const char* pszAccepted;
        const char* pszMessage;
    } cases[] = {
        {"delay", 0, IDC_SNAP_DELAY_TIME, "15001", "15000", "请输入一个介于 0 和 15000 之间的整数。"},
        {"negative delay", 0, IDC_SNAP_DELAY_TIME, "-1", "0", "请输入一个整数。"},
        {"angle", 1, IDC_ROTATE_ANGLE, "361", "360", "请输入一个介于 -360 和 360 之间的整数。"},
        {"negative angle", 1, IDC_ROTATE_ANGLE, "-361", "-360", "请输入一个介于 -360 和 360 之间的整数。"},
        {"not a number", 1, IDC_BLUR_FACTOR, "abc", "-7", "请输入一个整数。"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        CKpConfig fresh;
        m_config = fresh;
        int nPageAfter = -1;
        int nFocusAfter = 0;
        UserScript script;
        script.steps = {
            [&](HWND h) { ShowPage(h, c.nPage); },
            [&](HWND h) { SetText(h, c.nField, c.pszRefused); },
            PressOk,
            [&](HWND h) {
                nPageAfter = PageIndex(h);
                nFocusAfter = ::GetDlgCtrlID(::GetFocus());
                SetText(h, c.nField, c.pszAccepted);
            },
            PressOk,
        };
        EXPECT_EQ(IDOK, Run(script));
        ASSERT_EQ(1u, script.boxes.size());
        EXPECT_EQ(c.pszMessage, script.boxes[0]);
        EXPECT_EQ(c.nPage, nPageAfter);
        EXPECT_EQ(c.nField, nFocusAfter);
        int nStored = c.nField == IDC_SNAP_DELAY_TIME ? (int)m_config.GetSnapDelayTime()
                      : c.nField == IDC_ROTATE_ANGLE  ? m_config.GetRotateAngle()
                                                      : m_config.GetBlurFactor();
        EXPECT_EQ(atoi(c.pszAccepted), nStored);
    }
}

TEST_F(OptionsSheetTest, PathWithAngleBracketsIsRefusedUntilCorrected) {
    m_config.SetEditAppPath("mspaint.exe");
    int nFocusAfter = 0;
    UserScript script;
    script.steps = {
        [](HWND h) { SetText(h, IDC_EDIT_APP_PATH, "C:\\a<b.exe"); },
        PressOk,
        [&](HWND h) {
            nFocusAfter = ::GetDlgCtrlID(::GetFocus());
            SetText(h, IDC_EDIT_APP_PATH, "C:\\tools\\a>.exe");
        },
        PressOk,
        PressCancel,
    };
    EXPECT_EQ(IDCANCEL, Run(script));
    ASSERT_EQ(2u, script.boxes.size());
    EXPECT_EQ("图像编辑程序的路径中不能含有字符 < 或 >，请重新输入。", script.boxes[0]);
    EXPECT_EQ(script.boxes[0], script.boxes[1]);
    EXPECT_EQ(IDC_EDIT_APP_PATH, nFocusAfter);
    EXPECT_STREQ("mspaint.exe", m_config.GetEditAppPath());
}

TEST_F(OptionsSheetTest, PrintScreenShowsAsF1AndF1IsStoredAsPrintScreen) {
    m_config.SetNewSnapHotkey(0, VK_SNAPSHOT);
    m_config.SetFullScreenHotkey(HOTKEYF_CONTROL, VK_SNAPSHOT);
    WORD wNewSnap = 0, wFullScreen = 0, wActive = 0;
    UserScript script;
    script.steps = {
        [](HWND h) { ShowPage(h, 2); },
        [&](HWND h) {
            wNewSnap = HotkeyOf(h, IDC_HOTKEY_NEW_SNAP);
            wFullScreen = HotkeyOf(h, IDC_HOTKEY_FULL_SCREEN);
            wActive = HotkeyOf(h, IDC_HOTKEY_ACTIVE_WIN);
            SetHotkey(h, IDC_HOTKEY_SELECT_RECT, VK_F1, HOTKEYF_SHIFT);
            SetHotkey(h, IDC_HOTKEY_SHOW_HIDE, 'K', HOTKEYF_ALT);
            SetHotkey(h, IDC_HOTKEY_WIN_OBJ, 0, 0);
            // Modifiers alone are no key: the scrolling capture's stays unset.
            SetHotkey(h, IDC_HOTKEY_SCROLL, 0, HOTKEYF_CONTROL);
        },
        PressOk,
    };
    EXPECT_EQ(IDOK, Run(script));
    EXPECT_EQ(MAKEWORD(VK_F1, 0), wNewSnap);
    EXPECT_EQ(MAKEWORD(VK_F1, HOTKEYF_CONTROL), wFullScreen);
    EXPECT_EQ(MAKEWORD(VK_F3, 0), wActive);
    const struct {
        void (CKpConfig::*get)(unsigned short&, unsigned short&);
        unsigned short wModifier, wVk;
    } expected[] = {
        {&CKpConfig::GetNewSnapHotkey, 0, VK_SNAPSHOT},
        {&CKpConfig::GetFullScreenHotkey, HOTKEYF_CONTROL, VK_SNAPSHOT},
        {&CKpConfig::GetActiveWinHotkey, 0, VK_F3},
        {&CKpConfig::GetWinObjHotkey, 0, 0},
        {&CKpConfig::GetSelectRectHotkey, HOTKEYF_SHIFT, VK_SNAPSHOT},
        {&CKpConfig::GetShowHideHotkey, HOTKEYF_ALT, 'K'},
        {&CKpConfig::GetScrollSnapHotkey, 0, 0},
    };
    for (const auto& e : expected) {
        unsigned short m = 99, v = 99;
        (m_config.*e.get)(m, v);
        EXPECT_EQ(e.wModifier, m);
        EXPECT_EQ(e.wVk, v);
    }
}

TEST_F(OptionsSheetTest, PagesNeverShownHandTheirValuesBackExactly) {
    // Out of range and F1 themselves: only a page that ran its exchange
    // could have changed them.
    m_config.SetSnapDelayTime(99999);
    m_config.SetShowHideHotkey(HOTKEYF_EXT, VK_F1);
    m_config.SetKeepOnTop(0);
    ::SetWindowPos(m_main.m_hWnd, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
    std::string before = Settings(m_config);
    UserScript script;
    script.steps = {PressOk};
    EXPECT_EQ(IDOK, Run(script));
    EXPECT_EQ(before, Settings(m_config));
    EXPECT_FALSE(IsTopmost());
}

// What a hand-edited settings file may hold, in a checked build: the pages
// show it within their ranges and OK takes it.
TEST_F(OptionsSheetTest, ValuesOutOfRangeShowWithinRangeAndOkTakesThem) {
    m_config.SetPlaySnapSound(3);
    m_config.SetHideMainWnd(-1);
    m_config.SetCapturePointer(2);
    m_config.SetSnapDelayTime(99999);
    m_config.SetRotateAngle(725);
    UserScript script;
    script.steps = {[](HWND h) { ShowPage(h, 0); }, [](HWND h) { ShowPage(h, 2); }, PressOk};
    EXPECT_EQ(IDOK, Run(script));
    EXPECT_TRUE(script.boxes.empty()) << script.boxes.front();
    EXPECT_EQ(1, m_config.GetPlaySnapSound());
    EXPECT_EQ(1, m_config.GetHideMainWnd());
    EXPECT_EQ(1, m_config.GetCapturePointer());
    EXPECT_EQ(15000u, m_config.GetSnapDelayTime());
    EXPECT_EQ(5, m_config.GetRotateAngle());
}

// The general page's boxes show the stored settings and store what the user
// checked; keep-on-top takes effect at once.
TEST_F(OptionsSheetTest, GeneralBoxesShowAndStoreTheSettingsAndKeepOnTopTakesEffectAtOnce) {
    for (BOOL bKeep : {FALSE, TRUE}) {
        SCOPED_TRACE(bKeep);
        m_config.SetKeepOnTop(!bKeep);
        m_config.SetCapturePointer(bKeep);
        BOOL bShown = bKeep, bPointerShown = !bKeep;
        UserScript script;
        script.steps = {
            [](HWND h) { ShowPage(h, 0); },
            [&](HWND h) {
                bShown = ::IsDlgButtonChecked(Page(h), IDC_KEEP_ON_TOP);
                bPointerShown = ::IsDlgButtonChecked(Page(h), IDC_CAPTURE_POINTER);
                ::CheckDlgButton(Page(h), IDC_KEEP_ON_TOP, bKeep ? BST_CHECKED : BST_UNCHECKED);
                ::CheckDlgButton(Page(h), IDC_CAPTURE_POINTER, bKeep ? BST_UNCHECKED : BST_CHECKED);
            },
            PressOk,
        };
        EXPECT_EQ(IDOK, Run(script));
        EXPECT_EQ(!bKeep, bShown) << "the box shows the stored setting";
        EXPECT_EQ(bKeep, bPointerShown);
        EXPECT_EQ(bKeep, m_config.GetKeepOnTop());
        EXPECT_EQ(!bKeep, m_config.GetCapturePointer());
        EXPECT_EQ(bKeep, IsTopmost());
    }
}

TEST_F(OptionsSheetTest, OwnerIsDisabledWhileTheSheetIsOpen) {
    BOOL bEnabledDuring = TRUE;
    UserScript script;
    script.steps = {[&](HWND h) {
        bEnabledDuring = ::IsWindowEnabled(m_main.m_hWnd);
        PressCancel(h);
    }};
    EXPECT_EQ(IDCANCEL, Run(script));
    EXPECT_FALSE(bEnabledDuring);
    EXPECT_TRUE(::IsWindowEnabled(m_main.m_hWnd));
}

}  // namespace
