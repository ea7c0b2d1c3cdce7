// The marks of the markup window and their drawing, apart from any window:
// a mark is an object (kind, colour, width, points, text) until the image
// is flattened, and flattening is plain code over a 32-bit pixel surface so
// that what it makes (the mosaic's means, the crop's size) can be checked
// to the pixel.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <objbase.h>
#include <objidl.h>
#include <gdiplus.h>

#include <cstdint>
#include <string>
#include <vector>

// One kind per tool that leaves a mark (the select tool leaves none).
enum MarkKind {
    MarkArrow,
    MarkLine,
    MarkRect,
    MarkEllipse,
    MarkPen,
    MarkHighlighter,
    MarkText,
    MarkMosaic,
    MarkNumber,
    MarkCrop,
    MarkCover,  // a rectangle of solid colour: nothing under it is left
};

struct MarkupMark {
    MarkKind nKind = MarkRect;
    COLORREF clr = RGB(255, 0, 0);
    int nWidth = 3;
    POINT ptFrom = {0, 0};  // image pixels; the text's top-left, the number's centre
    POINT ptTo = {0, 0};
    std::vector<POINT> points;  // the pen's and the highlighter's stroke
    std::string strText;        // code page 936
    int nTextSize = 24;         // the text's character height, pixels
    std::string strFace;        // the text's font; empty: kMarkupDefaultFace
    int nRadius = 0;            // the numbered circle's, pixels; 0: as the line width makes it
};

// Every field the same.
bool operator==(const MarkupMark& a, const MarkupMark& b);
inline bool operator!=(const MarkupMark& a, const MarkupMark& b) { return !(a == b); }
// The memory a mark takes, its own record and what it points to.
size_t MarkBytes(const MarkupMark& mark);

typedef std::vector<MarkupMark> MarkupMarks;

// The face of the program's dialogs, for texts that name none.
const char kMarkupDefaultFace[] = "MS Shell Dlg";
// The mosaic's block, pixels.
const int kMosaicBlock = 10;
// The highlighter's stroke is this many times the line width, at least
// kHighlighterMinWidth.
const int kHighlighterWidthFactor = 4;
const int kHighlighterMinWidth = 12;
// What a text's size and a numbered circle's radius can be made, pixels.
const int kMinTextSize = 6, kMaxTextSize = 200;
const int kMinNumberRadius = 6, kMaxNumberRadius = 100;

// A top-down 32-bit DIB section (blue, green, red, unused) that GDI draws
// into and plain code reads and writes. Not copyable.
class CMarkupSurface {
public:
    CMarkupSurface() = default;
    ~CMarkupSurface();
    CMarkupSurface(const CMarkupSurface&) = delete;
    CMarkupSurface& operator=(const CMarkupSurface&) = delete;

    // A new surface of the size, black; FALSE when it cannot be made.
    BOOL Create(int nWidth, int nHeight);
    // A copy of the pixels of another surface; FALSE when it cannot be made.
    BOOL CopyFrom(const CMarkupSurface& other);
    // The pixels of a GDI+ image; FALSE when they cannot be read.
    BOOL LoadImage(Gdiplus::GpImage* pImage);
    // A new 24-bit GDI+ bitmap of the pixels (the caller owns it), or null.
    Gdiplus::GpBitmap* MakeImage() const;
    void Free();
    void Swap(CMarkupSurface& other);

    int Width() const { return m_nWidth; }
    int Height() const { return m_nHeight; }
    uint32_t* Bits() const { return m_pBits; }  // not owned: the section's memory
    uint32_t* Row(int y) const { return m_pBits + (size_t)y * m_nWidth; }
    HDC GetDC() const { return m_hDC; }  // owned: the section is selected into it
    HBITMAP GetBitmap() const { return m_hBitmap; }

private:
    int m_nWidth = 0;
    int m_nHeight = 0;
    uint32_t* m_pBits = nullptr;
    HBITMAP m_hBitmap = nullptr;  // owned
    HDC m_hDC = nullptr;          // owned
    HGDIOBJ m_hOldBitmap = nullptr;
};

// The rectangle of two corners with left <= right and top <= bottom, the
// right and bottom exclusive: the area a mosaic hides and a crop keeps.
RECT MarkArea(const MarkupMark& mark);
// The pixels a mark can touch on the surface (stroke, arrow head, text),
// before clipping to the image.
RECT MarkBounds(const MarkupMark& mark);
// TRUE when the mark leaves nothing (a click without a drag, empty text).
BOOL IsEmptyMark(const MarkupMark& mark);
// The mark moved by (dx, dy).
void OffsetMark(MarkupMark& mark, int dx, int dy);
// TRUE when pt (image pixels) is on the mark or within nSlop of it.
BOOL HitMark(const MarkupMark& mark, POINT pt, int nSlop);
// TRUE for the kinds that Shift keeps square: boxes, ellipses, mosaics,
// crops and covers.
BOOL IsBoxKind(MarkKind nKind);
// Where the selection's handles sit (image pixels): the two points of a
// line, an arrow, a box, an ellipse, a mosaic or a crop; for a stroke, a text
// or a numbered circle the corners of its frame, clockwise from the top-left.
std::vector<POINT> MarkHandles(const MarkupMark& mark);
// original with its handle nHandle (an index into MarkHandles) dragged to
// pt. A two-point mark moves that point (bKeepShape: 45-degree lines, square
// boxes); the others scale about the opposite corner, which stays where it
// is: a stroke to the new frame (bKeepShape: keeping its proportions), a
// text's size and a circle's radius by the frame's diagonal.
MarkupMark ResizeMark(const MarkupMark& original, int nHandle, POINT pt, BOOL bKeepShape);
// pt moved so that the line from ptAnchor runs at a multiple of 45 degrees
// (bSquare FALSE), or so that the box from ptAnchor is a square (TRUE).
POINT ConstrainPoint(POINT ptAnchor, POINT pt, BOOL bSquare);

// rcArea, cut to the surface, in blocks of nBlock pixels from its top-left
// corner, each becoming the mean of its own pixels (each channel rounded to
// nearest). What is left over at the right and at the bottom joins the last
// block of its row or column: no block is narrower than nBlock, unless the
// area itself is, so no few pixels at an edge keep their colours nearly.
void ApplyMosaic(CMarkupSurface& surface, const RECT& rcArea, int nBlock);
// rcArea, cut to the surface, becomes clr: every pixel, exactly.
void FillArea(CMarkupSurface& surface, const RECT& rcArea, COLORREF clr);

// Draws one mark onto the surface. nNumber is the number a numbered circle
// shows. Crops draw nothing: they apply when flattening ends.
void DrawMark(CMarkupSurface& surface, const MarkupMark& mark, int nNumber);

// The number each numbered circle shows: its place among the circles.
std::vector<int> NumberMarks(const MarkupMarks& marks);

// The marks flattened onto a copy of base, in order, then cut to the last
// crop. FALSE when the surface cannot be made.
BOOL FlattenMarks(const CMarkupSurface& base, const MarkupMarks& marks, CMarkupSurface& result);
