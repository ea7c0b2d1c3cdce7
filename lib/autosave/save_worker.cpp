#include "save_worker.h"

#include <deque>
#include <new>

#include "framework/contract.h"

// The jobs and the thread's state, under one lock. A thread Stop gave up on
// keeps the queue: it is let go (leaked) rather than freed under it.
struct CKpSaveWorker::Queue {
    SRWLOCK lock = SRWLOCK_INIT;
    CONDITION_VARIABLE changed = CONDITION_VARIABLE_INIT;
    struct Timed {
        Job job;
        ULONGLONG nDue;  // GetTickCount64's time it may start at
    };
    std::deque<Timed> jobs;
    bool bStopping = false;
};

CKpSaveWorker::CKpSaveWorker() : m_pQueue(nullptr), m_hThread(nullptr) {}

CKpSaveWorker::~CKpSaveWorker() {
    KFW_CHECK_MSG(m_hThread == nullptr, "save worker destroyed while it runs");
    delete m_pQueue;
}

BOOL CKpSaveWorker::Start() {
    if (m_hThread != nullptr) return TRUE;
    if (m_pQueue == nullptr) m_pQueue = new (std::nothrow) Queue;
    if (m_pQueue == nullptr) return FALSE;
    m_pQueue->bStopping = false;
    m_hThread = ::CreateThread(nullptr, 0, &CKpSaveWorker::ThreadMain, m_pQueue, 0, nullptr);
    return m_hThread != nullptr;
}

BOOL CKpSaveWorker::Post(Job job, DWORD dwAfterMs) {
    if (m_hThread == nullptr) return FALSE;
    const ULONGLONG nDue = ::GetTickCount64() + dwAfterMs;
    ::AcquireSRWLockExclusive(&m_pQueue->lock);
    m_pQueue->jobs.push_back({std::move(job), nDue});
    ::ReleaseSRWLockExclusive(&m_pQueue->lock);
    ::WakeAllConditionVariable(&m_pQueue->changed);
    return TRUE;
}

BOOL CKpSaveWorker::Stop(DWORD dwMs) {
    if (m_hThread == nullptr) return TRUE;
    ::AcquireSRWLockExclusive(&m_pQueue->lock);
    m_pQueue->bStopping = true;
    ::ReleaseSRWLockExclusive(&m_pQueue->lock);
    ::WakeAllConditionVariable(&m_pQueue->changed);
    BOOL bEnded = ::WaitForSingleObject(m_hThread, dwMs) == WAIT_OBJECT_0;
    if (!bEnded) {
        // Stuck in a write (a network drive gone, say): what is still queued
        // goes, and the thread keeps its queue until the process ends.
        ::AcquireSRWLockExclusive(&m_pQueue->lock);
        m_pQueue->jobs.clear();
        ::ReleaseSRWLockExclusive(&m_pQueue->lock);
        m_pQueue = nullptr;
    }
    ::CloseHandle(m_hThread);
    m_hThread = nullptr;
    return bEnded;
}

DWORD WINAPI CKpSaveWorker::ThreadMain(void* pQueue) {
    // Writing a capture is never as urgent as taking the next one: the
    // worker gives way to the program's thread, and its disk to others'.
    if (!::SetThreadPriority(::GetCurrentThread(), THREAD_MODE_BACKGROUND_BEGIN))
        ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_LOWEST);
    Run(static_cast<Queue*>(pQueue));
    return 0;
}

void CKpSaveWorker::Run(Queue* q) {
    for (;;) {
        ::AcquireSRWLockExclusive(&q->lock);
        while (q->jobs.empty() && !q->bStopping)
            ::SleepConditionVariableSRW(&q->changed, &q->lock, INFINITE, 0);
        if (q->jobs.empty()) {
            ::ReleaseSRWLockExclusive(&q->lock);
            return;
        }
        const ULONGLONG nNow = ::GetTickCount64();
        if (!q->bStopping && q->jobs.front().nDue > nNow) {
            ::SleepConditionVariableSRW(&q->changed, &q->lock, (DWORD)(q->jobs.front().nDue - nNow), 0);
            ::ReleaseSRWLockExclusive(&q->lock);
            continue;
        }
        Job job = std::move(q->jobs.front().job);
        q->jobs.pop_front();
        ::ReleaseSRWLockExclusive(&q->lock);
        job();
    }
}
