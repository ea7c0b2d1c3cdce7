#include <gtest/gtest.h>

#include "framework/geometry.h"

namespace {

TEST(CRectTest, NormalizeInflateAndHitTesting) {
    struct Case {
        CRect in;
        CRect normalized;
    } cases[] = {
        {CRect(10, 20, 0, 5), CRect(0, 5, 10, 20)},
        {CRect(0, 0, 5, 5), CRect(0, 0, 5, 5)},
        {CRect(3, -1, -3, 1), CRect(-3, -1, 3, 1)},
    };
    for (Case& c : cases) {
        c.in.NormalizeRect();
        EXPECT_TRUE(c.in == c.normalized);
    }
    CRect r(0, 0, 10, 10);
    EXPECT_TRUE(r.PtInRect(CPoint(0, 0)));
    EXPECT_FALSE(r.PtInRect(CPoint(10, 5)));  // right edge is outside
    EXPECT_FALSE(r.PtInRect(CPoint(5, 10)));
    r.InflateRect(2, 3);
    EXPECT_TRUE(r == CRect(-2, -3, 12, 13));
    EXPECT_EQ(14, r.Width());
    EXPECT_EQ(16, r.Height());
    r.DeflateRect(2, 3);
    EXPECT_TRUE(r == CRect(0, 0, 10, 10));
    EXPECT_FALSE(r.IsRectEmpty());
    EXPECT_TRUE(CRect(5, 5, 5, 9).IsRectEmpty());
    EXPECT_TRUE(CRect(5, 5, 4, 9).IsRectEmpty());
    r.SetRectEmpty();
    EXPECT_TRUE(r.IsRectNull());
}

TEST(CRectTest, IntersectionAndUnion) {
    CRect a(0, 0, 10, 10), b(5, 5, 20, 20), c(30, 30, 40, 40);
    EXPECT_TRUE((a & b) == CRect(5, 5, 10, 10));
    EXPECT_TRUE((a & c).IsRectNull());
    EXPECT_TRUE((a | c) == CRect(0, 0, 40, 40));
    EXPECT_TRUE((a | CRect()) == a);
    CRect d = a + CPoint(1, 2);
    EXPECT_TRUE(d == CRect(1, 2, 11, 12));
    EXPECT_TRUE(d.CenterPoint() == CPoint(6, 7));
    EXPECT_TRUE(CSize(3, 4) + CSize(1, 1) == CSize(4, 5));
    EXPECT_TRUE(CPoint(5, 5) - CPoint(2, 1) == CSize(3, 4));
}

}  // namespace
