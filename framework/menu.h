// CMenu: one menu handle.
//
// A menu made by LoadMenu, CreateMenu or CreatePopupMenu, or taken over with
// Attach, is owned: the object destroys it when it goes. Detach gives the
// handle up. FromHandle and GetSubMenu return temporary, non-owning wrappers
// that live until the next idle point of the message loop; a popup belongs
// to the menu it sits in, which destroys it with itself.
#pragma once

#include "framework/cstring.h"
#include "framework/object.h"

class CWnd;

class KFW_API CMenu : public CObject {
    DECLARE_DYNAMIC(CMenu)
public:
    CMenu() : m_hMenu(nullptr) {}
    ~CMenu() override;
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    // Attributes
    HMENU GetSafeHmenu() const { return m_hMenu; }
    operator HMENU() const { return m_hMenu; }
    static CMenu* FromHandle(HMENU hMenu);

    // Life
    BOOL CreateMenu();
    BOOL CreatePopupMenu();
    // From the resource chain (the current module, the program, the libraries).
    BOOL LoadMenu(UINT nIDResource);
    BOOL LoadMenu(LPCSTR lpszResourceName);
    BOOL Attach(HMENU hMenu);
    HMENU Detach();
    BOOL DestroyMenu();

    // Items. Positions count from 0; GetMenuItemID answers 0 for a
    // separator and (UINT)-1 for a popup or a position past the end.
    int GetMenuItemCount() const { return ::GetMenuItemCount(m_hMenu); }
    UINT GetMenuItemID(int nPos) const { return ::GetMenuItemID(m_hMenu, nPos); }
    UINT GetMenuState(UINT nID, UINT nFlags) const { return ::GetMenuState(m_hMenu, nID, nFlags); }
    int GetMenuString(UINT nIDItem, CString& rString, UINT nFlags) const;
    // The popup at nPos, or null when the item there is no popup.
    CMenu* GetSubMenu(int nPos) const { return FromHandle(::GetSubMenu(m_hMenu, nPos)); }
    BOOL AppendMenu(UINT nFlags, UINT_PTR nIDNewItem = 0, LPCSTR lpszNewItem = nullptr) {
        return ::AppendMenuA(m_hMenu, nFlags, nIDNewItem, lpszNewItem);
    }
    BOOL DeleteMenu(UINT nPosition, UINT nFlags) { return ::DeleteMenu(m_hMenu, nPosition, nFlags); }
    UINT CheckMenuItem(UINT nIDCheckItem, UINT nCheck) { return (UINT)::CheckMenuItem(m_hMenu, nIDCheckItem, nCheck); }
    UINT EnableMenuItem(UINT nIDEnableItem, UINT nEnable) {
        return (UINT)::EnableMenuItem(m_hMenu, nIDEnableItem, nEnable);
    }
    // The item drawn bold, which a double-click on the menu's owner would run;
    // by command, or by position with fByPos TRUE; (UINT)-1 clears it.
    BOOL SetDefaultItem(UINT uItem, BOOL fByPos = FALSE) { return ::SetMenuDefaultItem(m_hMenu, uItem, fByPos); }
    UINT GetDefaultItem(UINT gmdiFlags, BOOL fByPos = FALSE) const {
        return ::GetMenuDefaultItem(m_hMenu, fByPos, gmdiFlags);
    }

    // Shows the popup at (x, y) in screen coordinates and follows the mouse
    // and keys until the user chooses or dismisses. The chosen command is
    // posted to pWnd as WM_COMMAND, unless nFlags has TPM_RETURNCMD, in which
    // case it is the result.
    BOOL TrackPopupMenu(UINT nFlags, int x, int y, CWnd* pWnd, LPCRECT lpRect = nullptr);

    HMENU m_hMenu;  // owned unless this is a temporary wrapper
};
