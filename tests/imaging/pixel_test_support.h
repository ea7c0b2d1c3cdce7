// Pixels written and shown by the imaging tests.
#pragma once

#include <stdio.h>

#include <string>

#include "image_processors.h"

// A pixel from its four bytes, in memory order.
inline RGBX Px(int b, int g, int r, int x = 0) {
    RGBX p;
    p.b = (BYTE)b;
    p.g = (BYTE)g;
    p.r = (BYTE)r;
    p.x = (BYTE)x;
    return p;
}

// A pixel as text, for failure messages.
inline std::string Show(const RGBX& p) {
    char s[64];
    snprintf(s, sizeof s, "(b%d g%d r%d x%d)", p.b, p.g, p.r, p.x);
    return s;
}
