#include "dlg_about.h"

#include "maker_links.h"
#include "res/resource.h"

IMPLEMENT_DYNAMIC(CDlgAbout, CDialog)

BEGIN_MESSAGE_MAP(CDlgAbout, CDialog)
    ON_BN_CLICKED(IDC_ABOUT_HOMEPAGE, &CDlgAbout::OnHomePage)
    ON_BN_CLICKED(IDC_ABOUT_MAIL, &CDlgAbout::OnMail)
END_MESSAGE_MAP()

CDlgAbout::CDlgAbout(CWnd* pParent) : CDialog(IDD_ABOUTBOX, pParent) {}

BOOL CDlgAbout::OnInitDialog() {
    CDialog::OnInitDialog();
    // The buttons name what they open; the addresses live in one place.
    SetDlgItemText(IDC_ABOUT_HOMEPAGE, CString("访问 ") + kMakerHomePage);
    SetDlgItemText(IDC_ABOUT_MAIL, CString("发送 ") + kMakerMailAddress);
    CenterWindow();
    // Enter closes the box rather than opening the browser: the focus goes
    // to OK, not to the first button.
    CWnd* pOK = GetDlgItem(IDOK);
    if (pOK != nullptr) pOK->SetFocus();
    return FALSE;
}

void CDlgAbout::OnHomePage() { OpenMakerLink(kMakerHomePage); }

void CDlgAbout::OnMail() { OpenMakerMail(); }
