// The monitor geometry over layouts that no single machine here can show.
#include "monitor_layout.h"

#include <gtest/gtest.h>

#include <ostream>

inline void PrintTo(const CRect& rc, std::ostream* os) {
    *os << "(" << rc.left << ", " << rc.top << ", " << rc.right << ", " << rc.bottom << ")";
}

namespace {

struct Mon {
    RECT rc;
    unsigned int nDpi;
};

CKpMonitorLayout Layout(std::initializer_list<Mon> mons) {
    CKpMonitorLayout layout;
    bool bFirst = true;
    for (const Mon& m : mons) {
        layout.AddMonitor(m.rc, CRect(), m.nDpi, bFirst);
        bFirst = false;
    }
    return layout;
}

// The primary first in each.
const CKpMonitorLayout kMixed = Layout({{{0, 0, 1920, 1080}, 96}, {{1920, 0, 4480, 1440}, 144}});
const CKpMonitorLayout kAbove = Layout({{{0, 0, 1024, 768}, 96}, {{-128, -1024, 1152, 0}, 96}});
const CKpMonitorLayout kThree =
    Layout({{{0, 0, 1024, 768}, 96}, {{-1280, 0, 0, 1024}, 96}, {{1024, 100, 2304, 820}, 120}});
const CKpMonitorLayout kOne = Layout({{{0, 0, 1024, 768}, 96}});

TEST(MonitorLayout, PointsFindTheirMonitorAndStayOnTheScreens) {
    struct Case {
        const CKpMonitorLayout* pLayout;
        POINT pt;
        int nOn;       // FromPoint
        int nNearest;  // Nearest
        POINT ptKept;  // KeepOnScreens
    } cases[] = {
        {&kMixed, {1920, 500}, 1, 1, {1920, 500}},
        {&kMixed, {100, 1200}, -1, 0, {100, 1079}},    // below the shorter primary
        {&kMixed, {1900, 1200}, -1, 1, {1920, 1200}},  // nearer the second's edge than the primary's bottom
        {&kMixed, {1930, 1200}, 1, 1, {1930, 1200}},
        {&kAbove, {-100, -1}, 1, 1, {-100, -1}},
        {&kAbove, {-100, 300}, -1, 0, {0, 300}},  // the gap left of the primary, below the upper one
        {&kAbove, {-120, 0}, -1, 1, {-120, -1}},
        {&kThree, {-1, 900}, 1, 1, {-1, 900}},
        {&kThree, {500, 900}, -1, 0, {500, 767}},  // under the primary, which is the shortest
        {&kThree, {1100, 50}, -1, 2, {1100, 100}},
        {&kThree, {5000, 5000}, -1, 2, {2303, 819}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "point (" << c.pt.x << ", " << c.pt.y << ")");
        EXPECT_EQ(c.nOn, c.pLayout->FromPoint(c.pt));
        EXPECT_EQ(c.nNearest, c.pLayout->Nearest(c.pt));
        CPoint kept = c.pLayout->KeepOnScreens(c.pt);
        EXPECT_EQ(c.ptKept.x, kept.x);
        EXPECT_EQ(c.ptKept.y, kept.y);
    }
}

TEST(MonitorLayout, UncoveredPartsAreExactlyTheGaps) {
    for (const CKpMonitorLayout* pLayout : {&kMixed, &kAbove, &kThree, &kOne}) {
        CRect rcAll = pLayout->GetVirtualRect();
        CRect parts[64];
        int n = pLayout->GetUncovered(rcAll, parts, 64);
        ASSERT_LE(n, 64);
        long long area = 0;
        for (int k = 0; k < n; ++k) {
            area += (long long)parts[k].Width() * parts[k].Height();
            for (int i = 0; i < pLayout->GetCount(); ++i) {
                CRect overlap;
                EXPECT_FALSE(overlap.IntersectRect(&parts[k], &pLayout->GetMonitor(i).rcMonitor));
            }
            for (int j = 0; j < k; ++j) {
                CRect overlap;
                EXPECT_FALSE(overlap.IntersectRect(&parts[k], &parts[j]));
            }
        }
        long long covered = 0;
        for (int i = 0; i < pLayout->GetCount(); ++i)
            covered += (long long)pLayout->GetMonitor(i).rcMonitor.Width() * pLayout->GetMonitor(i).rcMonitor.Height();
        EXPECT_EQ((long long)rcAll.Width() * rcAll.Height() - covered, area);
    }
    // A window wholly on the monitors leaves nothing uncovered.
    EXPECT_EQ(0, kThree.GetUncovered(CRect(-200, 100, 200, 300), nullptr, 0));
}

TEST(MonitorLayout, BoxBesideThePointerStaysWholeOnItsMonitor) {
    const SIZE box = {80, 90};
    struct Case {
        const CKpMonitorLayout* pLayout;
        POINT pt;
        RECT rcExpected;
    } cases[] = {
        // The edge between monitors is an edge: the box turns back onto the
        // pointer's monitor instead of crossing.
        {&kMixed, {1900, 500}, {1817, 407, 1897, 497}},
        {&kMixed, {1925, 500}, {1928, 407, 2008, 497}},
        // Next to the shorter primary's bottom, never into the gap below it.
        {&kMixed, {1000, 1079}, {1003, 986, 1083, 1076}},
        // The upper monitor's top edge is at -1024.
        {&kAbove, {0, -1000}, {3, -997, 83, -907}},
        {&kAbove, {0, 20}, {3, 23, 83, 113}},
        // The lower right monitor of three starts at y 100.
        {&kThree, {1100, 150}, {1103, 153, 1183, 243}},
        {&kThree, {-5, 1020}, {-88, 927, -8, 1017}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "pointer (" << c.pt.x << ", " << c.pt.y << ")");
        CRect rc = c.pLayout->PlaceBeside(c.pt, box, 3);
        EXPECT_EQ(CRect(c.rcExpected), rc);
        CRect rcMon = c.pLayout->GetMonitor(c.pLayout->Nearest(c.pt)).rcMonitor;
        CRect inside;
        inside.IntersectRect(&rc, &rcMon);
        EXPECT_EQ(rc, inside);
    }
}

TEST(MonitorLayout, PanelsSitInTheCornersOfTheirOwnMonitor) {
    const SIZE panel = {220, 253};
    EXPECT_EQ(CRect(-1270, 10, -1050, 263), kThree.CornerOf(1, panel, 10, CKpMonitorLayout::kTopLeft));
    EXPECT_EQ(CRect(2074, 557, 2294, 810), kThree.CornerOf(2, panel, 10, CKpMonitorLayout::kBottomRight));
    EXPECT_EQ(CRect(922, -1014, 1142, -761), kAbove.CornerOf(1, panel, 10, CKpMonitorLayout::kTopRight));
    // A monitor smaller than the panel keeps its top-left corner.
    CKpMonitorLayout tiny = Layout({{{0, 0, 200, 200}, 96}});
    EXPECT_EQ(CRect(0, 0, 220, 253), tiny.CornerOf(0, panel, 10, CKpMonitorLayout::kBottomRight));
}

TEST(MonitorLayout, WindowsComeBackOntoTheMonitorsThatAreThere) {
    struct Case {
        const CKpMonitorLayout* pLayout;
        RECT rcWindow;
        unsigned int nDpi;
        RECT rcExpected;
    } cases[] = {
        {&kMixed, {100, 100, 500, 400}, 96, {100, 100, 500, 400}},        // where it is
        {&kMixed, {2000, 100, 2600, 550}, 144, {2000, 100, 2600, 550}},   // on the 150 % monitor, laid out for it
        {&kMixed, {2000, 100, 2400, 400}, 96, {2000, 100, 2600, 550}},    // moved there: 150 % of its size
        {&kMixed, {-1200, 100, -600, 550}, 144, {0, 100, 400, 400}},      // its monitor gone: onto the primary at 100 %
        {&kOne, {1100, 900, 1500, 1200}, 96, {624, 468, 1024, 768}},      // off the bottom right
        {&kOne, {-50, -50, 2000, 1000}, 96, {0, 0, 1024, 768}},           // larger than what is left
        {&kThree, {-1400, 900, -1200, 1100}, 96, {-1280, 824, -1080, 1024}},  // mostly off the left one
        {&kThree, {1200, 30, 1400, 130}, 96, {1200, 100, 1450, 225}},     // mostly in the gap above the 125 % one
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "window " << testing::PrintToString(CRect(c.rcWindow)));
        EXPECT_EQ(CRect(c.rcExpected), c.pLayout->BringOnto(c.rcWindow, c.nDpi));
    }
}

TEST(MonitorLayout, SizesBetweenScalings) {
    EXPECT_EQ(330, KpScaleForDpi(220, 144));
    EXPECT_EQ(275, KpScaleForDpi(220, 120));
    EXPECT_EQ(-14, KpScaleForDpi(-9, 144));  // a half rounds away from zero
    EXPECT_EQ(CSize(200, 133), KpMapSizeDpi(CSize(300, 200), 144, 96));
    EXPECT_EQ(CSize(300, 200), KpMapSizeDpi(KpMapSizeDpi(CSize(300, 200), 144, 96), 96, 144) + CSize(0, 0));
    const struct {
        unsigned int nDpi;
        int nPercent;
    } steps[] = {{96, 100}, {119, 100}, {120, 150}, {144, 150}, {167, 150}, {168, 200}, {288, 200}};
    for (auto s : steps) EXPECT_EQ(s.nPercent, KpPanelScalePercent(s.nDpi)) << s.nDpi;
}

}  // namespace
