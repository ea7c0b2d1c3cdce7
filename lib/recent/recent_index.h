// The index of the files automatic saving wrote, kept beside config.xml so
// that the recent captures of earlier sessions can be found again.
//
// A text file of one line per file, newest first: the capture's local time
// ("YYYY-MM-DD HH:MM:SS"), its width and height, and the file's path, apart
// by tabs (no path holds one). Reading is forgiving: a line that does not
// read as an entry is passed over, and a damaged or missing index is an
// empty one; nothing in it can stop the program. A write replaces the file
// whole or leaves it as it was. Portable.
#pragma once

#include <vector>

#include "framework/cstring.h"
#include "kp_capture_name.h"

struct KpRecentFile {
    CString strPath;
    KpClock time;
    int nWidth;
    int nHeight;
};

typedef std::vector<KpRecentFile> KpRecentFileArray;

// Where the index lies: beside config.xml.
CString KpRecentIndexPath();

// Lines longer than this, and whatever lies past the first kKpMaxIndexBytes
// of the file, are no entries: a damaged index costs no more than that.
const int kKpMaxIndexLine = 1024;
const long kKpMaxIndexBytes = 256 * 1024;

// The entries of the index at strPath, newest first, at most nMaxEntries;
// each path once, and only those whose file exists (pfnExists, null: all).
void KpReadRecentIndex(const CString& strPath, int nMaxEntries, KpPathExistsFn pfnExists, void* pContext,
                       KpRecentFileArray& entries);

// Writes the entries, in order, as the whole new index. FALSE when the old
// file stays as it was.
BOOL KpWriteRecentIndex(const CString& strPath, const KpRecentFileArray& entries);
