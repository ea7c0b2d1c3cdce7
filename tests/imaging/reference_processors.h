// Straightforward per-pixel versions of the processors, written line by line
// from the formulas with no restructuring, for comparing the optimised
// library code bit for bit on random images. Sizes are small test sizes.
#pragma once

#include <vector>

#include "image_processors.h"

namespace ref {

struct Image {
    int w = 0;
    int h = 0;
    std::vector<RGBX> px;

    Image() = default;
    Image(int cx, int cy) : w(cx), h(cy), px((size_t)cx * cy) {}
    RGBX& at(int x, int y) { return px[(size_t)y * w + x]; }
    const RGBX& at(int x, int y) const { return px[(size_t)y * w + x]; }
};

RGBX Weighted(const Image& src, double x, double y);

CSize RotateSize(double angle, int w, int h);
// dst arrives filled with the background and sized by RotateSize.
void Rotate(double angle, bool weighted, const Image& src, Image& dst);
double DegreesToAngle(int degrees);
double RadiansToAngle(double radians);

void Shear(int across, int down, bool weighted, const Image& src, Image& dst);
void Enlarge(double factor, const Image& src, Image& dst);
void Shrink(double factor, const Image& src, Image& dst);
void Flip(bool horz, bool vert, const Image& src, Image& dst);
void Gray(const Image& src, Image& dst);
void Negate(const Image& src, Image& dst);
void Replace(unsigned long from, unsigned long to, const Image& src, Image& dst);
void Blur(int factor, const Image& src, Image& dst);
void Sharpen(int factor, const Image& src, Image& dst);

}  // namespace ref
