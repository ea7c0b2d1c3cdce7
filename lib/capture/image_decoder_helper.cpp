// The decoding helper: the program started with the decoder switch reads
// one file, decodes its first frame with GDI+ and leaves the pixels in a
// file mapping for the program to take. It reads no settings and shows no
// window; whatever goes wrong, it only ever ends.
#include "image_decoder.h"

#include "framework/scoped_handles.h"
#include "image_decoder_block.h"

#include <cstdlib>
#include <cstring>

#include <objidl.h>
#include <gdiplus.h>

using namespace Gdiplus::DllExports;

namespace {

// A crash in a decoder ends the helper at once: no error box, no debugger.
LONG WINAPI DieOnCrash(EXCEPTION_POINTERS*) {
    ::TerminateProcess(::GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}

// Ends the helper when the program that started it is gone.
DWORD WINAPI WatchParent(void* hParent) {
    ::WaitForSingleObject((HANDLE)hParent, INFINITE);
    ::TerminateProcess(::GetCurrentProcess(), 4);
    return 0;
}

// The whole file in a memory stream, the file closed again: the helper
// holds no lock on it while it decodes.
IStream* ReadWholeFile(const WCHAR* pszPath) {
    kfw::ScopedHandle file(::CreateFileW(pszPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size;
    if (!file.valid() || !::GetFileSizeEx(file.get(), &size) || size.QuadPart <= 0 ||
        size.QuadPart > KpMaxImageFileBytes)
        return nullptr;
    const DWORD nSize = (DWORD)size.QuadPart;
    HGLOBAL hMem = ::GlobalAlloc(GMEM_MOVEABLE, nSize);
    if (hMem == nullptr) return nullptr;
    void* pData = ::GlobalLock(hMem);
    DWORD nRead = 0;
    BOOL bRead = pData != nullptr && ::ReadFile(file.get(), pData, nSize, &nRead, nullptr) && nRead == nSize;
    if (pData != nullptr) ::GlobalUnlock(hMem);
    IStream* pStream = nullptr;
    if (!bRead || FAILED(::CreateStreamOnHGlobal(hMem, TRUE, &pStream))) {
        ::GlobalFree(hMem);
        return nullptr;
    }
    return pStream;
}

// Decodes the file the block names into a new file mapping (*phPixels) and
// fills in the answer's size fields.
KpDecodeResult Decode(KpDecoderBlock& block, HANDLE* phPixels) {
    block.szPath[sizeof block.szPath / sizeof(WCHAR) - 1] = 0;
    IStream* pStream = ReadWholeFile(block.szPath);
    if (pStream == nullptr) return KpDecodeFailed;
    if (block.bHold) ::Sleep(INFINITE);
    kfw::ScopedGpImage<Gdiplus::GpImage> image;
    Gdiplus::GpStatus status = GdipLoadImageFromStream(pStream, image.out());
    pStream->Release();  // the image keeps its own reference
    if (status != Gdiplus::Ok || image.get() == nullptr) return KpDecodeFailed;

    // The size as the decoder read it from the header, for every format
    // (metafiles and icons too), before a pixel is drawn.
    UINT w = 0, h = 0;
    Gdiplus::ImageType type = Gdiplus::ImageTypeUnknown;
    Gdiplus::PixelFormat sourceFormat = 0;
    if (GdipGetImageWidth(image.get(), &w) != Gdiplus::Ok || GdipGetImageHeight(image.get(), &h) != Gdiplus::Ok ||
        GdipGetImageType(image.get(), &type) != Gdiplus::Ok ||
        GdipGetImagePixelFormat(image.get(), &sourceFormat) != Gdiplus::Ok || w == 0 || h == 0)
        return KpDecodeFailed;
    if (!KpImageSizeAllowed(w, h)) return KpDecodeTooLarge;

    const bool b24 = type == Gdiplus::ImageTypeBitmap && sourceFormat == PixelFormat24bppRGB;
    const Gdiplus::PixelFormat format = b24 ? PixelFormat24bppRGB : PixelFormat32bppARGB;
    const INT nStride = KpRowStride(w, b24 ? 24 : 32);
    if (nStride == 0) return KpDecodeTooLarge;
    const unsigned long long nBytes = (unsigned long long)nStride * h;
    kfw::ScopedHandle mapping(::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, (DWORD)(nBytes >> 32),
                                                   (DWORD)nBytes, nullptr));
    if (mapping.get() == nullptr) return KpDecodeFailed;
    KpMappedView view(::MapViewOfFile(mapping.get(), FILE_MAP_WRITE, 0, 0, (SIZE_T)nBytes));
    if (view.get() == nullptr) return KpDecodeFailed;

    bool bDone = false;
    if (type == Gdiplus::ImageTypeBitmap) {
        // Decoded straight into the shared rows.
        Gdiplus::GpRect rect(0, 0, (INT)w, (INT)h);
        Gdiplus::BitmapData data = KpRowsAt(view.get(), w, h, nStride, format);
        bDone = GdipBitmapLockBits(static_cast<Gdiplus::GpBitmap*>(image.get()), &rect,
                                   Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeUserInputBuf, format,
                                   &data) == Gdiplus::Ok &&
                GdipBitmapUnlockBits(static_cast<Gdiplus::GpBitmap*>(image.get()), &data) == Gdiplus::Ok;
    } else {
        // A metafile is drawn at its own size over transparent pixels.
        kfw::ScopedGpImage<Gdiplus::GpBitmap> target;
        Gdiplus::GpGraphics* pGraphics = nullptr;
        if (GdipCreateBitmapFromScan0((INT)w, (INT)h, nStride, format, (BYTE*)view.get(), target.out()) ==
                Gdiplus::Ok &&
            GdipGetImageGraphicsContext(target.get(), &pGraphics) == Gdiplus::Ok) {
            bDone = GdipDrawImageRectI(pGraphics, image.get(), 0, 0, (INT)w, (INT)h) == Gdiplus::Ok;
            GdipDeleteGraphics(pGraphics);
        }
    }
    if (!bDone) return KpDecodeFailed;
    Gdiplus::REAL dpiX = 0, dpiY = 0;
    if (GdipGetImageHorizontalResolution(image.get(), &dpiX) == Gdiplus::Ok &&
        GdipGetImageVerticalResolution(image.get(), &dpiY) == Gdiplus::Ok) {
        block.fDpiX = dpiX;
        block.fDpiY = dpiY;
    }
    block.nWidth = w;
    block.nHeight = h;
    block.nStride = nStride;
    block.nFormat = (INT)format;
    *phPixels = mapping.Release();
    return KpDecoded;
}

// Loads the decoders while the helper waits for its file: the first image
// a process decodes pays for them. A 1 x 1 PNG is enough.
void WarmUp() {
    static const BYTE kPng[] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48,
                                0x44, 0x52, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x02, 0x00, 0x00,
                                0x00, 0x90, 0x77, 0x53, 0xDE, 0x00, 0x00, 0x00, 0x0C, 0x49, 0x44, 0x41, 0x54, 0x78,
                                0x9C, 0x63, 0xF8, 0xFF, 0xFF, 0x3F, 0x00, 0x05, 0xFE, 0x02, 0xFE, 0x0D, 0xEF, 0x46,
                                0xB8, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};
    HGLOBAL hMem = ::GlobalAlloc(GMEM_MOVEABLE, sizeof kPng);
    void* p = hMem != nullptr ? ::GlobalLock(hMem) : nullptr;
    if (p == nullptr) {
        if (hMem != nullptr) ::GlobalFree(hMem);
        return;
    }
    memcpy(p, kPng, sizeof kPng);
    ::GlobalUnlock(hMem);
    IStream* pStream = nullptr;
    if (FAILED(::CreateStreamOnHGlobal(hMem, TRUE, &pStream))) {
        ::GlobalFree(hMem);
        return;
    }
    kfw::ScopedGpImage<Gdiplus::GpImage> image;
    GdipLoadImageFromStream(pStream, image.out());
    pStream->Release();
}

}  // namespace

BOOL KpIsImageDecoderCommand(const char* pszCmdLine) {
    return pszCmdLine != nullptr && strncmp(pszCmdLine, KP_DECODER_SWITCH, strlen(KP_DECODER_SWITCH)) == 0;
}

int KpRunImageDecoder(const char* pszCmdLine) {
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    ::SetUnhandledExceptionFilter(DieOnCrash);
    // No library is ever looked for in the current folder.
    ::SetDllDirectoryA("");
    if (!KpIsImageDecoderCommand(pszCmdLine)) return 1;
    HANDLE hBlock = (HANDLE)(ULONG_PTR)strtoull(pszCmdLine + strlen(KP_DECODER_SWITCH), nullptr, 16);
    KpMappedView blockView(::MapViewOfFile(hBlock, FILE_MAP_WRITE, 0, 0, sizeof(KpDecoderBlock)));
    KpDecoderBlock* pBlock = static_cast<KpDecoderBlock*>(blockView.get());
    if (pBlock == nullptr || pBlock->nBlockSize != sizeof(KpDecoderBlock)) return 1;
    HANDLE hWatch = ::CreateThread(nullptr, 0, WatchParent, (void*)(ULONG_PTR)pBlock->hParent, 0, nullptr);
    if (hWatch != nullptr) ::CloseHandle(hWatch);

    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return 1;
    WarmUp();
    // One file after another, each named by the program when it has one;
    // the program ends the helper when one takes too long, and the parent
    // watch when the program goes first.
    const HANDLE hGo = (HANDLE)(ULONG_PTR)pBlock->hGo;
    const HANDLE hTaken = (HANDLE)(ULONG_PTR)pBlock->hTaken;
    while (::WaitForSingleObject(hGo, INFINITE) == WAIT_OBJECT_0) {
        HANDLE hPixels = nullptr;
        pBlock->nResult = Decode(*pBlock, &hPixels);
        pBlock->hPixels = (ULONGLONG)(ULONG_PTR)hPixels;
        ::SetEvent((HANDLE)(ULONG_PTR)pBlock->hDone);
        // The program has its own handle to the pixels once it has taken them.
        if (hPixels != nullptr) {
            ::WaitForSingleObject(hTaken, INFINITE);
            ::CloseHandle(hPixels);
        }
    }
    return 0;
}
