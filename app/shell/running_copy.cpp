#include "running_copy.h"

#include <sddl.h>
#include <string.h>

#include "framework/app.h"
#include "framework/cstring.h"
#include "framework/scoped_handles.h"

namespace {

struct RunningCopyRecord {
    DWORD nProcessId;  // 0 until the first copy has written it
};

// How long a second start waits for a first copy that is still starting
// (no process id written yet, or no main window yet), and how often it looks.
const DWORD kStartingWaitMs = 5000;
const DWORD kLookEveryMs = 50;

// Said when the running copy cannot be brought forward.
const char kAlreadyRunning[] =
    "Kapto 已经在运行，但无法把它的窗口调到前面。\n请从任务栏通知区域中它的图标打开它。";

// The marker's name for this user: another user's Kapto, in this session
// too, is another copy.
CString MarkerName() {
    CString strName = kRunningCopyMarker;
    HANDLE hToken = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &hToken)) return strName;
    kfw::ScopedHandle token(hToken);
    BYTE buffer[256];
    DWORD n = 0;
    char* pszSid = nullptr;
    if (::GetTokenInformation(hToken, TokenUser, buffer, sizeof buffer, &n) &&
        ::ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &pszSid)) {
        strName += pszSid;
        ::LocalFree(pszSid);
    }
    return strName;
}

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

// FALSE when no main window of the process came within the wait.
BOOL BringForward(const RunningCopyRecord* pRecord) {
    // A copy still starting has not written its id, or has no window yet.
    HWND hMain = nullptr;
    DWORD nProcessId = 0;
    for (DWORD nWaited = 0;; nWaited += kLookEveryMs) {
        nProcessId = *(volatile const DWORD*)&pRecord->nProcessId;
        if (nProcessId != 0) hMain = FindMainWindow(nProcessId);
        if (hMain != nullptr || nWaited >= kStartingWaitMs) break;
        ::Sleep(kLookEveryMs);
    }
    if (hMain == nullptr) return FALSE;
    // Asynchronous: a copy that does not answer cannot hold this one up.
    ::ShowWindowAsync(hMain, ::IsIconic(hMain) ? SW_RESTORE : SW_SHOW);
    // This start has the foreground to give; a dialog of the running copy
    // (its options, a file dialog) is what the user must reach first.
    ::AllowSetForegroundWindow(nProcessId);
    HWND hActive = ::GetLastActivePopup(hMain);
    ::SetForegroundWindow(hActive != nullptr ? hActive : hMain);
    return TRUE;
}

}  // namespace

CRunningCopy::~CRunningCopy() {
    if (m_hMapping != nullptr) ::CloseHandle(m_hMapping);
}

BOOL CRunningCopy::Claim() {
    HANDLE hMapping = ::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                           sizeof(RunningCopyRecord), MarkerName());
    if (hMapping == nullptr) {
        // There, but not ours to open: a copy running elevated. A second
        // copy would only meet hot keys it cannot have.
        if (::GetLastError() == ERROR_ACCESS_DENIED) {
            AfxMessageBox(kAlreadyRunning, MB_OK | MB_ICONINFORMATION);
            return FALSE;
        }
        // Nothing to share through: better two copies than none.
        return TRUE;
    }
    BOOL bFirst = ::GetLastError() != ERROR_ALREADY_EXISTS;
    void* pView = ::MapViewOfFile(hMapping, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, sizeof(RunningCopyRecord));
    RunningCopyRecord* pRecord = static_cast<RunningCopyRecord*>(pView);
    if (bFirst) {
        if (pRecord != nullptr) pRecord->nProcessId = ::GetCurrentProcessId();
        if (pView != nullptr) ::UnmapViewOfFile(pView);
        m_hMapping = hMapping;
        return TRUE;
    }
    BOOL bForward = pRecord != nullptr && BringForward(pRecord);
    if (pView != nullptr) ::UnmapViewOfFile(pView);
    ::CloseHandle(hMapping);
    if (!bForward) AfxMessageBox(kAlreadyRunning, MB_OK | MB_ICONINFORMATION);
    return FALSE;
}
