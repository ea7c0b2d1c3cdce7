// The stitcher against frames cut from a known tall picture: each frame is
// what a window would show scrolled to some offset, with a fixed header and
// footer and a scroll bar at its side when the case has them.
#include <gtest/gtest.h>

#include <stdint.h>

#include <algorithm>
#include <vector>

#include "lib/scroll/scroll_stitcher.h"

namespace {

const int kW = 40;
const int kH = 60;
const int kDocH = 600;
const int kBar = 4;         // scroll bar columns at the right: a border and the thumb's track
const int kThumb = 5;       // rows
const int kBlankTop = 200;  // a blank stretch of the picture, longer than a screen
const int kBlankEnd = 300;

struct Layout {
    int nHeader;
    int nFooter;
    bool bScrollBar;
    bool bBlank;
    int Moving() const { return kH - nHeader - nFooter; }
};

// Every row of the picture differs from every other (outside the blank
// stretch); the fourth byte is noise that must never count.
uint32_t DocPixel(const Layout& l, int x, int y) {
    uint32_t noise = (uint32_t)(x * 37 + y * 11) << 24;
    if (l.bBlank && y >= kBlankTop && y < kBlankEnd) return 0xFFFFFFu | noise;
    return (((uint32_t)y * 2654435761u ^ (uint32_t)x * 40503u) & 0xFFFFFFu) | noise;
}

// What the window shows scrolled down by nOffset rows.
std::vector<uint32_t> Frame(const Layout& l, int nOffset) {
    std::vector<uint32_t> f((size_t)kW * kH);
    const int nThumbTop = l.nHeader + nOffset * (l.Moving() - kThumb) / (kDocH - l.Moving());
    for (int r = 0; r < kH; ++r) {
        for (int x = 0; x < kW; ++x) {
            uint32_t& p = f[(size_t)r * kW + x];
            if (r < l.nHeader)
                p = 0x800000u | (uint32_t)(r << 8) | (uint32_t)x;
            else if (r >= kH - l.nFooter)
                p = 0x400000u | (uint32_t)(r << 8) | (uint32_t)x;
            else if (l.bScrollBar && x >= kW - kBar)
                p = x == kW - kBar ? 0x808080u : (r >= nThumbTop && r < nThumbTop + kThumb ? 0x404040u : 0xC0C0C0u);
            else
                p = DocPixel(l, x, nOffset + r - l.nHeader);
        }
    }
    return f;
}

// The picture the stitcher should make of frames first..last, nHeight rows:
// the first frame above its footer, then the rest of the picture with the
// first frame's sides carried down, then the last frame's footer.
std::vector<uint32_t> Expected(const Layout& l, const std::vector<uint32_t>& first, const std::vector<uint32_t>& last,
                               int nHeight) {
    std::vector<uint32_t> e((size_t)kW * nHeight);
    const int nContentEnd = nHeight - l.nFooter;
    for (int y = 0; y < nHeight; ++y) {
        for (int x = 0; x < kW; ++x) {
            uint32_t& p = e[(size_t)y * kW + x];
            if (y < kH - l.nFooter)
                p = first[(size_t)y * kW + x];
            else if (y >= nContentEnd)
                p = last[(size_t)(y - nContentEnd + kH - l.nFooter) * kW + x];
            else if (l.bScrollBar && x >= kW - kBar)
                p = first[(size_t)(kH - l.nFooter - 1) * kW + x];
            else
                p = DocPixel(l, x, y - l.nHeader);
        }
    }
    return e;
}

// Pixels whose colour differs; -1 for another size.
long Differences(CKpScrollStitcher& s, const std::vector<uint32_t>& expected) {
    std::vector<uint32_t> result((size_t)kW * s.GetHeight());
    if (result.size() != expected.size()) return -1;
    s.TakeResult(result.data(), kW);
    long n = 0;
    for (size_t i = 0; i < result.size(); ++i)
        n += ((result[i] ^ expected[i]) & 0xFFFFFFu) != 0;
    return n;
}

// Every overlap, from one row to all but one, with and without fixed parts.
TEST(ScrollStitcher, PlacesEveryOverlapExactly) {
    for (const Layout& l : {Layout{0, 0, false, false}, Layout{6, 4, false, false}}) {
        const std::vector<uint32_t> first = Frame(l, 0);
        for (int d = 1; d < l.Moving(); ++d) {
            const std::vector<uint32_t> next = Frame(l, d);
            CKpScrollStitcher s(kW, kH, 10000);
            s.Start(first.data(), kW);
            ASSERT_EQ(CKpScrollStitcher::kPlaced, s.Add(next.data(), kW, -1)) << "shift " << d;
            EXPECT_EQ(d, s.GetLastShift());
            EXPECT_EQ(l.nHeader, s.GetHeaderRows());
            EXPECT_EQ(l.nFooter, s.GetFooterRows());
            EXPECT_EQ(0, Differences(s, Expected(l, first, next, kH + d))) << "shift " << d;
        }
    }
}

// Whole runs down the picture in steps of 30 rows, the last one shorter,
// then one that does not move; what each case adds is in its name.
TEST(ScrollStitcher, StitchesWholeRuns) {
    const struct {
        const char* pszName;
        Layout layout;
        bool bHints;     // the scroll position's distance is known
        bool bCaret;     // one pixel of the overlap differs in one frame
        int nMaxHeight;  // 0: no limit reached
    } kCases[] = {
        {"sticky header and footer, scroll bar at the side", {6, 4, true, false}, false, false, 0},
        {"blank stretch longer than a screen, scroll positions known", {6, 4, false, true}, true, false, 0},
        {"a caret blinks in the overlap", {0, 0, false, false}, false, true, 0},
        {"height limit", {6, 4, true, false}, false, false, 200},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.pszName);
        const Layout& l = c.layout;
        const int nLastOffset = kDocH - l.Moving();
        std::vector<std::vector<uint32_t>> frames;  // each stays as it was until the stitcher is done
        frames.push_back(Frame(l, 0));
        CKpScrollStitcher s(kW, kH, c.nMaxHeight > 0 ? c.nMaxHeight : 10000);
        s.Start(frames.back().data(), kW);
        int nOffset = 0;
        CKpScrollStitcher::Step step = CKpScrollStitcher::kPlaced;
        while (step == CKpScrollStitcher::kPlaced) {
            int nNext = std::min(nOffset + 30, nLastOffset);
            frames.push_back(Frame(l, nNext));
            if (c.bCaret && nOffset == 60) frames.back()[(size_t)(kH / 4) * kW + kW / 2] ^= 0xFFFFFF;
            step = s.Add(frames.back().data(), kW, c.bHints ? nNext - nOffset : -1);
            if (step == CKpScrollStitcher::kPlaced) {
                ASSERT_EQ(nNext - nOffset, s.GetLastShift()) << "from " << nOffset;
                nOffset = nNext;
            }
        }
        if (c.nMaxHeight > 0) {
            EXPECT_EQ(CKpScrollStitcher::kFull, step);
            ASSERT_EQ(c.nMaxHeight, s.GetHeight());
        } else {
            EXPECT_EQ(CKpScrollStitcher::kNoMove, step);
            EXPECT_EQ(nLastOffset, nOffset);
        }
        const std::vector<uint32_t>& last =
            step == CKpScrollStitcher::kFull ? frames.back() : frames[frames.size() - 2];
        EXPECT_EQ(0, Differences(s, Expected(l, frames.front(), last, s.GetHeight())));
    }
}

TEST(ScrollStitcher, RefusesAFrameOfOtherContent) {
    const Layout l{6, 4, false, false};
    const std::vector<uint32_t> first = Frame(l, 0);
    std::vector<uint32_t> other = Frame(l, 30);
    for (size_t i = kW * 6; i < other.size() - kW * 4; ++i)
        other[i] = (uint32_t)(i * 7919u);
    CKpScrollStitcher s(kW, kH, 10000);
    s.Start(first.data(), kW);
    EXPECT_EQ(CKpScrollStitcher::kNoMatch, s.Add(other.data(), kW, -1));
    EXPECT_EQ(kH, s.GetHeight());
}

}  // namespace
