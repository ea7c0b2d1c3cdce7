#include "recent_windows.h"

#include <objidl.h>
#include <gdiplus.h>

CRecentWindows::CRecentWindows() : m_pMain(nullptr), m_pCore(nullptr), m_bListHidden(FALSE), m_bNoticeHidden(FALSE) {}

void CRecentWindows::Attach(CWnd* pMain, CKpCore* pCore) {
    m_pMain = pMain;
    m_pCore = pCore;
    m_pCore->GetRecentCaptures().SetListener(this);
}

void CRecentWindows::Detach() {
    if (m_dlgList.IsOpen()) m_dlgList.DestroyWindow();
    if (m_dlgNotice.IsOpen()) m_dlgNotice.DestroyWindow();
    if (m_pCore != nullptr) m_pCore->GetRecentCaptures().SetListener(nullptr);
    m_pCore = nullptr;
}

void CRecentWindows::ShowList() {
    if (m_pCore == nullptr) return;
    m_bListHidden = FALSE;
    m_dlgList.Open(m_pMain, m_pCore);
}

void CRecentWindows::FollowMain(BOOL bShown) {
    struct {
        CDialog& dlg;
        BOOL& bHidden;
    } windows[] = {{m_dlgList, m_bListHidden}, {m_dlgNotice, m_bNoticeHidden}};
    for (auto& w : windows) {
        if (!bShown && w.dlg.m_hWnd != nullptr && w.dlg.IsWindowVisible()) {
            w.dlg.ShowWindow(SW_HIDE);
            w.bHidden = TRUE;
        } else if (bShown && w.bHidden) {
            if (w.dlg.m_hWnd != nullptr) w.dlg.ShowWindow(SW_SHOWNOACTIVATE);
            w.bHidden = FALSE;
        }
    }
}

void CRecentWindows::OnRecentChanged() { m_dlgList.Refill(); }

void CRecentWindows::OnAutoSaveFailed(const CString& strFolder) {
    m_dlgNotice.Show(m_pMain, strFolder);
    // While the main window is hidden (a capture under way) the notice
    // waits for it.
    if (m_pMain != nullptr && !m_pMain->IsWindowVisible()) FollowMain(FALSE);
}

BOOL OpenRecentCapture(CKpCore& core, int nId) {
    CKpRecentCaptures& recent = core.GetRecentCaptures();
    int nIndex = recent.FindItem(nId);
    if (nIndex < 0) return FALSE;
    const CKpRecentCaptures::Item item = recent.GetItem(nIndex);
    Gdiplus::GpImage* pImage = recent.CreateImage(nId);
    if (pImage == nullptr) return !item.strPath.IsEmpty() && core.OpenImage(item.strPath);
    if (!core.SetCurrentImage(pImage)) return FALSE;
    // As an opened file: no image option runs over it any more, and Save
    // writes to its file when it has one.
    core.m_config.ResetImageOption();
    if (!item.strPath.IsEmpty()) {
        int nSlash = item.strPath.ReverseFind('\\');
        core.SetPathName(item.strPath);
        core.SetFileName(item.strPath.Mid(nSlash + 1));
    }
    return TRUE;
}
