// What the program and its decoding helper share: one block of memory the
// program makes and the helper inherits.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

// The helper's switch; the block's handle follows it in hexadecimal.
#define KP_DECODER_SWITCH "/decode-image:"

struct KpDecoderBlock {
    // Set by the program.
    DWORD nBlockSize;   // sizeof(KpDecoderBlock): a helper of another build refuses
    ULONGLONG hGo;      // auto-reset event the program sets once the file is named below
    ULONGLONG hDone;    // event the helper sets once its answer is written
    ULONGLONG hTaken;   // auto-reset event the program sets once it holds the pixels
    ULONGLONG hParent;  // the program's process (SYNCHRONIZE): the helper ends with it
    // Set by the program before hGo.
    DWORD bHold;          // tests: wait after reading the file until killed
    WCHAR szPath[32768];  // the file
    // The helper's answer, valid once hDone is set.
    LONG nResult;  // a KpDecodeResult
    UINT nWidth;
    UINT nHeight;
    INT nStride;  // bytes from one row to the next, positive
    INT nFormat;  // PixelFormat24bppRGB or PixelFormat32bppARGB
    float fDpiX;
    float fDpiY;
    ULONGLONG hPixels;  // file mapping in the helper's process: nHeight rows of nStride bytes
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
