// CToolTipCtrl: the common controls' tooltip window.
//
// The control shows a tool's text when the mouse rests over the tool. It
// learns about the mouse only from the messages it is handed (RelayEvent,
// TTM_RELAYEVENT): tools are not subclassed. Without TTS_ALWAYSTIP in the
// style it shows tips only while its owner window is active.
#pragma once

#include "framework/wnd.h"

#include <commctrl.h>

class KFW_API CToolTipCtrl : public CWnd {
    DECLARE_DYNAMIC(CToolTipCtrl)
public:
    // A tooltip window owned by pParentWnd (a popup: it goes with its owner).
    BOOL Create(CWnd* pParentWnd, DWORD dwStyle = 0);

    void Activate(BOOL bActivate) { SendMessage(TTM_ACTIVATE, (WPARAM)bActivate); }

    // A tool for the whole of the child window pWnd, its text lpszText (a
    // copy is kept by the control). With lpRectTool or nIDTool the tool is
    // that rectangle of pWnd's client area, known by nIDTool.
    BOOL AddTool(CWnd* pWnd, LPCSTR lpszText, LPCRECT lpRectTool = nullptr, UINT_PTR nIDTool = 0);
    void DelTool(CWnd* pWnd, UINT_PTR nIDTool = 0);
    int GetToolCount() const { return (int)SendMessage(TTM_GETTOOLCOUNT); }
    // The text of the tool that AddTool made with the same arguments; empty
    // when there is no such tool.
    void GetText(CString& rString, CWnd* pWnd, UINT_PTR nIDTool = 0) const;

    // Hands a mouse message of a tool's window to the control; other
    // messages are ignored by it.
    void RelayEvent(LPMSG lpMsg) { SendMessage(TTM_RELAYEVENT, 0, (LPARAM)lpMsg); }

protected:
    // The tool record as AddTool fills it. The second layout of the record,
    // which every version of the control since 4.70 accepts.
    static void FillInToolInfo(TOOLINFOA& ti, CWnd* pWnd, UINT_PTR nIDTool, LPCRECT lpRectTool);
};
