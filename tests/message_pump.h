// Running the calling thread's messages for a while, for tests that wait on
// windows of their own or of another program.
#pragma once

#include <windows.h>

namespace testsupport {

// Dispatches the thread's messages for about nMs milliseconds.
inline void PumpMessagesFor(DWORD nMs) {
    DWORD nStart = ::GetTickCount();
    do {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        ::Sleep(5);
    } while (::GetTickCount() - nStart < nMs);
}

}  // namespace testsupport
