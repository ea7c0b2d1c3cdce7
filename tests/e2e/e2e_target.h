// The window of e2e_target.exe: where it stands and what it holds, shared by
// the program and the scenarios that capture it.
#pragma once

#include <windows.h>

namespace e2e {

const char kTargetClass[] = "KaptoE2ETarget";
const char kTargetTitle[] = "图案窗口";
// Top-left corner of the window on the screen; clear of Kapto's main window,
// which opens in the middle of a 1280 x 1024 screen.
const int kTargetLeft = 8;
const int kTargetTop = 8;
const int kTargetClientWidth = 304;
const int kTargetClientHeight = 240;

const COLORREF kStripeColours[8] = {RGB(255, 0, 0),   RGB(0, 255, 0),   RGB(0, 0, 255),   RGB(255, 255, 0),
                                    RGB(0, 255, 255), RGB(255, 0, 255), RGB(255, 128, 0), RGB(128, 0, 255)};

// Children, in client coordinates.
const int kButtonId = 200;
const RECT kButtonRect = {24, 180, 124, 212};
const int kEditId = 201;
const RECT kEditRect = {172, 184, 292, 208};

}  // namespace e2e
