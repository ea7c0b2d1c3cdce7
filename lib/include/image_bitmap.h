// CImageBitmap: a GDI bitmap with a background colour that runs pixel
// processors over itself, copies other bitmaps and loads pictures from files
// and resources. What it makes itself (processing, copies) is a top-down
// 32-bit DIB section, whose pixels the processors read and write in place of
// a copy; a bitmap attached from elsewhere may be any bitmap.
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

    // A new top-down 32-bit DIB section of size; *ppBits receives its
    // pixels. Null for an empty size, one whose pixels would not fit, or on
    // failure.
    static HBITMAP CreateDib32(CSize size, RGBX** ppBits);
    // The pixels of h when it is a top-down 32-bit DIB section (size
    // receives its size); null for any other bitmap. Pending drawing into
    // it is finished first.
    static RGBX* Dib32Bits(HBITMAP h, CSize& size);

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
    // Where a result of size is written: the spare bitmap when it has that
    // size, else a new DIB section, which the caller then owns (bFresh).
    // pBits receives the bitmap's own pixels, or null when it is a bitmap
    // whose pixels GDI must write (a spare that came from elsewhere).
    HBITMAP TakeTarget(CSize size, RGBX*& pBits, bool& bFresh);
    // hTarget, written completely, replaces the own bitmap (it is the spare
    // or the caller's fresh one, which the object then owns); the replaced
    // one becomes the spare or is deleted.
    int Commit(HBITMAP hTarget, BOOL bKeepReplaced);
    // The pixels of hSource (size) in the work array nArray when it is not
    // a DIB section of ours; null on failure.
    RGBX* SourceBits(HBITMAP hSource, CSize& size, int nArray);

    std::unique_ptr<RGBX[]> m_pWork[2];  // owned: the arrays a chain runs between
    size_t m_nWorkPixels;                // capacity of each that is there
    HBITMAP m_hSpareBitmap;              // owned
};
