// How the library's own processors do their work: in bands of destination
// rows over the imaging workers (worker_pool.h), every pixel computed the
// same way whatever the band, so the result does not depend on the number
// of threads.
//
// Each run takes an optional fill word. ProcessPixels passes none: its
// caller has filled the destination with the background, as the processor
// contract says. A chain runner that knows the processor is one of the
// library's own passes the background instead, and every destination row
// is then filled just before it is computed, while it is in the cache,
// rather than in a pass of its own over the whole image.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "image_processors.h"
#include "wide_loops.h"
#include "worker_pool.h"

namespace kpimg {

struct ProcessorRuns {
    // One step of a chain on a destination that has not been filled: the
    // library's own processors fill as they go; any other processor gets
    // the destination filled with nFill first, then its ProcessPixels.
    static int Run(CImage32BitProcessor& p, RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst, uint32_t nFill);

    // The copy step of the family (whole pixels, so no fill is needed).
    static int Copy(RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst);

    static int Rotate(CImageRotator& p, RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst, const uint32_t* pFill);
    static int Shear(CImageShearer& p, RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst, const uint32_t* pFill);
    static int Resize(CImageResizer& p, RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst, const uint32_t* pFill);
    static int Enlarge(CImageResizer& p, RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst);
    static int Shrink(CImageResizer& p, RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst, const uint32_t* pFill);
    static int Flip(CImageFlipper& p, RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst);
    static int Grey(CImageGrayer& p, RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst);
    static int Negate(CImageNegator& p, RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst, const uint32_t* pFill);
    static int Replace(CImageColorReplacer& p, RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst);
    static int Blur(CImageBlurrer& p, RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst, const uint32_t* pFill);
    static int Sharpen(CImageSharpener& p, RGBX* pSrc, CSize sizeSrc, RGBX* pDst, CSize sizeDst, const uint32_t* pFill);
};

// n pixels set to the word v, over the workers.
void FillPixels(RGBX* pPixels, size_t n, uint32_t v);

// Runs f(first, end) over ranges of [0, n) on the workers, for the
// processors that treat the image as one run of pixels.
template <class F>
void ForPixelRanges(size_t n, F f) {
    if (n == 0) return;
    // Rows of 64 pixels, only so that a short run stays one band.
    const int nBands = BandCount((long long)(n / 64), (long long)n);
    const size_t nChunk = (n + (size_t)nBands - 1) / (size_t)nBands;
    auto task = [&](int i, Scratch&) {
        const size_t first = nChunk * (size_t)i;
        const size_t end = first + nChunk < n ? first + nChunk : n;
        if (first < end) f(first, end);
    };
    RunTasks(nBands, task);
}

// Runs f(first, end, scratch) over bands of [0, nRows) on the workers;
// nPixels (the work, in pixels) decides how many bands.
template <class F>
void ForRowBands(int nRows, long long nPixels, F f) {
    if (nRows <= 0) return;
    const int nBands = BandCount(nRows, nPixels);
    auto task = [&](int i, Scratch& scratch) {
        int first, end;
        BandRows(i, nBands, nRows, first, end);
        if (first < end) f(first, end, scratch);
    };
    RunTasks(nBands, task);
}

// Runs a sampling job (wide_loops.h) over bands of its destination rows.
template <class Job>
void RunFrameBands(const Job& job, void (*run)(const Job&)) {
    ForRowBands(job.dh, (long long)job.dw * job.dh, [&](int first, int end, Scratch&) {
        Job band = job;
        band.y0 = first;
        band.y1 = end;
        run(band);
    });
}

}  // namespace kpimg
