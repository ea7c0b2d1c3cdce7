// CFrameWnd: a top-level window that owns itself.
//
// The object is made with new and lives as long as its window: when the
// window is destroyed (DestroyWindow, or WM_CLOSE, whose default processing
// destroys it), PostNcDestroy deletes the object. A Create that fails deletes
// the object too, so after either the caller holds no object at all. It must
// not be made on the stack or as a member.
#pragma once

#include "framework/wnd.h"

class KFW_API CFrameWnd : public CWnd {
    DECLARE_DYNAMIC(CFrameWnd)
public:
    CFrameWnd() : m_bInCreate(FALSE) {}

    // The default rectangle: position and size left to the system.
    static const CRect rectDefault;

    // lpszClassName null: the layer's frame-window class (GetDefaultClass).
    // lpszMenuName: a menu from the resource chain, or null for none.
    // FALSE when the window could not be made; the object is deleted then.
    virtual BOOL Create(LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle = WS_OVERLAPPEDWINDOW,
                        const RECT& rect = rectDefault, CWnd* pParentWnd = nullptr, LPCSTR lpszMenuName = nullptr,
                        DWORD dwExStyle = 0);

    // The layer's frame-window class: double clicks, redraw on resize, the
    // window colour as background, the arrow cursor.
    static LPCSTR GetDefaultClass();

protected:
    void PostNcDestroy() override;

private:
    // The child-window form of CWnd does not apply to a frame.
    using CWnd::Create;

    BOOL m_bInCreate;  // a window that dies inside Create is deleted by Create
};
