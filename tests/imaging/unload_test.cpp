// No worker thread of the imaging library may outlive the library: load it
// (through a library that uses it, since this program does not link it),
// process, free it, and no thread it started is left once it is gone.
#include <gtest/gtest.h>
#include <windows.h>
#include <tlhelp32.h>

namespace {

int ThreadCount() {
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snap == INVALID_HANDLE_VALUE) return -1;
    int n = 0;
    THREADENTRY32 te;
    te.dwSize = sizeof te;
    for (BOOL ok = Thread32First(snap, &te); ok; ok = Thread32Next(snap, &te))
        if (te.th32OwnerProcessID == GetCurrentProcessId()) ++n;
    CloseHandle(snap);
    return n;
}

bool LibraryLoaded() { return GetModuleHandleA("Kaptolib.dll") != nullptr; }

typedef int (*ProbeFn)(int);

ProbeFn FindProbe(HMODULE probe) {
    // Through void (*)(): GetProcAddress's type says nothing of the real one.
    return reinterpret_cast<ProbeFn>(reinterpret_cast<void (*)()>(GetProcAddress(probe, "ProbeRotate")));
}

// Waits up to nMs for cond; true when it came.
template <class F>
bool WaitFor(F cond, DWORD nMs) {
    const DWORD start = GetTickCount();
    while (!cond()) {
        if (GetTickCount() - start > nMs) return false;
        Sleep(10);
    }
    return true;
}

TEST(Unload, NoWorkerThreadOutlivesTheLibrary) {
    ASSERT_FALSE(LibraryLoaded()) << "this program must not link Kaptolib";
    // A first round on the calling thread alone: whatever threads the
    // system's own libraries start on loading are counted before.
    HMODULE probe = LoadLibraryA("imaging_unload_probe.dll");
    ASSERT_NE(probe, nullptr);
    ProbeFn rotate = FindProbe(probe);
    ASSERT_NE(rotate, nullptr);
    ASSERT_EQ(rotate(1), 1);
    FreeLibrary(probe);
    ASSERT_TRUE(WaitFor([] { return !LibraryLoaded(); }, 1000)) << "with no worker the library goes at once";
    const int before = ThreadCount();
    ASSERT_GT(before, 0);

    for (int round = 0; round < 2; ++round) {
        probe = LoadLibraryA("imaging_unload_probe.dll");
        ASSERT_NE(probe, nullptr);
        rotate = FindProbe(probe);
        ASSERT_NE(rotate, nullptr);
        ASSERT_EQ(rotate(4), 1);
        EXPECT_GT(ThreadCount(), before) << "the job had workers";
        FreeLibrary(probe);
        // The workers hold the library until they have had nothing to do
        // for a while; then the last one frees it on its way out.
        ASSERT_TRUE(WaitFor([] { return !LibraryLoaded(); }, 15000)) << "round " << round;
        EXPECT_TRUE(WaitFor([before] { return ThreadCount() <= before; }, 2000))
            << "round " << round << ": " << ThreadCount() << " threads, " << before << " before";
    }
}

}  // namespace
