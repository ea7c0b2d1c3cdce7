#include "framework/tooltip_ctrl.h"

IMPLEMENT_DYNAMIC(CToolTipCtrl, CWnd)

BOOL CToolTipCtrl::Create(CWnd* pParentWnd, DWORD dwStyle) {
    return CreateEx(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | dwStyle, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                    CW_USEDEFAULT, pParentWnd != nullptr ? pParentWnd->m_hWnd : nullptr, nullptr);
}

void CToolTipCtrl::FillInToolInfo(TOOLINFOA& ti, CWnd* pWnd, UINT_PTR nIDTool, LPCRECT lpRectTool) {
    ZeroMemory(&ti, sizeof(ti));
    ti.cbSize = TTTOOLINFOA_V2_SIZE;
    if (lpRectTool == nullptr && nIDTool == 0) {
        // The whole window is the tool, known by its handle in its parent.
        ti.hwnd = ::GetParent(pWnd->m_hWnd);
        ti.uFlags = TTF_IDISHWND;
        ti.uId = (UINT_PTR)pWnd->m_hWnd;
    } else {
        ti.hwnd = pWnd->m_hWnd;
        ti.uId = nIDTool;
        if (lpRectTool != nullptr) ti.rect = *lpRectTool;
    }
}

BOOL CToolTipCtrl::AddTool(CWnd* pWnd, LPCSTR lpszText, LPCRECT lpRectTool, UINT_PTR nIDTool) {
    KFW_CHECK_MSG(pWnd != nullptr && pWnd->m_hWnd != nullptr, "tooltip tool without a window");
    if (pWnd == nullptr || pWnd->m_hWnd == nullptr) return FALSE;
    TOOLINFOA ti;
    FillInToolInfo(ti, pWnd, nIDTool, lpRectTool);
    ti.lpszText = const_cast<LPSTR>(lpszText != nullptr ? lpszText : "");
    return (BOOL)SendMessage(TTM_ADDTOOLA, 0, (LPARAM)&ti);
}

void CToolTipCtrl::DelTool(CWnd* pWnd, UINT_PTR nIDTool) {
    if (pWnd == nullptr || pWnd->m_hWnd == nullptr) return;
    TOOLINFOA ti;
    FillInToolInfo(ti, pWnd, nIDTool, nullptr);
    SendMessage(TTM_DELTOOLA, 0, (LPARAM)&ti);
}

void CToolTipCtrl::GetText(CString& rString, CWnd* pWnd, UINT_PTR nIDTool) const {
    rString.Empty();
    if (pWnd == nullptr || pWnd->m_hWnd == nullptr) return;
    // Tool texts are at most 80 characters for the older controls; the
    // buffer has room for what newer ones keep, and says so in wParam.
    const int kBuffer = 1024;
    char* p = rString.GetBuffer(kBuffer);
    if (p == nullptr) return;
    p[0] = 0;
    TOOLINFOA ti;
    FillInToolInfo(ti, pWnd, nIDTool, nullptr);
    ti.lpszText = p;
    SendMessage(TTM_GETTEXTA, kBuffer, (LPARAM)&ti);
    rString.ReleaseBuffer();
}
