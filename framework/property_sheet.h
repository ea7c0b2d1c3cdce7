// Property sheets on the system's property sheet control.
//
// A CPropertyPage is a dialog of the layer built on a template from the
// resource chain, with its own message map, data exchange and validation.
// The sheet creates a page only when the user first shows it: a page that
// was never shown has no window, and its exchange, OnInitDialog and OnOK
// never run.
//
// CPropertySheet::DoModal runs the system sheet modeless (PSH_MODELESS) in
// the layer's own message loop, so PreTranslateMessage, idle processing and
// hot keys keep working while it is open: the owner is disabled for the
// duration, messages for the sheet go through PropSheet_IsDialogMessage,
// and the loop ends when PropSheet_GetCurrentPageHwnd returns null (the
// user pressed OK or Cancel, or closed the sheet).
//
// OK: the current page validates (OnKillActive, which runs UpdateData(TRUE);
// a failure shows its message, focuses the field and keeps the sheet open),
// then every page that was created gets OnApply, whose base runs OnOK.
#pragma once

#include "framework/carray.h"
#include "framework/dialog.h"

#include <prsht.h>

class CPropertySheet;

class KFW_API CPropertyPage : public CDialog {
    DECLARE_DYNAMIC(CPropertyPage)
public:
    explicit CPropertyPage(UINT nIDTemplate, UINT nIDCaption = 0);
    ~CPropertyPage() override;

    // The page's entry for the sheet; the template, the dialog procedure and
    // the link back to this object are filled in when the sheet starts.
    PROPSHEETPAGEA m_psp;

    // Overridables
    virtual BOOL OnSetActive();   // base: TRUE
    virtual BOOL OnKillActive();  // base: UpdateData(TRUE); FALSE keeps the page
    virtual BOOL OnApply();       // base: OnOK(), TRUE
    // Confirmed or cancelled sheet; a page never ends the sheet itself.
    void OnOK() override;
    void OnCancel() override;
    virtual BOOL OnQueryCancel();  // base: TRUE (the sheet may close)
    // The sheet does the dialog manager's keyboard handling for its pages.
    BOOL PreTranslateMessage(MSG* pMsg) override;

    CPropertySheet* GetSheet() const { return m_pSheet; }

protected:
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

    static INT_PTR CALLBACK PageProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

    CString m_strCaption;
    CPropertySheet* m_pSheet;  // not owned; set by AddPage

    friend class CPropertySheet;
};

class KFW_API CPropertySheet : public CWnd {
    DECLARE_DYNAMIC(CPropertySheet)
public:
    explicit CPropertySheet(LPCSTR pszCaption, CWnd* pParentWnd = nullptr, UINT iSelectPage = 0);
    ~CPropertySheet() override;

    // The pages in order; the sheet does not own them.
    void AddPage(CPropertyPage* pPage);
    int GetPageCount() const { return m_pages.GetSize(); }
    CPropertyPage* GetPage(int nPage) const { return m_pages[nPage]; }
    CPropertyPage* GetActivePage() const;

    // IDOK when the user confirmed the sheet, IDCANCEL when it was cancelled
    // or closed, -1 when it could not be shown (no pages, a missing
    // template, or the system refused).
    virtual INT_PTR DoModal();

    BOOL PreTranslateMessage(MSG* pMsg) override;

    PROPSHEETHEADERA m_psh;

protected:
    CString m_strCaption;
    CWnd* m_pParentWnd;                              // not owned
    CArray<CPropertyPage*, CPropertyPage*> m_pages;  // not owned
    // The last word of the pages on how the sheet ends: set by an apply,
    // cleared by a reset.
    BOOL m_bApplied;

    friend class CPropertyPage;
};
