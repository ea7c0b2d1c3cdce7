#include "markup_marks.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "framework/scoped_handles.h"

namespace {

const double kPi = 3.14159265358979323846;

// The arrow head: its length grows with the line, its base is this part of
// its length on each side.
int ArrowHeadLength(int nWidth) { return 3 * nWidth + 10; }
const double kArrowHeadHalfBase = 0.45;

// The numbered circle's radius: its own once resized, else grown with the line width.
int NumberRadius(const MarkupMark& mark) { return mark.nRadius > 0 ? mark.nRadius : 8 + 2 * mark.nWidth; }

int HighlighterWidth(int nWidth) { return std::max(kHighlighterMinWidth, kHighlighterWidthFactor * nWidth); }

RECT MakeRect(int l, int t, int r, int b) {
    RECT rc = {l, t, r, b};
    return rc;
}

// A geometric pen of the width with round ends and joins, so a thick line
// ends where it is drawn to and a stroke has no gaps at its bends.
HPEN MakeStrokePen(COLORREF clr, int nWidth, DWORD dwJoin) {
    LOGBRUSH lb = {BS_SOLID, clr, 0};
    return ::ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_ROUND | dwJoin, (DWORD)std::max(1, nWidth), &lb, 0,
                          nullptr);
}

HFONT MakeTextFont(const MarkupMark& mark) {
    LOGFONTA lf = {};
    lf.lfHeight = -std::max(1, mark.nTextSize);
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfQuality = ANTIALIASED_QUALITY;
    const char* pszFace = mark.strFace.empty() ? kMarkupDefaultFace : mark.strFace.c_str();
    lstrcpynA(lf.lfFaceName, pszFace, LF_FACESIZE);
    return ::CreateFontIndirectA(&lf);
}

// The size of the text's block in its font; one line's height when empty.
SIZE TextExtent(const MarkupMark& mark) {
    SIZE size = {0, mark.nTextSize};
    kfw::ScopedMemDC dc(nullptr);
    kfw::ScopedFont font(MakeTextFont(mark));
    kfw::ScopedSelect selFont(dc, font);
    RECT rc = {0, 0, 0, 0};
    std::string strText = mark.strText.empty() ? std::string(" ") : mark.strText;
    ::DrawTextA(dc, strText.c_str(), (int)strText.size(), &rc, DT_CALCRECT | DT_NOPREFIX | DT_LEFT | DT_TOP);
    size.cx = rc.right - rc.left;
    size.cy = std::max((int)(rc.bottom - rc.top), 1);
    return size;
}

// The smallest rectangle with every point of the stroke on it, corners included.
RECT PointBounds(const std::vector<POINT>& points) {
    if (points.empty()) return MakeRect(0, 0, 0, 0);
    RECT rc = MakeRect(points[0].x, points[0].y, points[0].x, points[0].y);
    for (const POINT& pt : points) {
        rc.left = std::min(rc.left, pt.x);
        rc.top = std::min(rc.top, pt.y);
        rc.right = std::max(rc.right, pt.x);
        rc.bottom = std::max(rc.bottom, pt.y);
    }
    return rc;
}

bool HasTwoPoints(MarkKind nKind) { return nKind == MarkArrow || nKind == MarkLine || IsBoxKind(nKind); }

double SegmentDistance(POINT p, POINT a, POINT b) {
    double dx = b.x - a.x, dy = b.y - a.y;
    double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0.0;
    t = std::max(0.0, std::min(1.0, t));
    double ex = a.x + t * dx - p.x, ey = a.y + t * dy - p.y;
    return std::sqrt(ex * ex + ey * ey);
}

void DrawShape(HDC hdc, const MarkupMark& mark) {
    POINT a = mark.ptFrom, b = mark.ptTo;
    kfw::ScopedPen pen(MakeStrokePen(mark.clr, mark.nWidth, mark.nKind == MarkRect ? PS_JOIN_MITER : PS_JOIN_ROUND));
    kfw::ScopedSelect selPen(hdc, pen);
    kfw::ScopedSelect selBrush(hdc, ::GetStockObject(NULL_BRUSH));
    switch (mark.nKind) {
        case MarkRect:
            // A closed path, so the stroke is centred on both corners' lines
            // and every corner is joined.
            ::BeginPath(hdc);
            ::MoveToEx(hdc, a.x, a.y, nullptr);
            ::LineTo(hdc, b.x, a.y);
            ::LineTo(hdc, b.x, b.y);
            ::LineTo(hdc, a.x, b.y);
            ::CloseFigure(hdc);
            ::EndPath(hdc);
            ::StrokePath(hdc);
            break;
        case MarkEllipse: {
            RECT rc = MarkArea(mark);
            ::Ellipse(hdc, rc.left, rc.top, rc.right, rc.bottom);
            break;
        }
        case MarkLine:
            ::MoveToEx(hdc, a.x, a.y, nullptr);
            ::LineTo(hdc, b.x, b.y);
            break;
        case MarkArrow: {
            double dx = b.x - a.x, dy = b.y - a.y;
            double len = std::sqrt(dx * dx + dy * dy);
            if (len < 1) break;
            double ux = dx / len, uy = dy / len;
            double head = std::min((double)ArrowHeadLength(mark.nWidth), len);
            double half = head * kArrowHeadHalfBase;
            // The shaft stops inside the head, so its round end stays hidden.
            POINT base = {(LONG)std::lround(b.x - ux * head * 0.6), (LONG)std::lround(b.y - uy * head * 0.6)};
            ::MoveToEx(hdc, a.x, a.y, nullptr);
            ::LineTo(hdc, base.x, base.y);
            double bx = b.x - ux * head, by = b.y - uy * head;
            POINT head3[3] = {b,
                              {(LONG)std::lround(bx - uy * half), (LONG)std::lround(by + ux * half)},
                              {(LONG)std::lround(bx + uy * half), (LONG)std::lround(by - ux * half)}};
            kfw::ScopedBrush brush(::CreateSolidBrush(mark.clr));
            kfw::ScopedPen thin(::CreatePen(PS_SOLID, 1, mark.clr));
            kfw::ScopedSelect selThin(hdc, thin);
            kfw::ScopedSelect selFill(hdc, brush);
            ::Polygon(hdc, head3, 3);
            break;
        }
        case MarkPen:
            ::Polyline(hdc, mark.points.data(), (int)mark.points.size());
            break;
        default:
            break;
    }
}

void DrawHighlighter(CMarkupSurface& surface, const MarkupMark& mark) {
    RECT rc = MarkBounds(mark);
    RECT rcImage = MakeRect(0, 0, surface.Width(), surface.Height());
    if (!::IntersectRect(&rc, &rc, &rcImage)) return;
    // The stroke as a mask, then each pixel under it half the colour: the
    // writing under it stays readable, also where strokes overlap.
    CMarkupSurface mask;
    if (!mask.Create(rc.right - rc.left, rc.bottom - rc.top)) return;
    ::SetViewportOrgEx(mask.GetDC(), -rc.left, -rc.top, nullptr);
    kfw::ScopedPen pen(MakeStrokePen(RGB(255, 255, 255), HighlighterWidth(mark.nWidth), PS_JOIN_ROUND));
    kfw::ScopedSelect selPen(mask.GetDC(), pen);
    ::Polyline(mask.GetDC(), mark.points.data(), (int)mark.points.size());
    ::GdiFlush();
    uint32_t c[3] = {GetBValue(mark.clr), GetGValue(mark.clr), GetRValue(mark.clr)};
    for (int y = rc.top; y < rc.bottom; ++y) {
        const uint32_t* pMask = mask.Row(y - rc.top);
        uint32_t* pDst = surface.Row(y);
        for (int x = rc.left; x < rc.right; ++x) {
            if ((pMask[x - rc.left] & 0xFFFFFF) == 0) continue;
            uint32_t d = pDst[x], r = 0;
            for (int i = 0; i < 3; ++i)
                r |= ((((d >> (8 * i)) & 0xFF) + c[i] + 1) >> 1) << (8 * i);
            pDst[x] = r;
        }
    }
}

void DrawText(HDC hdc, const MarkupMark& mark) {
    kfw::ScopedFont font(MakeTextFont(mark));
    kfw::ScopedSelect selFont(hdc, font);
    ::SetBkMode(hdc, TRANSPARENT);
    ::SetTextColor(hdc, mark.clr);
    SIZE size = TextExtent(mark);
    RECT rc = MakeRect(mark.ptFrom.x, mark.ptFrom.y, mark.ptFrom.x + size.cx, mark.ptFrom.y + size.cy);
    ::DrawTextA(hdc, mark.strText.c_str(), (int)mark.strText.size(), &rc, DT_NOPREFIX | DT_LEFT | DT_TOP | DT_NOCLIP);
}

void DrawNumber(HDC hdc, const MarkupMark& mark, int nNumber) {
    int r = NumberRadius(mark);
    POINT c = mark.ptFrom;
    kfw::ScopedBrush brush(::CreateSolidBrush(mark.clr));
    kfw::ScopedSelect selBrush(hdc, brush);
    kfw::ScopedSelect selPen(hdc, ::GetStockObject(NULL_PEN));
    ::Ellipse(hdc, c.x - r, c.y - r, c.x + r + 1, c.y + r + 1);
    // White on a dark circle, black on a light one.
    int nLight = GetRValue(mark.clr) * 299 + GetGValue(mark.clr) * 587 + GetBValue(mark.clr) * 114;
    LOGFONTA lf = {};
    lf.lfHeight = -(r * 5 / 4);
    lf.lfWeight = FW_BOLD;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfQuality = ANTIALIASED_QUALITY;
    lstrcpynA(lf.lfFaceName, mark.strFace.empty() ? kMarkupDefaultFace : mark.strFace.c_str(), LF_FACESIZE);
    kfw::ScopedFont font(::CreateFontIndirectA(&lf));
    kfw::ScopedSelect selFont(hdc, font);
    ::SetBkMode(hdc, TRANSPARENT);
    ::SetTextColor(hdc, nLight > 160000 ? RGB(0, 0, 0) : RGB(255, 255, 255));
    char szNumber[16];
    wsprintfA(szNumber, "%d", nNumber);
    RECT rc = MakeRect(c.x - r, c.y - r, c.x + r + 1, c.y + r + 1);
    ::DrawTextA(hdc, szNumber, -1, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
}

}  // namespace

// ---- The surface --------------------------------------------------------------------

CMarkupSurface::~CMarkupSurface() { Free(); }

void CMarkupSurface::Free() {
    if (m_hDC != nullptr) {
        ::SelectObject(m_hDC, m_hOldBitmap);
        ::DeleteDC(m_hDC);
    }
    if (m_hBitmap != nullptr) ::DeleteObject(m_hBitmap);
    m_hDC = nullptr;
    m_hBitmap = nullptr;
    m_hOldBitmap = nullptr;
    m_pBits = nullptr;
    m_nWidth = m_nHeight = 0;
}

void CMarkupSurface::Swap(CMarkupSurface& other) {
    std::swap(m_nWidth, other.m_nWidth);
    std::swap(m_nHeight, other.m_nHeight);
    std::swap(m_pBits, other.m_pBits);
    std::swap(m_hBitmap, other.m_hBitmap);
    std::swap(m_hDC, other.m_hDC);
    std::swap(m_hOldBitmap, other.m_hOldBitmap);
}

BOOL CMarkupSurface::Create(int nWidth, int nHeight) {
    Free();
    if (nWidth <= 0 || nHeight <= 0) return FALSE;
    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
    bmi.bmiHeader.biWidth = nWidth;
    bmi.bmiHeader.biHeight = -nHeight;  // top row first
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* pBits = nullptr;
    kfw::ScopedBitmap bitmap(::CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &pBits, nullptr, 0));
    if (bitmap.get() == nullptr || pBits == nullptr) return FALSE;
    HDC hdc = ::CreateCompatibleDC(nullptr);
    if (hdc == nullptr) return FALSE;
    m_hOldBitmap = ::SelectObject(hdc, bitmap.get());
    m_hBitmap = bitmap.Release();
    m_hDC = hdc;
    m_pBits = static_cast<uint32_t*>(pBits);
    m_nWidth = nWidth;
    m_nHeight = nHeight;
    return TRUE;
}

BOOL CMarkupSurface::CopyFrom(const CMarkupSurface& other) {
    if (other.m_pBits == nullptr) return FALSE;
    if (m_nWidth != other.m_nWidth || m_nHeight != other.m_nHeight || m_pBits == nullptr) {
        if (!Create(other.m_nWidth, other.m_nHeight)) return FALSE;
    }
    ::GdiFlush();
    std::memcpy(m_pBits, other.m_pBits, (size_t)m_nWidth * m_nHeight * sizeof(uint32_t));
    return TRUE;
}

BOOL CMarkupSurface::LoadImage(Gdiplus::GpImage* pImage) {
    using namespace Gdiplus;
    UINT nWidth = 0, nHeight = 0;
    if (pImage == nullptr || DllExports::GdipGetImageWidth(pImage, &nWidth) != Ok ||
        DllExports::GdipGetImageHeight(pImage, &nHeight) != Ok)
        return FALSE;
    if (!Create((int)nWidth, (int)nHeight)) return FALSE;
    GpRect rc(0, 0, (INT)nWidth, (INT)nHeight);
    BitmapData data = {};
    if (DllExports::GdipBitmapLockBits(static_cast<GpBitmap*>(pImage), &rc, ImageLockModeRead, PixelFormat32bppRGB,
                                       &data) != Ok) {
        Free();
        return FALSE;
    }
    for (UINT y = 0; y < nHeight; ++y) {
        const uint32_t* pSrc =
            reinterpret_cast<const uint32_t*>(static_cast<const BYTE*>(data.Scan0) + y * data.Stride);
        uint32_t* pDst = Row((int)y);
        for (UINT x = 0; x < nWidth; ++x)
            pDst[x] = pSrc[x] & 0xFFFFFF;
    }
    DllExports::GdipBitmapUnlockBits(static_cast<GpBitmap*>(pImage), &data);
    return TRUE;
}

Gdiplus::GpBitmap* CMarkupSurface::MakeImage() const {
    using namespace Gdiplus;
    if (m_pBits == nullptr) return nullptr;
    kfw::ScopedGpImage<GpBitmap> bitmap;
    if (DllExports::GdipCreateBitmapFromScan0(m_nWidth, m_nHeight, 0, PixelFormat24bppRGB, nullptr, bitmap.out()) != Ok)
        return nullptr;
    GpRect rc(0, 0, m_nWidth, m_nHeight);
    BitmapData data = {};
    if (DllExports::GdipBitmapLockBits(bitmap.get(), &rc, ImageLockModeWrite, PixelFormat24bppRGB, &data) != Ok)
        return nullptr;
    ::GdiFlush();
    for (int y = 0; y < m_nHeight; ++y) {
        BYTE* pDst = static_cast<BYTE*>(data.Scan0) + y * data.Stride;
        const uint32_t* pSrc = Row(y);
        for (int x = 0; x < m_nWidth; ++x) {
            pDst[3 * x] = (BYTE)pSrc[x];
            pDst[3 * x + 1] = (BYTE)(pSrc[x] >> 8);
            pDst[3 * x + 2] = (BYTE)(pSrc[x] >> 16);
        }
    }
    DllExports::GdipBitmapUnlockBits(bitmap.get(), &data);
    return bitmap.Release();
}

// ---- Geometry ---------------------------------------------------------------------

RECT MarkArea(const MarkupMark& mark) {
    return MakeRect(std::min(mark.ptFrom.x, mark.ptTo.x), std::min(mark.ptFrom.y, mark.ptTo.y),
                    std::max(mark.ptFrom.x, mark.ptTo.x), std::max(mark.ptFrom.y, mark.ptTo.y));
}

RECT MarkBounds(const MarkupMark& mark) {
    RECT rc = MarkArea(mark);
    int nPad = mark.nWidth / 2 + 2;
    switch (mark.nKind) {
        case MarkMosaic:
        case MarkCrop:
        case MarkCover:
            return rc;
        case MarkArrow:
            nPad = std::max(nPad, (int)(ArrowHeadLength(mark.nWidth) * kArrowHeadHalfBase) + 2);
            break;
        case MarkPen:
        case MarkHighlighter: {
            if (mark.points.empty()) return MakeRect(0, 0, 0, 0);
            rc = PointBounds(mark.points);
            if (mark.nKind == MarkHighlighter) nPad = HighlighterWidth(mark.nWidth) / 2 + 2;
            break;
        }
        case MarkText: {
            SIZE size = TextExtent(mark);
            // Italic and antialiased edges may step a little outside the cell.
            return MakeRect(mark.ptFrom.x - 2, mark.ptFrom.y - 2, mark.ptFrom.x + size.cx + 4,
                            mark.ptFrom.y + size.cy + 2);
        }
        case MarkNumber: {
            int r = NumberRadius(mark) + 2;
            return MakeRect(mark.ptFrom.x - r, mark.ptFrom.y - r, mark.ptFrom.x + r + 1, mark.ptFrom.y + r + 1);
        }
        default:
            break;
    }
    ::InflateRect(&rc, nPad, nPad);
    return rc;
}

BOOL IsEmptyMark(const MarkupMark& mark) {
    switch (mark.nKind) {
        case MarkPen:
        case MarkHighlighter:
            return mark.points.size() < 2;
        case MarkText:
            return mark.strText.find_first_not_of(" \t\r\n") == std::string::npos;
        case MarkNumber:
            return FALSE;
        case MarkMosaic:
        case MarkCrop:
        case MarkCover:
        case MarkRect:
        case MarkEllipse: {
            RECT rc = MarkArea(mark);
            return rc.right - rc.left < 1 || rc.bottom - rc.top < 1;
        }
        default:
            return mark.ptFrom.x == mark.ptTo.x && mark.ptFrom.y == mark.ptTo.y;
    }
}

void OffsetMark(MarkupMark& mark, int dx, int dy) {
    mark.ptFrom.x += dx;
    mark.ptFrom.y += dy;
    mark.ptTo.x += dx;
    mark.ptTo.y += dy;
    for (POINT& pt : mark.points) {
        pt.x += dx;
        pt.y += dy;
    }
}

BOOL HitMark(const MarkupMark& mark, POINT pt, int nSlop) {
    double dReach = mark.nWidth / 2.0 + nSlop;
    switch (mark.nKind) {
        case MarkLine:
        case MarkArrow:
            return SegmentDistance(pt, mark.ptFrom, mark.ptTo) <= dReach;
        case MarkPen:
        case MarkHighlighter: {
            if (mark.nKind == MarkHighlighter) dReach = HighlighterWidth(mark.nWidth) / 2.0 + nSlop;
            for (size_t i = 1; i < mark.points.size(); ++i) {
                if (SegmentDistance(pt, mark.points[i - 1], mark.points[i]) <= dReach) return TRUE;
            }
            return FALSE;
        }
        default: {
            // A box, a circle, a text or a mosaic is taken anywhere inside.
            RECT rc = MarkBounds(mark);
            ::InflateRect(&rc, nSlop, nSlop);
            return ::PtInRect(&rc, pt);
        }
    }
}

BOOL IsBoxKind(MarkKind nKind) {
    return nKind == MarkRect || nKind == MarkEllipse || nKind == MarkMosaic || nKind == MarkCrop || nKind == MarkCover;
}

namespace {

// The frame whose corners are the handles of a mark that scales.
RECT ScaleFrame(const MarkupMark& mark) {
    if (mark.nKind == MarkText) {
        SIZE size = TextExtent(mark);
        return MakeRect(mark.ptFrom.x, mark.ptFrom.y, mark.ptFrom.x + size.cx, mark.ptFrom.y + size.cy);
    }
    if (mark.nKind == MarkNumber) {
        int r = NumberRadius(mark);
        return MakeRect(mark.ptFrom.x - r, mark.ptFrom.y - r, mark.ptFrom.x + r, mark.ptFrom.y + r);
    }
    return PointBounds(mark.points);
}

POINT Corner(const RECT& rc, int n) {
    POINT pt = {n == 1 || n == 2 ? rc.right : rc.left, n >= 2 ? rc.bottom : rc.top};
    return pt;
}

// The corner of the box of size cx by cy that sits at ptAnchor, on the side
// of it where ptTowards is: where the box's top-left corner goes.
POINT BoxFrom(POINT ptAnchor, POINT ptTowards, int cx, int cy) {
    POINT pt = {ptTowards.x >= ptAnchor.x ? ptAnchor.x : ptAnchor.x - cx,
                ptTowards.y >= ptAnchor.y ? ptAnchor.y : ptAnchor.y - cy};
    return pt;
}

}  // namespace

std::vector<POINT> MarkHandles(const MarkupMark& mark) {
    if (HasTwoPoints(mark.nKind)) return {mark.ptFrom, mark.ptTo};
    RECT rc = ScaleFrame(mark);
    return {Corner(rc, 0), Corner(rc, 1), Corner(rc, 2), Corner(rc, 3)};
}

MarkupMark ResizeMark(const MarkupMark& original, int nHandle, POINT pt, BOOL bKeepShape) {
    MarkupMark mark = original;
    if (HasTwoPoints(mark.nKind)) {
        POINT& ptEnd = nHandle == 0 ? mark.ptFrom : mark.ptTo;
        POINT ptAnchor = nHandle == 0 ? mark.ptTo : mark.ptFrom;
        ptEnd = bKeepShape ? ConstrainPoint(ptAnchor, pt, IsBoxKind(mark.nKind)) : pt;
        return mark;
    }
    RECT rc = ScaleFrame(original);
    POINT a = Corner(rc, (nHandle + 2) % 4), d = Corner(rc, nHandle % 4);
    double ox = d.x - a.x, oy = d.y - a.y, nx = pt.x - a.x, ny = pt.y - a.y;
    // One scale for both directions: the one that brings the dragged corner
    // nearest the pointer.
    double len2 = ox * ox + oy * oy;
    double s = len2 > 0 ? (nx * ox + ny * oy) / len2 : 1.0;
    switch (mark.nKind) {
        case MarkPen:
        case MarkHighlighter: {
            // A flat stroke keeps its flat direction: there is nothing to scale.
            double sx = bKeepShape ? s : (ox != 0 ? nx / ox : 1.0);
            double sy = bKeepShape ? s : (oy != 0 ? ny / oy : 1.0);
            for (POINT& p : mark.points) {
                p.x = a.x + (LONG)std::lround((p.x - a.x) * sx);
                p.y = a.y + (LONG)std::lround((p.y - a.y) * sy);
            }
            break;
        }
        case MarkText: {
            mark.nTextSize = std::max(kMinTextSize, std::min(kMaxTextSize, (int)std::lround(original.nTextSize * s)));
            // A font's cell does not scale exactly with its size: the box is
            // measured again and put against the anchor.
            SIZE size = TextExtent(mark);
            mark.ptFrom = mark.ptTo = BoxFrom(a, d, size.cx, size.cy);
            break;
        }
        case MarkNumber: {
            int r =
                std::max(kMinNumberRadius, std::min(kMaxNumberRadius, (int)std::lround(NumberRadius(original) * s)));
            mark.nRadius = r;
            POINT ptFrom = BoxFrom(a, d, 2 * r, 2 * r);
            mark.ptFrom = mark.ptTo = {ptFrom.x + r, ptFrom.y + r};
            break;
        }
        default:
            break;
    }
    return mark;
}

POINT ConstrainPoint(POINT ptAnchor, POINT pt, BOOL bSquare) {
    int dx = pt.x - ptAnchor.x, dy = pt.y - ptAnchor.y;
    if (bSquare) {
        int s = std::max(std::abs(dx), std::abs(dy));
        POINT r = {ptAnchor.x + (dx < 0 ? -s : s), ptAnchor.y + (dy < 0 ? -s : s)};
        return r;
    }
    double len = std::sqrt((double)dx * dx + (double)dy * dy);
    double step = kPi / 4;
    double angle = std::round(std::atan2((double)dy, (double)dx) / step) * step;
    POINT r = {ptAnchor.x + (LONG)std::lround(len * std::cos(angle)),
               ptAnchor.y + (LONG)std::lround(len * std::sin(angle))};
    return r;
}

// ---- Drawing and flattening --------------------------------------------------------

namespace {

// rcArea cut to the surface; FALSE when nothing of it is on it.
BOOL OnSurface(const CMarkupSurface& surface, const RECT& rcArea, RECT& rc) {
    RECT rcSurface = MakeRect(0, 0, surface.Width(), surface.Height());
    return surface.Bits() != nullptr && ::IntersectRect(&rc, &rcArea, &rcSurface);
}

}  // namespace

void ApplyMosaic(CMarkupSurface& surface, const RECT& rcArea, int nBlock) {
    RECT rc;
    if (nBlock < 1 || !OnSurface(surface, rcArea, rc)) return;
    ::GdiFlush();
    const int nRows = std::max(1, (int)(rc.bottom - rc.top) / nBlock);
    const int nCols = std::max(1, (int)(rc.right - rc.left) / nBlock);
    for (int row = 0; row < nRows; ++row) {
        const int y0 = rc.top + row * nBlock, y1 = row + 1 < nRows ? y0 + nBlock : (int)rc.bottom;
        for (int col = 0; col < nCols; ++col) {
            const int x0 = rc.left + col * nBlock, x1 = col + 1 < nCols ? x0 + nBlock : (int)rc.right;
            uint64_t sum[3] = {0, 0, 0};
            for (int y = y0; y < y1; ++y) {
                const uint32_t* p = surface.Row(y);
                for (int x = x0; x < x1; ++x) {
                    sum[0] += p[x] & 0xFF;
                    sum[1] += (p[x] >> 8) & 0xFF;
                    sum[2] += (p[x] >> 16) & 0xFF;
                }
            }
            uint64_t n = (uint64_t)(x1 - x0) * (y1 - y0);
            uint32_t mean = 0;
            for (int i = 0; i < 3; ++i)
                mean |= (uint32_t)((sum[i] + n / 2) / n) << (8 * i);
            for (int y = y0; y < y1; ++y) {
                uint32_t* p = surface.Row(y);
                std::fill(p + x0, p + x1, mean);
            }
        }
    }
}

void FillArea(CMarkupSurface& surface, const RECT& rcArea, COLORREF clr) {
    RECT rc;
    if (!OnSurface(surface, rcArea, rc)) return;
    ::GdiFlush();
    const uint32_t pixel = (uint32_t)GetRValue(clr) << 16 | (uint32_t)GetGValue(clr) << 8 | GetBValue(clr);
    for (int y = rc.top; y < rc.bottom; ++y)
        std::fill(surface.Row(y) + rc.left, surface.Row(y) + rc.right, pixel);
}

bool operator==(const MarkupMark& a, const MarkupMark& b) {
    if (a.nKind != b.nKind || a.clr != b.clr || a.nWidth != b.nWidth || a.ptFrom.x != b.ptFrom.x ||
        a.ptFrom.y != b.ptFrom.y || a.ptTo.x != b.ptTo.x || a.ptTo.y != b.ptTo.y || a.nTextSize != b.nTextSize ||
        a.nRadius != b.nRadius || a.strText != b.strText || a.strFace != b.strFace ||
        a.points.size() != b.points.size())
        return false;
    for (size_t i = 0; i < a.points.size(); ++i) {
        if (a.points[i].x != b.points[i].x || a.points[i].y != b.points[i].y) return false;
    }
    return true;
}

size_t MarkBytes(const MarkupMark& mark) {
    return sizeof(MarkupMark) + mark.points.capacity() * sizeof(POINT) + mark.strText.capacity() +
           mark.strFace.capacity();
}

void DrawMark(CMarkupSurface& surface, const MarkupMark& mark, int nNumber) {
    HDC hdc = surface.GetDC();
    if (hdc == nullptr || IsEmptyMark(mark)) return;
    switch (mark.nKind) {
        case MarkMosaic:
            ApplyMosaic(surface, MarkArea(mark), kMosaicBlock);
            break;
        case MarkCover:
            FillArea(surface, MarkArea(mark), mark.clr);
            break;
        case MarkHighlighter:
            DrawHighlighter(surface, mark);
            break;
        case MarkText:
            DrawText(hdc, mark);
            break;
        case MarkNumber:
            DrawNumber(hdc, mark, nNumber);
            break;
        case MarkCrop:
            break;
        default:
            DrawShape(hdc, mark);
            break;
    }
}

std::vector<int> NumberMarks(const MarkupMarks& marks) {
    std::vector<int> numbers(marks.size(), 0);
    int n = 0;
    for (size_t i = 0; i < marks.size(); ++i) {
        if (marks[i].nKind == MarkNumber) numbers[i] = ++n;
    }
    return numbers;
}

BOOL FlattenMarks(const CMarkupSurface& base, const MarkupMarks& marks, CMarkupSurface& result) {
    if (!result.CopyFrom(base)) return FALSE;
    std::vector<int> numbers = NumberMarks(marks);
    const MarkupMark* pCrop = nullptr;
    for (size_t i = 0; i < marks.size(); ++i) {
        if (marks[i].nKind == MarkCrop) {
            if (!IsEmptyMark(marks[i])) pCrop = &marks[i];
            continue;
        }
        DrawMark(result, marks[i], numbers[i]);
    }
    ::GdiFlush();
    if (pCrop == nullptr) return TRUE;
    RECT rc = MarkArea(*pCrop);
    RECT rcImage = MakeRect(0, 0, result.Width(), result.Height());
    if (!::IntersectRect(&rc, &rc, &rcImage)) return TRUE;
    CMarkupSurface cropped;
    if (!cropped.Create(rc.right - rc.left, rc.bottom - rc.top)) return FALSE;
    for (int y = rc.top; y < rc.bottom; ++y)
        std::memcpy(cropped.Row(y - rc.top), result.Row(y) + rc.left, (size_t)(rc.right - rc.left) * 4);
    result.Swap(cropped);
    return TRUE;
}
