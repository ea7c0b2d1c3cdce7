// A decoding helper for the tests, started by the library in the sandbox
// instead of the program: it speaks the helper's side of the conversation,
// and what it does is said by the file it is given.
//   "foreign": answers a 4 x 4 image, then writes into a section of its own
//   and names that one instead of the program's.
//   "probe <handle> <folder>": answers a 1 x 1 image whose pixel says which
//   of the sandbox's restrictions held (ProbeBit), trying each: the handle
//   is one the program holds inheritable (a mapping that begins with
//   kLeakMagic), the folder one where low integrity may not write.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "image_decoder.h"
#include "image_decoder_block.h"

namespace {

std::string ReadAll(HANDLE hFile) {
    std::string data;
    char buf[4096];
    DWORD n = 0;
    LARGE_INTEGER start = {};
    ::SetFilePointerEx(hFile, start, nullptr, FILE_BEGIN);
    while (::ReadFile(hFile, buf, sizeof buf, &n, nullptr) && n > 0)
        data.append(buf, n);
    ::CloseHandle(hFile);
    return data;
}

void Answer(KpDecoderBlock& block, UINT w, UINT h) {
    block.nWidth = w;
    block.nHeight = h;
    block.nStride = (INT)(w * 4);
    block.nFormat = PixelFormat32bppARGB;
    block.fDpiX = block.fDpiY = 0;
    ::SetEvent((HANDLE)(ULONG_PTR)block.hSized);
    ::WaitForSingleObject((HANDLE)(ULONG_PTR)block.hPixelsGiven, INFINITE);
}

DWORD Probe(const std::string& args) {
    DWORD bits = 0;
    auto held = [&bits](int nBit, bool bRefused) {
        if (bRefused) bits |= 1u << nBit;
    };
    char szFolder[MAX_PATH] = "";
    unsigned long long hLeak = 0;
    sscanf(args.c_str(), "%llx %259[^\n]", &hLeak, szFolder);
    // 0: the clipboard
    bool bOpened = ::OpenClipboard(nullptr) != FALSE;
    if (bOpened) ::CloseClipboard();
    held(0, !bOpened);
    // 1: global atoms
    ATOM atom = ::GlobalAddAtomA("KaptoSandboxProbe");
    if (atom != 0) ::GlobalDeleteAtom(atom);
    held(1, atom == 0);
    // 2: the system's parameters (set to what they are)
    BOOL bBeep = FALSE;
    ::SystemParametersInfoA(SPI_GETBEEP, 0, &bBeep, 0);
    held(2, !::SystemParametersInfoA(SPI_SETBEEP, bBeep, nullptr, 0));
    // 3: switching desktops (to the one it is on)
    held(3, !::SwitchDesktop(::GetThreadDesktop(::GetCurrentThreadId())));
    // 4: a second process
    wchar_t szSelf[MAX_PATH];
    ::GetModuleFileNameW(nullptr, szSelf, MAX_PATH);
    std::wstring strCommand = std::wstring(L"\"") + szSelf + L"\" /nothing";
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    bool bSecond = ::CreateProcessW(szSelf, &strCommand[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
    if (bSecond) {
        ::WaitForSingleObject(pi.hProcess, 5000);
        ::CloseHandle(pi.hProcess);
        ::CloseHandle(pi.hThread);
    }
    held(4, !bSecond);
    // 5: a handle the program did not pass
    void* pLeak = hLeak != 0 ? ::MapViewOfFile((HANDLE)(ULONG_PTR)hLeak, FILE_MAP_READ, 0, 0, 16) : nullptr;
    held(5, pLeak == nullptr || memcmp(pLeak, "KaptoLeakMagic", 14) != 0);
    if (pLeak != nullptr) ::UnmapViewOfFile(pLeak);
    // 6: writing where low integrity may not
    std::string strFile = std::string(szFolder) + "\\written-by-the-helper.txt";
    HANDLE hFile = ::CreateFileA(strFile.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    held(6, hFile == INVALID_HANDLE_VALUE);
    if (hFile != INVALID_HANDLE_VALUE) {
        ::CloseHandle(hFile);
        ::DeleteFileA(strFile.c_str());
    }
    // 7, 8: its token without privileges (but the one to pass through
    // folders) and at low integrity, as the token itself says
    HANDLE hToken = nullptr;
    if (::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &hToken)) {
        BYTE buffer[4096];
        DWORD n = 0;
        if (::GetTokenInformation(hToken, TokenPrivileges, buffer, sizeof buffer, &n))
            held(7, reinterpret_cast<TOKEN_PRIVILEGES*>(buffer)->PrivilegeCount <= 1);
        if (::GetTokenInformation(hToken, TokenIntegrityLevel, buffer, sizeof buffer, &n)) {
            PSID pSid = reinterpret_cast<TOKEN_MANDATORY_LABEL*>(buffer)->Label.Sid;
            DWORD nRid = *::GetSidSubAuthority(pSid, *::GetSidSubAuthorityCount(pSid) - 1);
            held(8, nRid <= SECURITY_MANDATORY_LOW_RID);
        }
        ::CloseHandle(hToken);
    }
    // 9: in a job
    BOOL bInJob = FALSE;
    held(9, ::IsProcessInJob(::GetCurrentProcess(), nullptr, &bInJob) && bInJob);
    return bits;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR pszCmdLine, int) {
    if (strncmp(pszCmdLine, KP_DECODER_SWITCH, strlen(KP_DECODER_SWITCH)) != 0) return 0;
    HANDLE hBlock = (HANDLE)(ULONG_PTR)strtoull(pszCmdLine + strlen(KP_DECODER_SWITCH), nullptr, 16);
    KpDecoderBlock* pBlock =
        static_cast<KpDecoderBlock*>(::MapViewOfFile(hBlock, FILE_MAP_WRITE, 0, 0, sizeof(KpDecoderBlock)));
    if (pBlock == nullptr) return 1;
    ::SetEvent((HANDLE)(ULONG_PTR)pBlock->hReady);
    while (::WaitForSingleObject((HANDLE)(ULONG_PTR)pBlock->hGo, INFINITE) == WAIT_OBJECT_0) {
        std::string what = ReadAll((HANDLE)(ULONG_PTR)pBlock->hFile);
        if (what.compare(0, 7, "foreign") == 0) {
            Answer(*pBlock, 4, 4);
            HANDLE hOwn = ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 64, nullptr);
            void* p = ::MapViewOfFile(hOwn, FILE_MAP_WRITE, 0, 0, 64);
            if (p != nullptr) memset(p, 0xFF, 64);
            pBlock->hPixels = (ULONGLONG)(ULONG_PTR)hOwn;
        } else if (what.compare(0, 6, "probe ") == 0) {
            DWORD bits = Probe(what.substr(6)) | 0xFF000000u;
            Answer(*pBlock, 1, 1);
            void* p = ::MapViewOfFile((HANDLE)(ULONG_PTR)pBlock->hPixels, FILE_MAP_WRITE, 0, 0, 4);
            if (p != nullptr) {
                memcpy(p, &bits, 4);
                ::UnmapViewOfFile(p);
            }
        } else {
            pBlock->nResult = KpDecodeFailed;
            ::SetEvent((HANDLE)(ULONG_PTR)pBlock->hDone);
            continue;
        }
        pBlock->nResult = KpDecoded;
        ::SetEvent((HANDLE)(ULONG_PTR)pBlock->hDone);
    }
    return 0;
}
