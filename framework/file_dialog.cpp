#include "framework/file_dialog.h"
#include "framework/message_loop.h"

IMPLEMENT_DYNAMIC(CFileDialog, CDialog)

CFileDialog::CFileDialog(BOOL bOpenFileDialog, LPCSTR lpszDefExt, LPCSTR lpszFileName, DWORD dwFlags, LPCSTR lpszFilter,
                         CWnd* pParentWnd)
    : CDialog((LPCSTR) nullptr, pParentWnd), m_bOpenFileDialog(bOpenFileDialog) {
    m_szFileName[0] = 0;
    m_szFileTitle[0] = 0;
    if (lpszFileName != nullptr) ::lstrcpynA(m_szFileName, lpszFileName, MAX_PATH);

    ZeroMemory(&m_ofn, sizeof(m_ofn));
    m_ofn.lStructSize = sizeof(m_ofn);
    m_ofn.lpstrFile = m_szFileName;
    m_ofn.nMaxFile = MAX_PATH;
    m_ofn.lpstrFileTitle = m_szFileTitle;
    m_ofn.nMaxFileTitle = MAX_PATH;
    m_ofn.nFilterIndex = 1;
    m_ofn.Flags = dwFlags | OFN_EXPLORER | OFN_ENABLEHOOK | OFN_ENABLESIZING;
    m_ofn.lpfnHook = &CFileDialog::HookProc;

    if (lpszDefExt != nullptr && *lpszDefExt != 0) {
        m_strDefExt = lpszDefExt;
        m_ofn.lpstrDefExt = m_strDefExt;
    }
    if (lpszFilter != nullptr && *lpszFilter != 0) {
        m_strFilter = lpszFilter;
        TranslateBars(m_strFilter);
        m_ofn.lpstrFilter = m_strFilter;
    }
}

void CFileDialog::TranslateBars(CString& strFilter) {
    // In place, stepping over double-byte characters: a trail byte may be
    // '|'. The length stays, NULs and all.
    int nLength = strFilter.GetLength();
    char* p = strFilter.GetBuffer(nLength);
    if (p == nullptr) return;
    for (int i = 0; i < nLength; ++i) {
        if (FwIsLeadByte((unsigned char)p[i]) && i + 1 < nLength)
            ++i;
        else if (p[i] == '|')
            p[i] = 0;
    }
    strFilter.ReleaseBuffer(nLength);
}

INT_PTR CFileDialog::DoModal() {
    CModalScope modal;
    // The system disables the owner while the dialog is up.
    m_ofn.hwndOwner = FindModalOwner();
    m_ofn.lCustData = (LPARAM)this;

    m_bModal = TRUE;
    BOOL bOk = m_bOpenFileDialog ? ::GetOpenFileNameA(&m_ofn) : ::GetSaveFileNameA(&m_ofn);
    m_bModal = FALSE;
    // The hook child is gone and has unbound itself; only a dialog that
    // failed half-way could leave a handle behind.
    if (m_hWnd != nullptr) Detach();
    return bOk ? IDOK : IDCANCEL;
}

CString CFileDialog::GetPathName() const {
    if (m_hWnd != nullptr) {
        HWND hFrame = ::GetParent(m_hWnd);
        char szPath[MAX_PATH];
        if (::SendMessageA(hFrame, CDM_GETFILEPATH, MAX_PATH, (LPARAM)szPath) > 0) return CString(szPath);
        return CString();
    }
    return CString(m_szFileName);
}

CString CFileDialog::GetFileName() const {
    if (m_hWnd != nullptr) {
        HWND hFrame = ::GetParent(m_hWnd);
        char szSpec[MAX_PATH];
        if (::SendMessageA(hFrame, CDM_GETSPEC, MAX_PATH, (LPARAM)szSpec) > 0) return CString(szSpec);
        return CString();
    }
    if (m_szFileTitle[0] != 0) return CString(m_szFileTitle);
    // The part after the last backslash (ReverseFind steps over double-byte
    // characters, whose trail byte may be '\\').
    CString strPath(m_szFileName);
    return strPath.Mid(strPath.ReverseFind('\\') + 1);
}

void CFileDialog::SetDefExt(LPCSTR lpszExt) {
    m_strDefExt = lpszExt;
    m_ofn.lpstrDefExt = m_strDefExt.IsEmpty() ? nullptr : m_strDefExt.GetString();
    if (m_hWnd != nullptr) ::SendMessageA(::GetParent(m_hWnd), CDM_SETDEFEXT, 0, (LPARAM)m_strDefExt.GetString());
}

BOOL CFileDialog::OnFileNameOK() { return FALSE; }

void CFileDialog::OnInitDone() {}

void CFileDialog::OnTypeChange() {}

BOOL CFileDialog::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    const OFNOTIFYA* pNotify = reinterpret_cast<const OFNOTIFYA*>(lParam);
    UINT nCode = pNotify->hdr.code;
    if (nCode > CDN_FIRST || nCode < CDN_LAST) return CDialog::OnNotify(wParam, lParam, pResult);
    // The system may hand out its own copy of the structure: keep ours in
    // step with the file type the user picked.
    if (pNotify->lpOFN != nullptr && pNotify->lpOFN != &m_ofn) m_ofn.nFilterIndex = pNotify->lpOFN->nFilterIndex;

    *pResult = 0;
    switch (nCode) {
        case CDN_INITDONE:
            OnInitDone();
            return TRUE;
        case CDN_TYPECHANGE:
            OnTypeChange();
            return TRUE;
        case CDN_FILEOK: {
            // A dialog's answer to a notification is its DWLP_MSGRESULT; set it
            // either way, or an earlier refusal would stick.
            LRESULT lRefuse = OnFileNameOK() ? 1 : 0;
            ::SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, lRefuse);
            *pResult = lRefuse;
            return TRUE;
        }
        default:
            return CDialog::OnNotify(wParam, lParam, pResult);
    }
}

UINT_PTR CALLBACK CFileDialog::HookProc(HWND hWnd, UINT message, WPARAM, LPARAM lParam) {
    // Binds the object to the hook's child dialog; from then on its messages
    // reach the object's map first, then the dialog class's procedure, which
    // calls back here and gets FALSE (the default dialog processing).
    if (message != WM_INITDIALOG || CWnd::FromHandlePermanent(hWnd) != nullptr) return FALSE;
    const OPENFILENAMEA* pOfn = reinterpret_cast<const OPENFILENAMEA*>(lParam);
    CFileDialog* pDlg = pOfn != nullptr ? reinterpret_cast<CFileDialog*>(pOfn->lCustData) : nullptr;
    if (pDlg == nullptr) return FALSE;
    pDlg->SubclassWindow(hWnd);
    return TRUE;
}
