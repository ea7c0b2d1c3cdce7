#include "framework/print_dialog.h"
#include "framework/message_loop.h"

IMPLEMENT_DYNAMIC(CPrintDialog, CDialog)

CPrintDialog::CPrintDialog(BOOL bPrintSetupOnly, DWORD dwFlags, CWnd* pParentWnd)
    : CDialog((LPCSTR) nullptr, pParentWnd) {
    ZeroMemory(&m_pd, sizeof(m_pd));
    m_pd.lStructSize = sizeof(m_pd);
    m_pd.Flags = dwFlags;
    if (bPrintSetupOnly)
        m_pd.Flags |= PD_PRINTSETUP;
    else
        m_pd.Flags |= PD_RETURNDC;
    m_pd.nCopies = 1;
}

CPrintDialog::~CPrintDialog() { FreeResults(); }

void CPrintDialog::FreeResults() {
    if (m_pd.hDC != nullptr) ::DeleteDC(m_pd.hDC);
    if (m_pd.hDevMode != nullptr) ::GlobalFree(m_pd.hDevMode);
    if (m_pd.hDevNames != nullptr) ::GlobalFree(m_pd.hDevNames);
    m_pd.hDC = nullptr;
    m_pd.hDevMode = nullptr;
    m_pd.hDevNames = nullptr;
}

INT_PTR CPrintDialog::DoModal() {
    CModalScope modal;
    // A context from an earlier run would be lost when the system writes
    // the new one into the record.
    if (m_pd.hDC != nullptr) {
        ::DeleteDC(m_pd.hDC);
        m_pd.hDC = nullptr;
    }
    // The system runs the dialog and disables the owner meanwhile.
    m_pd.hwndOwner = FindModalOwner();
    m_bModal = TRUE;
    BOOL bOk = ::PrintDlgA(&m_pd);
    m_bModal = FALSE;
    return bOk ? IDOK : IDCANCEL;
}

CString CPrintDialog::GetDeviceName() const {
    if (m_pd.hDevNames == nullptr) return CString();
    const DEVNAMES* pNames = static_cast<const DEVNAMES*>(::GlobalLock(m_pd.hDevNames));
    if (pNames == nullptr) return CString();
    CString strName(reinterpret_cast<const char*>(pNames) + pNames->wDeviceOffset);
    ::GlobalUnlock(m_pd.hDevNames);
    return strName;
}
