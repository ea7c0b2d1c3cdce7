// The main window: a dialog on template 102 with the thumbnail view, the
// capture-type box and the ten image-option check boxes.
#pragma once

#include "framework/controls.h"
#include "framework/dialog.h"

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
};
