// The per-user installer as a person uses it, silently: it installs into the
// user's local programs folder (or the folder given), with a Start-menu
// shortcut and an entry under the user's uninstall key; the installed
// program runs and finds its help; the uninstaller removes what was
// installed and the settings file, and nothing of the user's. The zip and
// the installer hold what the program needs, whatever the install rules say.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "package/package_paths.h"
#include "support/temp_files.h"

namespace {

using kaptotest::DirExists;
using kaptotest::ListFiles;

// Everything the program uses beside itself, sorted as ListFiles sorts.
const std::vector<std::string> kShipped = {"Hook.dll", "Kapto.chm", "Kapto.exe", "Kaptolib.dll", "kfw.dll", "snap.wav"};

const WPARAM kHelpCommand = 0xE146;  // ID_HELP

const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kapto";

std::string ShellFolder(int csidl) {
    char path[MAX_PATH] = "";
    if (FAILED(::SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return std::string();
    return path;
}

std::string DefaultInstallDir() { return ShellFolder(CSIDL_LOCAL_APPDATA) + "\\Programs\\Kapto\\"; }
std::string ShortcutPath() { return ShellFolder(CSIDL_PROGRAMS) + "\\Kapto.lnk"; }

bool SamePath(const std::string& a, const std::string& b) {
    return ::lstrcmpiA(kaptotest::FullPath(a).c_str(), kaptotest::FullPath(b).c_str()) == 0;
}

// Runs a command line to its end; the exit code, or -1 when it did not start
// or did not end within nMs.
long RunToEnd(const std::string& strCommand, DWORD nMs = 60000) {
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    std::string cmd = strCommand;
    if (!::CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
    DWORD dwCode = (DWORD)-1;
    if (::WaitForSingleObject(pi.hProcess, nMs) == WAIT_OBJECT_0) ::GetExitCodeProcess(pi.hProcess, &dwCode);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    return (long)dwCode;
}

bool WaitUntil(bool (*pDone)(const std::string&), const std::string& arg, DWORD nMs) {
    DWORD dwEnd = ::GetTickCount() + nMs;
    while (!pDone(arg)) {
        if ((LONG)(::GetTickCount() - dwEnd) >= 0) return pDone(arg);
        ::Sleep(100);
    }
    return true;
}

// A string value under the user's (or the machine's) uninstall key of Kapto;
// "<none>" when there is none.
std::string UninstallValue(HKEY hRoot, const char* pszName) {
    HKEY hKey;
    if (::RegOpenKeyExA(hRoot, kUninstallKey, 0, KEY_READ, &hKey) != ERROR_SUCCESS) return "<none>";
    char buf[1024] = "";
    DWORD nType = 0, nSize = sizeof(buf) - 1;
    LONG r = ::RegQueryValueExA(hKey, pszName, nullptr, &nType, (BYTE*)buf, &nSize);
    ::RegCloseKey(hKey);
    if (r != ERROR_SUCCESS) return "<none>";
    if (nType == REG_DWORD) return std::to_string(*(DWORD*)buf);
    return buf;
}

bool UninstallKeyExists(HKEY hRoot) {
    HKEY hKey;
    if (::RegOpenKeyExA(hRoot, kUninstallKey, 0, KEY_READ, &hKey) != ERROR_SUCCESS) return false;
    ::RegCloseKey(hKey);
    return true;
}

// The program a shortcut starts; empty when it cannot be read.
std::string ShortcutTarget(const std::string& strLink) {
    std::string target;
    if (FAILED(::CoInitialize(nullptr))) return target;
    IShellLinkA* pLink = nullptr;
    if (SUCCEEDED(
            ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, (void**)&pLink))) {
        IPersistFile* pFile = nullptr;
        if (SUCCEEDED(pLink->QueryInterface(IID_IPersistFile, (void**)&pFile))) {
            wchar_t wide[MAX_PATH];
            ::MultiByteToWideChar(CP_ACP, 0, strLink.c_str(), -1, wide, MAX_PATH);
            char path[MAX_PATH] = "";
            if (SUCCEEDED(pFile->Load(wide, STGM_READ)) && SUCCEEDED(pLink->GetPath(path, MAX_PATH, nullptr, 0)))
                target = path;
            pFile->Release();
        }
        pLink->Release();
    }
    ::CoUninitialize();
    return target;
}

// Settings for a start without a capture, hiding or sound; the rest stays
// at its defaults.
const char kQuietStart[] =
    "<Kapto><Basic><PlaySnapSound>0</PlaySnapSound><HideMainWnd>0</HideMainWnd>"
    "<SnapOnStart>0</SnapOnStart></Basic></Kapto>";

// A first run's settings, but without the sound and with automatic copying.
const char kCaptureAtStart[] =
    "<Kapto><Basic><PlaySnapSound>0</PlaySnapSound></Basic><Image><AutoCopy>1</AutoCopy></Image></Kapto>";

const COLORREF kScreenColour = RGB(20, 140, 200);

// The colour in the middle of the clipboard's bitmap; CLR_INVALID when there
// is none.
COLORREF ClipboardCentreColour() {
    COLORREF clr = CLR_INVALID;
    if (!::OpenClipboard(nullptr)) return clr;
    HBITMAP hBitmap = (HBITMAP)::GetClipboardData(CF_BITMAP);
    BITMAP bm;
    if (hBitmap != nullptr && ::GetObjectA(hBitmap, sizeof(bm), &bm)) {
        HDC hdc = ::CreateCompatibleDC(nullptr);
        HGDIOBJ hOld = ::SelectObject(hdc, hBitmap);
        clr = ::GetPixel(hdc, bm.bmWidth / 2, bm.bmHeight / 2);
        ::SelectObject(hdc, hOld);
        ::DeleteDC(hdc);
    }
    ::CloseClipboard();
    return clr;
}

// The names of a zip's entries, from its central directory; empty when the
// file is no zip.
std::vector<std::string> ZipEntryNames(const std::string& path) {
    const std::string zip = kptest::ReadBytes(path);
    auto u16 = [&](size_t at) { return (unsigned)(unsigned char)zip[at] | (unsigned)(unsigned char)zip[at + 1] << 8; };
    auto u32 = [&](size_t at) { return u16(at) | u16(at + 2) << 16; };
    const size_t kEndRecord = 22, kEntryHeader = 46;
    std::vector<std::string> names;
    size_t end = zip.size() < kEndRecord ? std::string::npos : zip.rfind("PK\x05\x06");
    if (end == std::string::npos || end + kEndRecord > zip.size()) return names;
    size_t at = u32(end + 16);
    for (unsigned n = u16(end + 10); n > 0 && at + kEntryHeader <= zip.size() && u32(at) == 0x02014b50; --n) {
        size_t nName = u16(at + 28), nExtra = u16(at + 30), nComment = u16(at + 32);
        if (at + kEntryHeader + nName > zip.size()) break;
        names.push_back(zip.substr(at + kEntryHeader, nName));
        at += kEntryHeader + nName + nExtra + nComment;
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](char c) { return (char)::tolower((unsigned char)c); });
    return s;
}

bool FileGone(const std::string& path) { return !kptest::FileExists(path); }

class InstallerTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!kptest::FileExists(kaptotest::SetupPath()))
            GTEST_SKIP() << "no installer at " << kaptotest::SetupPath()
                         << ": it is made where makensis is installed (Debian package nsis)";
        ASSERT_EQ(kShipped, ListFiles(kaptotest::StageDir())) << kaptotest::StageDir();
        ForgetInstallation(DefaultInstallDir());
    }

    // What a failed run may have left behind: removed by hand, so every test
    // starts without an installation.
    static void ForgetInstallation(const std::string& dir) {
        for (const std::string& f : ListFiles(dir))
            ::DeleteFileA((dir + f).c_str());
        ::RemoveDirectoryA(dir.c_str());
        ::DeleteFileA(ShortcutPath().c_str());
        ::RegDeleteKeyA(HKEY_CURRENT_USER, kUninstallKey);
    }

    // The installation in dir holds exactly the shipped files, byte for byte,
    // its uninstaller, and the settings file once the program has run.
    void ExpectInstalled(const std::string& dir, bool bHasRun = false) {
        std::vector<std::string> expected = kShipped;
        expected.push_back("uninstall.exe");
        if (bHasRun) expected.push_back("config.xml");
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(expected, ListFiles(dir));
        for (const std::string& f : kShipped) {
            EXPECT_TRUE(kptest::ReadBytes(kaptotest::StageDir() + f) == kptest::ReadBytes(dir + f))
                << f << " differs from the shipped file";
        }
        EXPECT_TRUE(SamePath(dir, UninstallValue(HKEY_CURRENT_USER, "InstallLocation") + "\\"));
        EXPECT_TRUE(SamePath(dir + "Kapto.exe", ShortcutTarget(ShortcutPath())));
    }

    // Starts the installed program with settings beside it (as the program
    // leaves them at exit) and closes it again; it writes them back.
    static void RunOnce(const std::string& dir) {
        ASSERT_TRUE(kptest::WriteBytes(dir + "config.xml", kQuietStart));
        kaptotest::KaptoProcess kapto;
        ASSERT_TRUE(kapto.Start(dir)) << "no main window";
        ASSERT_TRUE(kapto.WaitVisible(true));
        DWORD dwExit = 1;
        ASSERT_TRUE(kapto.Close(&dwExit));
        EXPECT_EQ(0u, dwExit);
        EXPECT_NE(kQuietStart, kptest::ReadBytes(dir + "config.xml")) << "the settings were not written at exit";
    }

    // Runs the uninstaller as the system's list of programs does, and waits
    // for it: it copies itself away and removes the original as it goes.
    void Uninstall(const std::string& dir) {
        std::string command = UninstallValue(HKEY_CURRENT_USER, "QuietUninstallString");
        ASSERT_EQ("\"" + dir + "uninstall.exe\" /S", command);
        ASSERT_EQ(0, RunToEnd(command));
        ASSERT_TRUE(WaitUntil(FileGone, dir + "uninstall.exe", 60000)) << "the uninstaller did not finish";
        EXPECT_TRUE(WaitUntil([](const std::string&) { return !UninstallKeyExists(HKEY_CURRENT_USER); }, "", 10000));
    }
};

TEST_F(InstallerTest, TheZipHoldsTheProgramFolderAsItShips) {
    std::vector<std::string> expected;
    for (const std::string& f : kShipped)
        expected.push_back("Kapto/" + f);
    EXPECT_EQ(expected, ZipEntryNames(kaptotest::ZipPath()));
}

TEST_F(InstallerTest, InstallsForTheUserAloneAndUninstallsCleanly) {
    const std::string dir = DefaultInstallDir();
    ASSERT_EQ(0, RunToEnd("\"" + kaptotest::SetupPath() + "\" /S"));
    ExpectInstalled(dir);
    EXPECT_EQ("Kapto", UninstallValue(HKEY_CURRENT_USER, "DisplayName"));
    EXPECT_EQ(KAPTO_VERSION, UninstallValue(HKEY_CURRENT_USER, "DisplayVersion"));
    EXPECT_EQ("Orvel", UninstallValue(HKEY_CURRENT_USER, "Publisher"));
    EXPECT_TRUE(SamePath(dir + "Kapto.exe", UninstallValue(HKEY_CURRENT_USER, "DisplayIcon")));
    EXPECT_NE("<none>", UninstallValue(HKEY_CURRENT_USER, "EstimatedSize"));
    EXPECT_FALSE(UninstallKeyExists(HKEY_LOCAL_MACHINE)) << "a per-user installer writes nothing for the machine";

    // The installed program starts from the Start menu's shortcut with the
    // settings of a first run, captures the screen at once and, with
    // automatic copying on, leaves it on the clipboard.
    ASSERT_TRUE(kptest::WriteBytes(dir + "config.xml", kCaptureAtStart));
    {
        kaptotest::ColourScreen screen(kScreenColour);
        ASSERT_TRUE(::OpenClipboard(nullptr) && ::EmptyClipboard() && ::CloseClipboard());
        const std::string target = ShortcutTarget(ShortcutPath());
        kaptotest::KaptoProcess kapto;
        ASSERT_TRUE(kapto.Start(target.substr(0, target.rfind('\\') + 1)));
        ASSERT_TRUE(kapto.WaitVisible(true));
        ASSERT_TRUE(kaptotest::WaitFor([] { return ::IsClipboardFormatAvailable(CF_BITMAP) != FALSE; }));
        EXPECT_EQ(kScreenColour, ClipboardCentreColour());
        DWORD dwExit = 1;
        ASSERT_TRUE(kapto.Close(&dwExit));
        EXPECT_EQ(0u, dwExit);
    }
    // Help starts the help viewer (the recorder here) on the installed file.
    {
        kaptotest::OpenCommands viewer({"chm.file"});
        ASSERT_TRUE(kptest::WriteBytes(dir + "config.xml", kQuietStart));
        kaptotest::KaptoProcess kapto;
        ASSERT_TRUE(kapto.Start(dir) && kapto.WaitVisible(true)) << "no main window";
        ::PostMessageA(kapto.Main(), WM_COMMAND, kHelpCommand, 0);
        const std::string help = Lower("\"" + kaptotest::FullPath(dir + "Kapto.chm") + "\"");
        EXPECT_TRUE(kaptotest::WaitFor([&] { return Lower(viewer.Log()).find(help) != std::string::npos; }))
            << viewer.Log();
        EXPECT_TRUE(kapto.Close());
    }
    RunOnce(dir);

    // A picture the user saved into the program folder is the user's.
    const std::string mine = dir + "我的截图.png";
    ASSERT_TRUE(kptest::WriteBytes(mine, "not ours"));
    Uninstall(dir);
    EXPECT_EQ(std::vector<std::string>{"我的截图.png"}, ListFiles(dir));
    EXPECT_FALSE(kptest::FileExists(ShortcutPath()));
    ::DeleteFileA(mine.c_str());
    ::RemoveDirectoryA(dir.c_str());
}

TEST_F(InstallerTest, InstallsIntoAChosenFolderWithChineseNameAndRemovesItWhole) {
    const std::string parent = kptest::NamedTempDir("安装 测试");
    const std::string dir = parent + "截图 工具\\";
    ForgetInstallation(dir);
    // /D= comes last and unquoted, spaces and all.
    ASSERT_EQ(0, RunToEnd("\"" + kaptotest::SetupPath() + "\" /S /D=" + dir.substr(0, dir.size() - 1)));
    ExpectInstalled(dir);
    EXPECT_FALSE(DirExists(DefaultInstallDir()));
    RunOnce(dir);
    Uninstall(dir);
    EXPECT_FALSE(DirExists(dir)) << "the folder holds nothing of the user's and goes too";
    EXPECT_TRUE(DirExists(parent)) << "the folder above is not the installer's";
    ::RemoveDirectoryA(parent.c_str());
}

// Installing over, or removing, a running Kapto would leave a half-changed
// folder: both give up and say so (silently here: exit code 2).
TEST_F(InstallerTest, NeitherInstallNorUninstallTouchesARunningProgram) {
    const std::string dir = DefaultInstallDir();
    ASSERT_EQ(0, RunToEnd("\"" + kaptotest::SetupPath() + "\" /S"));
    ASSERT_TRUE(kptest::WriteBytes(dir + "config.xml", kQuietStart));
    {
        kaptotest::KaptoProcess kapto;
        ASSERT_TRUE(kapto.Start(dir) && kapto.WaitVisible(true)) << "no main window";
        HANDLE h = ::CreateFileA((dir + "Kapto.exe").c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, 0, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            ::CloseHandle(h);
            kapto.Close();
            Uninstall(dir);
            GTEST_SKIP() << "this system lets a running program's file be opened for writing";
        }
        EXPECT_EQ(2, RunToEnd("\"" + kaptotest::SetupPath() + "\" /S"));
        // "_?=" runs the uninstaller in place, so its exit code is the answer.
        EXPECT_EQ(2, RunToEnd("\"" + dir + "uninstall.exe\" /S _?=" + dir.substr(0, dir.size() - 1)));
        ExpectInstalled(dir, true);
        ASSERT_TRUE(kapto.Close());
    }
    Uninstall(dir);
    EXPECT_FALSE(DirExists(dir));
}

}  // namespace
