// Reading image files apart from the program.
//
// Image decoders are the code most easily broken by a bad file: one that
// crashes or loops must not take the program, and the capture the user has
// not saved, with it, nor do anything else on the user's behalf. A file is
// therefore first judged by its header (the cheap refusals cost no process),
// then decoded by the running program's own file started as a helper
// (KpRunImageDecoder) in a sandbox: a restricted token at low integrity
// where the system has them, a job of one process without clipboard,
// desktops, global atoms or system parameters, and only the handles it
// needs. It is given the file to read and a section the program made for
// the size it answered, and is killed when its work takes too long.
#pragma once

#include "framework/cstring.h"
#include "framework/platform.h"
#include "kp_export.h"

namespace Gdiplus {
class GpImage;
}  // namespace Gdiplus

// How reading an image file ended.
enum KpDecodeResult {
    KpDecoded = 0,
    KpDecodeFailed,    // not a readable image, or the helper crashed, hung or was killed
    KpDecodeTooLarge,  // more pixels than KpMaxImagePixels, or a file over KpMaxImageFileBytes
    KpDecodeNoHelper,  // the helper could not be started, or ended before it was ready
};

// Images with more pixels than this are refused before they are decoded
// (every copy the program keeps of one takes four bytes a pixel), and
// files larger than this before they are read.
const unsigned long long KpMaxImagePixels = 64000000;
const long long KpMaxImageFileBytes = 1LL << 30;

// Whether an image of w x h pixels is within what the program takes.
inline bool KpImageSizeAllowed(unsigned long long w, unsigned long long h) {
    return w > 0 && h > 0 && w <= KpMaxImagePixels && h <= KpMaxImagePixels && w * h <= KpMaxImagePixels;
}

// Judges the file by its size and its first bytes only: a file too large,
// a header declaring more pixels than allowed, or one whose pixels would
// lie past the end of the file. KpDecoded when nothing speaks against it.
KPLIB_API KpDecodeResult KpProbeImageFile(const CString& strPath);

// Judges the file by its header (KpProbeImageFile) and decodes it in a
// helper process. On KpDecoded *ppImage is a new GDI+ bitmap (the caller
// owns it) of the image's first frame at its own size: 24 bits per pixel
// when the file has that, else 32 bits with alpha. Both run on a thread of
// their own: the calling thread keeps its windows answering (messages are
// pumped, with the wait cursor) and counts as in a modal run meanwhile, and
// the time it spends in a menu or a modal loop of its own is not the
// decode's.
KPLIB_API KpDecodeResult KpDecodeImageFile(const CString& strPath, Gdiplus::GpImage** ppImage);

// Judges and decodes files one after another for a thread without windows
// (its waits answer no messages), in a helper of its own that ends with the
// object: the thumbnails of files read in the background.
class KPLIB_API CKpBackgroundDecoder {
public:
    CKpBackgroundDecoder();
    ~CKpBackgroundDecoder();
    CKpBackgroundDecoder(const CKpBackgroundDecoder&) = delete;
    CKpBackgroundDecoder& operator=(const CKpBackgroundDecoder&) = delete;

    // KpProbeImageFile, then KpDecodeImageFile's decoding.
    KpDecodeResult Decode(const CString& strPath, Gdiplus::GpImage** ppImage);

private:
    void* m_pHelper;  // owned: the helper, while it waits for the next file
};

// Starts the helper the next KpDecodeImageFile will use, when there is none
// yet: while the user picks a file, say.
KPLIB_API void KpPrepareImageDecoder();

// The helper's side. Whether the program was started as the helper, and
// the helper's whole run (its result is the process's exit code).
KPLIB_API BOOL KpIsImageDecoderCommand(const char* pszCmdLine);
KPLIB_API int KpRunImageDecoder(const char* pszCmdLine);

// What the last helper was started with: each restriction, whether the
// program asked for it and whether the system took it. (A system may take a
// restriction and still not enforce it.)
enum KpSandboxState { KpNotAsked = 0, KpAskedRefused, KpTaken };
struct KpDecoderSandbox {
    int nRestrictedToken;  // no privileges, the administrators group only to deny
    int nLowIntegrity;     // that token at low integrity
    int nJob;              // in a job of its own, which ends it with the program
    int nOneProcess;       // the job holds no second process
    int nUiLimits;         // no clipboard, desktop switch, global atoms or system parameters
    int nHandleList;       // it inherits the handles it needs and no other
};
KPLIB_API KpDecoderSandbox KpGetDecoderSandbox();

// For tests: the helper program (null: the running program's own file), the
// time limit of the helper's work, a helper that waits after reading the
// file until it is killed, and a call (on the decode's thread) with the
// helper's process handle once it has its file.
struct KpDecoderTestHooks {
    const wchar_t* pszHelper;  // copied
    DWORD dwTimeoutMs;         // 0: the normal limit
    BOOL bHold;
    void (*pfnStarted)(HANDLE hProcess, void* pContext);
    void* pContext;
};
// Null restores the normal behaviour.
KPLIB_API void KpSetDecoderTestHooks(const KpDecoderTestHooks* pHooks);
