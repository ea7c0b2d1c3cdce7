// Timing shared by the benchmarks: a high-resolution clock and medians of
// repeated runs in milliseconds.
//
// Every timed step returns its result, and a step that failed stops the
// benchmark: a failure is often fast, and timed as a success it would be a
// lie in the table.
#pragma once

#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <functional>
#include <vector>

namespace bench {

// Seconds since an arbitrary start, from the performance counter.
inline double Now() {
    static const LARGE_INTEGER freq = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return (double)t.QuadPart / (double)freq.QuadPart;
}

// The middle value (the upper one of an even count); t must not be empty.
inline double Median(std::vector<double> t) {
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

// Stops the benchmark when a step did not do its work.
inline void Require(bool bDone, const char* pszWhat) {
    if (bDone) return;
    fprintf(stderr, "benchmark stopped: %s failed\n", pszWhat);
    exit(1);
}

// Median time of runs calls of f, in milliseconds; f returns whether it did
// its work. before() runs ahead of each call, untimed.
template <class F, class Before>
double MedianMs(int runs, F f, Before before, const char* pszWhat = "a timed step") {
    std::vector<double> t;
    for (int i = 0; i < runs; ++i) {
        before();
        const double a = Now();
        const bool bDone = static_cast<bool>(f());
        t.push_back((Now() - a) * 1000.0);
        Require(bDone, pszWhat);
    }
    return Median(t);
}

template <class F>
double MedianMs(int runs, F f) {
    return MedianMs(runs, f, [] {});
}

// An operation and a frame memcpy timed alternately, so that the load of a
// shared machine weighs on both alike: the median of each.
struct Paired {
    double opMs = 0;
    double copyMs = 0;
    double Ratio() const { return copyMs > 0 ? opMs / copyMs : 0; }
};

// Runs pairs of copy() and op(); before() runs ahead of each pair, untimed.
// op returns whether it did its work.
inline Paired TimePaired(
    int runs, const char* pszWhat, const std::function<bool()>& op, const std::function<void()>& copy,
    const std::function<void()>& before = [] {}) {
    std::vector<double> a, b;
    for (int i = 0; i < runs; ++i) {
        before();
        double t = Now();
        copy();
        a.push_back((Now() - t) * 1000.0);
        t = Now();
        const bool bDone = op();
        b.push_back((Now() - t) * 1000.0);
        Require(bDone, pszWhat);
    }
    Paired p;
    p.copyMs = Median(a);
    p.opMs = Median(b);
    return p;
}

}  // namespace bench
