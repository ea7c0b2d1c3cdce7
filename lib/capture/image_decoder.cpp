// The program's side of reading an image file: the header checks that cost
// no process, and the helper that decodes, started in its sandbox, waited
// for and killed; all of it away from the user-interface thread.
#include "image_decoder.h"

#include "framework/message_loop.h"
#include "framework/scoped_handles.h"
#include "image_decoder_block.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include <objidl.h>
#include <gdiplus.h>

using namespace Gdiplus::DllExports;

namespace {

// ---- Image sizes from the file's header -------------------------------------------

// Enough of a file for every header the checks read, and for the segments
// a JPEG usually has before its frame.
const DWORD kProbeBytes = 1 << 20;

unsigned Be16(const BYTE* p) { return (unsigned)p[0] << 8 | p[1]; }
unsigned Le16(const BYTE* p) { return (unsigned)p[1] << 8 | p[0]; }
unsigned Be32(const BYTE* p) { return (unsigned)p[0] << 24 | (unsigned)p[1] << 16 | (unsigned)p[2] << 8 | p[3]; }
unsigned Le32(const BYTE* p) { return (unsigned)p[3] << 24 | (unsigned)p[2] << 16 | (unsigned)p[1] << 8 | p[0]; }

// The width and height a TIFF file's first image declares.
BOOL TiffSize(const BYTE* p, size_t n, unsigned& w, unsigned& h) {
    const bool bLittle = p[0] == 'I';
    auto u16 = [&](size_t at) { return bLittle ? Le16(p + at) : Be16(p + at); };
    auto u32 = [&](size_t at) { return bLittle ? Le32(p + at) : Be32(p + at); };
    size_t nIfd = u32(4);
    if (nIfd > n || n - nIfd < 2) return FALSE;
    unsigned nEntries = u16(nIfd);
    BOOL bWidth = FALSE, bHeight = FALSE;
    for (unsigned i = 0; i < nEntries; ++i) {
        size_t at = nIfd + 2 + (size_t)i * 12;
        if (at > n || n - at < 12) break;
        unsigned nTag = u16(at), nType = u16(at + 2);
        unsigned nValue = nType == 3 ? u16(at + 8) : u32(at + 8);  // SHORT or LONG
        if (nTag == 256) w = nValue, bWidth = TRUE;
        if (nTag == 257) h = nValue, bHeight = TRUE;
    }
    return bWidth && bHeight;
}

// The width and height a JPEG file's frame header declares.
BOOL JpegSize(const BYTE* p, size_t n, unsigned& w, unsigned& h) {
    size_t at = 2;
    while (at + 9 <= n && p[at] == 0xFF) {
        BYTE marker = p[at + 1];
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        // Start of frame: every SOFn but the huffman, arithmetic-coding and
        // restart tables that share the range.
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
            h = Be16(p + at + 5);
            w = Be16(p + at + 7);
            return TRUE;
        }
        at += 2 + Be16(p + at + 2);
    }
    return FALSE;
}

// Whether an uncompressed BMP's pixels end within the file (nFile bytes). A
// decoder reading a copy in memory would run past its end otherwise.
BOOL BmpPixelsInFile(const BYTE* p, size_t n, unsigned long long nFile) {
    const unsigned nHeader = Le32(p + 14);
    unsigned long long w = 0, h = 0;
    unsigned nBits = 0, nCompression = 0;
    if (nHeader == 12) {  // BITMAPCOREHEADER
        w = Le16(p + 18);
        h = Le16(p + 20);
        nBits = Le16(p + 24);
    } else if (nHeader >= 40 && n >= 34) {
        w = (unsigned long long)std::llabs((long long)(int)Le32(p + 18));
        h = (unsigned long long)std::llabs((long long)(int)Le32(p + 22));
        nBits = Le16(p + 28);
        nCompression = Le32(p + 30);
    } else {
        return TRUE;  // the decoder judges what it is
    }
    // Only plain rows and bit-field rows have a size known beforehand.
    if (nCompression != BI_RGB && nCompression != BI_BITFIELDS) return TRUE;
    if (w == 0 || h == 0 || nBits == 0) return TRUE;
    const unsigned long long nStride = (w * nBits + 31) / 32 * 4;
    // The last row's padding is often left out.
    const unsigned long long nNeeded = Le32(p + 10) + nStride * (h - 1) + (w * nBits + 7) / 8;
    return nNeeded <= nFile;
}

// A TIFF file's first directory, when it lies beyond the first bytes read
// (writers often put it after the pixels), read from the file into head.
DWORD ReadTiffDirectory(HANDLE hFile, BYTE* head, DWORD n) {
    if (n < 8 || !((memcmp(head, "II*", 4) == 0) || memcmp(head, "MM\0*", 4) == 0)) return n;
    const bool bLittle = head[0] == 'I';
    const unsigned nIfd = bLittle ? Le32(head + 4) : Be32(head + 4);
    const DWORD kEntries = 64;  // width and height come early: tags are sorted
    if (nIfd + 2 + 12 * kEntries <= n || kProbeBytes < 8 + 2 + 12 * kEntries) return n;
    LARGE_INTEGER at;
    at.QuadPart = nIfd;
    DWORD nRead = 0;
    if (!::SetFilePointerEx(hFile, at, nullptr, FILE_BEGIN) ||
        !::ReadFile(hFile, head + 8, 2 + 12 * kEntries, &nRead, nullptr))
        return n;
    // The directory now follows the eight header bytes.
    if (bLittle) {
        head[4] = 8, head[5] = head[6] = head[7] = 0;
    } else {
        head[4] = head[5] = head[6] = 0, head[7] = 8;
    }
    return 8 + nRead;
}

// The image size the header of a PNG, GIF, BMP, JPEG or TIFF file declares;
// FALSE for other or unreadable headers, which the decoder then judges.
BOOL DeclaredImageSize(const BYTE* p, size_t n, unsigned& w, unsigned& h) {
    if (n >= 24 && memcmp(p, "\x89PNG\r\n\x1a\n", 8) == 0 && memcmp(p + 12, "IHDR", 4) == 0) {
        w = Be32(p + 16);
        h = Be32(p + 20);
        return TRUE;
    }
    if (n >= 10 && memcmp(p, "GIF8", 4) == 0) {
        w = Le16(p + 6);
        h = Le16(p + 8);
        return TRUE;
    }
    if (n >= 26 && p[0] == 'B' && p[1] == 'M') {
        if (Le32(p + 14) == 12) {  // BITMAPCOREHEADER
            w = Le16(p + 18);
            h = Le16(p + 20);
        } else {
            w = (unsigned)std::llabs((long long)(int)Le32(p + 18));
            h = (unsigned)std::llabs((long long)(int)Le32(p + 22));  // negative: top-down
        }
        return TRUE;
    }
    if (n >= 4 && p[0] == 0xFF && p[1] == 0xD8) return JpegSize(p, n, w, h);
    if (n >= 8 && ((memcmp(p, "II*", 4) == 0) || memcmp(p, "MM\0*", 4) == 0)) return TiffSize(p, n, w, h);
    return FALSE;
}

// The header checks on an open file (read from its start).
KpDecodeResult ProbeOpenFile(HANDLE hFile) {
    LARGE_INTEGER size;
    if (!::GetFileSizeEx(hFile, &size) || size.QuadPart <= 0) return KpDecodeFailed;
    if (size.QuadPart > KpMaxImageFileBytes) return KpDecodeTooLarge;
    std::unique_ptr<BYTE[]> buffer(new (std::nothrow) BYTE[kProbeBytes]);
    const BYTE* head = buffer.get();
    DWORD n = 0;
    if (head == nullptr ||
        !::ReadFile(hFile, buffer.get(), (DWORD)std::min<long long>(size.QuadPart, kProbeBytes), &n, nullptr))
        return KpDecodeFailed;
    n = ReadTiffDirectory(hFile, buffer.get(), n);
    unsigned w = 0, h = 0;
    if (DeclaredImageSize(head, n, w, h) && !KpImageSizeAllowed(w, h))
        return w == 0 || h == 0 ? KpDecodeFailed : KpDecodeTooLarge;
    if (n >= 30 && head[0] == 'B' && head[1] == 'M' && !BmpPixelsInFile(head, n, (unsigned long long)size.QuadPart))
        return KpDecodeFailed;
    return KpDecoded;
}

// The path as the wide-character calls take it.
std::wstring Wide(const CString& str) {
    int n = ::MultiByteToWideChar(CP_ACP, 0, str, -1, nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring wide((size_t)n, L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, str, -1, &wide[0], n);
    wide.resize((size_t)n - 1);
    return wide;
}

kfw::ScopedHandle OpenForReading(const CString& strPath) {
    return kfw::ScopedHandle(::CreateFileW(Wide(strPath).c_str(), GENERIC_READ,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// ---- The helper ---------------------------------------------------------------------

// How long the decode of one file may take: the helper's own work (reading
// the header, then the pixels), not the program's, nor the helper's start.
const DWORD kDecodeTimeoutMs = 10000;
// How long a helper may take to start and get ready.
const DWORD kStartTimeoutMs = 15000;

// The test hooks, and the helper program they may name; guarded by g_lock
// with the ready helper.
std::mutex g_lock;
KpDecoderTestHooks g_hooks = {};
bool g_bHooks = false;
std::wstring g_strHookedHelper;
KpDecoderSandbox g_sandbox = {};

// The program file that is started as the helper: the running program's
// own, whatever its name and folder, unless a test names another.
std::wstring HelperProgram() {
    if (!g_strHookedHelper.empty()) return g_strHookedHelper;
    std::vector<WCHAR> path;
    for (DWORD nSize = MAX_PATH; nSize <= 32768; nSize *= 2) {
        path.assign(nSize, L'\0');
        DWORD n = ::GetModuleFileNameW(nullptr, path.data(), nSize);
        if (n < nSize) return std::wstring(path.data(), n);
    }
    return std::wstring();
}

// The token the helper runs with: the user's, without privileges and with
// the administrators group only to deny, at low integrity where the system
// has integrity levels. Null when the system makes no restricted token.
HANDLE SandboxToken(KpDecoderSandbox& sandbox) {
    HANDLE hToken = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(),
                            TOKEN_DUPLICATE | TOKEN_QUERY | TOKEN_ASSIGN_PRIMARY | TOKEN_ADJUST_DEFAULT, &hToken))
        return nullptr;
    kfw::ScopedHandle token(hToken);
    BYTE admins[SECURITY_MAX_SID_SIZE];
    DWORD cb = sizeof admins;
    SID_AND_ATTRIBUTES disable = {admins, 0};
    const BOOL bAdmins = ::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, admins, &cb);
    HANDLE hRestricted = nullptr;
    sandbox.nRestrictedToken = sandbox.nLowIntegrity = KpAskedRefused;
    if (!::CreateRestrictedToken(token.get(), DISABLE_MAX_PRIVILEGE, bAdmins ? 1 : 0, bAdmins ? &disable : nullptr, 0,
                                 nullptr, 0, nullptr, &hRestricted))
        return nullptr;
    sandbox.nRestrictedToken = KpTaken;
    BYTE low[SECURITY_MAX_SID_SIZE];
    cb = sizeof low;
    TOKEN_MANDATORY_LABEL label = {};
    label.Label.Sid = low;
    label.Label.Attributes = SE_GROUP_INTEGRITY;
    if (::CreateWellKnownSid(WinLowLabelSid, nullptr, low, &cb) &&
        ::SetTokenInformation(hRestricted, TokenIntegrityLevel, &label, (DWORD)(sizeof label + ::GetLengthSid(low))))
        sandbox.nLowIntegrity = KpTaken;
    return hRestricted;
}

// A job of the helper's own: it ends with the program (closing the job
// kills it, also when the program crashed), holds no second process, takes
// no more memory than the largest image needs, and may not touch the
// clipboard, the desktops, the global atoms, the system's parameters, the
// display settings or the session's end. (Other programs' windows stay
// reachable: drawing a metafile may need the screen's device context.) A
// crash ends it at once.
HANDLE SandboxJob(KpDecoderSandbox& sandbox) {
    sandbox.nOneProcess = sandbox.nUiLimits = KpAskedRefused;
    HANDLE hJob = ::CreateJobObjectW(nullptr, nullptr);
    if (hJob == nullptr) return nullptr;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION info = {};
    info.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE |
                                            JOB_OBJECT_LIMIT_DIE_ON_UNHANDLED_EXCEPTION |
                                            JOB_OBJECT_LIMIT_ACTIVE_PROCESS | JOB_OBJECT_LIMIT_PROCESS_MEMORY;
    info.BasicLimitInformation.ActiveProcessLimit = 1;
    // The largest file, its largest image decoded and the copy written back,
    // with room to spare: a decoder running away with memory fails early.
    info.ProcessMemoryLimit = (SIZE_T)KpMaxImageFileBytes + (SIZE_T)KpMaxImagePixels * 4 * 4;
    // What the system does not take is left out, one limit after another.
    for (DWORD dwDrop : {0UL, (DWORD)JOB_OBJECT_LIMIT_PROCESS_MEMORY, (DWORD)JOB_OBJECT_LIMIT_ACTIVE_PROCESS}) {
        info.BasicLimitInformation.LimitFlags &= ~dwDrop;
        if (::SetInformationJobObject(hJob, JobObjectExtendedLimitInformation, &info, sizeof info)) break;
    }
    sandbox.nOneProcess = (info.BasicLimitInformation.LimitFlags & JOB_OBJECT_LIMIT_ACTIVE_PROCESS) != 0 ? KpTaken
                                                                                                      : KpAskedRefused;
    JOBOBJECT_BASIC_UI_RESTRICTIONS ui = {};
    ui.UIRestrictionsClass = JOB_OBJECT_UILIMIT_READCLIPBOARD | JOB_OBJECT_UILIMIT_WRITECLIPBOARD |
                             JOB_OBJECT_UILIMIT_DESKTOP | JOB_OBJECT_UILIMIT_GLOBALATOMS |
                             JOB_OBJECT_UILIMIT_SYSTEMPARAMETERS | JOB_OBJECT_UILIMIT_DISPLAYSETTINGS |
                             JOB_OBJECT_UILIMIT_EXITWINDOWS;
    sandbox.nUiLimits =
        ::SetInformationJobObject(hJob, JobObjectBasicUIRestrictions, &ui, sizeof ui) ? KpTaken : KpAskedRefused;
    return hJob;
}

// Waits for one of the handles for at most dwMs; when the time is up, looks
// once more before saying so.
DWORD WaitOrPoll(const HANDLE* pHandles, DWORD nCount, DWORD dwMs) {
    DWORD r = ::WaitForMultipleObjects(nCount, pHandles, FALSE, dwMs);
    return r == WAIT_TIMEOUT ? ::WaitForMultipleObjects(nCount, pHandles, FALSE, 0) : r;
}

// A helper started and waiting for a file: starting a process costs more
// than decoding most files, so one helper decodes one file after another
// for as long as it answers in time, and a new one is started as soon as
// one had to be ended, to meet the next open ready.
class CDecoderHelper {
public:
    // Starts the helper in its sandbox; FALSE when it could not be started.
    BOOL Start() {
        SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
        m_block.reset(
            ::CreateFileMappingW(INVALID_HANDLE_VALUE, &inherit, PAGE_READWRITE, 0, sizeof(KpDecoderBlock), nullptr));
        if (m_block.get() == nullptr) return FALSE;
        m_pView.reset(new (std::nothrow)
                          KpMappedView(::MapViewOfFile(m_block.get(), FILE_MAP_WRITE, 0, 0, sizeof(KpDecoderBlock))));
        if (m_pView == nullptr || m_pView->get() == nullptr) return FALSE;
        kfw::ScopedHandle* events[] = {&m_ready, &m_go, &m_sized, &m_given, &m_done};
        for (kfw::ScopedHandle* pEvent : events) {
            pEvent->reset(::CreateEventW(&inherit, pEvent == &m_ready, FALSE, nullptr));
            if (pEvent->get() == nullptr) return FALSE;
        }
        HANDLE hSelf = nullptr;
        if (!::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentProcess(), ::GetCurrentProcess(), &hSelf, SYNCHRONIZE,
                               TRUE, 0))
            return FALSE;
        m_self.reset(hSelf);
        KpDecoderBlock* pBlock = Block();
        pBlock->nBlockSize = sizeof(KpDecoderBlock);
        pBlock->hReady = (ULONGLONG)(ULONG_PTR)m_ready.get();
        pBlock->hGo = (ULONGLONG)(ULONG_PTR)m_go.get();
        pBlock->hSized = (ULONGLONG)(ULONG_PTR)m_sized.get();
        pBlock->hPixelsGiven = (ULONGLONG)(ULONG_PTR)m_given.get();
        pBlock->hDone = (ULONGLONG)(ULONG_PTR)m_done.get();
        pBlock->hParent = (ULONGLONG)(ULONG_PTR)m_self.get();
        pBlock->nResult = KpDecodeFailed;

        // Wide characters throughout: the program's folder may hold any.
        std::wstring strProgram = HelperProgram();
        size_t nSlash = strProgram.find_last_of(L'\\');
        if (strProgram.empty() || nSlash == std::wstring::npos) return FALSE;
        // Its current folder is the program's, never the image's.
        std::wstring strFolder = strProgram.substr(0, nSlash + 1);
        wchar_t szSwitch[64];
        swprintf(szSwitch, 64, L"%hs%llx", KP_DECODER_SWITCH, (unsigned long long)(ULONG_PTR)m_block.get());
        std::wstring strCommand = L"\"" + strProgram + L"\" " + szSwitch;

        KpDecoderSandbox sandbox = {};
        // Only these handles go to the helper, not every inheritable one the
        // program holds.
        HANDLE inherited[] = {m_block.get(), m_ready.get(), m_go.get(), m_sized.get(),
                              m_given.get(), m_done.get(), m_self.get()};
        SIZE_T nListBytes = 0;
        ::InitializeProcThreadAttributeList(nullptr, 1, 0, &nListBytes);
        std::unique_ptr<BYTE[]> listMemory(new (std::nothrow) BYTE[nListBytes > 0 ? nListBytes : 1]);
        auto pList = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(listMemory.get());
        BOOL bList = listMemory != nullptr && nListBytes > 0 &&
                     ::InitializeProcThreadAttributeList(pList, 1, 0, &nListBytes);
        const bool bHandleList = bList && ::UpdateProcThreadAttribute(pList, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST,
                                                                      inherited, sizeof inherited, nullptr, nullptr);
        sandbox.nHandleList = bHandleList ? KpTaken : KpAskedRefused;
        STARTUPINFOEXW si = {};
        si.StartupInfo.cb = bHandleList ? sizeof si : sizeof si.StartupInfo;
        si.lpAttributeList = bHandleList ? pList : nullptr;
        // Started suspended so that it is in its job before it runs any code.
        DWORD dwFlags = CREATE_SUSPENDED | (bHandleList ? EXTENDED_STARTUPINFO_PRESENT : 0);
        kfw::ScopedHandle token(SandboxToken(sandbox));
        PROCESS_INFORMATION pi = {};
        BOOL bStarted = token.valid() && ::CreateProcessAsUserW(token.get(), strProgram.c_str(), &strCommand[0],
                                                                nullptr, nullptr, TRUE, dwFlags, nullptr,
                                                                strFolder.c_str(), &si.StartupInfo, &pi);
        if (!bStarted) {
            // A system that refuses the restricted token still gets a helper.
            sandbox.nRestrictedToken = sandbox.nLowIntegrity = KpAskedRefused;
            bStarted = ::CreateProcessW(strProgram.c_str(), &strCommand[0], nullptr, nullptr, TRUE, dwFlags, nullptr,
                                        strFolder.c_str(), &si.StartupInfo, &pi);
        }
        if (bList) ::DeleteProcThreadAttributeList(pList);
        if (!bStarted) return FALSE;
        m_process.reset(pi.hProcess);
        kfw::ScopedHandle thread(pi.hThread);
        // Without a job the helper still ends with the program: it watches it.
        m_job.reset(SandboxJob(sandbox));
        const bool bJob = m_job.valid() && ::AssignProcessToJobObject(m_job.get(), m_process.get());
        sandbox.nJob = bJob ? KpTaken : KpAskedRefused;
        if (!bJob) sandbox.nOneProcess = sandbox.nUiLimits = KpAskedRefused;
        g_sandbox = sandbox;
        ::ResumeThread(thread.get());
        return TRUE;
    }
    // Waits for the helper to be ready for a file; FALSE when it ended or
    // did not get ready in time.
    BOOL WaitReady() const {
        const HANDLE handles[2] = {m_ready.get(), m_process.get()};
        return WaitOrPoll(handles, 2, kStartTimeoutMs) == WAIT_OBJECT_0;
    }
    // Whether the helper still runs.
    BOOL IsRunning() const {
        return m_process.get() != nullptr && ::WaitForSingleObject(m_process.get(), 0) == WAIT_TIMEOUT;
    }
    ~CDecoderHelper() {
        if (m_process.get() != nullptr) ::TerminateProcess(m_process.get(), 0);
    }

    KpDecoderBlock* Block() const { return static_cast<KpDecoderBlock*>(m_pView->get()); }

    kfw::ScopedHandle m_block;
    std::unique_ptr<KpMappedView> m_pView;
    kfw::ScopedHandle m_ready;
    kfw::ScopedHandle m_go;
    kfw::ScopedHandle m_sized;
    kfw::ScopedHandle m_given;
    kfw::ScopedHandle m_done;
    kfw::ScopedHandle m_self;
    kfw::ScopedHandle m_process;
    kfw::ScopedHandle m_job;  // closed after the process handle: closing it kills the helper
};

// The helper for the next open (g_lock).
CDecoderHelper* g_pReadyHelper = nullptr;  // owned

// The ready helper, or null.
std::unique_ptr<CDecoderHelper> TakeHelper() {
    std::lock_guard<std::mutex> lock(g_lock);
    std::unique_ptr<CDecoderHelper> helper(g_pReadyHelper);
    g_pReadyHelper = nullptr;
    return helper;
}

void KeepReady(std::unique_ptr<CDecoderHelper> helper) {
    std::lock_guard<std::mutex> lock(g_lock);
    if (g_pReadyHelper == nullptr) {
        g_pReadyHelper = helper.release();
    }
}

void StartReadyHelper() {
    {
        std::lock_guard<std::mutex> lock(g_lock);
        if (g_pReadyHelper != nullptr) return;
    }
    std::unique_ptr<CDecoderHelper> helper(new (std::nothrow) CDecoderHelper);
    if (helper != nullptr && helper->Start()) KeepReady(std::move(helper));
}

// One open, done away from the user-interface thread: the header probe
// (the file may lie on a slow drive) and the conversation with the helper.
// The pixels stay in the program's own section for the UI thread to take.
struct DecodeWork {
    CString strPath;
    KpDecoderTestHooks hooks = {};  // a copy: all zero without hooks
    KpDecodeResult result = KpDecodeFailed;
    kfw::ScopedHandle pixels;  // the program's own section, for the size below
    UINT nWidth = 0, nHeight = 0;
    INT nStride = 0;
    Gdiplus::PixelFormat format = 0;
    float fDpiX = 0, fDpiY = 0;
};

// The helper's size answer, checked: an image the program takes, in one of
// the two formats, rows of the stride that format gives.
KpDecodeResult CheckSize(const KpDecoderBlock& block, DecodeWork& work) {
    work.nWidth = block.nWidth;
    work.nHeight = block.nHeight;
    work.format = (Gdiplus::PixelFormat)block.nFormat;
    work.fDpiX = block.fDpiX;
    work.fDpiY = block.fDpiY;
    if (!KpImageSizeAllowed(work.nWidth, work.nHeight)) return KpDecodeTooLarge;
    if (work.format != PixelFormat24bppRGB && work.format != PixelFormat32bppARGB) return KpDecodeFailed;
    work.nStride = KpRowStride(work.nWidth, work.format == PixelFormat24bppRGB ? 24 : 32);
    if (work.nStride == 0 || block.nStride != work.nStride) return KpDecodeFailed;
    return KpDecoded;
}

// One file through the helper: the probe, then the conversation. helper is
// started when it is null or no longer runs, and left null when it has to
// go (crashed, hung, out of time, or not to be trusted again).
KpDecodeResult DecodeFile(DecodeWork& work, std::unique_ptr<CDecoderHelper>& helper) {
    kfw::ScopedHandle file = OpenForReading(work.strPath);
    if (!file.valid()) return KpDecodeFailed;
    KpDecodeResult result = ProbeOpenFile(file.get());
    if (result != KpDecoded) return result;
    if (helper == nullptr || !helper->IsRunning()) {
        helper.reset(new (std::nothrow) CDecoderHelper);
        if (helper == nullptr || !helper->Start()) {
            helper.reset();
            return KpDecodeNoHelper;
        }
    }
    if (!helper->WaitReady()) {
        helper.reset();
        return KpDecodeNoHelper;
    }

    KpDecoderBlock* pBlock = helper->Block();
    HANDLE hRemoteFile = nullptr;
    if (!::DuplicateHandle(::GetCurrentProcess(), file.get(), helper->m_process.get(), &hRemoteFile, GENERIC_READ,
                           FALSE, 0))
        return KpDecodeFailed;
    pBlock->hFile = (ULONGLONG)(ULONG_PTR)hRemoteFile;
    pBlock->bHold = work.hooks.bHold;
    pBlock->hPixels = 0;
    ::SetEvent(helper->m_go.get());
    if (work.hooks.pfnStarted != nullptr) work.hooks.pfnStarted(helper->m_process.get(), work.hooks.pContext);

    // The time limit counts the helper's work alone: what the program does
    // between the two answers is not the decode's.
    const DWORD dwLimit = work.hooks.dwTimeoutMs != 0 ? work.hooks.dwTimeoutMs : kDecodeTimeoutMs;
    ULONGLONG nStart = ::GetTickCount64();
    const HANDLE sized[3] = {helper->m_sized.get(), helper->m_done.get(), helper->m_process.get()};
    DWORD dwWait = WaitOrPoll(sized, 3, dwLimit);
    const DWORD dwSpent = (DWORD)std::min<ULONGLONG>(::GetTickCount64() - nStart, dwLimit);
    // No image it can take: the helper waits for the next file.
    if (dwWait == WAIT_OBJECT_0 + 1) return pBlock->nResult == KpDecodeTooLarge ? KpDecodeTooLarge : KpDecodeFailed;
    if (dwWait != WAIT_OBJECT_0) {
        // Crashed, hung or out of time: never left running.
        helper.reset();
        return KpDecodeFailed;
    }

    result = CheckSize(*pBlock, work);
    const unsigned long long nBytes = (unsigned long long)work.nStride * work.nHeight;
    if (result == KpDecoded)
        work.pixels.reset(::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE | SEC_COMMIT,
                                               (DWORD)(nBytes >> 32), (DWORD)nBytes, nullptr));
    HANDLE hRemotePixels = nullptr;
    if (result == KpDecoded && (!work.pixels.valid() ||
                                !::DuplicateHandle(::GetCurrentProcess(), work.pixels.get(), helper->m_process.get(),
                                                   &hRemotePixels, FILE_MAP_WRITE, FALSE, 0)))
        result = KpDecodeFailed;
    pBlock->hPixels = (ULONGLONG)(ULONG_PTR)hRemotePixels;
    ::SetEvent(helper->m_given.get());
    if (result != KpDecoded) {
        // Refused before any pixel: the helper waits for the next file.
        work.pixels.reset();
        return result;
    }

    nStart = ::GetTickCount64();
    const HANDLE done[2] = {helper->m_done.get(), helper->m_process.get()};
    dwWait = WaitOrPoll(done, 2, dwLimit - dwSpent);
    // The answer must be about the section the program gave and the size it
    // checked; anything else is a helper not to be trusted again.
    if (dwWait != WAIT_OBJECT_0 || pBlock->nResult != KpDecoded || pBlock->hPixels != (ULONGLONG)(ULONG_PTR)hRemotePixels ||
        pBlock->nWidth != work.nWidth || pBlock->nHeight != work.nHeight || pBlock->nStride != work.nStride ||
        pBlock->nFormat != (INT)work.format) {
        // A decoder that failed on these pixels is still a helper.
        if (dwWait != WAIT_OBJECT_0 || pBlock->nResult == KpDecoded ||
            pBlock->hPixels != (ULONGLONG)(ULONG_PTR)hRemotePixels)
            helper.reset();
        work.pixels.reset();
        return KpDecodeFailed;
    }
    return KpDecoded;
}

DWORD WINAPI DecodeThread(void* pWork) {
    DecodeWork& work = *static_cast<DecodeWork*>(pWork);
    std::unique_ptr<CDecoderHelper> helper = TakeHelper();
    work.result = DecodeFile(work, helper);
    if (helper != nullptr) KeepReady(std::move(helper));
    return 0;
}

// Waits for one of the handles while the thread's windows go on answering:
// the wait holds a modal run, so that nothing the user does meanwhile starts
// what would replace the image, and shows the wait cursor. A WM_QUIT met on
// the way is posted again for the loop it was meant for.
DWORD WaitAnswering(HANDLE hWait) {
    CModalScope modal;
    HCURSOR hWaitCursor = ::LoadCursorA(nullptr, (LPCSTR)IDC_WAIT);
    HCURSOR hOld = ::SetCursor(hWaitCursor);
    BOOL bQuit = FALSE;
    int nQuitCode = 0;
    DWORD dwResult = WAIT_FAILED;
    for (;;) {
        DWORD r = bQuit ? ::WaitForSingleObject(hWait, INFINITE)
                        : ::MsgWaitForMultipleObjectsEx(1, &hWait, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (r == WAIT_OBJECT_0) {
            dwResult = r;
            break;
        }
        if (r != WAIT_OBJECT_0 + 1) break;
        MSG msg;
        while (!bQuit && ::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                // No more messages until the loop that owns the quit.
                bQuit = TRUE;
                nQuitCode = (int)msg.wParam;
                break;
            }
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        ::SetCursor(hWaitCursor);
    }
    ::SetCursor(hOld);
    if (bQuit) ::PostQuitMessage(nQuitCode);
    return dwResult;
}

// A new GDI+ bitmap holding a copy of the pixels of the program's section.
Gdiplus::GpImage* BitmapFromPixels(const DecodeWork& work) {
    const UINT w = work.nWidth, h = work.nHeight;
    KpMappedView view(::MapViewOfFile(work.pixels.get(), FILE_MAP_READ, 0, 0, (SIZE_T)work.nStride * h));
    if (view.get() == nullptr) return nullptr;
    kfw::ScopedGpImage<Gdiplus::GpBitmap> bitmap;
    if (GdipCreateBitmapFromScan0((INT)w, (INT)h, 0, work.format, nullptr, bitmap.out()) != Gdiplus::Ok ||
        bitmap.get() == nullptr)
        return nullptr;
    Gdiplus::GpRect rect(0, 0, (INT)w, (INT)h);
    Gdiplus::BitmapData data = KpRowsAt(view.get(), w, h, work.nStride, work.format);
    if (GdipBitmapLockBits(bitmap.get(), &rect, Gdiplus::ImageLockModeWrite | Gdiplus::ImageLockModeUserInputBuf,
                           work.format, &data) != Gdiplus::Ok ||
        GdipBitmapUnlockBits(bitmap.get(), &data) != Gdiplus::Ok)
        return nullptr;
    if (work.fDpiX > 0 && work.fDpiY > 0) GdipBitmapSetResolution(bitmap.get(), work.fDpiX, work.fDpiY);
    return bitmap.Release();
}

}  // namespace

KpDecodeResult KpProbeImageFile(const CString& strPath) {
    kfw::ScopedHandle file = OpenForReading(strPath);
    return file.valid() ? ProbeOpenFile(file.get()) : KpDecodeFailed;
}

KpDecodeResult KpDecodeImageFile(const CString& strPath, Gdiplus::GpImage** ppImage) {
    *ppImage = nullptr;
    DecodeWork work;
    work.strPath = strPath;
    {
        std::lock_guard<std::mutex> lock(g_lock);
        if (g_bHooks) work.hooks = g_hooks;
    }
    HANDLE hThread = ::CreateThread(nullptr, 0, DecodeThread, &work, 0, nullptr);
    if (hThread == nullptr) return KpDecodeFailed;
    kfw::ScopedHandle thread(hThread);
    WaitAnswering(thread.get());
    // The helper had to go: the next open meets a new one ready.
    if (work.result == KpDecodeFailed) StartReadyHelper();
    if (work.result != KpDecoded) return work.result;
    *ppImage = BitmapFromPixels(work);
    return *ppImage != nullptr ? KpDecoded : KpDecodeFailed;
}

CKpBackgroundDecoder::CKpBackgroundDecoder() : m_pHelper(nullptr) {}

CKpBackgroundDecoder::~CKpBackgroundDecoder() { delete static_cast<CDecoderHelper*>(m_pHelper); }

KpDecodeResult CKpBackgroundDecoder::Decode(const CString& strPath, Gdiplus::GpImage** ppImage) {
    *ppImage = nullptr;
    DecodeWork work;
    work.strPath = strPath;
    {
        std::lock_guard<std::mutex> lock(g_lock);
        if (g_bHooks) work.hooks = g_hooks;
    }
    std::unique_ptr<CDecoderHelper> helper(static_cast<CDecoderHelper*>(m_pHelper));
    m_pHelper = nullptr;
    // This thread has no windows to keep answering: the work is done here.
    work.result = DecodeFile(work, helper);
    m_pHelper = helper.release();
    if (work.result != KpDecoded) return work.result;
    *ppImage = BitmapFromPixels(work);
    return *ppImage != nullptr ? KpDecoded : KpDecodeFailed;
}

void KpPrepareImageDecoder() { StartReadyHelper(); }

KpDecoderSandbox KpGetDecoderSandbox() {
    std::lock_guard<std::mutex> lock(g_lock);
    return g_sandbox;
}

void KpSetDecoderTestHooks(const KpDecoderTestHooks* pHooks) {
    std::lock_guard<std::mutex> lock(g_lock);
    // A helper started under the hooks before is not the one they ask for.
    delete g_pReadyHelper;
    g_pReadyHelper = nullptr;
    g_bHooks = pHooks != nullptr;
    g_hooks = pHooks != nullptr ? *pHooks : KpDecoderTestHooks();
    g_strHookedHelper = pHooks != nullptr && pHooks->pszHelper != nullptr ? pHooks->pszHelper : L"";
    g_hooks.pszHelper = nullptr;
}
