#include "autosave_notice.h"

#include "res/resource.h"

BEGIN_MESSAGE_MAP(CAutoSaveNotice, CDialog)
    ON_BN_CLICKED(IDC_AUTOSAVE_FAILED_RECENT, &CAutoSaveNotice::OnRecent)
END_MESSAGE_MAP()

CAutoSaveNotice::CAutoSaveNotice() : CDialog(IDD_AUTOSAVE_FAILED), m_pMain(nullptr) {}

void CAutoSaveNotice::Show(CWnd* pMain, const CString& strFolder) {
    m_pMain = pMain;
    if (m_hWnd == nullptr && !Create(IDD_AUTOSAVE_FAILED, pMain)) return;
    CString strText;
    strText.Format(
        "无法把截图自动保存到文件夹“%s”：该文件夹不存在或不允许写入，或者磁盘已满。\n"
        "截图都还在“最近的截图”中，可以从那里另存。",
        strFolder.GetString());
    SetDlgItemText(IDC_AUTOSAVE_FAILED_TEXT, strText);
    // In the corner of the screen, where it covers neither the thumbnail
    // nor what the user captures next.
    MONITORINFO mi = {};
    mi.cbSize = sizeof mi;
    ::GetMonitorInfoA(::MonitorFromWindow(pMain != nullptr ? pMain->m_hWnd : m_hWnd, MONITOR_DEFAULTTOPRIMARY), &mi);
    CRect rc;
    GetWindowRect(&rc);
    const int kGap = 12;
    ::SetWindowPos(m_hWnd, HWND_TOPMOST, mi.rcWork.right - rc.Width() - kGap, mi.rcWork.bottom - rc.Height() - kGap, 0,
                   0, SWP_NOSIZE | SWP_NOACTIVATE);
    // Shown without taking the keyboard from whatever the user is doing.
    ShowWindow(SW_SHOWNOACTIVATE);
}

void CAutoSaveNotice::OnOK() { DestroyWindow(); }

void CAutoSaveNotice::OnCancel() { DestroyWindow(); }

void CAutoSaveNotice::OnRecent() {
    CWnd* pMain = m_pMain;
    DestroyWindow();
    if (pMain != nullptr) pMain->SendMessage(WM_COMMAND, ID_SNAP_RECENT, 0);
}
