#include "running_copy.h"

#include <string.h>

namespace {

// Per session: another user's Kapto is another copy.
const char kMappingName[] = "Kapto.RunningCopy";

struct RunningCopyRecord {
    DWORD nProcessId;
};

// The running copy's main window: its top-level dialog with the menu bar.
HWND FindMainWindow(DWORD nProcessId) {
    struct Search {
        DWORD nProcessId;
        HWND hFound;
    } search = {nProcessId, nullptr};
    ::EnumWindows(
        [](HWND h, LPARAM l) -> BOOL {
            Search* s = reinterpret_cast<Search*>(l);
            DWORD nPid = 0;
            ::GetWindowThreadProcessId(h, &nPid);
            char szClass[16] = "";
            ::GetClassNameA(h, szClass, sizeof(szClass));
            if (nPid != s->nProcessId || ::GetMenu(h) == nullptr || strcmp(szClass, "#32770") != 0) return TRUE;
            s->hFound = h;
            return FALSE;
        },
        (LPARAM)&search);
    return search.hFound;
}

void BringForward(DWORD nProcessId) {
    HWND hMain = FindMainWindow(nProcessId);
    // Still starting: its window comes up by itself.
    if (hMain == nullptr) return;
    // Asynchronous: a copy that does not answer cannot hold this one up.
    ::ShowWindowAsync(hMain, ::IsIconic(hMain) ? SW_RESTORE : SW_SHOW);
    // This start has the foreground to give; a dialog of the running copy
    // (its options, a file dialog) is what the user must reach first.
    ::AllowSetForegroundWindow(nProcessId);
    HWND hActive = ::GetLastActivePopup(hMain);
    ::SetForegroundWindow(hActive != nullptr ? hActive : hMain);
}

}  // namespace

CRunningCopy::~CRunningCopy() {
    if (m_hMapping != nullptr) ::CloseHandle(m_hMapping);
}

BOOL CRunningCopy::Claim() {
    HANDLE hMapping =
        ::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(RunningCopyRecord), kMappingName);
    // Nothing to share through: better two copies than none.
    if (hMapping == nullptr) return TRUE;
    BOOL bFirst = ::GetLastError() != ERROR_ALREADY_EXISTS;
    void* pView = ::MapViewOfFile(hMapping, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, sizeof(RunningCopyRecord));
    if (pView != nullptr) {
        RunningCopyRecord* pRecord = static_cast<RunningCopyRecord*>(pView);
        if (bFirst)
            pRecord->nProcessId = ::GetCurrentProcessId();
        else if (pRecord->nProcessId != 0)
            BringForward(pRecord->nProcessId);
        ::UnmapViewOfFile(pView);
    }
    if (!bFirst) {
        ::CloseHandle(hMapping);
        return FALSE;
    }
    m_hMapping = hMapping;
    return TRUE;
}
