// The sampling loops of rotation, shear and enlargement as plain jobs on
// 32-bit pixel words, and the choice between their baseline and AVX2
// builds (identical results; see wide_loops_impl.h).
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace kpimg {

// A whole pixel as one little-endian word (blue in the low byte). It may
// alias the pixel records it is read from.
typedef uint32_t __attribute__((may_alias)) PixelWord;

// The source and destination of a sampling job. Arrays and sizes are
// checked by the processor before a job is made: sizes positive, arrays of
// w * h words. A job computes destination rows y0 to y1 - 1, so that bands
// of rows can go to different threads; every pixel comes out the same in
// any band.
struct FrameJob {
    const PixelWord* src;  // not owned
    int sw, sh;
    PixelWord* dst;  // not owned
    int dw, dh;
    int y0, y1;
    // Non-null: each row is set to this word before it is computed (the
    // destination was not filled beforehand). Not owned.
    const PixelWord* fill;
};

struct RotateJob : FrameJob {
    double cosine, sine;
    bool weighted;
};

struct ShearJob : FrameJob {
    int across, down;
    bool weighted;
    // Room for dw doubles the job may use, or null. Not owned.
    double* rowScratch;
};

struct EnlargeJob : FrameJob {
    double step;
};

struct WideLoops {
    void (*Rotate)(const RotateJob&);
    void (*Shear)(const ShearJob&);
    void (*Enlarge)(const EnlargeJob&);
    uint32_t (*Sample)(const PixelWord* src, int w, int h, double x, double y);
    // A row of w pixels as three planes of w doubles: blue, green, red.
    void (*SharpenPlanes)(const PixelWord* in, double* planes, int w);
    // Pixels 1 .. w - 2 of a sharpened row from the planes of the rows
    // above (a), at (b) and below (c): per colour the clamped, truncated
    // kernel sum, corners kc, edges kh, centre 2.0, summed row by row from
    // the top-left. The fourth byte is fill's when fill is given, else out's.
    void (*SharpenInner)(const double* a, const double* b, const double* c, PixelWord* out, int w,
                         const PixelWord* fill, double kc, double kh);
    // Pixels 1 .. w - 2 of a blurred row (w >= 3) from its rows above and
    // below: each colour is (centreLess1 * centre + the nine around it)
    // divided by the weights' sum, which is ((n * magic) >> 16) >> shift
    // for every sum n the blur can make. The fourth byte is fill's when
    // fill is given, else out's.
    void (*BlurInner)(const PixelWord* above, const PixelWord* row, const PixelWord* below, PixelWord* out, int w,
                      const PixelWord* fill, uint32_t centreLess1, uint32_t magic, int shift);
    // sum[i] += row[i] for i < lanes.
    void (*AddRow)(uint16_t* sum, const uint8_t* row, size_t lanes);
    // Box means of count boxes two columns wide, side by side from the
    // first column of sum (four byte lanes per column): colour k of out[i]
    // is ((sum[8i + k] + sum[8i + 4 + k]) * m) >> 24; the fourth byte of
    // out is kept.
    void (*PairMeans)(const uint16_t* sum, PixelWord* out, int count, uint32_t m);
    // dst[i] = grey (3 r + 6 g + b) / 10 in all three colours, fourth byte 0.
    void (*Grey)(const PixelWord* src, PixelWord* dst, size_t n);
};

// The loops for this processor: the AVX2 build where the processor has it.
const WideLoops& Wide();

// Tests compare the two builds: false keeps to the baseline loops.
void AllowWideSampling(bool bAllow);

}  // namespace kpimg
