#include "kp_config.h"

#include <algorithm>
#include <vector>

namespace {

// The wide path in the program's code page; FALSE when some character has
// no exact counterpart there (a best fit would name another file).
BOOL ToCodePage(const WCHAR* pszWide, CString& str) {
    BOOL bLost = FALSE;
    int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, pszWide, -1, nullptr, 0, nullptr, &bLost);
    if (n <= 0 || bLost) return FALSE;
    char* p = str.GetBuffer(n);
    if (p == nullptr) return FALSE;
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, pszWide, -1, p, n, nullptr, nullptr);
    str.ReleaseBuffer();
    return TRUE;
}

}  // namespace

CString CHelper::GetAppPath() {
    // The library shares the program's instance, so the process's own module
    // is the program. A path longer than MAX_PATH is cut by the system, which
    // would name some other folder: grow the buffer until it fits.
    HMODULE hModule = GetModuleHandleA(nullptr);
    std::vector<WCHAR> path;
    for (DWORD nSize = MAX_PATH; nSize <= 32768; nSize *= 2) {
        path.assign(nSize, L'\0');
        DWORD n = GetModuleFileNameW(hModule, path.data(), nSize);
        if (n < nSize) {
            path.resize(n);
            break;
        }
        path.clear();
    }
    while (!path.empty() && path.back() != L'\\')
        path.pop_back();
    path.push_back(L'\0');
    // The folder as the program's narrow file calls can name it: a folder
    // name with characters outside the code page is named by its short form.
    CString strDir;
    if (!ToCodePage(path.data(), strDir)) {
        std::vector<WCHAR> shortPath(32768);
        DWORD n = GetShortPathNameW(path.data(), shortPath.data(), (DWORD)shortPath.size());
        if (n == 0 || n >= shortPath.size() || !ToCodePage(shortPath.data(), strDir)) {
            // Nothing better: the system's own conversion, as before.
            char szPath[MAX_PATH * 4] = "";
            DWORD nA = GetModuleFileNameA(hModule, szPath, sizeof szPath);
            strDir = CString(szPath, (int)std::min<DWORD>(nA, sizeof szPath - 1));
            int nSlash = strDir.ReverseFind('\\');
            strDir = nSlash < 0 ? CString() : strDir.Left(nSlash + 1);
        }
    }
    if (strDir.IsEmpty() || strDir[strDir.GetLength() - 1] != '\\') strDir += "\\";
    return strDir;
}
