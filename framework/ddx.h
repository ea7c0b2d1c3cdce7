// Dialog data exchange: moving values between a window's controls and its
// members. UpdateData runs a class's DoDataExchange with one CDataExchange;
// each function below does nothing once an earlier one has failed, so the
// exchange stops at the first failure without exceptions.
#pragma once

#include "framework/cstring.h"
#include "framework/wnd.h"

class KFW_API CDataExchange {
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate);

    // The control nID, remembered as the one to focus on a failure; null
    // (and the exchange fails) when the window has no such control.
    HWND PrepareCtrl(int nIDC);
    HWND PrepareEditCtrl(int nIDC);
    // Marks the exchange failed; the caller has already told the user why.
    void Fail();

    BOOL m_bSaveAndValidate;  // TRUE: controls to members
    CWnd* m_pDlgWnd;          // not owned
    HWND m_hWndLastControl;   // not owned
    BOOL m_bEditLastControl;
    BOOL m_bFail;
};

// Binds control nIDC to rControl (subclassing it) the first time.
KFW_API void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
// Edit text as a string or a number; a number that does not parse shows the
// "enter an integer" message and fails.
KFW_API void DDX_Text(CDataExchange* pDX, int nIDC, CString& value);
KFW_API void DDX_Text(CDataExchange* pDX, int nIDC, int& value);
KFW_API void DDX_Text(CDataExchange* pDX, int nIDC, UINT& value);
KFW_API void DDX_Text(CDataExchange* pDX, int nIDC, long& value);
// Check box state: 0, 1 or 2.
KFW_API void DDX_Check(CDataExchange* pDX, int nIDC, int& value);
// Selected index of a combo box, -1 for none.
KFW_API void DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index);
// Index of the checked radio button of the group that starts at nIDC.
KFW_API void DDX_Radio(CDataExchange* pDX, int nIDC, int& value);
// Range checks of the value just exchanged; out of range shows the range
// message, focuses that control and fails.
KFW_API void DDV_MinMaxInt(CDataExchange* pDX, int value, int minVal, int maxVal);
KFW_API void DDV_MinMaxUInt(CDataExchange* pDX, UINT value, UINT minVal, UINT maxVal);
KFW_API void DDV_MaxChars(CDataExchange* pDX, const CString& value, int nChars);
