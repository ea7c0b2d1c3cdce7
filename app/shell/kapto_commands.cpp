// The main window's commands: what the menus, the push buttons and the tray
// menu ask for, each a thin call into the capture engine, and the update
// handlers that put the marks on the menu items.
#include "kapto_dlg.h"

#include <shellapi.h>

#include "dlg_about.h"
#include "res/resource.h"

namespace {

const int kSnapModeCount = 6;

}  // namespace

// ---- Captures --------------------------------------------------------------------

void CKaptoDlg::SnapByMode(int nMode) {
    if (nMode < 0 || nMode >= kSnapModeCount) return;
    if ((m_core.*kSnapModes[nMode].pfnSnap)()) DrawView(FALSE);
    // Whatever came of it, the box shows the mode the engine recorded.
    m_nSnapType = m_core.m_config.GetSnapMode();
    UpdateData(FALSE);
}

void CKaptoDlg::OnSnapNew() {
    UpdateData(TRUE);
    SnapByMode(m_nSnapType);
}

// ---- The current image ----------------------------------------------------------

void CKaptoDlg::OnEditCopy() { m_core.CopyImageData(0); }

void CKaptoDlg::OnFileSaveAs() { m_core.SaveImage(CString(), 0); }

void CKaptoDlg::OnEditImage() {
    // The editor opens a file: an image never saved is saved first (the
    // user may cancel, and the editor then starts without a file).
    if (m_core.GetPathName().IsEmpty()) m_core.SaveImage(CString(), 0);
    CString strPath = m_core.GetPathName();
    CString strName = m_core.GetFileName();
    // The folder is what precedes the name at the end of the path, with its
    // separator: the name's text may occur in the folder's names too.
    CString strFolder;
    if (!strName.IsEmpty() && strPath.GetLength() >= strName.GetLength() &&
        strPath.Right(strName.GetLength()) == strName)
        strFolder = strPath.Left(strPath.GetLength() - strName.GetLength());
    CString strEditor = m_core.m_config.GetEditAppPath();
    if (!strEditor.IsEmpty()) {
        // Quoted, so that a name with spaces reaches the editor as one file.
        CString strParams;
        if (!strName.IsEmpty()) strParams = "\"" + strName + "\"";
        ::ShellExecuteA(nullptr, "open", strEditor, strParams, strFolder, SW_SHOW);
    } else {
        ::ShellExecuteA(nullptr, "open", strEditor, nullptr, nullptr, SW_SHOW);
    }
}

// ---- The window -----------------------------------------------------------------

void CKaptoDlg::OnShowHide() { ShowWindow(IsWindowVisible() ? SW_HIDE : SW_SHOW); }

void CKaptoDlg::OnAppAbout() {
    CDlgAbout dlgAbout;
    dlgAbout.DoModal();
}

// ---- Menu marks -----------------------------------------------------------------

void CKaptoDlg::OnUpdateSnapMode(CCmdUI* pCmdUI) {
    int nMode = m_core.m_config.GetSnapMode();
    for (int i = 0; i < kSnapModeCount; ++i) {
        if (kSnapModes[i].nCommand == pCmdUI->m_nID) pCmdUI->SetRadio(i == nMode);
    }
}

void CKaptoDlg::OnUpdateImageOption(CCmdUI* pCmdUI) {
    for (const ImageOption& option : kImageOptions) {
        if (option.nCommand == pCmdUI->m_nID) pCmdUI->SetCheck(this->*option.pFlag ? 1 : 0);
    }
}

void CKaptoDlg::OnUpdateAutoCopy(CCmdUI* pCmdUI) { pCmdUI->SetCheck(m_core.m_config.GetAutoCopy() ? 1 : 0); }
