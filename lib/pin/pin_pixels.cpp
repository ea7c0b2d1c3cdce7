// A part of a pin's zoomed picture, in bands of rows on the imaging workers.
#include "pin_pixels.h"

#include <string.h>

#include <vector>

#include "lib/imaging/worker_pool.h"

namespace kppin {

namespace {

const uint32_t kColourMask = 0x00FFFFFF;
// Boxes of fewer pixels than this are divided by a multiply and a shift
// (exact for sums of 8-bit values, see Divider); larger ones by division.
const uint32_t kMaxMagicBox = 65535;
const int kMagicShift = 40;

// Source columns [lo, hi) under picture column x of an axis of s source and
// d picture pixels; never empty.
struct Span {
    int lo;
    int hi;
};
Span Cover(long long x, int s, int d) {
    Span span = {(int)(x * s / d), (int)((x + 1) * s / d)};
    if (span.hi <= span.lo) span.hi = span.lo + 1;
    return span;
}

// The one source column that stands for picture column x without smoothing.
int Sample(long long x, int s, int d) { return d >= s ? (int)(x * s / d) : (int)((2 * x + 1) * s / (2 * d)); }

// Rounded means of n 8-bit values from their sum. With m = ceil(2^40 / n)
// and a sum below 256 n, floor((sum + n / 2) * m / 2^40) is the quotient
// itself while n < 2^16: the error the rounding up of m adds stays below
// 256 n / 2^40, under the 1 / n by which a quotient that is not whole is
// away from the next whole number.
class Divider {
public:
    explicit Divider(uint32_t nMax) {
        if (nMax > kMaxMagicBox) return;
        m_magic.resize(nMax + 1, 0);
        for (uint32_t n = 1; n <= nMax; ++n)
            m_magic[n] = ((1ull << kMagicShift) + n - 1) / n;
    }
    uint32_t Mean(uint32_t nSum, uint32_t n) const {
        uint64_t nRounded = (uint64_t)nSum + n / 2;
        if (n < m_magic.size()) return (uint32_t)((nRounded * m_magic[n]) >> kMagicShift);
        return (uint32_t)(nRounded / n);
    }

private:
    std::vector<uint64_t> m_magic;
};

struct Job {
    const uint8_t* pSrc;
    int sw, sh;
    ptrdiff_t srcStride;
    int dw, dh;
    CRect rc;
    uint8_t* pDst;
    ptrdiff_t dstStride;
    int nBands;
    std::vector<int> sampleCols;  // Sample() of each column of the part
    std::vector<Span> coverCols;  // Cover() of each column of the part (smooth only)
    int nFirstCol;                // the first source column any of them covers
    int nColCount;                // and how many after it
    const Divider* pDivider;

    const uint32_t* SrcRow(int y) const { return reinterpret_cast<const uint32_t*>(pSrc + (ptrdiff_t)y * srcStride); }
    uint32_t* DstRow(int y) const { return reinterpret_cast<uint32_t*>(pDst + (ptrdiff_t)y * dstStride); }

    void Sampled(int first, int end) const {
        const int nWidth = rc.Width();
        int nLastRow = -1;
        for (int y = first; y < end; ++y) {
            const int nRow = Sample(rc.top + y, sh, dh);
            uint32_t* dst = DstRow(y);
            // An enlarged picture repeats its rows: the one above is copied.
            if (nRow == nLastRow) {
                memcpy(dst, DstRow(y - 1), (size_t)nWidth * sizeof(uint32_t));
                continue;
            }
            nLastRow = nRow;
            const uint32_t* src = SrcRow(nRow);
            for (int x = 0; x < nWidth; ++x)
                dst[x] = src[sampleCols[(size_t)x]] & kColourMask;
        }
    }

    void Smooth(int first, int end, kpimg::Scratch& scratch) const {
        const int nWidth = rc.Width();
        // Per source column and colour, the sum down the rows of one
        // picture row's box: a box of under 2^24 rows keeps it in 32 bits.
        uint32_t* colSum = static_cast<uint32_t*>(scratch.Get((size_t)nColCount * 3 * sizeof(uint32_t)));
        if (colSum == nullptr) {
            Sampled(first, end);
            return;
        }
        for (int y = first; y < end; ++y) {
            const Span rows = Cover(rc.top + y, sh, dh);
            for (int c = 0; c < nColCount; ++c) {
                const uint32_t p = SrcRow(rows.lo)[nFirstCol + c];
                colSum[3 * c] = p & 0xFF;
                colSum[3 * c + 1] = (p >> 8) & 0xFF;
                colSum[3 * c + 2] = (p >> 16) & 0xFF;
            }
            for (int r = rows.lo + 1; r < rows.hi; ++r) {
                const uint32_t* src = SrcRow(r) + nFirstCol;
                for (int c = 0; c < nColCount; ++c) {
                    colSum[3 * c] += src[c] & 0xFF;
                    colSum[3 * c + 1] += (src[c] >> 8) & 0xFF;
                    colSum[3 * c + 2] += (src[c] >> 16) & 0xFF;
                }
            }
            const uint32_t nRows = (uint32_t)(rows.hi - rows.lo);
            uint32_t* dst = DstRow(y);
            for (int x = 0; x < nWidth; ++x) {
                const Span cols = coverCols[(size_t)x];
                uint32_t b = 0, g = 0, r = 0;
                for (int c = cols.lo - nFirstCol; c < cols.hi - nFirstCol; ++c) {
                    b += colSum[3 * c];
                    g += colSum[3 * c + 1];
                    r += colSum[3 * c + 2];
                }
                const uint32_t n = nRows * (uint32_t)(cols.hi - cols.lo);
                dst[x] = pDivider->Mean(b, n) | (pDivider->Mean(g, n) << 8) | (pDivider->Mean(r, n) << 16);
            }
        }
    }
};

}  // namespace

bool ZoomPixels(const uint32_t* pSrc, int sw, int sh, ptrdiff_t srcStride, int dw, int dh, const CRect& rcPart,
                uint32_t* pDst, ptrdiff_t dstStride, bool bSmooth) {
    const int kMaxSide = 32767;
    if (pSrc == nullptr || pDst == nullptr || sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0 || dw > kMaxSide ||
        dh > kMaxSide)
        return false;
    if (rcPart.IsRectEmpty() || rcPart.left < 0 || rcPart.top < 0 || rcPart.right > dw || rcPart.bottom > dh)
        return false;

    Job job;
    job.pSrc = reinterpret_cast<const uint8_t*>(pSrc);
    job.sw = sw;
    job.sh = sh;
    job.srcStride = srcStride;
    job.dw = dw;
    job.dh = dh;
    job.rc = rcPart;
    job.pDst = reinterpret_cast<uint8_t*>(pDst);
    job.dstStride = dstStride;
    // An enlarged picture covers one source pixel a pixel: its smooth
    // picture is the sampled one.
    const bool bBoxes = bSmooth && (dw < sw || dh < sh);
    long long nRead = (long long)rcPart.Width() * rcPart.Height();
    if (bBoxes) {
        job.coverCols.reserve((size_t)rcPart.Width());
        for (int x = rcPart.left; x < rcPart.right; ++x)
            job.coverCols.push_back(Cover(x, sw, dw));
        job.nFirstCol = job.coverCols.front().lo;
        job.nColCount = job.coverCols.back().hi - job.nFirstCol;
        const Span firstRows = Cover(rcPart.top, sh, dh), lastRows = Cover(rcPart.bottom - 1, sh, dh);
        nRead = (long long)job.nColCount * (lastRows.hi - firstRows.lo);
    }
    // Also where smoothing runs short of memory for its sums.
    job.sampleCols.reserve((size_t)rcPart.Width());
    for (int x = rcPart.left; x < rcPart.right; ++x)
        job.sampleCols.push_back(Sample(x, sw, dw));
    // The largest box: one more source pixel each way than the ratio.
    const uint64_t nMaxBox = (uint64_t)(sw / dw + 2) * (uint64_t)(sh / dh + 2);
    const Divider divider(bBoxes && nMaxBox <= kMaxMagicBox ? (uint32_t)nMaxBox : 0);
    job.pDivider = &divider;
    job.nBands = kpimg::BandCount(rcPart.Height(), nRead);

    auto task = [&job, bBoxes](int nBand, kpimg::Scratch& scratch) {
        int first, end;
        kpimg::BandRows(nBand, job.nBands, job.rc.Height(), first, end);
        if (bBoxes)
            job.Smooth(first, end, scratch);
        else
            job.Sampled(first, end);
    };
    kpimg::RunTasks(job.nBands, task);
    return true;
}

}  // namespace kppin
