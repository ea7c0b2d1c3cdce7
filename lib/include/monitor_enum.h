// The monitors as the system reports them now, as a CKpMonitorLayout
// (monitor_layout.h), and the DPI a window or a monitor is scaled for.
// Read afresh for every capture and every capture window: a monitor may have
// been plugged in, taken away, moved or rescaled since the last one.
#pragma once

#include "framework/platform.h"
#include "kp_export.h"
#include "monitor_layout.h"

// Fills layout with every monitor, in the system's order. Never empty: when
// the system lists none, the primary screen's metrics stand in.
KPLIB_API void KpGetMonitorLayout(CKpMonitorLayout& layout);
// The DPI of hMonitor (its effective DPI where the system scales monitors
// apart, else the screen's).
KPLIB_API unsigned int KpGetMonitorDpi(HMONITOR hMonitor);
// The DPI hWnd is laid out for: its own where the system tells it, else its
// monitor's.
KPLIB_API unsigned int KpGetWindowDpi(HWND hWnd);
// Brings hWnd (a top-level window of ours) back onto the monitors after they
// changed: a window left on a monitor that is gone, or on one rescaled,
// goes where CKpMonitorLayout::BringOnto says. Nothing for a hidden or
// minimised window.
KPLIB_API void KpKeepWindowOnMonitors(HWND hWnd);
// Answers WM_DPICHANGED for hWnd: it takes the rectangle the system
// suggests for the new scale (lParam).
KPLIB_API void KpTakeSuggestedRect(HWND hWnd, LPARAM lParam);
