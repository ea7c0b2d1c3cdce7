// Running the real Kapto.exe from a test in the same Wine desktop: its
// settings, its process, its windows, and what the notification area holds.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "kp_config.h"
#include "support/config_file_guard.h"
#include "support/desktop.h"
#include "support/message_pump.h"

namespace kaptotest {

using kptest::ExeDir;
using kptest::RunningUnderWine;
using kptest::ScreenPixel;
using kptest::TrayHolds;

inline void PumpFor(DWORD nMs) { kptest::PumpMessages(nMs); }

// Waits (pumping this thread's messages) until done() or nMs have passed;
// the last answer of done().
inline bool WaitFor(const std::function<bool()>& done, DWORD nMs = 15000) {
    DWORD nStart = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - nStart > nMs) return done();
        PumpFor(20);
    }
    return true;
}

using kptest::ConfigFileGuard;

// The settings the program starts from (config.xml beside it): no capture
// at start, no hiding, no delay and no sound, and what change() sets.
inline void WriteSettings(const std::function<void(CKpConfig&)>& change) {
    CKpConfig config;
    config.SetSnapOnStart(0);
    config.SetHideMainWnd(0);
    config.SetSnapDelayTime(0);
    config.SetPlaySnapSound(0);
    change(config);
    config.SaveConfig();
}

// A top-level window of process nPid for which match() holds, or null.
inline HWND FindProcessWindow(DWORD nPid, const std::function<bool(HWND)>& match) {
    struct Search {
        DWORD nPid;
        const std::function<bool(HWND)>* pMatch;
        HWND hFound;
    } search = {nPid, &match, nullptr};
    ::EnumWindows(
        [](HWND h, LPARAM l) -> BOOL {
            Search* s = reinterpret_cast<Search*>(l);
            DWORD pid = 0;
            ::GetWindowThreadProcessId(h, &pid);
            if (pid != s->nPid || !(*s->pMatch)(h)) return TRUE;
            s->hFound = h;
            return FALSE;
        },
        (LPARAM)&search);
    return search.hFound;
}

inline std::string ClassOf(HWND h) {
    char cls[64] = "";
    ::GetClassNameA(h, cls, sizeof(cls));
    return cls;
}

inline std::string TextOf(HWND h) {
    char text[256] = "";
    ::GetWindowTextA(h, text, sizeof(text));
    return text;
}

// The thumbnail view's client area (control 1005 of the main window) on the
// screen.
inline RECT ViewOnScreen(HWND hMain) {
    HWND hView = ::GetDlgItem(hMain, 1005);
    RECT rc;
    ::GetClientRect(hView, &rc);
    ::MapWindowPoints(hView, nullptr, (POINT*)&rc, 2);
    return rc;
}

// A topmost window of one colour over the whole screen.
class ColourScreen {
public:
    explicit ColourScreen(COLORREF clr) : m_hBrush(::CreateSolidBrush(clr)) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = ::DefWindowProcA;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.hbrBackground = m_hBrush;
        wc.lpszClassName = "KaptoTestColourScreen";
        ::RegisterClassA(&wc);
        m_hWnd = ::CreateWindowExA(WS_EX_TOPMOST, wc.lpszClassName, "", WS_POPUP | WS_VISIBLE, 0, 0,
                                   ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr,
                                   wc.hInstance, nullptr);
        ::UpdateWindow(m_hWnd);
        PumpFor(300);
    }
    ~ColourScreen() {
        ::DestroyWindow(m_hWnd);
        ::UnregisterClassA("KaptoTestColourScreen", ::GetModuleHandleA(nullptr));
        ::DeleteObject(m_hBrush);
    }

private:
    HBRUSH m_hBrush;
    HWND m_hWnd;
};

// Kapto.exe, started from the programs' folder; killed if a test leaves it
// running.
// The programs the shell starts for some classes (a URL scheme such as
// "http", a file class such as "chm.file"), replaced by url_recorder for one
// test: its open command in the user's classes (what Windows reads first)
// and, as Wine reads only the merged root, there too. Put back afterwards.
class OpenCommands {
public:
    explicit OpenCommands(std::vector<std::string> classes)
        : m_classes(std::move(classes)), m_strLog(ExeDir() + "url_recorder.log") {
        ::DeleteFileA(m_strLog.c_str());
        std::string command = "\"" + ExeDir() + "url_recorder.exe\" \"%1\"";
        for (const std::string& name : m_classes) {
            std::string key = name + "\\shell\\open\\command";
            SetDefault(HKEY_CURRENT_USER, "Software\\Classes\\" + key, command);
            if (RunningUnderWine()) {
                Saved saved = {key, "", false};
                saved.bExisted = GetDefault(HKEY_CLASSES_ROOT, key, saved.value);
                m_saved.push_back(saved);
                SetDefault(HKEY_CLASSES_ROOT, key, command);
            }
        }
    }
    ~OpenCommands() {
        for (const std::string& name : m_classes)
            ::RegDeleteTreeA(HKEY_CURRENT_USER, ("Software\\Classes\\" + name).c_str());
        for (const Saved& saved : m_saved) {
            if (saved.bExisted)
                SetDefault(HKEY_CLASSES_ROOT, saved.key, saved.value);
            else
                ::RegDeleteKeyA(HKEY_CLASSES_ROOT, saved.key.c_str());
        }
        ::DeleteFileA(m_strLog.c_str());
    }
    // The command lines recorded so far.
    std::string Log() const {
        std::string data;
        ConfigFileGuard::Read(m_strLog, data);
        return data;
    }

private:
    struct Saved {
        std::string key;
        std::string value;
        bool bExisted;
    };
    static void SetDefault(HKEY hRoot, const std::string& key, const std::string& value) {
        HKEY h;
        if (::RegCreateKeyExA(hRoot, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr) != 0) return;
        ::RegSetValueExA(h, nullptr, 0, REG_SZ, (const BYTE*)value.c_str(), (DWORD)value.size() + 1);
        ::RegCloseKey(h);
    }
    static bool GetDefault(HKEY hRoot, const std::string& key, std::string& value) {
        char buf[1024];
        LONG cb = sizeof(buf);
        if (::RegQueryValueA(hRoot, key.c_str(), buf, &cb) != 0) return false;
        value.assign(buf);
        return true;
    }
    std::vector<std::string> m_classes;
    std::string m_strLog;
    std::vector<Saved> m_saved;
};

class KaptoProcess {
public:
    ~KaptoProcess() { Release(); }
    // Starts the program (from the programs' folder, or from strDir, a folder
    // ending in a separator) and waits for its main window (the dialog with
    // the menu bar), shown or not.
    bool Start(const std::string& strDir = ExeDir()) {
        std::string exe = strDir + "Kapto.exe";
        std::wstring wide(exe.size() + 1, L'\0');
        wide.resize((size_t)::MultiByteToWideChar(CP_ACP, 0, exe.c_str(), -1, &wide[0], (int)wide.size()) - 1);
        return StartProgram(wide);
    }
    // The same for a program file of any name, in any folder.
    bool StartProgram(const std::wstring& strExe) {
        Release();
        STARTUPINFOW si = {};
        si.cb = sizeof(si);
        const std::wstring strDir = strExe.substr(0, strExe.rfind(L'\\') + 1);
        if (!::CreateProcessW(strExe.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, strDir.c_str(), &si, &m_pi))
            return false;
        WaitFor(
            [this] {
                m_hMain = FindProcessWindow(m_pi.dwProcessId,
                                            [](HWND h) { return ClassOf(h) == "#32770" && ::GetMenu(h) != nullptr; });
                return m_hMain != nullptr;
            },
            30000);
        return m_hMain != nullptr;
    }
    bool WaitVisible(bool bVisible, DWORD nMs = 15000) {
        return WaitFor([&] { return (::IsWindowVisible(m_hMain) != FALSE) == bVisible; }, nMs);
    }
    // Asks the main window to close and waits for the program's end.
    bool Close(DWORD* pExitCode = nullptr) {
        ::PostMessageA(m_hMain, WM_CLOSE, 0, 0);
        return WaitExit(pExitCode);
    }
    bool WaitExit(DWORD* pExitCode = nullptr, DWORD nMs = 20000) {
        if (::WaitForSingleObject(m_pi.hProcess, nMs) != WAIT_OBJECT_0) return false;
        if (pExitCode != nullptr) ::GetExitCodeProcess(m_pi.hProcess, pExitCode);
        return true;
    }
    // A top-level window of the program owned by the main window, for which
    // match() holds.
    HWND FindOwned(const std::function<bool(HWND)>& match) const {
        HWND hMain = m_hMain;
        return FindProcessWindow(m_pi.dwProcessId, [&](HWND h) {
            return ::GetWindow(h, GW_OWNER) == hMain && ::IsWindowVisible(h) && match(h);
        });
    }
    HWND WaitOwned(const std::function<bool(HWND)>& match, DWORD nMs = 15000) const {
        HWND hFound = nullptr;
        WaitFor([&] { return (hFound = FindOwned(match)) != nullptr; }, nMs);
        return hFound;
    }

    // Waits until the program waits for input with nothing left to do: its
    // start-up (and the capture it may make) is over.
    bool WaitIdle(DWORD nMs = 15000) const { return ::WaitForInputIdle(m_pi.hProcess, nMs) == 0; }
    // Whether the main window's thread takes a message within nMs: it is
    // back in a message loop (its own or a modal one's), so whatever it was
    // doing for the input or command before (a capture, the options sheet's
    // OK) has run to its end. Posted messages it already holds may still wait.
    bool Answers(DWORD nMs = 15000) const {
        DWORD_PTR nResult = 0;
        return ::SendMessageTimeoutA(m_hMain, WM_NULL, 0, 0, SMTO_NORMAL, nMs, &nResult) != 0;
    }

    HWND Main() const { return m_hMain; }
    DWORD Pid() const { return m_pi.dwProcessId; }
    bool Running() const { return m_pi.hProcess != nullptr && ::WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT; }
    // Ends the program at once, as a crash or the task manager does; true
    // once it is gone.
    bool Kill() {
        if (m_pi.hProcess == nullptr) return false;
        ::TerminateProcess(m_pi.hProcess, 99);
        return ::WaitForSingleObject(m_pi.hProcess, 10000) == WAIT_OBJECT_0;
    }

private:
    // The program of an earlier Start, ended if a test left it running.
    void Release() {
        if (m_pi.hProcess == nullptr) return;
        if (::WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT) ::TerminateProcess(m_pi.hProcess, 99);
        ::WaitForSingleObject(m_pi.hProcess, 5000);
        ::CloseHandle(m_pi.hProcess);
        ::CloseHandle(m_pi.hThread);
        m_pi = {};
        m_hMain = nullptr;
    }

    PROCESS_INFORMATION m_pi = {};
    HWND m_hMain = nullptr;
};

}  // namespace kaptotest
