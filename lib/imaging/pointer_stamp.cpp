#include "pointer_stamp.h"

#include "framework/scoped_handles.h"

BOOL KpStampPointer(HDC hdc, POINT ptOrigin) {
    if (hdc == nullptr) return FALSE;
    CURSORINFO info = {};
    info.cbSize = sizeof(info);
    BOOL bKnown = ::GetCursorInfo(&info);
    if (bKnown && !(info.flags & CURSOR_SHOWING)) return FALSE;
    HCURSOR hCursor = bKnown ? info.hCursor : nullptr;
    if (hCursor == nullptr) {
        // With no window in front (under Wine, once Kapto's own window has
        // hidden itself before the grab) the system names no shape: the
        // arrow is the pointer most windows show.
        hCursor = ::LoadCursorA(nullptr, (LPCSTR)IDC_ARROW);
        if (hCursor == nullptr || !::GetCursorPos(&info.ptScreenPos)) return FALSE;
    }
    ICONINFO icon = {};
    if (!::GetIconInfo(hCursor, &icon)) return FALSE;
    // GetIconInfo hands out copies of the cursor's bitmaps.
    kfw::ScopedBitmap mask(icon.hbmMask);
    kfw::ScopedBitmap colour(icon.hbmColor);
    int x = info.ptScreenPos.x - (int)icon.xHotspot - ptOrigin.x;
    int y = info.ptScreenPos.y - (int)icon.yHotspot - ptOrigin.y;
    return ::DrawIconEx(hdc, x, y, hCursor, 0, 0, 0, nullptr, DI_NORMAL);
}
