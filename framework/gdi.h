// GDI wrappers: one handle each.
//
// An object made with Create... or Attach owns its handle and deletes it when
// destroyed; Detach gives the handle up. FromHandle returns a temporary,
// non-owning wrapper that lives until the next idle point of the message loop
// (AfxDeleteTempObjects), which is what SelectObject hands back for the
// previously selected object.
#pragma once

#include "framework/contract.h"

#include "framework/cstring.h"
#include "framework/geometry.h"
#include "framework/object.h"

class CWnd;

// Frees the temporary wrappers made by FromHandle (GDI objects, DCs, windows).
KFW_API void AfxDeleteTempObjects();
// Diagnostics: TRUE while p is a temporary wrapper waiting for that point.
KFW_API BOOL AfxIsTempObject(const CObject* p);

class KFW_API CGdiObject : public CObject {
    DECLARE_DYNAMIC(CGdiObject)
public:
    CGdiObject() : m_hObject(nullptr) {}
    ~CGdiObject() override;
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;

    // Attributes
    HGDIOBJ GetSafeHandle() const { return m_hObject; }
    operator HGDIOBJ() const { return m_hObject; }
    int GetObject(int nCount, LPVOID lpObject) const;
    static CGdiObject* FromHandle(HGDIOBJ hObject);

    // Operations
    BOOL Attach(HGDIOBJ hObject);
    HGDIOBJ Detach();
    BOOL DeleteObject();

    HGDIOBJ m_hObject;  // owned unless this is a temporary wrapper
};

class KFW_API CPen : public CGdiObject {
    DECLARE_DYNAMIC(CPen)
public:
    CPen() = default;
    CPen(int nPenStyle, int nWidth, COLORREF crColor) { CreatePen(nPenStyle, nWidth, crColor); }
    operator HPEN() const { return (HPEN)m_hObject; }
    BOOL CreatePen(int nPenStyle, int nWidth, COLORREF crColor);
    static CPen* FromHandle(HPEN hPen);
};

class KFW_API CBrush : public CGdiObject {
    DECLARE_DYNAMIC(CBrush)
public:
    CBrush() = default;
    explicit CBrush(COLORREF crColor) { CreateSolidBrush(crColor); }
    operator HBRUSH() const { return (HBRUSH)m_hObject; }
    BOOL CreateSolidBrush(COLORREF crColor);
    BOOL CreateHatchBrush(int nIndex, COLORREF crColor);
    BOOL CreatePatternBrush(class CBitmap* pBitmap);
    BOOL CreateStockObject(int nIndex);
    static CBrush* FromHandle(HBRUSH hBrush);
};

class KFW_API CFont : public CGdiObject {
    DECLARE_DYNAMIC(CFont)
public:
    operator HFONT() const { return (HFONT)m_hObject; }
    BOOL CreateFontIndirect(const LOGFONTA* lpLogFont);
    // nPointSize in tenths of a point, for the screen unless pDC is given.
    BOOL CreatePointFont(int nPointSize, LPCSTR lpszFaceName, class CDC* pDC = nullptr);
    BOOL CreateStockObject(int nIndex);
    static CFont* FromHandle(HFONT hFont);
};

class KFW_API CBitmap : public CGdiObject {
    DECLARE_DYNAMIC(CBitmap)
public:
    operator HBITMAP() const { return (HBITMAP)m_hObject; }
    BOOL CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitcount, const void* lpBits);
    BOOL CreateCompatibleBitmap(class CDC* pDC, int nWidth, int nHeight);
    // From the resource chain.
    BOOL LoadBitmap(UINT nIDResource);
    BOOL LoadBitmap(LPCSTR lpszResourceName);
    int GetBitmap(BITMAP* pBitMap) const;
    CSize GetBitmapDimension() const;
    static CBitmap* FromHandle(HBITMAP hBitmap);
};

class KFW_API CRgn : public CGdiObject {
    DECLARE_DYNAMIC(CRgn)
public:
    operator HRGN() const { return (HRGN)m_hObject; }
    BOOL CreateRectRgn(int x1, int y1, int x2, int y2);
    BOOL CreateRectRgnIndirect(LPCRECT lpRect);
    BOOL CreateEllipticRgn(int x1, int y1, int x2, int y2);
    BOOL CreateRoundRectRgn(int x1, int y1, int x2, int y2, int x3, int y3);
    BOOL CreatePolygonRgn(const POINT* lpPoints, int nCount, int nMode);
    int CombineRgn(const CRgn* pRgn1, const CRgn* pRgn2, int nCombineMode);
    BOOL PtInRegion(int x, int y) const;
    int GetRgnBox(LPRECT lpRect) const;
    static CRgn* FromHandle(HRGN hRgn);
};

// A device context. CDC itself owns a DC it created (CreateDC,
// CreateCompatibleDC) and deletes it; the scoped kinds below release or end
// theirs instead.
class KFW_API CDC : public CObject {
    DECLARE_DYNAMIC(CDC)
public:
    CDC() : m_hDC(nullptr) {}
    ~CDC() override;
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    // Attributes
    HDC GetSafeHdc() const { return m_hDC; }
    // The DC every drawing call goes to: drawing on a CDC that holds none is
    // a caller's fault (a BeginPaint or CreateCompatibleDC not checked).
    HDC Dc() const {
        KFW_CHECK_MSG(m_hDC != nullptr, "a drawing call on a CDC that holds no DC");
        return m_hDC;
    }
    operator HDC() const { return m_hDC; }
    static CDC* FromHandle(HDC hDC);
    int GetDeviceCaps(int nIndex) const { return ::GetDeviceCaps(Dc(), nIndex); }
    CWnd* GetWindow() const;

    // Life
    BOOL Attach(HDC hDC);
    HDC Detach();
    BOOL CreateCompatibleDC(CDC* pDC);
    BOOL CreateDC(LPCSTR lpszDriverName, LPCSTR lpszDeviceName, LPCSTR lpszOutput, const DEVMODEA* lpInitData);
    BOOL DeleteDC();
    int SaveDC() { return ::SaveDC(m_hDC); }
    BOOL RestoreDC(int nSavedDC) { return ::RestoreDC(Dc(), nSavedDC); }

    // Selection: each returns the previously selected object as a temporary
    // wrapper, ready to be selected back.
    CPen* SelectObject(CPen* pPen);
    CBrush* SelectObject(CBrush* pBrush);
    CFont* SelectObject(CFont* pFont);
    CBitmap* SelectObject(CBitmap* pBitmap);
    int SelectObject(CRgn* pRgn);
    CGdiObject* SelectObject(CGdiObject* pObject);
    CGdiObject* SelectStockObject(int nIndex);
    HGDIOBJ SelectObject(HGDIOBJ hObject) { return ::SelectObject(Dc(), hObject); }

    // Colours and modes
    COLORREF SetTextColor(COLORREF crColor) { return ::SetTextColor(Dc(), crColor); }
    COLORREF SetBkColor(COLORREF crColor) { return ::SetBkColor(Dc(), crColor); }
    int SetBkMode(int nBkMode) { return ::SetBkMode(Dc(), nBkMode); }
    int SetROP2(int nDrawMode) { return ::SetROP2(Dc(), nDrawMode); }
    int SetStretchBltMode(int nMode) { return ::SetStretchBltMode(Dc(), nMode); }
    int SetMapMode(int nMapMode) { return ::SetMapMode(Dc(), nMapMode); }
    COLORREF GetPixel(int x, int y) const { return ::GetPixel(Dc(), x, y); }
    COLORREF SetPixel(int x, int y, COLORREF crColor) { return ::SetPixel(Dc(), x, y, crColor); }

    // Drawing
    CPoint MoveTo(int x, int y);
    BOOL LineTo(int x, int y) { return ::LineTo(Dc(), x, y); }
    BOOL Rectangle(int x1, int y1, int x2, int y2) { return ::Rectangle(Dc(), x1, y1, x2, y2); }
    BOOL Rectangle(LPCRECT lpRect) { return Rectangle(lpRect->left, lpRect->top, lpRect->right, lpRect->bottom); }
    BOOL Ellipse(int x1, int y1, int x2, int y2) { return ::Ellipse(Dc(), x1, y1, x2, y2); }
    BOOL Polyline(const POINT* lpPoints, int nCount) { return ::Polyline(Dc(), lpPoints, nCount); }
    void FillRect(LPCRECT lpRect, CBrush* pBrush) {
        ::FillRect(Dc(), lpRect, pBrush != nullptr ? (HBRUSH)pBrush->m_hObject : nullptr);
    }
    void FrameRect(LPCRECT lpRect, CBrush* pBrush) {
        ::FrameRect(Dc(), lpRect, pBrush != nullptr ? (HBRUSH)pBrush->m_hObject : nullptr);
    }
    void InvertRect(LPCRECT lpRect) { ::InvertRect(Dc(), lpRect); }
    void FillSolidRect(LPCRECT lpRect, COLORREF clr);
    void FillSolidRect(int x, int y, int cx, int cy, COLORREF clr);
    void Draw3dRect(LPCRECT lpRect, COLORREF clrTopLeft, COLORREF clrBottomRight);
    BOOL DrawEdge(LPRECT lpRect, UINT nEdge, UINT nFlags) { return ::DrawEdge(Dc(), lpRect, nEdge, nFlags); }
    BOOL DrawFocusRect(LPCRECT lpRect) { return ::DrawFocusRect(Dc(), lpRect); }
    BOOL DrawIcon(int x, int y, HICON hIcon) { return ::DrawIcon(Dc(), x, y, hIcon); }
    BOOL BitBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc, DWORD dwRop);
    BOOL StretchBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc, int nSrcWidth,
                    int nSrcHeight, DWORD dwRop);
    // Blends the source over this DC (msimg32's AlphaBlend); both sizes must
    // be positive and the source area inside the source bitmap.
    BOOL AlphaBlend(int xDest, int yDest, int nDestWidth, int nDestHeight, CDC* pSrcDC, int xSrc, int ySrc,
                    int nSrcWidth, int nSrcHeight, BLENDFUNCTION blend);
    BOOL PatBlt(int x, int y, int nWidth, int nHeight, DWORD dwRop) {
        return ::PatBlt(Dc(), x, y, nWidth, nHeight, dwRop);
    }

    // Text
    BOOL TextOut(int x, int y, LPCSTR lpszString, int nCount) { return ::TextOutA(Dc(), x, y, lpszString, nCount); }
    BOOL TextOut(int x, int y, const CString& str) { return TextOut(x, y, str, str.GetLength()); }
    int DrawText(LPCSTR lpszString, int nCount, LPRECT lpRect, UINT nFormat) {
        return ::DrawTextA(Dc(), lpszString, nCount, lpRect, nFormat);
    }
    int DrawText(const CString& str, LPRECT lpRect, UINT nFormat) {
        return DrawText(str, str.GetLength(), lpRect, nFormat);
    }
    CSize GetTextExtent(LPCSTR lpszString, int nCount) const;
    CSize GetTextExtent(const CString& str) const { return GetTextExtent(str, str.GetLength()); }
    BOOL GetTextMetrics(LPTEXTMETRICA lpMetrics) const { return ::GetTextMetricsA(Dc(), lpMetrics); }

    // Clipping
    int SelectClipRgn(CRgn* pRgn) { return ::SelectClipRgn(Dc(), pRgn != nullptr ? (HRGN)pRgn->m_hObject : nullptr); }
    int IntersectClipRect(int x1, int y1, int x2, int y2) { return ::IntersectClipRect(Dc(), x1, y1, x2, y2); }
    int ExcludeClipRect(int x1, int y1, int x2, int y2) { return ::ExcludeClipRect(Dc(), x1, y1, x2, y2); }
    int GetClipBox(LPRECT lpRect) const { return ::GetClipBox(Dc(), lpRect); }

    // Printing
    int StartDoc(LPDOCINFOA lpDocInfo) { return ::StartDocA(Dc(), lpDocInfo); }
    int StartPage() { return ::StartPage(m_hDC); }
    int EndPage() { return ::EndPage(m_hDC); }
    int EndDoc() { return ::EndDoc(m_hDC); }
    int AbortDoc() { return ::AbortDoc(m_hDC); }

    HDC m_hDC;  // owned as described above
};

// The client area of a window, released when the object goes.
class KFW_API CClientDC : public CDC {
    DECLARE_DYNAMIC(CClientDC)
public:
    explicit CClientDC(CWnd* pWnd);  // null: the screen
    ~CClientDC() override;

protected:
    HWND m_hWnd;
};

// The whole window, released when the object goes.
class KFW_API CWindowDC : public CDC {
    DECLARE_DYNAMIC(CWindowDC)
public:
    explicit CWindowDC(CWnd* pWnd);  // null: the screen
    ~CWindowDC() override;

protected:
    HWND m_hWnd;
};

// BeginPaint in the constructor, EndPaint in the destructor.
class KFW_API CPaintDC : public CDC {
    DECLARE_DYNAMIC(CPaintDC)
public:
    explicit CPaintDC(CWnd* pWnd);
    ~CPaintDC() override;

    PAINTSTRUCT m_ps;

protected:
    HWND m_hWnd;
};
