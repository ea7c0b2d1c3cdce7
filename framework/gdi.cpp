#include "framework/gdi.h"

#include <vector>

#include "framework/resources.h"
#include "framework/temp_objects.h"
#include "framework/wnd.h"

namespace {

struct TempEntry {
    CObject* pObject;
    void (*pfnRelease)(CObject*);
};

// Each thread frees its own wrappers at its own loop's idle point.
std::vector<TempEntry>& TempList() {
    thread_local std::vector<TempEntry> list;
    return list;
}

void ReleaseTempGdi(CObject* p) {
    static_cast<CGdiObject*>(p)->m_hObject = nullptr;
    delete p;
}

void ReleaseTempDC(CObject* p) {
    static_cast<CDC*>(p)->m_hDC = nullptr;
    delete p;
}

template <class T, class H>
T* MakeTempGdi(H h) {
    if (h == nullptr) return nullptr;
    T* p = new T;
    p->m_hObject = (HGDIOBJ)h;
    FwAddTempObject(p, ReleaseTempGdi);
    return p;
}

}  // namespace

void FwAddTempObject(CObject* pObject, void (*pfnRelease)(CObject*)) { TempList().push_back({pObject, pfnRelease}); }

BOOL AfxIsTempObject(const CObject* p) {
    for (const TempEntry& e : TempList()) {
        if (e.pObject == p) return TRUE;
    }
    return FALSE;
}

void AfxDeleteTempObjects() {
    std::vector<TempEntry> list;
    list.swap(TempList());
    for (const TempEntry& e : list)
        e.pfnRelease(e.pObject);
}

// CGdiObject

IMPLEMENT_DYNAMIC(CGdiObject, CObject)

CGdiObject::~CGdiObject() { DeleteObject(); }

int CGdiObject::GetObject(int nCount, LPVOID lpObject) const {
    return m_hObject != nullptr ? ::GetObjectA(m_hObject, nCount, lpObject) : 0;
}

CGdiObject* CGdiObject::FromHandle(HGDIOBJ hObject) { return MakeTempGdi<CGdiObject>(hObject); }

BOOL CGdiObject::Attach(HGDIOBJ hObject) {
    // A second object would leak the first (or be leaked itself).
    KFW_CHECK_MSG(m_hObject == nullptr, "Attach or Create on a GDI object that already holds one");
    if (hObject == nullptr || m_hObject != nullptr) return FALSE;
    m_hObject = hObject;
    return TRUE;
}

HGDIOBJ CGdiObject::Detach() {
    HGDIOBJ h = m_hObject;
    m_hObject = nullptr;
    return h;
}

BOOL CGdiObject::DeleteObject() {
    if (m_hObject == nullptr) return FALSE;
    return ::DeleteObject(Detach());
}

// Pens, brushes, fonts, bitmaps, regions

IMPLEMENT_DYNAMIC(CPen, CGdiObject)
IMPLEMENT_DYNAMIC(CBrush, CGdiObject)
IMPLEMENT_DYNAMIC(CFont, CGdiObject)
IMPLEMENT_DYNAMIC(CBitmap, CGdiObject)
IMPLEMENT_DYNAMIC(CRgn, CGdiObject)

BOOL CPen::CreatePen(int nPenStyle, int nWidth, COLORREF crColor) {
    return Attach(::CreatePen(nPenStyle, nWidth, crColor));
}
CPen* CPen::FromHandle(HPEN hPen) { return MakeTempGdi<CPen>(hPen); }

BOOL CBrush::CreateSolidBrush(COLORREF crColor) { return Attach(::CreateSolidBrush(crColor)); }
BOOL CBrush::CreateHatchBrush(int nIndex, COLORREF crColor) { return Attach(::CreateHatchBrush(nIndex, crColor)); }
BOOL CBrush::CreatePatternBrush(CBitmap* pBitmap) {
    return pBitmap != nullptr && Attach(::CreatePatternBrush((HBITMAP)pBitmap->m_hObject));
}
BOOL CBrush::CreateStockObject(int nIndex) { return Attach(::GetStockObject(nIndex)); }
CBrush* CBrush::FromHandle(HBRUSH hBrush) { return MakeTempGdi<CBrush>(hBrush); }

BOOL CFont::CreateFontIndirect(const LOGFONTA* lpLogFont) { return Attach(::CreateFontIndirectA(lpLogFont)); }

BOOL CFont::CreatePointFont(int nPointSize, LPCSTR lpszFaceName, CDC* pDC) {
    LOGFONTA lf = {};
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpynA(lf.lfFaceName, lpszFaceName != nullptr ? lpszFaceName : "", LF_FACESIZE);
    HDC hDC = pDC != nullptr ? pDC->m_hDC : ::GetDC(nullptr);
    lf.lfHeight = -MulDiv(nPointSize, ::GetDeviceCaps(hDC, LOGPIXELSY), 720);
    if (pDC == nullptr) ::ReleaseDC(nullptr, hDC);
    return CreateFontIndirect(&lf);
}

BOOL CFont::CreateStockObject(int nIndex) { return Attach(::GetStockObject(nIndex)); }
CFont* CFont::FromHandle(HFONT hFont) { return MakeTempGdi<CFont>(hFont); }

BOOL CBitmap::CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitcount, const void* lpBits) {
    return Attach(::CreateBitmap(nWidth, nHeight, nPlanes, nBitcount, lpBits));
}

BOOL CBitmap::CreateCompatibleBitmap(CDC* pDC, int nWidth, int nHeight) {
    if (pDC == nullptr) return FALSE;
    return Attach(::CreateCompatibleBitmap(pDC->m_hDC, nWidth, nHeight));
}

BOOL CBitmap::LoadBitmap(LPCSTR lpszResourceName) {
    HINSTANCE h = AfxFindResourceHandle(lpszResourceName, MAKEINTRESOURCEA(2) /* RT_BITMAP */);
    if (h == nullptr) return FALSE;
    return Attach(::LoadBitmapA(h, lpszResourceName));
}

BOOL CBitmap::LoadBitmap(UINT nIDResource) { return LoadBitmap(MAKEINTRESOURCEA(nIDResource)); }

int CBitmap::GetBitmap(BITMAP* pBitMap) const { return GetObject((int)sizeof(BITMAP), pBitMap); }

CSize CBitmap::GetBitmapDimension() const {
    SIZE s = {0, 0};
    if (m_hObject != nullptr) ::GetBitmapDimensionEx((HBITMAP)m_hObject, &s);
    return CSize(s);
}

CBitmap* CBitmap::FromHandle(HBITMAP hBitmap) { return MakeTempGdi<CBitmap>(hBitmap); }

BOOL CRgn::CreateRectRgn(int x1, int y1, int x2, int y2) { return Attach(::CreateRectRgn(x1, y1, x2, y2)); }
BOOL CRgn::CreateRectRgnIndirect(LPCRECT lpRect) { return Attach(::CreateRectRgnIndirect(lpRect)); }
BOOL CRgn::CreateEllipticRgn(int x1, int y1, int x2, int y2) { return Attach(::CreateEllipticRgn(x1, y1, x2, y2)); }
BOOL CRgn::CreateRoundRectRgn(int x1, int y1, int x2, int y2, int x3, int y3) {
    return Attach(::CreateRoundRectRgn(x1, y1, x2, y2, x3, y3));
}
BOOL CRgn::CreatePolygonRgn(const POINT* lpPoints, int nCount, int nMode) {
    return Attach(::CreatePolygonRgn(lpPoints, nCount, nMode));
}
int CRgn::CombineRgn(const CRgn* pRgn1, const CRgn* pRgn2, int nCombineMode) {
    return ::CombineRgn((HRGN)m_hObject, pRgn1 != nullptr ? (HRGN)pRgn1->m_hObject : nullptr,
                        pRgn2 != nullptr ? (HRGN)pRgn2->m_hObject : nullptr, nCombineMode);
}
BOOL CRgn::PtInRegion(int x, int y) const { return ::PtInRegion((HRGN)m_hObject, x, y); }
int CRgn::GetRgnBox(LPRECT lpRect) const { return ::GetRgnBox((HRGN)m_hObject, lpRect); }
CRgn* CRgn::FromHandle(HRGN hRgn) { return MakeTempGdi<CRgn>(hRgn); }

// CDC

IMPLEMENT_DYNAMIC(CDC, CObject)
IMPLEMENT_DYNAMIC(CClientDC, CDC)
IMPLEMENT_DYNAMIC(CWindowDC, CDC)
IMPLEMENT_DYNAMIC(CPaintDC, CDC)

CDC::~CDC() { DeleteDC(); }

CDC* CDC::FromHandle(HDC hDC) {
    if (hDC == nullptr) return nullptr;
    CDC* p = new CDC;
    p->m_hDC = hDC;
    FwAddTempObject(p, ReleaseTempDC);
    return p;
}

CWnd* CDC::GetWindow() const { return CWnd::FromHandle(::WindowFromDC(m_hDC)); }

BOOL CDC::Attach(HDC hDC) {
    KFW_CHECK_MSG(m_hDC == nullptr, "Attach or Create on a CDC that already holds a DC");
    if (hDC == nullptr || m_hDC != nullptr) return FALSE;
    m_hDC = hDC;
    return TRUE;
}

HDC CDC::Detach() {
    HDC h = m_hDC;
    m_hDC = nullptr;
    return h;
}

BOOL CDC::CreateCompatibleDC(CDC* pDC) { return Attach(::CreateCompatibleDC(pDC != nullptr ? pDC->m_hDC : nullptr)); }

BOOL CDC::CreateDC(LPCSTR lpszDriverName, LPCSTR lpszDeviceName, LPCSTR lpszOutput, const DEVMODEA* lpInitData) {
    return Attach(::CreateDCA(lpszDriverName, lpszDeviceName, lpszOutput, lpInitData));
}

BOOL CDC::DeleteDC() {
    if (m_hDC == nullptr) return FALSE;
    return ::DeleteDC(Detach());
}

CPen* CDC::SelectObject(CPen* pPen) {
    return CPen::FromHandle((HPEN)::SelectObject(Dc(), pPen != nullptr ? pPen->m_hObject : nullptr));
}
CBrush* CDC::SelectObject(CBrush* pBrush) {
    return CBrush::FromHandle((HBRUSH)::SelectObject(Dc(), pBrush != nullptr ? pBrush->m_hObject : nullptr));
}
CFont* CDC::SelectObject(CFont* pFont) {
    return CFont::FromHandle((HFONT)::SelectObject(Dc(), pFont != nullptr ? pFont->m_hObject : nullptr));
}
CBitmap* CDC::SelectObject(CBitmap* pBitmap) {
    return CBitmap::FromHandle((HBITMAP)::SelectObject(Dc(), pBitmap != nullptr ? pBitmap->m_hObject : nullptr));
}
int CDC::SelectObject(CRgn* pRgn) {
    return (int)(INT_PTR)::SelectObject(Dc(), pRgn != nullptr ? pRgn->m_hObject : nullptr);
}
CGdiObject* CDC::SelectObject(CGdiObject* pObject) {
    return CGdiObject::FromHandle(::SelectObject(Dc(), pObject != nullptr ? pObject->m_hObject : nullptr));
}
CGdiObject* CDC::SelectStockObject(int nIndex) {
    return CGdiObject::FromHandle(::SelectObject(Dc(), ::GetStockObject(nIndex)));
}

CPoint CDC::MoveTo(int x, int y) {
    POINT pt = {0, 0};
    ::MoveToEx(Dc(), x, y, &pt);
    return CPoint(pt);
}

void CDC::FillSolidRect(LPCRECT lpRect, COLORREF clr) {
    // ExtTextOut with an opaque rectangle paints without creating a brush.
    COLORREF old = ::SetBkColor(Dc(), clr);
    ::ExtTextOutA(Dc(), 0, 0, ETO_OPAQUE, lpRect, nullptr, 0, nullptr);
    ::SetBkColor(Dc(), old);
}

void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF clr) {
    RECT rc = {x, y, x + cx, y + cy};
    FillSolidRect(&rc, clr);
}

void CDC::Draw3dRect(LPCRECT lpRect, COLORREF clrTopLeft, COLORREF clrBottomRight) {
    int x = lpRect->left, y = lpRect->top;
    int cx = lpRect->right - x, cy = lpRect->bottom - y;
    FillSolidRect(x, y, cx - 1, 1, clrTopLeft);
    FillSolidRect(x, y, 1, cy - 1, clrTopLeft);
    FillSolidRect(x + cx, y, -1, cy, clrBottomRight);
    FillSolidRect(x, y + cy, cx, -1, clrBottomRight);
}

BOOL CDC::BitBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc, DWORD dwRop) {
    return ::BitBlt(Dc(), x, y, nWidth, nHeight, pSrcDC != nullptr ? pSrcDC->m_hDC : nullptr, xSrc, ySrc, dwRop);
}

BOOL CDC::StretchBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc, int nSrcWidth,
                     int nSrcHeight, DWORD dwRop) {
    return ::StretchBlt(Dc(), x, y, nWidth, nHeight, pSrcDC != nullptr ? pSrcDC->m_hDC : nullptr, xSrc, ySrc,
                        nSrcWidth, nSrcHeight, dwRop);
}

BOOL CDC::AlphaBlend(int xDest, int yDest, int nDestWidth, int nDestHeight, CDC* pSrcDC, int xSrc, int ySrc,
                     int nSrcWidth, int nSrcHeight, BLENDFUNCTION blend) {
    return ::AlphaBlend(Dc(), xDest, yDest, nDestWidth, nDestHeight, pSrcDC != nullptr ? pSrcDC->m_hDC : nullptr, xSrc,
                        ySrc, nSrcWidth, nSrcHeight, blend);
}

CSize CDC::GetTextExtent(LPCSTR lpszString, int nCount) const {
    SIZE s = {0, 0};
    ::GetTextExtentPoint32A(Dc(), lpszString, nCount, &s);
    return CSize(s);
}

// Scoped DCs

CClientDC::CClientDC(CWnd* pWnd) : m_hWnd(pWnd != nullptr ? pWnd->m_hWnd : nullptr) { Attach(::GetDC(m_hWnd)); }

CClientDC::~CClientDC() {
    if (m_hDC != nullptr) ::ReleaseDC(m_hWnd, Detach());
}

CWindowDC::CWindowDC(CWnd* pWnd) : m_hWnd(pWnd != nullptr ? pWnd->m_hWnd : nullptr) { Attach(::GetWindowDC(m_hWnd)); }

CWindowDC::~CWindowDC() {
    if (m_hDC != nullptr) ::ReleaseDC(m_hWnd, Detach());
}

CPaintDC::CPaintDC(CWnd* pWnd) : m_ps(), m_hWnd(pWnd->m_hWnd) { Attach(::BeginPaint(m_hWnd, &m_ps)); }

CPaintDC::~CPaintDC() {
    ::EndPaint(m_hWnd, &m_ps);
    Detach();
}
