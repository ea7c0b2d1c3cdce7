// Scoped guards for raw Win32, GDI and GDI+ handles that one operation takes
// and gives back: a window or screen DC, a memory DC, an object selected into
// a DC, an owned GDI object, a GDI+ image, graphics object and brush, the
// open clipboard, COM for the calling thread, a critical section and a kernel
// handle.
//
// They are for code that works with plain handles (the capture engine, the
// image bitmap, the hook, the program's painting), not a replacement for the
// framework's CObject wrappers that the classes' interfaces are written in.
// Header only: the hook library uses them without linking the framework.
//
// Each guard owns what it took from the moment it is constructed; Release()
// hands an owned handle over to the caller. None can be copied.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <objbase.h>
#include <objidl.h>
#include <gdiplus.h>

#include <type_traits>

namespace kfw {

// GetDC / ReleaseDC. A null window gives the screen's DC.
class ScopedGetDC {
public:
    explicit ScopedGetDC(HWND hWnd) : m_hWnd(hWnd), m_hDC(::GetDC(hWnd)) {}
    ~ScopedGetDC() {
        if (m_hDC != nullptr) ::ReleaseDC(m_hWnd, m_hDC);
    }
    ScopedGetDC(const ScopedGetDC&) = delete;
    ScopedGetDC& operator=(const ScopedGetDC&) = delete;
    HDC get() const { return m_hDC; }
    operator HDC() const { return m_hDC; }

private:
    HWND m_hWnd;  // not owned
    HDC m_hDC;
};

// GetWindowDC / ReleaseDC: the whole window, frame included.
class ScopedWindowDC {
public:
    explicit ScopedWindowDC(HWND hWnd) : m_hWnd(hWnd), m_hDC(::GetWindowDC(hWnd)) {}
    ~ScopedWindowDC() {
        if (m_hDC != nullptr) ::ReleaseDC(m_hWnd, m_hDC);
    }
    ScopedWindowDC(const ScopedWindowDC&) = delete;
    ScopedWindowDC& operator=(const ScopedWindowDC&) = delete;
    HDC get() const { return m_hDC; }
    operator HDC() const { return m_hDC; }

private:
    HWND m_hWnd;  // not owned
    HDC m_hDC;
};

// CreateCompatibleDC / DeleteDC.
class ScopedMemDC {
public:
    explicit ScopedMemDC(HDC hdcLike) : m_hDC(::CreateCompatibleDC(hdcLike)) {}
    ~ScopedMemDC() {
        if (m_hDC != nullptr) ::DeleteDC(m_hDC);
    }
    ScopedMemDC(const ScopedMemDC&) = delete;
    ScopedMemDC& operator=(const ScopedMemDC&) = delete;
    HDC get() const { return m_hDC; }
    operator HDC() const { return m_hDC; }

private:
    HDC m_hDC;
};

// SelectObject now, the previous object selected back on scope exit. The
// guard must end before the DC it selects into (declare it after the DC).
class ScopedSelect {
public:
    ScopedSelect(HDC hDC, HGDIOBJ hObject)
        : m_hDC(hDC), m_hOld(hDC != nullptr && hObject != nullptr ? ::SelectObject(hDC, hObject) : nullptr) {}
    ~ScopedSelect() {
        if (m_hOld != nullptr && m_hOld != HGDI_ERROR) ::SelectObject(m_hDC, m_hOld);
    }
    ScopedSelect(const ScopedSelect&) = delete;
    ScopedSelect& operator=(const ScopedSelect&) = delete;
    // FALSE when nothing was selected (no DC, no object, or GDI refused).
    bool ok() const { return m_hOld != nullptr && m_hOld != HGDI_ERROR; }

private:
    HDC m_hDC;  // not owned
    HGDIOBJ m_hOld;
};

// An owned GDI object (bitmap, pen, brush, font, region), deleted on scope
// exit unless released.
template <class THandle>
class ScopedGdiObject {
public:
    explicit ScopedGdiObject(THandle h = nullptr) : m_h(h) {}
    ~ScopedGdiObject() { reset(); }
    ScopedGdiObject(const ScopedGdiObject&) = delete;
    ScopedGdiObject& operator=(const ScopedGdiObject&) = delete;
    THandle get() const { return m_h; }
    operator THandle() const { return m_h; }
    THandle Release() {
        THandle h = m_h;
        m_h = nullptr;
        return h;
    }
    void reset(THandle h = nullptr) {
        if (m_h != nullptr && m_h != h) ::DeleteObject(m_h);
        m_h = h;
    }

private:
    THandle m_h;
};
typedef ScopedGdiObject<HBITMAP> ScopedBitmap;
typedef ScopedGdiObject<HPEN> ScopedPen;
typedef ScopedGdiObject<HBRUSH> ScopedBrush;
typedef ScopedGdiObject<HFONT> ScopedFont;
typedef ScopedGdiObject<HRGN> ScopedRegion;

// A GDI+ image of the flat interface (GdipDisposeImage on scope exit).
template <class TImage = Gdiplus::GpImage>
class ScopedGpImage {
public:
    explicit ScopedGpImage(TImage* p = nullptr) : m_p(p) {}
    ~ScopedGpImage() { reset(); }
    ScopedGpImage(const ScopedGpImage&) = delete;
    ScopedGpImage& operator=(const ScopedGpImage&) = delete;
    TImage* get() const { return m_p; }
    // For the flat API's out parameters; the old image goes first.
    TImage** out() {
        reset();
        return &m_p;
    }
    TImage* Release() {
        TImage* p = m_p;
        m_p = nullptr;
        return p;
    }
    void reset(TImage* p = nullptr) {
        if (m_p != nullptr && m_p != p) Gdiplus::DllExports::GdipDisposeImage(m_p);
        m_p = p;
    }

private:
    TImage* m_p;
};

// A GDI+ object of the flat interface other than an image, deleted on
// scope exit with its kind's pfnDelete.
template <class T, Gdiplus::GpStatus(WINGDIPAPI* pfnDelete)(T*)>
class ScopedGpObject {
public:
    ScopedGpObject() : m_p(nullptr) {}
    ~ScopedGpObject() {
        if (m_p != nullptr) pfnDelete(m_p);
    }
    ScopedGpObject(const ScopedGpObject&) = delete;
    ScopedGpObject& operator=(const ScopedGpObject&) = delete;
    T* get() const { return m_p; }
    // For the flat API's out parameter, only on an empty guard. TMade: what
    // the creating call hands back, T itself or a kind of it (a solid fill
    // for a brush).
    template <class TMade = T>
    TMade** out() {
        static_assert(std::is_base_of<T, TMade>::value, "a GDI+ object of another kind");
        return reinterpret_cast<TMade**>(&m_p);
    }

private:
    T* m_p;
};
typedef ScopedGpObject<Gdiplus::GpGraphics, &Gdiplus::DllExports::GdipDeleteGraphics> ScopedGpGraphics;
typedef ScopedGpObject<Gdiplus::GpBrush, &Gdiplus::DllExports::GdipDeleteBrush> ScopedGpBrush;

// OpenClipboard, CloseClipboard on scope exit if it opened. Another program
// (a clipboard viewer, the system handing a copy on to the display) holds
// the clipboard open for a moment after each change: a copy made then would
// be lost, so an open that is refused is tried again until the holder lets
// go, for kWaitMs at most, answering the messages sent to this thread
// meanwhile (the holder may be waiting on one of them).
class ScopedClipboard {
public:
    static const DWORD kWaitMs = 1000;
    explicit ScopedClipboard(HWND hWndOwner) : m_bOpen(Open(hWndOwner)) {}
    ~ScopedClipboard() {
        if (m_bOpen) ::CloseClipboard();
    }
    ScopedClipboard(const ScopedClipboard&) = delete;
    ScopedClipboard& operator=(const ScopedClipboard&) = delete;
    // FALSE when another window held the clipboard open all the while.
    bool IsOpen() const { return m_bOpen; }

private:
    static bool Open(HWND hWndOwner) {
        const DWORD kRetryMs = 10;
        const DWORD dwStart = ::GetTickCount();
        while (!::OpenClipboard(hWndOwner)) {
            if (::GetTickCount() - dwStart >= kWaitMs) return false;
            if (::MsgWaitForMultipleObjects(0, nullptr, FALSE, kRetryMs, QS_SENDMESSAGE) == WAIT_OBJECT_0) {
                MSG msg;
                ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
            }
        }
        return true;
    }

    bool m_bOpen;
};

// COM for the calling thread, for the length of one operation. A thread
// whose COM was already started in another model still works: nothing is
// undone that this guard did not do.
class ScopedCoInit {
public:
    ScopedCoInit() : m_bStarted(SUCCEEDED(::CoInitialize(nullptr))) {}
    ~ScopedCoInit() {
        if (m_bStarted) ::CoUninitialize();
    }
    ScopedCoInit(const ScopedCoInit&) = delete;
    ScopedCoInit& operator=(const ScopedCoInit&) = delete;

private:
    bool m_bStarted;
};

// EnterCriticalSection now, LeaveCriticalSection on scope exit.
class ScopedLock {
public:
    explicit ScopedLock(CRITICAL_SECTION& cs) : m_cs(cs) { ::EnterCriticalSection(&m_cs); }
    ~ScopedLock() { ::LeaveCriticalSection(&m_cs); }
    ScopedLock(const ScopedLock&) = delete;
    ScopedLock& operator=(const ScopedLock&) = delete;

private:
    CRITICAL_SECTION& m_cs;  // not owned
};

// A kernel handle (file, event, thread), closed on scope exit. Both null and
// INVALID_HANDLE_VALUE mean "none", as the functions that make them disagree.
class ScopedHandle {
public:
    explicit ScopedHandle(HANDLE h = nullptr) : m_h(h) {}
    ~ScopedHandle() { reset(); }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    HANDLE get() const { return m_h; }
    bool valid() const { return m_h != nullptr && m_h != INVALID_HANDLE_VALUE; }
    HANDLE Release() {
        HANDLE h = m_h;
        m_h = nullptr;
        return h;
    }
    void reset(HANDLE h = nullptr) {
        if (valid() && m_h != h) ::CloseHandle(m_h);
        m_h = h;
    }

private:
    HANDLE m_h;
};

}  // namespace kfw
