// CFileDialog: the system's explorer-style open and save dialogs.
//
// The object binds to the hook's child dialog, so m_hWnd is that child and
// GetParent() is the dialog frame the user sees. The frame's notifications
// arrive as the overridables OnInitDone, OnTypeChange and OnFileNameOK.
#pragma once

#include "framework/dialog.h"

#include <commdlg.h>

class KFW_API CFileDialog : public CDialog {
    DECLARE_DYNAMIC(CFileDialog)
public:
    // lpszFilter: pairs of display text and pattern list, each element ended
    // by '|', the whole ended by one more '|'.
    explicit CFileDialog(BOOL bOpenFileDialog, LPCSTR lpszDefExt = nullptr, LPCSTR lpszFileName = nullptr,
                         DWORD dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, LPCSTR lpszFilter = nullptr,
                         CWnd* pParentWnd = nullptr);

    // IDOK when a name was chosen, IDCANCEL otherwise (also when the system
    // could not show the dialog).
    INT_PTR DoModal() override;

    // The chosen path and its file name part: from the dialog while it is
    // shown, afterwards from its result.
    CString GetPathName() const;
    CString GetFileName() const;

    // Extension (without '.') appended to a name typed without one; takes
    // effect at once while the dialog is shown.
    void SetDefExt(LPCSTR lpszExt);

    OPENFILENAMEA m_ofn;

protected:
    // Overridables
    // TRUE refuses the name just confirmed: the dialog stays open.
    virtual BOOL OnFileNameOK();
    virtual void OnInitDone();
    virtual void OnTypeChange();

    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    // The frame owns the OK and Cancel buttons; the hook child ends nothing.
    void OnOK() override {}
    void OnCancel() override {}

    static UINT_PTR CALLBACK HookProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

    BOOL m_bOpenFileDialog;
    // Turns each '|' of a filter into the NUL the system expects.
    static void TranslateBars(CString& strFilter);

    CString m_strFilter;  // the filter text, '|' already turned into NUL
    CString m_strDefExt;
    char m_szFileName[MAX_PATH];
    char m_szFileTitle[MAX_PATH];
};
