// The window "最近的截图": the recent captures (kp_recent_captures.h) in a
// list view of thumbnails, newest first, each with its time, size and file,
// and what can be done with the one selected: 打开 (double click, Enter),
// 复制, 另存为..., 删除 (Del), 打开所在文件夹, 复制文件路径, also from its
// context menu. Modeless: captures go on while it is open, and each one
// comes into the list as it is made.
#pragma once

#include "framework/dialog.h"

#include <commctrl.h>

#include "kp_core.h"

class CRecentDlg : public CDialog {
public:
    CRecentDlg();

    // Opens the window over pMain, or brings it forward when it is open.
    // 打开 sends pMain the command ID_RECENT_OPEN for ChosenItem().
    BOOL Open(CWnd* pMain, CKpCore* pCore);
    BOOL IsOpen() const { return m_hWnd != nullptr; }
    // The list read again from the recent captures, the selection kept.
    void Refill();
    // The item 打开 was last asked for.
    int ChosenItem() const { return m_nChosenId; }

protected:
    DECLARE_MESSAGE_MAP()

    BOOL OnInitDialog() override;
    void OnCancel() override;
    void PostNcDestroy() override;
    void OnDestroy();
    void OnSize(UINT nType, int cx, int cy);
    void OnGetMinMaxInfo(MINMAXINFO* lpMMI);
    void OnContextMenu(CWnd* pWnd, CPoint point);
    // The list's double click (打开), selection and Del key.
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

    void OnOpen();
    void OnCopy();
    void OnSaveAs();
    void OnDelete();
    void OnOpenFolder();
    void OnCopyPath();

private:
    // The selected item's id and index in the recent captures; -1 for none.
    int SelectedId() const;
    int SelectedIndex() const;
    void UpdateButtons();
    void Layout();
    // The item's image, from memory or read from its file (the caller
    // owns it); null, with the user told why, when there is none.
    Gdiplus::GpImage* LoadImage(int nIndex);

    CWnd* m_pMain;     // not owned
    CKpCore* m_pCore;  // not owned
    HWND m_hList;      // a child: goes with the window
    HIMAGELIST m_hThumbs;  // owned: destroyed in OnDestroy
    int m_nChosenId;
};
