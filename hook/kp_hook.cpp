#include "kp_hook.h"

#include "framework/scoped_handles.h"

namespace {

// The hook procedure carries no context of its own; each hook thread serves
// exactly one CKpHook.
thread_local CKpHook* t_pHook = nullptr;

// A hook window that has not answered for this long (milliseconds) is taken
// as not answering: the hook stops reporting and swallowing until it does.
const DWORD kAnswerMs = 500;

HMODULE ThisModule() {
    HMODULE hModule = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&ThisModule), &hModule);
    return hModule;
}

}  // namespace

CKpHook::CKpHook()
    : m_hHookWnd(nullptr),
      m_bStarted(FALSE),
      m_bProbing(FALSE),
      m_dwProbeSent(0),
      m_hThread(nullptr),
      m_dwThreadId(0),
      m_hReady(nullptr),
      m_bHooked(FALSE),
      m_bSwallowLButtonUp(FALSE),
      m_bSwallowRButtonUp(FALSE) {
    InitializeCriticalSection(&m_cs);
}

CKpHook::~CKpHook() {
    UninstallHook();
    DeleteCriticalSection(&m_cs);
}

void CKpHook::SetHookWnd(HWND hWnd) {
    kfw::ScopedLock lock(m_cs);
    m_hHookWnd = hWnd;
    m_bProbing = FALSE;
}

HWND CKpHook::GetHookWnd() const {
    kfw::ScopedLock lock(m_cs);
    return m_hHookWnd;
}

BOOL CKpHook::IsStarted() const {
    kfw::ScopedLock lock(m_cs);
    return m_bStarted;
}

int CKpHook::InstallHook() {
    if (m_hThread != nullptr) return 1;
    kfw::ScopedHandle ready(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!ready.valid()) return 0;
    m_hReady = ready.get();
    m_bHooked = FALSE;
    kfw::ScopedHandle thread(CreateThread(nullptr, 0, &CKpHook::HookThreadProc, this, 0, &m_dwThreadId));
    if (thread.valid()) {
        // The thread signals once its hook is set (or refused); if it dies
        // first, its handle is signalled instead.
        HANDLE handles[2] = {ready.get(), thread.get()};
        WaitForMultipleObjects(2, handles, FALSE, INFINITE);
        if (!m_bHooked) WaitForSingleObject(thread.get(), INFINITE);
    }
    m_hReady = nullptr;
    if (!m_bHooked || !thread.valid()) return 0;
    m_hThread = thread.Release();
    return 1;
}

int CKpHook::UninstallHook() {
    StopMouseHook();
    if (m_hThread == nullptr) return 0;
    PostThreadMessageA(m_dwThreadId, WM_QUIT, 0, 0);
    WaitForSingleObject(m_hThread, INFINITE);
    DWORD dwExit = 0;
    GetExitCodeThread(m_hThread, &dwExit);
    CloseHandle(m_hThread);
    m_hThread = nullptr;
    m_dwThreadId = 0;
    return dwExit != 0 ? 1 : 0;
}

void CKpHook::StartMouseHook() {
    kfw::ScopedLock lock(m_cs);
    m_bStarted = TRUE;
    // A probe of an earlier run (its window gone before it answered) says
    // nothing about this one.
    m_bProbing = FALSE;
}

void CALLBACK CKpHook::OnProbeAnswered(HWND, UINT, ULONG_PTR dwData, LRESULT) {
    CKpHook* pThis = reinterpret_cast<CKpHook*>(dwData);
    kfw::ScopedLock lock(pThis->m_cs);
    pThis->m_bProbing = FALSE;
}

void CKpHook::StopMouseHook() {
    HWND hWnd = nullptr;
    {
        kfw::ScopedLock lock(m_cs);
        m_bStarted = FALSE;
        hWnd = m_hHookWnd;
    }
    if (hWnd == nullptr) return;
    // The hook thread posts only under the lock, so nothing new can follow;
    // drop what is already queued. PeekMessage sees only the calling
    // thread's queue, and with PM_QS_POSTMESSAGE it does not dispatch sent
    // messages meanwhile.
    static const UINT kMessages[] = {KPHOOK_WM_LBUTTONDOWN, KPHOOK_WM_RBUTTONDOWN, KPHOOK_WM_MOUSEMOVE};
    MSG msg;
    for (UINT nMsg : kMessages) {
        while (PeekMessageA(&msg, hWnd, nMsg, nMsg, PM_REMOVE | PM_NOYIELD | PM_QS_POSTMESSAGE)) {
        }
    }
}

BOOL CKpHook::OnMouseEvent(UINT nMsg, POINT pt) {
    switch (nMsg) {
        case WM_LBUTTONUP:
            if (m_bSwallowLButtonUp) {
                m_bSwallowLButtonUp = FALSE;
                return TRUE;
            }
            return FALSE;
        case WM_RBUTTONUP:
            if (m_bSwallowRButtonUp) {
                m_bSwallowRButtonUp = FALSE;
                return TRUE;
            }
            return FALSE;
        case WM_MOUSEMOVE:
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
            break;
        default:
            return FALSE;
    }

    UINT nPost = nMsg == WM_MOUSEMOVE     ? KPHOOK_WM_MOUSEMOVE
                 : nMsg == WM_LBUTTONDOWN ? KPHOOK_WM_LBUTTONDOWN
                                          : KPHOOK_WM_RBUTTONDOWN;
    // Same packing as a mouse message's lParam; the casts keep negative
    // coordinates intact in their 16-bit halves.
    LPARAM lPoint =
        MAKELPARAM(static_cast<WORD>(static_cast<short>(pt.x)), static_cast<WORD>(static_cast<short>(pt.y)));
    BOOL bReported = FALSE;
    {
        kfw::ScopedLock lock(m_cs);
        if (m_bStarted && m_hHookWnd != nullptr) {
            // Whether the hook window's thread answers is asked without
            // waiting: a probe sent along with the reports comes back through
            // this thread's own loop. While one is out for too long, the
            // window's thread is stuck, and the desktop's mouse is not held
            // for it.
            DWORD dwNow = GetTickCount();
            BOOL bAnswering = !m_bProbing || dwNow - m_dwProbeSent < kAnswerMs;
            if (bAnswering) bReported = PostMessageA(m_hHookWnd, nPost, nMsg, lPoint);
            if (bReported && !m_bProbing &&
                SendMessageCallbackA(m_hHookWnd, WM_NULL, 0, 0, &CKpHook::OnProbeAnswered,
                                     reinterpret_cast<ULONG_PTR>(this))) {
                m_bProbing = TRUE;
                m_dwProbeSent = dwNow;
            }
        }
    }
    if (!bReported || nMsg == WM_MOUSEMOVE) return FALSE;

    // A reported press is meant for the hook window alone. The right click
    // leaves object capture; it must not open a context menu in whatever
    // window happens to be under the cursor either.
    if (nMsg == WM_LBUTTONDOWN)
        m_bSwallowLButtonUp = TRUE;
    else
        m_bSwallowRButtonUp = TRUE;
    return TRUE;
}

LRESULT CALLBACK CKpHook::LowLevelMouseProc(int nCode, WPARAM wParam, LPARAM lParam) {
    if (nCode == HC_ACTION && t_pHook != nullptr) {
        const MSLLHOOKSTRUCT* pInfo = reinterpret_cast<const MSLLHOOKSTRUCT*>(lParam);
        if (t_pHook->OnMouseEvent(static_cast<UINT>(wParam), pInfo->pt)) return 1;
    }
    return CallNextHookEx(nullptr, nCode, wParam, lParam);
}

DWORD WINAPI CKpHook::HookThreadProc(LPVOID pParam) {
    CKpHook* pThis = static_cast<CKpHook*>(pParam);
    t_pHook = pThis;
    // Make the thread's message queue exist before anyone posts WM_QUIT to it.
    MSG msg;
    PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    HHOOK hHook = SetWindowsHookExA(WH_MOUSE_LL, &CKpHook::LowLevelMouseProc, ThisModule(), 0);
    pThis->m_bHooked = hHook != nullptr;
    SetEvent(pThis->m_hReady);
    if (hHook == nullptr) return 0;
    // The hook is called from inside GetMessage.
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    }
    BOOL bOk = UnhookWindowsHookEx(hHook);
    pThis->m_bSwallowLButtonUp = FALSE;
    pThis->m_bSwallowRButtonUp = FALSE;
    t_pHook = nullptr;
    return bOk ? 1 : 0;
}
