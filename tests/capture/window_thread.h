// Windows of "other applications" for the capture tests: made and served by
// a thread of their own, so they keep painting and answering while the test
// thread sits in a capture's modal loop or blocking wait, and can be brought
// to the foreground like any other program's windows.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

namespace captest {

class CWindowThread {
public:
    CWindowThread();
    // Destroys every window it made, then ends the thread.
    ~CWindowThread();
    CWindowThread(const CWindowThread&) = delete;
    CWindowThread& operator=(const CWindowThread&) = delete;

    // Runs fn on the thread and waits for it.
    void Run(const std::function<void()>& fn);

    // A window whose client area is filled with clr; its non-client part is
    // the system's. Shown without activation (minimised with WS_MINIMIZE)
    // unless dwStyle lacks WS_VISIBLE. Null on failure.
    HWND CreateColourWindow(const char* pszTitle, int x, int y, int cx, int cy, COLORREF clr,
                            DWORD dwStyle = WS_POPUP | WS_VISIBLE, DWORD dwExStyle = 0);
    // Destroys one of its windows.
    void DestroyWindow(HWND hWnd);
    // Waits until the thread has handled everything queued so far (paints
    // included).
    void Sync();

    DWORD GetThreadId() const { return m_dwThreadId; }

private:
    static DWORD WINAPI ThreadProc(LPVOID pParam);

    HANDLE m_hThread;  // owned
    DWORD m_dwThreadId;
    HANDLE m_hDone;               // owned; signalled when a Run request has finished
    std::vector<HWND> m_windows;  // the thread's; touched only on it
};

}  // namespace captest
