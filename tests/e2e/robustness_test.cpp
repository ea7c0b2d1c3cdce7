// What the happy path never tries: a hot key while the Save-as dialog waits,
// a second start, the end of the session followed by a killed process, and a
// program planted beside an image under the editor's name.
#include "e2e/e2e_support.h"

#include "support/temp_files.h"

namespace {

using namespace e2e;

const UINT kCmdGrayScale = 32810, kCmdShowHide = 32799;
const char kPlantedEditor[] = "kapto-planted-editor.exe";

// Kapto with automatic copying on (each capture lands on the clipboard) and
// a bare editor name that nothing on the system answers to.
class Robustness : public Scenario {
protected:
    void SetUp() override {
        Scenario::SetUp();
        if (HasFatalFailure()) return;
        m_strDir = kptest::NamedTempDir("kapto-e2e-robust");
        ASSERT_TRUE(StartKapto([](CKpConfig& c) {
            c.SetAutoCopy(1);
            c.SetEditAppPath(kPlantedEditor);
        }));
        m_hMain = m_kapto.Main();
    }
    void TearDown() override {
        Scenario::TearDown();
        for (const char* pszName : {"snap.png", kPlantedEditor, "recorder.txt"})
            ::DeleteFileA((m_strDir + pszName).c_str());
    }

    // The capture, the clipboard left empty.
    Picture CaptureAndEmptyClipboard() {
        Picture copied = CaptureScreen();
        if (::OpenClipboard(nullptr)) {
            ::EmptyClipboard();
            ::CloseClipboard();
        }
        return copied;
    }

    std::string m_strDir;
    HWND m_hMain = nullptr;
};

TEST_F(Robustness, AHotKeyWhileSaveAsWaitsStartsNothingAndTheFileIsTheImageOfThatMoment) {
    Picture captured = CaptureAndEmptyClipboard();
    ::PostMessageA(m_hMain, WM_COMMAND, ids::kSaveAs, 0);
    ASSERT_TRUE(WaitFor([&] {
        return kaptotest::FindProcessWindow(m_kapto.Pid(), [](HWND h) {
                   return ::IsWindowVisible(h) && ::GetDlgItem(h, 0x47c) != nullptr;  // cmb13: a file dialog
               }) != nullptr;
    })) << "no Save-as dialog";
    PressKeys({VK_CONTROL, VK_SNAPSHOT});
    // A capture (half a second's delay) would be on the clipboard by now.
    kaptotest::PumpFor(2000);
    EXPECT_TRUE(ClipboardPicture().Empty()) << "the hot key captured behind the dialog";
    ASSERT_TRUE(AnswerFileDialog(m_kapto, m_strDir + "snap.png"));
    EXPECT_EQ("", AnswerMessageBox(m_kapto, 1500)) << "the save was refused";
    ExpectSamePicture(captured, FilePicture(m_strDir + "snap.png"), "saved");

    PressKeys({VK_CONTROL, VK_SNAPSHOT});
    EXPECT_TRUE(WaitFor([] { return !ClipboardPicture().Empty(); })) << "the hot key does not work after the dialog";
    EXPECT_TRUE(ExitKapto());
}

TEST_F(Robustness, ASecondStartShowsTheHiddenCopyAndEndsTouchingNothing) {
    ::PostMessageA(m_hMain, WM_COMMAND, kCmdShowHide, 0);
    ASSERT_TRUE(m_kapto.WaitVisible(false));
    std::string before, after;
    kaptotest::ConfigFileGuard::Read(SettingsPath(), before);

    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    std::string exe = ExeDir() + "Kapto.exe";
    ASSERT_TRUE(
        ::CreateProcessA(exe.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, ExeDir().c_str(), &si, &pi));
    // Pumping: the second copy hands the foreground around while it ends.
    bool bEnded = WaitFor([&] { return ::WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0; }, 10000);
    if (!bEnded) ::TerminateProcess(pi.hProcess, 99);
    ::WaitForSingleObject(pi.hProcess, 5000);
    ::CloseHandle(pi.hProcess);
    ::CloseHandle(pi.hThread);
    EXPECT_TRUE(bEnded) << "the second copy stays (its hot keys refused, its own window and tray icon)";
    EXPECT_TRUE(m_kapto.WaitVisible(true)) << "the running copy was not brought forward";
    kaptotest::ConfigFileGuard::Read(SettingsPath(), after);
    EXPECT_EQ(before, after);
    EXPECT_TRUE(ExitKapto());
}

TEST_F(Robustness, SettingsWrittenOnAChangeAndAtTheSessionsEndSurviveAKill) {
    ::PostMessageA(m_hMain, WM_COMMAND, kCmdGrayScale, 0);
    EXPECT_TRUE(WaitFor([] { return StoredSettings().GetGrayScale() != 0; }, 5000)) << "not written on the change";

    ::DeleteFileA(SettingsPath().c_str());
    EXPECT_TRUE(::SendMessageA(m_hMain, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF));
    ::SendMessageA(m_hMain, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    HANDLE hProcess = ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, m_kapto.Pid());
    ASSERT_NE(nullptr, hProcess);
    ::TerminateProcess(hProcess, 99);
    ::WaitForSingleObject(hProcess, 10000);
    ::CloseHandle(hProcess);

    ASSERT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(SettingsPath().c_str())) << "not written at the end";
    CKpConfig stored = StoredSettings();
    EXPECT_EQ(1, stored.GetGrayScale());
    EXPECT_EQ(1, stored.GetAutoCopy());
    EXPECT_EQ(CString(kPlantedEditor), stored.GetEditAppPath());
}

TEST_F(Robustness, AnEditorPlantedBesideTheImageIsNotRunAndTheMissingOneIsSaid) {
    ASSERT_TRUE(::CopyFileA((ExeDir() + "recorder.exe").c_str(), (m_strDir + kPlantedEditor).c_str(), FALSE));
    Picture view = ViewPicture(m_hMain);
    ClickControl(m_hMain, ids::kNewSnap);
    ASSERT_TRUE(WaitForNewThumbnail(view)) << "no capture";
    // Edit saves the image first: into the folder with the planted program.
    ::PostMessageA(m_hMain, WM_COMMAND, ids::kEditImage, 0);
    ASSERT_TRUE(AnswerFileDialog(m_kapto, m_strDir + "snap.png"));
    HWND hBox = WaitForMessageBox(m_kapto);
    ASSERT_NE(nullptr, hBox) << "no message that the editor cannot be started";
    EXPECT_NE(std::string::npos, MessageBoxText(hBox).find(kPlantedEditor)) << MessageBoxText(hBox);
    ::PostMessageA(hBox, WM_COMMAND, IDOK, 0);
    WaitFor([hBox] { return !::IsWindow(hBox); }, 5000);
    kaptotest::PumpFor(1000);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA((m_strDir + "recorder.txt").c_str()))
        << "the planted program ran";
    EXPECT_TRUE(ExitKapto());
}

}  // namespace
