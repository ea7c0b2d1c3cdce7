// The Unix side of a Wine test: paths on Wine's drive Z: (the Unix root) and
// Unix programs run to their end. Wine starts a Unix program from
// CreateProcess but gives no handle to wait on, so the command leaves a
// marker file with its exit status when it is done.
#pragma once

#include <windows.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "support/message_pump.h"

namespace kptest {

// The Windows name of a Unix path.
inline std::string FromUnix(const std::string& strUnix) {
    std::string s = "Z:" + strUnix;
    for (char& c : s) {
        if (c == '/') c = '\\';
    }
    return s;
}

// The Unix name of a Windows path; empty when not running under Wine.
inline std::string ToUnix(const std::string& strWindows) {
    typedef char*(CDECL * UnixNameFn)(LPCWSTR);
    HMODULE hKernel = ::GetModuleHandleA("kernel32.dll");
    UnixNameFn pfn =
        hKernel != nullptr ? (UnixNameFn)(void*)::GetProcAddress(hKernel, "wine_get_unix_file_name") : nullptr;
    if (pfn == nullptr) return std::string();
    wchar_t wide[MAX_PATH];
    if (::MultiByteToWideChar(CP_ACP, 0, strWindows.c_str(), -1, wide, MAX_PATH) == 0) return std::string();
    char* psz = pfn(wide);
    if (psz == nullptr) return std::string();
    std::string s = psz;
    ::HeapFree(::GetProcessHeap(), 0, psz);
    return s;
}

// Runs strScript with /bin/sh and waits up to nMs for it, pumping this
// thread's messages meanwhile; its exit status, or -1 when it could not be
// started or did not end in time. The script is one argument in double
// quotes: it quotes with single quotes only.
inline int RunUnixShell(const std::string& strScript, DWORD nMs = 60000) {
    char szTemp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, szTemp);
    char szMarker[MAX_PATH];
    if (::GetTempFileNameA(szTemp, "ux", 0, szMarker) == 0) return -1;
    ::DeleteFileA(szMarker);
    std::string strUnixMarker = ToUnix(szMarker);
    if (strUnixMarker.empty()) return -1;
    std::string command = "/bin/sh -c \"" + strScript + "; echo $? >'" + strUnixMarker + ".part' && mv '" +
                          strUnixMarker + ".part' '" + strUnixMarker + "'\"";
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    std::vector<char> line(command.begin(), command.end());
    line.push_back(0);
    if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    const DWORD dwEnd = ::GetTickCount() + nMs;
    int nStatus = -1;
    for (;;) {
        HANDLE h = ::CreateFileA(szMarker, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            char buf[16] = "";
            DWORD n = 0;
            ::ReadFile(h, buf, sizeof(buf) - 1, &n, nullptr);
            ::CloseHandle(h);
            nStatus = atoi(buf);
            break;
        }
        if ((LONG)(::GetTickCount() - dwEnd) >= 0) break;
        PumpMessages(20);
    }
    ::DeleteFileA(szMarker);
    return nStatus;
}

}  // namespace kptest
