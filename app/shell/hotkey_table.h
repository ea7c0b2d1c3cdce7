// The eight global hot keys: one row per id, in id order, with everything
// that belongs to it (the command it runs, its control on the options sheet,
// its configuration accessors and the message shown when the system refuses
// it).
#pragma once

#include "framework/platform.h"
#include "kp_config.h"

struct KaptoHotkey {
    int nId;        // 1000 + its index
    UINT nCommand;  // the main window's command it runs
    UINT nControl;  // its hot-key control on the options sheet
    void (CKpConfig::*pfnGet)(unsigned short& wModifier, unsigned short& wVk);
    void (CKpConfig::*pfnSet)(unsigned short wModifier, unsigned short wVk);
    const char* pszFailure;  // shown when the registration fails
};

enum { KAPTO_HOTKEY_COUNT = 8, KAPTO_HOTKEY_FIRST_ID = 1000 };

// The table, KAPTO_HOTKEY_COUNT rows.
const KaptoHotkey* GetKaptoHotkeys();

// The system's hot-key modifiers (MOD_...) for the hot-key control's flags
// (HOTKEYF_...); HOTKEYF_EXT has no counterpart and is dropped.
UINT HotkeyModifiersToSystem(WORD wHotkeyFlags);
