// The capture engine: life cycle, the frame shared by the capture modes, the
// whole-screen mode and the screen grab.
#include "kp_core.h"

#include "framework/contract.h"
#include "framework/message_loop.h"
#include "framework/scoped_handles.h"
#include "kp_resource.h"
#include "monitor_enum.h"
#include "screen_grab.h"
#include "snap_rect_overlay.h"

#include <algorithm>
#include <new>

#include <objidl.h>
#include <gdiplus.h>
#include <mmsystem.h>

namespace {

// The longest delay the options sheet accepts. A settings file can hold any
// value (-1 loads as 0xFFFFFFFF); the engine waits no longer than this.
const unsigned int kMaxSnapDelay = 15000;

// The start-up capture's wait for the hidden main window to be gone from the
// screen.
const UINT kStartUpWait = 50;

}  // namespace

IMPLEMENT_DYNAMIC(CKpCore, CWnd)

BEGIN_MESSAGE_MAP(CKpCore, CWnd)
    ON_WM_TIMER()
    ON_MESSAGE(KPHOOK_WM_LBUTTONDOWN, &CKpCore::OnKpLButtonDown)
    ON_MESSAGE(KPHOOK_WM_MOUSEMOVE, &CKpCore::OnKpMouseMove)
    ON_MESSAGE(KPHOOK_WM_RBUTTONDOWN, &CKpCore::OnKpRButtonDown)
    ON_MESSAGE(WM_HOTKEY, &CKpCore::OnHotKey)
END_MESSAGE_MAP()

CKpCore::CKpCore()
    : m_gdiplusToken(0),
      m_pHost(nullptr),
      m_store(m_config),
      m_bStarting(1),
      m_bSnapping(0),
      m_bClosed(0),
      m_hFoundWnd(nullptr),
      m_bObjSnapping(0),
      m_bScrollPick(0),
      m_hScrollArea(nullptr) {}

CKpCore::~CKpCore() {
    // The current image, GDI+ and the hook are let go only by CloseSnapper.
    KFW_CHECK_MSG(m_pHost == nullptr || m_bClosed, "engine destroyed without CloseSnapper");
}

// ---- Life cycle -------------------------------------------------------------

int CKpCore::InitSnapper(CWnd* pMainWnd, CWnd* pViewWnd) {
    if (pMainWnd == nullptr || pViewWnd == nullptr) return InitSnapper(nullptr);
    m_windowHost.SetWindows(pMainWnd, pViewWnd);
    return InitSnapper(&m_windowHost);
}

int CKpCore::InitSnapper(CKpSnapHost* pHost) {
    InitGdiplus();
    m_config.LoadConfig();
    if (pHost == nullptr) return 0;

    m_bClosed = 0;
    m_pHost = pHost;
    m_store.SetHost(pHost);
    HWND hParent = pHost->GetParentWindow();
    BOOL bCreated = hParent != nullptr
                        ? CreateEx(0, nullptr, nullptr, WS_CHILD, 0, 0, 0, 0, hParent, (HMENU)(UINT_PTR)KPCORE_WND_ID)
                        : CreateEx(0, nullptr, nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr);

    m_hook.SetHookWnd(m_hWnd);
    m_hook.InstallHook();
    // Before the start-up capture, which is kept like any other.
    m_recent.Start(&m_config);

    if (m_config.GetSnapOnStart()) SnapFullScreen();
    m_bStarting = 0;
    return bCreated;
}

int CKpCore::CloseSnapper() {
    // A capture still waiting (the program closed during its delay) finds
    // this and ends without touching what is gone.
    m_bClosed = 1;
    ClearGdiplusImage();
    // The captures still being written are written (GDI+ encodes them).
    m_recent.Stop();
    TermGdiplus();
    BOOL bSaved = m_config.SaveConfig();
    m_hook.UninstallHook();
    if (m_hWnd != nullptr && ::IsWindow(m_hWnd)) DestroyWindow();
    return bSaved ? 1 : 0;
}

int CKpCore::InitGdiplus() {
    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&m_gdiplusToken, &input, nullptr) == Gdiplus::Ok) return 1;
    m_gdiplusToken = 0;
    return 0;
}

void CKpCore::TermGdiplus() {
    // A second shut-down with the same token would tear down another
    // user's GDI+ instance.
    if (m_gdiplusToken == 0) return;
    Gdiplus::GdiplusShutdown(m_gdiplusToken);
    m_gdiplusToken = 0;
}

// ---- The frame of a capture ---------------------------------------------------

BOOL CKpCore::BeginSnap() {
    if (m_bSnapping) return FALSE;
    m_bSnapping = 1;
    if (m_config.GetHideMainWnd() && m_pHost != nullptr) m_pHost->ShowMainWindow(FALSE);
    return TRUE;
}

UINT CKpCore::SnapDelay() const { return std::min(m_config.GetSnapDelayTime(), kMaxSnapDelay); }

BOOL CKpCore::WaitSnapDelay() { return WaitDispatching(SnapDelay()); }

BOOL CKpCore::WaitDispatching(UINT nMs) {
    // The program's windows go on painting and answering; a command that
    // would replace the image meanwhile is refused as during any modal run,
    // and a second capture by the busy flag.
    CModalScope modal;
    BOOL bWaited = AfxWaitDispatching(nMs);
    // The program may have closed the engine (or be ending) meanwhile.
    return bWaited && !m_bClosed;
}

void CKpCore::EndSnap() {
    if (m_bClosed) {
        // Closed while the capture waited: no window to show, no image to copy.
        m_bSnapping = 0;
        return;
    }
    // The start-up capture runs inside the main window's set-up: the window
    // shows itself when that is over, not half-made (template caption,
    // uncentred) before.
    if (m_config.GetHideMainWnd() && m_pHost != nullptr && !m_bStarting) m_pHost->ShowMainWindow(TRUE);
    SetPathName(CString());
    SetFileName(CString());
    if (m_config.GetAutoCopy()) CopyImageData(0);
    m_bSnapping = 0;
}

int CKpCore::SnapFullScreen() {
    if (!BeginSnap()) return 0;
    HWND hTarget = ::GetDesktopWindow();
    // The start-up capture keeps the mode loaded from the file.
    BOOL bWaited = m_bStarting ? WaitDispatching(kStartUpWait) : WaitSnapDelay();
    if (!m_bStarting) m_config.SetSnapMode(kSnapFullScreen);
    int nResult = 0;
    if (bWaited) {
        PlaySnapSound();
        nResult = SnapRect(hTarget, FullScreenArea(), TRUE, kSnapFullScreen);
    }
    EndSnap();
    return nResult;
}

CRect CKpCore::FullScreenArea() const {
    // The monitors as they are now: one may have come or gone since the
    // last capture.
    CKpMonitorLayout layout;
    switch (m_config.GetFullScreenScope()) {
        case CKpConfig::kScopePointerMonitor: {
            KpGetMonitorLayout(layout);
            POINT pt = {0, 0};
            ::GetCursorPos(&pt);
            return layout.GetMonitor(layout.Nearest(pt)).rcMonitor;
        }
        case CKpConfig::kScopeAllMonitors:
            KpGetMonitorLayout(layout);
            return layout.GetVirtualRect();
        default:
            return CRect();  // the desktop window: the primary screen
    }
}

int CKpCore::SnapSelectRect() {
    // Busy like every other mode: a hot key pressed while the overlay is
    // open would otherwise open a second overlay over the first, or capture
    // the overlay itself.
    if (!BeginSnap()) return 0;
    BOOL bWaited = WaitSnapDelay();
    m_config.SetSnapMode(kSnapSelectRect);
    int nResult = 0;
    if (bWaited) {
        CKpLocalResource resource;
        CDlgSnapRectHelper overlay(nullptr);
        overlay.SetCapturePointer(m_config.GetCapturePointer());
        overlay.SetLastSelection(m_rcLastSelection);
        overlay.DoModal();
        CRect rcSelected;
        if (overlay.GetSelectedRect(rcSelected)) {
            m_rcLastSelection = rcSelected;
            PlaySnapSound();
            // What the user selected is the frozen picture, not the screen
            // as it is after the overlay has gone (still repainting, or
            // changed meanwhile); without a picture the screen is grabbed.
            CImageBitmap* pPicture = overlay.CopySelectedPicture();
            if (pPicture != nullptr) {
                m_store.StoreCapture(pPicture, MakeCaptureInfo(nullptr, rcSelected, kSnapSelectRect));
                KeepCapture();
                nResult = 1;
            } else {
                nResult = SnapRect(::GetDesktopWindow(), rcSelected, TRUE, kSnapSelectRect);
            }
        }
    }
    EndSnap();
    return nResult;
}

// ---- Grab and store ---------------------------------------------------------------

int CKpCore::SnapRect(HWND hWnd, CRect rc, BOOL bPointerAllowed, int nMode) {
    if (hWnd == nullptr) return 0;
    // Into the bitmap the previous capture of the size left behind.
    CRect rcScreen;
    CImageBitmap* pGrab = KpGrabWindowBitmap(hWnd, rc, m_store.TakeSpareCapture(),
                                             bPointerAllowed && m_config.GetCapturePointer(), &rcScreen);
    if (pGrab == nullptr) return 0;
    m_store.StoreCapture(pGrab, MakeCaptureInfo(hWnd, rcScreen, nMode >= 0 ? nMode : m_config.GetSnapMode()));
    KeepCapture();
    return 1;
}

KpCaptureInfo CKpCore::MakeCaptureInfo(HWND hWnd, const CRect& rcScreen, int nMode) {
    KpCaptureInfo info = KpCaptureInfo::NotCaptured();
    info.rcScreen = rcScreen;
    info.nMode = nMode;
    // The screen and a rectangle of it are no window's. The title is read
    // without a message to the window's thread, which may be hung.
    HWND hRoot = hWnd != nullptr && hWnd != ::GetDesktopWindow() ? ::GetAncestor(hWnd, GA_ROOT) : nullptr;
    WCHAR szTitle[256];
    int nChars = hRoot != nullptr ? ::InternalGetWindowText(hRoot, szTitle, (int)(sizeof szTitle / sizeof *szTitle)) : 0;
    if (nChars > 0) {
        char szNarrow[sizeof szTitle];
        int nBytes = ::WideCharToMultiByte(CP_ACP, 0, szTitle, nChars, szNarrow, (int)sizeof szNarrow - 1, nullptr,
                                           nullptr);
        if (nBytes > 0) {
            szNarrow[nBytes] = '\0';
            info.strTitle = szNarrow;
        }
    }
    return info;
}

CImageBitmap* CKpCore::SnapBitmap(HWND hWnd, CRect rc) { return KpGrabWindowBitmap(hWnd, rc); }

CImageBitmap* CKpCore::SnapBitmap(HWND hWnd, CRect rc, HBITMAP hReuse, BOOL bPointer) {
    return KpGrabWindowBitmap(hWnd, rc, hReuse, bPointer);
}

// ---- Sound ---------------------------------------------------------------------------

void CKpCore::PlaySnapSound() {
    if (!m_config.GetPlaySnapSound() || m_bStarting) return;
    CString strSound = CHelper::GetAppPath() + "snap.wav";
    // No file, or no sound device, is quietly no sound: without
    // SND_NODEFAULT a missing file would ring the system's default sound.
    ::sndPlaySoundA(strSound, SND_ASYNC | SND_NODEFAULT);
}
