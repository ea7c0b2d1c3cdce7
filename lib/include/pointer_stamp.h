// The mouse pointer drawn into a grab of the screen, as the user saw it: its
// current shape, its hot spot where it points.
#pragma once

#include "framework/platform.h"
#include "kp_export.h"

// Draws the pointer into hdc, whose pixel (0, 0) shows the screen point
// ptOrigin; what falls outside the bitmap selected into hdc is clipped by
// GDI. Nothing is drawn while the pointer is hidden. TRUE when it was drawn.
KPLIB_API BOOL KpStampPointer(HDC hdc, POINT ptOrigin);
