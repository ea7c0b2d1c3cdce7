// Pixel processors: the 32-bit pixel record, the processor interface and the
// nine operations of the capture library's image chain.
//
// A processor states the size of its result for a source size
// (CalcDestSize) and turns a source array into a destination array of
// exactly that size (ProcessPixels). The caller fills the destination with
// its background colour first; a processor writes only the pixels it can
// compute, so uncovered corners keep the background.
//
// Every result is exact to the bit: sampling positions are running sums in
// double precision and truncations go toward zero, in the order written in
// each implementation. Optimised loops keep that order.
#pragma once

#include "framework/geometry.h"
#include "framework/platform.h"
#include "kp_export.h"

// One pixel of a 32-bit top-down DIB: blue, green, red and a fourth byte
// that carries no colour. A fresh array is all zero.
struct KPLIB_API RGBX {
    BYTE b;
    BYTE g;
    BYTE r;
    BYTE x;

    RGBX() : b(0), g(0), r(0), x(0) {}
};

static_assert(sizeof(RGBX) == 4, "RGBX must match one pixel of a 32-bit DIB");

// The processors split their work over the library's worker threads, by
// bands of rows; the result is the same to the bit whatever the number of
// threads. nThreads counts the calling thread; below 1 it restores the
// default, one per processor. Small images always run on the calling thread.
KPLIB_API void KpSetImageThreads(int nThreads);
KPLIB_API int KpGetImageThreads();

// The library's own runs of its processors (bands of rows, and the fill of
// the background as the rows are made when they are a step of a chain).
namespace kpimg {
struct ProcessorRuns;
}

// Base of every processor; as a processor of its own it copies its source.
//
// Sizes that are negative, or whose pixel count could not be addressed,
// make ProcessPixels return 0 without touching anything, and so does a
// destination size other than the one CalcDestSize gives for the source.
// CalcDestSize saturates at INT_MAX instead of wrapping round.
class KPLIB_API CImage32BitProcessor {
public:
    CImage32BitProcessor(int bWeighted = 0);
    virtual ~CImage32BitProcessor();

    virtual CSize CalcDestSize(CSize size);
    // Copies sizeDst.cx * sizeDst.cy pixels (never more than the source
    // holds) and returns 1.
    virtual int ProcessPixels(RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst);

    // Colour of the source at a real-valued position: the mean of a
    // horizontal and a vertical linear interpolation (not bilinear). A
    // negative coordinate returns the edge pixel unchanged, fourth byte
    // included; otherwise the fourth byte is 0.
    RGBX CalcWeightedColor(RGBX* pSrc, CSize sizeSrc, double x, double y);

protected:
    int m_bWeighted;  // rotation and shear sample with CalcWeightedColor
};

// Turns the image about its centre on a canvas grown to hold it; a
// positive angle turns clockwise on the screen.
class KPLIB_API CImageRotator : public CImage32BitProcessor {
    friend struct kpimg::ProcessorRuns;

public:
    CImageRotator(int nDegrees, int bWeighted);
    // Stored in (0, 2*pi]: an angle of 0 becomes 2*pi and resamples.
    explicit CImageRotator(double dRadians);

    virtual CSize CalcDestSize(CSize size);
    virtual int ProcessPixels(RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst);

protected:
    double m_dAngle;  // radians
};

// Slants the image: the top row moves right by m_nAcross (left edge of the
// bottom row for a negative amount), the right column down by m_nDown.
class KPLIB_API CImageShearer : public CImage32BitProcessor {
    friend struct kpimg::ProcessorRuns;

public:
    CImageShearer(int nAcross, int nDown, int bWeighted);

    virtual CSize CalcDestSize(CSize size);
    virtual int ProcessPixels(RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst);

protected:
    int m_nAcross;
    int m_nDown;
};

// Scales by interpolation (factor > 1) or by box averages (factor < 1).
// A factor that is not positive fails.
class KPLIB_API CImageResizer : public CImage32BitProcessor {
    friend struct kpimg::ProcessorRuns;

public:
    CImageResizer(double dFactor);

    virtual CSize CalcDestSize(CSize size);
    virtual int ProcessPixels(RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst);

protected:
    int Enlarge(RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst);
    int Shrink(RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst);

    double m_dFactor;
};

// Mirrors left-right and/or top-bottom.
class KPLIB_API CImageFlipper : public CImage32BitProcessor {
    friend struct kpimg::ProcessorRuns;

public:
    CImageFlipper(int bHorz, int bVert);

    virtual int ProcessPixels(RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst);

protected:
    int m_bHorz;
    int m_bVert;
};

// Grey = (3 r + 6 g + b) / 10; the fourth byte becomes 0.
class KPLIB_API CImageGrayer : public CImage32BitProcessor {
    friend struct kpimg::ProcessorRuns;

public:
    CImageGrayer();

    virtual int ProcessPixels(RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst);
};

// 255 minus each colour; the fourth byte stays the background's.
class KPLIB_API CImageNegator : public CImage32BitProcessor {
    friend struct kpimg::ProcessorRuns;

public:
    CImageNegator();

    virtual int ProcessPixels(RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst);
};

// Replaces one exact colour (fourth byte not compared) by another.
class KPLIB_API CImageColorReplacer : public CImage32BitProcessor {
    friend struct kpimg::ProcessorRuns;

public:
    CImageColorReplacer(unsigned long clrFrom, unsigned long clrTo);

    virtual int ProcessPixels(RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst);

protected:
    COLORREF m_clrFrom;
    COLORREF m_clrTo;
};

// 3 x 3 weighted mean; strength 0..10, 0 copies.
class KPLIB_API CImageBlurrer : public CImage32BitProcessor {
    friend struct kpimg::ProcessorRuns;

public:
    CImageBlurrer(int nFactor = 5);

    virtual int ProcessPixels(RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst);

protected:
    int m_nFactor;
};

// 3 x 3 sharpening kernel whose weights add up to 1; strength 0..10, 0
// copies. The outermost ring of pixels is copied unchanged.
class KPLIB_API CImageSharpener : public CImage32BitProcessor {
    friend struct kpimg::ProcessorRuns;

public:
    CImageSharpener(int nFactor = 5);

    virtual int ProcessPixels(RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst);

protected:
    int m_nFactor;
};
