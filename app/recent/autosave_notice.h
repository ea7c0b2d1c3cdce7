// The word that automatic saving cannot write into its folder: a small
// modeless window in the corner of the screen with the folder's path, so
// that nothing waits for an answer (a capture may be under way); 最近的截图
// opens the list, where every capture still is.
#pragma once

#include "framework/dialog.h"

class CAutoSaveNotice : public CDialog {
public:
    CAutoSaveNotice();

    // Shows the notice for strFolder over pMain (replacing one shown); the
    // button 最近的截图 sends pMain the command ID_SNAP_RECENT.
    void Show(CWnd* pMain, const CString& strFolder);
    BOOL IsOpen() const { return m_hWnd != nullptr; }

protected:
    DECLARE_MESSAGE_MAP()

    void OnOK() override;
    void OnCancel() override;
    void OnRecent();

private:
    CWnd* m_pMain;  // not owned
};
