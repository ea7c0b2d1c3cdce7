// A thumbnail as area means: each thumbnail pixel is the mean of the box of
// source pixels it covers, every source pixel counted in exactly one box.
// Fine lines and text of a screen shot fade into their surroundings instead
// of breaking up as they do when a few source pixels are sampled per
// thumbnail pixel.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace kpimg {

// Thumbnail pixel (x, y) of tw x th is the rounded mean of the source pixels
// in columns [x * sw / tw, (x + 1) * sw / tw) and rows [y * sh / th,
// (y + 1) * sh / th) (integer divisions), so tw <= sw and th <= sh.
//
// Source pixels are nSrcBytes bytes each, 3 (blue, green, red) or 4 (blue,
// green, red, alpha, the colours premultiplied), rows srcStride bytes apart.
// With bOpaque the fourth byte of a 4-byte source carries no colour: the
// thumbnail is the one of the same pixels in 3 bytes. Destination pixels are
// 4 bytes, blue, green, red and alpha (255 from a 3-byte or opaque source),
// rows dstStride bytes apart. False, with nothing written, for sizes outside
// those rules or a missing array.
bool BoxThumbnail(const uint8_t* pSrc, int sw, int sh, ptrdiff_t srcStride, int nSrcBytes, uint8_t* pDst, int tw,
                  int th, ptrdiff_t dstStride, bool bOpaque = false);

}  // namespace kpimg
