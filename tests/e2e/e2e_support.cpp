#include "e2e/e2e_support.h"

#include <objidl.h>
#include <gdiplus.h>

#include <psapi.h>
#include <stdlib.h>

#include "support/gdiplus_codecs.h"
#include "support/message_pump.h"
#include "support/temp_files.h"
#include "support/top_down_dib.h"
#include "support/unix_side.h"

namespace e2e {

using namespace Gdiplus::DllExports;

::testing::AssertionResult Await(const std::string& strWhat, const std::function<bool()>& done, DWORD nMs) {
    if (WaitFor(done, nMs)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "waited " << nMs << " ms for " << strWhat;
}

namespace {

// A window as the failure names it: its class and its process.
std::string Describe(HWND hWnd) {
    if (hWnd == nullptr) return "none";
    DWORD nPid = 0;
    ::GetWindowThreadProcessId(hWnd, &nPid);
    return kaptotest::ClassOf(hWnd) + " of process " + std::to_string(nPid);
}

}  // namespace

void NoteTimeout(const std::string& strWhat, DWORD nMs) { printf("waited %lu ms for %s\n", nMs, strWhat.c_str()); }

// ---- Pictures ---------------------------------------------------------------------

COLORREF Picture::At(int x, int y) const {
    if (x < 0 || y < 0 || x >= nWidth || y >= nHeight) return CLR_INVALID;
    UINT p = pixels[(size_t)y * nWidth + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

Picture Picture::Crop(const RECT& rc) const {
    Picture out;
    int x0 = rc.left < 0 ? 0 : rc.left, y0 = rc.top < 0 ? 0 : rc.top;
    int x1 = rc.right > nWidth ? nWidth : rc.right, y1 = rc.bottom > nHeight ? nHeight : rc.bottom;
    if (x1 <= x0 || y1 <= y0) return out;
    out.nWidth = x1 - x0;
    out.nHeight = y1 - y0;
    out.pixels.reserve((size_t)out.nWidth * out.nHeight);
    for (int y = y0; y < y1; ++y)
        out.pixels.insert(out.pixels.end(), pixels.begin() + (size_t)y * nWidth + x0,
                          pixels.begin() + (size_t)y * nWidth + x1);
    return out;
}

namespace {

// The pixels of a GDI bitmap that no DC holds.
Picture BitmapPicture(HBITMAP hBitmap) {
    Picture out;
    BITMAP bm;
    if (hBitmap == nullptr || ::GetObjectA(hBitmap, sizeof(bm), &bm) == 0) return out;
    BITMAPINFO bmi = TopDownDib32(bm.bmWidth, bm.bmHeight);
    out.pixels.resize((size_t)bm.bmWidth * bm.bmHeight);
    HDC hdc = ::GetDC(nullptr);
    int n = ::GetDIBits(hdc, hBitmap, 0, bm.bmHeight, out.pixels.data(), &bmi, DIB_RGB_COLORS);
    ::ReleaseDC(nullptr, hdc);
    if (n != bm.bmHeight) {
        out.pixels.clear();
        return out;
    }
    out.nWidth = bm.bmWidth;
    out.nHeight = bm.bmHeight;
    for (UINT& p : out.pixels)
        p &= 0x00FFFFFF;
    return out;
}

}  // namespace

Picture GrabScreen(const RECT& rc) {
    Picture out;
    int w = rc.right - rc.left, h = rc.bottom - rc.top;
    if (w <= 0 || h <= 0) return out;
    HDC hScreen = ::GetDC(nullptr);
    HDC hMem = ::CreateCompatibleDC(hScreen);
    HBITMAP hBitmap = ::CreateCompatibleBitmap(hScreen, w, h);
    HGDIOBJ hOld = ::SelectObject(hMem, hBitmap);
    BOOL bCopied = ::BitBlt(hMem, 0, 0, w, h, hScreen, rc.left, rc.top, SRCCOPY);
    ::SelectObject(hMem, hOld);
    ::DeleteDC(hMem);
    ::ReleaseDC(nullptr, hScreen);
    if (bCopied) out = BitmapPicture(hBitmap);
    ::DeleteObject(hBitmap);
    return out;
}

Picture GrabWholeScreen() {
    RECT rc = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    return GrabScreen(rc);
}

Picture ClipboardPicture() {
    Picture out;
    if (!::IsClipboardFormatAvailable(CF_BITMAP) || ::GetOpenClipboardWindow() != nullptr) return out;
    if (!::OpenClipboard(nullptr)) return out;
    HBITMAP hBitmap = (HBITMAP)::GetClipboardData(CF_BITMAP);
    if (hBitmap != nullptr) out = BitmapPicture(hBitmap);
    ::CloseClipboard();
    return out;
}

::testing::AssertionResult WaitForClipboardPicture(Picture& picture, DWORD nMs) {
    ::testing::AssertionResult result = Await(
        "a bitmap on the clipboard, no window holding it open", [&] { return !(picture = ClipboardPicture()).Empty(); },
        nMs);
    if (!result)
        result << " (a bitmap there: " << (::IsClipboardFormatAvailable(CF_BITMAP) ? "yes" : "no")
               << ", held open by: " << Describe(::GetOpenClipboardWindow())
               << ", owner: " << Describe(::GetClipboardOwner()) << ")";
    return result;
}

::testing::AssertionResult ClearClipboard() {
    return Await(
        "the clipboard free to be emptied",
        [] {
            if (::GetOpenClipboardWindow() != nullptr || !::OpenClipboard(nullptr)) return false;
            ::EmptyClipboard();
            ::CloseClipboard();
            return true;
        },
        5000);
}

bool PutOnClipboard(const Picture& picture) {
    HDC hdc = ::GetDC(nullptr);
    HBITMAP hBitmap = ::CreateCompatibleBitmap(hdc, picture.nWidth, picture.nHeight);
    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
    bmi.bmiHeader.biWidth = picture.nWidth;
    bmi.bmiHeader.biHeight = -picture.nHeight;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    ::SetDIBits(hdc, hBitmap, 0, picture.nHeight, picture.pixels.data(), &bmi, DIB_RGB_COLORS);
    ::ReleaseDC(nullptr, hdc);
    if (!::OpenClipboard(nullptr)) {
        ::DeleteObject(hBitmap);
        return false;
    }
    ::EmptyClipboard();
    bool bPut = ::SetClipboardData(CF_BITMAP, hBitmap) != nullptr;
    ::CloseClipboard();
    return bPut;
}

Picture Bands(int nWidth, int nHeight, UINT nShift) {
    const UINT colours[3] = {0x00C03020, 0x0020A040, 0x003050E0};
    Picture p;
    p.nWidth = nWidth;
    p.nHeight = nHeight;
    for (int y = 0; y < nHeight; ++y)
        for (int x = 0; x < nWidth; ++x)
            p.pixels.push_back(colours[((x + y) / 7 + nShift) % 3]);
    return p;
}

Picture FilePicture(const std::string& strPath) {
    Picture out;
    wchar_t wide[MAX_PATH];
    if (::MultiByteToWideChar(CP_ACP, 0, strPath.c_str(), -1, wide, MAX_PATH) == 0) return out;
    Gdiplus::GpBitmap* pBitmap = nullptr;
    if (GdipCreateBitmapFromFile(wide, &pBitmap) != Gdiplus::Ok) return out;
    UINT w = 0, h = 0;
    GdipGetImageWidth(pBitmap, &w);
    GdipGetImageHeight(pBitmap, &h);
    Gdiplus::GpRect rect(0, 0, (INT)w, (INT)h);
    Gdiplus::BitmapData data;
    if (w > 0 && h > 0 &&
        GdipBitmapLockBits(pBitmap, &rect, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &data) == Gdiplus::Ok) {
        out.nWidth = (int)w;
        out.nHeight = (int)h;
        out.pixels.resize((size_t)w * h);
        for (UINT y = 0; y < h; ++y) {
            const UINT* row =
                reinterpret_cast<const UINT*>(static_cast<const BYTE*>(data.Scan0) + (size_t)y * data.Stride);
            for (UINT x = 0; x < w; ++x)
                out.pixels[(size_t)y * w + x] = row[x] & 0x00FFFFFF;
        }
        GdipBitmapUnlockBits(pBitmap, &data);
    }
    GdipDisposeImage(pBitmap);
    return out;
}

bool SavePng(const Picture& picture, const std::string& strPath) {
    CLSID clsid;
    if (picture.Empty() || !kptest::EncoderForMime(L"image/png", clsid)) return false;
    Gdiplus::GpBitmap* pBitmap = nullptr;
    std::vector<UINT> argb(picture.pixels);
    for (UINT& p : argb)
        p |= 0xFF000000;
    if (GdipCreateBitmapFromScan0(picture.nWidth, picture.nHeight, picture.nWidth * 4, PixelFormat32bppARGB,
                                  (BYTE*)argb.data(), &pBitmap) != Gdiplus::Ok)
        return false;
    wchar_t wide[MAX_PATH];
    ::MultiByteToWideChar(CP_ACP, 0, strPath.c_str(), -1, wide, MAX_PATH);
    bool bSaved = GdipSaveImageToFile(pBitmap, wide, &clsid, nullptr) == Gdiplus::Ok;
    GdipDisposeImage(pBitmap);
    return bSaved;
}

long CountDifferences(const Picture& a, const Picture& b, int nTolerance) {
    if (a.Empty() || a.nWidth != b.nWidth || a.nHeight != b.nHeight) return -1;
    long n = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i) {
        UINT p = a.pixels[i], q = b.pixels[i];
        for (int shift = 0; shift < 24; shift += 8) {
            if (abs((int)((p >> shift) & 0xFF) - (int)((q >> shift) & 0xFF)) > nTolerance) {
                ++n;
                break;
            }
        }
    }
    return n;
}

double MeanDifference(const Picture& a, const Picture& b) {
    if (a.Empty() || a.nWidth != b.nWidth || a.nHeight != b.nHeight) return -1;
    double sum = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i) {
        UINT p = a.pixels[i], q = b.pixels[i];
        for (int shift = 0; shift < 24; shift += 8)
            sum += abs((int)((p >> shift) & 0xFF) - (int)((q >> shift) & 0xFF));
    }
    return sum / (3.0 * (double)a.pixels.size());
}

// ---- The other program --------------------------------------------------------------

TargetProgram::~TargetProgram() {
    if (m_pi.hProcess == nullptr) return;
    if (m_hWnd != nullptr) ::PostMessageA(m_hWnd, WM_CLOSE, 0, 0);
    if (::WaitForSingleObject(m_pi.hProcess, 5000) != WAIT_OBJECT_0) ::TerminateProcess(m_pi.hProcess, 99);
    ::CloseHandle(m_pi.hProcess);
    ::CloseHandle(m_pi.hThread);
}

bool TargetProgram::Start() {
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    std::string exe = ExeDir() + "e2e_target.exe";
    // Once more if no window comes: a program started just after the monitors
    // changed can hang in Wine's display set-up.
    for (int nTry = 0; nTry < 2 && !::IsWindowVisible(m_hWnd); ++nTry) {
        if (nTry > 0) ::TerminateProcess(m_pi.hProcess, 99), ::CloseHandle(m_pi.hProcess), ::CloseHandle(m_pi.hThread);
        if (!::CreateProcessA(exe.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, ExeDir().c_str(), &si, &m_pi))
            return false;
        WaitFor([this] {
            m_hWnd = ::FindWindowA(kTargetClass, nullptr);
            return m_hWnd != nullptr && ::IsWindowVisible(m_hWnd);
        });
    }
    // Painted, children included.
    kaptotest::PumpFor(300);
    return m_hWnd != nullptr;
}

RECT TargetProgram::WindowRect() const { return ScreenRectOf(m_hWnd); }

RECT TargetProgram::ClientRect() const {
    RECT rc = {};
    ::GetClientRect(m_hWnd, &rc);
    ::MapWindowPoints(m_hWnd, nullptr, (POINT*)&rc, 2);
    return rc;
}

RECT TargetProgram::ChildRect(int nId) const { return ScreenRectOf(::GetDlgItem(m_hWnd, nId)); }

bool TargetProgram::BringToFront() const {
    RECT rc = ClientRect();
    // The pattern, where a click does nothing: on the caption it starts a move
    // Wine may still follow at the next click. Once more if a window still
    // coming up took the activation back.
    for (int nTry = 0; nTry < 3; ++nTry) {
        testinput::SendLeftClickAt(rc.left + 10, rc.top + 10);
        if (WaitFor([this] { return ::GetForegroundWindow() == m_hWnd; }, 2000)) return true;
    }
    return false;
}

namespace {

const char kPatchClass[] = "KaptoE2EPatch";
constexpr COLORREF kPatchColours[6] = {RGB(20, 20, 120),  RGB(240, 220, 40), RGB(120, 0, 0),
                                       RGB(80, 240, 240), RGB(0, 90, 0),     RGB(250, 250, 250)};
int s_nPatchColour = 0;

LRESULT CALLBACK PatchProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam) {
    if (nMsg != WM_ERASEBKGND) return ::DefWindowProcA(hWnd, nMsg, wParam, lParam);
    RECT rc;
    ::GetClientRect(hWnd, &rc);
    HBRUSH hBrush = ::CreateSolidBrush(kPatchColours[s_nPatchColour]);
    ::FillRect((HDC)wParam, &rc, hBrush);
    ::DeleteObject(hBrush);
    return 1;
}

}  // namespace

ColourPatch::ColourPatch() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = PatchProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = kPatchClass;
    ::RegisterClassA(&wc);
    m_hWnd = ::CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kPatchClass, "", WS_POPUP | WS_VISIBLE, kRect.left,
                               kRect.top, kRect.right - kRect.left, kRect.bottom - kRect.top, nullptr, nullptr,
                               wc.hInstance, nullptr);
}

ColourPatch::~ColourPatch() {
    ::DestroyWindow(m_hWnd);
    ::UnregisterClassA(kPatchClass, ::GetModuleHandleA(nullptr));
}

::testing::AssertionResult ColourPatch::Next() {
    s_nPatchColour = (s_nPatchColour + 1) % 6;
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
    ::UpdateWindow(m_hWnd);
    const POINT pt = {(kRect.left + kRect.right) / 2, (kRect.top + kRect.bottom) / 2};
    return Await(
        "the patch's new colour on the screen",
        [&] { return kaptotest::ScreenPixel(pt.x, pt.y) == kPatchColours[s_nPatchColour]; }, 5000);
}

// ---- Input -------------------------------------------------------------------------

RECT ScreenRectOf(HWND hWnd) {
    RECT rc = {};
    ::GetWindowRect(hWnd, &rc);
    return rc;
}

void ClickWindow(HWND hWnd) {
    RECT rc = ScreenRectOf(hWnd);
    const int x = (rc.left + rc.right) / 2, y = (rc.top + rc.bottom) / 2;
    if (kaptotest::ClassOf(hWnd) != "Button") {
        testinput::SendLeftClickAt(x, y);
        return;
    }
    // A button takes the mouse while it is pressed: the press has reached it
    // before it is let go, or the output says where it went. It lets go of
    // the press when it loses the focus, so the front window settles first
    // (a late change of focus from the display would cancel the click).
    testinput::SyncWithFront();
    testinput::PlaceCursorAt(x, y);
    testinput::SendMoveTo(x, y, MOUSEEVENTF_LEFTDOWN);
    const DWORD nThread = ::GetWindowThreadProcessId(hWnd, nullptr), nMs = 5000;
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    if (!WaitFor([&] { return ::GetGUIThreadInfo(nThread, &info) && info.hwndCapture == hWnd; }, nMs)) {
        const POINT pt = {x, y};
        NoteTimeout("the press at " + std::to_string(x) + "," + std::to_string(y) + " to reach button " +
                        std::to_string(::GetDlgCtrlID(hWnd)) + " (under the point: " + Describe(::WindowFromPoint(pt)) +
                        ", in front: " + Describe(::GetForegroundWindow()) +
                        ", enabled: " + (::IsWindowEnabled(::GetAncestor(hWnd, GA_ROOT)) ? "yes" : "no") + ")",
                    nMs);
    }
    testinput::SendMoveTo(x, y, MOUSEEVENTF_LEFTUP);
}

void ClickControl(HWND hDialog, int nId) { ClickWindow(::GetDlgItem(hDialog, nId)); }

bool PressKeys(std::initializer_list<WORD> keys) { return testinput::SendChord(keys); }

void TypeText(const std::wstring& text) {
    for (wchar_t c : text) {
        INPUT in[2] = {};
        in[0].type = in[1].type = INPUT_KEYBOARD;
        in[0].ki.wScan = in[1].ki.wScan = c;
        in[0].ki.dwFlags = KEYEVENTF_UNICODE;
        in[1].ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
        ::SendInput(2, in, sizeof(INPUT));
    }
}

void Drag(POINT ptFrom, POINT ptTo) {
    testinput::PlaceCursorAt(ptFrom.x, ptFrom.y);
    testinput::SendMoveTo(ptFrom.x, ptFrom.y, MOUSEEVENTF_LEFTDOWN);
    kaptotest::PumpFor(100);
    const int nSteps = 8;
    for (int i = 1; i <= nSteps; ++i) {
        testinput::SendMoveTo(ptFrom.x + (ptTo.x - ptFrom.x) * i / nSteps, ptFrom.y + (ptTo.y - ptFrom.y) * i / nSteps);
        kaptotest::PumpFor(40);
    }
    testinput::PlaceCursorAt(ptTo.x, ptTo.y);
    testinput::SendMoveTo(ptTo.x, ptTo.y, MOUSEEVENTF_LEFTUP);
}

// ---- Folders -----------------------------------------------------------------------

LockedFolder::LockedFolder(const char* pszName) : m_strDir(kptest::TempRoot() + pszName + "\\") {
    Unlock();
    Empty();
    ::CreateDirectoryA(m_strDir.c_str(), nullptr);
}

LockedFolder::~LockedFolder() {
    Unlock();
    Empty();
    ::RemoveDirectoryA(m_strDir.c_str());
}

bool LockedFolder::Lock() { return kptest::RunUnixShell("chattr +i '" + kptest::ToUnix(m_strDir) + "'") == 0; }

void LockedFolder::Unlock() { kptest::RunUnixShell("chattr -i '" + kptest::ToUnix(m_strDir) + "' 2>/dev/null; true"); }

void LockedFolder::Empty() {
    for (const std::string& f : Files())
        ::DeleteFileA((m_strDir + f).c_str());
}

std::vector<std::string> LockedFolder::Files() const {
    std::vector<std::string> out;
    WIN32_FIND_DATAA fd;
    HANDLE h = ::FindFirstFileA((m_strDir + "*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return out;
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) out.push_back(fd.cFileName);
    } while (::FindNextFileA(h, &fd));
    ::FindClose(h);
    return out;
}

// ---- Kapto's windows ------------------------------------------------------------------

Picture ViewPicture(HWND hMain) { return GrabScreen(kaptotest::ViewOnScreen(hMain)); }

::testing::AssertionResult ChooseSnapType(HWND hMain, int nMode) {
    HWND hBox = ::GetDlgItem(hMain, ids::kSnapType);
    // The closed box's own face: its window may reach down over its list.
    RECT rc = ScreenRectOf(hBox);
    testinput::SendLeftClickAt((rc.left + rc.right) / 2, rc.top + 8);
    ::testing::AssertionResult dropped = Await(
        "the capture-type list to drop down", [hBox] { return ::SendMessageA(hBox, CB_GETDROPPEDSTATE, 0, 0) != 0; },
        3000);
    if (!dropped) return dropped;
    // The item is clicked in the dropped list, as a person does: the list
    // holds the mouse, whichever window has the keyboard meanwhile. The list
    // is a window of its own; the box's messages that would name it or an
    // item's rectangle carry pointers, which do not cross processes.
    DWORD nPid = 0;
    ::GetWindowThreadProcessId(hMain, &nPid);
    HWND hList = kaptotest::FindProcessWindow(
        nPid, [](HWND h) { return ::IsWindowVisible(h) && kaptotest::ClassOf(h) == "ComboLBox"; });
    const int nItemHeight = (int)::SendMessageA(hBox, CB_GETITEMHEIGHT, 0, 0);
    const int nTop = (int)::SendMessageA(hBox, CB_GETTOPINDEX, 0, 0);
    if (hList == nullptr || nItemHeight <= 0 || nMode < nTop)
        return ::testing::AssertionFailure() << "the capture-type list dropped but item " << nMode << " is not in view";
    RECT rcList = {};
    ::GetClientRect(hList, &rcList);
    POINT pt = {rcList.right / 2, (nMode - nTop) * nItemHeight + nItemHeight / 2};
    ::ClientToScreen(hList, &pt);
    testinput::SendLeftClickAt(pt.x, pt.y);
    return Await("the capture-type box to take mode " + std::to_string(nMode),
                 [hBox, nMode] { return ::SendMessageA(hBox, CB_GETCURSEL, 0, 0) == nMode; }, 3000);
}

HWND WaitForKaptoWindow(const KaptoProcess& kapto, const std::string& strCaption, DWORD nMs) {
    HWND hFound = nullptr;
    HWND hMain = kapto.Main();
    WaitFor(
        [&] {
            hFound = kaptotest::FindProcessWindow(kapto.Pid(), [&](HWND h) {
                return h != hMain && ::IsWindowVisible(h) && kaptotest::TextOf(h) == strCaption;
            });
            return hFound != nullptr;
        },
        nMs);
    if (hFound == nullptr) NoteTimeout("Kapto's window \"" + strCaption + "\"", nMs);
    return hFound;
}

HWND WaitForMessageBox(const KaptoProcess& kapto, DWORD nMs) {
    HWND hFound = nullptr;
    HWND hMain = kapto.Main();
    WaitFor(
        [&] {
            hFound = kaptotest::FindProcessWindow(kapto.Pid(), [&](HWND h) {
                // A message box: a dialog with the static text 0xFFFF.
                return h != hMain && ::IsWindowVisible(h) && kaptotest::ClassOf(h) == "#32770" &&
                       ::GetDlgItem(h, 0xFFFF) != nullptr;
            });
            return hFound != nullptr;
        },
        nMs);
    if (hFound == nullptr) NoteTimeout("a message box of Kapto's", nMs);
    return hFound;
}

std::string MessageBoxText(HWND hBox) { return kaptotest::TextOf(::GetDlgItem(hBox, 0xFFFF)); }

std::string AnswerMessageBox(const KaptoProcess& kapto, DWORD nMs) {
    HWND hBox = WaitForMessageBox(kapto, nMs);
    if (hBox == nullptr) return std::string();
    std::string text = MessageBoxText(hBox);
    ClickControl(hBox, IDOK);
    WaitFor([hBox] { return !::IsWindow(hBox); }, 5000);
    return text;
}

::testing::AssertionResult AnswerFileDialog(const KaptoProcess& kapto, const std::string& strPath) {
    const int kNameCombo = 0x47c, kNameEdit = 0x480;  // cmb13, edt1
    HWND hDialog = nullptr;
    ::testing::AssertionResult shown = Await("Kapto's file dialog", [&] {
        hDialog = kaptotest::FindProcessWindow(
            kapto.Pid(), [&](HWND h) { return ::IsWindowVisible(h) && ::GetDlgItem(h, kNameCombo) != nullptr; });
        return hDialog != nullptr;
    });
    if (!shown) return shown;
    // The dialog has finished setting itself up (it fills its name box and
    // lists the folder once shown) when its loop takes messages again.
    DWORD_PTR nResult = 0;
    if (!::SendMessageTimeoutA(hDialog, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &nResult))
        return ::testing::AssertionFailure() << "waited 10000 ms for the file dialog to take messages";
    ::SetDlgItemTextA(hDialog, kNameCombo, strPath.c_str());
    ::SetDlgItemTextA(hDialog, kNameEdit, strPath.c_str());
    // Enter in the name box, where the dialog puts the keyboard: a click on
    // its OK button can go to the file list instead, which takes the mouse
    // while the dialog is still filling it.
    const DWORD nThread = ::GetWindowThreadProcessId(hDialog, nullptr);
    ::testing::AssertionResult named = Await(
        "the keyboard in the file dialog's name box",
        [&] {
            GUITHREADINFO info = {};
            info.cbSize = sizeof(info);
            if (!::GetGUIThreadInfo(nThread, &info) || ::GetForegroundWindow() != hDialog) return false;
            for (int nId : {kNameCombo, kNameEdit}) {
                HWND hName = ::GetDlgItem(hDialog, nId);
                if (hName != nullptr && (info.hwndFocus == hName || ::IsChild(hName, info.hwndFocus))) return true;
            }
            return false;
        },
        5000);
    if (!named) return named;
    PressKeys({VK_RETURN});
    return Await(
        "the file dialog to close after its OK",
        [hDialog] { return !::IsWindow(hDialog) || !::IsWindowVisible(hDialog); }, 10000);
}

::testing::AssertionResult WaitForFocus(const KaptoProcess& kapto, HWND hWnd, DWORD nMs) {
    const DWORD nThread = ::GetWindowThreadProcessId(kapto.Main(), nullptr);
    return Await(
        "the keyboard focus on Kapto's " + kaptotest::ClassOf(hWnd),
        [&] {
            GUITHREADINFO info = {};
            info.cbSize = sizeof(info);
            return ::GetGUIThreadInfo(nThread, &info) && info.hwndFocus == hWnd &&
                   ::GetForegroundWindow() == ::GetAncestor(hWnd, GA_ROOT);
        },
        nMs);
}

::testing::AssertionResult AwaitRectangleOverlay(const KaptoProcess& kapto, HWND hMain, HWND* phOverlay) {
    HWND hOverlay = nullptr;
    ::testing::AssertionResult shown = Await("the rectangle overlay", [&] {
        hOverlay = kaptotest::FindProcessWindow(kapto.Pid(), [&](HWND h) {
            RECT rc = ScreenRectOf(h);
            return h != hMain && ::IsWindowVisible(h) && rc.right - rc.left >= ::GetSystemMetrics(SM_CXSCREEN);
        });
        return hOverlay != nullptr;
    });
    if (!shown) return shown;
    if (phOverlay != nullptr) *phOverlay = hOverlay;
    DWORD_PTR nResult = 0;
    if (!::SendMessageTimeoutA(hOverlay, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &nResult))
        return ::testing::AssertionFailure() << "waited 5000 ms for the rectangle overlay to take messages";
    return ::testing::AssertionSuccess();
}

void TrayCallback(const KaptoProcess& kapto, UINT nMouse) {
    ::PostMessageA(kapto.Main(), ids::kTrayMessage, ids::kTrayIconId, nMouse);
}

long long KeptCaptureBytes() {
    const long long w = ::GetSystemMetrics(SM_CXSCREEN), h = ::GetSystemMetrics(SM_CYSCREEN);
    return ((w * 3 + 3) & ~3LL) * h + 96 * 72 * 4;
}

Usage UsageOf(DWORD nPid) {
    Usage u;
    HANDLE h = ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, nPid);
    if (h == nullptr) return u;
    PROCESS_MEMORY_COUNTERS pmc = {};
    pmc.cb = sizeof(pmc);
    if (::GetProcessMemoryInfo(h, &pmc, sizeof(pmc)))
        u.nPrivate = pmc.PagefileUsage;
    else
        printf("GetProcessMemoryInfo: error %lu\n", ::GetLastError());
    u.nGdi = ::GetGuiResources(h, GR_GDIOBJECTS);
    u.nUser = ::GetGuiResources(h, GR_USEROBJECTS);
    ::CloseHandle(h);
    return u;
}

// ---- A scenario ------------------------------------------------------------------------

std::string ScreenshotDir() { return kaptotest::ExeDir() + "..\\e2e-screenshots\\"; }

void Scenario::SetUp() {
    ASSERT_TRUE(ClearClipboard());
    ASSERT_TRUE(m_target.Start()) << "e2e_target.exe did not show its window";
}

namespace {

// ScreenshotDir() and the scenario's name, followed by strSuffix.
std::string ScenarioFile(const std::string& strSuffix) {
    const ::testing::TestInfo* pInfo = ::testing::UnitTest::GetInstance()->current_test_info();
    ::CreateDirectoryA(ScreenshotDir().c_str(), nullptr);
    return ScreenshotDir() + pInfo->test_suite_name() + "." + pInfo->name() + strSuffix;
}

}  // namespace

void Scenario::TearDown() {
    if (!HasFailure()) return;
    std::string strName = ScenarioFile(".png");
    if (SavePng(GrabWholeScreen(), strName)) printf("screen at the failure: %s\n", strName.c_str());
}

void Scenario::ExpectSamePicture(const Picture& expected, const Picture& actual, const char* pszWhat, int nTolerance) {
    long nDifferent = CountDifferences(expected, actual, nTolerance);
    if (nDifferent == 0) return;
    ADD_FAILURE() << pszWhat << ": " << actual.nWidth << " x " << actual.nHeight << " where " << expected.nWidth
                  << " x " << expected.nHeight << " was expected, " << nDifferent << " pixels differ";
    SavePng(expected, ScenarioFile(std::string(".") + pszWhat + ".expected.png"));
    SavePng(actual, ScenarioFile(std::string(".") + pszWhat + ".actual.png"));
}

bool Scenario::StartKapto(const std::function<void(CKpConfig&)>& change) {
    CKpConfig config;
    config.SetSnapOnStart(0);
    config.SetPlaySnapSound(0);
    if (change) change(config);
    config.SaveConfig();
    // No recent captures of an earlier scenario.
    ::DeleteFileA((ExeDir() + "recent.txt").c_str());
    return StartKaptoAsIs();
}

bool Scenario::StartKaptoAsIs() {
    if (!m_kapto.Start() || !m_kapto.WaitVisible(true)) return false;
    // A capture at start shows the window before its set-up is over.
    m_kapto.WaitIdle();
    // Shown and active, as a person sees it before doing anything.
    WaitFor([this] { return ::GetForegroundWindow() == m_kapto.Main(); }, 3000);
    return true;
}

Picture Scenario::CaptureScreen() {
    HWND hMain = m_kapto.Main();
    Picture view = ViewPicture(hMain);
    ClickControl(hMain, ids::kNewSnap);
    EXPECT_TRUE(WaitForNewThumbnail(view));
    Picture copied;
    EXPECT_TRUE(WaitForClipboardPicture(copied)) << "the capture is not on the clipboard";
    return copied;
}

bool Scenario::ExitKapto() {
    ClickControl(m_kapto.Main(), ids::kExit);
    return m_kapto.WaitExit();
}

::testing::AssertionResult Scenario::WaitForNewThumbnail(const Picture& before, DWORD nMs) {
    // While the window is still hidden the view's place shows what is under
    // it, and while the capture (and its copy) runs, what the screen last
    // held: a thumbnail is there once Kapto is back in its loop and the
    // shown view stops changing.
    Picture last;
    return Await(
        "a new thumbnail in Kapto's view",
        [&] {
            if (!::IsWindowVisible(m_kapto.Main()) || !m_kapto.Answers(500)) return false;
            Picture now = ViewPicture(m_kapto.Main());
            bool bSettled = CountDifferences(before, now) > 0 && CountDifferences(last, now) == 0;
            last = now;
            return bSettled;
        },
        nMs);
}

CKpConfig Scenario::StoredSettings() {
    CKpConfig config;
    config.LoadConfig();
    return config;
}

namespace {

// GDI+ for the test program itself, to read and write image files; the
// pictures of this program's earlier failures go. Only its own: the soak
// and the scenarios share the folder, and the soak runs first.
class E2EEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&m_token, &input, nullptr);
        const ::testing::UnitTest& tests = *::testing::UnitTest::GetInstance();
        for (int i = 0; i < tests.total_test_suite_count(); ++i) {
            const std::string pattern = ScreenshotDir() + tests.GetTestSuite(i)->name() + ".*.png";
            WIN32_FIND_DATAA fd;
            HANDLE h = ::FindFirstFileA(pattern.c_str(), &fd);
            if (h == INVALID_HANDLE_VALUE) continue;
            do {
                ::DeleteFileA((ScreenshotDir() + fd.cFileName).c_str());
            } while (::FindNextFileA(h, &fd));
            ::FindClose(h);
        }
    }
    void TearDown() override { Gdiplus::GdiplusShutdown(m_token); }

private:
    ULONG_PTR m_token = 0;
};

::testing::Environment* const g_pEnvironment = ::testing::AddGlobalTestEnvironment(new E2EEnvironment);

}  // namespace

}  // namespace e2e
