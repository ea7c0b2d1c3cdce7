// The imaging workers: a job of numbered tasks runs on the calling thread
// and on up to ThreadLimit() - 1 worker threads, and returns when every
// task has returned.
//
// Workers are started on the first job that wants them and leave after a
// second without work. On Windows each one holds a reference to the
// library and leaves through FreeLibraryAndExitThread, so the library can
// never be unmapped under a worker, and a FreeLibrary by the program takes
// effect once the last worker has left: no thread outlives the library and
// nothing waits for a thread under the loader lock.
//
// Which thread runs which task is not fixed, so a task's result must depend
// on its index alone: the processors split their destination into bands of
// rows and compute every pixel the same way in any band.
#pragma once

#include <stddef.h>

#include <memory>

namespace kpimg {

// Memory a task may use as it likes, kept by the thread that runs it from one
// task and one job to the next (grow only), so that rows of a large image
// are not allocated afresh for every band.
class Scratch {
public:
    Scratch() : m_nDoubles(0) {}
    // At least nBytes bytes aligned for doubles; null when they cannot be
    // had. The contents are whatever the last task left.
    void* Get(size_t nBytes);
    void Release();

private:
    std::unique_ptr<double[]> m_pBlock;  // owned
    size_t m_nDoubles;
};

typedef void (*TaskFn)(void* pContext, int nTask, Scratch& scratch);

// Runs fn(pContext, i, scratch) for every i in [0, nTasks). A call made from
// inside a task, or while another thread's job holds the workers, runs its
// tasks on the calling thread one after the other.
void RunTasks(int nTasks, TaskFn fn, void* pContext);

template <class F>
void RunTasks(int nTasks, F& f) {
    RunTasks(
        nTasks, [](void* p, int i, Scratch& s) { (*static_cast<F*>(p))(i, s); }, &f);
}

// Threads a job may use, the calling thread included: one per processor
// unless set otherwise.
int ThreadLimit();
// n < 1 restores one per processor.
void SetThreadLimit(int n);

// How many bands a job over nRows rows of nPixels pixels is cut into: one
// (no worker woken) for small images, otherwise a few per thread so that
// uneven rows (a rotation's corners) even out.
int BandCount(long long nRows, long long nPixels);

// Rows [first, end) of band i of n over nRows rows.
inline void BandRows(int i, int n, int nRows, int& first, int& end) {
    first = (int)((long long)nRows * i / n);
    end = (int)((long long)nRows * (i + 1) / n);
}

}  // namespace kpimg
