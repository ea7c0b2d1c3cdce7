#include "framework/controls.h"

namespace {

// The text of a list item: its length first (nLenMsg), then the text
// (nTextMsg). Empty for an index out of range.
void GetItemText(const CWnd& wnd, UINT nLenMsg, UINT nTextMsg, int nIndex, CString& rString) {
    int n = (int)wnd.SendMessage(nLenMsg, (WPARAM)nIndex);
    if (n < 0) {
        rString.Empty();
        return;
    }
    char* p = rString.GetBuffer(n + 1);
    if (p == nullptr) return;
    int got = (int)wnd.SendMessage(nTextMsg, (WPARAM)nIndex, (LPARAM)p);
    rString.ReleaseBuffer(got < 0 ? 0 : got);
}

}  // namespace

IMPLEMENT_DYNAMIC(CStatic, CWnd)
IMPLEMENT_DYNAMIC(CButton, CWnd)
IMPLEMENT_DYNAMIC(CComboBox, CWnd)
IMPLEMENT_DYNAMIC(CListBox, CWnd)
IMPLEMENT_DYNAMIC(CHotKeyCtrl, CWnd)

BOOL CStatic::Create(LPCSTR lpszText, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return CWnd::Create("STATIC", lpszText, dwStyle, rect, pParentWnd, nID);
}

BOOL CButton::Create(LPCSTR lpszCaption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return CWnd::Create("BUTTON", lpszCaption, dwStyle, rect, pParentWnd, nID);
}

BOOL CComboBox::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return CWnd::Create("COMBOBOX", nullptr, dwStyle, rect, pParentWnd, nID);
}

void CComboBox::GetLBText(int nIndex, CString& rString) const {
    GetItemText(*this, CB_GETLBTEXTLEN, CB_GETLBTEXT, nIndex, rString);
}

BOOL CListBox::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return CWnd::Create("LISTBOX", nullptr, dwStyle, rect, pParentWnd, nID);
}

void CListBox::GetText(int nIndex, CString& rString) const {
    GetItemText(*this, LB_GETTEXTLEN, LB_GETTEXT, nIndex, rString);
}

BOOL CHotKeyCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return CWnd::Create(HOTKEY_CLASSA, nullptr, dwStyle, rect, pParentWnd, nID);
}
