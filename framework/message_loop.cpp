#include "framework/message_loop.h"

#include "framework/contract.h"

namespace {

// Per thread: the layer's windows and wrappers belong to the thread that
// made them, and each thread's loops nest on their own.
thread_local int t_nLoopDepth = 0;
thread_local int t_nModalCount = 0;

struct LoopLevel {
    LoopLevel() { ++t_nLoopDepth; }
    ~LoopLevel() { --t_nLoopDepth; }
};

// Mouse moves that do not move, paints and the caret's system timer do not
// start a new idle period, or an idle handler that repaints would never end.
class IdleFilter {
public:
    bool StartsIdle(const MSG& msg) {
        if (msg.message == WM_MOUSEMOVE || msg.message == WM_NCMOUSEMOVE) {
            if (msg.message == m_nLastMessage && msg.pt.x == m_ptLast.x && msg.pt.y == m_ptLast.y) return false;
            m_ptLast = msg.pt;
            m_nLastMessage = msg.message;
            return true;
        }
        const UINT kSysTimer = 0x0118;  // WM_SYSTIMER: the caret's blink
        return msg.message != WM_PAINT && msg.message != kSysTimer;
    }

private:
    POINT m_ptLast = {-1, -1};
    UINT m_nLastMessage = 0;
};

}  // namespace

BOOL CMessageLoopClient::OnLoopIdle(LONG) { return FALSE; }

int AfxGetLoopDepth() { return t_nLoopDepth; }

BOOL AfxRunMessageLoop(CMessageLoopClient& client, int* pnQuitCode) {
    LoopLevel level;
    IdleFilter filter;
    BOOL bIdle = TRUE;
    LONG lIdleCount = 0;
    MSG msg;
    while (client.ContinueLoop()) {
        while (bIdle && client.ContinueLoop() && !::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            if (lIdleCount == 0 && t_nLoopDepth == 1) AfxDeleteTempObjects();
            if (!client.OnLoopIdle(lIdleCount++)) bIdle = FALSE;
        }
        if (!client.ContinueLoop()) break;
        do {
            BOOL bGot = ::GetMessageA(&msg, nullptr, 0, 0);
            if (bGot == 0) {
                if (pnQuitCode != nullptr) *pnQuitCode = (int)msg.wParam;
                // The loops outside this one end too.
                if (t_nLoopDepth > 1) ::PostQuitMessage((int)msg.wParam);
                return FALSE;
            }
            KFW_CHECK_MSG(bGot != -1, "GetMessage failed");
            if (bGot == -1) return FALSE;
            if (!client.PreTranslateLoopMessage(&msg)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageA(&msg);
            }
            if (!client.ContinueLoop()) return TRUE;
            if (filter.StartsIdle(msg)) {
                bIdle = TRUE;
                lIdleCount = 0;
            }
        } while (::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    }
    return TRUE;
}

namespace {

// One timed wait; they nest strictly, innermost first in t_pWaits. The timer
// is the thread's, not a window's: the wait works on a thread without
// windows, and the timer's procedure finds its wait whichever loop
// dispatched the WM_TIMER.
class TimedWait : public CMessageLoopClient {
public:
    BOOL ContinueLoop() const override { return !m_bDue; }
    BOOL PreTranslateLoopMessage(MSG* pMsg) override { return CWnd::WalkPreTranslateTree(nullptr, pMsg); }

    UINT_PTR m_nTimer = 0;
    BOOL m_bDue = FALSE;
    TimedWait* m_pOuter = nullptr;
};

thread_local TimedWait* t_pWaits = nullptr;

void CALLBACK OnWaitTimer(HWND, UINT, UINT_PTR nTimer, DWORD) {
    for (TimedWait* p = t_pWaits; p != nullptr; p = p->m_pOuter)
        if (p->m_nTimer == nTimer) p->m_bDue = TRUE;
    ::KillTimer(nullptr, nTimer);
}

}  // namespace

BOOL AfxWaitDispatching(UINT nMs) {
    if (nMs == 0) return TRUE;
    TimedWait wait;
    wait.m_nTimer = ::SetTimer(nullptr, 0, nMs, &OnWaitTimer);
    // No timer left to the thread: no wait rather than one that never ends.
    if (wait.m_nTimer == 0) return TRUE;
    wait.m_pOuter = t_pWaits;
    t_pWaits = &wait;
    BOOL bRun = FALSE;
    {
        LoopLevel handler;  // the caller's level: this loop never frees its temporaries
        bRun = AfxRunMessageLoop(wait);
    }
    t_pWaits = wait.m_pOuter;
    if (!wait.m_bDue) ::KillTimer(nullptr, wait.m_nTimer);
    return bRun;
}

CModalScope::CModalScope() { ++t_nModalCount; }

CModalScope::~CModalScope() { --t_nModalCount; }

int AfxGetModalCount() { return t_nModalCount; }
