// CDlgActiveWin: the active-window chooser.
//
// A small topmost dialog that lists the titles of the visible top-level
// windows in Z order (collected by EnumTopWindowProc; the last one, the
// lowest, normally the desktop's shell window, is left out), brings each
// window to the front as the user moves through the list, and records the
// handle and title of the window confirmed with OK or a double click. A
// cancelled chooser, or OK on an empty list, leaves the handle null.
#pragma once

#include "framework/controls.h"
#include "framework/cstring.h"
#include "framework/dialog.h"
#include "kp_export.h"

class KPLIB_API CDlgActiveWin : public CDialog {
    DECLARE_DYNAMIC(CDlgActiveWin)
public:
    // Template 4004 of the library: the caller switches resources to the
    // library (CKpLocalResource) around DoModal.
    explicit CDlgActiveWin(CWnd* pParent = nullptr);
    ~CDlgActiveWin() override;

    // The confirmed window; null until OK or a double click chose one.
    HWND GetSelWnd() const { return m_hSelWnd; }
    // Its title as the list showed it.
    CString GetTitle() const { return m_strTitle; }

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;

    void OnSelChangeList();
    void OnDblClkList();

    CListBox m_lstWindows;
    CString m_strTitle;
    HWND m_hSelWnd;  // not owned

    DECLARE_MESSAGE_MAP()
};
