#include "recent_index.h"

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "lib/config/file_commit.h"
#include "kp_config.h"

namespace {

const char kIndexName[] = "recent.txt";
// The first line names the file and its form.
const char kHeader[] = "Kapto recent captures 1";

// Reads a number of exactly nDigits digits (nDigits 0: one or more, at most
// nine) at *pp within [nMin, nMax] and moves past it.
bool ReadNumber(const char** pp, int nDigits, long nMin, long nMax, long& nValue) {
    const char* p = *pp;
    int n = 0;
    long v = 0;
    while (p[n] >= '0' && p[n] <= '9' && n < 9) {
        v = v * 10 + (p[n] - '0');
        ++n;
    }
    if (n == 0 || (nDigits != 0 && n != nDigits) || v < nMin || v > nMax) return false;
    *pp = p + n;
    nValue = v;
    return true;
}

bool Expect(const char** pp, char c) {
    if (**pp != c) return false;
    ++*pp;
    return true;
}

// One line (without its line feed) as an entry.
bool ParseLine(const char* p, KpRecentFile& entry) {
    long v[8];
    if (!ReadNumber(&p, 4, 1601, 9999, v[0]) || !Expect(&p, '-') || !ReadNumber(&p, 2, 1, 12, v[1]) ||
        !Expect(&p, '-') || !ReadNumber(&p, 2, 1, 31, v[2]) || !Expect(&p, ' ') || !ReadNumber(&p, 2, 0, 23, v[3]) ||
        !Expect(&p, ':') || !ReadNumber(&p, 2, 0, 59, v[4]) || !Expect(&p, ':') || !ReadNumber(&p, 2, 0, 60, v[5]) ||
        !Expect(&p, '\t') || !ReadNumber(&p, 0, 1, 1000000, v[6]) || !Expect(&p, '\t') ||
        !ReadNumber(&p, 0, 1, 1000000, v[7]) || !Expect(&p, '\t'))
        return false;
    size_t nPath = strlen(p);
    if (nPath == 0 || nPath > (size_t)kKpMaxPathBytes) return false;
    for (size_t i = 0; i < nPath; ++i)
        if ((unsigned char)p[i] < 0x20) return false;
    entry.time = {(int)v[0], (int)v[1], (int)v[2], (int)v[3], (int)v[4], (int)v[5]};
    entry.nWidth = (int)v[6];
    entry.nHeight = (int)v[7];
    entry.strPath = p;
    return true;
}

bool FlushToDisk(FILE* f) {
    if (fflush(f) != 0) return false;
#ifdef _WIN32
    return _commit(_fileno(f)) == 0;
#else
    return fsync(fileno(f)) == 0 || errno == EINVAL || errno == ENOTSUP;
#endif
}

}  // namespace

CString KpRecentIndexPath() { return CHelper::GetAppPath() + kIndexName; }

void KpReadRecentIndex(const CString& strPath, int nMaxEntries, KpPathExistsFn pfnExists, void* pContext,
                       KpRecentFileArray& entries) {
    entries.clear();
    FILE* f = fopen(strPath, "rb");
    if (f == nullptr) return;
    std::vector<char> bytes((size_t)kKpMaxIndexBytes);
    size_t nBytes = fread(bytes.data(), 1, bytes.size(), f);
    fclose(f);
    for (size_t nStart = 0; nStart < nBytes && (int)entries.size() < nMaxEntries;) {
        const char* pLine = bytes.data() + nStart;
        const char* pEnd = static_cast<const char*>(memchr(pLine, '\n', nBytes - nStart));
        // The file may go on past what was read: its last line read is cut.
        if (pEnd == nullptr && nBytes == bytes.size()) break;
        size_t n = pEnd != nullptr ? (size_t)(pEnd - pLine) : nBytes - nStart;
        nStart += n + 1;
        if (n > 0 && pLine[n - 1] == '\r') --n;
        // A NUL inside (a damaged file) or a line too long is no entry.
        if (n > (size_t)kKpMaxIndexLine || memchr(pLine, '\0', n) != nullptr) continue;
        KpRecentFile entry;
        if (!ParseLine(std::string(pLine, n).c_str(), entry)) continue;
        bool bSeen = false;
        for (const KpRecentFile& e : entries)
            if (e.strPath.CompareNoCase(entry.strPath) == 0) bSeen = true;
        if (bSeen || (pfnExists != nullptr && !pfnExists(entry.strPath, pContext))) continue;
        entries.push_back(entry);
    }
}

BOOL KpWriteRecentIndex(const CString& strPath, const KpRecentFileArray& entries) {
    CString strTemp = strPath + ".tmp";
    FILE* f = fopen(strTemp, "wb");
    if (f == nullptr) return FALSE;
    bool bWritten = fprintf(f, "%s\n", kHeader) > 0;
    for (const KpRecentFile& e : entries) {
        if (!bWritten) break;
        bWritten = fprintf(f, "%04d-%02d-%02d %02d:%02d:%02d\t%d\t%d\t%s\n", e.time.nYear, e.time.nMonth,
                           e.time.nDay, e.time.nHour, e.time.nMinute, e.time.nSecond, e.nWidth, e.nHeight,
                           e.strPath.GetString()) > 0;
    }
    bWritten = FlushToDisk(f) && bWritten;
    if (fclose(f) != 0 || !bWritten) {
        KpDiscardFile(strTemp);
        return FALSE;
    }
    return KpCommitFile(strTemp, strPath);
}
