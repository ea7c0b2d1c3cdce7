// The three pages of the options sheet: general behaviour, the amounts of
// the image options with the external editor, and the global hot keys.
#pragma once

#include "framework/controls.h"
#include "framework/property_sheet.h"
#include "hotkey_table.h"

class COptionBasic : public CPropertyPage {
public:
    COptionBasic();

    // The longest delay the page takes, milliseconds.
    enum { kMaxSnapDelay = 15000 };

    BOOL m_bPlaySnapSound;
    BOOL m_bHideMainWnd;
    BOOL m_bSnapOnStart;
    UINT m_nSnapDelayTime;  // milliseconds
    BOOL m_bKeepOnTop;
    BOOL m_bCapturePointer;
    int m_nFullScreenScope;  // CKpConfig's scope: the list's item index

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
};

class COptionImage : public CPropertyPage {
public:
    COptionImage();

    // The page takes angles from -kMaxRotateAngle to kMaxRotateAngle degrees.
    enum { kMaxRotateAngle = 360 };

    CString m_strEditAppPath;
    int m_nRotateAngle;  // degrees
    int m_nScaleFactor;  // percent
    int m_nShearAcrossAmout;
    int m_nShearDownAmout;
    int m_nBlurFactor;
    int m_nSharpenFactor;

protected:
    DECLARE_MESSAGE_MAP()

    void DoDataExchange(CDataExchange* pDX) override;
    void OnBrowse();
};

class COptionHotkey : public CPropertyPage {
public:
    COptionHotkey();

    CHotKeyCtrl m_hotkeyCtrl[KAPTO_HOTKEY_COUNT];
    // Per hot key: the control's modifier flags, then the virtual key.
    WORD m_hotkey[KAPTO_HOTKEY_COUNT][2];

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
};
