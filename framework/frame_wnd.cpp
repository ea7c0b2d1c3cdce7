#include "framework/frame_wnd.h"

#include "framework/menu.h"

IMPLEMENT_DYNAMIC(CFrameWnd, CWnd)

const CRect CFrameWnd::rectDefault(CW_USEDEFAULT, CW_USEDEFAULT, 0, 0);

LPCSTR CFrameWnd::GetDefaultClass() {
    return AfxRegisterWndClass(CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW, nullptr, (HBRUSH)(COLOR_WINDOW + 1));
}

BOOL CFrameWnd::Create(LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
                       LPCSTR lpszMenuName, DWORD dwExStyle) {
    KFW_CHECK_MSG(m_hWnd == nullptr, "CFrameWnd::Create on a frame that has a window");
    if (m_hWnd != nullptr) return FALSE;
    if (lpszClassName == nullptr) lpszClassName = GetDefaultClass();
    CMenu menu;
    if (lpszMenuName != nullptr && !menu.LoadMenu(lpszMenuName)) {
        delete this;
        return FALSE;
    }
    // CW_USEDEFAULT in the size: the system picks the size as well.
    int cx = rect.left == CW_USEDEFAULT ? CW_USEDEFAULT : rect.right - rect.left;
    int cy = rect.left == CW_USEDEFAULT ? CW_USEDEFAULT : rect.bottom - rect.top;
    m_bInCreate = TRUE;
    BOOL bCreated = CreateEx(dwExStyle, lpszClassName, lpszWindowName, dwStyle, rect.left, rect.top, cx, cy,
                             pParentWnd != nullptr ? pParentWnd->m_hWnd : nullptr, menu.m_hMenu);
    m_bInCreate = FALSE;
    if (!bCreated) {
        // PostNcDestroy left the object alone while Create ran.
        delete this;
        return FALSE;
    }
    menu.Detach();  // the window's menu goes with the window
    return TRUE;
}

void CFrameWnd::PostNcDestroy() {
    if (!m_bInCreate) delete this;
}
