// One long picture of an area that scrolls: each new frame of the area is
// placed where it overlaps the picture so far, found row by row.
//
// Frames are 32-bit pixels (blue, green, red and a fourth byte that carries
// no colour and is never compared), top row first, rows nStride pixels apart
// (a negative stride reads a frame bottom up), all of one width and height.
// Rows are compared through 64-bit hashes of their pixels, so that placing a
// frame costs a pass over it and a search over row hashes, not over pixels.
//
// What stays put while the content moves is found on the way and kept once:
// rows at the top that never change (a sticky header) stay where the first
// frame had them, rows at the bottom that never change (a footer, a
// horizontal scroll bar) follow the last frame's content, and columns at the
// sides that do not move with the content (a scroll bar drawn inside the
// area, a fixed side bar) show the first frame's and, below it, carry on its
// last row down the picture rather than repeat in every step.
//
// Where the overlap fits more than one shift (a blank or repeating stretch
// longer than a step), the shift the caller knows of (from the scroll
// position) decides, else the last step's.
//
// Memory: the result, in blocks of rows (no copy as it grows), and row
// hashes. The stitcher keeps no frame of its own: the last frame placed is
// read again at the next step, and the caller keeps it unchanged until then.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <memory>
#include <vector>

class CKpScrollStitcher {
public:
    enum Step {
        kPlaced,   // the frame moved on and its new rows are in the result
        kNoMove,   // the frame shows what the last one showed: the end
        kNoMatch,  // no shift fits the last frame: nothing was added
        kFull,     // the height limit is reached: what fitted was added, nothing more will be
    };

    // Frames of nWidth x nHeight; the result grows to nMaxHeight rows at
    // most (never less than one frame). With nMaxHeight 0 nothing is kept:
    // the stitcher only measures how far each frame moved (the distance of
    // a scroll, for instance, with the frames given bottom up for a scroll
    // towards the top).
    CKpScrollStitcher(int nWidth, int nHeight, int nMaxHeight);
    CKpScrollStitcher(const CKpScrollStitcher&) = delete;
    CKpScrollStitcher& operator=(const CKpScrollStitcher&) = delete;

    // The first frame, placed whole.
    void Start(const uint32_t* pFrame, ptrdiff_t nStride);
    // The next frame, the content moved up by some rows; nHint is how many
    // when the caller knows (the scroll position's distance), else -1. The
    // frame given to the last Start or kPlaced must still be as it was.
    Step Add(const uint32_t* pFrame, ptrdiff_t nStride, int nHint);

    // Makes room in the result for nRows more rows (up to the limit), so
    // that placing them later writes into memory already there: fresh memory
    // costs a fault a page at first touch, which a caller that waits for
    // the next frame anyway takes off the placement this way.
    void Prepare(int nRows);

    int GetWidth() const { return m_nWidth; }
    int GetFrameHeight() const { return m_nHeight; }
    // The result's height so far, footer included.
    int GetHeight() const { return m_nLength; }
    // How far the last placed frame moved, and all placed frames together,
    // in rows.
    int GetLastShift() const { return m_nLastShift; }
    int GetTotalShift() const { return m_nTotalShift; }
    // What was found to stay put: rows at the top and the bottom, and the
    // columns [left, right) that move with the content.
    int GetHeaderRows() const { return m_bFixedKnown ? m_nTop : 0; }
    int GetFooterRows() const { return m_bFixedKnown ? m_nBottom : 0; }
    int GetContentLeft() const { return m_nLeft; }
    int GetContentRight() const { return m_nRight; }

    // The result into pDest (GetHeight() rows of GetWidth() pixels, rows
    // nDestStride pixels apart); each block is freed once copied, and the
    // stitcher is empty afterwards.
    void TakeResult(uint32_t* pDest, ptrdiff_t nDestStride);

    // Hashes of rows [0, nHeight) over columns [nLeft, nRight), into pOut.
    static void HashRows(const uint32_t* pFrame, ptrdiff_t nStride, int nLeft, int nRight, int nHeight, uint64_t* pOut);

private:
    struct Frame {
        const uint32_t* pPixels;
        ptrdiff_t nStride;
        const uint32_t* Row(int y) const { return pPixels + nStride * y; }
    };
    struct Fit;  // a shift and what it was found from

    // The shift that fits B's rows to A's between nTop and nBottom rows of
    // the frame's edges, exactly or (bApproximate) as well as any does; see
    // the .cpp for the order of preference.
    Fit FindShift(const uint64_t* pHashA, const uint64_t* pHashB, int nTop, int nBottom, int nHint,
                  bool bApproximate) const;
    // The rows at the top and the bottom that stay put from A to B (by
    // their hashes), as far as the frames so far allow; true when every row
    // stayed.
    bool FixedRows(const uint64_t* pHashA, const uint64_t* pHashB, int& nTop, int& nBottom) const;
    // A shift good enough to place a frame by.
    static bool Convincing(const Fit& fit);
    // Leaves out columns at the sides that do not follow shift nShift;
    // true when the content columns changed.
    bool NarrowColumns(const Frame& a, const Frame& b, int nTop, int nBottom, int nShift);
    // Writes B's new rows (as many as fit under the limit) and its footer
    // for shift nShift, and makes B the last frame.
    void Place(const Frame& b, int nShift, int nTop, int nBottom);
    uint32_t* ResultRow(int y);
    // Side columns of result row y copied from the row above.
    void CarrySides(int y);

    const int m_nWidth;
    const int m_nHeight;
    const int m_nMaxHeight;
    int m_nLength;  // result rows so far; the last m_nBottom of them are the last frame's footer
    int m_nLastShift;
    int m_nTotalShift;
    const bool m_bKeep;  // false: measuring only
    bool m_bStarted;
    bool m_bFull;
    bool m_bFixedKnown;  // a frame has moved: m_nTop and m_nBottom mean something
    int m_nTop;
    int m_nBottom;
    int m_nLeft;
    int m_nRight;
    Frame m_last;                      // not owned: the last frame placed
    std::vector<uint64_t> m_hashLast;  // its rows' hashes over the content columns
    std::vector<uint64_t> m_hashNew;
    std::vector<std::unique_ptr<uint32_t[]>> m_blocks;  // the result, kBlockRows rows each
};
