// The sampling loops of rotation, shear and enlargement as plain jobs on
// 32-bit pixel words, and the choice between their baseline and AVX2
// builds (identical results; see sampling_loops.h).
#pragma once

#include <stdint.h>

namespace kpimg {

// A whole pixel as one little-endian word (blue in the low byte). It may
// alias the pixel records it is read from.
typedef uint32_t __attribute__((may_alias)) PixelWord;

// Arrays and sizes are checked by the processor before a job is made:
// sizes positive, arrays of w * h words.
struct RotateJob {
    const PixelWord* src;
    int sw, sh;
    PixelWord* dst;
    int dw, dh;
    double cosine, sine;
    bool weighted;
};

struct ShearJob {
    const PixelWord* src;
    int sw, sh;
    PixelWord* dst;
    int dw, dh;
    int across, down;
    bool weighted;
};

struct EnlargeJob {
    const PixelWord* src;
    int sw, sh;
    PixelWord* dst;
    int dw, dh;
    double step;
};

struct SamplingLoops {
    void (*Rotate)(const RotateJob&);
    void (*Shear)(const ShearJob&);
    void (*Enlarge)(const EnlargeJob&);
    uint32_t (*Sample)(const PixelWord* src, int w, int h, double x, double y);
};

// The loops for this processor: the AVX2 build where the processor has it.
const SamplingLoops& Sampling();

// Tests compare the two builds: false keeps to the baseline loops.
void AllowWideSampling(bool bAllow);

}  // namespace kpimg
