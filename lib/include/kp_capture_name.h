// The names automatic saving gives captures: a pattern of fields made into a
// file name Windows takes, and a path in a folder that overwrites nothing.
//
// Pattern fields: %Y %m %d %H %M %S the capture's local date and time (four
// digits for the year, two for the others), %n the counter (at least four
// digits), %t the captured window's title ("屏幕" for the whole screen and a
// rectangle), %% a percent sign. Anything else stands as it is. Portable:
// names and lengths are bytes in the ANSI code page, double-byte
// characters kept whole.
#pragma once

#include "framework/cstring.h"
#include "kp_export.h"

// A local date and time to the second.
struct KpClock {
    int nYear;
    int nMonth;
    int nDay;
    int nHour;
    int nMinute;
    int nSecond;
};

// What a pattern's fields are made of.
struct KpNameFields {
    KpClock time;
    unsigned long nCounter;
    CString strTitle;  // empty: the whole screen or a rectangle
};

// The pattern of a new configuration.
#define KP_DEFAULT_NAME_PATTERN "Kapto_%Y%m%d_%H%M%S"

// The longest path a name may make: MAX_PATH less its terminator.
const int kKpMaxPathBytes = 259;

// Whether the pattern shows the counter, which then moves on with each name.
KPLIB_API bool KpNamePatternUsesCounter(const CString& strPattern);

// The file name (no folder, no extension) the pattern gives, at most nMaxBytes
// long: characters Windows refuses in a name become '_', a device name
// (CON, NUL, COM1...) gets a '_' in front, and a name too long loses the end
// of the title first, then its own end. An empty pattern is the default one;
// the result is empty only when nMaxBytes leaves no room.
KPLIB_API CString KpCaptureFileName(const CString& strPattern, const KpNameFields& fields, int nMaxBytes);

// Whether a file of that path exists; the saver asks the disk, tests a list.
typedef bool (*KpPathExistsFn)(const CString& strPath, void* pContext);

// The path of a new file for a capture: strFolder, a separator, the
// pattern's name and "." strExt, within kKpMaxPathBytes; when that file
// exists, the name with _2, _3... (up to _9999) that does not. Empty when
// the folder leaves no room for a name or every candidate exists.
KPLIB_API CString KpNewCapturePath(const CString& strFolder, const CString& strPattern, const KpNameFields& fields,
                                   const CString& strExt, KpPathExistsFn pfnExists, void* pContext);
