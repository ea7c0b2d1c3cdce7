// CKpHook: a low-level mouse hook that reports the mouse to one window.
//
// The hook lives on a thread of its own, started by InstallHook and ended by
// UninstallHook. A low-level hook is called only while its thread retrieves
// messages, and the whole desktop's mouse waits for it meanwhile; on the
// caller's thread every blocking wait (a capture delay, a long image
// operation) would freeze the mouse everywhere and, on Windows, get the hook
// silently removed. The hook thread does nothing but answer the hook.
//
// While started, the hook window receives (always posted, never sent):
//
//   KPHOOK_WM_MOUSEMOVE    (0x7EF)  for each mouse movement
//   KPHOOK_WM_LBUTTONDOWN  (0x7E9)  for each press of the left button
//   KPHOOK_WM_RBUTTONDOWN  (0x7EA)  for each press of the right button
//
// with
//   wParam  the low-level mouse message that caused it (WM_MOUSEMOVE,
//           WM_LBUTTONDOWN or WM_RBUTTONDOWN);
//   lParam  the cursor position in screen coordinates, packed like the
//           lParam of WM_MOUSEMOVE: x in the low word, y in the high word,
//           each a signed 16-bit value (read with GET_X_LPARAM/GET_Y_LPARAM,
//           so positions on a monitor left of or above the primary one
//           come out negative).
//
// A press reported while started is swallowed: neither it nor the matching
// release reaches the window under the cursor. The hook thread decides this
// on its own and never holds the desktop's mouse for the hook window: when
// that window's thread has not answered for half a second (it is stuck in a
// long wait), nothing is reported and every press goes through to the window
// under the cursor, until the thread answers again. The release is swallowed
// even when reporting stopped in between (the capture ends inside the
// handler of the press), so no window ever sees a lone button-up.
//
// Once StopMouseHook has returned, no further message arrives; when it is
// called on the hook window's thread it also drops those of its messages
// still waiting in the queue.
#pragma once

#include <windows.h>

#if defined(KPHOOK_BUILDING)
#define KPHOOK_API __declspec(dllexport)
#else
#define KPHOOK_API __declspec(dllimport)
#endif

#define KPHOOK_WM_LBUTTONDOWN (WM_USER + 1001)  // 0x7E9
#define KPHOOK_WM_RBUTTONDOWN (WM_USER + 1002)  // 0x7EA
#define KPHOOK_WM_MOUSEMOVE (WM_USER + 1007)    // 0x7EF

class KPHOOK_API CKpHook {
public:
    CKpHook();
    // Removes the hook if it is still installed.
    ~CKpHook();

    CKpHook(const CKpHook&) = delete;
    CKpHook& operator=(const CKpHook&) = delete;

    // The window that receives the messages; may change at any time.
    void SetHookWnd(HWND hWnd);
    HWND GetHookWnd() const;

    // Installs the hook; reports nothing until StartMouseHook. Non-zero on
    // success or when the hook is already installed, 0 when the system
    // refused it.
    int InstallHook();
    // Stops reporting and removes the hook. Non-zero on success, 0 when no
    // hook was installed.
    int UninstallHook();
    BOOL IsInstalled() const { return m_hThread != nullptr; }

    // Reporting on and off. Starting without an installed hook reports
    // nothing until the hook is installed.
    void StartMouseHook();
    void StopMouseHook();
    BOOL IsStarted() const;

private:
    static DWORD WINAPI HookThreadProc(LPVOID pParam);
    static LRESULT CALLBACK LowLevelMouseProc(int nCode, WPARAM wParam, LPARAM lParam);
    // Runs on the hook thread. TRUE when the event must not travel further.
    BOOL OnMouseEvent(UINT nMsg, POINT pt);
    // The hook window's thread answered the probe (called on the hook thread).
    static void CALLBACK OnProbeAnswered(HWND hWnd, UINT nMsg, ULONG_PTR dwData, LRESULT lResult);

    // Guards the fields the hook thread shares with the caller's.
    mutable CRITICAL_SECTION m_cs;
    HWND m_hHookWnd;  // not owned
    BOOL m_bStarted;
    BOOL m_bProbing;      // a probe to the hook window awaits its answer
    DWORD m_dwProbeSent;  // when it was sent (GetTickCount)

    HANDLE m_hThread;  // owned; the hook thread
    DWORD m_dwThreadId;
    HANDLE m_hReady;  // owned while InstallHook waits; signalled by the hook thread
    BOOL m_bHooked;   // set by the hook thread before m_hReady

    // Hook thread only: releases still to swallow after a swallowed press.
    BOOL m_bSwallowLButtonUp;
    BOOL m_bSwallowRButtonUp;
};
