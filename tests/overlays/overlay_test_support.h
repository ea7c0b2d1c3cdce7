// Shared pieces of the overlay tests: a window painted with a known pixel
// pattern, reading the screen back, and driving the mouse and keyboard with
// SendInput while the thread under test runs a modal loop.
#pragma once

#include "framework/wnd.h"
#include "support/input_events.h"
#include "support/message_pump.h"
#include "support/top_down_dib.h"

#include <gtest/gtest.h>

#include <ostream>
#include <vector>

// Rectangles in test messages as (left, top, right, bottom).
inline void PrintTo(const CRect& rc, std::ostream* os) {
    *os << "(" << rc.left << ", " << rc.top << ", " << rc.right << ", " << rc.bottom << ")";
}

namespace overlaytest {

using kptest::PumpMessages;

// The colour a pattern window shows at screen pixel (x, y): red follows x,
// green follows y, so any shift by one pixel changes the colour.
inline COLORREF PatternColour(int x, int y) { return RGB(x & 0xFF, y & 0xFF, 0x40 + ((x + y) & 0x3F)); }

// A topmost window without frame that paints PatternColour of its screen
// pixels, or one flat colour when m_bFlat is set.
class CPatternWnd : public CWnd {
public:
    BOOL CreateAt(int x, int y, int cx, int cy);
    BOOL CreateFlat(int x, int y, int cx, int cy, COLORREF clr);
    // Paints with the other pattern: PatternColour mirrored, so a picture
    // taken before and one taken after can be told apart.
    void SetMirrored(BOOL bMirrored);

    void OnPaint();
    BOOL OnEraseBkgnd(CDC*) { return TRUE; }

    COLORREF ColourAt(int xScreen, int yScreen) const;

    DECLARE_MESSAGE_MAP()

private:
    BOOL m_bFlat = FALSE;
    BOOL m_bMirrored = FALSE;
    COLORREF m_clrFlat = 0;
    int m_x = 0;
    int m_y = 0;
};

// Screen pixels of rc, top-down 0x00BBGGRR (COLORREF order).
std::vector<COLORREF> ReadScreen(const RECT& rc);

// One pixel of the screen as a COLORREF.
COLORREF ScreenPixel(int x, int y);

// Pumps messages until the screen shows clr at (x, y), at most nMs
// milliseconds; TRUE when it did.
bool WaitForScreen(int x, int y, COLORREF clr, DWORD nMs = 3000);

// TRUE once the cursor has stayed at (x, y) for a moment; FALSE after nMs.
bool WaitForCursor(int x, int y, DWORD nMs = 2000);

// Mouse input through SendInput, from any thread. MouseMoveTo returns once
// the cursor stays at (x, y) (FALSE if it never does).
bool MouseMoveTo(int x, int y);
void MouseButton(bool bLeft, bool bDown);
// A button at (x, y): the event carries its own position, so a late move
// of the desktop's cannot shift it.
void MouseButtonAt(int x, int y, bool bLeft, bool bDown);

// Blending b over a with the tip's half strength (127 of 255).
inline int Blend127(int a, int b) { return (a * (255 - 127) + b * 127) / 255; }

inline bool Near(int a, int b, int tolerance = 3) { return a - b <= tolerance && b - a <= tolerance; }

}  // namespace overlaytest
