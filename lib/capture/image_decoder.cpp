// The program's side of reading an image file: the header checks that cost
// no process, and the helper that decodes, started, waited for and killed.
#include "image_decoder.h"

#include "framework/message_loop.h"
#include "framework/scoped_handles.h"
#include "image_decoder_block.h"
#include "kp_config.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

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

// ---- The helper ---------------------------------------------------------------------

const DWORD kDecodeTimeoutMs = 10000;

KpDecoderTestHooks* g_pTestHooks = nullptr;  // owned

// Every helper is started in this job, which is closed only when the
// program ends: the system then kills whatever helper still runs, also
// when the program itself crashed. A crashing helper dies at once instead
// of waiting on an error box.
HANDLE HelperJob() {
    static HANDLE s_hJob = nullptr;  // owned for the life of the process
    if (s_hJob != nullptr) return s_hJob;
    HANDLE hJob = ::CreateJobObjectA(nullptr, nullptr);
    if (hJob == nullptr) return nullptr;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION info = {};
    info.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE |
                                            JOB_OBJECT_LIMIT_DIE_ON_UNHANDLED_EXCEPTION |
                                            JOB_OBJECT_LIMIT_PROCESS_MEMORY;
    // The largest file, its largest image decoded and the copy handed back,
    // with room to spare: a decoder running away with memory fails early.
    info.ProcessMemoryLimit = (SIZE_T)KpMaxImageFileBytes + (SIZE_T)KpMaxImagePixels * 4 * 4;
    if (!::SetInformationJobObject(hJob, JobObjectExtendedLimitInformation, &info, sizeof info)) {
        info.BasicLimitInformation.LimitFlags &= ~JOB_OBJECT_LIMIT_PROCESS_MEMORY;
        if (::SetInformationJobObject(hJob, JobObjectExtendedLimitInformation, &info, sizeof info)) {
            s_hJob = hJob;
            return s_hJob;
        }
        ::CloseHandle(hJob);
        return nullptr;
    }
    s_hJob = hJob;
    return s_hJob;
}

CString HelperProgram() {
    if (g_pTestHooks != nullptr && !g_pTestHooks->strHelper.IsEmpty()) return g_pTestHooks->strHelper;
    return CHelper::GetAppPath() + "Kapto.exe";
}

// Waits for one of the handles, or until the time is up (WAIT_TIMEOUT),
// while the thread's windows go on answering: the wait holds a modal run,
// so that nothing the user does meanwhile starts what would replace the
// image, and shows the wait cursor. A WM_QUIT met on the way is posted
// again for the loop it was meant for.
DWORD WaitAnswering(const HANDLE* pHandles, DWORD nCount, DWORD dwTimeoutMs) {
    CModalScope modal;
    HCURSOR hWait = ::LoadCursorA(nullptr, (LPCSTR)IDC_WAIT);
    HCURSOR hOld = ::SetCursor(hWait);
    const ULONGLONG nEnd = ::GetTickCount64() + dwTimeoutMs;
    BOOL bQuit = FALSE;
    int nQuitCode = 0;
    DWORD dwResult = WAIT_TIMEOUT;
    for (;;) {
        ULONGLONG nNow = ::GetTickCount64();
        if (nNow >= nEnd) break;
        DWORD r =
            ::MsgWaitForMultipleObjectsEx(nCount, pHandles, (DWORD)(nEnd - nNow), QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (r < WAIT_OBJECT_0 + nCount) {
            dwResult = r;
            break;
        }
        if (r != WAIT_OBJECT_0 + nCount) {
            if (r == WAIT_TIMEOUT) break;
            dwResult = WAIT_FAILED;
            break;
        }
        MSG msg;
        while (!bQuit && ::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                bQuit = TRUE;
                nQuitCode = (int)msg.wParam;
                break;
            }
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        ::SetCursor(hWait);
        if (bQuit) {
            // No more messages until the loop that owns the quit: only the
            // handles count from here.
            dwResult =
                ::WaitForMultipleObjects(nCount, pHandles, FALSE, (DWORD)(nEnd - std::min(nEnd, ::GetTickCount64())));
            break;
        }
    }
    ::SetCursor(hOld);
    if (bQuit) ::PostQuitMessage(nQuitCode);
    return dwResult;
}

// A new GDI+ bitmap holding a copy of the helper's pixels.
Gdiplus::GpImage* BitmapFromPixels(const KpDecoderBlock& block, HANDLE hMapping) {
    const UINT w = block.nWidth, h = block.nHeight;
    const Gdiplus::PixelFormat format = (Gdiplus::PixelFormat)block.nFormat;
    if (!KpImageSizeAllowed(w, h) || (format != PixelFormat24bppRGB && format != PixelFormat32bppARGB)) return nullptr;
    const INT nStride = KpRowStride(w, format == PixelFormat24bppRGB ? 24 : 32);
    if (nStride == 0 || block.nStride != nStride) return nullptr;
    const unsigned long long nBytes = (unsigned long long)nStride * h;
    KpMappedView view(::MapViewOfFile(hMapping, FILE_MAP_READ, 0, 0, (SIZE_T)nBytes));
    if (view.get() == nullptr) return nullptr;
    kfw::ScopedGpImage<Gdiplus::GpBitmap> bitmap;
    if (GdipCreateBitmapFromScan0((INT)w, (INT)h, 0, format, nullptr, bitmap.out()) != Gdiplus::Ok ||
        bitmap.get() == nullptr)
        return nullptr;
    Gdiplus::GpRect rect(0, 0, (INT)w, (INT)h);
    Gdiplus::BitmapData data = KpRowsAt(view.get(), w, h, nStride, format);
    if (GdipBitmapLockBits(bitmap.get(), &rect, Gdiplus::ImageLockModeWrite | Gdiplus::ImageLockModeUserInputBuf,
                           format, &data) != Gdiplus::Ok ||
        GdipBitmapUnlockBits(bitmap.get(), &data) != Gdiplus::Ok)
        return nullptr;
    if (block.fDpiX > 0 && block.fDpiY > 0) GdipBitmapSetResolution(bitmap.get(), block.fDpiX, block.fDpiY);
    return bitmap.Release();
}

}  // namespace

KpDecodeResult KpProbeImageFile(const CString& strPath) {
    kfw::ScopedHandle file(::CreateFileA(strPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size;
    if (!file.valid() || !::GetFileSizeEx(file.get(), &size) || size.QuadPart <= 0) return KpDecodeFailed;
    if (size.QuadPart > KpMaxImageFileBytes) return KpDecodeTooLarge;
    std::unique_ptr<BYTE[]> buffer(new (std::nothrow) BYTE[kProbeBytes]);
    const BYTE* head = buffer.get();
    DWORD n = 0;
    if (head == nullptr ||
        !::ReadFile(file.get(), buffer.get(), (DWORD)std::min<long long>(size.QuadPart, kProbeBytes), &n, nullptr))
        return KpDecodeFailed;
    n = ReadTiffDirectory(file.get(), buffer.get(), n);
    unsigned w = 0, h = 0;
    if (DeclaredImageSize(head, n, w, h) && !KpImageSizeAllowed(w, h))
        return w == 0 || h == 0 ? KpDecodeFailed : KpDecodeTooLarge;
    if (n >= 30 && head[0] == 'B' && head[1] == 'M' && !BmpPixelsInFile(head, n, (unsigned long long)size.QuadPart))
        return KpDecodeFailed;
    return KpDecoded;
}

namespace {

// A helper started and waiting for a file: starting a process costs more
// than decoding most files, so one helper decodes one file after another
// for as long as it answers in time, and a new one is started as soon as
// one had to be ended, to meet the next open ready.
class CDecoderHelper {
public:
    // Starts the helper; FALSE when it could not be started.
    BOOL Start() {
        SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
        m_block.reset(
            ::CreateFileMappingA(INVALID_HANDLE_VALUE, &inherit, PAGE_READWRITE, 0, sizeof(KpDecoderBlock), nullptr));
        if (m_block.get() == nullptr) return FALSE;
        m_pView.reset(new KpMappedView(::MapViewOfFile(m_block.get(), FILE_MAP_WRITE, 0, 0, sizeof(KpDecoderBlock))));
        m_go.reset(::CreateEventA(&inherit, FALSE, FALSE, nullptr));
        m_done.reset(::CreateEventA(&inherit, TRUE, FALSE, nullptr));
        m_taken.reset(::CreateEventA(&inherit, FALSE, FALSE, nullptr));
        HANDLE hSelf = nullptr;
        if (m_pView->get() == nullptr || m_go.get() == nullptr || m_done.get() == nullptr || m_taken.get() == nullptr ||
            !::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentProcess(), ::GetCurrentProcess(), &hSelf, SYNCHRONIZE,
                               TRUE, 0))
            return FALSE;
        m_self.reset(hSelf);
        KpDecoderBlock* pBlock = Block();
        pBlock->nBlockSize = sizeof(KpDecoderBlock);
        pBlock->hGo = (ULONGLONG)(ULONG_PTR)m_go.get();
        pBlock->hDone = (ULONGLONG)(ULONG_PTR)m_done.get();
        pBlock->hTaken = (ULONGLONG)(ULONG_PTR)m_taken.get();
        pBlock->hParent = (ULONGLONG)(ULONG_PTR)m_self.get();
        pBlock->nResult = KpDecodeFailed;

        CString strHelper = HelperProgram();
        CString strCommand;
        strCommand.Format("\"%s\" " KP_DECODER_SWITCH "%llx", strHelper.GetString(),
                          (unsigned long long)(ULONG_PTR)m_block.get());
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi = {};
        // Started suspended so that it is in the job before it runs any code.
        // Its current folder is the program's, never the image's.
        CString strFolder = CHelper::GetAppPath();
        BOOL bStarted = ::CreateProcessA(strHelper, strCommand.GetBuffer(), nullptr, nullptr, TRUE, CREATE_SUSPENDED,
                                         nullptr, strFolder, &si, &pi);
        strCommand.ReleaseBuffer();
        if (!bStarted) return FALSE;
        m_process.reset(pi.hProcess);
        kfw::ScopedHandle thread(pi.hThread);
        // Without a job the helper still ends with the program: it watches it.
        HANDLE hJob = HelperJob();
        if (hJob != nullptr) ::AssignProcessToJobObject(hJob, m_process.get());
        ::ResumeThread(thread.get());
        return TRUE;
    }
    // Whether the helper still waits for its file.
    BOOL IsWaiting() const {
        return m_process.get() != nullptr && ::WaitForSingleObject(m_process.get(), 0) == WAIT_TIMEOUT;
    }
    ~CDecoderHelper() {
        if (m_process.get() != nullptr) ::TerminateProcess(m_process.get(), 0);
    }

    KpDecoderBlock* Block() const { return static_cast<KpDecoderBlock*>(m_pView->get()); }

    kfw::ScopedHandle m_block;
    std::unique_ptr<KpMappedView> m_pView;
    kfw::ScopedHandle m_go;
    kfw::ScopedHandle m_done;
    kfw::ScopedHandle m_taken;
    kfw::ScopedHandle m_self;
    kfw::ScopedHandle m_process;
};

// The helper for the next open; made by the UI thread only.
CDecoderHelper* g_pReadyHelper = nullptr;  // owned

std::unique_ptr<CDecoderHelper> TakeHelper() {
    std::unique_ptr<CDecoderHelper> helper(g_pReadyHelper);
    g_pReadyHelper = nullptr;
    if (helper != nullptr && helper->IsWaiting()) return helper;
    helper.reset(new (std::nothrow) CDecoderHelper);
    if (helper == nullptr || !helper->Start()) return nullptr;
    return helper;
}

void StartReadyHelper() {
    if (g_pReadyHelper != nullptr) return;
    std::unique_ptr<CDecoderHelper> helper(new (std::nothrow) CDecoderHelper);
    if (helper != nullptr && helper->Start()) g_pReadyHelper = helper.release();
}

}  // namespace

namespace {

// One file through a helper that waits for it. *pbAnswered: the helper
// answered in time and waits for the next file; otherwise it must go.
// bAnswering: the calling thread's windows go on answering meanwhile.
KpDecodeResult DecodeWith(CDecoderHelper& helper, const CString& strPath, Gdiplus::GpImage** ppImage,
                          bool bAnswering, bool* pbAnswered) {
    *ppImage = nullptr;
    *pbAnswered = false;
    KpDecoderBlock* pBlock = helper.Block();
    pBlock->bHold = g_pTestHooks != nullptr && g_pTestHooks->bHold;
    if (::MultiByteToWideChar(CP_ACP, 0, strPath, -1, pBlock->szPath, sizeof pBlock->szPath / sizeof(WCHAR)) <= 0) {
        *pbAnswered = true;
        return KpDecodeFailed;
    }
    ::SetEvent(helper.m_go.get());
    if (g_pTestHooks != nullptr && g_pTestHooks->pfnStarted != nullptr)
        g_pTestHooks->pfnStarted(helper.m_process.get(), g_pTestHooks->pContext);

    const DWORD dwTimeout =
        g_pTestHooks != nullptr && g_pTestHooks->dwTimeoutMs != 0 ? g_pTestHooks->dwTimeoutMs : kDecodeTimeoutMs;
    // The answer counts before the end of the process: the helper waits for
    // the program to take its pixels.
    const HANDLE waitFor[2] = {helper.m_done.get(), helper.m_process.get()};
    DWORD dwWait = bAnswering ? WaitAnswering(waitFor, 2, dwTimeout) : ::WaitForMultipleObjects(2, waitFor, FALSE, dwTimeout);
    KpDecodeResult result = KpDecodeFailed;
    HANDLE hPixels = nullptr;
    if (dwWait == WAIT_OBJECT_0) {
        result = (KpDecodeResult)pBlock->nResult;
        if (result == KpDecoded && !::DuplicateHandle(helper.m_process.get(), (HANDLE)(ULONG_PTR)pBlock->hPixels,
                                                      ::GetCurrentProcess(), &hPixels, FILE_MAP_READ, FALSE, 0))
            result = KpDecodeFailed;
        if (result != KpDecoded && result != KpDecodeTooLarge) result = KpDecodeFailed;
    }
    kfw::ScopedHandle pixels(hPixels);
    if (dwWait == WAIT_OBJECT_0 && pBlock->nResult == KpDecoded) ::SetEvent(helper.m_taken.get());
    if (result == KpDecoded) *ppImage = BitmapFromPixels(*pBlock, pixels.get());
    if (dwWait == WAIT_OBJECT_0) {
        // It answered: it waits for the next file.
        ::ResetEvent(helper.m_done.get());
        *pbAnswered = true;
    }
    if (result != KpDecoded) return result;
    return *ppImage != nullptr ? KpDecoded : KpDecodeFailed;
}

}  // namespace

KpDecodeResult KpDecodeImageFile(const CString& strPath, Gdiplus::GpImage** ppImage) {
    *ppImage = nullptr;
    std::unique_ptr<CDecoderHelper> helper = TakeHelper();
    if (helper == nullptr) return KpDecodeFailed;
    bool bAnswered = false;
    KpDecodeResult result = DecodeWith(*helper, strPath, ppImage, true, &bAnswered);
    if (bAnswered) {
        g_pReadyHelper = helper.release();
    } else {
        // Crashed, hung or out of time: never left running.
        helper.reset();
        StartReadyHelper();
    }
    return result;
}

CKpBackgroundDecoder::CKpBackgroundDecoder() : m_pHelper(nullptr) {}

CKpBackgroundDecoder::~CKpBackgroundDecoder() { delete static_cast<CDecoderHelper*>(m_pHelper); }

KpDecodeResult CKpBackgroundDecoder::Decode(const CString& strPath, Gdiplus::GpImage** ppImage) {
    *ppImage = nullptr;
    KpDecodeResult probe = KpProbeImageFile(strPath);
    if (probe != KpDecoded) return probe;
    std::unique_ptr<CDecoderHelper> helper(static_cast<CDecoderHelper*>(m_pHelper));
    m_pHelper = nullptr;
    if (helper == nullptr || !helper->IsWaiting()) {
        helper.reset(new (std::nothrow) CDecoderHelper);
        if (helper == nullptr || !helper->Start()) return KpDecodeFailed;
    }
    bool bAnswered = false;
    KpDecodeResult result = DecodeWith(*helper, strPath, ppImage, false, &bAnswered);
    if (bAnswered) m_pHelper = helper.release();
    return result;
}

void KpPrepareImageDecoder() { StartReadyHelper(); }

void KpSetDecoderTestHooks(const KpDecoderTestHooks* pHooks) {
    delete g_pTestHooks;
    g_pTestHooks = pHooks != nullptr ? new KpDecoderTestHooks(*pHooks) : nullptr;
}
