#include "hotkey_table.h"

#include <commctrl.h>

#include "res/resource.h"

const KaptoHotkey* GetKaptoHotkeys() {
    static const KaptoHotkey s_hotkeys[KAPTO_HOTKEY_COUNT] = {
        {HOTKEY_ID_NEW_SNAP, ID_SNAP_NEW, IDC_HOTKEY_NEW_SNAP, &CKpConfig::GetNewSnapHotkey,
         &CKpConfig::SetNewSnapHotkey, "注册<新建截图>热键失败,请更换热键"},
        {HOTKEY_ID_FULL_SCREEN, ID_SNAP_FULLSCREEN, IDC_HOTKEY_FULL_SCREEN, &CKpConfig::GetFullScreenHotkey,
         &CKpConfig::SetFullScreenHotkey, "注册捕捉<整个屏幕>热键失败,请更换热键"},
        {HOTKEY_ID_ACTIVE_WIN, ID_SNAP_ACTIVE_WIN, IDC_HOTKEY_ACTIVE_WIN, &CKpConfig::GetActiveWinHotkey,
         &CKpConfig::SetActiveWinHotkey, "注册捕捉<活动程序窗口>热键失败,请更换热键"},
        {HOTKEY_ID_CURRENT_WIN, ID_SNAP_CURRENT_WIN, IDC_HOTKEY_CURRENT_WIN, &CKpConfig::GetCurrentWinHotkey,
         &CKpConfig::SetCurrentWinHotkey, "注册捕捉<当前窗口>热键失败,请更换热键"},
        {HOTKEY_ID_WIN_CLIENT, ID_SNAP_WIN_CLIENT, IDC_HOTKEY_WIN_CLIENT, &CKpConfig::GetWinClientHotkey,
         &CKpConfig::SetWinClientHotkey, "注册捕捉<活动程序客户区>热键失败,请更换热键"},
        {HOTKEY_ID_WIN_OBJ, ID_SNAP_WIN_OBJ, IDC_HOTKEY_WIN_OBJ, &CKpConfig::GetWinObjHotkey,
         &CKpConfig::SetWinObjHotkey, "注册捕捉<界面对象>热键失败,请更换热键"},
        {HOTKEY_ID_SELECT_RECT, ID_SNAP_SELECT_RECT, IDC_HOTKEY_SELECT_RECT, &CKpConfig::GetSelectRectHotkey,
         &CKpConfig::SetSelectRectHotkey, "注册捕捉<选定区域>热键失败,请更换热键"},
        {HOTKEY_ID_SHOW_HIDE, ID_SHOW_HIDE, IDC_HOTKEY_SHOW_HIDE, &CKpConfig::GetShowHideHotkey,
         &CKpConfig::SetShowHideHotkey, "注册<显示隐藏窗口>热键失败,请更换热键"},
        {HOTKEY_ID_SCROLL, ID_SNAP_SCROLL, IDC_HOTKEY_SCROLL, &CKpConfig::GetScrollSnapHotkey,
         &CKpConfig::SetScrollSnapHotkey, "注册捕捉<滚动截图>热键失败,请更换热键"},
    };
    return s_hotkeys;
}

CString DescribeHotkey(WORD wHotkeyFlags, WORD wVk) {
    CString str;
    if (wHotkeyFlags & HOTKEYF_CONTROL) str += "Ctrl+";
    if (wHotkeyFlags & HOTKEYF_SHIFT) str += "Shift+";
    if (wHotkeyFlags & HOTKEYF_ALT) str += "Alt+";
    CString strKey;
    if (wVk == VK_SNAPSHOT) {
        strKey = "Print Screen";
    } else if (wVk >= VK_F1 && wVk <= VK_F24) {
        strKey.Format("F%d", wVk - VK_F1 + 1);
    } else if ((wVk >= '0' && wVk <= '9') || (wVk >= 'A' && wVk <= 'Z')) {
        strKey = CString((char)wVk, 1);
    } else {
        char szName[64] = "";
        LONG nScan = (LONG)::MapVirtualKeyA(wVk, MAPVK_VK_TO_VSC) << 16;
        if (nScan != 0 && ::GetKeyNameTextA(nScan, szName, sizeof szName) > 0) strKey = szName;
    }
    if (strKey.IsEmpty()) strKey.Format("0x%02X", wVk);
    return str + strKey;
}

bool HotkeyHasNoKey(const KaptoHotkey& hotkey, unsigned short wVk) {
    if (wVk != 0) return false;
    CKpConfig defaults;
    unsigned short wDefaultModifier = 0;
    unsigned short wDefaultVk = 0;
    (defaults.*hotkey.pfnGet)(wDefaultModifier, wDefaultVk);
    return wDefaultVk == 0;
}

UINT HotkeyModifiersToSystem(WORD wHotkeyFlags) {
    UINT nModifiers = MOD_NOREPEAT;
    if (wHotkeyFlags & HOTKEYF_SHIFT) nModifiers |= MOD_SHIFT;
    if (wHotkeyFlags & HOTKEYF_CONTROL) nModifiers |= MOD_CONTROL;
    if (wHotkeyFlags & HOTKEYF_ALT) nModifiers |= MOD_ALT;
    return nModifiers;
}
