// The visible top-level windows, in Z order (topmost first), as the window
// chooser lists them and as the object tip hands the foreground back.
//
// EnumTopWindowProc is the EnumWindows callback that fills a WindowList. Its
// LPARAM is the address of a pointer to the list, whose count the caller has
// set to 0. A window is collected when it is visible, not minimised, has a
// client area wider and higher than 4 pixels and a non-empty title, and
// does not carry the property KP_NOT_A_WINDOW_TO_CAPTURE. Entry 0 is never
// used: the windows occupy entries 1 to nCount, at most 254 of them.
#pragma once

#include "framework/platform.h"
#include "kp_export.h"

// Set (any non-null value) on a top-level window that is part of what the
// screen shows but no window to capture or to hand the foreground to: a
// picture pinned on the screen.
#define KP_NOT_A_WINDOW_TO_CAPTURE "Kapto.NotAWindowToCapture"

struct WindowList {
    enum { kMaxEntries = 256, kMaxTitle = 260 };
    struct Entry {
        HWND hWnd;                // not owned
        char szTitle[kMaxTitle];  // zero-terminated, ANSI code page
    };
    int nCount;
    Entry entries[kMaxEntries];
};

// Always TRUE: the enumeration runs to the end; a full list skips the rest.
KPLIB_API BOOL CALLBACK EnumTopWindowProc(HWND hWnd, LPARAM lParam);

// Empties the list and fills it with EnumTopWindowProc; returns the count.
KPLIB_API int CollectTopWindows(WindowList& list);
