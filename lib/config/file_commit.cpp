#include "file_commit.h"

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

#else

#include <fcntl.h>
#include <stdio.h>
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

#endif
