// The screen grab: a window's pixels, or a rectangle of the screen, copied
// into a new bitmap. It sits below both the capture engine and the capture
// overlays, which each grab the screen (the engine for every capture, the
// rectangle overlay for its frozen picture) and need nothing else of the
// other.
#pragma once

#include "framework/geometry.h"
#include "framework/platform.h"
#include "image_bitmap.h"
#include "kp_export.h"

// rc of hWnd's whole-window DC (screen coordinates for the desktop window),
// or the whole window for an empty rc (for the desktop: the primary screen),
// clipped to the virtual screen, every monitor's pixels included; whatever of
// it lies between monitors, on none of them, is black. The window is raised
// for the grab and put back. A new bitmap (background
// white) the caller deletes, or null when there is no window, no area or no
// pixels. The bitmap is a top-down 32-bit DIB section. hReuse, when given,
// is taken over: the grab goes into it when it is such a DIB section of the
// size, and it is deleted otherwise. With bPointer the mouse pointer is drawn
// in where it is (KpStampPointer). prcScreen, when given, receives the screen
// rectangle the grab's pixels show (a whole window clipped at the virtual
// screen's left or top edge is taken from its own corner, so that rectangle
// starts at the window's corner), or an empty one when nothing was grabbed.
KPLIB_API CImageBitmap* KpGrabWindowBitmap(HWND hWnd, CRect rc, HBITMAP hReuse = nullptr, BOOL bPointer = FALSE,
                                           CRect* prcScreen = nullptr);

// A copy of hSource, compatible with the screen (for the clipboard); null on
// failure.
KPLIB_API HBITMAP KpCopyScreenBitmap(HBITMAP hSource);
