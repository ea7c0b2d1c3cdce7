// The decoding helper: the program started with the decoder switch, in the
// sandbox the program makes for it, reads one file after another from the
// handles the program gives it, decodes each one's first frame with GDI+
// and writes the pixels into the section the program made for them. It
// reads no settings, opens no file and shows no window; whatever goes wrong,
// it only ever ends.
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

// The whole file in a memory stream, read from the handle the program gave,
// which is closed again: the helper holds no lock on the file while it
// decodes, and could open no file by itself.
IStream* ReadWholeFile(HANDLE hFile) {
    kfw::ScopedHandle file(hFile);
    LARGE_INTEGER size;
    LARGE_INTEGER start = {};
    if (!file.valid() || !::SetFilePointerEx(file.get(), start, nullptr, FILE_BEGIN) ||
        !::GetFileSizeEx(file.get(), &size) || size.QuadPart <= 0 || size.QuadPart > KpMaxImageFileBytes)
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

// The pixels of image (w x h, format, nStride) into the rows at pRows.
bool DrawInto(Gdiplus::GpImage* pImage, Gdiplus::ImageType type, void* pRows, UINT w, UINT h, INT nStride,
              Gdiplus::PixelFormat format) {
    if (type == Gdiplus::ImageTypeBitmap) {
        // Decoded straight into the shared rows.
        Gdiplus::GpRect rect(0, 0, (INT)w, (INT)h);
        Gdiplus::BitmapData data = KpRowsAt(pRows, w, h, nStride, format);
        return GdipBitmapLockBits(static_cast<Gdiplus::GpBitmap*>(pImage), &rect,
                                  Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeUserInputBuf, format,
                                  &data) == Gdiplus::Ok &&
               GdipBitmapUnlockBits(static_cast<Gdiplus::GpBitmap*>(pImage), &data) == Gdiplus::Ok;
    }
    // A metafile is drawn at its own size over transparent pixels.
    kfw::ScopedGpImage<Gdiplus::GpBitmap> target;
    Gdiplus::GpGraphics* pGraphics = nullptr;
    if (GdipCreateBitmapFromScan0((INT)w, (INT)h, nStride, format, (BYTE*)pRows, target.out()) != Gdiplus::Ok ||
        GdipGetImageGraphicsContext(target.get(), &pGraphics) != Gdiplus::Ok)
        return false;
    bool bDone = GdipDrawImageRectI(pGraphics, pImage, 0, 0, (INT)w, (INT)h) == Gdiplus::Ok;
    GdipDeleteGraphics(pGraphics);
    return bDone;
}

// Decodes the file the block names: the size first, for the program to make
// the pixel section from, then the pixels into that section. Sets hDone
// with the result, except when the program refused the size.
void DecodeOne(KpDecoderBlock& block) {
    const HANDLE hDone = (HANDLE)(ULONG_PTR)block.hDone;
    auto answer = [&](KpDecodeResult result) {
        block.nResult = result;
        ::SetEvent(hDone);
    };
    IStream* pStream = ReadWholeFile((HANDLE)(ULONG_PTR)block.hFile);
    if (pStream == nullptr) return answer(KpDecodeFailed);
    if (block.bHold) ::Sleep(INFINITE);
    kfw::ScopedGpImage<Gdiplus::GpImage> image;
    Gdiplus::GpStatus status = GdipLoadImageFromStream(pStream, image.out());
    pStream->Release();  // the image keeps its own reference
    if (status != Gdiplus::Ok || image.get() == nullptr) return answer(KpDecodeFailed);

    // The size as the decoder read it from the header, for every format
    // (metafiles and icons too), before a pixel is drawn.
    UINT w = 0, h = 0;
    Gdiplus::ImageType type = Gdiplus::ImageTypeUnknown;
    Gdiplus::PixelFormat sourceFormat = 0;
    if (GdipGetImageWidth(image.get(), &w) != Gdiplus::Ok || GdipGetImageHeight(image.get(), &h) != Gdiplus::Ok ||
        GdipGetImageType(image.get(), &type) != Gdiplus::Ok ||
        GdipGetImagePixelFormat(image.get(), &sourceFormat) != Gdiplus::Ok || w == 0 || h == 0)
        return answer(KpDecodeFailed);
    if (!KpImageSizeAllowed(w, h)) return answer(KpDecodeTooLarge);
    const bool b24 = type == Gdiplus::ImageTypeBitmap && sourceFormat == PixelFormat24bppRGB;
    const Gdiplus::PixelFormat format = b24 ? PixelFormat24bppRGB : PixelFormat32bppARGB;
    const INT nStride = KpRowStride(w, b24 ? 24 : 32);
    if (nStride == 0) return answer(KpDecodeTooLarge);
    Gdiplus::REAL dpiX = 0, dpiY = 0;
    if (GdipGetImageHorizontalResolution(image.get(), &dpiX) != Gdiplus::Ok ||
        GdipGetImageVerticalResolution(image.get(), &dpiY) != Gdiplus::Ok)
        dpiX = dpiY = 0;
    block.nWidth = w;
    block.nHeight = h;
    block.nStride = nStride;
    block.nFormat = (INT)format;
    block.fDpiX = dpiX;
    block.fDpiY = dpiY;
    ::SetEvent((HANDLE)(ULONG_PTR)block.hSized);

    // The program's section for exactly that size, or none: it refused.
    ::WaitForSingleObject((HANDLE)(ULONG_PTR)block.hPixelsGiven, INFINITE);
    kfw::ScopedHandle pixels((HANDLE)(ULONG_PTR)block.hPixels);
    if (!pixels.valid()) return;
    KpMappedView view(::MapViewOfFile(pixels.get(), FILE_MAP_WRITE, 0, 0, (SIZE_T)nStride * h));
    answer(view.get() != nullptr && DrawInto(image.get(), type, view.get(), w, h, nStride, format) ? KpDecoded
                                                                                                 : KpDecodeFailed);
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
    ::SetEvent((HANDLE)(ULONG_PTR)pBlock->hReady);
    // One file after another, each named by the program when it has one;
    // the program ends the helper when one takes too long, and the parent
    // watch when the program goes first.
    const HANDLE hGo = (HANDLE)(ULONG_PTR)pBlock->hGo;
    while (::WaitForSingleObject(hGo, INFINITE) == WAIT_OBJECT_0)
        DecodeOne(*pBlock);
    return 0;
}
