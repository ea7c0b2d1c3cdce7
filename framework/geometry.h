// CSize, CPoint and CRect: the Win32 SIZE, POINT and RECT with the usual
// arithmetic. They derive from the Win32 structures, so a CRect* can be
// passed wherever a RECT* is expected.
#pragma once

#include "framework/platform.h"

class CSize : public tagSIZE {
public:
    CSize() { cx = cy = 0; }
    CSize(int initCX, int initCY) {
        cx = initCX;
        cy = initCY;
    }
    CSize(SIZE s) {
        cx = s.cx;
        cy = s.cy;
    }
    CSize(POINT pt) {
        cx = pt.x;
        cy = pt.y;
    }

    bool operator==(SIZE s) const { return cx == s.cx && cy == s.cy; }
    bool operator!=(SIZE s) const { return !(*this == s); }
    void operator+=(SIZE s) {
        cx += s.cx;
        cy += s.cy;
    }
    void operator-=(SIZE s) {
        cx -= s.cx;
        cy -= s.cy;
    }
    CSize operator+(SIZE s) const { return CSize(cx + s.cx, cy + s.cy); }
    CSize operator-(SIZE s) const { return CSize(cx - s.cx, cy - s.cy); }
    CSize operator-() const { return CSize(-cx, -cy); }
};

class CPoint : public tagPOINT {
public:
    CPoint() { x = y = 0; }
    CPoint(int initX, int initY) {
        x = initX;
        y = initY;
    }
    CPoint(POINT pt) {
        x = pt.x;
        y = pt.y;
    }
    CPoint(SIZE s) {
        x = s.cx;
        y = s.cy;
    }
#ifdef _WIN32
    // A packed coordinate pair as in mouse-message lParams (signed words).
    explicit CPoint(LPARAM lParam) {
        x = (short)LOWORD(lParam);
        y = (short)HIWORD(lParam);
    }
#endif

    void Offset(int dx, int dy) {
        x += dx;
        y += dy;
    }
    void Offset(POINT pt) {
        x += pt.x;
        y += pt.y;
    }
    void Offset(SIZE s) {
        x += s.cx;
        y += s.cy;
    }
    bool operator==(POINT pt) const { return x == pt.x && y == pt.y; }
    bool operator!=(POINT pt) const { return !(*this == pt); }
    void operator+=(SIZE s) {
        x += s.cx;
        y += s.cy;
    }
    void operator-=(SIZE s) {
        x -= s.cx;
        y -= s.cy;
    }
    void operator+=(POINT pt) {
        x += pt.x;
        y += pt.y;
    }
    void operator-=(POINT pt) {
        x -= pt.x;
        y -= pt.y;
    }
    CPoint operator+(SIZE s) const { return CPoint(x + s.cx, y + s.cy); }
    CPoint operator-(SIZE s) const { return CPoint(x - s.cx, y - s.cy); }
    CPoint operator+(POINT pt) const { return CPoint(x + pt.x, y + pt.y); }
    CSize operator-(POINT pt) const { return CSize(x - pt.x, y - pt.y); }
    CPoint operator-() const { return CPoint(-x, -y); }
};

class CRect : public tagRECT {
public:
    CRect() { left = top = right = bottom = 0; }
    CRect(int l, int t, int r, int b) {
        left = l;
        top = t;
        right = r;
        bottom = b;
    }
    CRect(const RECT& rc) {
        left = rc.left;
        top = rc.top;
        right = rc.right;
        bottom = rc.bottom;
    }
    CRect(const RECT* prc) {
        left = prc->left;
        top = prc->top;
        right = prc->right;
        bottom = prc->bottom;
    }
    CRect(POINT pt, SIZE s) {
        left = pt.x;
        top = pt.y;
        right = pt.x + s.cx;
        bottom = pt.y + s.cy;
    }
    CRect(POINT topLeft, POINT bottomRight) {
        left = topLeft.x;
        top = topLeft.y;
        right = bottomRight.x;
        bottom = bottomRight.y;
    }

    // Attributes
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    CSize Size() const { return CSize(Width(), Height()); }
    CPoint TopLeft() const { return CPoint(left, top); }
    CPoint BottomRight() const { return CPoint(right, bottom); }
    CPoint CenterPoint() const { return CPoint((left + right) / 2, (top + bottom) / 2); }
    operator RECT*() { return this; }
    operator const RECT*() const { return this; }

    // Empty means no area; null means all four coordinates are zero.
    bool IsRectEmpty() const { return left >= right || top >= bottom; }
    bool IsRectNull() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
    // Left and top edges are inside, right and bottom edges outside.
    bool PtInRect(POINT pt) const { return pt.x >= left && pt.x < right && pt.y >= top && pt.y < bottom; }

    // Operations
    void SetRect(int l, int t, int r, int b) {
        left = l;
        top = t;
        right = r;
        bottom = b;
    }
    void SetRectEmpty() { left = top = right = bottom = 0; }
    void CopyRect(const RECT* prc) { *this = CRect(prc); }
    bool EqualRect(const RECT* prc) const {
        return left == prc->left && top == prc->top && right == prc->right && bottom == prc->bottom;
    }
    void InflateRect(int dx, int dy) {
        left -= dx;
        top -= dy;
        right += dx;
        bottom += dy;
    }
    void InflateRect(SIZE s) { InflateRect(s.cx, s.cy); }
    void InflateRect(int l, int t, int r, int b) {
        left -= l;
        top -= t;
        right += r;
        bottom += b;
    }
    void DeflateRect(int dx, int dy) { InflateRect(-dx, -dy); }
    void DeflateRect(SIZE s) { InflateRect(-s.cx, -s.cy); }
    void DeflateRect(int l, int t, int r, int b) { InflateRect(-l, -t, -r, -b); }
    void OffsetRect(int dx, int dy) {
        left += dx;
        right += dx;
        top += dy;
        bottom += dy;
    }
    void OffsetRect(POINT pt) { OffsetRect(pt.x, pt.y); }
    void OffsetRect(SIZE s) { OffsetRect(s.cx, s.cy); }
    void MoveToXY(int x, int y) { OffsetRect(x - left, y - top); }
    void MoveToXY(POINT pt) { MoveToXY(pt.x, pt.y); }
    // Swaps coordinates so that left <= right and top <= bottom.
    void NormalizeRect() {
        if (left > right) {
            LONG t = left;
            left = right;
            right = t;
        }
        if (top > bottom) {
            LONG t = top;
            top = bottom;
            bottom = t;
        }
    }
    // Intersection; an empty result is set to all zeros and returns false.
    bool IntersectRect(const RECT* a, const RECT* b) {
        CRect r(a->left > b->left ? a->left : b->left, a->top > b->top ? a->top : b->top,
                a->right < b->right ? a->right : b->right, a->bottom < b->bottom ? a->bottom : b->bottom);
        if (r.IsRectEmpty()) {
            SetRectEmpty();
            return false;
        }
        *this = r;
        return true;
    }
    // Smallest rectangle holding both; empty inputs are ignored.
    bool UnionRect(const RECT* a, const RECT* b) {
        CRect ra(a), rb(b);
        if (ra.IsRectEmpty()) {
            *this = rb.IsRectEmpty() ? CRect() : rb;
            return !IsRectEmpty();
        }
        if (rb.IsRectEmpty()) {
            *this = ra;
            return true;
        }
        SetRect(ra.left < rb.left ? ra.left : rb.left, ra.top < rb.top ? ra.top : rb.top,
                ra.right > rb.right ? ra.right : rb.right, ra.bottom > rb.bottom ? ra.bottom : rb.bottom);
        return true;
    }

    bool operator==(const RECT& rc) const { return EqualRect(&rc); }
    bool operator!=(const RECT& rc) const { return !EqualRect(&rc); }
    void operator+=(POINT pt) { OffsetRect(pt); }
    void operator-=(POINT pt) { OffsetRect(-pt.x, -pt.y); }
    void operator&=(const RECT& rc) { IntersectRect(this, &rc); }
    void operator|=(const RECT& rc) { UnionRect(this, &rc); }
    CRect operator+(POINT pt) const {
        CRect r(*this);
        r.OffsetRect(pt);
        return r;
    }
    CRect operator-(POINT pt) const {
        CRect r(*this);
        r.OffsetRect(-pt.x, -pt.y);
        return r;
    }
    CRect operator&(const RECT& rc) const {
        CRect r;
        r.IntersectRect(this, &rc);
        return r;
    }
    CRect operator|(const RECT& rc) const {
        CRect r;
        r.UnionRect(this, &rc);
        return r;
    }
};
