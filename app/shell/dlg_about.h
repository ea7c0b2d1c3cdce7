// The About box: the product's name and version, and buttons that hand the
// maker's home page and e-mail address to the shell.
#pragma once

#include "framework/dialog.h"

class CDlgAbout : public CDialog {
    DECLARE_DYNAMIC(CDlgAbout)
public:
    explicit CDlgAbout(CWnd* pParent = nullptr);

protected:
    BOOL OnInitDialog() override;
    // Both leave the box open.
    void OnHomePage();
    void OnMail();

    DECLARE_MESSAGE_MAP()
};
