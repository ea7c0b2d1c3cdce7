// Contract checks.
//
// KFW_CHECK(cond) states a precondition or an invariant that a correct caller
// never breaks: an index inside an array, a window handle that exists, an
// allocation that a sane size cannot fail. Where the release code quietly
// carries on (an empty value, nothing done, FALSE), a test or sanitizer build
// must not: there a broken contract prints where it broke and ends the
// process, so no test can pass over it.
//
// KFW_CHECKS is set by the build (on unless the build type is Release or
// MinSizeRel); release builds compile the checks to nothing and keep "nothing
// throws, a result the caller can test".
#pragma once

#include <stdio.h>
#include <stdlib.h>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

#ifndef KFW_CHECKS
#define KFW_CHECKS 0
#endif

#if KFW_CHECKS

[[noreturn]] inline void KfwContractFailed(const char* pszFile, int nLine, const char* pszWhat) {
    char text[512];
    snprintf(text, sizeof text, "%s:%d: contract broken: %s\n", pszFile, nLine, pszWhat);
    fputs(text, stderr);
    fflush(stderr);
#ifdef _WIN32
    ::OutputDebugStringA(text);
    // abort() of the C runtime may put up a dialog in a GUI program, which
    // would hang an unattended test run instead of failing it.
    ::TerminateProcess(::GetCurrentProcess(), 3);
#endif
    abort();
}

#define KFW_CHECK(cond) ((cond) ? (void)0 : KfwContractFailed(__FILE__, __LINE__, #cond))
#define KFW_CHECK_MSG(cond, what) ((cond) ? (void)0 : KfwContractFailed(__FILE__, __LINE__, what))

#else

#define KFW_CHECK(cond) ((void)0)
#define KFW_CHECK_MSG(cond, what) ((void)0)

#endif
