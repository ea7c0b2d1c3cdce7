// Dialogs made from templates in the resource chain.
//
// A modal dialog runs a message loop of its own: its owner is disabled for
// the duration and enabled again before the dialog is destroyed; each
// message first goes through PreTranslateMessage of its target window and of
// that window's parents up to the dialog (the dialog's own does the dialog
// manager's keyboard handling); when the queue is empty the dialog is sent
// WM_KICKIDLE with an idle count until its handler returns 0; EndDialog
// stores the result and ends the loop. Modal dialogs nest.
#pragma once

#include "framework/ddx.h"
#include "framework/wnd.h"

// The resource type of a template's initial control data (combo-box items),
// kept under the template's own name.
#define KFW_RT_DLGINIT MAKEINTRESOURCEA(240)

class KFW_API CDialog : public CWnd {
    DECLARE_DYNAMIC(CDialog)
public:
    CDialog();
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    explicit CDialog(LPCSTR lpszTemplateName, CWnd* pParentWnd = nullptr);
    ~CDialog() override;

    // Modal: the result of EndDialog, or -1 when the template is missing or
    // the dialog could not be created.
    virtual INT_PTR DoModal();
    // Modeless.
    BOOL Create(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    BOOL Create(LPCSTR lpszTemplateName, CWnd* pParentWnd = nullptr);
    void EndDialog(int nResult);

    // Overridables
    virtual BOOL OnInitDialog();  // base: UpdateData(FALSE); TRUE: focus the first control
    virtual void OnOK();          // base: UpdateData(TRUE), then EndDialog(IDOK) if it succeeded
    virtual void OnCancel();      // base: EndDialog(IDCANCEL)
    BOOL PreTranslateMessage(MSG* pMsg) override;
    // The dialog's own map first; a top-level dialog then offers commands and
    // their updates to the application object (Help and Exit live there), so
    // an update pass finds their handlers too.
    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra) override;

    // Runs the loop described above until EndDialog; returns the result.
    int RunModalLoop();
    BOOL ContinueModal() const { return m_bContinueModal; }

    LPCSTR m_lpszTemplateName;  // not owned (a resource id or a string literal)
    UINT m_nIDHelp;
    CWnd* m_pParentWnd;  // not owned

protected:
    DECLARE_MESSAGE_MAP()

    BOOL CreateFromTemplate(HWND hWndParent);
    // The window a modal dialog disables while it runs: the given parent's
    // top-level window, else the main window's (never the dialog itself).
    HWND FindModalOwner() const;
    // Fills controls from the template's initial data (combo-box items).
    BOOL ExecuteDlgInit(LPCSTR lpszResourceName);
    LRESULT HandleInitDialog(WPARAM, LPARAM);

    int m_nModalResult;
    BOOL m_bContinueModal;
    BOOL m_bModal;

    friend INT_PTR CALLBACK AfxDlgProc(HWND, UINT, WPARAM, LPARAM);
};

// The dialog procedure of every dialog of ours: it binds the dialog at
// WM_INITDIALOG; from then on the dialog's messages reach its map first.
KFW_API INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
