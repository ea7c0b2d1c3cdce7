#include "scroll_stitcher.h"

#include <string.h>

#include <stdlib.h>

#include <algorithm>

#include "framework/contract.h"

namespace {

// Rows of the result per block: small enough that the last block wastes
// little, large enough that the block list stays short.
const int kBlockRows = 64;

// The colour bytes of two pixels read as one 64-bit word.
const uint64_t kColourMask = 0x00FFFFFF00FFFFFFull;
const uint32_t kPixelColour = 0x00FFFFFFu;

// A frame whose best shift matches fewer of its telling rows than this share
// (in quarters) is not placed: it is not the same content moved. Some rows
// may differ where a caret blinks or a pointer hovers.
const int kMinMatchQuarters = 3;
// Columns may be found not to move with the content only this far (a third
// of the width) in from either side: a change in the middle (a caret, a
// hover) is the content's own.
const int kSideShare = 3;

inline uint64_t RotateLeft(uint64_t v, int n) { return (v << n) | (v >> (64 - n)); }

inline uint64_t Load64(const uint32_t* p) {
    uint64_t v;
    memcpy(&v, p, sizeof v);
    return v & kColourMask;
}

// Each step of a lane is a bijection of its state, so two rows that differ
// in one word never share a hash; four lanes keep the multiplier busy.
uint64_t HashRow(const uint32_t* p, int n) {
    const uint64_t k = 0x9E3779B97F4A7C15ull;
    uint64_t h0 = 0x243F6A8885A308D3ull, h1 = 0x13198A2E03707344ull, h2 = 0xA4093822299F31D0ull,
             h3 = 0x082EFA98EC4E6C89ull;
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        h0 = RotateLeft((h0 ^ Load64(p + i)) * k, 31);
        h1 = RotateLeft((h1 ^ Load64(p + i + 2)) * k, 31);
        h2 = RotateLeft((h2 ^ Load64(p + i + 4)) * k, 31);
        h3 = RotateLeft((h3 ^ Load64(p + i + 6)) * k, 31);
    }
    for (; i < n; ++i)
        h0 = RotateLeft((h0 ^ (p[i] & kPixelColour)) * k, 31);
    uint64_t h = h0 ^ RotateLeft(h1 * k, 17) ^ RotateLeft(h2 * k, 34) ^ RotateLeft(h3 * k, 51) ^ (uint64_t)n;
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDull;
    h ^= h >> 33;
    h *= 0xC4CEB9FE1A85EC53ull;
    h ^= h >> 33;
    return h;
}

inline bool SameColour(uint32_t a, uint32_t b) { return ((a ^ b) & kPixelColour) == 0; }

}  // namespace

// A shift of the content, in rows, and how well the rows fit it.
struct CKpScrollStitcher::Fit {
    int nShift = -1;  // -1: none at all
    bool bExact = false;
    int nMatched = 0;  // telling rows that fit (when not exact)
    int nTelling = 0;  // telling rows in the overlap
};

CKpScrollStitcher::CKpScrollStitcher(int nWidth, int nHeight, int nMaxHeight)
    : m_nWidth(std::max(nWidth, 1)),
      m_nHeight(std::max(nHeight, 1)),
      m_nMaxHeight(std::max(nMaxHeight, m_nHeight)),
      m_nLength(0),
      m_nLastShift(0),
      m_nTotalShift(0),
      m_bKeep(nMaxHeight > 0),
      m_bStarted(false),
      m_bFull(false),
      m_bFixedKnown(false),
      m_nTop(0),
      m_nBottom(0),
      m_nLeft(0),
      m_nRight(m_nWidth),
      m_last{nullptr, 0},
      m_hashLast(m_nHeight),
      m_hashNew(m_nHeight) {
    KFW_CHECK(nWidth > 0 && nHeight > 0);
}

void CKpScrollStitcher::HashRows(const uint32_t* pFrame, ptrdiff_t nStride, int nLeft, int nRight, int nHeight,
                                 uint64_t* pOut) {
    for (int y = 0; y < nHeight; ++y)
        pOut[y] = HashRow(pFrame + nStride * y + nLeft, nRight - nLeft);
}

void CKpScrollStitcher::Start(const uint32_t* pFrame, ptrdiff_t nStride) {
    KFW_CHECK(pFrame != nullptr && !m_bStarted);
    m_bStarted = true;
    m_last = Frame{pFrame, nStride};
    HashRows(pFrame, nStride, m_nLeft, m_nRight, m_nHeight, m_hashLast.data());
    m_nLength = m_nHeight;
    if (!m_bKeep) return;
    for (int y = 0; y < m_nHeight; ++y)
        memcpy(ResultRow(y), m_last.Row(y), sizeof(uint32_t) * m_nWidth);
}

CKpScrollStitcher::Step CKpScrollStitcher::Add(const uint32_t* pFrame, ptrdiff_t nStride, int nHint) {
    KFW_CHECK(pFrame != nullptr && m_bStarted);
    if (!m_bStarted || pFrame == nullptr) return kNoMatch;
    if (m_bFull || (m_bKeep && m_nLength >= m_nMaxHeight)) {
        m_bFull = true;
        return kFull;
    }
    const Frame b{pFrame, nStride};
    const int h = m_nHeight;
    HashRows(pFrame, nStride, m_nLeft, m_nRight, h, m_hashNew.data());

    int nTop = 0;
    int nBottom = 0;
    if (FixedRows(m_hashLast.data(), m_hashNew.data(), nTop, nBottom)) {
        // Nothing changed on the screen: the end, unless the scroll position
        // says the content moved through a stretch that looks the same
        // wherever it is (blank, or repeating with this very period).
        if (nHint <= 0 || nHint >= h - nTop - nBottom) return kNoMove;
        for (int r = nTop; r < h - nBottom - nHint; ++r) {
            if (m_hashNew[r] != m_hashLast[r + nHint]) return kNoMove;
        }
        Place(b, nHint, nTop, nBottom);
        return m_bFull ? kFull : kPlaced;
    }
    Fit fit = FindShift(m_hashLast.data(), m_hashNew.data(), nTop, nBottom, nHint, false);
    if (!fit.bExact) {
        // Columns at the sides may not follow the content (a scroll bar's
        // thumb, a side bar that changes): the middle third of the width
        // tells the shift without them, and with those columns left out the
        // rest may fit exactly.
        const int nSide = (m_nRight - m_nLeft) / kSideShare;
        std::vector<uint64_t> coreLast(h), coreNew(h);
        HashRows(m_last.pPixels, m_last.nStride, m_nLeft + nSide, m_nRight - nSide, h, coreLast.data());
        HashRows(pFrame, nStride, m_nLeft + nSide, m_nRight - nSide, h, coreNew.data());
        int nCoreTop = 0;
        int nCoreBottom = 0;
        if (FixedRows(coreLast.data(), coreNew.data(), nCoreTop, nCoreBottom)) return kNoMove;
        Fit core = FindShift(coreLast.data(), coreNew.data(), nCoreTop, nCoreBottom, nHint, true);
        if (Convincing(core) && NarrowColumns(m_last, b, nCoreTop, nCoreBottom, core.nShift)) {
            HashRows(m_last.pPixels, m_last.nStride, m_nLeft, m_nRight, h, m_hashLast.data());
            HashRows(pFrame, nStride, m_nLeft, m_nRight, h, m_hashNew.data());
            if (FixedRows(m_hashLast.data(), m_hashNew.data(), nTop, nBottom)) return kNoMove;
            fit = FindShift(m_hashLast.data(), m_hashNew.data(), nTop, nBottom, nHint, false);
        }
        // The best there is, if it is good enough (a caret, a hover).
        if (!fit.bExact) fit = FindShift(m_hashLast.data(), m_hashNew.data(), nTop, nBottom, nHint, true);
    }
    if (!Convincing(fit)) return kNoMatch;
    Place(b, fit.nShift, nTop, nBottom);
    return m_bFull ? kFull : kPlaced;
}

bool CKpScrollStitcher::FixedRows(const uint64_t* pHashA, const uint64_t* pHashB, int& nTop, int& nBottom) const {
    const int h = m_nHeight;
    int nSameTop = 0;
    while (nSameTop < h && pHashA[nSameTop] == pHashB[nSameTop])
        ++nSameTop;
    if (nSameTop == h) {
        nTop = m_bFixedKnown ? m_nTop : 0;
        nBottom = m_bFixedKnown ? m_nBottom : 0;
        return true;
    }
    int nSameBottom = 0;
    while (pHashA[h - 1 - nSameBottom] == pHashB[h - 1 - nSameBottom])
        ++nSameBottom;
    // What stays put can only turn out smaller as more frames come: a row
    // that changed once is content.
    nTop = m_bFixedKnown ? std::min(m_nTop, nSameTop) : nSameTop;
    nBottom = m_bFixedKnown ? std::min(m_nBottom, nSameBottom) : nSameBottom;
    return false;
}

bool CKpScrollStitcher::Convincing(const Fit& fit) {
    if (fit.nShift <= 0) return false;
    return fit.bExact || (fit.nMatched > 0 && fit.nMatched * 4 >= fit.nTelling * kMinMatchQuarters);
}

// Shifts d from 1 to one less than the moving rows, B's row r against A's
// row r + d over the rows between the fixed parts. Every shift under which
// all those rows are equal fits exactly; of several (a blank or repeating
// stretch), the one nearest the hint wins, else the one nearest the last
// step's, else the smallest. When none fits exactly, the shift under which
// most telling rows (those that differ from the row above: a blank stretch
// counts once) are equal is the best there is, when bApproximate allows it.
CKpScrollStitcher::Fit CKpScrollStitcher::FindShift(const uint64_t* pHashA, const uint64_t* pHashB, int nTop,
                                                    int nBottom, int nHint, bool bApproximate) const {
    Fit fit;
    const int nEnd = m_nHeight - nBottom;  // first row below the moving part
    const int nMoving = nEnd - nTop;
    if (nMoving < 2) return fit;
    const int nWanted = nHint >= 0 ? nHint : m_nLastShift;
    auto better = [&](int d, int nBest) {
        if (nBest < 0) return true;
        if (nWanted <= 0) return false;  // the smallest stays
        int nNew = std::abs(d - nWanted);
        int nOld = std::abs(nBest - nWanted);
        return nNew < nOld;
    };
    for (int d = 1; d < nMoving; ++d) {
        int r = nTop;
        while (r < nEnd - d && pHashB[r] == pHashA[r + d])
            ++r;
        if (r == nEnd - d && better(d, fit.nShift)) fit.nShift = d;
    }
    if (fit.nShift > 0) {
        fit.bExact = true;
        return fit;
    }
    if (!bApproximate) return fit;

    for (int d = 1; d < nMoving; ++d) {
        int nMatched = 0;
        int nTelling = 0;
        for (int r = nTop; r < nEnd - d; ++r) {
            if (r > nTop && pHashB[r] == pHashB[r - 1]) continue;
            ++nTelling;
            if (pHashB[r] == pHashA[r + d]) ++nMatched;
        }
        if (nMatched > fit.nMatched || (nMatched == fit.nMatched && nMatched > 0 && better(d, fit.nShift))) {
            fit.nShift = d;
            fit.nMatched = nMatched;
            fit.nTelling = nTelling;
        }
    }
    return fit;
}

bool CKpScrollStitcher::NarrowColumns(const Frame& a, const Frame& b, int nTop, int nBottom, int nShift) {
    const int nSide = (m_nRight - m_nLeft) / kSideShare;
    if (nSide <= 0) return false;
    // Per column, whether it follows the shift over all moving rows.
    std::vector<char> follows(m_nWidth, 1);
    for (int r = nTop; r < m_nHeight - nBottom - nShift; ++r) {
        const uint32_t* pB = b.Row(r);
        const uint32_t* pA = a.Row(r + nShift);
        for (int x = m_nLeft; x < m_nLeft + nSide; ++x)
            follows[x] &= SameColour(pA[x], pB[x]);
        for (int x = m_nRight - nSide; x < m_nRight; ++x)
            follows[x] &= SameColour(pA[x], pB[x]);
    }
    int nLeft = m_nLeft;
    for (int x = m_nLeft; x < m_nLeft + nSide; ++x) {
        if (!follows[x]) nLeft = x + 1;
    }
    int nRight = m_nRight;
    for (int x = m_nRight - 1; x >= m_nRight - nSide; --x) {
        if (!follows[x]) nRight = x;
    }
    if (nLeft == m_nLeft && nRight == m_nRight) return false;
    m_nLeft = nLeft;
    m_nRight = nRight;
    return true;
}

void CKpScrollStitcher::Place(const Frame& b, int nShift, int nTop, int nBottom) {
    const int h = m_nHeight;
    if (m_bKeep) {
        // The footer's rows that turned out to be content are in place
        // already (they are the last frame's); only their sides change.
        const int nOldBottom = m_bFixedKnown ? m_nBottom : nBottom;
        for (int y = m_nLength - nOldBottom; y < m_nLength - nBottom; ++y)
            CarrySides(y);
        const int nRows = std::min(nShift, m_nMaxHeight - m_nLength);
        if (nRows < nShift) m_bFull = true;
        const int y0 = m_nLength - nBottom;
        const size_t nContentBytes = sizeof(uint32_t) * (m_nRight - m_nLeft);
        for (int i = 0; i < nRows; ++i) {
            uint32_t* pRow = ResultRow(y0 + i);
            memcpy(pRow + m_nLeft, b.Row(h - nBottom - nShift + i) + m_nLeft, nContentBytes);
            CarrySides(y0 + i);
        }
        for (int i = 0; i < nBottom; ++i)
            memcpy(ResultRow(y0 + nRows + i), b.Row(h - nBottom + i), sizeof(uint32_t) * m_nWidth);
        m_nLength += nRows;
    }
    m_last = b;
    m_hashLast.swap(m_hashNew);
    m_bFixedKnown = true;
    m_nTop = nTop;
    m_nBottom = nBottom;
    m_nLastShift = nShift;
    m_nTotalShift += nShift;
}

void CKpScrollStitcher::Prepare(int nRows) {
    if (!m_bKeep || nRows <= 0) return;
    const int nLast = std::min(m_nMaxHeight, m_nLength + nRows) - 1;
    // Zeroed as they are made: every page is touched now.
    while ((int)m_blocks.size() * kBlockRows <= nLast)
        m_blocks.emplace_back(new uint32_t[(size_t)kBlockRows * m_nWidth]());
}

uint32_t* CKpScrollStitcher::ResultRow(int y) {
    KFW_CHECK(m_bKeep && y >= 0 && y < m_nMaxHeight);
    const size_t nBlock = (size_t)(y / kBlockRows);
    while (m_blocks.size() <= nBlock)
        m_blocks.emplace_back(new uint32_t[(size_t)kBlockRows * m_nWidth]);
    return m_blocks[nBlock].get() + (size_t)(y % kBlockRows) * m_nWidth;
}

void CKpScrollStitcher::CarrySides(int y) {
    if (y <= 0) return;
    uint32_t* pRow = ResultRow(y);
    const uint32_t* pAbove = ResultRow(y - 1);
    memcpy(pRow, pAbove, sizeof(uint32_t) * m_nLeft);
    memcpy(pRow + m_nRight, pAbove + m_nRight, sizeof(uint32_t) * (m_nWidth - m_nRight));
}

void CKpScrollStitcher::TakeResult(uint32_t* pDest, ptrdiff_t nDestStride) {
    KFW_CHECK(pDest != nullptr || m_nLength == 0 || !m_bKeep);
    if (m_bKeep && pDest != nullptr) {
        for (int y = 0; y < m_nLength; ++y) {
            memcpy(pDest + nDestStride * y, ResultRow(y), sizeof(uint32_t) * m_nWidth);
            // A block copied is given back at once: the result is never
            // held twice over.
            if (y % kBlockRows == kBlockRows - 1 || y == m_nLength - 1) m_blocks[(size_t)(y / kBlockRows)].reset();
        }
    }
    m_blocks.clear();
    m_nLength = 0;
}
