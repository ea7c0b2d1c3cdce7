// Random images large enough to be cut into bands of rows, and random
// processors of every kind, for the tests that run the same work with
// different numbers of threads (natively and under Wine).
#pragma once

#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "image_processors.h"

namespace bandcase {

inline int Rand(std::mt19937& rng, int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }

// Mostly a few hundred pixels each way; now and then a tall or a wide strip
// (fewer rows than bands, or very short bands).
inline CSize RandomSize(std::mt19937& rng) {
    switch (Rand(rng, 0, 7)) {
        case 0:
            return CSize(Rand(rng, 30, 60), Rand(rng, 1500, 2500));
        case 1:
            return CSize(Rand(rng, 2500, 4000), Rand(rng, 9, 20));
        default:
            return CSize(Rand(rng, 130, 520), Rand(rng, 100, 380));
    }
}

inline std::vector<RGBX> RandomPixels(std::mt19937& rng, CSize size) {
    std::vector<RGBX> px((size_t)size.cx * size.cy);
    // Flat blocks as on a screen, so replacement and the box means meet
    // runs of equal pixels too.
    const bool blocks = Rand(rng, 0, 1) == 0;
    for (int y = 0; y < size.cy; ++y)
        for (int x = 0; x < size.cx; ++x) {
            RGBX& p = px[(size_t)y * size.cx + x];
            if (blocks && ((x / 16 + y / 12) % 3 == 0)) {
                p.b = p.g = p.r = 0;
            } else {
                p.b = (BYTE)Rand(rng, 0, 255);
                p.g = (BYTE)Rand(rng, 0, 255);
                p.r = (BYTE)Rand(rng, 0, 255);
            }
            p.x = (BYTE)Rand(rng, 0, 255);
        }
    return px;
}

struct Case {
    std::unique_ptr<CImage32BitProcessor> p;
    std::string name;
};

// One processor of a random kind with random settings.
inline Case RandomProcessor(std::mt19937& rng) {
    Case c;
    char name[96];
    const int kind = Rand(rng, 0, 13);
    switch (kind) {
        case 0:
        case 1: {
            const int deg = Rand(rng, -400, 400);
            const int weighted = kind == 0;
            c.p.reset(new CImageRotator(deg, weighted));
            snprintf(name, sizeof name, "rotate %d weighted %d", deg, weighted);
            break;
        }
        case 2: {
            const double rad = std::uniform_real_distribution<double>(-7, 7)(rng);
            c.p.reset(new CImageRotator(rad));
            snprintf(name, sizeof name, "rotate %.17g rad", rad);
            break;
        }
        case 3:
        case 4: {
            const int across = Rand(rng, -90, 90), down = Rand(rng, -90, 90), weighted = kind == 3;
            c.p.reset(new CImageShearer(across, down, weighted));
            snprintf(name, sizeof name, "shear %d %d weighted %d", across, down, weighted);
            break;
        }
        case 5:
        case 6: {
            // Whole percentages, as the options give: their steps are inexact,
            // so a band that took r times the step for its first row instead of
            // r running sums would land on other rows.
            const double f = (kind == 5 ? Rand(rng, 5, 95) : Rand(rng, 105, 220)) / 100.0;
            c.p.reset(new CImageResizer(f));
            snprintf(name, sizeof name, "resize %.17g", f);
            break;
        }
        case 7: {
            const int h = Rand(rng, 0, 1), v = Rand(rng, 0, 1);
            c.p.reset(new CImageFlipper(h, v));
            snprintf(name, sizeof name, "flip %d %d", h, v);
            break;
        }
        case 8:
            c.p.reset(new CImageGrayer());
            snprintf(name, sizeof name, "grey");
            break;
        case 9:
            c.p.reset(new CImageNegator());
            snprintf(name, sizeof name, "negate");
            break;
        case 10:
            // Black is common in the random images (their flat blocks).
            c.p.reset(new CImageColorReplacer(0, 0x0000FF));
            snprintf(name, sizeof name, "replace black");
            break;
        case 11: {
            const int f = Rand(rng, 1, 10);
            c.p.reset(new CImageBlurrer(f));
            snprintf(name, sizeof name, "blur %d", f);
            break;
        }
        case 12: {
            const int f = Rand(rng, 1, 10);
            c.p.reset(new CImageSharpener(f));
            snprintf(name, sizeof name, "sharpen %d", f);
            break;
        }
        default:
            c.p.reset(new CImage32BitProcessor());
            snprintf(name, sizeof name, "copy");
            break;
    }
    c.name = name;
    return c;
}

// The processor run on a destination filled with the background word.
inline std::vector<RGBX> RunFilled(CImage32BitProcessor& p, std::vector<RGBX>& src, CSize size, uint32_t back,
                                   int& result) {
    const CSize out = p.CalcDestSize(size);
    RGBX fill;
    memcpy((void*)&fill, &back, 4);
    std::vector<RGBX> dst((size_t)out.cx * out.cy, fill);
    result = p.ProcessPixels(src.data(), size, dst.data(), out);
    return dst;
}

inline bool SameBytes(const std::vector<RGBX>& a, const std::vector<RGBX>& b) {
    return a.size() == b.size() && (a.empty() || memcmp(a.data(), b.data(), a.size() * sizeof(RGBX)) == 0);
}

}  // namespace bandcase
