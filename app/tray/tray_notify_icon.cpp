#include "tray_notify_icon.h"

#include "framework/app.h"
#include "framework/menu.h"

#include <new>

const UINT WM_TASKBARCREATED = ::RegisterWindowMessageA("TaskbarCreated");

namespace {

// Never shown: the windows stay hidden. The names say whose they are to
// anyone who lists the desktop's windows.
const char kTimerWndTitle[] = "CTrayNotifyIcon Animation Notification Window";
const char kResurrectionWndTitle[] = "CTrayNotifyIcon Resurrection Notification Window";
const UINT_PTR kAnimationTimer = 1;

}  // namespace

// ---- CTrayNotifyIcon -----------------------------------------------------------

IMPLEMENT_DYNAMIC(CTrayNotifyIcon, CObject)

CTrayNotifyIcon::CTrayNotifyIcon()
    : m_bCreated(FALSE),
      m_bHidden(FALSE),
      m_pNotifyWnd(nullptr),
      m_pTimerWnd(nullptr),
      m_pResurrectionWnd(nullptr),
      m_bAnimated(FALSE),
      m_bRemoved(FALSE) {
    ZeroMemory(&m_nid, sizeof(m_nid));
}

CTrayNotifyIcon::~CTrayNotifyIcon() {
    // Each hidden window deletes itself when closed, and forgets itself
    // here as it goes (PostNcDestroy).
    if (m_pTimerWnd != nullptr) m_pTimerWnd->SendMessage(WM_CLOSE);
    m_pTimerWnd = nullptr;
    if (m_pResurrectionWnd != nullptr) m_pResurrectionWnd->SendMessage(WM_CLOSE);
    m_pResurrectionWnd = nullptr;
    RemoveIcon();
}

BOOL CTrayNotifyIcon::Create(CWnd* pNotifyWnd, UINT uID, LPCSTR lpszTooltipText, const HICON* phIcons, int nNumIcons,
                             DWORD dwDelay, UINT nNotifyMessage) {
    KFW_CHECK_MSG(phIcons != nullptr && nNumIcons >= 1, "a tray animation needs at least one icon");
    KFW_CHECK_MSG(m_pTimerWnd == nullptr, "tray icon created twice");
    if (phIcons == nullptr || nNumIcons < 1 || m_pTimerWnd != nullptr) return FALSE;

    CTrayTimerWnd* pTimerWnd = new (std::nothrow) CTrayTimerWnd(this, phIcons, nNumIcons, dwDelay);
    if (pTimerWnd == nullptr) return FALSE;
    // A failed Create deletes the window object itself.
    if (!pTimerWnd->Create(nullptr, kTimerWndTitle)) return FALSE;
    m_pTimerWnd = pTimerWnd;

    BOOL bResult = Create(pNotifyWnd, uID, lpszTooltipText, phIcons[0], nNotifyMessage);
    m_bAnimated = TRUE;
    return bResult;
}

BOOL CTrayNotifyIcon::Create(CWnd* pNotifyWnd, UINT uID, LPCSTR lpszTooltipText, HICON hIcon, UINT nNotifyMessage) {
    KFW_CHECK_MSG(m_pResurrectionWnd == nullptr, "tray icon created twice");
    if (m_pResurrectionWnd != nullptr) return FALSE;
    CTrayRessurectionWnd* pResurrectionWnd = new (std::nothrow) CTrayRessurectionWnd(this);
    if (pResurrectionWnd == nullptr) return FALSE;
    if (!pResurrectionWnd->Create(nullptr, kResurrectionWndTitle)) return FALSE;
    m_pResurrectionWnd = pResurrectionWnd;

    m_pNotifyWnd = pNotifyWnd;

    m_nid.cbSize = kNotifyDataSize;
    m_nid.hWnd = pNotifyWnd != nullptr ? pNotifyWnd->GetSafeHwnd() : nullptr;
    m_nid.uID = uID;
    m_nid.uCallbackMessage = nNotifyMessage;
    m_nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    m_nid.hIcon = hIcon;
    SetTipText(lpszTooltipText);

    m_bCreated = ::Shell_NotifyIconA(NIM_ADD, &m_nid);
    return m_bCreated;
}

void CTrayNotifyIcon::SetTipText(LPCSTR lpszText) {
    // The application name comes from a file the user may edit: any length,
    // any bytes. Copy whole characters while they fit before the zero.
    int nOut = 0;
    if (lpszText != nullptr) {
        const unsigned char* p = reinterpret_cast<const unsigned char*>(lpszText);
        for (int i = 0; p[i] != 0;) {
            int nChar = FwIsLeadByte(p[i]) ? 2 : 1;
            if (nChar == 2 && p[i + 1] == 0) break;  // a lead byte without its trail
            if (nOut + nChar > kTipBytes - 1) break;
            for (int k = 0; k < nChar; ++k)
                m_nid.szTip[nOut++] = (char)p[i + k];
            i += nChar;
        }
    }
    m_nid.szTip[nOut] = 0;
}

LRESULT CTrayNotifyIcon::OnIconNotify(WPARAM wParam, LPARAM lParam) {
    if (wParam != m_nid.uID) return 0;

    CMenu menu;
    if (!menu.LoadMenu(m_nid.uID)) return 0;
    CMenu* pSubMenu = menu.GetSubMenu(0);
    if (pSubMenu == nullptr) return 0;

    // A version-0 icon puts the mouse message itself into lParam.
    UINT nMouseMsg = LOWORD(lParam);
    if (nMouseMsg == WM_RBUTTONUP) {
        POINT pos;
        ::GetCursorPos(&pos);
        pSubMenu->SetDefaultItem(0, TRUE);
        CWnd* pOwner = AfxGetMainWnd();
        if (pOwner == nullptr || pOwner->GetSafeHwnd() == nullptr) pOwner = CWnd::FromHandle(m_nid.hWnd);
        // The menu only closes on a click elsewhere when its owner is the
        // foreground window; the posted null message lets it close at once
        // when the menu is dismissed (the shell's documented pattern).
        ::SetForegroundWindow(m_nid.hWnd);
        if (pOwner != nullptr) {
            pSubMenu->TrackPopupMenu(TPM_RIGHTBUTTON, pos.x, pos.y, pOwner);
            pOwner->PostMessage(WM_NULL);
        }
    } else if (nMouseMsg == WM_LBUTTONDBLCLK) {
        ::SendMessageA(m_nid.hWnd, WM_COMMAND, pSubMenu->GetMenuItemID(0), 0);
    }
    return 1;
}

void CTrayNotifyIcon::RemoveIcon() {
    m_bRemoved = TRUE;
    if (!m_bCreated) return;
    m_nid.uFlags = 0;
    ::Shell_NotifyIconA(NIM_DELETE, &m_nid);
    m_bCreated = FALSE;
}

// ---- CTrayTimerWnd -------------------------------------------------------------

IMPLEMENT_DYNAMIC(CTrayTimerWnd, CFrameWnd)

BEGIN_MESSAGE_MAP(CTrayTimerWnd, CFrameWnd)
    ON_WM_CREATE()
    ON_WM_DESTROY()
    ON_WM_TIMER()
END_MESSAGE_MAP()

CTrayTimerWnd::CTrayTimerWnd(CTrayNotifyIcon* pTrayIcon, const HICON* phIcons, int nNumIcons, DWORD dwDelay)
    : m_pTrayIcon(pTrayIcon), m_nNumIcons(0), m_dwDelay(dwDelay), m_nTimerID(0), m_nCurrentIcon(0) {
    if (phIcons != nullptr && nNumIcons > 0) {
        m_phIcons.reset(new (std::nothrow) HICON[nNumIcons]);
        if (m_phIcons) {
            for (int i = 0; i < nNumIcons; ++i)
                m_phIcons[i] = phIcons[i];
            m_nNumIcons = nNumIcons;
        }
    }
}

int CTrayTimerWnd::OnCreate(LPCREATESTRUCTA lpCreateStruct) {
    if (CFrameWnd::OnCreate(lpCreateStruct) == -1) return -1;
    // Without icons there is nothing to cycle through: no window either.
    if (m_nNumIcons < 1) return -1;
    m_nTimerID = SetTimer(kAnimationTimer, m_dwDelay);
    return 0;
}

void CTrayTimerWnd::OnDestroy() {
    KillTimer(m_nTimerID);
    CFrameWnd::OnDestroy();
}

void CTrayTimerWnd::OnTimer(UINT_PTR) {
    if (m_pTrayIcon == nullptr || m_nNumIcons < 1) return;
    m_nCurrentIcon = (m_nCurrentIcon + 1) % m_nNumIcons;
    m_pTrayIcon->m_nid.uFlags = NIF_ICON;
    m_pTrayIcon->m_nid.hIcon = m_phIcons[m_nCurrentIcon];
    // Harmless while the icon is not there: the shell just refuses.
    ::Shell_NotifyIconA(NIM_MODIFY, &m_pTrayIcon->m_nid);
}

void CTrayTimerWnd::PostNcDestroy() {
    if (m_pTrayIcon != nullptr && m_pTrayIcon->m_pTimerWnd == this) m_pTrayIcon->m_pTimerWnd = nullptr;
    CFrameWnd::PostNcDestroy();
}

// ---- CTrayRessurectionWnd ------------------------------------------------------

IMPLEMENT_DYNAMIC(CTrayRessurectionWnd, CFrameWnd)

BEGIN_MESSAGE_MAP(CTrayRessurectionWnd, CFrameWnd)
    ON_REGISTERED_MESSAGE(WM_TASKBARCREATED, &CTrayRessurectionWnd::OnTaskbarCreated)
END_MESSAGE_MAP()

LRESULT CTrayRessurectionWnd::OnTaskbarCreated(WPARAM, LPARAM) {
    // An icon removed on purpose (the program is closing) stays away.
    if (m_pTrayIcon == nullptr || m_pTrayIcon->m_bHidden || m_pTrayIcon->m_bRemoved) return 0;
    NOTIFYICONDATAA& nid = m_pTrayIcon->m_nid;
    // Whatever the old task bar held is gone with it; delete first so that
    // a shell that kept the icon does not refuse the add as a duplicate.
    nid.uFlags = NIF_ICON;
    ::Shell_NotifyIconA(NIM_DELETE, &nid);
    m_pTrayIcon->m_bHidden = TRUE;
    nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    // An icon that the old task bar refused arrives now: from here on it is
    // there and must be removed when the program ends.
    m_pTrayIcon->m_bCreated = ::Shell_NotifyIconA(NIM_ADD, &nid);
    m_pTrayIcon->m_bHidden = FALSE;
    return 0;
}

void CTrayRessurectionWnd::PostNcDestroy() {
    if (m_pTrayIcon != nullptr && m_pTrayIcon->m_pResurrectionWnd == this) m_pTrayIcon->m_pResurrectionWnd = nullptr;
    CFrameWnd::PostNcDestroy();
}
