// What the program and its decoding helper share: one block of memory the
// program makes and hands to the helper, and the conversation over it.
//
// The helper, once started, sets hReady and waits for hGo. For each file the
// program puts a read handle of it into the helper (hFile) and sets hGo. The
// helper reads the file and writes the image's size and format; then sets
// hSized, or hDone at once when the file is no image it can take (nResult).
// The program checks that answer and makes the pixel section itself, for
// exactly that size, puts a handle of it into the helper (hPixels; 0 when it
// refused the size) and sets hPixelsGiven. The helper decodes into it and
// sets hDone. Nothing the helper controls decides what the program maps: the
// program maps its own handle of its own section, for the size it checked.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

// The helper's switch; the block's handle follows it in hexadecimal.
#define KP_DECODER_SWITCH "/decode-image:"

struct KpDecoderBlock {
    // Set by the program before the helper starts.
    DWORD nBlockSize;        // sizeof(KpDecoderBlock): a helper of another build refuses
    ULONGLONG hReady;        // manual-reset event the helper sets once it waits for files
    ULONGLONG hGo;           // auto-reset event the program sets once hFile names a file
    ULONGLONG hSized;        // auto-reset event the helper sets once the size below is written
    ULONGLONG hPixelsGiven;  // auto-reset event the program sets once hPixels is written
    ULONGLONG hDone;         // auto-reset event the helper sets once nResult is final
    ULONGLONG hParent;       // the program's process (SYNCHRONIZE): the helper ends with it
    // Set by the program before hGo.
    DWORD bHold;        // tests: wait after reading the file until killed
    ULONGLONG hFile;    // the file, a read handle in the helper's process; the helper closes it
    // The helper's answer: the size with hSized, the result with hDone.
    LONG nResult;  // a KpDecodeResult
    UINT nWidth;
    UINT nHeight;
    INT nStride;  // bytes from one row to the next, positive
    INT nFormat;  // PixelFormat24bppRGB or PixelFormat32bppARGB
    float fDpiX;
    float fDpiY;
    // Set by the program before hPixelsGiven: a section of nHeight rows of
    // nStride bytes in the helper's process, or 0. The helper closes it.
    ULONGLONG hPixels;
};

// The bytes of a row of w pixels of nBits bits, padded to four bytes as
// GDI+ and DIBs lay them out; 0 when it would not fit an INT.
inline INT KpRowStride(unsigned long long w, unsigned nBits) {
    unsigned long long n = (w * nBits + 31) / 32 * 4;
    return n > 0x7FFFFFFF ? 0 : (INT)n;
}

// What GdipBitmapLockBits is given to read or write the rows at pRows
// itself (ImageLockModeUserInputBuf).
inline Gdiplus::BitmapData KpRowsAt(void* pRows, UINT w, UINT h, INT nStride, Gdiplus::PixelFormat format) {
    Gdiplus::BitmapData data = {};
    data.Width = w;
    data.Height = h;
    data.Stride = nStride;
    data.PixelFormat = format;
    data.Scan0 = pRows;
    return data;
}

// A view of a file mapping, unmapped on scope exit.
class KpMappedView {
public:
    explicit KpMappedView(void* p) : m_p(p) {}
    ~KpMappedView() {
        if (m_p != nullptr) ::UnmapViewOfFile(m_p);
    }
    KpMappedView(const KpMappedView&) = delete;
    KpMappedView& operator=(const KpMappedView&) = delete;
    void* get() const { return m_p; }

private:
    void* m_p;
};
