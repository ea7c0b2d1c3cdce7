// One copy of Kapto per session: the first start claims a named mapping that
// holds its process id for as long as it runs; a later start finds it, brings
// that copy's main window forward and ends.
#pragma once

#include "framework/platform.h"

class CRunningCopy {
public:
    CRunningCopy() : m_hMapping(nullptr) {}
    ~CRunningCopy();
    CRunningCopy(const CRunningCopy&) = delete;
    CRunningCopy& operator=(const CRunningCopy&) = delete;

    // TRUE when no other copy runs: this one is now the copy the next start
    // finds. FALSE when another runs; its main window has then been asked
    // forward (its last active window, when one of its dialogs is open).
    BOOL Claim();

private:
    HANDLE m_hMapping;  // owned: the name exists while this copy runs
};
