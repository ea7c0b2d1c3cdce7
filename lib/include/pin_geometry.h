// The arithmetic of a picture pinned on the screen, apart from its window:
// its zoom steps and what a zoom does to its place, its opacity steps, and
// where a new pin goes.
//
// A pin shows its image at a zoom in percent; its window is the zoomed
// picture, nothing more, so its rectangle is the picture's place on the
// screen.
#pragma once

#include "framework/geometry.h"
#include "kp_export.h"

namespace kppin {

// The zooms the wheel steps through, in percent, smallest first.
extern KPLIB_API const int kZoomSteps[];
extern KPLIB_API const int kZoomStepCount;
const int kMinZoom = 10;
const int kMaxZoom = 500;
// No side of a zoomed picture beyond this: window coordinates in mouse
// messages are signed 16-bit numbers.
const int kMaxZoomedSide = 32767;

const int kMinOpacity = 20;
const int kMaxOpacity = 100;
const int kOpacityStep = 10;

// One side of an image at nZoom percent, rounded, at least 1 pixel.
KPLIB_API int ZoomedLength(int nLength, int nZoom);
KPLIB_API CSize ZoomedSize(CSize image, int nZoom);

// The zoom nNotches wheel notches away from nZoom (up for positive): the
// next step above or below, also from a zoom between steps, no further than
// the smallest and the largest step, and never to a step where a side of
// the image would pass kMaxZoomedSide.
KPLIB_API int StepZoom(CSize image, int nZoom, int nNotches);

// A screen point held still while a pin zooms, and the picture's point
// under it: its offset into the picture when the picture had the size
// sizeThen. Kept over the notches of one turn of the wheel, so that each
// step is worked out from it and not from the last step's rounded place.
struct ZoomAnchor {
    CPoint pt;
    CPoint offset;
    CSize sizeThen;
};
inline ZoomAnchor AnchorAt(const CRect& rcPin, CPoint pt) { return {pt, CPoint(pt - rcPin.TopLeft()), rcPin.Size()}; }

// The pin's rectangle once its picture has newSize: the picture's point
// under the anchor's screen point is still under it, to the nearest pixel.
KPLIB_API CRect ZoomAbout(const ZoomAnchor& anchor, CSize newSize);

// A pin's window is the part of its picture (rcPicture, on the screen) that
// lies on the screens (rcScreens, the virtual screen): a zoomed picture may
// reach far beyond them, and a window that large would cost its size in
// memory. Empty when none of it does.
KPLIB_API CRect WindowPart(const CRect& rcPicture, const CRect& rcScreens);
// rcPicture, moved the least so that at least nMargin pixels of it each way
// (all of it, if it is smaller) lie on the screens.
KPLIB_API CRect KeepInSight(const CRect& rcPicture, const CRect& rcScreens, int nMargin);

// nNotches steps of kOpacityStep from nOpacity, within kMinOpacity and
// kMaxOpacity.
KPLIB_API int StepOpacity(int nOpacity, int nNotches);
// The alpha byte of an opacity in percent.
KPLIB_API unsigned char OpacityAlpha(int nOpacity);

// Where a new pin of an image goes, and its zoom.
//
// rcCaptured: where the image's pixels were on the screen; empty when the
// image did not come from the screen. rcArea: the work area of the monitor
// under rcCaptured's centre, or under the pointer when rcCaptured is empty.
//
// An image of rcCaptured's size goes exactly there at 100 %. Any other goes
// inside rcArea, centred on rcCaptured's centre (or on rcArea's own), at
// 100 % when it fits and otherwise at the zoom that just fits it (at least
// kMinZoom).
struct Placement {
    CRect rc;
    int nZoom;
};
KPLIB_API Placement PlacePin(CSize image, const CRect& rcCaptured, const CRect& rcArea);

}  // namespace kppin
