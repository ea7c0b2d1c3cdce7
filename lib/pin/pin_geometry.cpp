// A pin's zoom, opacity and first place, in whole pixels and percent.
#include "pin_geometry.h"

#include <algorithm>

namespace kppin {

const int kZoomSteps[] = {10, 20, 25, 33, 50, 67, 75, 100, 125, 150, 200, 300, 400, 500};
const int kZoomStepCount = (int)(sizeof(kZoomSteps) / sizeof(kZoomSteps[0]));

namespace {

// a / b rounded down, for any sign of a (b > 0).
long long FloorDiv(long long a, long long b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

// nOffset (from the old picture's edge) scaled from nOld to nNew, rounded.
long long ScaleOffset(long long nOffset, long long nOld, long long nNew) {
    if (nOld <= 0) return 0;
    return FloorDiv(2 * nOffset * nNew + nOld, 2 * nOld);
}

bool Fits(CSize image, int nZoom) {
    CSize zoomed = ZoomedSize(image, nZoom);
    return zoomed.cx <= kMaxZoomedSide && zoomed.cy <= kMaxZoomedSide;
}

}  // namespace

int ZoomedLength(int nLength, int nZoom) {
    long long n = ((long long)nLength * nZoom + 50) / 100;
    return n < 1 ? 1 : (int)std::min<long long>(n, 0x7FFFFFFF);
}

CSize ZoomedSize(CSize image, int nZoom) { return CSize(ZoomedLength(image.cx, nZoom), ZoomedLength(image.cy, nZoom)); }

int StepZoom(CSize image, int nZoom, int nNotches) {
    for (; nNotches > 0; --nNotches) {
        const int* pNext = std::upper_bound(kZoomSteps, kZoomSteps + kZoomStepCount, nZoom);
        if (pNext == kZoomSteps + kZoomStepCount || !Fits(image, *pNext)) break;
        nZoom = *pNext;
    }
    for (; nNotches < 0; ++nNotches) {
        const int* pNext = std::lower_bound(kZoomSteps, kZoomSteps + kZoomStepCount, nZoom);
        if (pNext == kZoomSteps) break;
        nZoom = *(pNext - 1);
    }
    return nZoom;
}

CRect ZoomAbout(const ZoomAnchor& anchor, CSize newSize) {
    long long nLeft = anchor.pt.x - ScaleOffset(anchor.offset.x, anchor.sizeThen.cx, newSize.cx);
    long long nTop = anchor.pt.y - ScaleOffset(anchor.offset.y, anchor.sizeThen.cy, newSize.cy);
    return CRect((int)nLeft, (int)nTop, (int)nLeft + newSize.cx, (int)nTop + newSize.cy);
}

CRect WindowPart(const CRect& rcPicture, const CRect& rcScreens) {
    CRect rc;
    if (!rc.IntersectRect(&rcPicture, &rcScreens)) return CRect();
    return rc;
}

CRect KeepInSight(const CRect& rcPicture, const CRect& rcScreens, int nMargin) {
    CRect rc = rcPicture;
    const int nInX = std::min(nMargin, rc.Width()), nInY = std::min(nMargin, rc.Height());
    if (rc.right < rcScreens.left + nInX) rc.OffsetRect(rcScreens.left + nInX - rc.right, 0);
    if (rc.left > rcScreens.right - nInX) rc.OffsetRect(rcScreens.right - nInX - rc.left, 0);
    if (rc.bottom < rcScreens.top + nInY) rc.OffsetRect(0, rcScreens.top + nInY - rc.bottom);
    if (rc.top > rcScreens.bottom - nInY) rc.OffsetRect(0, rcScreens.bottom - nInY - rc.top);
    return rc;
}

int StepOpacity(int nOpacity, int nNotches) {
    long long n = (long long)nOpacity + (long long)nNotches * kOpacityStep;
    return (int)std::min<long long>(kMaxOpacity, std::max<long long>(kMinOpacity, n));
}

unsigned char OpacityAlpha(int nOpacity) {
    int n = std::min(kMaxOpacity, std::max(0, nOpacity));
    return (unsigned char)((n * 255 + 50) / 100);
}

Placement PlacePin(CSize image, const CRect& rcCaptured, const CRect& rcArea) {
    if (!rcCaptured.IsRectEmpty() && rcCaptured.Size() == image) return {rcCaptured, 100};

    int nZoom = 100;
    if (!rcArea.IsRectEmpty() && image.cx > 0 && image.cy > 0 &&
        (image.cx > rcArea.Width() || image.cy > rcArea.Height())) {
        long long nFit = std::min((long long)rcArea.Width() * 100 / image.cx, (long long)rcArea.Height() * 100 / image.cy);
        nZoom = (int)std::max<long long>(kMinZoom, nFit);
        // Rounding may make the zoomed picture a pixel too large.
        while (nZoom > kMinZoom && (ZoomedLength(image.cx, nZoom) > rcArea.Width() ||
                                    ZoomedLength(image.cy, nZoom) > rcArea.Height()))
            --nZoom;
    }
    CSize size = ZoomedSize(image, nZoom);
    CPoint ptCentre = rcCaptured.IsRectEmpty() ? rcArea.CenterPoint() : rcCaptured.CenterPoint();
    CRect rc(CPoint(ptCentre.x - size.cx / 2, ptCentre.y - size.cy / 2), size);
    if (!rcArea.IsRectEmpty()) {
        // Inside the area; where it cannot be, its top-left corner is.
        if (rc.right > rcArea.right) rc.OffsetRect(rcArea.right - rc.right, 0);
        if (rc.bottom > rcArea.bottom) rc.OffsetRect(0, rcArea.bottom - rc.bottom);
        if (rc.left < rcArea.left) rc.OffsetRect(rcArea.left - rc.left, 0);
        if (rc.top < rcArea.top) rc.OffsetRect(0, rcArea.top - rc.top);
    }
    return {rc, nZoom};
}

}  // namespace kppin
