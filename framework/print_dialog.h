// CPrintDialog: the system's print dialog, or its print-setup dialog.
//
// The dialog object owns what the system hands back: the printer device
// context (with PD_RETURNDC, which the object always asks for when it is not
// setup-only) and the DEVMODE and DEVNAMES blocks. They are freed when the
// object goes, so a caller keeps the object for as long as it uses the
// printer context, and never deletes that context itself.
#pragma once

#include "framework/dialog.h"

#include <commdlg.h>

class KFW_API CPrintDialog : public CDialog {
    DECLARE_DYNAMIC(CPrintDialog)
public:
    // bPrintSetupOnly: the print-setup dialog (PD_PRINTSETUP) instead of the
    // print dialog. dwFlags are PRINTDLG flags.
    explicit CPrintDialog(BOOL bPrintSetupOnly,
                          DWORD dwFlags = PD_ALLPAGES | PD_USEDEVMODECOPIES | PD_NOPAGENUMS | PD_HIDEPRINTTOFILE |
                                          PD_NOSELECTION,
                          CWnd* pParentWnd = nullptr);
    ~CPrintDialog() override;

    // IDOK when the user confirmed, IDCANCEL otherwise (also when there is no
    // printer or the system could not show the dialog: CommDlgExtendedError
    // tells which). The owner is the given parent, else the main window.
    INT_PTR DoModal() override;

    // The printer context of the last confirmed print dialog, or null.
    // Owned by this object.
    HDC GetPrinterDC() const { return m_pd.hDC; }
    // The chosen printer's name, or empty.
    CString GetDeviceName() const;

    PRINTDLGA m_pd;

protected:
    void FreeResults();
};
