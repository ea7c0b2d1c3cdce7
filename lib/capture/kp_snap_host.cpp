// The host made of the program's windows.
#include "kp_snap_host.h"

CKpSnapHost::~CKpSnapHost() {}

void CKpWindowHost::ShowMainWindow(BOOL bShow) {
    if (m_pMainWnd != nullptr && ::IsWindow(m_pMainWnd->m_hWnd)) m_pMainWnd->ShowWindow(bShow ? SW_SHOW : SW_HIDE);
}

HWND CKpWindowHost::GetParentWindow() const { return m_pMainWnd != nullptr ? m_pMainWnd->m_hWnd : nullptr; }

CSize CKpWindowHost::GetViewSize() const {
    CRect rc;
    if (m_pViewWnd != nullptr && m_pViewWnd->m_hWnd != nullptr) m_pViewWnd->GetClientRect(&rc);
    return rc.Size();
}

HWND CKpWindowHost::GetClipboardOwner() const { return m_pViewWnd != nullptr ? m_pViewWnd->m_hWnd : nullptr; }
