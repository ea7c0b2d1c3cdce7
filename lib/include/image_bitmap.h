// CImageBitmap: a screen-compatible GDI bitmap with a background colour that
// runs pixel processors over itself, copies other bitmaps and loads pictures
// from files and resources.
#pragma once

#include <ole2.h>
#include <olectl.h>

#include <memory>

#include "framework/carray.h"
#include "framework/gdi.h"
#include "image_processors.h"
#include "kp_export.h"

class KPLIB_API CImageBitmap : public CBitmap {
public:
    // Where a colour is asked for, this one stands for the background colour.
    static const unsigned long kUseBackground = 0xFFFFFFFFul;
    // What GetFileType makes of a file name.
    enum FileType { kFileBitmap = 0, kFileIcon = 1, kFileJpeg = 2, kFileGif = 3, kFileOther = 4 };

    CImageBitmap(unsigned long clrBackground = 0xFFFFFF);
    ~CImageBitmap() override;

    // Replaces the own bitmap by a deep copy; the given bitmap stays the
    // caller's and usable.
    int CopyImage(HBITMAP hBitmap);
    int CopyImage(CBitmap* pBitmap);

    // Loading, only into an object that has no bitmap yet. A colour of
    // kUseBackground stands for the background colour.
    int LoadImage(const char* lpszFileName, unsigned long clr);
    int LoadImage(UINT nID, const char* lpszType, HINSTANCE hInstance, unsigned long clr);
    static HBITMAP LoadImageFile(const char* lpszFileName, unsigned long clr);
    static HBITMAP LoadImageResource(UINT nID, const char* lpszType, HINSTANCE hInstance, unsigned long clr);
    // With pBuffer null, nSize receives the resource's size; otherwise the
    // bytes are copied when nSize is large enough.
    static int GetResource(const char* lpszName, const char* lpszType, HINSTANCE hInstance, void* pBuffer, int& nSize);
    // The caller releases the picture.
    static IPicture* LoadFromBuffer(unsigned char* pBuffer, int nSize);

    // Runs the processors in array order; the bitmap is replaced only when
    // every step and the write-back succeed. Never deletes the processors.
    int ProcessImage(CArray<CImage32BitProcessor*, CImage32BitProcessor*>& arrProcessors);
    int ProcessImage(CImage32BitProcessor* pProcessor);
    // What CopyImage(hSource) and then ProcessImage(arrProcessors) give,
    // with one read and one write of the pixels: a failed step leaves the
    // plain copy (and returns 0); a source that cannot be read changes
    // nothing. An empty chain is the copy. hSource stays the caller's.
    int ProcessImageFrom(HBITMAP hSource, CArray<CImage32BitProcessor*, CImage32BitProcessor*>& arrProcessors);

    // Processing keeps its two pixel arrays and the bitmap a write-back
    // replaced, so that the next call of the same size allocates nothing
    // large; this gives them back. The destructor does too.
    void ReleaseWorkMemory();

    // One processor each, arguments passed through.
    int RotateImage(int nDegrees, int bWeighted);
    int ShearImage(int nAcross, int nDown, int bWeighted);
    int GrayImage();
    int BlurImage(int nFactor);
    int SharpenImage(int nFactor);
    int ResizeImage(double dFactor);
    int FlipImage(int bHorz, int bVert);
    int NegateImage();
    int ReplaceColor(unsigned long clrFrom, unsigned long clrTo);

protected:
    // The own bitmap as a new top-down 32-bit array (delete[] it); NULL on
    // failure.
    RGBX* GetDIBits32();
    // The 32-bit top-down header for hBitmap (the own one when NULL);
    // returns the number of scan lines, 0 on failure or when the pixels
    // would not fit an int byte count.
    long PrepareBitmapInfo32(BITMAPINFO& bmi, HBITMAP hBitmap);
    static HBITMAP ExtractBitmap(IPicture* pPicture, unsigned long clr);
    // A FileType code, from the name's extension.
    static int GetFileType(const char* lpszFileName);
    static int Fill(RGBX* pPixels, CSize size, unsigned long clr);

    COLORREF m_clrBackground;

private:
    // The chain from hSource's pixels to a new own bitmap; 0 (nothing
    // changed) when a size is refused, a step fails or GDI does.
    int RunChain(HBITMAP hSource, CArray<CImage32BitProcessor*, CImage32BitProcessor*>& arrProcessors);
    // The first nArrays work arrays, each of at least nPixels pixels; on
    // failure everything kept is given back.
    bool ReserveWork(size_t nPixels, int nArrays);
    // pPixels (size) into the spare bitmap when it has that size, else into
    // a new one, which then replaces the own bitmap; the replaced one
    // becomes the spare or is deleted.
    int WriteBack(const RGBX* pPixels, CSize size, BOOL bKeepReplaced);

    std::unique_ptr<RGBX[]> m_pWork[2];  // owned: the arrays a chain runs between
    size_t m_nWorkPixels;                // capacity of each that is there
    HBITMAP m_hSpareBitmap;              // owned
};
