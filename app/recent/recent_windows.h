// The main window's side of the recent captures: it hears what changes in
// them, keeps the list window up to date, shows the notice of a folder
// automatic saving cannot write, and hides both windows while the main
// window is hidden (a capture must not show them).
#pragma once

#include "autosave_notice.h"
#include "kp_recent_captures.h"
#include "recent_dlg.h"

class CRecentWindows : public CKpRecentListener {
public:
    CRecentWindows();

    // pMain receives the windows' commands; the listener of pCore's recent
    // captures from here until Detach.
    void Attach(CWnd* pMain, CKpCore* pCore);
    void Detach();

    // 最近的截图: opens the list, or brings it forward.
    void ShowList();
    // The main window was hidden or shown again.
    void FollowMain(BOOL bShown);
    // The item the list's 打开 asked for.
    int ChosenItem() const { return m_dlgList.ChosenItem(); }

    void OnRecentChanged() override;
    void OnAutoSaveFailed(const CString& strFolder) override;

    CRecentDlg m_dlgList;
    CAutoSaveNotice m_dlgNotice;

private:
    CWnd* m_pMain;     // not owned
    CKpCore* m_pCore;  // not owned
    // The windows the main window's hiding hid, to show again with it.
    BOOL m_bListHidden;
    BOOL m_bNoticeHidden;
};

// 打开 of a recent capture: it becomes the engine's current image as an
// opened file does, the image options reset: its pixels when they are kept
// (with its file's name when it has one), else its file read again. FALSE
// when it has gone or its file cannot be read (the engine's last file
// result says which).
BOOL OpenRecentCapture(CKpCore& core, int nId);
