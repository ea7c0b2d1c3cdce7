// The small panel shown beside the area while a scrolling capture runs: the
// height of the picture so far and how to stop ("按ESC键停止"). It never
// takes the activation, and it owns the Esc key for the time it is shown,
// wherever the keyboard focus is.
#pragma once

#include "framework/geometry.h"
#include "framework/gdi.h"
#include "framework/wnd.h"

class CSnapScrollPanel : public CWnd {
public:
    CSnapScrollPanel();
    ~CSnapScrollPanel() override;

    // Shows the panel beside rcWindow (the window of the area rcArea) on
    // the monitor rcMonitor: to its right, else its left, below or above.
    // When none of those has room, it goes where it covers no part of the
    // area; when the area fills the monitor, it covers the area's bottom
    // edge, and rcGrab (the area) loses those rows so that no grab shows
    // it. hOwner (hidden meanwhile, or null) keeps it off the task bar.
    // FALSE when the window could not be made.
    BOOL Show(const CRect& rcWindow, const CRect& rcArea, const CRect& rcMonitor, HWND hOwner, CRect& rcGrab);
    // The picture's height so far, shown at once.
    void SetHeight(int nPixels);
    // Esc was pressed since the panel was shown.
    BOOL IsStopAsked() const { return m_bStopAsked; }

protected:
    void OnPaint();
    void OnDestroy();
    LRESULT OnHotKey(WPARAM wParam, LPARAM lParam);
    // The panel's size for its two lines in its font.
    CSize MeasureText();

    CFont m_font;  // owned: the system's message font
    int m_nHeight;
    BOOL m_bStopAsked;
    BOOL m_bEscapeKey;  // Esc is registered as the panel's hot key

    DECLARE_MESSAGE_MAP()
};
