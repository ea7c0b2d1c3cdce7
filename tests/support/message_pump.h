// The test thread's own message pump: tests that drive windows on their own
// thread let the queued messages through with it.
#pragma once

#include <windows.h>

namespace kptest {

// Dispatches what is queued now, then keeps dispatching until nMillis have
// passed (0: only what is queued now).
inline void PumpMessages(DWORD nMillis = 0) {
    const DWORD dwEnd = ::GetTickCount() + nMillis;
    for (;;) {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        if (static_cast<LONG>(::GetTickCount() - dwEnd) >= 0) return;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

}  // namespace kptest
