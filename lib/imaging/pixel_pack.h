// 32-bit pixels (blue, green, red and a byte without colour) as the rows of
// a 24-bit image, the form images are saved in.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace kpimg {

// The w x h pixels of pSrc (4 bytes each, rows packed) into rows of 3-byte
// pixels dstStride bytes apart, over the workers. The bytes after each
// row's last pixel are left as they are.
void Pack24(const void* pSrc, int w, int h, uint8_t* pDst, ptrdiff_t dstStride);

}  // namespace kpimg
