// What the capture engine needs of the program that runs it, and nothing
// more: a main window to hide around a capture, a view whose size the
// thumbnail is made for, and a window to own the clipboard. The engine holds
// no window of the program.
#pragma once

#include "framework/geometry.h"
#include "framework/wnd.h"
#include "kp_export.h"

class KPLIB_API CKpSnapHost {
public:
    virtual ~CKpSnapHost();

    // Hides (FALSE) or shows again (TRUE) the program's main window around a
    // capture; nothing when there is none.
    virtual void ShowMainWindow(BOOL bShow) = 0;
    // The window the engine's own invisible window is a child of; null when
    // there is none (the engine then has a message-only window).
    virtual HWND GetParentWindow() const = 0;
    // The client size of the view the thumbnail must fit.
    virtual CSize GetViewSize() const = 0;
    // The window that owns the clipboard while the engine puts an image on
    // it; null opens the clipboard without an owner.
    virtual HWND GetClipboardOwner() const = 0;
};

// The host made of the program's main window and its thumbnail view: the
// view's client area sizes the thumbnail, and its window owns the clipboard.
class KPLIB_API CKpWindowHost : public CKpSnapHost {
public:
    CKpWindowHost() : m_pMainWnd(nullptr), m_pViewWnd(nullptr) {}
    void SetWindows(CWnd* pMainWnd, CWnd* pViewWnd) {
        m_pMainWnd = pMainWnd;
        m_pViewWnd = pViewWnd;
    }

    void ShowMainWindow(BOOL bShow) override;
    HWND GetParentWindow() const override;
    CSize GetViewSize() const override;
    HWND GetClipboardOwner() const override;

private:
    CWnd* m_pMainWnd;  // not owned
    CWnd* m_pViewWnd;  // not owned
};
