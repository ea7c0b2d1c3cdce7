// Reading image files apart from the program.
//
// Image decoders are the code most easily broken by a bad file: one that
// crashes or loops must not take the program, and the capture the user has
// not saved, with it. A file is therefore first judged by its header here
// (the cheap refusals cost no process), then decoded by the program itself
// started as a helper (KpRunImageDecoder), which hands the pixels back
// through shared memory and is killed when it takes too long.
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

// Decodes the file in a helper process. On KpDecoded *ppImage is a new
// GDI+ bitmap (the caller owns it) of the image's first frame at its own
// size: 24 bits per pixel when the file has that, else 32 bits with alpha.
// The calling thread keeps its windows answering (messages are pumped,
// with the wait cursor) and counts as in a modal run meanwhile.
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

// For tests: the helper program (empty: Kapto.exe in the program's folder),
// the time limit, a helper that waits after reading the file until it is
// killed, and a call with the helper's process handle once it runs.
struct KpDecoderTestHooks {
    CString strHelper;
    DWORD dwTimeoutMs;  // 0: the normal limit
    BOOL bHold;
    void (*pfnStarted)(HANDLE hProcess, void* pContext);
    void* pContext;
};
// Null restores the normal behaviour.
KPLIB_API void KpSetDecoderTestHooks(const KpDecoderTestHooks* pHooks);
