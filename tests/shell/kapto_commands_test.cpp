// The real Kapto.exe driven from outside, as a user would: commands by
// WM_COMMAND, by clicks on its buttons and check boxes and by keyboard menu
// navigation, hot keys by key presses, the settings it writes at exit. Its
// config.xml is the one beside both programs, written before each start and
// read back after each exit; the image editor and the help viewer are
// observed through the recorder program.
#include <gtest/gtest.h>
#include <windows.h>
#include <tlhelp32.h>

#include <set>
#include <string>
#include <vector>

#include "kp_config.h"
#include "support/desktop.h"
#include "support/input_events.h"

namespace {

const UINT kCmdSnapNew = 32796, kCmdGrayScale = 32810, kCmdAutoCopy = 32844, kCmdEditImage = 32804;
const UINT kCmdPaste = 57637, kCmdExit = 57665, kCmdOptions = 32830;
const int kComboSnapType = 1004, kCheckGrayScale = 1006, kCheckNegate = 1007, kHelpButton = 57670;

using kptest::ExeDir;

template <class Pred>
bool WaitFor(Pred pred, int nMillis = 10000) {
    for (int t = 0; t < nMillis; t += 50) {
        if (pred()) return true;
        ::Sleep(50);
    }
    return pred();
}

std::string ReadFileText(const std::string& path) {
    HANDLE h = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return std::string();
    char buf[4096];
    DWORD n = 0;
    ::ReadFile(h, buf, sizeof(buf), &n, nullptr);
    ::CloseHandle(h);
    return std::string(buf, n);
}

void PressKeys(std::initializer_list<WORD> keys) {
    testinput::SendChord(keys);
    ::Sleep(300);
}

// A click on the real control, which the control turns into its own
// notification (BM_CLICK: button down and up on it, wherever the pointer is).
void ClickAt(HWND hCtl) {
    ::SendMessageA(hCtl, BM_CLICK, 0, 0);
    ::Sleep(200);
}

// One run of Kapto.exe: started on the given settings, its message boxes
// closed and remembered by a watcher thread, ended by its Exit command.
class KaptoRun {
public:
    ~KaptoRun() {
        if (m_pi.hProcess != nullptr) {
            Exit();
            if (::WaitForSingleObject(m_pi.hProcess, 0) != WAIT_OBJECT_0) ::TerminateProcess(m_pi.hProcess, 1);
            ::CloseHandle(m_pi.hProcess);
            ::CloseHandle(m_pi.hThread);
        }
        StopWatcher();
    }

    bool Start() {
        m_hStop = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
        STARTUPINFOA si = {};
        si.cb = sizeof(si);
        std::string exe = ExeDir() + "Kapto.exe";
        if (!::CreateProcessA(exe.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, ExeDir().c_str(), &si, &m_pi))
            return false;
        m_hWatcher = ::CreateThread(nullptr, 0, Watch, this, 0, nullptr);
        return WaitFor(
            [&] {
                ::EnumWindows(FindMain, (LPARAM)this);
                return m_hMain != nullptr;
            },
            30000);
    }

    // The Exit command: the framework closes the main window, settings are written.
    bool Exit() {
        if (m_pi.hProcess == nullptr) return false;
        if (m_hMain != nullptr) ::PostMessageA(m_hMain, WM_COMMAND, kCmdExit, 0);
        bool bEnded = ::WaitForSingleObject(m_pi.hProcess, 20000) == WAIT_OBJECT_0;
        if (bEnded) ::GetExitCodeProcess(m_pi.hProcess, &m_nExitCode);
        return bEnded;
    }

    std::vector<std::string> Boxes() {
        ::EnterCriticalSection(&m_lock);
        std::vector<std::string> v = m_boxes;
        ::LeaveCriticalSection(&m_lock);
        return v;
    }
    bool Visible() const { return ::IsWindowVisible(m_hMain) != FALSE; }
    HWND Item(int nID) const { return ::GetDlgItem(m_hMain, nID); }
    int Checked(int nID) const { return (int)::SendMessageA(Item(nID), BM_GETCHECK, 0, 0); }
    void Command(UINT nID) { ::PostMessageA(m_hMain, WM_COMMAND, nID, 0); }
    void Foreground() {
        ::SetForegroundWindow(m_hMain);
        WaitFor([&] { return ::GetForegroundWindow() == m_hMain; }, 3000);
    }
    // A visible top-level dialog of Kapto's other than the main window and the message boxes.
    HWND FindDialog() {
        m_hFoundDialog = nullptr;
        ::EnumWindows(FindOther, (LPARAM)this);
        return m_hFoundDialog;
    }

    PROCESS_INFORMATION m_pi = {};
    HWND m_hMain = nullptr;
    DWORD m_nExitCode = 1;

    KaptoRun() { ::InitializeCriticalSection(&m_lock); }
    KaptoRun(const KaptoRun&) = delete;
    KaptoRun& operator=(const KaptoRun&) = delete;

private:
    static bool IsOurs(HWND h, DWORD pid, const char* pszClass) {
        DWORD p = 0;
        ::GetWindowThreadProcessId(h, &p);
        char cls[32] = "";
        ::GetClassNameA(h, cls, sizeof(cls));
        return p == pid && lstrcmpA(cls, pszClass) == 0 && ::IsWindowVisible(h);
    }
    // A message box: caption "Kapto" (the program's name), no menu, a text.
    static bool IsMessageBox(HWND h) {
        char title[64] = "";
        ::GetWindowTextA(h, title, sizeof(title));
        return lstrcmpA(title, "Kapto") == 0 && ::GetMenu(h) == nullptr && ::GetDlgItem(h, 0xFFFF) != nullptr;
    }
    static BOOL CALLBACK FindMain(HWND h, LPARAM l) {
        KaptoRun* self = reinterpret_cast<KaptoRun*>(l);
        if (IsOurs(h, self->m_pi.dwProcessId, "#32770") && ::GetMenu(h) != nullptr) {
            self->m_hMain = h;
            return FALSE;
        }
        return TRUE;
    }
    static BOOL CALLBACK FindOther(HWND h, LPARAM l) {
        KaptoRun* self = reinterpret_cast<KaptoRun*>(l);
        if (IsOurs(h, self->m_pi.dwProcessId, "#32770") && h != self->m_hMain && !IsMessageBox(h)) {
            self->m_hFoundDialog = h;
            return FALSE;
        }
        return TRUE;
    }
    static BOOL CALLBACK CloseBoxes(HWND h, LPARAM l) {
        KaptoRun* self = reinterpret_cast<KaptoRun*>(l);
        if (!IsOurs(h, self->m_pi.dwProcessId, "#32770") || !IsMessageBox(h)) return TRUE;
        if (self->m_closed.count(h)) return TRUE;
        self->m_closed.insert(h);
        char text[512] = "";
        ::GetDlgItemTextA(h, 0xFFFF, text, sizeof(text));
        ::EnterCriticalSection(&self->m_lock);
        self->m_boxes.push_back(text);
        ::LeaveCriticalSection(&self->m_lock);
        ::PostMessageA(h, WM_COMMAND, ::GetDlgItem(h, IDOK) != nullptr ? IDOK : IDYES, 0);
        return TRUE;
    }
    static DWORD WINAPI Watch(LPVOID p) {
        KaptoRun* self = static_cast<KaptoRun*>(p);
        while (::WaitForSingleObject(self->m_hStop, 100) == WAIT_TIMEOUT)
            ::EnumWindows(CloseBoxes, (LPARAM)self);
        return 0;
    }
    void StopWatcher() {
        if (m_hWatcher != nullptr) {
            ::SetEvent(m_hStop);
            ::WaitForSingleObject(m_hWatcher, 5000);
            ::CloseHandle(m_hWatcher);
        }
        if (m_hStop != nullptr) ::CloseHandle(m_hStop);
        ::DeleteCriticalSection(&m_lock);
    }

    HANDLE m_hStop = nullptr;
    HANDLE m_hWatcher = nullptr;
    CRITICAL_SECTION m_lock;
    std::vector<std::string> m_boxes;
    std::set<HWND> m_closed;  // boxes already answered
    HWND m_hFoundDialog = nullptr;
};

class KaptoProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_strConfig = ExeDir() + "config.xml";
        // Quick, quiet captures that keep the window where it is.
        m_config.SetSnapOnStart(0);
        m_config.SetHideMainWnd(0);
        m_config.SetSnapDelayTime(0);
        m_config.SetPlaySnapSound(0);
    }
    void TearDown() override {
        ::DeleteFileA(m_strConfig.c_str());
        ::DeleteFileA((ExeDir() + "recorder.txt").c_str());
    }
    // The settings Kapto starts with.
    void WriteConfig() { m_config.SaveConfig(); }
    // The settings Kapto wrote at exit.
    CKpConfig ReadConfig() {
        CKpConfig c;
        c.LoadConfig();
        return c;
    }

    std::string m_strConfig;
    CKpConfig m_config;
};

TEST_F(KaptoProgramTest, HotkeysThatCannotBeRegisteredShowOneMessageEachAndTheRestWork) {
    const struct {
        const char* label;
        void (*configure)(CKpConfig&);
        bool bTakeF4;  // another program holds F4 before the start
        const char* pszMessage;
    } cases[] = {
        {"taken by another program", [](CKpConfig&) {}, true, "注册捕捉<当前窗口>热键失败,请更换热键"},
        {"two hot keys on one pair: the later fails", [](CKpConfig& c) { c.SetSelectRectHotkey(0, VK_F3); }, false,
         "注册捕捉<选定区域>热键失败,请更换热键"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        CKpConfig config = m_config;
        c.configure(config);
        config.SaveConfig();
        if (c.bTakeF4) {
            ASSERT_TRUE(::RegisterHotKey(nullptr, 1, 0, VK_F4));
        }
        {
            KaptoRun kapto;
            ASSERT_TRUE(kapto.Start());
            EXPECT_TRUE(WaitFor([&] { return kapto.Visible(); }));
            ::Sleep(500);
            std::vector<std::string> boxes = kapto.Boxes();
            ASSERT_EQ(1u, boxes.size());
            EXPECT_EQ(0u, boxes[0].find(c.pszMessage)) << boxes[0];
            // It names a combination the system gives now.
            EXPECT_NE(std::string::npos, boxes[0].find("可以改用")) << boxes[0];
            if (c.bTakeF4) {
                // Confirming the options sheet tries it again: still taken, the
                // message again; let go by the other program, Kapto holds it.
                for (bool bStillTaken : {true, false}) {
                    if (!bStillTaken) ::UnregisterHotKey(nullptr, 1);
                    kapto.Command(kCmdOptions);
                    HWND hSheet = nullptr;
                    ASSERT_TRUE(WaitFor([&] { return (hSheet = kapto.FindDialog()) != nullptr; }));
                    ::PostMessageA(hSheet, WM_COMMAND, IDOK, 0);
                    ASSERT_TRUE(WaitFor([&] { return !::IsWindow(hSheet); }));
                    ::Sleep(500);
                    // One more message while taken, none once free.
                    EXPECT_EQ(2u, kapto.Boxes().size());
                }
                EXPECT_FALSE(::RegisterHotKey(nullptr, 1, 0, VK_F4)) << "F4 is Kapto's now";
            }
            // The show/hide hot key, one of the others, works both ways.
            PressKeys({VK_F8});
            EXPECT_TRUE(WaitFor([&] { return !kapto.Visible(); }));
            PressKeys({VK_F8});
            EXPECT_TRUE(WaitFor([&] { return kapto.Visible(); }));
            EXPECT_TRUE(kapto.Exit());
            EXPECT_EQ(0u, kapto.m_nExitCode);
        }
        if (c.bTakeF4) ::UnregisterHotKey(nullptr, 1);
    }
}

TEST_F(KaptoProgramTest, ModifiersOfTheHotkeyControlRegisterAsTheSystemsOwn) {
    m_config.SetShowHideHotkey(0x01 | 0x04, 'K');    // HOTKEYF_SHIFT | HOTKEYF_ALT
    m_config.SetFullScreenHotkey(0x02, VK_F9);       // HOTKEYF_CONTROL
    m_config.SetNewSnapHotkey(0x04 | 0x08, VK_F11);  // HOTKEYF_ALT | HOTKEYF_EXT: the extended flag is dropped
    WriteConfig();
    KaptoRun kapto;
    ASSERT_TRUE(kapto.Start());
    EXPECT_TRUE(kapto.Boxes().empty());
    // A combination Kapto holds cannot be had again; one it does not hold can.
    const struct {
        UINT nModifiers;
        UINT nVk;
        bool bTaken;
    } probes[] = {
        {MOD_SHIFT | MOD_ALT, 'K', true}, {MOD_CONTROL, VK_F9, true}, {MOD_ALT, VK_F11, true},
        {MOD_SHIFT, 'K', false},          {MOD_ALT, 'K', false},      {0, VK_F9, false},
    };
    for (const auto& p : probes) {
        SCOPED_TRACE(p.nVk);
        BOOL bGot = ::RegisterHotKey(nullptr, 7, p.nModifiers, p.nVk);
        EXPECT_EQ(!p.bTaken, bGot != FALSE);
        if (bGot) ::UnregisterHotKey(nullptr, 7);
    }
    PressKeys({VK_SHIFT, VK_MENU, 'K'});
    EXPECT_TRUE(WaitFor([&] { return !kapto.Visible(); }));
    PressKeys({VK_SHIFT, VK_MENU, 'K'});
    EXPECT_TRUE(WaitFor([&] { return kapto.Visible(); }));
}

// config.xml in another program's hands: held at the start, it is said once
// with its path and never written over, even once let go; held only
// against replacing, the failed save is said when it happens, once.
TEST_F(KaptoProgramTest, ASettingsFileHeldByAnotherProgramIsSaidOnceAndNeverWrittenOver) {
    m_config.SetAppName("Mine");
    WriteConfig();
    const std::string mine = ReadFileText(m_strConfig);
    const struct {
        const char* pszLabel;
        DWORD dwShare;         // what the other program lets Kapto do meanwhile
        bool bReleaseAtStart;  // it lets go once Kapto's window is up
        const char* pszSaid;
    } cases[] = {
        {"held at the start", 0, true, "无法读取设置文件"},
        {"held against replacing", FILE_SHARE_READ, false, "无法将设置保存到文件"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszLabel);
        HANDLE hHeld = ::CreateFileA(m_strConfig.c_str(), GENERIC_READ, c.dwShare, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, hHeld);
        KaptoRun kapto;
        ASSERT_TRUE(kapto.Start());
        if (c.bReleaseAtStart) ::CloseHandle(hHeld);
        // Three changes, each saved at once: each returns once its save and
        // any message it showed are over.
        for (int i = 0; i < 3; ++i) {
            DWORD_PTR nResult = 0;
            ::SendMessageTimeoutA(kapto.m_hMain, WM_COMMAND, kCmdAutoCopy, 0, SMTO_NORMAL, 10000, &nResult);
        }
        if (!c.bReleaseAtStart) ::CloseHandle(hHeld);
        EXPECT_TRUE(kapto.Exit());
        std::vector<std::string> boxes = kapto.Boxes();
        ASSERT_EQ(1u, boxes.size());
        EXPECT_EQ(0u, boxes[0].find(c.pszSaid)) << boxes[0];
        EXPECT_NE(std::string::npos, boxes[0].find(m_strConfig)) << boxes[0];
        if (c.bReleaseAtStart) {
            EXPECT_EQ(mine, ReadFileText(m_strConfig)) << "written over";
        }
    }
}

TEST_F(KaptoProgramTest, MenuBoxAndKeyboardLeaveOneStateThatSurvivesARestart) {
    m_config.SetSnapMode(2);
    WriteConfig();
    {
        KaptoRun kapto;
        ASSERT_TRUE(kapto.Start());
        EXPECT_EQ(2, (int)::SendMessageA(kapto.Item(kComboSnapType), CB_GETCURSEL, 0, 0));
        // Grey from the menu, back from its box, again from the menu.
        kapto.Command(kCmdGrayScale);
        EXPECT_TRUE(WaitFor([&] { return kapto.Checked(kCheckGrayScale) == 1; }));
        kapto.Foreground();
        ClickAt(kapto.Item(kCheckGrayScale));
        EXPECT_TRUE(WaitFor([&] { return kapto.Checked(kCheckGrayScale) == 0; }));
        kapto.Command(kCmdGrayScale);
        EXPECT_TRUE(WaitFor([&] { return kapto.Checked(kCheckGrayScale) == 1; }));
        ClickAt(kapto.Item(kCheckNegate));
        EXPECT_TRUE(WaitFor([&] { return kapto.Checked(kCheckNegate) == 1; }));
        kapto.Command(kCmdAutoCopy);
        // New capture repeats the box's mode: whole screen chosen, then the button.
        ::SendMessageA(kapto.Item(kComboSnapType), CB_SETCURSEL, 0, 0);
        ClickAt(kapto.Item(kCmdSnapNew));
        EXPECT_TRUE(WaitFor([&] { return ::SendMessageA(kapto.Item(kComboSnapType), CB_GETCURSEL, 0, 0) == 0; }));
        ASSERT_TRUE(kapto.Exit());
        EXPECT_EQ(0u, kapto.m_nExitCode);
    }
    CKpConfig written = ReadConfig();
    EXPECT_EQ(1, written.GetGrayScale());
    EXPECT_EQ(1, written.GetNegate());
    EXPECT_EQ(0, written.GetFlipHorz());
    EXPECT_EQ(1, written.GetAutoCopy());
    EXPECT_EQ(0, written.GetSnapMode());
    {
        KaptoRun kapto;
        ASSERT_TRUE(kapto.Start());
        EXPECT_EQ(1, kapto.Checked(kCheckGrayScale));
        EXPECT_EQ(1, kapto.Checked(kCheckNegate));
        // 选项(&O) > 颜色(&C) > 灰度级(&G) from the keyboard.
        kapto.Foreground();
        PressKeys({VK_MENU, 'O'});
        PressKeys({'C'});
        PressKeys({'G'});
        EXPECT_TRUE(WaitFor([&] { return kapto.Checked(kCheckGrayScale) == 0; }));
        ASSERT_TRUE(kapto.Exit());
    }
    written = ReadConfig();
    EXPECT_EQ(0, written.GetGrayScale());
    EXPECT_EQ(1, written.GetNegate());
    EXPECT_EQ(1, written.GetAutoCopy()) << "auto copy survives a restart";
}

TEST_F(KaptoProgramTest, EditSavesAnUnsavedImageFirstAndStartsTheEditorWithItsNameAndFolder) {
    std::string folder = ExeDir() + "edit test folder\\";
    std::string file = folder + "snap shot.png";
    ::CreateDirectoryA(folder.c_str(), nullptr);
    ::DeleteFileA(file.c_str());
    m_config.SetEditAppPath((ExeDir() + "recorder.exe").c_str());
    WriteConfig();

    // An image without a file: a paste of a small bitmap.
    HDC hdc = ::GetDC(nullptr);
    HBITMAP hBitmap = ::CreateCompatibleBitmap(hdc, 40, 30);
    ::ReleaseDC(nullptr, hdc);
    ASSERT_TRUE(::OpenClipboard(nullptr));
    ::EmptyClipboard();
    ::SetClipboardData(CF_BITMAP, hBitmap);
    ::CloseClipboard();

    KaptoRun kapto;
    ASSERT_TRUE(kapto.Start());
    kapto.Command(kCmdPaste);
    ::Sleep(500);
    kapto.Command(kCmdEditImage);
    HWND hSave = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (hSave = kapto.FindDialog()) != nullptr; })) << "asks for a name first";
    ::Sleep(300);
    const int kFileNameCombo = 0x47c, kFileNameEdit = 0x480;  // cmb13, edt1
    ::SetDlgItemTextA(hSave, kFileNameCombo, file.c_str());
    ::SetDlgItemTextA(hSave, kFileNameEdit, file.c_str());
    ::PostMessageA(hSave, WM_COMMAND, IDOK, 0);

    std::string recorded;
    ASSERT_TRUE(WaitFor([&] { return !(recorded = ReadFileText(ExeDir() + "recorder.txt")).empty(); }, 15000));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(file.c_str()));
    size_t nl = recorded.find('\n');
    std::string commandLine = recorded.substr(0, nl);
    std::string cwd = recorded.substr(nl + 1, recorded.find('\n', nl + 1) - nl - 1);
    EXPECT_NE(std::string::npos, commandLine.find("\"snap shot.png\"")) << commandLine;
    EXPECT_EQ(0, lstrcmpiA((folder.substr(0, folder.size() - 1)).c_str(), cwd.c_str())) << cwd;
    EXPECT_TRUE(kapto.Boxes().empty());
    EXPECT_TRUE(kapto.Exit());
    ::DeleteFileA(file.c_str());
    ::RemoveDirectoryA(folder.c_str());
}

std::set<DWORD> HelpViewers() {
    std::set<DWORD> pids;
    HANDLE hSnap = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 pe = {};
    pe.dwSize = sizeof(pe);
    for (BOOL b = ::Process32First(hSnap, &pe); b; b = ::Process32Next(hSnap, &pe))
        if (lstrcmpiA(pe.szExeFile, "hh.exe") == 0) pids.insert(pe.th32ProcessID);
    ::CloseHandle(hSnap);
    return pids;
}

TEST_F(KaptoProgramTest, HelpHidesTheWindowAndOpensTheHelpFile) {
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA((ExeDir() + "Kapto.chm").c_str()))
        << "Kapto.chm is built beside the program";
    WriteConfig();
    std::set<DWORD> before = HelpViewers();
    KaptoRun kapto;
    ASSERT_TRUE(kapto.Start());
    kapto.Foreground();
    ClickAt(kapto.Item(kHelpButton));
    EXPECT_TRUE(WaitFor([&] { return !kapto.Visible(); }));
    DWORD nViewer = 0;
    EXPECT_TRUE(WaitFor([&] {
        for (DWORD pid : HelpViewers())
            if (!before.count(pid)) nViewer = pid;
        return nViewer != 0;
    })) << "the shell started the help viewer";
    if (nViewer != 0) {
        // The viewer this test caused, ended by its id.
        HANDLE h = ::OpenProcess(PROCESS_TERMINATE, FALSE, nViewer);
        if (h != nullptr) {
            ::TerminateProcess(h, 0);
            ::CloseHandle(h);
        }
    }
    EXPECT_TRUE(kapto.Exit());
}

}  // namespace
