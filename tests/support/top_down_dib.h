// The bitmap header the Windows tests read and write GDI bitmaps through:
// 32 bits a pixel, rows top-down, so row y of the array is row y of the
// picture.
#pragma once

#include <windows.h>

inline BITMAPINFO TopDownDib32(int w, int h) {
    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = w;
    bmi.bmiHeader.biHeight = -h;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    return bmi;
}
