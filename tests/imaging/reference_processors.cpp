#include "imaging/reference_processors.h"

#include <math.h>
#include <stdlib.h>

namespace ref {

RGBX Weighted(const Image& src, double x, double y) {
    int ix = (int)x, iy = (int)y;
    if (x < 0 || y < 0) return src.at(ix > 0 ? ix : 0, iy > 0 ? iy : 0);
    double fx = x - ix, fy = y - iy;
    int x1 = ix + 1 < src.w - 1 ? ix + 1 : src.w - 1;
    int y1 = iy + 1 < src.h - 1 ? iy + 1 : src.h - 1;
    RGBX p00 = src.at(ix, iy), p10 = src.at(x1, iy), p01 = src.at(ix, y1);
    RGBX o;
    o.r = (BYTE)(int)(0.5 * ((1 - fx) * p00.r + fx * p10.r + (1 - fy) * p00.r + fy * p01.r));
    o.g = (BYTE)(int)(0.5 * ((1 - fx) * p00.g + fx * p10.g + (1 - fy) * p00.g + fy * p01.g));
    o.b = (BYTE)(int)(0.5 * ((1 - fx) * p00.b + fx * p10.b + (1 - fy) * p00.b + fy * p01.b));
    o.x = 0;
    return o;
}

double DegreesToAngle(int degrees) {
    if (degrees >= 360) degrees = degrees % 360;
    while (degrees < 0)
        degrees += 360;
    return degrees * 3.141592653589793 / 180.0;
}

double RadiansToAngle(double a) {
    while (a >= 6.283185307179586)
        a -= 6.283185307179586;
    while (a <= 0)
        a += 6.283185307179586;
    return a;
}

CSize RotateSize(double angle, int w, int h) {
    if (angle == 0 || w == 0 || h == 0) return CSize(w, h);
    double C = cos(angle), S = sin(angle);
    int xs[4] = {(int)(0.5 * h * S - 0.5 * w * C), (int)(0.5 * w * C + 0.5 * h * S), (int)(-0.5 * w * C - 0.5 * h * S),
                 (int)(0.5 * w * C - 0.5 * h * S)};
    int ys[4] = {(int)(0.5 * h * C + 0.5 * w * S), (int)(0.5 * h * C - 0.5 * w * S), (int)(0.5 * w * S - 0.5 * h * C),
                 (int)(-0.5 * h * C - 0.5 * w * S)};
    int X = 0, Y = 0;
    for (int i = 0; i < 4; ++i) {
        if (abs(xs[i]) > X) X = abs(xs[i]);
        if (abs(ys[i]) > Y) Y = abs(ys[i]);
    }
    return CSize(2 * X + 2, 2 * Y + 2);
}

void Rotate(double angle, bool weighted, const Image& src, Image& dst) {
    if (angle == 0) {
        dst.px = src.px;
        return;
    }
    int dcx = (int)ceil(dst.w / 2.0), dcy = (int)ceil(dst.h / 2.0);
    int scx = (int)ceil(src.w / 2.0), scy = (int)ceil(src.h / 2.0);
    int left = -scx, top = -scy, right = src.w - 1 - scx, bottom = src.h - 1 - scy;
    double C = cos(angle), S = sin(angle);
    for (int r = 0; r < dst.h; ++r) {
        int yy = r - dcy;
        double A = yy * S - dcx * C;
        double B = yy * C + dcx * S;
        for (int k = 0; k < dst.w; ++k) {
            A = A + C;
            B = B - S;
            int px = (int)A, py = (int)B;
            if (px >= left && px < right && py >= top && py < bottom) {
                if (weighted)
                    dst.at(k, r) = Weighted(src, scx + A, scy + B);
                else
                    dst.at(k, r) = src.at(px + scx, py + scy);
            }
        }
    }
}

void Shear(int across, int down, bool weighted, const Image& src, Image& dst) {
    if (across == 0 && down == 0) {
        dst.px = src.px;
        return;
    }
    int dw = dst.w, dh = dst.h;
    for (int x = 0; x < dw; ++x) {
        double offY = 0;
        if (down > 0)
            offY = (double)(down * x) / dw;
        else if (down < 0)
            offY = (double)(abs(down) * (dw - x)) / dw;
        for (int y = 0; y < dh; ++y) {
            double offX = 0;
            if (across > 0)
                offX = (double)((dh - y) * across) / dh;
            else if (across < 0)
                offX = (double)(abs(across) * y) / dh;
            double sx = x - offX, sy = y - offY;
            int tx = (int)sx, ty = (int)sy;
            if (tx >= 0 && tx < src.w && ty >= 0 && ty < src.h) {
                if (weighted)
                    dst.at(x, y) = Weighted(src, sx, sy);
                else
                    dst.at(x, y) = src.at(tx, ty);
            }
        }
    }
}

void Enlarge(double factor, const Image& src, Image& dst) {
    double step = 1 / factor;
    double x = 0.0;
    for (int k = 0; k < dst.w; ++k) {
        double y = 0.0;
        for (int r = 0; r < dst.h; ++r) {
            dst.at(k, r) = Weighted(src, x, y);
            y += step;
        }
        x += step;
    }
}

static void Boxes(double step, int n, int count, std::vector<int>& first, std::vector<int>& last) {
    double p = -0.5 * step;
    int prev = -1;
    for (int i = 0; i < count; ++i) {
        p = p + step;
        int right = (int)p + 1;
        if (right > n - 1) right = n - 1;
        first.push_back(prev + 1);
        last.push_back(right);
        prev = right;
    }
}

void Shrink(double factor, const Image& src, Image& dst) {
    double step = 1 / factor;
    std::vector<int> l, r, t, b;
    Boxes(step, src.w, dst.w, l, r);
    Boxes(step, src.h, dst.h, t, b);
    for (int j = 0; j < dst.h; ++j)
        for (int i = 0; i < dst.w; ++i) {
            if (l[i] > r[i] || t[j] > b[j]) continue;
            long long sb = 0, sg = 0, sr = 0, n = 0;
            for (int y = t[j]; y <= b[j]; ++y)
                for (int x = l[i]; x <= r[i]; ++x) {
                    sb += src.at(x, y).b;
                    sg += src.at(x, y).g;
                    sr += src.at(x, y).r;
                    ++n;
                }
            dst.at(i, j).b = (BYTE)(sb / n);
            dst.at(i, j).g = (BYTE)(sg / n);
            dst.at(i, j).r = (BYTE)(sr / n);
        }
}

void Flip(bool horz, bool vert, const Image& src, Image& dst) {
    for (int y = 0; y < src.h; ++y)
        for (int x = 0; x < src.w; ++x)
            dst.at(horz ? dst.w - 1 - x : x, vert ? dst.h - 1 - y : y) = src.at(x, y);
}

void Gray(const Image& src, Image& dst) {
    for (size_t i = 0; i < src.px.size(); ++i) {
        const RGBX& s = src.px[i];
        int g = (3 * s.r + 6 * s.g + s.b) / 10;
        dst.px[i].r = dst.px[i].g = dst.px[i].b = (BYTE)g;
        dst.px[i].x = 0;
    }
}

void Negate(const Image& src, Image& dst) {
    for (size_t i = 0; i < src.px.size(); ++i) {
        dst.px[i].r = (BYTE)(255 - src.px[i].r);
        dst.px[i].g = (BYTE)(255 - src.px[i].g);
        dst.px[i].b = (BYTE)(255 - src.px[i].b);
    }
}

void Replace(unsigned long from, unsigned long to, const Image& src, Image& dst) {
    if ((COLORREF)from == (COLORREF)to) {
        dst.px = src.px;
        return;
    }
    RGBX rep;
    rep.r = (BYTE)(to & 0xFF);
    rep.g = (BYTE)((to >> 8) & 0xFF);
    rep.b = (BYTE)((to >> 16) & 0xFF);
    rep.x = 0;
    for (size_t i = 0; i < src.px.size(); ++i) {
        const RGBX& s = src.px[i];
        bool match = s.r == (from & 0xFF) && s.g == ((from >> 8) & 0xFF) && s.b == ((from >> 16) & 0xFF);
        dst.px[i] = match ? rep : s;
    }
}

void Blur(int factor, const Image& src, Image& dst) {
    if (factor < 0) factor = 0;
    if (factor > 10) factor = 10;
    if (factor == 0) {
        dst.px = src.px;
        return;
    }
    int kernel[3][3] = {{1, 1, 1}, {1, 55 - 5 * factor, 1}, {1, 1, 1}};
    for (int y = 0; y < src.h; ++y)
        for (int x = 0; x < src.w; ++x) {
            int sr = 0, sg = 0, sb = 0, ws = 0;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    int xx = x + dx, yy = y + dy;
                    if (xx < 0 || yy < 0 || xx >= src.w || yy >= src.h) continue;
                    int k = kernel[dy + 1][dx + 1];
                    sr += k * src.at(xx, yy).r;
                    sg += k * src.at(xx, yy).g;
                    sb += k * src.at(xx, yy).b;
                    ws += k;
                }
            dst.at(x, y).r = (BYTE)(sr / ws > 255 ? 255 : sr / ws);
            dst.at(x, y).g = (BYTE)(sg / ws > 255 ? 255 : sg / ws);
            dst.at(x, y).b = (BYTE)(sb / ws > 255 ? 255 : sb / ws);
        }
}

void Sharpen(int factor, const Image& src, Image& dst) {
    if (factor < 0) factor = 0;
    if (factor > 10) factor = 10;
    if (factor == 0) {
        dst.px = src.px;
        return;
    }
    double e = 1.0 / (51 - 5 * factor);
    double h = -1 / (4 * (1 + e));
    double c = -e / (4 * (1 + e));
    double kernel[3][3] = {{c, h, c}, {h, 2.0, h}, {c, h, c}};
    for (int y = 0; y < src.h; ++y)
        for (int x = 0; x < src.w; ++x) {
            if (x == 0 || y == 0 || x == src.w - 1 || y == src.h - 1) {
                dst.at(x, y) = src.at(x, y);
                continue;
            }
            double s[3] = {0, 0, 0};
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const RGBX& p = src.at(x + dx, y + dy);
                    double k = kernel[dy + 1][dx + 1];
                    s[0] += k * p.b;
                    s[1] += k * p.g;
                    s[2] += k * p.r;
                }
            BYTE out[3];
            for (int i = 0; i < 3; ++i) {
                double v = s[i] < 0 ? 0 : (s[i] > 255 ? 255 : s[i]);
                out[i] = (BYTE)(int)v;
            }
            dst.at(x, y).b = out[0];
            dst.at(x, y).g = out[1];
            dst.at(x, y).r = out[2];
        }
}

}  // namespace ref
