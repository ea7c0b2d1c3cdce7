// The imaging workers: one job at a time, handed out task by task under one
// lock, with the calling thread taking tasks too. Win32 threads, SRW lock
// and condition variables on Windows; the standard library's natively.
#include "worker_pool.h"

#include <atomic>
#include <new>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#endif

namespace kpimg {

namespace {

// A worker that has had nothing to do for this long leaves; the next job
// that wants it starts it again.
const unsigned kIdleMs = 1000;
// More threads than this would only queue for the memory bus.
const int kMaxThreads = 64;
// Below this many pixels a band is not worth waking a thread for.
const long long kMinBandPixels = 16384;
const int kBandsPerThread = 4;

#ifdef _WIN32
class Mutex {
public:
    void lock() { ::AcquireSRWLockExclusive(&m_lock); }
    void unlock() { ::ReleaseSRWLockExclusive(&m_lock); }
    SRWLOCK m_lock = SRWLOCK_INIT;
};

class CondVar {
public:
    // False when the time ran out.
    bool WaitMs(Mutex& m, unsigned nMs) { return ::SleepConditionVariableSRW(&m_cv, &m.m_lock, nMs, 0) != FALSE; }
    void Wait(Mutex& m) { ::SleepConditionVariableSRW(&m_cv, &m.m_lock, INFINITE, 0); }
    void WakeAll() { ::WakeAllConditionVariable(&m_cv); }

private:
    CONDITION_VARIABLE m_cv = CONDITION_VARIABLE_INIT;
};

int ProcessorCount() {
    SYSTEM_INFO si;
    ::GetSystemInfo(&si);
    return (int)si.dwNumberOfProcessors;
}
#else
class Mutex {
public:
    void lock() { m_lock.lock(); }
    void unlock() { m_lock.unlock(); }

private:
    std::mutex m_lock;
};

class CondVar {
public:
    bool WaitMs(Mutex& m, unsigned nMs) {
        return m_cv.wait_for(m, std::chrono::milliseconds(nMs)) == std::cv_status::no_timeout;
    }
    void Wait(Mutex& m) { m_cv.wait(m); }
    void WakeAll() { m_cv.notify_all(); }

private:
    std::condition_variable_any m_cv;
};

int ProcessorCount() { return (int)std::thread::hardware_concurrency(); }
#endif

void RunInline(int nTasks, TaskFn fn, void* pContext, Scratch& scratch) {
    for (int i = 0; i < nTasks; ++i)
        fn(pContext, i, scratch);
}

class Pool {
public:
    ~Pool();

    void Run(int nTasks, TaskFn fn, void* pContext);
    void WorkerLoop();

    std::atomic<int> m_nLimit{0};  // 0: one per processor

private:
    bool StartWorker();
    bool JobOpen() const { return m_job.fn != nullptr && m_job.nJoined < m_job.nHelpers && m_job.nNext < m_job.nTasks; }

    struct Job {
        TaskFn fn = nullptr;       // null: no job
        void* pContext = nullptr;  // not owned
        int nTasks = 0;
        int nNext = 0;     // next task to hand out
        int nDone = 0;     // tasks returned
        int nHelpers = 0;  // workers wanted
        int nJoined = 0;   // workers that joined
    };

    Mutex m_mutex;
    CondVar m_wake;      // workers: a job was posted (or quit)
    CondVar m_finished;  // the caller: the last task returned
    CondVar m_gone;      // shut-down: a worker left
    Job m_job;
    int m_nLive = 0;       // workers started and not yet left
    bool m_bBusy = false;  // a thread's job holds the workers
    bool m_bQuit = false;
    Scratch m_callerScratch;  // for the thread holding the workers
};

Pool g_pool;

#ifdef _WIN32
DWORD WINAPI WorkerMain(void* pModule) {
    g_pool.WorkerLoop();
    // Drops the reference taken for this thread without returning into the
    // library, which may be unmapped by it.
    ::FreeLibraryAndExitThread((HMODULE)pModule, 0);
    return 0;
}

bool Pool::StartWorker() {
    // The worker's own reference: the library stays mapped until it leaves.
    HMODULE hModule = nullptr;
    if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, (LPCWSTR)(void*)&WorkerMain, &hModule))
        return false;
    HANDLE hThread = ::CreateThread(nullptr, 0, WorkerMain, hModule, 0, nullptr);
    if (hThread == nullptr) {
        ::FreeLibrary(hModule);
        return false;
    }
    ::CloseHandle(hThread);
    return true;
}

// At a FreeLibrary no worker exists (each holds a reference); at process
// exit the system has ended them before the library's destructors run.
// Either way there is nothing to wait for, and waiting here would be under
// the loader lock.
Pool::~Pool() {}
#else
bool Pool::StartWorker() {
    try {
        std::thread([] { g_pool.WorkerLoop(); }).detach();
    } catch (...) {
        return false;
    }
    return true;
}

Pool::~Pool() {
    m_mutex.lock();
    m_bQuit = true;
    m_wake.WakeAll();
    while (m_nLive > 0)
        m_gone.Wait(m_mutex);
    m_mutex.unlock();
}
#endif

void Pool::Run(int nTasks, TaskFn fn, void* pContext) {
    int nThreads = ThreadLimit();
    if (nTasks <= 1 || nThreads <= 1) {
        Scratch scratch;
        m_mutex.lock();
        const bool bFree = !m_bBusy;
        if (bFree) m_bBusy = true;
        m_mutex.unlock();
        RunInline(nTasks, fn, pContext, bFree ? m_callerScratch : scratch);
        if (bFree) {
            m_mutex.lock();
            m_bBusy = false;
            m_mutex.unlock();
        }
        return;
    }
    m_mutex.lock();
    if (m_bBusy) {
        // A task's own job, or another thread's: this one runs alone.
        m_mutex.unlock();
        Scratch scratch;
        RunInline(nTasks, fn, pContext, scratch);
        return;
    }
    m_bBusy = true;
    const int nHelpers = nThreads - 1 < nTasks - 1 ? nThreads - 1 : nTasks - 1;
    while (m_nLive < nHelpers && StartWorker())
        ++m_nLive;
    m_job.fn = fn;
    m_job.pContext = pContext;
    m_job.nTasks = nTasks;
    m_job.nNext = 0;
    m_job.nDone = 0;
    m_job.nHelpers = nHelpers;
    m_job.nJoined = 0;
    m_wake.WakeAll();
    while (m_job.nNext < nTasks) {
        const int i = m_job.nNext++;
        m_mutex.unlock();
        fn(pContext, i, m_callerScratch);
        m_mutex.lock();
        ++m_job.nDone;
    }
    while (m_job.nDone < nTasks)
        m_finished.Wait(m_mutex);
    m_job.fn = nullptr;
    m_job.pContext = nullptr;
    m_bBusy = false;
    m_mutex.unlock();
}

void Pool::WorkerLoop() {
    Scratch scratch;
    m_mutex.lock();
    for (;;) {
        if (m_bQuit) break;
        if (JobOpen()) {
            ++m_job.nJoined;
            while (m_job.nNext < m_job.nTasks) {
                const int i = m_job.nNext++;
                const TaskFn fn = m_job.fn;
                void* const pContext = m_job.pContext;
                m_mutex.unlock();
                fn(pContext, i, scratch);
                m_mutex.lock();
                if (++m_job.nDone == m_job.nTasks) m_finished.WakeAll();
            }
            continue;
        }
        if (!m_wake.WaitMs(m_mutex, kIdleMs) && !JobOpen()) break;
    }
    --m_nLive;
    m_gone.WakeAll();
    m_mutex.unlock();
}

}  // namespace

void* Scratch::Get(size_t nBytes) {
    const size_t n = nBytes / sizeof(double) + 1;
    if (n > m_nDoubles) {
        m_pBlock.reset();
        m_pBlock.reset(new (std::nothrow) double[n]);
        m_nDoubles = m_pBlock != nullptr ? n : 0;
    }
    return m_pBlock.get();
}

void Scratch::Release() {
    m_pBlock.reset();
    m_nDoubles = 0;
}

void RunTasks(int nTasks, TaskFn fn, void* pContext) {
    if (nTasks <= 0 || fn == nullptr) return;
    g_pool.Run(nTasks, fn, pContext);
}

int ThreadLimit() {
    int n = g_pool.m_nLimit.load(std::memory_order_relaxed);
    if (n <= 0) n = ProcessorCount();
    if (n < 1) n = 1;
    return n > kMaxThreads ? kMaxThreads : n;
}

void SetThreadLimit(int n) { g_pool.m_nLimit.store(n < 1 ? 0 : n, std::memory_order_relaxed); }

int BandCount(long long nRows, long long nPixels) {
    const int nThreads = ThreadLimit();
    if (nThreads <= 1 || nRows <= 1 || nPixels < 2 * kMinBandPixels) return 1;
    long long n = (long long)nThreads * kBandsPerThread;
    if (n > nPixels / kMinBandPixels) n = nPixels / kMinBandPixels;
    if (n > nRows) n = nRows;
    return n < 1 ? 1 : (int)n;
}

}  // namespace kpimg
