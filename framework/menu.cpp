#include "framework/menu.h"

#include "framework/resources.h"
#include "framework/temp_objects.h"
#include "framework/wnd.h"

namespace {

void ReleaseTempMenu(CObject* p) {
    static_cast<CMenu*>(p)->m_hMenu = nullptr;
    delete p;
}

}  // namespace

IMPLEMENT_DYNAMIC(CMenu, CObject)

CMenu::~CMenu() { DestroyMenu(); }

CMenu* CMenu::FromHandle(HMENU hMenu) {
    if (hMenu == nullptr) return nullptr;
    CMenu* p = new CMenu;
    p->m_hMenu = hMenu;
    FwAddTempObject(p, ReleaseTempMenu);
    return p;
}

BOOL CMenu::CreateMenu() { return Attach(::CreateMenu()); }

BOOL CMenu::CreatePopupMenu() { return Attach(::CreatePopupMenu()); }

BOOL CMenu::LoadMenu(LPCSTR lpszResourceName) {
    if (m_hMenu != nullptr) return FALSE;
    HINSTANCE h = AfxFindResourceHandle(lpszResourceName, RT_MENU);
    if (h == nullptr) return FALSE;
    return Attach(::LoadMenuA(h, lpszResourceName));
}

BOOL CMenu::LoadMenu(UINT nIDResource) { return LoadMenu(MAKEINTRESOURCEA(nIDResource)); }

BOOL CMenu::Attach(HMENU hMenu) {
    if (hMenu == nullptr || m_hMenu != nullptr) return FALSE;
    m_hMenu = hMenu;
    return TRUE;
}

HMENU CMenu::Detach() {
    HMENU h = m_hMenu;
    m_hMenu = nullptr;
    return h;
}

BOOL CMenu::DestroyMenu() {
    if (m_hMenu == nullptr) return FALSE;
    BOOL bResult = ::DestroyMenu(m_hMenu);
    m_hMenu = nullptr;
    return bResult;
}

int CMenu::GetMenuString(UINT nIDItem, CString& rString, UINT nFlags) const {
    int n = ::GetMenuStringA(m_hMenu, nIDItem, nullptr, 0, nFlags);
    if (n <= 0) {
        rString.Empty();
        return 0;
    }
    char* p = rString.GetBuffer(n + 1);
    if (p == nullptr) return 0;
    int got = ::GetMenuStringA(m_hMenu, nIDItem, p, n + 1, nFlags);
    rString.ReleaseBuffer(got);
    return got;
}

BOOL CMenu::TrackPopupMenu(UINT nFlags, int x, int y, CWnd* pWnd, LPCRECT lpRect) {
    KFW_CHECK_MSG(pWnd != nullptr && pWnd->m_hWnd != nullptr, "TrackPopupMenu without an owner window");
    if (pWnd == nullptr) return FALSE;
    return ::TrackPopupMenu(m_hMenu, nFlags, x, y, 0, pWnd->m_hWnd, lpRect);
}
