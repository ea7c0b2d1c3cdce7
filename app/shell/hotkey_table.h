// The global hot keys: one row per id, in id order, with everything
// that belongs to it (the command it runs, its control on the options sheet,
// its configuration accessors and the message shown when the system refuses
// it).
#pragma once

#include "framework/platform.h"
#include "kp_config.h"

// The hot-key ids the main window registers; the row of each in the table
// is its id less KAPTO_HOTKEY_FIRST_ID.
enum KaptoHotkeyId {
    HOTKEY_ID_NEW_SNAP = 1000,
    HOTKEY_ID_FULL_SCREEN,
    HOTKEY_ID_ACTIVE_WIN,
    HOTKEY_ID_CURRENT_WIN,
    HOTKEY_ID_WIN_CLIENT,
    HOTKEY_ID_WIN_OBJ,
    HOTKEY_ID_SELECT_RECT,
    HOTKEY_ID_SHOW_HIDE,
    HOTKEY_ID_SCROLL,  // the scrolling capture; none by default
};

struct KaptoHotkey {
    int nId;        // a KaptoHotkeyId
    UINT nCommand;  // the main window's command it runs
    UINT nControl;  // its hot-key control on the options sheet
    void (CKpConfig::*pfnGet)(unsigned short& wModifier, unsigned short& wVk);
    void (CKpConfig::*pfnSet)(unsigned short wModifier, unsigned short wVk);
    const char* pszFailure;  // shown when the registration fails
};

enum { KAPTO_HOTKEY_COUNT = 9, KAPTO_HOTKEY_FIRST_ID = HOTKEY_ID_NEW_SNAP };

// The table, KAPTO_HOTKEY_COUNT rows.
const KaptoHotkey* GetKaptoHotkeys();

// A hot key that has no key by default, and has none now (wVk 0): it is
// not offered to the system, which would only refuse it.
bool HotkeyHasNoKey(const KaptoHotkey& hotkey, unsigned short wVk);

// The system's hot-key modifiers (MOD_...) for the hot-key control's flags
// (HOTKEYF_...); HOTKEYF_EXT has no counterpart and is dropped. A held key
// fires once (MOD_NOREPEAT), not once per auto-repeat.
UINT HotkeyModifiersToSystem(WORD wHotkeyFlags);

// A pair as the user reads it, "Ctrl+Alt+F9", from the hot-key control's
// flags and the virtual key.
CString DescribeHotkey(WORD wHotkeyFlags, WORD wVk);

// A pair as it was last offered to the system: after the options sheet the
// hot keys whose pair changed, and those the system refused, are registered
// again; the others are in force already.
struct KaptoHotkeyInForce {
    unsigned short wModifier;
    unsigned short wVk;
    BOOL bOffered;     // offered to the system with this pair
    BOOL bRegistered;  // and taken: the key works
};
