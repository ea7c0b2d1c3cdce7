#include "framework/dialog.h"

#include "framework/app.h"
#include "framework/message_loop.h"
#include "framework/resources.h"

IMPLEMENT_DYNAMIC(CDialog, CWnd)

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_MESSAGE(WM_INITDIALOG, &CDialog::HandleInitDialog)
    ON_COMMAND(IDOK, &CDialog::OnOK)
    ON_COMMAND(IDCANCEL, &CDialog::OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog()
    : m_lpszTemplateName(nullptr),
      m_nIDHelp(0),
      m_pParentWnd(nullptr),
      m_nModalResult(-1),
      m_bContinueModal(FALSE),
      m_bModal(FALSE) {}

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd) : CDialog() {
    m_lpszTemplateName = MAKEINTRESOURCEA(nIDTemplate);
    m_nIDHelp = nIDTemplate;
    m_pParentWnd = pParentWnd;
}

CDialog::CDialog(LPCSTR lpszTemplateName, CWnd* pParentWnd) : CDialog() {
    m_lpszTemplateName = lpszTemplateName;
    m_pParentWnd = pParentWnd;
}

CDialog::~CDialog() {
    if (m_hWnd != nullptr) DestroyWindow();
}

BOOL CDialog::CreateFromTemplate(HWND hWndParent) {
    if (m_lpszTemplateName == nullptr) return FALSE;
    HINSTANCE hInst = AfxFindResourceHandle(m_lpszTemplateName, RT_DIALOG);
    if (hInst == nullptr) return FALSE;
    HRSRC hRes = ::FindResourceA(hInst, m_lpszTemplateName, RT_DIALOG);
    HGLOBAL hGlobal = hRes != nullptr ? ::LoadResource(hInst, hRes) : nullptr;
    const DLGTEMPLATE* pTemplate = hGlobal != nullptr ? (const DLGTEMPLATE*)::LockResource(hGlobal) : nullptr;
    if (pTemplate == nullptr) return FALSE;
    // The dialog procedure binds the window to this object at WM_INITDIALOG.
    HWND hWnd = ::CreateDialogIndirectParamA(hInst, pTemplate, hWndParent, AfxDlgProc, (LPARAM)this);
    if (hWnd == nullptr) return FALSE;
    if (m_hWnd == nullptr) Attach(hWnd);  // only if WM_INITDIALOG never came
    return TRUE;
}

HWND CDialog::FindModalOwner() const {
    HWND hWndOwner = m_pParentWnd != nullptr ? m_pParentWnd->m_hWnd : nullptr;
    if (hWndOwner == nullptr) {
        CWnd* pMain = AfxGetMainWnd();
        if (pMain != nullptr && pMain != this) hWndOwner = pMain->m_hWnd;
        // A main window disabled under a modal window of its own (a property
        // sheet, say): the window the dialog was opened from is the owner,
        // so that it is the one disabled while the dialog is up.
        if (hWndOwner != nullptr && !::IsWindowEnabled(hWndOwner) && ::GetActiveWindow() != nullptr)
            hWndOwner = ::GetActiveWindow();
    }
    if (hWndOwner != nullptr) {
        HWND hTop = ::GetAncestor(hWndOwner, GA_ROOT);
        if (hTop != nullptr) hWndOwner = hTop;
    }
    return hWndOwner;
}

INT_PTR CDialog::DoModal() {
    KFW_CHECK_MSG(m_hWnd == nullptr, "DoModal on a dialog that is already up");
    CModalScope modal;
    HWND hWndOwner = FindModalOwner();
    BOOL bEnableOwner = FALSE;
    if (hWndOwner != nullptr && hWndOwner != ::GetDesktopWindow() && ::IsWindowEnabled(hWndOwner)) {
        ::EnableWindow(hWndOwner, FALSE);
        bEnableOwner = TRUE;
    }

    m_bModal = TRUE;
    m_bContinueModal = TRUE;
    m_nModalResult = -1;
    if (CreateFromTemplate(hWndOwner)) {
        if (m_bContinueModal) RunModalLoop();
        if (m_hWnd != nullptr)
            ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                           SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
    }
    // The owner gets the activation back before the dialog goes.
    if (bEnableOwner) ::EnableWindow(hWndOwner, TRUE);
    if (hWndOwner != nullptr && m_hWnd != nullptr && ::GetActiveWindow() == m_hWnd) ::SetActiveWindow(hWndOwner);
    if (m_hWnd != nullptr) DestroyWindow();
    m_bModal = FALSE;
    return m_nModalResult;
}

namespace {

// A modal dialog's side of the layer's loop: its messages go through the
// PreTranslateMessage tree up to the dialog; idle time shows a dialog that
// started hidden and then kicks WM_KICKIDLE until the handler is done.
class ModalLoopClient : public CMessageLoopClient {
public:
    explicit ModalLoopClient(CDialog& dlg) : m_dlg(dlg), m_bShowIdle(!(dlg.GetStyle() & WS_VISIBLE)) {}

    BOOL ContinueLoop() const override { return m_dlg.ContinueModal() && m_dlg.m_hWnd != nullptr; }
    BOOL PreTranslateLoopMessage(MSG* pMsg) override { return CWnd::WalkPreTranslateTree(m_dlg.m_hWnd, pMsg); }
    BOOL OnLoopIdle(LONG lCount) override {
        if (m_bShowIdle) {
            m_dlg.ShowWindow(SW_SHOWNORMAL);
            m_dlg.UpdateWindow();
            m_bShowIdle = FALSE;
        }
        return m_dlg.m_hWnd != nullptr && m_dlg.SendMessage(WM_KICKIDLE, MSGF_DIALOGBOX, lCount) != 0;
    }

private:
    CDialog& m_dlg;  // not owned
    BOOL m_bShowIdle;
};

}  // namespace

int CDialog::RunModalLoop() {
    ModalLoopClient client(*this);
    AfxRunMessageLoop(client);
    m_bContinueModal = FALSE;
    return m_nModalResult;
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd) { return Create(MAKEINTRESOURCEA(nIDTemplate), pParentWnd); }

BOOL CDialog::Create(LPCSTR lpszTemplateName, CWnd* pParentWnd) {
    KFW_CHECK_MSG(m_hWnd == nullptr, "Create on a dialog that is already up");
    m_lpszTemplateName = lpszTemplateName;
    m_pParentWnd = pParentWnd;
    m_bModal = FALSE;
    return CreateFromTemplate(pParentWnd != nullptr ? pParentWnd->m_hWnd : nullptr);
}

void CDialog::EndDialog(int nResult) {
    m_nModalResult = nResult;
    if (m_bModal) {
        if (m_bContinueModal) {
            m_bContinueModal = FALSE;
            // Wake the loop if it is waiting in GetMessage.
            ::PostMessageA(m_hWnd, WM_NULL, 0, 0);
        }
    } else if (m_hWnd != nullptr) {
        ::EndDialog(m_hWnd, nResult);
    }
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK() {
    if (!UpdateData(TRUE)) return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

BOOL CDialog::PreTranslateMessage(MSG* pMsg) {
    // Keyboard and mouse input for the dialog and its controls goes through
    // the dialog manager (tab, arrows, Enter, Esc, mnemonics).
    bool bInput = (pMsg->message >= WM_KEYFIRST && pMsg->message <= WM_KEYLAST) ||
                  (pMsg->message >= WM_MOUSEFIRST && pMsg->message <= WM_MOUSELAST);
    if (!bInput || m_hWnd == nullptr) return FALSE;
    if (pMsg->hwnd != m_hWnd && !::IsChild(m_hWnd, pMsg->hwnd)) return FALSE;
    return ::IsDialogMessageA(m_hWnd, pMsg);
}

BOOL CDialog::OnCmdMsg(UINT nID, int nCode, void* pExtra) {
    if (CWnd::OnCmdMsg(nID, nCode, pExtra)) return TRUE;
    if (nCode != CN_COMMAND && nCode != CN_UPDATE_COMMAND_UI) return FALSE;
    if (m_hWnd == nullptr || (GetStyle() & WS_CHILD)) return FALSE;
    CWinApp* pApp = AfxGetApp();
    return pApp != nullptr && pApp->OnCmdMsg(nID, nCode, pExtra);
}

BOOL CDialog::ExecuteDlgInit(LPCSTR lpszResourceName) {
    // Initial control data kept beside the template (resource type 240):
    // records of control id, message, byte count and bytes, ended by a zero.
    LPCSTR type = KFW_RT_DLGINIT;
    HINSTANCE hInst = AfxFindResourceHandle(lpszResourceName, type);
    if (hInst == nullptr) return TRUE;  // nothing to do
    HRSRC hRes = ::FindResourceA(hInst, lpszResourceName, type);
    DWORD cb = hRes != nullptr ? ::SizeofResource(hInst, hRes) : 0;
    HGLOBAL hGlobal = hRes != nullptr ? ::LoadResource(hInst, hRes) : nullptr;
    const BYTE* p = hGlobal != nullptr ? (const BYTE*)::LockResource(hGlobal) : nullptr;
    if (p == nullptr) return FALSE;
    const BYTE* end = p + cb;
    while (end - p >= 2) {
        WORD nIDC = *(const WORD*)p;
        if (nIDC == 0) break;
        if (end - p < 8) return FALSE;
        WORD nMsg = *(const WORD*)(p + 2);
        DWORD dwLen = *(const DWORD*)(p + 4);
        p += 8;
        if ((DWORD)(end - p) < dwLen || dwLen == 0 || p[dwLen - 1] != 0) return FALSE;
        // The records carry the old 16-bit numbers of "add an item".
        UINT msg = nMsg == 0x0403 ? CB_ADDSTRING : nMsg == 0x0401 ? LB_ADDSTRING : nMsg;
        KFW_CHECK_MSG(::GetDlgItem(m_hWnd, nIDC) != nullptr, "initial data for a control the dialog does not have");
        ::SendDlgItemMessageA(m_hWnd, nIDC, msg, 0, (LPARAM)p);
        p += dwLen;
    }
    return TRUE;
}

LRESULT CDialog::HandleInitDialog(WPARAM, LPARAM) {
    if (m_lpszTemplateName != nullptr) ExecuteDlgInit(m_lpszTemplateName);
    return OnInitDialog();
}

INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_INITDIALOG) return FALSE;  // the default dialog processing
    CDialog* pDlg = reinterpret_cast<CDialog*>(lParam);
    if (pDlg == nullptr || CWnd::FromHandlePermanent(hWnd) != nullptr) return TRUE;
    // From here on the dialog's messages reach its map first, then the
    // dialog class's own procedure (which calls back here and gets FALSE).
    pDlg->SubclassWindow(hWnd);
    return AfxWndProc(hWnd, message, wParam, lParam);
}
