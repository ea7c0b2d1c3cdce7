#include "file_commit.h"

#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <utility>

namespace {

// The process id in a temporary file's name, 0 for none (the older plain
// ".tmp", or a name not made by KpTempNameFor).
unsigned long TempOwner(const CString& strTemp) {
    const char* psz = strTemp;
    const char* pszEnd = psz + strTemp.GetLength();
    if (strTemp.GetLength() < 6 || strcmp(pszEnd - 4, ".tmp") != 0) return 0;
    const char* pDigits = pszEnd - 4;
    while (pDigits > psz && pDigits[-1] >= '0' && pDigits[-1] <= '9')
        --pDigits;
    if (pDigits == pszEnd - 4 || pDigits == psz || pDigits[-1] != '.') return 0;
    return strtoul(pDigits, nullptr, 10);
}

// Whether a file named sName in the target's folder is one of its
// temporary files: target + ".tmp", or target + "." + digits + ".tmp".
bool IsTempName(const char* pszName, const char* pszBase) {
    const size_t nBase = strlen(pszBase), nName = strlen(pszName);
    if (nName < nBase + 4 || strncmp(pszName, pszBase, nBase) != 0 || strcmp(pszName + nName - 4, ".tmp") != 0)
        return false;
    if (nName == nBase + 4) return true;
    if (pszName[nBase] != '.' || nName < nBase + 6) return false;
    for (size_t i = nBase + 1; i < nName - 4; ++i) {
        if (pszName[i] < '0' || pszName[i] > '9') return false;
    }
    return true;
}

// The folder part of a path with its separator, and the name part.
void SplitPath(const CString& strPath, CString& strDir, CString& strName) {
    int nSlash = std::max(strPath.ReverseFind('\\'), strPath.ReverseFind('/'));
    strDir = strPath.Left(nSlash + 1);
    strName = strPath.Mid(nSlash + 1);
}

std::vector<CString> NewestFirst(std::vector<std::pair<long long, CString>>& found) {
    std::stable_sort(found.begin(), found.end(),
                     [](const std::pair<long long, CString>& a, const std::pair<long long, CString>& b) {
                         return a.first > b.first;
                     });
    std::vector<CString> result;
    for (auto& f : found)
        result.push_back(f.second);
    return result;
}

}  // namespace

#ifdef _WIN32

BOOL KpCommitFile(const CString& strTemp, const CString& strTarget) {
    const DWORD dwMove = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
    if (GetFileAttributesA(strTarget) == INVALID_FILE_ATTRIBUTES) {
        if (MoveFileExA(strTemp, strTarget, dwMove)) return TRUE;
        KpDiscardFile(strTemp);
        return FALSE;
    }
    // ReplaceFile keeps the old file's attributes and security.
    if (ReplaceFileA(strTarget, strTemp, nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) return TRUE;
    switch (GetLastError()) {
        case ERROR_FILE_NOT_FOUND:
            // The old file went away in the meantime: nothing left to replace.
            if (MoveFileExA(strTemp, strTarget, dwMove)) return TRUE;
            break;
        case ERROR_UNABLE_TO_MOVE_REPLACEMENT:
        case ERROR_UNABLE_TO_MOVE_REPLACEMENT_2:
            // The old file is already out of the way but the new one did not
            // follow: try once more, and keep the new one if that fails too.
            return MoveFileExA(strTemp, strTarget, dwMove) ? TRUE : FALSE;
        default:
            break;
    }
    KpDiscardFile(strTemp);
    return FALSE;
}

void KpDiscardFile(const CString& strPath) { DeleteFileA(strPath); }

CString KpTempNameFor(const CString& strTarget) {
    CString strTemp;
    strTemp.Format("%s.%lu.tmp", strTarget.GetString(), (unsigned long)GetCurrentProcessId());
    return strTemp;
}

std::vector<CString> KpFindTempFiles(const CString& strTarget) {
    CString strDir, strBase;
    SplitPath(strTarget, strDir, strBase);
    std::vector<std::pair<long long, CString>> found;
    WIN32_FIND_DATAA data;
    HANDLE hFind = FindFirstFileA(strTarget + "*", &data);
    if (hFind == INVALID_HANDLE_VALUE) return {};
    do {
        // The long name only: a short name may match the pattern too.
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !IsTempName(data.cFileName, strBase)) continue;
        long long nTime = (long long)data.ftLastWriteTime.dwHighDateTime << 32 | data.ftLastWriteTime.dwLowDateTime;
        found.push_back({nTime, strDir + data.cFileName});
    } while (FindNextFileA(hFind, &data));
    FindClose(hFind);
    return NewestFirst(found);
}

BOOL KpIsTempOfOtherLiveProcess(const CString& strTemp) {
    const unsigned long nOwner = TempOwner(strTemp);
    if (nOwner == 0 || nOwner == GetCurrentProcessId()) return FALSE;
    HANDLE hProcess = OpenProcess(SYNCHRONIZE, FALSE, nOwner);
    // A process that is there but not ours to open still runs.
    if (hProcess == nullptr) return GetLastError() == ERROR_ACCESS_DENIED;
    BOOL bRunning = WaitForSingleObject(hProcess, 0) == WAIT_TIMEOUT;
    CloseHandle(hProcess);
    return bRunning;
}

void KpPause(unsigned nMillis) { Sleep(nMillis); }

#else

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

BOOL KpCommitFile(const CString& strTemp, const CString& strTarget) {
    if (rename(strTemp, strTarget) != 0) {
        KpDiscardFile(strTemp);
        return FALSE;
    }
    // Make the new directory entry itself durable.
    int nSlash = strTarget.ReverseFind('/');
    CString strDir = nSlash < 0 ? CString(".") : (nSlash == 0 ? CString("/") : strTarget.Left(nSlash));
    int fd = open(strDir, O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
    return TRUE;
}

void KpDiscardFile(const CString& strPath) { unlink(strPath); }

CString KpTempNameFor(const CString& strTarget) {
    CString strTemp;
    strTemp.Format("%s.%lu.tmp", strTarget.GetString(), (unsigned long)getpid());
    return strTemp;
}

std::vector<CString> KpFindTempFiles(const CString& strTarget) {
    CString strDir, strBase;
    SplitPath(strTarget, strDir, strBase);
    std::vector<std::pair<long long, CString>> found;
    DIR* pDir = opendir(strDir.IsEmpty() ? "." : (const char*)strDir);
    if (pDir == nullptr) return {};
    while (dirent* pEntry = readdir(pDir)) {
        if (!IsTempName(pEntry->d_name, strBase)) continue;
        CString strPath = strDir + pEntry->d_name;
        struct stat st;
        if (stat(strPath, &st) != 0 || !S_ISREG(st.st_mode)) continue;
        found.push_back({(long long)st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec, strPath});
    }
    closedir(pDir);
    return NewestFirst(found);
}

BOOL KpIsTempOfOtherLiveProcess(const CString& strTemp) {
    const unsigned long nOwner = TempOwner(strTemp);
    if (nOwner == 0 || nOwner == (unsigned long)getpid()) return FALSE;
    return kill((pid_t)nOwner, 0) == 0 || errno == EPERM;
}

void KpPause(unsigned nMillis) {
    struct timespec t = {(time_t)(nMillis / 1000), (long)(nMillis % 1000) * 1000000L};
    while (nanosleep(&t, &t) != 0 && errno == EINTR) {
    }
}

#endif
