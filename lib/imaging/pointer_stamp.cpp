#include "pointer_stamp.h"

#include "framework/scoped_handles.h"

BOOL KpStampPointer(HDC hdc, POINT ptOrigin) {
    CURSORINFO info = {};
    info.cbSize = sizeof(info);
    if (hdc == nullptr || !::GetCursorInfo(&info) || !(info.flags & CURSOR_SHOWING) || info.hCursor == nullptr)
        return FALSE;
    ICONINFO icon = {};
    if (!::GetIconInfo(info.hCursor, &icon)) return FALSE;
    // GetIconInfo hands out copies of the cursor's bitmaps.
    kfw::ScopedBitmap mask(icon.hbmMask);
    kfw::ScopedBitmap colour(icon.hbmColor);
    int x = info.ptScreenPos.x - (int)icon.xHotspot - ptOrigin.x;
    int y = info.ptScreenPos.y - (int)icon.yHotspot - ptOrigin.y;
    return ::DrawIconEx(hdc, x, y, info.hCursor, 0, 0, 0, nullptr, DI_NORMAL);
}
