// The main window: a dialog on template 102 with the thumbnail view, the
// capture-type box and the ten image-option check boxes.
#pragma once

#include "framework/controls.h"
#include "framework/dialog.h"
#include "kp_core.h"

class CKaptoDlg : public CDialog {
public:
    explicit CKaptoDlg(CWnd* pParent = nullptr);
    ~CKaptoDlg() override;

    int m_nSnapType;   // index of the capture-type box, a capture mode 0..5
    CStatic m_wndView;  // the thumbnail view
    BOOL m_bGrayScale;
    BOOL m_bNegate;
    BOOL m_bScale;
    BOOL m_bRotate;
    BOOL m_bFlipHorz;
    BOOL m_bFlipVert;
    BOOL m_bShearDown;
    BOOL m_bShearAcross;
    BOOL m_bBlur;
    BOOL m_bSharpen;
    HICON m_hIcon;          // shared resource icon: not destroyed
    HCURSOR m_hViewCursor;  // shared resource cursor: not destroyed
    HBITMAP m_hPlaceholder; // owned: loaded in OnInitDialog, deleted in OnDestroy
    CKpCore m_core;         // the capture engine; m_core.m_config holds every setting

    // Unregisters the eight global hot keys and, unless bUnregisterOnly,
    // registers them again from the configuration, with a message for each
    // one the system refuses.
    void RegisterHotkeys(BOOL bUnregisterOnly);
    // bSave: the check boxes into the flags and the configuration; else the
    // configuration into the flags and the check boxes.
    void ExchangeImageOptions(BOOL bSave);

protected:
    DECLARE_MESSAGE_MAP()

    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    BOOL PreTranslateMessage(MSG* pMsg) override;

    void OnSysCommand(UINT nID, LPARAM lParam);
    HCURSOR OnQueryDragIcon();
    BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);
    void OnDestroy();
    LRESULT OnKickIdle(WPARAM wParam, LPARAM lParam);
    LRESULT OnHotKey(WPARAM wParam, LPARAM lParam);

    // Commands (kapto_commands.cpp)
    void OnSnapNew();
    void OnSnapCommand(UINT nID);
    void OnUpdateSnapCommand(CCmdUI* pCmdUI);
    void OnFileOpen();
    void OnFileSave();
    void OnFileSaveAs();
    void OnFileSaveThumb();
    void OnEditCopy();
    void OnEditCopyThumb();
    void OnEditPaste();
    void OnEditImage();
    void OnEditClear();
    void OnImageOptionCommand(UINT nID);
    void OnImageOptionClick(UINT nID);
    void OnUpdateImageOption(CCmdUI* pCmdUI);
    void OnAutoCopy();
    void OnUpdateAutoCopy(CCmdUI* pCmdUI);
    void OnOptions();
    void OnHomePage();
    void OnShowHide();

    // Runs the engine's capture of nMode and shows its outcome.
    void RunCapture(int nMode);
    // Invalidates the client area with erasing: the view repaints.
    void Repaint();
    // Tells the user why a save or copy that was not cancelled did not
    // happen; silent after a success or a cancel.
    void ReportFileFailure();
};
