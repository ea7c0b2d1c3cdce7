// From the person's last action to the new thumbnail on the screen, for each
// capture mode of the real Kapto.exe: the hot key for the whole screen and
// the current window; the chooser's OK for the active window and the client
// area; the click for the object; the release of the drag for the rectangle.
// The capture delay is set to 0 (the default adds its 500 ms to each), the
// window hides during a capture as it does by default. The thumbnail counts
// once the shown view differs from what it showed before: the placeholder
// (Clear), or for the whole screen the last capture, with a patch of colour
// on the screen changed since. The whole screen is captured as a person
// repeats it, into the buffers the last capture kept: Clear releases them,
// and 5 MB of fresh memory cost about 25 ms more here. With --autosave every
// capture is also written (PNG, into a folder of the bench's own, emptied
// at the end): the thumbnail must not wait for the file.
//
//   tools/wine-run --desktop 1280x1024 build/win/bin/key_to_thumbnail_bench.exe [runs] [--autosave]
#include "e2e/e2e_support.h"

#include <memory>

#include "bench_support.h"
#include "support/temp_files.h"

namespace {

using namespace e2e;

const UINT kCmdClear = 0xE120;

class Session {
public:
    bool Start(bool bAutoSave) {
        m_guard.reset(new kaptotest::ConfigFileGuard);
        CKpConfig config;
        config.SetSnapOnStart(0);
        config.SetPlaySnapSound(0);
        config.SetSnapDelayTime(0);
        if (bAutoSave) {
            m_strSaveDir = kptest::NamedTempDir("kapto-bench-autosave");
            config.SetAutoSave(1);
            config.SetAutoSaveFolder(m_strSaveDir.substr(0, m_strSaveDir.size() - 1).c_str());
        }
        config.SaveConfig();
        if (!m_target.Start() || !m_kapto.Start() || !m_kapto.WaitVisible(true)) return false;
        m_hMain = m_kapto.Main();
        return true;
    }
    ~Session() {
        if (m_hMain != nullptr) m_kapto.Close();
        if (m_strSaveDir.empty()) return;
        WIN32_FIND_DATAA fd;
        HANDLE h = ::FindFirstFileA((m_strSaveDir + "*.png").c_str(), &fd);
        if (h == INVALID_HANDLE_VALUE) return;
        do {
            ::DeleteFileA((m_strSaveDir + fd.cFileName).c_str());
        } while (::FindNextFileA(h, &fd));
        ::FindClose(h);
    }

    // The placeholder in the view again, remembered: the next thumbnail differs.
    void ClearView() {
        DWORD_PTR r = 0;
        ::SendMessageTimeoutA(m_hMain, WM_COMMAND, kCmdClear, 0, SMTO_NORMAL, 5000, &r);
        kaptotest::PumpFor(150);
        m_before = ViewPicture(m_hMain);
    }
    // The patch changed and the view as it is remembered: the next capture
    // of the whole screen differs.
    void ChangeScreen() {
        bench::Require(static_cast<bool>(m_patch.Next()), "the patch's new colour");
        m_before = ViewPicture(m_hMain);
    }
    bool WaitThumbnail() {
        const double dEnd = bench::Now() + 10;
        while (bench::Now() < dEnd) {
            if (::IsWindowVisible(m_hMain) && CountDifferences(m_before, ViewPicture(m_hMain)) > 0) return true;
            ::Sleep(1);
        }
        return false;
    }
    // The chooser open, the target's item selected.
    HWND ChooseTarget() {
        HWND hChooser = WaitForKaptoWindow(m_kapto, "活动程序窗口", 5000);
        if (hChooser == nullptr) return nullptr;
        HWND hList = ::GetDlgItem(hChooser, 4000);
        int nItem = (int)::SendMessageA(hList, LB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)kTargetTitle);
        ::SendMessageA(hList, LB_SETCURSEL, nItem, 0);
        kaptotest::PumpFor(100);
        return nItem >= 0 ? hChooser : nullptr;
    }

    TargetProgram m_target;
    KaptoProcess m_kapto;
    ColourPatch m_patch;
    HWND m_hMain = nullptr;
    Picture m_before;
    std::string m_strSaveDir;  // the files automatic saving writes; empty when it is off

private:
    std::unique_ptr<kaptotest::ConfigFileGuard> m_guard;
};

}  // namespace

int main(int argc, char** argv) {
    int runs = 10;
    bool bAutoSave = false;
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--autosave") == 0)
            bAutoSave = true;
        else
            runs = atoi(argv[i]);
    }
    Session s;
    bench::Require(s.Start(bAutoSave), "starting Kapto.exe and the pattern window");
    const RECT rcClient = s.m_target.ClientRect();
    const RECT rcButton = s.m_target.ChildRect(kButtonId);
    HWND hChooser = nullptr;

    // The chooser modes: the key opens the chooser and the target is
    // selected untimed; the chooser's OK is the timed action.
    auto openChooser = [&](WORD vk) {
        return std::function<void()>([&s, &hChooser, vk] {
            s.ClearView();
            PressKeys({vk});
            hChooser = s.ChooseTarget();
        });
    };
    const std::function<void()> chooserOk = [&] { ::PostMessageA(hChooser, WM_COMMAND, IDOK, 0); };

    printf("key press (or last action) to thumbnail, median of %d, ms, automatic saving %s\n", runs,
           bAutoSave ? "on" : "off");
    const struct Mode {
        const char* pszName;
        std::function<void()> before;  // untimed: up to the last action
        std::function<void()> act;     // timed with the wait for the thumbnail
    } modes[] = {
        // Ctrl goes down untimed, with the waits the test input makes for
        // it under Wine (the front window's thread answers before and after
        // it); the key press timed is Print Screen's.
        {"whole screen (Ctrl+Print Screen)",
         [&] {
             s.ChangeScreen();
             testinput::SyncWithFront();
             testinput::SendKeyEvent(VK_CONTROL, true);
             testinput::SyncWithFront();
         },
         [] {
             // A Ctrl that Wine let go meanwhile goes down again first.
             if ((::GetAsyncKeyState(VK_CONTROL) & 0x8000) == 0) testinput::SendKeyEvent(VK_CONTROL, true);
             testinput::SendKey(VK_SNAPSHOT);
             testinput::SendKeyEvent(VK_CONTROL, false);
         }},
        {"active window (F3, OK)", openChooser(VK_F3), chooserOk},
        {"current window (F4)",
         [&] {
             s.ClearView();
             s.m_target.BringToFront();
         },
         [] { PressKeys({VK_F4}); }},
        {"client area (F5, OK)", openChooser(VK_F5), chooserOk},
        {"object (F6, click)",
         [&] {
             s.ClearView();
             PressKeys({VK_F6});
             s.m_kapto.WaitVisible(false);
             testinput::PlaceCursorAt((rcButton.left + rcButton.right) / 2, (rcButton.top + rcButton.bottom) / 2);
             kaptotest::PumpFor(800);  // found by the mode's half-second timer
         },
         [] { testinput::SendClick(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP); }},
        {"rectangle (F7, drag, release)",
         [&] {
             s.ClearView();
             PressKeys({VK_F7});
             bench::Require(static_cast<bool>(AwaitRectangleOverlay(s.m_kapto, s.m_hMain)), "the rectangle overlay");
             testinput::PlaceCursorAt(rcClient.left, rcClient.top);
             testinput::SendButton(MOUSEEVENTF_LEFTDOWN);
             kaptotest::PumpFor(60);
             testinput::SendMoveTo(rcClient.right, rcClient.bottom);
             kaptotest::PumpFor(100);
         },
         [] { testinput::SendButton(MOUSEEVENTF_LEFTUP); }},
    };
    for (const Mode& m : modes) {
        double ms = bench::MedianMs(
            runs,
            [&] {
                m.act();
                return s.WaitThumbnail();
            },
            [&] {
                m.before();
                bench::Require(s.m_target.Window() != nullptr, "the pattern window");
            },
            m.pszName);
        printf("  %-32s %8.1f\n", m.pszName, ms);
        fflush(stdout);
    }
    return 0;
}
