#include "window_thread.h"

#include <algorithm>

namespace captest {

namespace {

const UINT kMsgRun = WM_APP + 77;  // lParam: the std::function to run
const char kColourClass[] = "KaptoTestColourWindow";

struct ThreadStart {
    CWindowThread* pThis;
    HANDLE hReady;  // signalled once the thread can take requests
};

LRESULT CALLBACK ColourWndProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam) {
    switch (nMsg) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC hdc = ::BeginPaint(hWnd, &ps);
            RECT rc;
            ::GetClientRect(hWnd, &rc);
            HBRUSH hBrush = ::CreateSolidBrush((COLORREF)::GetWindowLongPtrA(hWnd, GWLP_USERDATA));
            ::FillRect(hdc, &rc, hBrush);
            ::DeleteObject(hBrush);
            ::EndPaint(hWnd, &ps);
            return 0;
        }
        default:
            return ::DefWindowProcA(hWnd, nMsg, wParam, lParam);
    }
}

}  // namespace

CWindowThread::CWindowThread() : m_hThread(nullptr), m_dwThreadId(0), m_hDone(nullptr) {
    m_hDone = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
    HANDLE hReady = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ThreadStart start = {this, hReady};
    m_hThread = ::CreateThread(nullptr, 0, &CWindowThread::ThreadProc, &start, 0, &m_dwThreadId);
    if (m_hThread != nullptr) ::WaitForSingleObject(hReady, INFINITE);
    ::CloseHandle(hReady);
}

CWindowThread::~CWindowThread() {
    if (m_hThread != nullptr) {
        Run([this]() {
            for (HWND h : m_windows)
                ::DestroyWindow(h);
            m_windows.clear();
        });
        ::PostThreadMessageA(m_dwThreadId, WM_QUIT, 0, 0);
        ::WaitForSingleObject(m_hThread, INFINITE);
        ::CloseHandle(m_hThread);
    }
    ::CloseHandle(m_hDone);
}

DWORD WINAPI CWindowThread::ThreadProc(LPVOID pParam) {
    ThreadStart* pStart = static_cast<ThreadStart*>(pParam);
    CWindowThread* pThis = pStart->pThis;
    MSG msg;
    ::PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);  // the queue exists from here
    WNDCLASSA wc = {};
    wc.lpfnWndProc = ColourWndProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.hCursor = ::LoadCursorA(nullptr, (LPCSTR)IDC_ARROW);
    wc.lpszClassName = kColourClass;
    ::RegisterClassA(&wc);  // fails harmlessly when a former thread registered it
    ::SetEvent(pStart->hReady);
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.hwnd == nullptr && msg.message == kMsgRun) {
            (*reinterpret_cast<const std::function<void()>*>(msg.lParam))();
            ::SetEvent(pThis->m_hDone);
            continue;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    return 0;
}

void CWindowThread::Run(const std::function<void()>& fn) {
    if (m_hThread == nullptr) return;
    if (::PostThreadMessageA(m_dwThreadId, kMsgRun, 0, (LPARAM)&fn)) ::WaitForSingleObject(m_hDone, INFINITE);
}

HWND CWindowThread::CreateColourWindow(const char* pszTitle, int x, int y, int cx, int cy, COLORREF clr, DWORD dwStyle,
                                       DWORD dwExStyle) {
    HWND hWnd = nullptr;
    Run([&]() {
        hWnd = ::CreateWindowExA(dwExStyle, kColourClass, pszTitle, dwStyle & ~WS_VISIBLE, x, y, cx, cy, nullptr,
                                 nullptr, ::GetModuleHandleA(nullptr), nullptr);
        if (hWnd == nullptr) return;
        ::SetWindowLongPtrA(hWnd, GWLP_USERDATA, (LONG_PTR)clr);
        if (dwStyle & WS_VISIBLE) {
            ::ShowWindow(hWnd, (dwStyle & WS_MINIMIZE) ? SW_SHOWMINNOACTIVE : SW_SHOWNOACTIVATE);
            ::UpdateWindow(hWnd);
        }
        m_windows.push_back(hWnd);
    });
    return hWnd;
}

void CWindowThread::DestroyWindow(HWND hWnd) {
    Run([&]() {
        ::DestroyWindow(hWnd);
        m_windows.erase(std::remove(m_windows.begin(), m_windows.end(), hWnd), m_windows.end());
    });
}

void CWindowThread::Sync() {
    // The request is queued behind the posted messages; paints are handled
    // whenever the queue is otherwise empty, so a short rest follows.
    Run([]() {});
    ::Sleep(30);
    Run([]() {});
}

}  // namespace captest
