// The main window in this process, on the program's own templates (read
// from Kapto.exe): the marks its idle pass puts on the menus, the state the
// image options leave, and what the file and clipboard commands tell the
// user. Menus of another process cannot be read, so these run here.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "framework/resources.h"
#include "kapto_dlg.h"
#include "res/resource.h"
#include "support/clipboard_holder.h"
#include "support/desktop.h"
#include "support/temp_files.h"
#include "user_script.h"

namespace {

using shelltest::UserScript;

const int kCaptureMenu = 2, kOptionsMenu = 3;

using kptest::ExeDir;

// The visible file dialog of this thread (it has the file name box), or null.
HWND FindFileDialog() {
    HWND hFound = nullptr;
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND h, LPARAM l) {
            if (::IsWindowVisible(h) && ::GetDlgItem(h, 0x47c) != nullptr) *(HWND*)l = h;  // cmb13
            return TRUE;
        },
        (LPARAM)&hFound);
    return hFound;
}

UINT MenuState(HWND hDlg, int nPopup, UINT nID) {
    // The marks as the next opening of the menu shows them.
    ::SendMessageA(hDlg, WM_KICKIDLE, 0, 0);
    return ::GetMenuState(::GetSubMenu(::GetMenu(hDlg), nPopup), nID, MF_BYCOMMAND);
}

void Command(HWND hDlg, UINT nID) { ::SendMessageA(hDlg, WM_COMMAND, nID, 0); }

class MainWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_hKapto = ::LoadLibraryExA((ExeDir() + "Kapto.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        AfxSetResourceHandle(s_hKapto);
        INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES};
        ::InitCommonControlsEx(&icc);
    }
    void SetUp() override {
        ASSERT_NE(nullptr, s_hKapto);
        m_dir = kptest::MakeTempDir();
        // The settings the window starts with: config.xml beside this program.
        CKpConfig c;
        c.SetSnapOnStart(0);
        c.SetHideMainWnd(0);
        c.SetSnapDelayTime(0);
        c.SetPlaySnapSound(0);
        c.SetSnapMode(3);
        c.SaveConfig();
    }
    void TearDown() override {
        ::DeleteFileA((ExeDir() + "config.xml").c_str());
        kptest::RemoveDir(m_dir);
    }
    // Runs the main window with the script; the last step should end it.
    void Run(UserScript& script) {
        script.strTitle.clear();
        script.steps.push_back([this](HWND) { m_pDlg->PostMessage(WM_COMMAND, IDCANCEL, 0); });
        CKaptoDlg dlg;
        m_pDlg = &dlg;
        shelltest::RunWithScript(script, [&] { return dlg.DoModal(); });
        m_pDlg = nullptr;
        EXPECT_EQ(script.steps.size(), script.nNext) << "every step ran";
    }
    // A small image on the clipboard, pasted as the current capture.
    void Paste(HWND hDlg) {
        HDC hdc = ::GetDC(nullptr);
        HBITMAP hBitmap = ::CreateCompatibleBitmap(hdc, 30, 20);
        ::ReleaseDC(nullptr, hdc);
        if (::OpenClipboard(nullptr)) {
            ::EmptyClipboard();
            ::SetClipboardData(CF_BITMAP, hBitmap);
            ::CloseClipboard();
        }
        Command(hDlg, ID_EDIT_PASTE);
    }

    static HMODULE s_hKapto;
    std::string m_dir;
    CKaptoDlg* m_pDlg = nullptr;  // not owned: the window running now
};

HMODULE MainWindowTest::s_hKapto = nullptr;

TEST_F(MainWindowTest, CaptureMenuMarksTheModeExceptTheObjectCapture) {
    UINT marks[6][6] = {};
    const UINT kCommands[6] = {ID_SNAP_FULLSCREEN, ID_SNAP_ACTIVE_WIN, ID_SNAP_CURRENT_WIN,
                               ID_SNAP_WIN_CLIENT, ID_SNAP_WIN_OBJ,    ID_SNAP_SELECT_RECT};
    UserScript script;
    for (int nMode = 0; nMode < 6; ++nMode) {
        script.steps.push_back([&, nMode](HWND h) {
            m_pDlg->m_core.m_config.SetSnapMode(nMode);
            for (int i = 0; i < 6; ++i)
                marks[nMode][i] = MenuState(h, kCaptureMenu, kCommands[i]);
        });
    }
    Run(script);
    for (int nMode = 0; nMode < 6; ++nMode) {
        for (int i = 0; i < 6; ++i) {
            SCOPED_TRACE(testing::Message() << "mode " << nMode << ", item " << i);
            bool bMarked = (marks[nMode][i] & MF_CHECKED) != 0;
            EXPECT_EQ(i == nMode && nMode != 4, bMarked);
            EXPECT_EQ(i != 4, (marks[nMode][i] & MFT_RADIOCHECK) != 0) << "a radio item";
        }
    }
}

TEST_F(MainWindowTest, MenuToggleAndCheckBoxLeaveFlagBoxTickAndConfigurationAlike) {
    struct Seen {
        int nFlag, nBox, nConfig;
        bool bTick;
    };
    Seen afterMenu = {}, afterBox = {}, autoCopy = {};
    auto see = [&](HWND h, Seen& s) {
        s.nFlag = m_pDlg->m_bBlur;
        s.nBox = (int)::IsDlgButtonChecked(h, IDC_BLUR);
        s.nConfig = m_pDlg->m_core.m_config.GetBlur();
        s.bTick = (MenuState(h, kOptionsMenu, ID_OPT_BLUR) & MF_CHECKED) != 0;
    };
    UserScript script;
    script.steps = {
        [&](HWND h) {
            Command(h, ID_OPT_BLUR);
            see(h, afterMenu);
        },
        [&](HWND h) {
            // The box changes its own state before it tells the window.
            ::CheckDlgButton(h, IDC_BLUR, BST_UNCHECKED);
            ::SendMessageA(h, WM_COMMAND, MAKEWPARAM(IDC_BLUR, BN_CLICKED), (LPARAM)::GetDlgItem(h, IDC_BLUR));
            see(h, afterBox);
        },
        [&](HWND h) {
            Command(h, ID_OPT_AUTOCOPY);
            autoCopy.bTick = (MenuState(h, kOptionsMenu, ID_OPT_AUTOCOPY) & MF_CHECKED) != 0;
            autoCopy.nConfig = m_pDlg->m_core.m_config.GetAutoCopy();
        },
    };
    Run(script);
    EXPECT_EQ(1, afterMenu.nFlag);
    EXPECT_EQ(1, afterMenu.nBox);
    EXPECT_EQ(1, afterMenu.nConfig);
    EXPECT_TRUE(afterMenu.bTick);
    EXPECT_EQ(0, afterBox.nFlag);
    EXPECT_EQ(0, afterBox.nBox);
    EXPECT_EQ(0, afterBox.nConfig);
    EXPECT_FALSE(afterBox.bTick);
    EXPECT_TRUE(autoCopy.bTick);
    EXPECT_EQ(1, autoCopy.nConfig);
}

TEST_F(MainWindowTest, OpenReadsTheResetOptionsBackAndAFileThatIsNoImageKeepsTheCapture) {
    std::string png = m_dir + "opened.png";
    std::string text = m_dir + "text.png";
    kptest::WriteBytes(text, "not an image");
    const int kFileNameCombo = 0x47c, kFileNameEdit = 0x480;  // cmb13, edt1
    auto answerOpen = [](const std::string& path) {
        return [path](HWND) {
            HWND hOpen = FindFileDialog();
            ::SetDlgItemTextA(hOpen, kFileNameCombo, path.c_str());
            ::SetDlgItemTextA(hOpen, kFileNameEdit, path.c_str());
            ::PostMessageA(hOpen, WM_COMMAND, IDOK, 0);
        };
    };
    int nGrayBefore = -1, nGrayBoxAfter = -1, nGrayConfigAfter = -1;
    bool bTickAfter = true;
    void* pImageBeforeFailure = nullptr;
    void* pImageAfterFailure = nullptr;
    UserScript script;
    script.steps = {
        [&](HWND h) {
            Paste(h);
            m_pDlg->m_core.SaveImage(png.c_str(), FALSE);
            Command(h, ID_OPT_GRAYSCALE);
            nGrayBefore = (int)::IsDlgButtonChecked(h, IDC_GRAYSCALE);
            ::PostMessageA(h, WM_COMMAND, ID_FILE_OPEN, 0);
        },
        answerOpen(png),
        [&](HWND h) {
            // The timer ticks on while the file is decoded: a step waits for
            // the open's end (a second open meanwhile would be refused).
            if (m_pDlg->IsImageBusy()) {
                --script.nNext;
                return;
            }
            nGrayBoxAfter = (int)::IsDlgButtonChecked(h, IDC_GRAYSCALE);
            nGrayConfigAfter = m_pDlg->m_core.m_config.GetGrayScale();
            bTickAfter = (MenuState(h, kOptionsMenu, ID_OPT_GRAYSCALE) & MF_CHECKED) != 0;
            pImageBeforeFailure = m_pDlg->m_core.GetImage();
            ::PostMessageA(h, WM_COMMAND, ID_FILE_OPEN, 0);
        },
        answerOpen(text),
        [&](HWND) {
            if (m_pDlg->IsImageBusy()) {
                --script.nNext;
                return;
            }
            pImageAfterFailure = m_pDlg->m_core.GetImage();
        },
    };
    Run(script);
    EXPECT_EQ(1, nGrayBefore);
    EXPECT_EQ(0, nGrayBoxAfter);
    EXPECT_EQ(0, nGrayConfigAfter);
    EXPECT_FALSE(bTickAfter);
    EXPECT_NE(nullptr, pImageBeforeFailure);
    EXPECT_EQ(pImageBeforeFailure, pImageAfterFailure);
    ASSERT_EQ(1u, script.boxes.size());
    EXPECT_EQ("无法打开“" + text + "”：它不是可读的图像文件。\n当前的图像保持不变。", script.boxes[0]);
    ::DeleteFileA(png.c_str());
    ::DeleteFileA(text.c_str());
}

TEST_F(MainWindowTest, FailedSaveAndCopyAreToldCancelAndNoImageStaySilent) {
    std::string missing = m_dir + "no such folder\\snap.png";
    UserScript script;
    script.steps = {
        [&](HWND h) {
            Command(h, ID_FILE_SAVE_THUMB);  // no image yet: nothing to say
            Command(h, ID_EDIT_COPY);
            Paste(h);
            m_pDlg->m_core.SetPathName(missing.c_str());
            Command(h, ID_FILE_SAVE);
        },
        [&](HWND h) {
            kptest::ClipboardHolder holder;
            Command(h, ID_EDIT_COPY);
        },
        [&](HWND h) { ::PostMessageA(h, WM_COMMAND, ID_FILE_SAVE_AS, 0); },
        [&](HWND) { ::PostMessageA(FindFileDialog(), WM_COMMAND, IDCANCEL, 0); },  // cancelled: no message
    };
    Run(script);
    ASSERT_EQ(2u, script.boxes.size());
    EXPECT_EQ("无法保存图像文件“" + missing + "”。\n请检查磁盘空间、文件夹的写入权限和文件类型。", script.boxes[0]);
    EXPECT_EQ("无法把图像复制到剪贴板：剪贴板正被其他程序占用，请稍后再试。", script.boxes[1]);
}

}  // namespace
