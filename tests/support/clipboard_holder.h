// Another program holding the clipboard open, played by a thread of the test
// with a window of its own: the clipboard is open from construction to
// destruction (m_bOpened says whether it could be opened).
#pragma once

#include <windows.h>

namespace kptest {

class ClipboardHolder {
public:
    ClipboardHolder() {
        m_hOpened = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
        m_hRelease = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
        m_hThread = ::CreateThread(nullptr, 0, Run, this, 0, nullptr);
        // Messages the system sends to this thread's windows meanwhile (the
        // clipboard's owner may be one of them) are answered while waiting.
        const DWORD dwEnd = ::GetTickCount() + 5000;
        for (;;) {
            LONG nLeft = (LONG)(dwEnd - ::GetTickCount());
            if (nLeft <= 0) break;
            DWORD dw = ::MsgWaitForMultipleObjects(1, &m_hOpened, FALSE, (DWORD)nLeft, QS_SENDMESSAGE);
            if (dw != WAIT_OBJECT_0 + 1) break;
            MSG msg;
            ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
    }
    ~ClipboardHolder() {
        ::SetEvent(m_hRelease);
        ::WaitForSingleObject(m_hThread, 5000);
        ::CloseHandle(m_hThread);
        ::CloseHandle(m_hOpened);
        ::CloseHandle(m_hRelease);
    }
    bool m_bOpened = false;

private:
    static DWORD WINAPI Run(LPVOID p) {
        ClipboardHolder* self = static_cast<ClipboardHolder*>(p);
        HWND hWnd = ::CreateWindowExA(0, "STATIC", "clipboard holder", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr,
                                      nullptr);
        // Right after a copy the system itself may hold the clipboard for a
        // moment (Wine hands it on to X11): try for a while.
        for (int i = 0; i < 100 && hWnd != nullptr && !self->m_bOpened; ++i) {
            self->m_bOpened = ::OpenClipboard(hWnd) != FALSE;
            if (!self->m_bOpened) ::Sleep(20);
        }
        ::SetEvent(self->m_hOpened);
        ::WaitForSingleObject(self->m_hRelease, 10000);
        if (self->m_bOpened) ::CloseClipboard();
        if (hWnd != nullptr) ::DestroyWindow(hWnd);
        return 0;
    }
    HANDLE m_hOpened, m_hRelease, m_hThread;
};

}  // namespace kptest
