#include "framework/property_sheet.h"

#include "framework/app.h"
#include "framework/message_loop.h"
#include "framework/resources.h"

#include <commctrl.h>

IMPLEMENT_DYNAMIC(CPropertyPage, CDialog)
IMPLEMENT_DYNAMIC(CPropertySheet, CWnd)

namespace {

// A page's template, locked in the module that has it; resource memory lives
// as long as the module, so the sheet may create the page much later.
const DLGTEMPLATE* LockPageTemplate(LPCSTR lpszTemplateName) {
    LPCSTR type = MAKEINTRESOURCEA(5);  // RT_DIALOG
    HINSTANCE hInst = AfxFindResourceHandle(lpszTemplateName, type);
    if (hInst == nullptr) return nullptr;
    HRSRC hRes = ::FindResourceA(hInst, lpszTemplateName, type);
    HGLOBAL hGlobal = hRes != nullptr ? ::LoadResource(hInst, hRes) : nullptr;
    return hGlobal != nullptr ? (const DLGTEMPLATE*)::LockResource(hGlobal) : nullptr;
}

}  // namespace

// ---- CPropertyPage ---------------------------------------------------------------

CPropertyPage::CPropertyPage(UINT nIDTemplate, UINT nIDCaption) : CDialog(nIDTemplate), m_pSheet(nullptr) {
    ZeroMemory(&m_psp, sizeof(m_psp));
    m_psp.dwSize = sizeof(m_psp);
    m_psp.dwFlags = PSP_DEFAULT;
    if (nIDCaption != 0 && m_strCaption.LoadString(nIDCaption)) {
        m_psp.dwFlags |= PSP_USETITLE;
        m_psp.pszTitle = m_strCaption;
    }
}

CPropertyPage::~CPropertyPage() {}

BOOL CPropertyPage::OnSetActive() { return TRUE; }

BOOL CPropertyPage::OnKillActive() { return UpdateData(TRUE); }

BOOL CPropertyPage::OnApply() {
    OnOK();
    return TRUE;
}

void CPropertyPage::OnOK() {}

void CPropertyPage::OnCancel() {}

BOOL CPropertyPage::OnQueryCancel() { return TRUE; }

BOOL CPropertyPage::PreTranslateMessage(MSG*) { return FALSE; }

BOOL CPropertyPage::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    const NMHDR* pHdr = reinterpret_cast<const NMHDR*>(lParam);
    if (pHdr == nullptr || pHdr->hwndFrom != ::GetParent(m_hWnd) || (int)pHdr->code > (int)PSN_FIRST ||
        (int)pHdr->code < (int)PSN_LAST)
        return CDialog::OnNotify(wParam, lParam, pResult);

    // The sheet reads the answer from the page's message result; our window
    // procedure returns it directly as well.
    LRESULT lResult = 0;
    switch (pHdr->code) {
        case PSN_SETACTIVE:
            lResult = OnSetActive() ? 0 : -1;
            break;
        case PSN_KILLACTIVE:
            lResult = OnKillActive() ? FALSE : TRUE;  // TRUE keeps the page
            break;
        case PSN_APPLY:
            if (OnApply()) {
                if (m_pSheet != nullptr) m_pSheet->m_bApplied = TRUE;
                lResult = PSNRET_NOERROR;
            } else {
                lResult = PSNRET_INVALID_NOCHANGEPAGE;
            }
            break;
        case PSN_RESET:
            if (m_pSheet != nullptr) m_pSheet->m_bApplied = FALSE;
            OnCancel();
            break;
        case PSN_QUERYCANCEL:
            lResult = OnQueryCancel() ? FALSE : TRUE;  // TRUE keeps the sheet open
            break;
        default:
            return CDialog::OnNotify(wParam, lParam, pResult);
    }
    ::SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, lResult);
    *pResult = lResult;
    return TRUE;
}

INT_PTR CALLBACK CPropertyPage::PageProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    // At WM_INITDIALOG lParam is the sheet's copy of the page's entry, whose
    // lParam is the page object. From then on the page's messages reach its
    // map first, then the dialog class's procedure, which calls back here and
    // gets FALSE (the default dialog processing).
    if (message != WM_INITDIALOG) return FALSE;
    const PROPSHEETPAGEA* pPsp = reinterpret_cast<const PROPSHEETPAGEA*>(lParam);
    CPropertyPage* pPage = pPsp != nullptr ? reinterpret_cast<CPropertyPage*>(pPsp->lParam) : nullptr;
    if (pPage == nullptr || CWnd::FromHandlePermanent(hWnd) != nullptr) return TRUE;
    pPage->SubclassWindow(hWnd);
    return AfxWndProc(hWnd, message, wParam, lParam);
}

// ---- CPropertySheet --------------------------------------------------------------

CPropertySheet::CPropertySheet(LPCSTR pszCaption, CWnd* pParentWnd, UINT iSelectPage)
    : m_strCaption(pszCaption), m_pParentWnd(pParentWnd), m_bApplied(FALSE) {
    ZeroMemory(&m_psh, sizeof(m_psh));
    m_psh.dwSize = sizeof(m_psh);
    m_psh.dwFlags = PSH_PROPSHEETPAGE;
    m_psh.nStartPage = iSelectPage;
}

CPropertySheet::~CPropertySheet() {
    // The pages' windows are the sheet's children and go with it.
    if (m_hWnd != nullptr) {
        HWND h = Detach();
        ::DestroyWindow(h);
    }
}

void CPropertySheet::AddPage(CPropertyPage* pPage) {
    KFW_CHECK_MSG(pPage != nullptr, "AddPage without a page");
    if (pPage == nullptr) return;
    pPage->m_pSheet = this;
    m_pages.Add(pPage);
}

CPropertyPage* CPropertySheet::GetActivePage() const {
    if (m_hWnd == nullptr) return nullptr;
    HWND hPage = PropSheet_GetCurrentPageHwnd(m_hWnd);
    return hPage != nullptr ? static_cast<CPropertyPage*>(CWnd::FromHandlePermanent(hPage)) : nullptr;
}

BOOL CPropertySheet::PreTranslateMessage(MSG* pMsg) {
    if (m_hWnd == nullptr || (pMsg->hwnd != m_hWnd && !::IsChild(m_hWnd, pMsg->hwnd))) return FALSE;
    return PropSheet_IsDialogMessage(m_hWnd, pMsg);
}

namespace {

// The sheet's side of the layer's loop: its messages go through the
// PreTranslateMessage tree up to the sheet; the loop runs while the sheet
// has a current page.
class SheetLoopClient : public CMessageLoopClient {
public:
    explicit SheetLoopClient(CPropertySheet& sheet) : m_sheet(sheet) {}

    BOOL ContinueLoop() const override {
        return m_sheet.m_hWnd != nullptr && ::IsWindow(m_sheet.m_hWnd) &&
               PropSheet_GetCurrentPageHwnd(m_sheet.m_hWnd) != nullptr;
    }
    BOOL PreTranslateLoopMessage(MSG* pMsg) override { return CWnd::WalkPreTranslateTree(m_sheet.m_hWnd, pMsg); }
    BOOL OnLoopIdle(LONG lCount) override {
        // The owner's idle work goes on (its menu marks, say).
        CWnd* pMain = AfxGetMainWnd();
        return pMain != nullptr && pMain->m_hWnd != nullptr &&
               pMain->SendMessage(WM_KICKIDLE, MSGF_DIALOGBOX, lCount) != 0;
    }

private:
    CPropertySheet& m_sheet;  // not owned
};

}  // namespace

INT_PTR CPropertySheet::DoModal() {
    int nPages = m_pages.GetSize();
    if (nPages == 0 || m_hWnd != nullptr) return -1;
    CModalScope modal;

    // The pages' entries, each with its template from the resource chain.
    CArray<PROPSHEETPAGEA, const PROPSHEETPAGEA&> entries;
    for (int i = 0; i < nPages; ++i) {
        CPropertyPage* pPage = m_pages[i];
        const DLGTEMPLATE* pTemplate = LockPageTemplate(pPage->m_lpszTemplateName);
        if (pTemplate == nullptr) return -1;
        PROPSHEETPAGEA psp = pPage->m_psp;
        psp.dwFlags |= PSP_DLGINDIRECT;
        psp.pResource = pTemplate;
        psp.pfnDlgProc = &CPropertyPage::PageProc;
        psp.lParam = (LPARAM)pPage;
        if (entries.Add(psp) < 0) return -1;
    }

    // The owner: the given parent's top-level window, else the main window.
    HWND hWndOwner = m_pParentWnd != nullptr ? m_pParentWnd->m_hWnd : nullptr;
    if (hWndOwner == nullptr) {
        CWnd* pMain = AfxGetMainWnd();
        if (pMain != nullptr) hWndOwner = pMain->m_hWnd;
    }
    if (hWndOwner != nullptr) hWndOwner = ::GetAncestor(hWndOwner, GA_ROOT);

    PROPSHEETHEADERA psh = m_psh;
    psh.dwFlags |= PSH_MODELESS | PSH_PROPSHEETPAGE;
    psh.hwndParent = hWndOwner;
    psh.hInstance = AfxGetResourceHandle();
    psh.pszCaption = m_strCaption;
    psh.nPages = (UINT)nPages;
    if (psh.nStartPage >= psh.nPages) psh.nStartPage = 0;
    psh.ppsp = entries.GetData();

    m_bApplied = FALSE;
    HWND hSheet = (HWND)::PropertySheetA(&psh);
    if (hSheet == nullptr || hSheet == (HWND)(INT_PTR)-1) return -1;
    Attach(hSheet);

    BOOL bEnableOwner = FALSE;
    if (hWndOwner != nullptr && ::IsWindowEnabled(hWndOwner)) {
        ::EnableWindow(hWndOwner, FALSE);
        bEnableOwner = TRUE;
    }

    SheetLoopClient client(*this);
    AfxRunMessageLoop(client);
    INT_PTR nResult = m_bApplied ? IDOK : IDCANCEL;

    // The owner gets the activation back before the sheet goes.
    if (bEnableOwner) ::EnableWindow(hWndOwner, TRUE);
    if (hWndOwner != nullptr && ::GetActiveWindow() == hSheet) ::SetActiveWindow(hWndOwner);
    HWND h = Detach();
    if (::IsWindow(h)) ::DestroyWindow(h);
    return nResult;
}
