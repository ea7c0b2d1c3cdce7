// Putting a completely written file in the place of another in one step,
// and the temporary files that takes.
#pragma once

#include <vector>

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

// The name this process writes strTarget's next version under, beside it:
// strTarget, a dot, the process id, ".tmp". Two processes saving at once
// never write into one file.
CString KpTempNameFor(const CString& strTarget);

// The files beside strTarget named as KpTempNameFor names them, by any
// process, or strTarget + ".tmp" as older versions named them: what saves
// that never finished left behind. Newest first.
std::vector<CString> KpFindTempFiles(const CString& strTarget);

// Whether the process that named strTemp (KpTempNameFor) still runs, other
// than this one: its file may still be being written.
BOOL KpIsTempOfOtherLiveProcess(const CString& strTemp);

// Waits nMillis milliseconds.
void KpPause(unsigned nMillis);
