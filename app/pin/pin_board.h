// The pictures pinned on the screen. The main window keeps one board: it
// pins the current image there and closes every pin as it ends. Each pin is
// a window of its own (pin_window.h) that lives until it is closed.
#pragma once

#include <vector>

#include "framework/geometry.h"
#include "framework/wnd.h"
#include "kp_capture_info.h"
#include "markup/markup_marks.h"

namespace Gdiplus {
class GpImage;
}

class CKpCore;
class CPinWnd;

class CPinBoard {
public:
    CPinBoard();
    // Closes every pin still open.
    ~CPinBoard();
    CPinBoard(const CPinBoard&) = delete;
    CPinBoard& operator=(const CPinBoard&) = delete;

    // The program's engine, whose save dialog a pin's image is saved
    // through as the program's own images are (not owned; it outlives the
    // pins), and the window that owns what a pin puts on the clipboard, as
    // it owns the program's own copies.
    void SetProgram(CKpCore* pCore, HWND hClipboardOwner) {
        m_pCore = pCore;
        m_hClipboardOwner = hClipboardOwner;
    }
    CKpCore* GetCore() const { return m_pCore; }
    HWND GetClipboardOwner() const { return m_hClipboardOwner; }

    // Pins a copy of pImage's pixels on the screen where info says they
    // were, or, for an image that did not come from the screen (an empty
    // rcScreen), in the middle of the monitor under the pointer. FALSE when
    // there is no image or it cannot be copied.
    BOOL Pin(Gdiplus::GpImage* pImage, const KpCaptureInfo& info);
    // Closes every pin but one whose own dialog is open: that one is not
    // taken from under the dialog.
    void CloseAll();
    int GetCount() const { return (int)m_pins.size(); }

    // The pixels of pImage as a pin's picture; FALSE when they cannot be
    // read or there is no memory for them.
    static BOOL LoadPicture(Gdiplus::GpImage* pImage, CMarkupSurface& picture);

    // The pins' side.
    // The window that owns every pin; null when it cannot be made.
    HWND GetOwner();
    // Scratch memory for one repaint of any pin, at least nWidth x nHeight;
    // null when there is no memory for it. Kept between repaints (pins
    // repaint one at a time), given back with the last pin.
    CMarkupSurface* Scratch(int nWidth, int nHeight);
    // A pin that needs it no more says so; the next repaint that does makes
    // it again.
    void ReleaseScratch() { m_scratch.Free(); }
    // A pin's window is gone. A pin busy with a dialog when it went is
    // handed over at the end (bDiscard) and deleted later, out of its own
    // handler.
    void Remove(CPinWnd* pPin, BOOL bDiscard);

private:
    void DeleteDiscarded();

    // Hidden; owns every pin, so that no pin has a task-bar button (a tool
    // window of no owner has one under Wine). Made with the first pin.
    CWnd m_wndOwner;
    std::vector<CPinWnd*> m_pins;       // open; each owns itself
    std::vector<CPinWnd*> m_discarded;  // owned: windows gone, to be deleted
    CMarkupSurface m_scratch;
    CKpCore* m_pCore;        // not owned
    HWND m_hClipboardOwner;  // not owned
};
