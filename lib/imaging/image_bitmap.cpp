// CImageBitmap: pixels in and out of a screen-compatible bitmap, processor
// chains, copies, and pictures loaded through the system loaders.
#include "image_bitmap.h"

#include <limits.h>
#include <string.h>

#include <new>

#include "framework/cstring.h"

namespace {

// Largest pixel array handed to GDI or kept for a chain: its byte count must
// fit the signed 32-bit sizes GDI computes with (biSizeImage and the scan
// line arithmetic), so nothing wraps on the way.
bool FrameFits(long long w, long long h)
{
    return w >= 0 && h >= 0 && (w == 0 || h <= INT_MAX / 4 / w);
}

// The screen's DC for the length of one call.
class CScreenDC {
public:
    CScreenDC() : m_hDC(::GetDC(nullptr)) {}
    ~CScreenDC()
    {
        if (m_hDC != nullptr) ::ReleaseDC(nullptr, m_hDC);
    }
    CScreenDC(const CScreenDC&) = delete;
    CScreenDC& operator=(const CScreenDC&) = delete;
    HDC m_hDC;  // released here
};

// COM for the length of one load: the OLE picture loader needs it, and the
// caller may not have started it. A thread that already has COM keeps it.
class CComScope {
public:
    CComScope() : m_bStarted(SUCCEEDED(::CoInitialize(nullptr))) {}
    ~CComScope()
    {
        if (m_bStarted) ::CoUninitialize();
    }
    CComScope(const CComScope&) = delete;
    CComScope& operator=(const CComScope&) = delete;

private:
    bool m_bStarted;
};

}  // namespace

CImageBitmap::CImageBitmap(unsigned long clrBackground) : m_clrBackground((COLORREF)clrBackground) {}

CImageBitmap::~CImageBitmap() {}

// ---- Pixel access --------------------------------------------------------------

long CImageBitmap::PrepareBitmapInfo32(BITMAPINFO& bmi, HBITMAP hBitmap)
{
    HGDIOBJ h = hBitmap != nullptr ? (HGDIOBJ)hBitmap : m_hObject;
    if (h == nullptr) return 0;
    BITMAP bm;
    if (::GetObjectA(h, sizeof(bm), &bm) == 0) return 0;
    if (bm.bmWidth <= 0 || bm.bmHeight <= 0 || !FrameFits(bm.bmWidth, bm.bmHeight)) return 0;
    BITMAPINFOHEADER& hdr = bmi.bmiHeader;
    hdr.biSize = sizeof(BITMAPINFOHEADER);
    hdr.biWidth = bm.bmWidth;
    hdr.biHeight = -bm.bmHeight;
    hdr.biPlanes = 1;
    hdr.biBitCount = 32;
    hdr.biCompression = BI_RGB;
    hdr.biSizeImage = (DWORD)bm.bmWidth * (DWORD)bm.bmHeight * 4;
    hdr.biClrUsed = 0;
    hdr.biClrImportant = 0;
    return bm.bmHeight;
}

RGBX* CImageBitmap::GetDIBits32()
{
    BITMAPINFO bmi;
    memset(&bmi, 0, sizeof(bmi));
    const long lines = PrepareBitmapInfo32(bmi, nullptr);
    if (lines == 0) return nullptr;
    RGBX* pPixels = new (std::nothrow) RGBX[bmi.bmiHeader.biSizeImage / sizeof(RGBX)];
    if (pPixels == nullptr) return nullptr;
    CScreenDC screen;
    if (screen.m_hDC == nullptr ||
        ::GetDIBits(screen.m_hDC, (HBITMAP)m_hObject, 0, (UINT)lines, pPixels, &bmi, DIB_RGB_COLORS) != lines) {
        delete[] pPixels;
        return nullptr;
    }
    return pPixels;
}

int CImageBitmap::Fill(RGBX* pPixels, CSize size, unsigned long clr)
{
    if (pPixels == nullptr) return 0;
    if (!FrameFits(size.cx, size.cy)) return 0;
    const int w = size.cx, h = size.cy;
    if (w == 0 || h == 0) return 1;
    const size_t count = (size_t)w * (size_t)h;
    // The two common backgrounds are one byte fill; white sets the fourth
    // byte too.
    if (clr == 0xFFFFFFFFul || clr == 0x00FFFFFFul) {
        memset((void*)pPixels, 0xFF, count * sizeof(RGBX));
        return 1;
    }
    if (clr == 0) {
        memset((void*)pPixels, 0, count * sizeof(RGBX));
        return 1;
    }
    RGBX first;
    first.b = GetBValue(clr);
    first.g = GetGValue(clr);
    first.r = GetRValue(clr);
    first.x = 0;
    pPixels[0] = first;
    // Doubling copies: the first row from its first pixel, then the rows
    // from the first row.
    for (long long k = 1; k < w; k *= 2) {
        const long long n = k < w - k ? k : w - k;
        memcpy((void*)(pPixels + k), pPixels, (size_t)n * sizeof(RGBX));
    }
    for (long long d = 1; d < h; d *= 2) {
        const long long n = d < h - d ? d : h - d;
        memcpy((void*)(pPixels + (size_t)d * w), pPixels, (size_t)n * w * sizeof(RGBX));
    }
    return 1;
}

// ---- Processing --------------------------------------------------------------------

int CImageBitmap::ProcessImage(CArray<CImage32BitProcessor*, CImage32BitProcessor*>& arrProcessors)
{
    if (m_hObject == nullptr) return 0;
    const int nCount = arrProcessors.GetSize();
    if (nCount == 0) return 1;
    for (int i = 0; i < nCount; ++i)
        if (arrProcessors[i] == nullptr) return 0;

    BITMAP bm;
    if (::GetObjectA(m_hObject, sizeof(bm), &bm) == 0) return 0;
    const CSize start(bm.bmWidth, bm.bmHeight);

    // Size pass: the destination array is made once, at the largest width
    // and height any step produces. A size that is negative or whose pixels
    // would not fit refuses the chain before anything is allocated.
    long long maxW = start.cx, maxH = start.cy;
    CSize size = start;
    for (int i = 0; i < nCount; ++i) {
        size = arrProcessors[i]->CalcDestSize(size);
        if (size.cx < 0 || size.cy < 0) return 0;
        if (size.cx > maxW) maxW = size.cx;
        if (size.cy > maxH) maxH = size.cy;
    }
    if (!FrameFits(maxW, maxH)) return 0;
    const size_t dstCapacity = (size_t)maxW * (size_t)maxH;

    RGBX* pSrc = GetDIBits32();  // owned
    if (pSrc == nullptr) return 0;
    size_t srcCapacity = (size_t)start.cx * (size_t)start.cy;
    RGBX* pDst = new (std::nothrow) RGBX[dstCapacity];  // owned
    if (pDst == nullptr) {
        delete[] pSrc;
        return 0;
    }
    Fill(pDst, CSize((int)maxW, (int)maxH), m_clrBackground);

    int nResult = 1;
    CSize cur = start;
    for (int i = 0; i < nCount && nResult; ++i) {
        if (i > 0) {
            // The previous output becomes the source; the source array grows
            // only when that output holds more pixels than it can.
            const size_t n = (size_t)cur.cx * (size_t)cur.cy;
            if (n > srcCapacity) {
                delete[] pSrc;
                pSrc = new (std::nothrow) RGBX[n];
                srcCapacity = n;
                if (pSrc == nullptr) {
                    nResult = 0;
                    break;
                }
            }
            memcpy((void*)pSrc, pDst, n * sizeof(RGBX));
            // A processor writes only inside its own output, so refilling
            // that part makes the whole destination background again.
            Fill(pDst, cur, m_clrBackground);
        }
        const CSize out = arrProcessors[i]->CalcDestSize(cur);
        // A processor that plans differently the second time must still not
        // write past the destination.
        if (out.cx < 0 || out.cy < 0 || !FrameFits(out.cx, out.cy) ||
            (size_t)out.cx * (size_t)out.cy > dstCapacity) {
            nResult = 0;
            break;
        }
        if (!arrProcessors[i]->ProcessPixels(pSrc, cur, pDst, out)) nResult = 0;
        cur = out;
    }

    // Write-back: a new bitmap, the old one replaced only when it is
    // complete. An empty result cannot be a bitmap.
    if (nResult && (cur.cx == 0 || cur.cy == 0)) nResult = 0;
    if (nResult) {
        nResult = 0;
        CScreenDC screen;
        if (screen.m_hDC != nullptr) {
            HBITMAP hNew = ::CreateCompatibleBitmap(screen.m_hDC, cur.cx, cur.cy);
            BITMAPINFO bmi;
            memset(&bmi, 0, sizeof(bmi));
            if (hNew != nullptr && PrepareBitmapInfo32(bmi, hNew) == cur.cy && bmi.bmiHeader.biWidth == cur.cx &&
                ::SetDIBits(screen.m_hDC, hNew, 0, (UINT)cur.cy, pDst, &bmi, DIB_RGB_COLORS) == cur.cy) {
                DeleteObject();
                nResult = Attach(hNew);
                hNew = nullptr;
            }
            if (hNew != nullptr) ::DeleteObject(hNew);
        }
    }
    delete[] pSrc;
    delete[] pDst;
    return nResult;
}

int CImageBitmap::ProcessImage(CImage32BitProcessor* pProcessor)
{
    CArray<CImage32BitProcessor*, CImage32BitProcessor*> arr;
    if (arr.Add(pProcessor) < 0) return 0;
    return ProcessImage(arr);
}

int CImageBitmap::RotateImage(int nDegrees, int bWeighted)
{
    CImageRotator p(nDegrees, bWeighted);
    return ProcessImage(&p);
}

int CImageBitmap::ShearImage(int nAcross, int nDown, int bWeighted)
{
    CImageShearer p(nAcross, nDown, bWeighted);
    return ProcessImage(&p);
}

int CImageBitmap::GrayImage()
{
    CImageGrayer p;
    return ProcessImage(&p);
}

int CImageBitmap::BlurImage(int nFactor)
{
    CImageBlurrer p(nFactor);
    return ProcessImage(&p);
}

int CImageBitmap::SharpenImage(int nFactor)
{
    CImageSharpener p(nFactor);
    return ProcessImage(&p);
}

int CImageBitmap::ResizeImage(double dFactor)
{
    CImageResizer p(dFactor);
    return ProcessImage(&p);
}

int CImageBitmap::FlipImage(int bHorz, int bVert)
{
    CImageFlipper p(bHorz, bVert);
    return ProcessImage(&p);
}

int CImageBitmap::NegateImage()
{
    CImageNegator p;
    return ProcessImage(&p);
}

int CImageBitmap::ReplaceColor(unsigned long clrFrom, unsigned long clrTo)
{
    CImageColorReplacer p(clrFrom, clrTo);
    return ProcessImage(&p);
}

// ---- Copies ------------------------------------------------------------------------

int CImageBitmap::CopyImage(HBITMAP hBitmap)
{
    if (hBitmap == nullptr) return 0;
    BITMAPINFO bmi;
    memset(&bmi, 0, sizeof(bmi));
    const long lines = PrepareBitmapInfo32(bmi, hBitmap);
    if (lines == 0) return 0;
    BYTE* pBits = new (std::nothrow) BYTE[bmi.bmiHeader.biSizeImage];  // owned
    if (pBits == nullptr) return 0;
    int nResult = 0;
    CScreenDC screen;
    if (screen.m_hDC != nullptr &&
        ::GetDIBits(screen.m_hDC, hBitmap, 0, (UINT)lines, pBits, &bmi, DIB_RGB_COLORS) == lines) {
        const int width = (int)(bmi.bmiHeader.biSizeImage / ((DWORD)lines * 4));
        HBITMAP hNew = ::CreateCompatibleBitmap(screen.m_hDC, width, (int)lines);
        if (hNew != nullptr && ::SetDIBits(screen.m_hDC, hNew, 0, (UINT)lines, pBits, &bmi, DIB_RGB_COLORS) == lines) {
            // Copying onto itself: the source handle is the own bitmap and
            // goes only now, after its pixels were read.
            DeleteObject();
            nResult = Attach(hNew);
            hNew = nullptr;
        }
        if (hNew != nullptr) ::DeleteObject(hNew);
    }
    delete[] pBits;
    return nResult;
}

int CImageBitmap::CopyImage(CBitmap* pBitmap)
{
    if (pBitmap == nullptr) return 0;
    return CopyImage((HBITMAP)pBitmap->GetSafeHandle());
}

// ---- Loading ------------------------------------------------------------------------

int CImageBitmap::GetFileType(const char* lpszFileName)
{
    if (lpszFileName == nullptr) return 4;
    CString name(lpszFileName);
    name.MakeUpper();
    // Anywhere after the first character; the first test that matches wins.
    struct Test {
        const char* text;
        int code;
    };
    static const Test kTests[] = {{".BMP", 0}, {".ICO", 1}, {".JPG", 2}, {".JPEG", 2}, {".GIF", 3}};
    for (const Test& t : kTests)
        if (name.GetLength() > 1 && name.Find(t.text, 1) > 0) return t.code;
    return 4;
}

int CImageBitmap::LoadImage(const char* lpszFileName, unsigned long clr)
{
    if (m_hObject != nullptr) return 0;
    if (clr == 0xFFFFFFFFul) clr = m_clrBackground;
    HBITMAP h = LoadImageFile(lpszFileName, clr);
    if (h == nullptr) return 0;
    if (!Attach(h)) {
        ::DeleteObject(h);
        return 0;
    }
    return 1;
}

int CImageBitmap::LoadImage(UINT nID, const char* lpszType, HINSTANCE hInstance, unsigned long clr)
{
    if (m_hObject != nullptr) return 0;
    if (clr == 0xFFFFFFFFul) clr = m_clrBackground;
    HBITMAP h = LoadImageResource(nID, lpszType, hInstance, clr);
    if (h == nullptr) return 0;
    if (!Attach(h)) {
        ::DeleteObject(h);
        return 0;
    }
    return 1;
}

HBITMAP CImageBitmap::LoadImageFile(const char* lpszFileName, unsigned long clr)
{
    if (lpszFileName == nullptr) return nullptr;
    const int type = GetFileType(lpszFileName);
    if (type == 0)
        return (HBITMAP)::LoadImageA(nullptr, lpszFileName, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE);
    if (type == 4) return nullptr;

    const int nWide = ::MultiByteToWideChar(CP_THREAD_ACP, 0, lpszFileName, -1, nullptr, 0);
    if (nWide <= 0) return nullptr;
    WCHAR* pszWide = new (std::nothrow) WCHAR[nWide];  // owned
    if (pszWide == nullptr) return nullptr;
    HBITMAP hBitmap = nullptr;
    if (::MultiByteToWideChar(CP_THREAD_ACP, 0, lpszFileName, -1, pszWide, nWide) == nWide) {
        CComScope com;
        IPicture* pPicture = nullptr;
        if (SUCCEEDED(::OleLoadPicturePath(pszWide, nullptr, 0, (OLE_COLOR)clr, IID_IPicture, (void**)&pPicture)) &&
            pPicture != nullptr) {
            hBitmap = ExtractBitmap(pPicture, clr);
            pPicture->Release();
        }
    }
    delete[] pszWide;
    return hBitmap;
}

HBITMAP CImageBitmap::LoadImageResource(UINT nID, const char* lpszType, HINSTANCE hInstance, unsigned long clr)
{
    LPCSTR lpszName = MAKEINTRESOURCEA(LOWORD(nID));
    int nSize = 0;
    if (!GetResource(lpszName, lpszType, hInstance, nullptr, nSize) || nSize <= 0) return nullptr;
    unsigned char* pBuffer = new (std::nothrow) unsigned char[nSize];  // owned
    if (pBuffer == nullptr) return nullptr;
    HBITMAP hBitmap = nullptr;
    if (GetResource(lpszName, lpszType, hInstance, pBuffer, nSize)) {
        CComScope com;
        IPicture* pPicture = LoadFromBuffer(pBuffer, nSize);
        if (pPicture != nullptr) {
            hBitmap = ExtractBitmap(pPicture, clr);
            pPicture->Release();
        }
    }
    delete[] pBuffer;
    return hBitmap;
}

int CImageBitmap::GetResource(const char* lpszName, const char* lpszType, HINSTANCE hInstance, void* pBuffer,
                              int& nSize)
{
    HRSRC hRes = ::FindResourceA(hInstance, lpszName, lpszType);
    if (hRes == nullptr) return 0;
    HGLOBAL hData = ::LoadResource(hInstance, hRes);
    if (hData == nullptr) return 0;
    int nResult = 0;
    const void* pData = ::LockResource(hData);
    const DWORD dwSize = ::SizeofResource(hInstance, hRes);
    if (pData != nullptr && dwSize <= (DWORD)INT_MAX) {
        if (pBuffer == nullptr) {
            nSize = (int)dwSize;
            nResult = 1;
        } else if (nSize >= (int)dwSize) {
            memcpy(pBuffer, pData, dwSize);
            nResult = 1;
        }
    }
    ::FreeResource(hData);
    return nResult;
}

IPicture* CImageBitmap::LoadFromBuffer(unsigned char* pBuffer, int nSize)
{
    if (pBuffer == nullptr || nSize <= 0) return nullptr;
    HGLOBAL hGlobal = ::GlobalAlloc(GMEM_MOVEABLE, (SIZE_T)nSize);
    if (hGlobal == nullptr) return nullptr;
    void* pData = ::GlobalLock(hGlobal);
    if (pData == nullptr) {
        ::GlobalFree(hGlobal);
        return nullptr;
    }
    memcpy(pData, pBuffer, (size_t)nSize);
    ::GlobalUnlock(hGlobal);
    IStream* pStream = nullptr;
    // The stream frees the memory when it is released.
    if (FAILED(::CreateStreamOnHGlobal(hGlobal, TRUE, &pStream)) || pStream == nullptr) {
        ::GlobalFree(hGlobal);
        return nullptr;
    }
    IPicture* pPicture = nullptr;
    if (FAILED(::OleLoadPicture(pStream, nSize, FALSE, IID_IPicture, (void**)&pPicture))) pPicture = nullptr;
    pStream->Release();
    return pPicture;
}

HBITMAP CImageBitmap::ExtractBitmap(IPicture* pPicture, unsigned long clr)
{
    if (pPicture == nullptr) return nullptr;
    HWND hDesktop = ::GetDesktopWindow();
    HDC hdcDesktop = ::GetDC(hDesktop);
    if (hdcDesktop == nullptr) return nullptr;
    HBITMAP hBitmap = nullptr;
    HDC hdcMem = ::CreateCompatibleDC(hdcDesktop);
    OLE_XSIZE_HIMETRIC hmWidth = 0;
    OLE_YSIZE_HIMETRIC hmHeight = 0;
    if (hdcMem != nullptr && SUCCEEDED(pPicture->get_Width(&hmWidth)) && SUCCEEDED(pPicture->get_Height(&hmHeight))) {
        const int cx = ::MulDiv(hmWidth, ::GetDeviceCaps(hdcDesktop, LOGPIXELSX), 2540);
        const int cy = ::MulDiv(hmHeight, ::GetDeviceCaps(hdcDesktop, LOGPIXELSY), 2540);
        // An empty or overflowing size would give a 1 x 1 monochrome bitmap
        // or none; neither is the picture.
        if (cx > 0 && cy > 0 && FrameFits(cx, cy)) hBitmap = ::CreateCompatibleBitmap(hdcDesktop, cx, cy);
        if (hBitmap != nullptr) {
            HGDIOBJ hOld = ::SelectObject(hdcMem, hBitmap);
            if (clr != 0xFFFFFFFFul) {
                RECT rc = {0, 0, cx, cy};
                ::SetBkColor(hdcMem, (COLORREF)clr);
                ::ExtTextOutA(hdcMem, 0, 0, ETO_OPAQUE, &rc, nullptr, 0, nullptr);
            }
            // HIMETRIC's y axis points up: start at the top and go down.
            pPicture->Render(hdcMem, 0, 0, cx, cy, 0, hmHeight, hmWidth, -hmHeight, nullptr);
            ::SelectObject(hdcMem, hOld);
        }
    }
    if (hdcMem != nullptr) ::DeleteDC(hdcMem);
    ::ReleaseDC(hDesktop, hdcDesktop);
    return hBitmap;
}
