// The program's resources carry the interface texts as code page 936, and
// the program starts on its main window and ends when that window closes.
#include <gtest/gtest.h>
#include <windows.h>

#include "shell/kapto_process.h"

#include <string>

namespace {

using kaptotest::ExeDir;

class KaptoResources : public ::testing::Test {
protected:
    void SetUp() override {
        m_hExe = ::LoadLibraryExA((ExeDir() + "Kapto.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(nullptr, m_hExe);
    }
    void TearDown() override { ::FreeLibrary(m_hExe); }
    HMODULE m_hExe = nullptr;
};

TEST_F(KaptoResources, StringsArriveAsCodePage936) {
    struct Case {
        UINT id;
        const char* bytes;
    } cases[] = {
        {101, "\xb9\xd8\xd3\xda\x20Kapto(&A)..."},                        // 关于 Kapto(&A)...
        {32796, "\xd0\xc2\xbd\xa8\xbd\xd8\xcd\xbc\x0a\xd0\xc2\xbd\xa8"},  // 新建截图\n新建
        {32795, "\xb2\xb6\xd7\xbd\xd5\xfb\xb8\xf6\xc6\xc1\xc4\xbb\xcd\xbc\xcf\xf1\x0a\xc8\xab\xc6\xc1"},
    };
    for (const Case& c : cases) {
        char buf[256] = "";
        ::LoadStringA(m_hExe, c.id, buf, sizeof(buf));
        EXPECT_STREQ(c.bytes, buf) << c.id;
    }
}

TEST_F(KaptoResources, MenusCarryTheirTexts) {
    HMENU hMenu = ::LoadMenuA(m_hExe, MAKEINTRESOURCEA(128));
    ASSERT_NE(nullptr, hMenu);
    EXPECT_EQ(5, ::GetMenuItemCount(hMenu));
    char buf[128];
    ::GetMenuStringA(hMenu, 0, buf, sizeof(buf), MF_BYPOSITION);
    EXPECT_STREQ("\xce\xc4\xbc\xfe(&F)", buf);  // 文件(&F)
    ::GetMenuStringA(hMenu, 32796, buf, sizeof(buf), MF_BYCOMMAND);
    EXPECT_STREQ("\xd0\xc2\xbd\xa8\xbd\xd8\xcd\xbc(&N)\tCtrl+N", buf);
    ::GetMenuStringA(hMenu, 32850, buf, sizeof(buf), MF_BYCOMMAND);
    EXPECT_STREQ("\xbd\xe7\xc3\xe6\xb6\xd4\xcf\xf3/\xb2\xcb\xb5\xa5(&M)\tCtrl+6", buf);
    // The options popup's first item is the colour submenu.
    HMENU hOptions = ::GetSubMenu(hMenu, 3);
    ::GetMenuStringA(hOptions, 0, buf, sizeof(buf), MF_BYPOSITION);
    EXPECT_STREQ("\xd1\xd5\xc9\xab(&C)", buf);  // 颜色(&C)
    EXPECT_EQ(32810u, ::GetMenuItemID(::GetSubMenu(hOptions, 0), 0));
    ::DestroyMenu(hMenu);

    HMENU hTray = ::LoadMenuA(m_hExe, MAKEINTRESOURCEA(131));
    ASSERT_NE(nullptr, hTray);
    HMENU hPop = ::GetSubMenu(hTray, 0);
    EXPECT_EQ(12, ::GetMenuItemCount(hPop));
    ::GetMenuStringA(hPop, 0, buf, sizeof(buf), MF_BYPOSITION);
    EXPECT_STREQ("\xcf\xd4\xca\xbe/\xd2\xfe\xb2\xd8(&S)\tCtrl+8", buf);  // 显示/隐藏(&S)\tCtrl+8
    EXPECT_EQ(57665u, ::GetMenuItemID(hPop, 11));
    ::DestroyMenu(hTray);
}

TEST_F(KaptoResources, CaptureTypeItemsAreInModeOrder) {
    HRSRC hRes = ::FindResourceA(m_hExe, MAKEINTRESOURCEA(102), MAKEINTRESOURCEA(240));
    ASSERT_NE(nullptr, hRes);
    const BYTE* p = (const BYTE*)::LockResource(::LoadResource(m_hExe, hRes));
    const char* expected[] = {
        "\xd5\xfb\xb8\xf6\xc6\xc1\xc4\xbb",                  // 整个屏幕
        "\xbb\xee\xb6\xaf\xb3\xcc\xd0\xf2\xb4\xb0\xbf\xda",  // 活动程序窗口
        "\xb5\xb1\xc7\xb0\xb4\xb0\xbf\xda",                  // 当前窗口
        "\xbb\xee\xb6\xaf\xb3\xcc\xd0\xf2\xbf\xcd\xbb\xa7\xc7\xf8",
        "\xbd\xe7\xc3\xe6\xb6\xd4\xcf\xf3\x2f\xb2\xcb\xb5\xa5",
        "\xd1\xa1\xb6\xa8\xc7\xf8\xd3\xf2",  // 选定区域
    };
    for (const char* text : expected) {
        EXPECT_EQ(1004, *(const WORD*)p);
        DWORD len = *(const DWORD*)(p + 4);
        EXPECT_STREQ(text, (const char*)(p + 8));
        p += 8 + len;
    }
    EXPECT_EQ(0, *(const WORD*)p);
}

struct FoundWindow {
    DWORD pid;
    HWND hWnd;
};

BOOL CALLBACK FindMainWindow(HWND h, LPARAM l) {
    FoundWindow* f = reinterpret_cast<FoundWindow*>(l);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(h, &pid);
    char cls[16];
    ::GetClassNameA(h, cls, sizeof(cls));
    if (pid == f->pid && lstrcmpA(cls, "#32770") == 0 && ::IsWindowVisible(h) && ::GetMenu(h) != nullptr) {
        f->hWnd = h;
        return FALSE;
    }
    return TRUE;
}

TEST(KaptoProgram, StartsOnItsMainWindowAndEndsWhenItCloses) {
    // The program writes its settings when it ends; the next test finds
    // them as they were.
    kaptotest::ConfigFileGuard guard;
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    std::string exe = ExeDir() + "Kapto.exe";
    ASSERT_TRUE(
        ::CreateProcessA(exe.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, ExeDir().c_str(), &si, &pi));
    FoundWindow found = {pi.dwProcessId, nullptr};
    for (int i = 0; i < 300 && found.hWnd == nullptr; ++i) {
        ::Sleep(100);
        ::EnumWindows(FindMainWindow, (LPARAM)&found);
    }
    ASSERT_NE(nullptr, found.hWnd);
    HWND h = found.hWnd;
    EXPECT_TRUE(::GetWindowLongPtrA(h, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(6, (int)::SendDlgItemMessageA(h, 1004, CB_GETCOUNT, 0, 0));
    EXPECT_EQ(0, (int)::SendDlgItemMessageA(h, 1004, CB_GETCURSEL, 0, 0));
    // The template's 24 controls, and the capture engine's hidden window.
    int nControls = 0;
    for (HWND c = ::GetWindow(h, GW_CHILD); c != nullptr; c = ::GetWindow(c, GW_HWNDNEXT))
        ++nControls;
    EXPECT_EQ(25, nControls);
    // 退出 ends the program.
    ::PostMessageA(h, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), (LPARAM)::GetDlgItem(h, IDOK));
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(pi.hProcess, 20000));
    DWORD code = 1;
    ::GetExitCodeProcess(pi.hProcess, &code);
    EXPECT_EQ(0u, code);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
}

}  // namespace
