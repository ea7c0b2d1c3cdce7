// The windows of e2e_scroll_target.exe that the scrolling capture scenarios
// capture, and the tall picture the first two show, shared by the program
// and the scenarios.
//
//   e2e_scroll_target.exe bar     the picture, scrolled by its scroll bar only
//   e2e_scroll_target.exe wheel   the picture, scrolled by the wheel only (no scroll bar)
//   e2e_scroll_target.exe list    a list box of kListLines numbered lines
#pragma once

#include <windows.h>

namespace e2e {

const char kScrollTargetClass[] = "KaptoE2EScrollTarget";
// The picture's window, right of e2e_target's; the list's, below that one,
// clear of Kapto's main window in the middle of the screen, which is back
// when the scenario reads the list for what it should look like.
const POINT kPictureWindowAt = {340, 40};
const POINT kListWindowAt = {8, 330};

// The tall picture: kPictureHeight rows, every one unlike any other; its
// first kPictureHeader rows are a header that stays at the window's top
// while the rest scrolls under it.
const int kPictureWidth = 600;
const int kPictureHeight = 6000;
const int kPictureHeader = 40;
const int kPictureViewHeight = 400;  // the window's client area, header included
const int kLinePixels = 40;          // a scroll bar line
const int kNotchPixels = 50;         // a wheel notch
// Where each window is when the scenario starts: away from its top.
const int kBarStartPos = 1234;
const int kWheelStartPos = 1000;

// Its pixel (x, y) as 0x00RRGGBB, as a 32-bit bitmap holds it.
inline UINT TallPixel(int x, int y) {
    auto rgb = [](UINT r, UINT g, UINT b) { return r << 16 | g << 8 | b; };
    if (y < kPictureHeader) return x < kPictureWidth / 2 ? rgb(20, 40 + y, 120) : rgb(200, 200, 40 + y);
    const UINT v = (UINT)y * 7;
    return rgb(v & 0xFF, (v >> 8) & 0xFF, x * 255 / (kPictureWidth - 1));
}

// The list box: its lines and where it starts.
const int kListLines = 500;
const int kListWidth = 300;
const int kListStartTop = 123;
const int kListId = 300;

// Sent to a picture window: its scroll position in pixels.
const UINT kGetScrollPosMessage = WM_APP + 1;

}  // namespace e2e
