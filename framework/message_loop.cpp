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

CModalScope::CModalScope() { ++t_nModalCount; }

CModalScope::~CModalScope() { --t_nModalCount; }

int AfxGetModalCount() { return t_nModalCount; }
