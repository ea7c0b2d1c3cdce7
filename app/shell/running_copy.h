// One copy of Kapto per user and session: the first start claims a named
// mapping (kRunningCopyMarker followed by the user's SID, in the session's
// own namespace) that holds its process id for as long as it runs; a later
// start finds it, brings that copy's main window forward and ends.
#pragma once

#include "framework/platform.h"

// The marker's name before the user's SID.
const char kRunningCopyMarker[] = "Local\\Kapto.RunningCopy.";

class CRunningCopy {
public:
    CRunningCopy() : m_hMapping(nullptr) {}
    ~CRunningCopy();
    CRunningCopy(const CRunningCopy&) = delete;
    CRunningCopy& operator=(const CRunningCopy&) = delete;

    // TRUE when no other copy runs: this one is now the copy the next start
    // finds. FALSE when another runs; its main window has then been asked
    // forward (its last active window, when one of its dialogs is open),
    // after waiting a moment for a copy still starting. When that cannot be
    // done (the marker is another's to open, an elevated copy's say, or no
    // window came), the user has been told that Kapto runs already.
    BOOL Claim();

private:
    HANDLE m_hMapping;  // owned: the name exists while this copy runs
};
