// The main window: a dialog on template 102 with the thumbnail view, the
// capture-type box and the ten image-option check boxes. It owns the capture
// engine, the tray icon, the view's tooltip and the hot keys, and keeps the
// menu's marks current while its loop is idle.
//
// kapto_dlg.cpp: start-up, shut-down and the window-level messages.
// kapto_commands.cpp: the commands of the menus, buttons and tray icon, and
// their menu marks.
// kapto_view.cpp: painting the thumbnail view and printing it.
#pragma once

#include "framework/controls.h"
#include "framework/dialog.h"
#include "framework/tooltip_ctrl.h"
#include "hotkey_table.h"
#include "kp_core.h"
#include "pin/pin_board.h"
#include "recent/recent_windows.h"
#include "tray_notify_icon.h"

class CKaptoDlg : public CDialog {
public:
    explicit CKaptoDlg(CWnd* pParent = nullptr);
    ~CKaptoDlg() override;

    int m_nSnapType;    // index of the capture-type box, a capture mode 0..5
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
    HICON m_hIcon;           // shared resource icon (the large image): not destroyed
    HICON m_hSmallIcon;      // shared resource icon (the small image): not destroyed
    HCURSOR m_hViewCursor;   // shared resource cursor: not destroyed
    HBITMAP m_hPlaceholder;  // owned: loaded in OnInitDialog, deleted in OnDestroy
    CTrayNotifyIcon m_trayIcon;
    CToolTipCtrl m_toolTip;  // the view's tooltip
    CKpCore m_core;          // the capture engine; m_core.m_config holds the settings
    CPinBoard m_pins;        // the pictures pinned on the screen; closed with the window
    // The modal runs already counted when the window started (its own, when
    // it runs modally): more than these means a modal window of ours is open.
    int m_nModalBase;
    KaptoHotkeyInForce m_hotkeysInForce[KAPTO_HOTKEY_COUNT];
    // The recent captures' window and the notice of automatic saving.
    CRecentWindows m_recentWindows;
    // The last save of the settings failed and the user was told: the next
    // failures stay quiet until a save succeeds.
    BOOL m_bSaveFailureTold;

    // One image option: its flag here, its check box and menu command, and
    // its setting. In the order the settings are exchanged.
    struct ImageOption {
        BOOL CKaptoDlg::*pFlag;
        int nCheckBox;
        UINT nCommand;
        int (CKpConfig::*pfnGet)() const;
        void (CKpConfig::*pfnSet)(int);
    };
    static const ImageOption kImageOptions[10];

    // One capture mode (its index): its menu command and engine operation.
    struct SnapMode {
        UINT nCommand;
        int (CKpCore::*pfnSnap)();
    };
    static const SnapMode kSnapModes[kSnapModeCount];

    // bSave: the check boxes into the flags and the flags into the settings;
    // otherwise the settings into the flags and the flags into the boxes.
    void ExchangeImageOptions(BOOL bSave);
    // bUnregisterOnly: releases the system-wide hot keys. Otherwise
    // registers, from the settings, each hot key whose pair differs from the
    // one last offered (all of them the first time); the others stay as they
    // are.
    void RegisterHotkeys(BOOL bUnregisterOnly);
    // Writes the settings file now, as exit does; FALSE when it could not
    // (said at once, the first time) or may not (a file the start could not
    // read, said then).
    BOOL SaveSettings();
    // TRUE while one of the program's modal windows is open or a command
    // holds the current image: nothing may replace the image then.
    BOOL IsImageBusy() const;
    // The view onto the screen (FALSE), or onto one printed page after the
    // print dialog (TRUE).
    void DrawView(BOOL bPrint);

protected:
    DECLARE_MESSAGE_MAP()

    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    // Relays every message to the view's tooltip first.
    BOOL PreTranslateMessage(MSG* pMsg) override;
    // Every command passes here first: what would replace the image is
    // refused (a beep) while the image is busy, and what works on the image
    // holds it until it is done.
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

    // Window messages
    void OnSysCommand(UINT nID, LPARAM lParam);
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);
    void OnDestroy();
    LRESULT OnKickIdle(WPARAM wParam, LPARAM lParam);
    LRESULT OnTrayNotify(WPARAM wParam, LPARAM lParam);
    // The session ends (log-off, shut-down): the settings are written first.
    LRESULT OnQueryEndSession(WPARAM wParam, LPARAM lParam);
    LRESULT OnEndSession(WPARAM wParam, LPARAM lParam);
    // The recent captures' windows hide and come back with this one.
    void OnShowWindow(BOOL bShow, UINT nStatus);

    // Commands (kapto_commands.cpp)
    // Runs capture mode nMode, draws the view when it captured, and shows
    // the mode the engine recorded in the capture-type box.
    void SnapByMode(int nMode);
    void OnSnapNew();
    void OnSnapCommand(UINT nID);
    void OnSnapScroll();
    void OnFileOpen();
    void OnFileSave();
    void OnFileSaveAs();
    void OnFileSaveThumb();
    void OnEditCopy();
    void OnEditCopyThumb();
    void OnEditPaste();
    void OnEditImage();
    void OnEditMarkup();
    void OnEditPin();
    void OnEditClear();
    void OnImageOptionCommand(UINT nID);
    void OnImageOptionClick(UINT nID);
    void OnAutoCopy();
    void OnOptions();
    void OnHomePage();
    void OnShowHide();
    void OnAppAbout();
    void OnFilePrint();
    void OnFilePageSetup();
    void OnRecent();
    // 打开 in the recent captures: the item becomes the current image.
    void OnRecentOpen();
    void OnUpdateSnapMode(CCmdUI* pCmdUI);
    void OnUpdateImageOption(CCmdUI* pCmdUI);
    void OnUpdateAutoCopy(CCmdUI* pCmdUI);
    void OnUpdateEditMarkup(CCmdUI* pCmdUI);
    void OnUpdateEditPin(CCmdUI* pCmdUI);
    // A combination the system gives now (the hot-key control's flags and a
    // key) for a hot key whose own was refused: wVk with more modifiers, or
    // a spare key; never one of the pairs in pWanted. FALSE when none.
    BOOL FindFreeHotkey(const KaptoHotkeyInForce* pWanted, WORD wVk, WORD& wFlags, WORD& wFreeVk);
    // WM_HOTKEY: runs the command of hot key wParam, exactly as its menu item.
    LRESULT OnHotKey(WPARAM wParam, LPARAM lParam);
    // Monitors plugged in, taken away, moved or rescaled: the window stays
    // on one that is there, at its scale.
    LRESULT OnDisplayChange(WPARAM wParam, LPARAM lParam);
    LRESULT OnDpiChanged(WPARAM wParam, LPARAM lParam);

    // The settings' capture mode for the capture-type box: a settings file
    // may hold any number, and one out of range shows as the whole screen.
    int StoredSnapMode();

    // Invalidates the client area with erasing: the view repaints.
    void Repaint();
    // Tells the user why an open, save or copy that was not cancelled did
    // not happen; silent after a success or a cancel.
    void ReportFileFailure();

    // The view's picture onto hdc, whose logical units are pixels: the
    // thumbnail on white when there is an image, else the placeholder.
    void PaintView(HDC hdc);
};
