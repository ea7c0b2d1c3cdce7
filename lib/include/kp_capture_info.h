// Where the current image came from: the screen area a capture shows, the
// window it was taken of and when. Automatic saving names a capture after
// it; a pin of a capture goes back where its pixels were.
#pragma once

#include "framework/cstring.h"
#include "framework/geometry.h"
#include "framework/platform.h"

struct KpCaptureInfo {
    // The screen rectangle the capture's pixels show, in virtual-screen
    // coordinates (negative left of or above the primary monitor). Empty
    // when the image did not come from the screen: an opened, pasted or
    // marked-up image.
    CRect rcScreen;
    // The title of the captured window (the top-level window of a control);
    // empty for the whole screen, a rectangle and an image not captured.
    CString strTitle;
    // Local time of the capture, or of the image's arrival.
    SYSTEMTIME stTime;
    // The capture mode (kp_snap_modes.h); -1 for an image not captured.
    int nMode;

    KpCaptureInfo() : stTime(), nMode(-1) {}
    // An image that did not come from the screen, arriving now.
    static KpCaptureInfo NotCaptured() {
        KpCaptureInfo info;
        ::GetLocalTime(&info.stTime);
        return info;
    }
};
