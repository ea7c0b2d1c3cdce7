#include "kp_config.h"

CString CHelper::GetAppPath() {
    // The library shares the program's instance, so the process's own module
    // is the program. A path longer than MAX_PATH is cut by the system, which
    // would name some other folder: grow the buffer until it fits.
    HMODULE hModule = GetModuleHandleA(nullptr);
    CString strPath;
    for (DWORD nSize = MAX_PATH; nSize <= 32768; nSize *= 2) {
        char* pBuf = strPath.GetBuffer((int)nSize);
        if (pBuf == nullptr) break;
        DWORD n = GetModuleFileNameA(hModule, pBuf, nSize);
        if (n < nSize) {
            strPath.ReleaseBuffer((int)n);
            break;
        }
        strPath.ReleaseBuffer(0);
    }
    // ReverseFind steps over double-byte characters, so a folder name with
    // a trail byte 0x5C is not cut in the middle of a character.
    int nSlash = strPath.ReverseFind('\\');
    return (nSlash < 0 ? CString() : strPath.Left(nSlash)) + "\\";
}
