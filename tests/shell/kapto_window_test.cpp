// The main window on its own, in the test's process, where its menus can be
// read: start-up from the settings, the system menu and the About box, the
// idle pass's menu marks and buttons, the view's cursor and tooltip, and the
// exchange of the image options.
#include <gtest/gtest.h>

#include <functional>

#include "framework/app.h"
#include "kapto_dlg.h"
#include "kapto_process.h"
#include "res/resource.h"

namespace {

using namespace kaptotest;

// The main window, run modally as the program runs it; once it is up, a
// timer runs the test's script and ends it.
class ScriptedKaptoDlg : public CKaptoDlg {
public:
    std::function<void(ScriptedKaptoDlg&)> m_script;

    BOOL OnInitDialog() override {
        BOOL bResult = CKaptoDlg::OnInitDialog();
        SetTimer(kScriptTimer, 50);
        return bResult;
    }
    void OnTimer(UINT_PTR nIDEvent) {
        if (nIDEvent != kScriptTimer) return;
        KillTimer(kScriptTimer);
        if (m_script) m_script(*this);
        EndDialog(IDOK);
    }
    void RunIdlePass() { SendMessage(WM_KICKIDLE, MSGF_DIALOGBOX, 0); }

protected:
    static const UINT_PTR kScriptTimer = 77;
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(ScriptedKaptoDlg, CKaptoDlg)
    ON_WM_TIMER()
END_MESSAGE_MAP()

void RunScripted(const std::function<void(ScriptedKaptoDlg&)>& script) {
    ScriptedKaptoDlg dlg;
    dlg.m_script = script;
    AfxGetApp()->m_pMainWnd = &dlg;
    EXPECT_EQ(IDOK, dlg.DoModal());
    AfxGetApp()->m_pMainWnd = nullptr;
}

UINT StateAt(HMENU hMenu, int nPos) {
    MENUITEMINFOA mii = {};
    mii.cbSize = sizeof(mii);
    mii.fMask = MIIM_FTYPE | MIIM_STATE;
    ::GetMenuItemInfoA(hMenu, nPos, TRUE, &mii);
    return (mii.fState & (MFS_CHECKED | MFS_GRAYED)) | (mii.fType & MFT_RADIOCHECK);
}

// The positions of the Capture menu (2) that carry a mark.
std::string MarkedCaptureItems(HWND hMain) {
    HMENU hCapture = ::GetSubMenu(::GetMenu(hMain), 2);
    std::string marked;
    for (int i = 0; i < ::GetMenuItemCount(hCapture); ++i) {
        UINT state = StateAt(hCapture, i);
        if (state & MFS_CHECKED) marked += std::to_string(i) + ((state & MFT_RADIOCHECK) ? "r" : "c");
    }
    return marked;
}

TEST(KaptoWindowTest, StartsFromTheSettingsAndKeepsTheMenuMarksCurrent) {
    ConfigFileGuard guard;
    WriteSettings([](CKpConfig& c) {
        c.SetSnapMode(3);
        c.SetGrayScale(1);
        c.SetBlur(7);  // any non-zero number ticks the box
        c.SetKeepOnTop(0);
        c.SetAppName("\xb2\xe2\xca\xd4");  // 测试
    });
    RunScripted([](ScriptedKaptoDlg& dlg) {
        HWND h = dlg.m_hWnd;
        EXPECT_EQ("\xb2\xe2\xca\xd4", TextOf(h));
        EXPECT_EQ(3, (int)::SendDlgItemMessageA(h, IDC_SNAP_TYPE, CB_GETCURSEL, 0, 0));
        for (const CKaptoDlg::ImageOption& option : CKaptoDlg::kImageOptions) {
            bool bOn = option.nCheckBox == IDC_GRAYSCALE || option.nCheckBox == IDC_BLUR;
            EXPECT_EQ(bOn ? BST_CHECKED : BST_UNCHECKED, ::IsDlgButtonChecked(h, option.nCheckBox)) << option.nCheckBox;
        }
        EXPECT_FALSE(dlg.GetExStyle() & WS_EX_TOPMOST);
        EXPECT_TRUE(TrayHolds(h, IDR_TRAYMENU));

        // The idle pass: every push button has its handler (help's is the
        // application's), and the menus show the settings.
        dlg.RunIdlePass();
        for (int nButton : {ID_SNAP_NEW, ID_EDIT_COPY, ID_FILE_SAVE_AS, ID_EDIT_IMAGE, ID_HELP, IDOK})
            EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(h, nButton))) << nButton;
        EXPECT_EQ("3r", MarkedCaptureItems(h));
        HMENU hOptions = ::GetSubMenu(::GetMenu(h), 3);
        EXPECT_EQ((UINT)MFS_CHECKED, StateAt(::GetSubMenu(hOptions, 0), 0));  // 颜色 / 灰度级
        EXPECT_EQ((UINT)MFS_CHECKED, StateAt(::GetSubMenu(hOptions, 2), 2));  // 效果 / 模糊
        EXPECT_EQ(0u, StateAt(::GetSubMenu(hOptions, 1), 0));                 // 画布 / 水平翻转
        EXPECT_EQ(0u, StateAt(hOptions, 4));                                  // 自动复制

        // A capture by the New capture button, the box on "整个屏幕": the
        // engine records mode 0, and the next idle pass moves the mark.
        ::SendDlgItemMessageA(h, IDC_SNAP_TYPE, CB_SETCURSEL, 0, 0);
        ::SendMessageA(h, WM_COMMAND, MAKEWPARAM(ID_SNAP_NEW, BN_CLICKED), (LPARAM)::GetDlgItem(h, ID_SNAP_NEW));
        EXPECT_NE(nullptr, dlg.m_core.GetImage());
        EXPECT_EQ(0, dlg.m_nSnapType);
        dlg.m_core.m_config.SetAutoCopy(1);
        dlg.RunIdlePass();
        EXPECT_EQ("0r", MarkedCaptureItems(h));
        EXPECT_EQ((UINT)MFS_CHECKED, StateAt(hOptions, 4));
        // Every mode has its mark but the object capture, whose item carries none.
        for (int nMode = 0; nMode < 6; ++nMode) {
            dlg.m_core.m_config.SetSnapMode(nMode);
            dlg.RunIdlePass();
            EXPECT_EQ(nMode == 4 ? std::string() : std::to_string(nMode) + "r", MarkedCaptureItems(h));
        }
    });
}

TEST(KaptoWindowTest, AModeOutOfRangeInTheSettingsShowsAsTheWholeScreen) {
    ConfigFileGuard guard;
    WriteSettings([](CKpConfig& c) { c.SetSnapMode(7); });
    RunScripted([](ScriptedKaptoDlg& dlg) {
        EXPECT_EQ(0, (int)::SendDlgItemMessageA(dlg.m_hWnd, IDC_SNAP_TYPE, CB_GETCURSEL, 0, 0));
    });
}

TEST(KaptoWindowTest, ImageOptionsGoToTheSettingsInTheirOwnPlaces) {
    ConfigFileGuard guard;
    WriteSettings([](CKpConfig&) {});
    RunScripted([](ScriptedKaptoDlg& dlg) {
        // Each box alone: exactly its own setting follows.
        for (const CKaptoDlg::ImageOption& ticked : CKaptoDlg::kImageOptions) {
            for (const CKaptoDlg::ImageOption& option : CKaptoDlg::kImageOptions)
                dlg.CheckDlgButton(option.nCheckBox, &option == &ticked ? BST_CHECKED : BST_UNCHECKED);
            dlg.ExchangeImageOptions(TRUE);
            for (const CKaptoDlg::ImageOption& option : CKaptoDlg::kImageOptions) {
                EXPECT_EQ(&option == &ticked ? 1 : 0, (dlg.m_core.m_config.*option.pfnGet)())
                    << ticked.nCheckBox << " " << option.nCheckBox;
            }
        }
    });
}

// The About box opened from the system menu, looked at and closed by a
// timer of the thread while it runs its own loop.
HWND g_hAboutSeen = nullptr;
std::string g_strAboutTexts;
void CALLBACK CloseAbout(HWND, UINT, UINT_PTR nTimer, DWORD) {
    HWND hAbout = FindProcessWindow(::GetCurrentProcessId(), [](HWND w) {
        return ClassOf(w) == "#32770" && ::IsWindowVisible(w) && ::GetDlgItem(w, IDC_ABOUT_HOMEPAGE) != nullptr;
    });
    if (hAbout == nullptr) return;
    ::KillTimer(nullptr, nTimer);
    g_hAboutSeen = hAbout;
    g_strAboutTexts = TextOf(hAbout) + "|" + TextOf(::GetDlgItem(hAbout, IDC_ABOUT_HOMEPAGE)) + "|" +
                      TextOf(::GetDlgItem(hAbout, IDC_ABOUT_MAIL));
    ::PostMessageA(hAbout, WM_COMMAND, IDOK, 0);
}

TEST(KaptoWindowTest, SystemMenuAboutMinimiseAndTheView) {
    ConfigFileGuard guard;
    WriteSettings([](CKpConfig&) {});
    RunScripted([](ScriptedKaptoDlg& dlg) {
        HWND h = dlg.m_hWnd;
        // The system menu ends with a separator and the About item.
        HMENU hSysMenu = ::GetSystemMenu(h, FALSE);
        int nCount = ::GetMenuItemCount(hSysMenu);
        ASSERT_GE(nCount, 2);
        EXPECT_EQ(0u, ::GetMenuItemID(hSysMenu, nCount - 2));
        EXPECT_EQ((UINT)IDM_ABOUTBOX, ::GetMenuItemID(hSysMenu, nCount - 1));
        char szText[64] = "";
        ::GetMenuStringA(hSysMenu, nCount - 1, szText, sizeof(szText), MF_BYPOSITION);
        EXPECT_STREQ("\xb9\xd8\xd3\xda Kapto(&A)...", szText);

        // Choosing it opens the About box (template 100).
        ::SetTimer(nullptr, 0, 50, CloseAbout);
        dlg.SendMessage(WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
        EXPECT_NE(nullptr, g_hAboutSeen);
        EXPECT_EQ(
            "\xb9\xd8\xd3\xda Kapto|\xb7\xc3\xce\xca http://lumaro.example.com/|"
            "\xb7\xa2\xcb\xcd orvel@lumaro.example.com",
            g_strAboutTexts);

        // The view: the pointing hand (hot spot at the finger tip) and the
        // tooltip; elsewhere the usual cursor.
        HWND hView = ::GetDlgItem(h, IDC_VIEW);
        dlg.SendMessage(WM_SETCURSOR, (WPARAM)hView, MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        EXPECT_EQ(dlg.m_hViewCursor, ::GetCursor());
        ICONINFO info = {};
        ASSERT_TRUE(::GetIconInfo(dlg.m_hViewCursor, &info));
        EXPECT_EQ(6u, info.xHotspot);
        EXPECT_EQ(0u, info.yHotspot);
        ::DeleteObject(info.hbmMask);
        if (info.hbmColor != nullptr) ::DeleteObject(info.hbmColor);
        dlg.SendMessage(WM_SETCURSOR, (WPARAM)::GetDlgItem(h, IDOK), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        EXPECT_NE(dlg.m_hViewCursor, ::GetCursor());
        CString strTip;
        dlg.m_toolTip.GetText(strTip, CWnd::FromHandle(hView));
        EXPECT_STREQ(
            "\xb5\xe3\xbb\xf7\xb7\xc3\xce\xca"
            "Orvel\xcd\xf8",
            strTip);  // 点击访问Orvel网

        // Minimising hides the window instead.
        dlg.SendMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
        EXPECT_FALSE(dlg.IsWindowVisible());
        EXPECT_FALSE(dlg.IsIconic());
    });
}

}  // namespace
