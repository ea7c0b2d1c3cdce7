// The pixels of a pin's picture at a zoom, worked out for one part of the
// picture at a time, so that a repaint computes only what it shows.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "framework/geometry.h"
#include "kp_export.h"

namespace kppin {

// Pixels are 32 bits, blue, green, red and a byte that carries no colour
// (written as 0), rows top down, strides in bytes.
//
// The picture of an sw x sh image at dw x dh. Along each axis, picture
// column x covers the source columns [x * sw / dw, (x + 1) * sw / dw)
// (integer divisions), or column x * sw / dw alone where that range is empty
// (an enlarged picture, where each source pixel becomes a block).
// - bSmooth: a picture pixel is the rounded mean of the source pixels it
//   covers, every source pixel counted once: text and thin lines stay
//   readable in a reduced picture.
// - otherwise: it is the source pixel at the middle of what it covers; the
//   same picture as the smooth one where it is enlarged, and quick to have
//   where it is reduced.
// Writes the part rcPart of the picture (inside [0, dw) x [0, dh)) to pDst,
// which has rcPart's size. False, with nothing written, for an empty or
// missing image, a picture size outside [1, 32767], or a part outside the
// picture.
KPLIB_API bool ZoomPixels(const uint32_t* pSrc, int sw, int sh, ptrdiff_t srcStride, int dw, int dh,
                          const CRect& rcPart, uint32_t* pDst, ptrdiff_t dstStride, bool bSmooth);

}  // namespace kppin
