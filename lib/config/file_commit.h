// Putting a completely written file in the place of another in one step.
#pragma once

#include "framework/cstring.h"
#include "framework/platform.h"

// Replaces strTarget (or creates it) with the finished file strTemp, which
// must lie in the same directory. On success strTemp is gone and strTarget
// holds its bytes. On failure strTarget is as it was and strTemp has been
// deleted, unless the system already gave up the old target half-way, in
// which case strTemp is kept: it is then the only complete copy.
BOOL KpCommitFile(const CString& strTemp, const CString& strTarget);

// Deletes a file left over from a failed write; never a directory.
void KpDiscardFile(const CString& strPath);
