// The thread that does automatic saving's disk work, so that the program's
// window never waits for a disk: encoding and writing captures, writing
// the index of recent captures, deleting files, reading earlier files for
// their thumbnails. Jobs run one after another in the order they were
// posted. Windows only.
#pragma once

#include <functional>

#include "framework/platform.h"

class CKpSaveWorker {
public:
    typedef std::function<void()> Job;

    CKpSaveWorker();
    // Stop must have run (a thread left would run jobs on a freed object).
    ~CKpSaveWorker();
    CKpSaveWorker(const CKpSaveWorker&) = delete;
    CKpSaveWorker& operator=(const CKpSaveWorker&) = delete;

    // Starts the thread; FALSE when it could not be started.
    BOOL Start();
    // Runs job on the thread after the jobs before it, and not before
    // dwAfterMs from now (unless the thread is stopping); FALSE (job
    // dropped) when the thread does not run.
    BOOL Post(Job job, DWORD dwAfterMs = 0);
    // Lets every job posted run to its end, then ends the thread: at most
    // dwMs. FALSE when that took longer: the jobs not begun are dropped, and
    // the one running is left to the end of the process.
    BOOL Stop(DWORD dwMs);
    BOOL IsRunning() const { return m_hThread != nullptr; }

private:
    struct Queue;
    static DWORD WINAPI ThreadMain(void* pQueue);
    static void Run(Queue* q);

    Queue* m_pQueue;   // owned; shared with the thread until it ends
    HANDLE m_hThread;  // owned
};
