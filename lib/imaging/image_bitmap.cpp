// CImageBitmap: processor chains over the pixels of DIB sections, copies, and
// pictures loaded through the system loaders.
#include "image_bitmap.h"

#include <limits.h>
#include <string.h>

#include <algorithm>
#include <memory>
#include <new>

#include "framework/cstring.h"
#include "framework/scoped_handles.h"
#include "processor_runs.h"

namespace {

// HIMETRIC units (0.01 mm) in an inch, for the OLE picture's size.
const int kHimetricPerInch = 2540;

// What the DIB sections made here carry in their header's horizontal
// resolution, which nothing reads: GetObject does not tell a top-down DIB
// section from a bottom-up one.
const LONG kTopDownMark = 0x4B505444;

// Largest pixel array handed to GDI or kept for a chain: its byte count must
// fit the signed 32-bit sizes GDI computes with (biSizeImage and the scan
// line arithmetic), so nothing wraps on the way.
bool FrameFits(long long w, long long h) { return w >= 0 && h >= 0 && (w == 0 || h <= INT_MAX / 4 / w); }

// The pixel Fill writes for clr, as a little-endian word: white sets the
// fourth byte too, any other colour leaves it 0.
uint32_t FillWord(unsigned long clr) {
    if (clr == 0xFFFFFFFFul || clr == 0x00FFFFFFul) return 0xFFFFFFFFu;
    return GetBValue(clr) | (uint32_t)GetGValue(clr) << 8 | (uint32_t)GetRValue(clr) << 16;
}

}  // namespace

CImageBitmap::CImageBitmap(unsigned long clrBackground)
    : m_clrBackground((COLORREF)clrBackground), m_nWorkPixels(0), m_hSpareBitmap(nullptr) {}

CImageBitmap::~CImageBitmap() { ReleaseWorkMemory(); }

void CImageBitmap::ReleaseWorkMemory() {
    m_pWork[0].reset();
    m_pWork[1].reset();
    m_nWorkPixels = 0;
    if (m_hSpareBitmap != nullptr) ::DeleteObject(m_hSpareBitmap);
    m_hSpareBitmap = nullptr;
}

bool CImageBitmap::ReserveWork(size_t nPixels, int nArrays) {
    if (nPixels > m_nWorkPixels) {
        // The old arrays go first: old and new at once would need twice the
        // memory.
        m_pWork[0].reset();
        m_pWork[1].reset();
        m_nWorkPixels = nPixels;
    }
    for (int i = 0; i < nArrays; ++i) {
        if (m_pWork[i] == nullptr) m_pWork[i].reset(new (std::nothrow) RGBX[m_nWorkPixels]);
        if (m_pWork[i] == nullptr) {
            ReleaseWorkMemory();
            return false;
        }
    }
    return true;
}

// ---- Pixel access --------------------------------------------------------------

long CImageBitmap::PrepareBitmapInfo32(BITMAPINFO& bmi, HBITMAP hBitmap) {
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

RGBX* CImageBitmap::GetDIBits32() {
    BITMAPINFO bmi;
    memset(&bmi, 0, sizeof(bmi));
    const long lines = PrepareBitmapInfo32(bmi, nullptr);
    if (lines == 0) return nullptr;
    std::unique_ptr<RGBX[]> pixels(new (std::nothrow) RGBX[bmi.bmiHeader.biSizeImage / sizeof(RGBX)]);
    if (pixels == nullptr) return nullptr;
    kfw::ScopedGetDC screen(nullptr);
    if (screen.get() == nullptr ||
        ::GetDIBits(screen, (HBITMAP)m_hObject, 0, (UINT)lines, pixels.get(), &bmi, DIB_RGB_COLORS) != lines)
        return nullptr;
    return pixels.release();
}

HBITMAP CImageBitmap::CreateDib32(CSize size, RGBX** ppBits) {
    if (ppBits == nullptr) return nullptr;
    *ppBits = nullptr;
    if (size.cx <= 0 || size.cy <= 0 || !FrameFits(size.cx, size.cy)) return nullptr;
    BITMAPINFO bmi;
    memset(&bmi, 0, sizeof(bmi));
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = size.cx;
    bmi.bmiHeader.biHeight = -size.cy;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    bmi.bmiHeader.biXPelsPerMeter = kTopDownMark;
    void* pBits = nullptr;
    HBITMAP h = ::CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &pBits, nullptr, 0);
    if (h == nullptr || pBits == nullptr) {
        if (h != nullptr) ::DeleteObject(h);
        return nullptr;
    }
    *ppBits = (RGBX*)pBits;
    return h;
}

RGBX* CImageBitmap::Dib32Bits(HBITMAP h, CSize& size) {
    DIBSECTION ds;
    if (h == nullptr || ::GetObjectA(h, sizeof(ds), &ds) != (int)sizeof(ds)) return nullptr;
    // GDI reports every DIB section's height as positive: the mark tells
    // the top-down ones made here.
    const BITMAPINFOHEADER& hdr = ds.dsBmih;
    if (ds.dsBm.bmBits == nullptr || hdr.biBitCount != 32 || hdr.biCompression != BI_RGB ||
        hdr.biXPelsPerMeter != kTopDownMark || ds.dsBm.bmWidthBytes != ds.dsBm.bmWidth * 4 || ds.dsBm.bmWidth <= 0)
        return nullptr;
    // GDI may still be drawing into it.
    ::GdiFlush();
    size = CSize(ds.dsBm.bmWidth, ds.dsBm.bmHeight);
    return (RGBX*)ds.dsBm.bmBits;
}

int CImageBitmap::Fill(RGBX* pPixels, CSize size, unsigned long clr) {
    if (pPixels == nullptr) return 0;
    if (!FrameFits(size.cx, size.cy)) return 0;
    // White and black are byte fills; every other colour is its word
    // repeated, the fourth byte 0. Large images are filled by all workers.
    kpimg::FillPixels(pPixels, (size_t)size.cx * (size_t)size.cy, FillWord(clr));
    return 1;
}

// ---- Processing --------------------------------------------------------------------

int CImageBitmap::ProcessImage(CArray<CImage32BitProcessor*, CImage32BitProcessor*>& arrProcessors) {
    if (m_hObject == nullptr) return 0;
    if (arrProcessors.GetSize() == 0) return 1;
    return RunChain((HBITMAP)m_hObject, arrProcessors);
}

int CImageBitmap::ProcessImageFrom(HBITMAP hSource,
                                   CArray<CImage32BitProcessor*, CImage32BitProcessor*>& arrProcessors) {
    if (hSource == nullptr) return 0;
    if (RunChain(hSource, arrProcessors)) return 1;
    // As a copy followed by a failed chain: the copy stays.
    if (arrProcessors.GetSize() > 0) CopyImage(hSource);
    return 0;
}

RGBX* CImageBitmap::SourceBits(HBITMAP hSource, CSize& size, int nArray) {
    RGBX* pBits = Dib32Bits(hSource, size);
    if (pBits != nullptr) return pBits;
    BITMAPINFO bmi;
    memset(&bmi, 0, sizeof(bmi));
    const long lines = PrepareBitmapInfo32(bmi, hSource);
    if (lines == 0 || m_pWork[nArray] == nullptr) return nullptr;
    kfw::ScopedGetDC screen(nullptr);
    if (screen.get() == nullptr ||
        ::GetDIBits(screen, hSource, 0, (UINT)lines, m_pWork[nArray].get(), &bmi, DIB_RGB_COLORS) != lines)
        return nullptr;
    size = CSize(bmi.bmiHeader.biWidth, (int)lines);
    return m_pWork[nArray].get();
}

int CImageBitmap::RunChain(HBITMAP hSource, CArray<CImage32BitProcessor*, CImage32BitProcessor*>& arrProcessors) {
    const int nCount = arrProcessors.GetSize();
    for (int i = 0; i < nCount; ++i)
        if (arrProcessors[i] == nullptr) return 0;

    BITMAPINFO bmi;
    memset(&bmi, 0, sizeof(bmi));
    const long lines = PrepareBitmapInfo32(bmi, hSource);
    if (lines == 0) return 0;
    const CSize start(bmi.bmiHeader.biWidth, (int)lines);

    // Size pass: the work arrays hold the largest width times the largest
    // height any step produces. A size that is negative or whose pixels
    // would not fit refuses the chain before anything is read, and so does
    // an empty result, which cannot be a bitmap.
    long long maxW = start.cx, maxH = start.cy;
    CSize size = start;
    for (int i = 0; i < nCount; ++i) {
        size = arrProcessors[i]->CalcDestSize(size);
        if (size.cx < 0 || size.cy < 0) return 0;
        if (size.cx > maxW) maxW = size.cx;
        if (size.cy > maxH) maxH = size.cy;
    }
    if (!FrameFits(maxW, maxH) || size.cx == 0 || size.cy == 0) return 0;
    const size_t capacity = (size_t)maxW * (size_t)maxH;

    // The source's own pixels when it is a DIB section, and the result
    // written straight into the target's: work arrays only carry the steps
    // between (and the pixels of a bitmap GDI keeps to itself).
    CSize dummy;
    const bool bSourceDib = Dib32Bits(hSource, dummy) != nullptr;
    RGBX* pTargetBits = nullptr;
    bool bFresh = false;
    HBITMAP hTarget = TakeTarget(size, pTargetBits, bFresh);
    kfw::ScopedBitmap fresh(bFresh ? hTarget : nullptr);
    if (hTarget == nullptr) return 0;
    const int nArrays = (bSourceDib ? 0 : 1) + std::max(0, std::min(nCount - 1, 2)) + (pTargetBits == nullptr ? 1 : 0);
    if (nArrays > 0 && !ReserveWork(capacity, std::min(nArrays, 2))) return 0;

    CSize cur;
    RGBX* pSrc = SourceBits(hSource, cur, 0);
    if (pSrc == nullptr || cur != start) return 0;
    // Each step writes the work array its source is not in, the last one
    // the target. The destination is not filled in a pass of its own: the
    // library's processors fill each row with the background as they make
    // it, and any other processor gets its destination filled first.
    const uint32_t nFill = FillWord(m_clrBackground);
    if (nCount == 0 && pTargetBits != nullptr) {
        memcpy(pTargetBits, pSrc, (size_t)cur.cx * (size_t)cur.cy * sizeof(RGBX));
        pSrc = pTargetBits;
    }
    for (int i = 0; i < nCount; ++i) {
        const CSize out = arrProcessors[i]->CalcDestSize(cur);
        // A processor that plans differently the second time must still not
        // write past the array or the target.
        if (out.cx < 0 || out.cy < 0 || !FrameFits(out.cx, out.cy) || (size_t)out.cx * (size_t)out.cy > capacity)
            return 0;
        RGBX* pDst = pSrc == m_pWork[0].get() ? m_pWork[1].get() : m_pWork[0].get();
        if (i == nCount - 1) {
            if (out != size) return 0;
            if (pTargetBits != nullptr) pDst = pTargetBits;
        }
        if (!kpimg::ProcessorRuns::Run(*arrProcessors[i], pSrc, cur, pDst, out, nFill)) return 0;
        pSrc = pDst;
        cur = out;
    }
    if (pSrc != pTargetBits || Dib32Bits(hTarget, dummy) == nullptr) {
        // A target GDI keeps the pixels of.
        kfw::ScopedGetDC screen(nullptr);
        memset(&bmi, 0, sizeof(bmi));
        if (screen.get() == nullptr || PrepareBitmapInfo32(bmi, hTarget) != size.cy ||
            ::SetDIBits(screen, hTarget, 0, (UINT)size.cy, pSrc, &bmi, DIB_RGB_COLORS) != size.cy)
            return 0;
    }
    fresh.Release();
    return Commit(hTarget, TRUE);
}

HBITMAP CImageBitmap::TakeTarget(CSize size, RGBX*& pBits, bool& bFresh) {
    pBits = nullptr;
    bFresh = false;
    if (m_hSpareBitmap != nullptr) {
        CSize spare;
        pBits = Dib32Bits(m_hSpareBitmap, spare);
        if (pBits != nullptr && spare == size) return m_hSpareBitmap;
        // A bitmap from elsewhere is written through GDI.
        BITMAP bm;
        pBits = nullptr;
        if (::GetObjectA(m_hSpareBitmap, sizeof(bm), &bm) != 0 && bm.bmWidth == size.cx && bm.bmHeight == size.cy)
            return m_hSpareBitmap;
    }
    HBITMAP h = CreateDib32(size, &pBits);
    bFresh = h != nullptr;
    return h;
}

int CImageBitmap::Commit(HBITMAP hTarget, BOOL bKeepReplaced) {
    // The new bitmap is complete: it replaces the own one, which is kept
    // as the spare for the next result of its size or deleted.
    if (hTarget == m_hSpareBitmap) m_hSpareBitmap = nullptr;
    HBITMAP hReplaced = (HBITMAP)Detach();
    if (bKeepReplaced && hReplaced != nullptr) {
        if (m_hSpareBitmap != nullptr) ::DeleteObject(m_hSpareBitmap);
        m_hSpareBitmap = hReplaced;
    } else if (hReplaced != nullptr) {
        ::DeleteObject(hReplaced);
    }
    return Attach(hTarget);
}

int CImageBitmap::ProcessImage(CImage32BitProcessor* pProcessor) {
    CArray<CImage32BitProcessor*, CImage32BitProcessor*> arr;
    if (arr.Add(pProcessor) < 0) return 0;
    return ProcessImage(arr);
}

int CImageBitmap::RotateImage(int nDegrees, int bWeighted) {
    CImageRotator p(nDegrees, bWeighted);
    return ProcessImage(&p);
}

int CImageBitmap::ShearImage(int nAcross, int nDown, int bWeighted) {
    CImageShearer p(nAcross, nDown, bWeighted);
    return ProcessImage(&p);
}

int CImageBitmap::GrayImage() {
    CImageGrayer p;
    return ProcessImage(&p);
}

int CImageBitmap::BlurImage(int nFactor) {
    CImageBlurrer p(nFactor);
    return ProcessImage(&p);
}

int CImageBitmap::SharpenImage(int nFactor) {
    CImageSharpener p(nFactor);
    return ProcessImage(&p);
}

int CImageBitmap::ResizeImage(double dFactor) {
    CImageResizer p(dFactor);
    return ProcessImage(&p);
}

int CImageBitmap::FlipImage(int bHorz, int bVert) {
    CImageFlipper p(bHorz, bVert);
    return ProcessImage(&p);
}

int CImageBitmap::NegateImage() {
    CImageNegator p;
    return ProcessImage(&p);
}

int CImageBitmap::ReplaceColor(unsigned long clrFrom, unsigned long clrTo) {
    CImageColorReplacer p(clrFrom, clrTo);
    return ProcessImage(&p);
}

// ---- Copies ------------------------------------------------------------------------

int CImageBitmap::CopyImage(HBITMAP hBitmap) {
    if (hBitmap == nullptr) return 0;
    BITMAPINFO bmi;
    memset(&bmi, 0, sizeof(bmi));
    const long lines = PrepareBitmapInfo32(bmi, hBitmap);
    if (lines == 0) return 0;
    const CSize size(bmi.bmiHeader.biWidth, (int)lines);
    // Always a new bitmap: an object that only copies keeps nothing, and
    // the source may be the own bitmap, which goes only after it was read.
    RGBX* pBits = nullptr;
    kfw::ScopedBitmap copy(CreateDib32(size, &pBits));
    if (copy.get() == nullptr) return 0;
    CSize source;
    const RGBX* pSource = Dib32Bits(hBitmap, source);
    if (pSource != nullptr) {
        memcpy(pBits, pSource, (size_t)size.cx * (size_t)size.cy * sizeof(RGBX));
    } else {
        kfw::ScopedGetDC screen(nullptr);
        if (screen.get() == nullptr ||
            ::GetDIBits(screen, hBitmap, 0, (UINT)lines, pBits, &bmi, DIB_RGB_COLORS) != lines)
            return 0;
    }
    return Commit(copy.Release(), FALSE);
}

int CImageBitmap::CopyImage(CBitmap* pBitmap) {
    if (pBitmap == nullptr) return 0;
    return CopyImage((HBITMAP)pBitmap->GetSafeHandle());
}

// ---- Loading ------------------------------------------------------------------------

int CImageBitmap::GetFileType(const char* lpszFileName) {
    if (lpszFileName == nullptr) return kFileOther;
    CString name(lpszFileName);
    name.MakeUpper();
    // Anywhere after the first character; the first test that matches wins.
    struct Test {
        const char* text;
        int code;
    };
    static const Test kTests[] = {
        {".BMP", kFileBitmap}, {".ICO", kFileIcon}, {".JPG", kFileJpeg}, {".JPEG", kFileJpeg}, {".GIF", kFileGif}};
    for (const Test& t : kTests)
        if (name.GetLength() > 1 && name.Find(t.text, 1) > 0) return t.code;
    return kFileOther;
}

int CImageBitmap::LoadImage(const char* lpszFileName, unsigned long clr) {
    if (m_hObject != nullptr) return 0;
    if (clr == kUseBackground) clr = m_clrBackground;
    HBITMAP h = LoadImageFile(lpszFileName, clr);
    if (h == nullptr) return 0;
    if (!Attach(h)) {
        ::DeleteObject(h);
        return 0;
    }
    return 1;
}

int CImageBitmap::LoadImage(UINT nID, const char* lpszType, HINSTANCE hInstance, unsigned long clr) {
    if (m_hObject != nullptr) return 0;
    if (clr == kUseBackground) clr = m_clrBackground;
    HBITMAP h = LoadImageResource(nID, lpszType, hInstance, clr);
    if (h == nullptr) return 0;
    if (!Attach(h)) {
        ::DeleteObject(h);
        return 0;
    }
    return 1;
}

HBITMAP CImageBitmap::LoadImageFile(const char* lpszFileName, unsigned long clr) {
    if (lpszFileName == nullptr) return nullptr;
    const int type = GetFileType(lpszFileName);
    if (type == kFileBitmap) return (HBITMAP)::LoadImageA(nullptr, lpszFileName, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE);
    if (type == kFileOther) return nullptr;

    const int nWide = ::MultiByteToWideChar(CP_THREAD_ACP, 0, lpszFileName, -1, nullptr, 0);
    if (nWide <= 0) return nullptr;
    std::unique_ptr<WCHAR[]> wide(new (std::nothrow) WCHAR[nWide]);
    if (wide == nullptr || ::MultiByteToWideChar(CP_THREAD_ACP, 0, lpszFileName, -1, wide.get(), nWide) != nWide)
        return nullptr;
    // The OLE picture loader needs COM, and the caller may not have started it.
    kfw::ScopedCoInit com;
    IPicture* pPicture = nullptr;
    if (FAILED(::OleLoadPicturePath(wide.get(), nullptr, 0, (OLE_COLOR)clr, IID_IPicture, (void**)&pPicture)) ||
        pPicture == nullptr)
        return nullptr;
    HBITMAP hBitmap = ExtractBitmap(pPicture, clr);
    pPicture->Release();
    return hBitmap;
}

HBITMAP CImageBitmap::LoadImageResource(UINT nID, const char* lpszType, HINSTANCE hInstance, unsigned long clr) {
    LPCSTR lpszName = MAKEINTRESOURCEA(LOWORD(nID));
    int nSize = 0;
    if (!GetResource(lpszName, lpszType, hInstance, nullptr, nSize) || nSize <= 0) return nullptr;
    std::unique_ptr<unsigned char[]> buffer(new (std::nothrow) unsigned char[nSize]);
    if (buffer == nullptr || !GetResource(lpszName, lpszType, hInstance, buffer.get(), nSize)) return nullptr;
    kfw::ScopedCoInit com;
    IPicture* pPicture = LoadFromBuffer(buffer.get(), nSize);
    if (pPicture == nullptr) return nullptr;
    HBITMAP hBitmap = ExtractBitmap(pPicture, clr);
    pPicture->Release();
    return hBitmap;
}

int CImageBitmap::GetResource(const char* lpszName, const char* lpszType, HINSTANCE hInstance, void* pBuffer,
                              int& nSize) {
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

IPicture* CImageBitmap::LoadFromBuffer(unsigned char* pBuffer, int nSize) {
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

HBITMAP CImageBitmap::ExtractBitmap(IPicture* pPicture, unsigned long clr) {
    if (pPicture == nullptr) return nullptr;
    kfw::ScopedGetDC desktop(::GetDesktopWindow());
    if (desktop.get() == nullptr) return nullptr;
    kfw::ScopedMemDC mem(desktop);
    OLE_XSIZE_HIMETRIC hmWidth = 0;
    OLE_YSIZE_HIMETRIC hmHeight = 0;
    if (mem.get() == nullptr || FAILED(pPicture->get_Width(&hmWidth)) || FAILED(pPicture->get_Height(&hmHeight)))
        return nullptr;
    const int cx = ::MulDiv(hmWidth, ::GetDeviceCaps(desktop, LOGPIXELSX), kHimetricPerInch);
    const int cy = ::MulDiv(hmHeight, ::GetDeviceCaps(desktop, LOGPIXELSY), kHimetricPerInch);
    // An empty or overflowing size would give a 1 x 1 monochrome bitmap or
    // none; neither is the picture.
    if (cx <= 0 || cy <= 0 || !FrameFits(cx, cy)) return nullptr;
    HBITMAP hBitmap = ::CreateCompatibleBitmap(desktop, cx, cy);
    if (hBitmap == nullptr) return nullptr;
    kfw::ScopedSelect select(mem, hBitmap);
    if (clr != kUseBackground) {
        RECT rc = {0, 0, cx, cy};
        ::SetBkColor(mem, (COLORREF)clr);
        ::ExtTextOutA(mem, 0, 0, ETO_OPAQUE, &rc, nullptr, 0, nullptr);
    }
    // HIMETRIC's y axis points up: start at the top and go down.
    pPicture->Render(mem, 0, 0, cx, cy, 0, hmHeight, hmWidth, -hmHeight, nullptr);
    return hBitmap;
}
