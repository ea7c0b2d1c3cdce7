#include "framework/wnd.h"

#include "framework/app.h"
#include "framework/contract.h"
#include "framework/ddx.h"
#include "framework/resources.h"
#include "framework/temp_objects.h"
#include "framework/tooltip_ctrl.h"

#include <deque>
#include <new>
#include <mutex>
#include <string>

namespace {

// A control whose id is IDC_STATIC (-1) reads back through GetDlgCtrlID as
// the 16-bit template id 0xFFFF: a label, never a command.
constexpr UINT kStaticControlId = 0xFFFF;

// Neither a command nor data: no id, or a label's.
bool IsUnnamedControl(UINT nID) { return nID == 0 || nID == kStaticControlId; }

// The property that ties a window to its object.
const char kWndProp[] = "KfwWndObject";

// The object whose window CreateEx is creating: our window procedure binds
// the first unbound window of one of our classes to it. Per thread, as
// windows are made and served by the thread that creates them.
thread_local CWnd* g_pWndInit = nullptr;

// The message being handled now on this thread; nested dispatches save and
// restore it.
thread_local MSG g_currentMsg = {};

void ReleaseTempWnd(CObject* p) {
    static_cast<CWnd*>(p)->m_hWnd = nullptr;
    delete p;
}

}  // namespace

const MSG* AfxGetCurrentMessage() { return &g_currentMsg; }

// CCmdTarget

IMPLEMENT_DYNAMIC(CCmdTarget, CObject)

BOOL CCmdTarget::OnMessageMap(UINT, WPARAM, LPARAM, LRESULT&) { return FALSE; }

BOOL CCmdTarget::OnCmdMsg(UINT nID, int nCode, void* pExtra) {
    LRESULT lResult = 0;
    if (nCode == CN_UPDATE_COMMAND_UI) return OnMessageMap(KFW_MSG_UPDATE_CMDUI, nID, (LPARAM)pExtra, lResult);
    return OnMessageMap(WM_COMMAND, MAKEWPARAM(nID, (WORD)nCode), (LPARAM)pExtra, lResult);
}

// CCmdUI

CCmdUI::CCmdUI()
    : m_nID(0),
      m_nIndex(0),
      m_hMenu(nullptr),
      m_hSubMenu(nullptr),
      m_pOther(nullptr),
      m_bEnableChanged(FALSE),
      m_bContinueRouting(FALSE) {}

void CCmdUI::Enable(BOOL bOn) {
    if (m_hMenu != nullptr) {
        ::EnableMenuItem(m_hMenu, m_nIndex, MF_BYPOSITION | (bOn ? MF_ENABLED : (MF_DISABLED | MF_GRAYED)));
    } else if (m_pOther != nullptr) {
        // A button losing the focus while disabled would strand the keyboard.
        if (!bOn && ::GetFocus() == m_pOther->m_hWnd) {
            HWND hParent = ::GetParent(m_pOther->m_hWnd);
            ::SendMessageA(hParent, WM_NEXTDLGCTL, 0, FALSE);
        }
        m_pOther->EnableWindow(bOn);
    }
    m_bEnableChanged = TRUE;
}

namespace {

// A check mark (bRadio FALSE) or a radio mark on a menu item, or none.
void SetMenuMark(HMENU hMenu, UINT nIndex, BOOL bOn, BOOL bRadio) {
    MENUITEMINFOA mii = {};
    mii.cbSize = sizeof(mii);
    mii.fMask = MIIM_FTYPE | MIIM_STATE;
    ::GetMenuItemInfoA(hMenu, nIndex, TRUE, &mii);
    mii.fType = bRadio ? (mii.fType | MFT_RADIOCHECK) : (mii.fType & ~MFT_RADIOCHECK);
    mii.fState = (mii.fState & ~MFS_CHECKED) | (bOn ? MFS_CHECKED : 0);
    ::SetMenuItemInfoA(hMenu, nIndex, TRUE, &mii);
}

}  // namespace

void CCmdUI::SetCheck(int nCheck) {
    if (m_hMenu != nullptr) {
        SetMenuMark(m_hMenu, m_nIndex, nCheck != 0, FALSE);
    } else if (m_pOther != nullptr) {
        m_pOther->SendMessage(BM_SETCHECK, (WPARAM)nCheck);
    }
}

void CCmdUI::SetRadio(BOOL bOn) {
    if (m_hMenu != nullptr) {
        SetMenuMark(m_hMenu, m_nIndex, bOn, TRUE);
    } else {
        SetCheck(bOn ? 1 : 0);
    }
}

void CCmdUI::SetText(LPCSTR lpszText) {
    if (m_hMenu != nullptr) {
        MENUITEMINFOA mii = {};
        mii.cbSize = sizeof(mii);
        mii.fMask = MIIM_STRING;
        mii.dwTypeData = const_cast<LPSTR>(lpszText);
        ::SetMenuItemInfoA(m_hMenu, m_nIndex, TRUE, &mii);
    } else if (m_pOther != nullptr) {
        m_pOther->SetWindowText(lpszText);
    }
}

void CCmdUI::DoUpdate(CCmdTarget* pTarget, BOOL bDisableIfNoHndler) {
    if (pTarget == nullptr || m_nID == 0 || m_nID == (UINT)-1) return;
    m_bEnableChanged = FALSE;
    BOOL bHandled = pTarget->OnCmdMsg(m_nID, CN_UPDATE_COMMAND_UI, this);
    if (!bHandled && bDisableIfNoHndler && !m_bEnableChanged) {
        Enable(pTarget->OnCmdMsg(m_nID, CN_COMMAND, (void*)KFW_CMD_PROBE));
    }
}

// CWnd

IMPLEMENT_DYNAMIC(CWnd, CCmdTarget)

CWnd::CWnd() : m_hWnd(nullptr), m_pfnSuper(nullptr), m_pToolTips(nullptr), m_bToolTipsOn(FALSE) {}

const CWnd CWnd::wndTop(HWND_TOP);
const CWnd CWnd::wndBottom(HWND_BOTTOM);
const CWnd CWnd::wndTopMost(HWND_TOPMOST);
const CWnd CWnd::wndNoTopMost(HWND_NOTOPMOST);

CWnd::~CWnd() {
    if (m_hWnd != nullptr && FromHandlePermanent(m_hWnd) == this) {
        // The window must not reach a dead object: unbind, then destroy.
        HWND h = m_hWnd;
        if (m_pfnSuper != nullptr)
            UnsubclassWindow();
        else
            Unbind();
        ::DestroyWindow(h);
    }
    DeleteToolTips();
}

void CWnd::DeleteToolTips() {
    delete m_pToolTips;
    m_pToolTips = nullptr;
    m_bToolTipsOn = FALSE;
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd) {
    if (hWnd == nullptr) return nullptr;
    return static_cast<CWnd*>(::GetPropA(hWnd, kWndProp));
}

CWnd* CWnd::FromHandle(HWND hWnd) {
    if (hWnd == nullptr) return nullptr;
    CWnd* p = FromHandlePermanent(hWnd);
    if (p != nullptr) return p;
    p = new CWnd;
    p->m_hWnd = hWnd;
    FwAddTempObject(p, ReleaseTempWnd);
    return p;
}

void CWnd::Bind(HWND hWnd) {
    m_hWnd = hWnd;
    ::SetPropA(hWnd, kWndProp, this);
}

void CWnd::Unbind() {
    if (m_hWnd != nullptr) ::RemovePropA(m_hWnd, kWndProp);
    m_hWnd = nullptr;
}

BOOL CWnd::Attach(HWND hWndNew) {
    if (hWndNew == nullptr || m_hWnd != nullptr || FromHandlePermanent(hWndNew) != nullptr) return FALSE;
    Bind(hWndNew);
    return TRUE;
}

HWND CWnd::Detach() {
    HWND h = m_hWnd;
    if (h != nullptr && FromHandlePermanent(h) == this) ::RemovePropA(h, kWndProp);
    m_hWnd = nullptr;
    return h;
}

BOOL CWnd::SubclassWindow(HWND hWnd) {
    if (!Attach(hWnd)) return FALSE;
    WNDPROC old = (WNDPROC)::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, (LONG_PTR)AfxWndProc);
    if (old != AfxWndProc) m_pfnSuper = old;
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* pParent) {
    if (pParent == nullptr) return FALSE;
    HWND hWnd = ::GetDlgItem(pParent->m_hWnd, (int)nID);
    return hWnd != nullptr && SubclassWindow(hWnd);
}

HWND CWnd::UnsubclassWindow() {
    if (m_hWnd == nullptr) return nullptr;
    if (m_pfnSuper != nullptr) ::SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, (LONG_PTR)m_pfnSuper);
    m_pfnSuper = nullptr;
    return Detach();
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, int x, int y,
                    int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu, LPVOID lpParam) {
    if (m_hWnd != nullptr) return FALSE;
    if (lpszClassName == nullptr) lpszClassName = AfxRegisterWndClass(0);
    CWnd* pOldInit = g_pWndInit;
    g_pWndInit = this;
    HWND hWnd = ::CreateWindowExA(dwExStyle, lpszClassName, lpszWindowName, dwStyle, x, y, nWidth, nHeight, hWndParent,
                                  nIDorHMenu, AfxGetInstanceHandle(), lpParam);
    bool bBound = g_pWndInit == nullptr;
    g_pWndInit = pOldInit;
    if (hWnd == nullptr) {
        // A window of ours that failed during creation was bound and is gone.
        if (bBound) m_hWnd = nullptr;
        return FALSE;
    }
    if (!bBound) SubclassWindow(hWnd);  // a system class: its procedure never saw us
    return m_hWnd == hWnd;
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                    CWnd* pParentWnd, UINT nID, LPVOID lpParam) {
    return CreateEx(dwExStyle, lpszClassName, lpszWindowName, dwStyle, rect.left, rect.top, rect.right - rect.left,
                    rect.bottom - rect.top, pParentWnd != nullptr ? pParentWnd->m_hWnd : nullptr, (HMENU)(UINT_PTR)nID,
                    lpParam);
}

BOOL CWnd::Create(LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
                  UINT nID) {
    return CreateEx(0, lpszClassName, lpszWindowName, dwStyle | WS_CHILD, rect, pParentWnd, nID);
}

BOOL CWnd::DestroyWindow() {
    if (m_hWnd == nullptr) return FALSE;
    HWND h = m_hWnd;
    // When our procedure sees the window go it unbinds us (and a window that
    // owns itself is deleted by then, so this object must not be touched).
    // A window that was only attached never tells us: unbind it here.
    bool bSeesDestroy = FromHandlePermanent(h) == this &&
                        (m_pfnSuper != nullptr || (WNDPROC)::GetWindowLongPtrA(h, GWLP_WNDPROC) == AfxWndProc);
    BOOL bResult = ::DestroyWindow(h);
    if (!bSeesDestroy && bResult) m_hWnd = nullptr;
    return bResult;
}

namespace {

// GWL_STYLE or GWL_EXSTYLE; nFlags, when given, make the frame take the change.
BOOL ModifyWindowLong(HWND hWnd, int nIndex, DWORD dwRemove, DWORD dwAdd, UINT nFlags) {
    DWORD dwOld = (DWORD)::GetWindowLongPtrA(hWnd, nIndex);
    DWORD dwNew = (dwOld & ~dwRemove) | dwAdd;
    if (dwOld == dwNew) return FALSE;
    ::SetWindowLongPtrA(hWnd, nIndex, (LONG_PTR)dwNew);
    if (nFlags != 0)
        ::SetWindowPos(hWnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | nFlags);
    return TRUE;
}

}  // namespace

BOOL CWnd::ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags) {
    KFW_CHECK_HWND();
    return ModifyWindowLong(m_hWnd, GWL_STYLE, dwRemove, dwAdd, nFlags);
}

BOOL CWnd::ModifyStyleEx(DWORD dwRemove, DWORD dwAdd, UINT nFlags) {
    KFW_CHECK_HWND();
    return ModifyWindowLong(m_hWnd, GWL_EXSTYLE, dwRemove, dwAdd, nFlags);
}

void CWnd::GetWindowText(CString& rString) const {
    int n = ::GetWindowTextLengthA(m_hWnd);
    char* p = rString.GetBuffer(n + 1);
    if (p == nullptr) return;
    int got = ::GetWindowTextA(m_hWnd, p, n + 1);
    rString.ReleaseBuffer(got);
}

void CWnd::SetFont(CFont* pFont, BOOL bRedraw) {
    SendMessage(WM_SETFONT, (WPARAM)(pFont != nullptr ? pFont->m_hObject : nullptr), bRedraw);
}

CFont* CWnd::GetFont() const { return CFont::FromHandle((HFONT)SendMessage(WM_GETFONT)); }

HICON CWnd::SetIcon(HICON hIcon, BOOL bBigIcon) {
    return (HICON)SendMessage(WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL, (LPARAM)hIcon);
}

void CWnd::ClientToScreen(LPRECT lpRect) const {
    ::ClientToScreen(m_hWnd, (LPPOINT)lpRect);
    ::ClientToScreen(m_hWnd, ((LPPOINT)lpRect) + 1);
}

void CWnd::ScreenToClient(LPRECT lpRect) const {
    ::ScreenToClient(m_hWnd, (LPPOINT)lpRect);
    ::ScreenToClient(m_hWnd, ((LPPOINT)lpRect) + 1);
}

BOOL CWnd::SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags) {
    return ::SetWindowPos(m_hWnd, pWndInsertAfter != nullptr ? pWndInsertAfter->m_hWnd : nullptr, x, y, cx, cy, nFlags);
}

void CWnd::CenterWindow(CWnd* pAlternateOwner) {
    RECT rcArea;
    RECT rcCenter;
    HWND hCenter = pAlternateOwner != nullptr ? pAlternateOwner->m_hWnd : nullptr;
    DWORD dwStyle = GetStyle();
    if (hCenter == nullptr) {
        hCenter = (dwStyle & WS_CHILD) ? ::GetParent(m_hWnd) : ::GetWindow(m_hWnd, GW_OWNER);
    }
    if (hCenter != nullptr && !(dwStyle & WS_CHILD)) {
        // An owner that is hidden or minimised is no place to centre on.
        DWORD dwCenterStyle = (DWORD)::GetWindowLongPtrA(hCenter, GWL_STYLE);
        if (!(dwCenterStyle & WS_VISIBLE) || (dwCenterStyle & WS_MINIMIZE)) hCenter = nullptr;
    }
    if (dwStyle & WS_CHILD) {
        HWND hParent = ::GetParent(m_hWnd);
        ::GetClientRect(hParent, &rcArea);
        if (hCenter != nullptr) {
            ::GetClientRect(hCenter, &rcCenter);
            ::MapWindowPoints(hCenter, hParent, (LPPOINT)&rcCenter, 2);
        } else {
            rcCenter = rcArea;
        }
    } else {
        MONITORINFO mi = {};
        mi.cbSize = sizeof(mi);
        HMONITOR hMon = ::MonitorFromWindow(hCenter != nullptr ? hCenter : m_hWnd, MONITOR_DEFAULTTOPRIMARY);
        ::GetMonitorInfoA(hMon, &mi);
        rcArea = mi.rcWork;
        if (hCenter != nullptr)
            ::GetWindowRect(hCenter, &rcCenter);
        else
            rcCenter = rcArea;
    }
    RECT rc;
    ::GetWindowRect(m_hWnd, &rc);
    int w = rc.right - rc.left, h = rc.bottom - rc.top;
    int x = (rcCenter.left + rcCenter.right) / 2 - w / 2;
    int y = (rcCenter.top + rcCenter.bottom) / 2 - h / 2;
    if (x + w > rcArea.right) x = rcArea.right - w;
    if (x < rcArea.left) x = rcArea.left;
    if (y + h > rcArea.bottom) y = rcArea.bottom - h;
    if (y < rcArea.top) y = rcArea.top;
    ::SetWindowPos(m_hWnd, nullptr, x, y, -1, -1, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int CWnd::ReleaseDC(CDC* pDC) {
    if (pDC == nullptr) return 0;
    int n = ::ReleaseDC(m_hWnd, pDC->m_hDC);
    pDC->m_hDC = nullptr;
    return n;
}

BOOL CWnd::EnableToolTips(BOOL bEnable) {
    if (!bEnable) {
        if (m_pToolTips != nullptr) m_pToolTips->Activate(FALSE);
        m_bToolTipsOn = FALSE;
        return FALSE;
    }
    KFW_CHECK_HWND();
    if (m_hWnd == nullptr) return FALSE;
    if (m_pToolTips == nullptr) {
        CToolTipCtrl* pTips = new (std::nothrow) CToolTipCtrl;
        if (pTips == nullptr) return FALSE;
        if (!pTips->Create(this)) {
            delete pTips;
            return FALSE;
        }
        m_pToolTips = pTips;
        // A command's string is "prompt\ntip"; the tip is what the control
        // shows. Controls without such a string get no tool.
        for (HWND h = ::GetWindow(m_hWnd, GW_CHILD); h != nullptr; h = ::GetWindow(h, GW_HWNDNEXT)) {
            UINT nID = (UINT)::GetDlgCtrlID(h);
            if (IsUnnamedControl(nID)) continue;
            CString strText;
            if (!strText.LoadString(nID)) continue;
            int nNewLine = strText.Find('\n');
            if (nNewLine < 0 || nNewLine + 1 >= strText.GetLength()) continue;
            m_pToolTips->AddTool(CWnd::FromHandle(h), strText.Mid(nNewLine + 1));
        }
    }
    m_pToolTips->Activate(TRUE);
    m_bToolTipsOn = TRUE;
    return TRUE;
}

BOOL CWnd::UpdateData(BOOL bSaveAndValidate) {
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    if (!dx.m_bFail) return TRUE;
    if (dx.m_hWndLastControl != nullptr) {
        ::SetFocus(dx.m_hWndLastControl);
        if (dx.m_bEditLastControl) ::SendMessageA(dx.m_hWndLastControl, EM_SETSEL, 0, -1);
    }
    return FALSE;
}

void CWnd::UpdateDialogControls(CCmdTarget* pTarget, BOOL bDisableIfNoHndler) {
    CCmdUI state;
    for (HWND h = ::GetTopWindow(m_hWnd); h != nullptr; h = ::GetNextWindow(h, GW_HWNDNEXT)) {
        UINT nID = (UINT)::GetDlgCtrlID(h);
        if (IsUnnamedControl(nID)) continue;
        // Only push buttons are commands; check boxes and the like are data.
        char szClass[16];
        ::GetClassNameA(h, szClass, (int)sizeof(szClass));
        if (lstrcmpiA(szClass, "Button") == 0) {
            LONG_PTR type = ::GetWindowLongPtrA(h, GWL_STYLE) & BS_TYPEMASK;
            if (type != BS_PUSHBUTTON && type != BS_DEFPUSHBUTTON) continue;
        } else {
            continue;
        }
        state.m_nID = nID;
        state.m_pOther = CWnd::FromHandle(h);
        state.DoUpdate(pTarget, bDisableIfNoHndler);
    }
}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

BOOL CWnd::WalkPreTranslateTree(HWND hWndStop, MSG* pMsg) {
    bool bMouse = (pMsg->message >= WM_MOUSEFIRST && pMsg->message <= WM_MOUSELAST) ||
                  (pMsg->message >= WM_NCMOUSEMOVE && pMsg->message <= WM_NCMBUTTONDBLCLK);
    for (HWND h = pMsg->hwnd; h != nullptr; h = ::GetParent(h)) {
        CWnd* p = FromHandlePermanent(h);
        // The tips that EnableToolTips made see the mouse over the window
        // and its children before anything else does.
        if (bMouse && p != nullptr && p->m_bToolTipsOn && p->m_pToolTips != nullptr) p->m_pToolTips->RelayEvent(pMsg);
        if (p != nullptr && p->PreTranslateMessage(pMsg)) return TRUE;
        if (h == hWndStop) break;
    }
    return FALSE;
}

void CWnd::DoDataExchange(CDataExchange*) {}

void CWnd::PostNcDestroy() {}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT lResult = 0;
    if (!OnWndMsg(message, wParam, lParam, &lResult)) lResult = DefWindowProc(message, wParam, lParam);
    return lResult;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (m_pfnSuper != nullptr) return ::CallWindowProcA(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default() { return DefWindowProc(g_currentMsg.message, g_currentMsg.wParam, g_currentMsg.lParam); }

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    if (message == WM_COMMAND) {
        if (OnCommand(wParam, lParam)) {
            *pResult = 0;
            return TRUE;
        }
        return FALSE;
    }
    if (message == WM_NOTIFY) {
        LRESULT lResult = 0;
        if (OnNotify(wParam, lParam, &lResult)) {
            *pResult = lResult;
            return TRUE;
        }
        return FALSE;
    }
    if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) {
        // The control colours itself if its own map says so.
        CWnd* pChild = FromHandlePermanent((HWND)lParam);
        if (pChild != nullptr && pChild != this) {
            LRESULT lResult = 0;
            if (pChild->OnMessageMap(KFW_MSG_REFLECT_BASE + message, wParam, lParam, lResult)) {
                *pResult = lResult;
                return TRUE;
            }
        }
    }
    return OnMessageMap(message, wParam, lParam, *pResult);
}

BOOL CWnd::OnCmdMsg(UINT nID, int nCode, void* pExtra) {
    if (CCmdTarget::OnCmdMsg(nID, nCode, pExtra)) return TRUE;
    // What a top-level window leaves goes to the application object; a
    // child's commands are its parent's business.
    if (m_hWnd == nullptr || (GetStyle() & WS_CHILD)) return FALSE;
    CWinApp* pApp = AfxGetApp();
    return pApp != nullptr && pApp->OnCmdMsg(nID, nCode, pExtra);
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
    UINT nID = LOWORD(wParam);
    int nCode = HIWORD(wParam);
    // Menus (0) and accelerators (1) are both plain commands.
    if (lParam == 0) nCode = CN_COMMAND;
    return OnCmdMsg(nID, nCode, (void*)lParam);
}

BOOL CWnd::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    return OnMessageMap(WM_NOTIFY, wParam, lParam, *pResult);
}

// Default handlers: default processing of the current message.
int CWnd::OnCreate(LPCREATESTRUCTA) { return (int)Default(); }
void CWnd::OnDestroy() { Default(); }
void CWnd::OnPaint() { Default(); }
BOOL CWnd::OnEraseBkgnd(CDC*) { return (BOOL)Default(); }
void CWnd::OnTimer(UINT_PTR) { Default(); }
void CWnd::OnSysCommand(UINT, LPARAM) { Default(); }
HCURSOR CWnd::OnQueryDragIcon() { return (HCURSOR)Default(); }
BOOL CWnd::OnSetCursor(CWnd*, UINT, UINT) { return (BOOL)Default(); }
void CWnd::OnClose() { Default(); }
void CWnd::OnSize(UINT, int, int) { Default(); }
void CWnd::OnMove(int, int) { Default(); }
void CWnd::OnShowWindow(BOOL, UINT) { Default(); }
void CWnd::OnActivate(UINT, CWnd*, BOOL) { Default(); }
HBRUSH CWnd::OnCtlColor(CDC*, CWnd*, UINT) { return (HBRUSH)Default(); }
LRESULT CWnd::OnNcHitTest(CPoint) { return Default(); }
void CWnd::OnContextMenu(CWnd*, CPoint) { Default(); }
void CWnd::OnLButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnLButtonUp(UINT, CPoint) { Default(); }
void CWnd::OnLButtonDblClk(UINT, CPoint) { Default(); }
void CWnd::OnRButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnRButtonUp(UINT, CPoint) { Default(); }
void CWnd::OnMouseMove(UINT, CPoint) { Default(); }
void CWnd::OnKeyDown(UINT, UINT, UINT) { Default(); }
void CWnd::OnKeyUp(UINT, UINT, UINT) { Default(); }
void CWnd::OnChar(UINT, UINT, UINT) { Default(); }
void CWnd::OnCaptureChanged(CWnd*) { Default(); }
void CWnd::OnGetMinMaxInfo(MINMAXINFO*) { Default(); }
void CWnd::OnSetFocus(CWnd*) { Default(); }

// The window procedure

LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* pWnd = CWnd::FromHandlePermanent(hWnd);
    if (pWnd == nullptr) {
        if (g_pWndInit == nullptr || g_pWndInit->m_hWnd != nullptr)
            return ::DefWindowProcA(hWnd, message, wParam, lParam);
        pWnd = g_pWndInit;
        g_pWndInit = nullptr;
        pWnd->Bind(hWnd);
    }
    MSG saved = g_currentMsg;
    g_currentMsg.hwnd = hWnd;
    g_currentMsg.message = message;
    g_currentMsg.wParam = wParam;
    g_currentMsg.lParam = lParam;
    LRESULT lResult = 0;
    // Nothing may unwind through the system's window procedure callers. No
    // code of ours throws, so an exception here is a fault: checked builds
    // stop, release builds answer 0 and go on.
    try {
        lResult = pWnd->WindowProc(message, wParam, lParam);
    } catch (...) {
        KFW_CHECK_MSG(false, "exception thrown out of a window procedure");
        lResult = 0;
    }
    g_currentMsg = saved;
    if (message == WM_NCDESTROY && CWnd::FromHandlePermanent(hWnd) == pWnd) {
        if (pWnd->m_pfnSuper != nullptr) ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, (LONG_PTR)pWnd->m_pfnSuper);
        pWnd->m_pfnSuper = nullptr;
        pWnd->Unbind();
        pWnd->DeleteToolTips();
        pWnd->PostNcDestroy();
    }
    return lResult;
}

LPCSTR AfxRegisterWndClass(UINT nClassStyle, HCURSOR hCursor, HBRUSH hbrBackground, HICON hIcon) {
    // The name encodes the look, so equal requests share one class. The
    // names live as long as the process: callers keep the pointer.
    static std::mutex s_mutex;
    static std::deque<std::string> s_names;
    char name[96];
    wsprintfA(name, "Kfw:%x:%p:%p:%p", nClassStyle, (void*)hCursor, (void*)hbrBackground, (void*)hIcon);
    std::lock_guard<std::mutex> lock(s_mutex);
    for (const std::string& known : s_names) {
        if (known == name) return known.c_str();
    }
    WNDCLASSA wc = {};
    wc.style = nClassStyle;
    wc.lpfnWndProc = AfxWndProc;
    wc.hInstance = AfxGetInstanceHandle();
    wc.hCursor = hCursor != nullptr ? hCursor : ::LoadCursorA(nullptr, (LPCSTR)IDC_ARROW);
    wc.hbrBackground = hbrBackground;
    wc.hIcon = hIcon;
    wc.lpszClassName = name;
    WNDCLASSA existing;
    if (!::GetClassInfoA(wc.hInstance, name, &existing) && !::RegisterClassA(&wc)) return nullptr;
    s_names.emplace_back(name);
    return s_names.back().c_str();
}
