// The notification-area (tray) icon and its two hidden helper windows.
//
// CTrayNotifyIcon adds one icon with a tooltip to the notification area,
// answers the icon's callback message (a menu on the right button, the menu's
// first command on a double-click), can cycle through several icons on a
// timer (CTrayTimerWnd) and adds itself again when the shell builds a new
// task bar (CTrayRessurectionWnd, which hears the "TaskbarCreated"
// broadcast). The icon's id is also the id of its menu resource.
#pragma once

#include "framework/frame_wnd.h"

#include <shellapi.h>

#include <memory>

class CTrayTimerWnd;
class CTrayRessurectionWnd;

// The message the shell broadcasts to every top-level window when it has
// built a new task bar; registered during static initialisation.
extern const UINT WM_TASKBARCREATED;

class CTrayNotifyIcon : public CObject {
    DECLARE_DYNAMIC(CTrayNotifyIcon)
public:
    CTrayNotifyIcon();
    // Closes both hidden windows and removes the icon if it is still there.
    ~CTrayNotifyIcon() override;
    CTrayNotifyIcon(const CTrayNotifyIcon&) = delete;
    CTrayNotifyIcon& operator=(const CTrayNotifyIcon&) = delete;

    // An icon that cycles through phIcons (nNumIcons of them, at least one),
    // one step every dwDelay ms. The animation window is made first and
    // stays even when adding the icon fails. TRUE when the icon was added.
    BOOL Create(CWnd* pNotifyWnd, UINT uID, LPCSTR lpszTooltipText, const HICON* phIcons, int nNumIcons, DWORD dwDelay,
                UINT nNotifyMessage);
    // One still icon. pNotifyWnd gets nNotifyMessage with wParam uID and the
    // mouse message in lParam; the tooltip keeps at most 63 bytes of
    // lpszTooltipText, cut at a whole character. TRUE when the icon was added.
    BOOL Create(CWnd* pNotifyWnd, UINT uID, LPCSTR lpszTooltipText, HICON hIcon, UINT nNotifyMessage);

    // The callback message's handler: 0 for another icon's id or a missing
    // menu resource, otherwise 1. The right button's release shows the
    // menu's first popup at the cursor, its first item the default and the
    // application's main window its owner (so the chosen command arrives
    // there); a double-click sends the popup's first command to the
    // notification window.
    virtual LRESULT OnIconNotify(WPARAM wParam, LPARAM lParam);

    // Deletes the icon from the notification area, if this object added it;
    // a new task bar does not bring it back after that.
    void RemoveIcon();

protected:
    friend class CTrayTimerWnd;
    friend class CTrayRessurectionWnd;

    // The shell's first record layout (the size every version accepts).
    static const DWORD kNotifyDataSize = NOTIFYICONDATAA_V1_SIZE;
    static const int kTipBytes = 64;  // the first layout's tooltip buffer, zero included

    // Copies what fits of lpszText into the tooltip buffer: whole characters
    // of the ANSI code page only, always zero-terminated.
    void SetTipText(LPCSTR lpszText);

    NOTIFYICONDATAA m_nid;                     // the record of every Shell_NotifyIconA call
    BOOL m_bCreated;                           // added by Create and not removed since
    BOOL m_bHidden;                            // deleted for the moment while a new task bar takes it back
    CWnd* m_pNotifyWnd;                        // not owned
    CTrayTimerWnd* m_pTimerWnd;                // owns itself; closed by the destructor
    CTrayRessurectionWnd* m_pResurrectionWnd;  // owns itself; closed by the destructor
    BOOL m_bAnimated;
    BOOL m_bRemoved;  // RemoveIcon ran: the icon stays away, also from a new task bar
};

// Hidden window whose timer steps the icon through its images.
class CTrayTimerWnd : public CFrameWnd {
    DECLARE_DYNAMIC(CTrayTimerWnd)
public:
    // Keeps a copy of the nNumIcons handles of phIcons (not the icons).
    CTrayTimerWnd(CTrayNotifyIcon* pTrayIcon, const HICON* phIcons, int nNumIcons, DWORD dwDelay);

    int GetCurrentIcon() const { return m_nCurrentIcon; }

protected:
    int OnCreate(LPCREATESTRUCTA lpCreateStruct);
    void OnDestroy();
    void OnTimer(UINT_PTR nIDEvent);
    void PostNcDestroy() override;

    CTrayNotifyIcon* m_pTrayIcon;        // not owned
    std::unique_ptr<HICON[]> m_phIcons;  // owned copy of the handles; the icons are the caller's
    int m_nNumIcons;
    DWORD m_dwDelay;  // milliseconds
    UINT_PTR m_nTimerID;
    int m_nCurrentIcon;

    DECLARE_MESSAGE_MAP()
};

// Hidden window that puts the icon back when the shell builds a new task bar.
class CTrayRessurectionWnd : public CFrameWnd {
    DECLARE_DYNAMIC(CTrayRessurectionWnd)
public:
    explicit CTrayRessurectionWnd(CTrayNotifyIcon* pTrayIcon) : m_pTrayIcon(pTrayIcon) {}

protected:
    LRESULT OnTaskbarCreated(WPARAM wParam, LPARAM lParam);
    void PostNcDestroy() override;

    CTrayNotifyIcon* m_pTrayIcon;  // not owned

    DECLARE_MESSAGE_MAP()
};
