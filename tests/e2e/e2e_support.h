// The end-to-end scenarios' harness: the real Kapto.exe from the program
// folder with a fresh configuration, another program with a known window
// (e2e_target.exe), input as a person gives it (SendInput keys and clicks,
// the tray icon's callback), and what a person checks afterwards: the
// clipboard's bitmap, saved files read again with GDI+, the screen, and
// config.xml. A scenario that fails leaves a picture of the screen named
// after it in e2e-screenshots/ of the build folder.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "e2e/e2e_target.h"
#include "kp_config.h"
#include "shell/kapto_process.h"
#include "support/input_events.h"

namespace e2e {

using kaptotest::ExeDir;
using kaptotest::KaptoProcess;
using kaptotest::WaitFor;

// Waits (pumping this thread's messages) until done(), nMs at most. When it
// never holds, the result names what was awaited and for how long, so that
// EXPECT_TRUE(Await(...)) says it: "waited 5000 ms for ...".
::testing::AssertionResult Await(const std::string& strWhat, const std::function<bool()>& done, DWORD nMs = 15000);
// Said on the output when a helper gives up waiting.
void NoteTimeout(const std::string& strWhat, DWORD nMs);

// ---- Pictures ---------------------------------------------------------------------

// Pixels top-down, 0x00RRGGBB.
struct Picture {
    int nWidth = 0;
    int nHeight = 0;
    std::vector<UINT> pixels;

    bool Empty() const { return pixels.empty(); }
    COLORREF At(int x, int y) const;
    // The part inside rc (in this picture's coordinates), clipped to it.
    Picture Crop(const RECT& rc) const;
};

// The screen inside rc (screen coordinates).
Picture GrabScreen(const RECT& rc);
Picture GrabWholeScreen();
// The clipboard's bitmap; empty when it holds none, or while a window
// holds the clipboard open (this test opens it only once the copy is whole
// and its writer has let go: an open of ours could refuse the writer).
Picture ClipboardPicture();
// The clipboard's bitmap once there is one, waited for nMs; the failure
// says what was awaited.
::testing::AssertionResult WaitForClipboardPicture(Picture& picture, DWORD nMs = 5000);
// Empties the clipboard once no window holds it open.
::testing::AssertionResult ClearClipboard();
// A picture as a bitmap on the clipboard, as another program copies it.
bool PutOnClipboard(const Picture& picture);
// A picture of its own: diagonal bands of three colours, nShift bands along.
Picture Bands(int nWidth, int nHeight, UINT nShift = 0);
// An image file read with GDI+; empty when GDI+ cannot read it.
Picture FilePicture(const std::string& strPath);
bool SavePng(const Picture& picture, const std::string& strPath);

// Pixels whose channels differ from the other picture's by more than
// nTolerance; -1 when the sizes differ or either is empty.
long CountDifferences(const Picture& a, const Picture& b, int nTolerance = 0);
// Mean absolute channel difference; -1 when the sizes differ.
double MeanDifference(const Picture& a, const Picture& b);

// ---- The other program --------------------------------------------------------------

// A patch of colour of the test program's own at kRect, beside the other
// program's window and away from Kapto's, changed before a capture so that
// the capture makes a new thumbnail.
class ColourPatch {
public:
    ColourPatch();
    ~ColourPatch();
    // The next colour, painted and waited for on the screen; its brightness
    // differs from the last one's, so a grey or negated capture changes too.
    ::testing::AssertionResult Next();
    static constexpr RECT kRect = {1000, 40, 1240, 220};

private:
    HWND m_hWnd;
};

// e2e_target.exe: a window at a known place, of a known pattern, with a
// button, an edit box and a menu bar. Closed again when the object goes.
class TargetProgram {
public:
    ~TargetProgram();
    bool Start();
    HWND Window() const { return m_hWnd; }
    RECT WindowRect() const;
    RECT ClientRect() const;        // on the screen
    RECT ChildRect(int nId) const;  // a child's window on the screen
    // Puts the window in front of every other, as a click on its caption does.
    bool BringToFront() const;

private:
    PROCESS_INFORMATION m_pi = {};
    HWND m_hWnd = nullptr;
};

// ---- Input -------------------------------------------------------------------------

RECT ScreenRectOf(HWND hWnd);
// A left click in the middle of a window.
void ClickWindow(HWND hWnd);
// A left click on a control of a dialog.
void ClickControl(HWND hDialog, int nId);
// Keys pressed in order and released in reverse: PressKeys({VK_CONTROL, 'V'}).
// False when the display let a modifier go as the last key went down.
bool PressKeys(std::initializer_list<WORD> keys);
// Text typed as characters (KEYEVENTF_UNICODE), whatever the keyboard.
void TypeText(const std::wstring& text);
// A left-button drag from one screen point to another, in steps.
void Drag(POINT ptFrom, POINT ptTo);

// ---- Folders -----------------------------------------------------------------------

// A folder of its own in the temporary folder, emptied now and removed with
// the object, which Lock() makes unwritable from the Unix side (chattr +i:
// not even root may add a file to it) until then.
class LockedFolder {
public:
    explicit LockedFolder(const char* pszName);
    ~LockedFolder();
    // False when the system refused (chattr +i needs CAP_LINUX_IMMUTABLE).
    bool Lock();
    const std::string& Dir() const { return m_strDir; }  // ends in a separator
    std::vector<std::string> Files() const;

private:
    void Unlock();
    void Empty();

    std::string m_strDir;
};

// ---- Kapto's windows ------------------------------------------------------------------

namespace ids {
const int kView = 1005;
const int kSnapType = 1004;
const int kNewSnap = 32796;
const int kCopy = 57634;
const int kSaveAs = 57604;
const int kEditImage = 32804;
const int kGrayScale = 1006;
const int kNegate = 1007;
const int kFlipHorz = 1010;
const int kExit = IDOK;
const int kHelp = 57670;
const UINT kTrayMessage = WM_USER + 100;
const UINT kTrayIconId = 131;
}  // namespace ids

// The screen inside the main window's thumbnail view.
Picture ViewPicture(HWND hMain);
// Picks capture mode nMode in the capture-type box: a click opens it, a
// click on the item in its list chooses it. A failure says which did not
// happen.
::testing::AssertionResult ChooseSnapType(HWND hMain, int nMode);
// The visible top-level window of Kapto's process whose caption is
// strCaption (another class than the main window), waited for.
HWND WaitForKaptoWindow(const KaptoProcess& kapto, const std::string& strCaption, DWORD nMs = 15000);
// A message box of Kapto's process (any caption), and its text.
HWND WaitForMessageBox(const KaptoProcess& kapto, DWORD nMs = 15000);
std::string MessageBoxText(HWND hBox);
// The message box's text once one is there, closed with its OK button; empty
// when none came.
std::string AnswerMessageBox(const KaptoProcess& kapto, DWORD nMs = 15000);
// Kapto's open or save dialog answered as a person does: the file name typed
// into its name box and Enter pressed there. A failure when no dialog came,
// the keyboard did not reach the name box, or it did not close.
::testing::AssertionResult AnswerFileDialog(const KaptoProcess& kapto, const std::string& strPath);
// A person's keys go to hWnd (a window of Kapto's): it has the keyboard focus.
::testing::AssertionResult WaitForFocus(const KaptoProcess& kapto, HWND hWnd, DWORD nMs = 5000);

// The rectangle overlay (the frozen screen: a window of Kapto's other than
// hMain over the whole screen), waited for until it is up and its loop takes
// messages, which is when it takes the mouse.
::testing::AssertionResult AwaitRectangleOverlay(const KaptoProcess& kapto, HWND hMain, HWND* phOverlay = nullptr);
// The tray icon's callback as the shell sends it for mouse message nMouse.
void TrayCallback(const KaptoProcess& kapto, UINT nMouse);

// The recent captures a Kapto session keeps, and what one whole-screen
// capture costs there (its 24-bit pixels and its thumbnail): a session's
// memory grows by that much for each, up to the bound, by design.
const int kRecentCaptures = 30;
long long KeptCaptureBytes();

// What a process holds: its private memory and, where the system counts
// them (Wine does not: 0), its GDI and USER objects.
struct Usage {
    SIZE_T nPrivate = 0;
    DWORD nGdi = 0;
    DWORD nUser = 0;
};
Usage UsageOf(DWORD nPid);

// ---- A scenario ------------------------------------------------------------------------

// Each scenario starts the program anew with its own settings, on a screen
// with the other program's window, and keeps config.xml beside the programs
// as it was; on failure it leaves a picture of the screen behind.
class Scenario : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Fresh settings (the defaults, without the capture at start and its
    // sound) changed by change(), no index of recent captures, then
    // Kapto.exe started and shown.
    bool StartKapto(const std::function<void(CKpConfig&)>& change = nullptr);
    // Kapto.exe started on whatever config.xml holds (or none).
    bool StartKaptoAsIs();
    // Closes the program with its exit button and waits for its end.
    bool ExitKapto();
    // The whole screen captured with the New capture button, automatic
    // copying on: what the clipboard then holds.
    Picture CaptureScreen();
    // Waits until the thumbnail view shows something else than before, and
    // Kapto is done with what made it (an automatic copy included).
    ::testing::AssertionResult WaitForNewThumbnail(const Picture& before, DWORD nMs = 15000);
    // The picture a person would see is the one expected, to within
    // nTolerance a channel; when not, both are left beside the screenshot
    // (named after the scenario and strWhat).
    void ExpectSamePicture(const Picture& expected, const Picture& actual, const char* pszWhat, int nTolerance = 0);
    // The settings config.xml holds now.
    static CKpConfig StoredSettings();
    static std::string SettingsPath() { return ExeDir() + "config.xml"; }

    kaptotest::ConfigFileGuard m_guard;  // last to go: after the program wrote its settings
    TargetProgram m_target;
    KaptoProcess m_kapto;
};

// Where a scenario leaves its pictures: e2e-screenshots/ in the build folder.
std::string ScreenshotDir();

}  // namespace e2e
