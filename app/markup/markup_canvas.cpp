#include "markup_canvas.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "framework/scoped_handles.h"
#include "res/resource.h"

const MarkupTool kMarkupTools[kMarkupToolCount] = {
    {ID_MARKUP_SELECT, -1, "选择"},
    {ID_MARKUP_ARROW, MarkArrow, "箭头"},
    {ID_MARKUP_LINE, MarkLine, "直线"},
    {ID_MARKUP_RECT, MarkRect, "矩形"},
    {ID_MARKUP_ELLIPSE, MarkEllipse, "椭圆"},
    {ID_MARKUP_PEN, MarkPen, "画笔"},
    {ID_MARKUP_HIGHLIGHTER, MarkHighlighter, "荧光笔"},
    {ID_MARKUP_TEXT, MarkText, "文字"},
    {ID_MARKUP_MOSAIC, MarkMosaic, "马赛克"},
    {ID_MARKUP_NUMBER, MarkNumber, "序号"},
    {ID_MARKUP_CROP, MarkCrop, "裁剪"},
    {ID_MARKUP_COVER, MarkCover, "遮盖"},
};

BEGIN_MESSAGE_MAP(CMarkupCanvas, CWnd)
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
    ON_WM_SIZE()
    ON_WM_LBUTTONDOWN()
    ON_WM_MOUSEMOVE()
    ON_WM_LBUTTONUP()
    ON_WM_LBUTTONDBLCLK()
    ON_WM_CAPTURECHANGED()
    ON_WM_SETCURSOR()
    ON_MESSAGE(WM_HSCROLL, &CMarkupCanvas::OnHScroll)
    ON_MESSAGE(WM_VSCROLL, &CMarkupCanvas::OnVScroll)
    ON_MESSAGE(WM_MOUSEWHEEL, &CMarkupCanvas::OnMouseWheel)
    ON_MESSAGE(WM_CTLCOLOREDIT, &CMarkupCanvas::OnCtlColorEdit)
    ON_CONTROL(EN_KILLFOCUS, 1, &CMarkupCanvas::OnEditKillFocus)
END_MESSAGE_MAP()

namespace {

const int kTextEditId = 1;
const int kZoomSteps[] = {10, 25, 50, 75, 100, 150, 200, 300, 400, 800};
const int kMinZoom = 5, kMaxZoom = 800;
const int kScrollLine = 16;  // client pixels per arrow click
const int kWheelLines = 3;   // lines per wheel notch
const int kHitSlop = 4;      // client pixels around a mark that still take it
const int kHandleSize = 7;   // the selection's end handles, client pixels
const COLORREF kOutsideColor = RGB(128, 128, 128);

int FloorDiv(long long a, long long b) { return (int)(a >= 0 ? a / b : -((-a + b - 1) / b)); }
int CeilDiv(long long a, long long b) { return -FloorDiv(-a, b); }

MarkKind KindOfTool(UINT nTool) {
    for (const MarkupTool& tool : kMarkupTools) {
        if (tool.nCommand == nTool && tool.nKind >= 0) return (MarkKind)tool.nKind;
    }
    return MarkRect;
}

RECT UnionOf(const RECT& a, const RECT& b) {
    RECT r;
    if (::IsRectEmpty(&a)) return b;
    if (::IsRectEmpty(&b)) return a;
    ::UnionRect(&r, &a, &b);
    return r;
}

bool SameGeometry(const MarkupMark& a, const MarkupMark& b) {
    if (a.ptFrom.x != b.ptFrom.x || a.ptFrom.y != b.ptFrom.y || a.ptTo.x != b.ptTo.x || a.ptTo.y != b.ptTo.y)
        return false;
    if (a.nTextSize != b.nTextSize || a.nRadius != b.nRadius) return false;
    if (a.points.size() != b.points.size()) return false;
    for (size_t i = 0; i < a.points.size(); ++i) {
        if (a.points[i].x != b.points[i].x || a.points[i].y != b.points[i].y) return false;
    }
    return true;
}

void DashedRect(HDC hdc, const RECT& rc) {
    kfw::ScopedPen pen(::CreatePen(PS_DOT, 1, RGB(0, 0, 0)));
    kfw::ScopedSelect selPen(hdc, pen);
    kfw::ScopedSelect selBrush(hdc, ::GetStockObject(NULL_BRUSH));
    ::SetBkMode(hdc, OPAQUE);
    ::SetBkColor(hdc, RGB(255, 255, 255));
    ::Rectangle(hdc, rc.left, rc.top, rc.right, rc.bottom);
}

}  // namespace

CMarkupCanvas::CMarkupCanvas()
    : m_nDone(0),
      m_nHistoryBytes(0),
      m_nHistoryLimit(kDefaultHistoryLimit),
      m_nTool(ID_MARKUP_RECT),
      m_clr(RGB(255, 0, 0)),
      m_nWidth(3),
      m_nTextSize(24),
      m_nZoom(100),
      m_ptScroll{0, 0},
      m_nSelected(-1),
      m_nDrag(DragNone),
      m_nMoving(-1),
      m_nHandle(0),
      m_ptDragStart{0, 0},
      m_hEdit(nullptr),
      m_hEditFont(nullptr),
      m_nEditIndex(-1),
      m_ptEdit{0, 0},
      m_bEditClosing(FALSE) {}

CMarkupCanvas::~CMarkupCanvas() {
    if (m_hEditFont != nullptr) ::DeleteObject(m_hEditFont);
}

BOOL CMarkupCanvas::Create(CWnd* pParent, UINT nID, const CMarkupSurface& image) {
    if (!m_base.CopyFrom(image) || !m_background.CopyFrom(image)) return FALSE;
    m_history.clear();
    m_nDone = 0;
    m_nHistoryBytes = 0;
    LPCSTR pszClass = AfxRegisterWndClass(CS_DBLCLKS, ::LoadCursor(nullptr, IDC_ARROW), nullptr);
    CRect rc(0, 0, 16, 16);
    return CreateEx(WS_EX_CLIENTEDGE, pszClass, "", WS_CHILD | WS_VISIBLE | WS_HSCROLL | WS_VSCROLL | WS_TABSTOP, rc,
                    pParent, nID);
}

// ---- Settings ---------------------------------------------------------------------

void CMarkupCanvas::SetTool(UINT nTool) {
    if (m_hEdit != nullptr) CommitTextEdit();
    m_nTool = nTool;
    if (m_nTool != ID_MARKUP_SELECT && m_nSelected >= 0) {
        m_nSelected = -1;
        Invalidate(FALSE);
    }
}

void CMarkupCanvas::SetColor(COLORREF clr) {
    m_clr = clr;
    if (m_hEdit != nullptr) {
        ::InvalidateRect(m_hEdit, nullptr, TRUE);
    } else if (m_nSelected >= 0 && m_marks[m_nSelected].clr != clr) {
        MarkupMarks marks = m_marks;
        marks[m_nSelected].clr = clr;
        Commit(marks);
    }
}

void CMarkupCanvas::SetLineWidth(int nWidth) {
    m_nWidth = std::max(1, std::min(16, nWidth));
    if (m_nSelected >= 0 && m_marks[m_nSelected].nKind != MarkText && m_marks[m_nSelected].nWidth != m_nWidth) {
        MarkupMarks marks = m_marks;
        marks[m_nSelected].nWidth = m_nWidth;
        // A circle chosen a new width takes that width's size again.
        marks[m_nSelected].nRadius = 0;
        Commit(marks);
    }
}

void CMarkupCanvas::SetTextSize(int nSize) {
    m_nTextSize = std::max(6, std::min(200, nSize));
    if (m_nSelected >= 0 && m_marks[m_nSelected].nKind == MarkText && m_marks[m_nSelected].nTextSize != m_nTextSize) {
        MarkupMarks marks = m_marks;
        marks[m_nSelected].nTextSize = m_nTextSize;
        Commit(marks);
    }
}

// ---- Zoom and scrolling ------------------------------------------------------------

void CMarkupCanvas::SetZoom(int nZoom) {
    nZoom = std::max(kMinZoom, std::min(kMaxZoom, nZoom));
    CRect rcClient;
    GetClientRect(&rcClient);
    // The image point in the middle stays in the middle.
    POINT ptMid = {rcClient.Width() / 2, rcClient.Height() / 2};
    POINT ptImage = ToImage(ptMid);
    m_nZoom = nZoom;
    m_ptScroll.x = (int)((long long)ptImage.x * m_nZoom / 100) - ptMid.x;
    m_ptScroll.y = (int)((long long)ptImage.y * m_nZoom / 100) - ptMid.y;
    if (m_hEdit != nullptr) CommitTextEdit();
    UpdateScrollBars();
    Invalidate(FALSE);
}

void CMarkupCanvas::ZoomToFit() {
    CRect rcClient;
    GetClientRect(&rcClient);
    // The scroll bars go when it fits: measure without them.
    int cx = rcClient.Width() + ((GetStyle() & WS_VSCROLL) ? ::GetSystemMetrics(SM_CXVSCROLL) : 0);
    int cy = rcClient.Height() + ((GetStyle() & WS_HSCROLL) ? ::GetSystemMetrics(SM_CYHSCROLL) : 0);
    int nZoom = std::min(cx * 100 / std::max(1, m_base.Width()), cy * 100 / std::max(1, m_base.Height()));
    m_ptScroll.x = m_ptScroll.y = 0;
    m_nZoom = std::max(kMinZoom, std::min(100, nZoom));
    UpdateScrollBars();
    Invalidate(FALSE);
}

void CMarkupCanvas::ZoomStep(int nSteps) {
    int nZoom = m_nZoom;
    if (nSteps > 0) {
        for (int z : kZoomSteps) {
            if (z > m_nZoom) {
                nZoom = z;
                break;
            }
        }
    } else {
        for (int i = (int)(sizeof(kZoomSteps) / sizeof(kZoomSteps[0])) - 1; i >= 0; --i) {
            if (kZoomSteps[i] < m_nZoom) {
                nZoom = kZoomSteps[i];
                break;
            }
        }
    }
    SetZoom(nZoom);
}

void CMarkupCanvas::UpdateScrollBars() {
    for (int nBar = SB_HORZ; nBar <= SB_VERT; ++nBar) {
        // Showing a bar narrows the client: a second pass settles both.
        CRect rcClient;
        GetClientRect(&rcClient);
        int nTotal = CeilDiv((long long)(nBar == SB_HORZ ? m_base.Width() : m_base.Height()) * m_nZoom, 100);
        int nPage = nBar == SB_HORZ ? rcClient.Width() : rcClient.Height();
        LONG& nPos = nBar == SB_HORZ ? m_ptScroll.x : m_ptScroll.y;
        nPos = std::max(0, std::min((int)nPos, nTotal - nPage));
        SCROLLINFO si = {};
        si.cbSize = sizeof(si);
        si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
        si.nMax = nTotal - 1;
        si.nPage = (UINT)std::max(0, nPage);
        si.nPos = (int)nPos;
        ::SetScrollInfo(m_hWnd, nBar, &si, TRUE);
    }
}

void CMarkupCanvas::ScrollTo(int x, int y) {
    POINT ptOld = m_ptScroll;
    m_ptScroll.x = x;
    m_ptScroll.y = y;
    UpdateScrollBars();
    if (m_ptScroll.x == ptOld.x && m_ptScroll.y == ptOld.y) return;
    if (m_hEdit != nullptr) {
        RECT rc;
        ::GetWindowRect(m_hEdit, &rc);
        ScreenToClient(&rc);
        ::SetWindowPos(m_hEdit, nullptr, rc.left + ptOld.x - m_ptScroll.x, rc.top + ptOld.y - m_ptScroll.y, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    Invalidate(FALSE);
}

LRESULT CMarkupCanvas::OnHScroll(WPARAM wParam, LPARAM) {
    OnScroll(SB_HORZ, LOWORD(wParam));
    return 0;
}

LRESULT CMarkupCanvas::OnVScroll(WPARAM wParam, LPARAM) {
    OnScroll(SB_VERT, LOWORD(wParam));
    return 0;
}

void CMarkupCanvas::OnScroll(int nBar, UINT nCode) {
    CRect rc;
    GetClientRect(&rc);
    bool bHorz = nBar == SB_HORZ;
    int nPos = bHorz ? m_ptScroll.x : m_ptScroll.y;
    // The left and up codes are the same numbers, as are right and down.
    switch (nCode) {
        case SB_LINEUP:
            nPos -= kScrollLine;
            break;
        case SB_LINEDOWN:
            nPos += kScrollLine;
            break;
        case SB_PAGEUP:
            nPos -= bHorz ? rc.Width() : rc.Height();
            break;
        case SB_PAGEDOWN:
            nPos += bHorz ? rc.Width() : rc.Height();
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: {
            SCROLLINFO si = {};
            si.cbSize = sizeof(si);
            si.fMask = SIF_TRACKPOS;
            ::GetScrollInfo(m_hWnd, nBar, &si);
            nPos = si.nTrackPos;
            break;
        }
        default:
            return;
    }
    ScrollTo(bHorz ? nPos : m_ptScroll.x, bHorz ? m_ptScroll.y : nPos);
}

LRESULT CMarkupCanvas::OnMouseWheel(WPARAM wParam, LPARAM) {
    int nDelta = (short)HIWORD(wParam);
    UINT nKeys = LOWORD(wParam);
    if (nKeys & MK_CONTROL) {
        ZoomStep(nDelta > 0 ? 1 : -1);
    } else {
        int nMove = -nDelta * kWheelLines * kScrollLine / WHEEL_DELTA;
        if (nKeys & MK_SHIFT)
            ScrollTo(m_ptScroll.x + nMove, m_ptScroll.y);
        else
            ScrollTo(m_ptScroll.x, m_ptScroll.y + nMove);
    }
    return 0;
}

void CMarkupCanvas::OnSize(UINT, int, int) { UpdateScrollBars(); }

// ---- Coordinates ------------------------------------------------------------------

POINT CMarkupCanvas::ToImage(POINT ptClient) const {
    POINT pt = {FloorDiv((long long)(ptClient.x + m_ptScroll.x) * 100, m_nZoom),
                FloorDiv((long long)(ptClient.y + m_ptScroll.y) * 100, m_nZoom)};
    return pt;
}

RECT CMarkupCanvas::ToClient(const RECT& rcImage) const {
    RECT rc = {FloorDiv((long long)rcImage.left * m_nZoom, 100) - m_ptScroll.x,
               FloorDiv((long long)rcImage.top * m_nZoom, 100) - m_ptScroll.y,
               CeilDiv((long long)rcImage.right * m_nZoom, 100) - m_ptScroll.x,
               CeilDiv((long long)rcImage.bottom * m_nZoom, 100) - m_ptScroll.y};
    return rc;
}

void CMarkupCanvas::InvalidateImageRect(const RECT& rcImage) {
    RECT rc = ToClient(rcImage);
    // The selection's frame and handles reach a little outside.
    ::InflateRect(&rc, kHandleSize, kHandleSize);
    InvalidateRect(&rc, FALSE);
}

// ---- Painting -----------------------------------------------------------------------

BOOL CMarkupCanvas::OnEraseBkgnd(CDC*) { return TRUE; }

void CMarkupCanvas::OnPaint() {
    CPaintDC dc(this);
    RECT rcPaint = dc.m_ps.rcPaint;
    RECT rcImageAll = {0, 0, m_base.Width(), m_base.Height()};
    RECT rcOnScreen = ToClient(rcImageAll);

    // Around the image: the application workspace's grey.
    {
        int nSaved = ::SaveDC(dc);
        ::ExcludeClipRect(dc, rcOnScreen.left, rcOnScreen.top, rcOnScreen.right, rcOnScreen.bottom);
        kfw::ScopedBrush brush(::CreateSolidBrush(kOutsideColor));
        ::FillRect(dc, &rcPaint, brush);
        ::RestoreDC(dc, nSaved);
    }

    RECT rcImage = {FloorDiv((long long)(rcPaint.left + m_ptScroll.x) * 100, m_nZoom),
                    FloorDiv((long long)(rcPaint.top + m_ptScroll.y) * 100, m_nZoom),
                    CeilDiv((long long)(rcPaint.right + m_ptScroll.x) * 100, m_nZoom),
                    CeilDiv((long long)(rcPaint.bottom + m_ptScroll.y) * 100, m_nZoom)};
    // A mark pressed on but not moved yet is still in the cached picture.
    bool bActive = m_nDrag != DragNone && !IsEmptyMark(m_active) && (m_nDrag == DragNew || m_nMoving >= 0);
    // A mosaic being drawn is shown with its whole blocks.
    if (bActive && m_active.nKind == MarkMosaic) rcImage = UnionOf(rcImage, MarkArea(m_active));
    if (!::IntersectRect(&rcImage, &rcImage, &rcImageAll)) return;
    int cx = rcImage.right - rcImage.left, cy = rcImage.bottom - rcImage.top;
    // The scratch picture only grows: a drag repaints a different size at
    // every step, and a new section each time would cost more than the paint.
    if (m_scratch.Width() < cx || m_scratch.Height() < cy) {
        if (!m_scratch.Create(std::max(cx, m_scratch.Width()), std::max(cy, m_scratch.Height()))) return;
    }
    ::GdiFlush();
    for (int y = 0; y < cy; ++y)
        std::memcpy(m_scratch.Row(y), m_background.Row(rcImage.top + y) + rcImage.left, (size_t)cx * 4);
    if (bActive) {
        MarkupMark mark = m_active;
        OffsetMark(mark, -rcImage.left, -rcImage.top);
        if (mark.nKind == MarkMosaic) {
            // Blocks stop at the image's edge, not at the scratch's.
            RECT rc = MarkArea(mark);
            mark.ptFrom = {std::max(rc.left, 0L), std::max(rc.top, 0L)};
            mark.ptTo = {std::min(rc.right, (LONG)cx), std::min(rc.bottom, (LONG)cy)};
        }
        int nNumber = 1;
        if (m_nMoving >= 0) {
            nNumber = NumberMarks(m_marks)[m_nMoving];
        } else {
            for (const MarkupMark& m : m_marks)
                nNumber += m.nKind == MarkNumber;
        }
        DrawMark(m_scratch, mark, nNumber);
    }
    DrawOverlays(m_scratch, rcImage);
    ::GdiFlush();
    RECT rcDest = ToClient(rcImage);
    if (m_nZoom == 100) {
        ::BitBlt(dc, rcDest.left, rcDest.top, cx, cy, m_scratch.GetDC(), 0, 0, SRCCOPY);
    } else {
        ::SetStretchBltMode(dc, m_nZoom < 100 ? HALFTONE : COLORONCOLOR);
        ::SetBrushOrgEx(dc, 0, 0, nullptr);
        ::StretchBlt(dc, rcDest.left, rcDest.top, rcDest.right - rcDest.left, rcDest.bottom - rcDest.top,
                     m_scratch.GetDC(), 0, 0, cx, cy, SRCCOPY);
    }
}

void CMarkupCanvas::DrawOverlays(CMarkupSurface& scratch, const RECT& rcImage) {
    HDC hdc = scratch.GetDC();
    ::SetViewportOrgEx(hdc, -rcImage.left, -rcImage.top, nullptr);
    // The crop that counts (the last), as a dashed frame.
    const MarkupMark* pCrop = nullptr;
    for (size_t i = 0; i < m_marks.size(); ++i) {
        if (m_marks[i].nKind == MarkCrop && (int)i != m_nMoving) pCrop = &m_marks[i];
    }
    if (m_nDrag != DragNone && m_active.nKind == MarkCrop) pCrop = &m_active;
    if (pCrop != nullptr && !IsEmptyMark(*pCrop)) {
        RECT rc = MarkArea(*pCrop);
        DashedRect(hdc, rc);
    }
    if (m_nSelected >= 0 && m_nSelected < (int)m_marks.size()) {
        const MarkupMark& mark = m_nMoving == m_nSelected ? m_active : m_marks[m_nSelected];
        RECT rc = MarkBounds(mark);
        DashedRect(hdc, rc);
        int h = std::max(2, kHandleSize * 100 / m_nZoom / 2);
        for (const POINT& pt : MarkHandles(mark)) {
            RECT rcHandle = {pt.x - h, pt.y - h, pt.x + h + 1, pt.y + h + 1};
            ::FillRect(hdc, &rcHandle, (HBRUSH)::GetStockObject(WHITE_BRUSH));
            ::FrameRect(hdc, &rcHandle, (HBRUSH)::GetStockObject(BLACK_BRUSH));
        }
    }
    ::SetViewportOrgEx(hdc, 0, 0, nullptr);
}

void CMarkupCanvas::RebuildBackground(int nSkip) {
    m_nMoving = nSkip;
    if (!m_background.CopyFrom(m_base)) return;
    std::vector<int> numbers = NumberMarks(m_marks);
    for (size_t i = 0; i < m_marks.size(); ++i) {
        if ((int)i == nSkip || m_marks[i].nKind == MarkCrop) continue;
        DrawMark(m_background, m_marks[i], numbers[i]);
    }
    ::GdiFlush();
}

// ---- Marks and history --------------------------------------------------------------

void CMarkupCanvas::Commit(const MarkupMarks& marks, BOOL bAppended) {
    // The step is what changed: the marks between the common start and the
    // common end of the old list and the new.
    size_t nSame = 0, nSameEnd = 0;
    const size_t nCommon = std::min(marks.size(), m_marks.size());
    while (nSame < nCommon && marks[nSame] == m_marks[nSame])
        ++nSame;
    while (nSameEnd < nCommon - nSame && marks[marks.size() - 1 - nSameEnd] == m_marks[m_marks.size() - 1 - nSameEnd])
        ++nSameEnd;
    Change change;
    change.nAt = nSame;
    change.removed.assign(m_marks.begin() + nSame, m_marks.end() - nSameEnd);
    change.inserted.assign(marks.begin() + nSame, marks.end() - nSameEnd);
    change.nBytes = sizeof(Change);
    for (const MarkupMarks* pList : {&change.removed, &change.inserted}) {
        for (const MarkupMark& mark : *pList)
            change.nBytes += MarkBytes(mark);
    }
    // What was undone cannot come back once something else is done.
    while (m_history.size() > m_nDone) {
        m_nHistoryBytes -= m_history.back().nBytes;
        m_history.pop_back();
    }
    m_nHistoryBytes += change.nBytes;
    m_history.push_back(std::move(change));
    ++m_nDone;
    SetHistoryLimit(m_nHistoryLimit);
    bAppended = bAppended && m_nMoving < 0 && marks.size() == m_marks.size() + 1;
    m_marks = marks;
    if (m_nSelected >= (int)m_marks.size()) m_nSelected = -1;
    if (bAppended) {
        // On top of everything else: the cache gets the one new mark.
        const MarkupMark& mark = m_marks.back();
        if (mark.nKind != MarkCrop) DrawMark(m_background, mark, NumberMarks(m_marks).back());
        ::GdiFlush();
        InvalidateImageRect(MarkBounds(mark));
        if (mark.nKind == MarkCrop) Invalidate(FALSE);
        return;
    }
    RebuildBackground(-1);
    Invalidate(FALSE);
}

void CMarkupCanvas::SetHistoryLimit(size_t nBytes) {
    m_nHistoryLimit = nBytes;
    // Only steps that are done go: the first one undone is the next redo.
    while (m_nHistoryBytes > m_nHistoryLimit && m_history.size() > 1 && m_nDone > 0) {
        m_nHistoryBytes -= m_history.front().nBytes;
        m_history.pop_front();
        --m_nDone;
    }
}

void CMarkupCanvas::Replace(size_t nAt, const MarkupMarks& from, const MarkupMarks& to) {
    m_marks.erase(m_marks.begin() + nAt, m_marks.begin() + nAt + from.size());
    m_marks.insert(m_marks.begin() + nAt, to.begin(), to.end());
}

void CMarkupCanvas::Undo() {
    if (m_nDrag != DragNone) return;
    if (m_hEdit != nullptr) CancelTextEdit();
    if (!CanUndo()) return;
    const Change& change = m_history[--m_nDone];
    Replace(change.nAt, change.inserted, change.removed);
    m_nSelected = -1;
    RebuildBackground(-1);
    Invalidate(FALSE);
}

void CMarkupCanvas::Redo() {
    if (m_nDrag != DragNone || m_hEdit != nullptr || !CanRedo()) return;
    const Change& change = m_history[m_nDone++];
    Replace(change.nAt, change.removed, change.inserted);
    m_nSelected = -1;
    RebuildBackground(-1);
    Invalidate(FALSE);
}

BOOL CMarkupCanvas::DeleteSelection() {
    if (m_nDrag != DragNone || m_nSelected < 0 || m_nSelected >= (int)m_marks.size()) return FALSE;
    MarkupMarks marks = m_marks;
    marks.erase(marks.begin() + m_nSelected);
    m_nSelected = -1;
    Commit(marks);
    return TRUE;
}

BOOL CMarkupCanvas::Flatten(CMarkupSurface& result) { return FlattenMarks(m_base, m_marks, result); }

// ---- The mouse ---------------------------------------------------------------------

void CMarkupCanvas::OnLButtonDown(UINT, CPoint point) {
    if (m_hEdit != nullptr) CommitTextEdit();
    SetFocus();
    POINT pt = ToImage(point);
    int nSlop = std::max(1, kHitSlop * 100 / m_nZoom);
    if (m_nTool == ID_MARKUP_SELECT) {
        int nHandle = HandleAt(pt);
        if (nHandle >= 0) {
            m_original = m_active = m_marks[m_nSelected];
            m_ptDragStart = pt;
            m_nDrag = DragHandle;
            m_nHandle = nHandle;
            SetCapture();
            return;
        }
        int nHit = -1;
        for (int i = (int)m_marks.size() - 1; i >= 0 && nHit < 0; --i) {
            if (HitMark(m_marks[i], pt, nSlop)) nHit = i;
        }
        m_nSelected = nHit;
        if (nHit >= 0) {
            m_original = m_active = m_marks[nHit];
            m_ptDragStart = pt;
            m_nDrag = DragMove;
            SetCapture();
        }
        Invalidate(FALSE);
        return;
    }
    MarkKind nKind = KindOfTool(m_nTool);
    if (nKind == MarkText) {
        for (int i = (int)m_marks.size() - 1; i >= 0; --i) {
            if (m_marks[i].nKind == MarkText && HitMark(m_marks[i], pt, nSlop)) {
                StartTextEdit(m_marks[i].ptFrom, i);
                return;
            }
        }
        StartTextEdit(pt, -1);
        return;
    }
    MarkupMark mark;
    mark.nKind = nKind;
    mark.clr = m_clr;
    mark.nWidth = m_nWidth;
    mark.ptFrom = mark.ptTo = pt;
    mark.strFace = m_strFace;
    if (nKind == MarkNumber) {
        MarkupMarks marks = m_marks;
        marks.push_back(mark);
        Commit(marks, TRUE);
        return;
    }
    if (nKind == MarkPen || nKind == MarkHighlighter) mark.points.push_back(pt);
    m_active = mark;
    m_nDrag = DragNew;
    m_nMoving = -1;
    SetCapture();
}

int CMarkupCanvas::HandleAt(POINT ptImage) const {
    if (m_nSelected < 0 || m_nSelected >= (int)m_marks.size()) return -1;
    int nReach = std::max(2, kHandleSize * 100 / m_nZoom);
    std::vector<POINT> handles = MarkHandles(m_marks[m_nSelected]);
    // The last handle first: a line's end point before its start.
    for (int i = (int)handles.size() - 1; i >= 0; --i) {
        if (std::abs(handles[i].x - ptImage.x) <= nReach && std::abs(handles[i].y - ptImage.y) <= nReach) return i;
    }
    return -1;
}

void CMarkupCanvas::OnMouseMove(UINT nFlags, CPoint point) {
    if (m_nDrag == DragNone) return;
    POINT pt = ToImage(point);
    if (m_nDrag != DragNew && m_nMoving < 0) {
        // The mark leaves the cached picture once it really moves: a click
        // that only selects costs no rebuild.
        if (pt.x == m_ptDragStart.x && pt.y == m_ptDragStart.y) return;
        RebuildBackground(m_nSelected);
    }
    RECT rcOld = MarkBounds(m_active);
    bool bShift = (nFlags & MK_SHIFT) != 0;
    switch (m_nDrag) {
        case DragNew:
            if (m_active.nKind == MarkPen || m_active.nKind == MarkHighlighter) {
                const POINT& last = m_active.points.back();
                if (last.x != pt.x || last.y != pt.y) m_active.points.push_back(pt);
            } else {
                m_active.ptTo = bShift ? ConstrainPoint(m_active.ptFrom, pt, IsBoxKind(m_active.nKind)) : pt;
            }
            break;
        case DragMove:
            m_active = m_original;
            OffsetMark(m_active, pt.x - m_ptDragStart.x, pt.y - m_ptDragStart.y);
            break;
        case DragHandle:
            m_active = ResizeMark(m_original, m_nHandle, pt, bShift);
            break;
        default:
            break;
    }
    InvalidateImageRect(UnionOf(rcOld, MarkBounds(m_active)));
}

void CMarkupCanvas::OnLButtonUp(UINT nFlags, CPoint point) {
    if (m_nDrag == DragNone) return;
    OnMouseMove(nFlags, point);
    DragMode nDrag = m_nDrag;
    // Before the capture goes, so that losing it does not cancel the drag.
    m_nDrag = DragNone;
    ::ReleaseCapture();
    if (nDrag == DragNew) {
        if (IsEmptyMark(m_active)) {
            InvalidateImageRect(MarkBounds(m_active));
            return;
        }
        MarkupMarks marks = m_marks;
        marks.push_back(m_active);
        Commit(marks, TRUE);
        return;
    }
    if (m_nMoving >= 0 && !SameGeometry(m_active, m_original)) {
        MarkupMarks marks = m_marks;
        marks[m_nMoving] = m_active;
        Commit(marks);
    } else if (m_nMoving >= 0) {
        RebuildBackground(-1);
        Invalidate(FALSE);
    } else {
        Invalidate(FALSE);
    }
}

void CMarkupCanvas::OnCaptureChanged(CWnd*) {
    if (m_nDrag == DragNone) return;
    // Taken away in mid-drag (a window popped up): the drag did not happen.
    m_nDrag = DragNone;
    if (m_nMoving >= 0) RebuildBackground(-1);
    Invalidate(FALSE);
}

void CMarkupCanvas::OnLButtonDblClk(UINT, CPoint point) {
    POINT pt = ToImage(point);
    int nSlop = std::max(1, kHitSlop * 100 / m_nZoom);
    for (int i = (int)m_marks.size() - 1; i >= 0; --i) {
        if (m_marks[i].nKind == MarkText && HitMark(m_marks[i], pt, nSlop)) {
            if (m_nDrag != DragNone) {
                m_nDrag = DragNone;
                ::ReleaseCapture();
            }
            StartTextEdit(m_marks[i].ptFrom, i);
            return;
        }
    }
}

BOOL CMarkupCanvas::OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message) {
    if (nHitTest != HTCLIENT) return CWnd::OnSetCursor(pWnd, nHitTest, message);
    LPCSTR pszCursor = IDC_CROSS;
    if (m_nTool == ID_MARKUP_SELECT) {
        pszCursor = IDC_ARROW;
        POINT pt;
        ::GetCursorPos(&pt);
        ScreenToClient(&pt);
        int nHandle = HandleAt(ToImage(pt));
        // Two points move freely; a frame's corners pull along their diagonal.
        if (nHandle >= 0 && MarkHandles(m_marks[m_nSelected]).size() == 2)
            pszCursor = IDC_SIZEALL;
        else if (nHandle >= 0)
            pszCursor = nHandle % 2 == 0 ? IDC_SIZENWSE : IDC_SIZENESW;
    }
    if (m_nTool == ID_MARKUP_TEXT) pszCursor = IDC_IBEAM;
    ::SetCursor(::LoadCursor(nullptr, pszCursor));
    return TRUE;
}

// ---- Text typed in place ------------------------------------------------------------

void CMarkupCanvas::StartTextEdit(POINT ptImage, int nIndex) {
    if (m_hEdit != nullptr) CommitTextEdit();
    m_nEditIndex = nIndex;
    m_ptEdit = ptImage;
    std::string strText;
    int nSize = m_nTextSize;
    std::string strFace = m_strFace;
    if (nIndex >= 0) {
        const MarkupMark& mark = m_marks[nIndex];
        strText = mark.strText;
        nSize = mark.nTextSize;
        strFace = mark.strFace;
        m_clr = mark.clr;
        m_nSelected = -1;
        RebuildBackground(nIndex);
        Invalidate(FALSE);
    }
    m_nTextSize = nSize;
    LOGFONTA lf = {};
    lf.lfHeight = -std::max(1, nSize * m_nZoom / 100);
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpynA(lf.lfFaceName, strFace.empty() ? kMarkupDefaultFace : strFace.c_str(), LF_FACESIZE);
    if (m_hEditFont != nullptr) ::DeleteObject(m_hEditFont);
    m_hEditFont = ::CreateFontIndirectA(&lf);
    RECT rcImage = {ptImage.x, ptImage.y, ptImage.x, ptImage.y};
    RECT rc = ToClient(rcImage);
    int nLine = std::max(8, nSize * m_nZoom / 100);
    // The edit's border and margin sit before the text: the text lands
    // where it will be drawn.
    int nInset = ::GetSystemMetrics(SM_CXEDGE) + 2;
    m_hEdit = ::CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", strText.c_str(),
                                WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOHSCROLL | ES_AUTOVSCROLL | ES_WANTRETURN,
                                rc.left - nInset, rc.top - nInset, std::max(200, nLine * 12), nLine * 3 + 2 * nInset,
                                m_hWnd, (HMENU)(INT_PTR)kTextEditId, nullptr, nullptr);
    if (m_hEdit == nullptr) return;
    ::SendMessageA(m_hEdit, WM_SETFONT, (WPARAM)m_hEditFont, TRUE);
    ::SendMessageA(m_hEdit, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(0, 0));
    ::SendMessageA(m_hEdit, EM_SETSEL, (WPARAM)strText.size(), (LPARAM)strText.size());
    ::SetFocus(m_hEdit);
}

LRESULT CMarkupCanvas::OnCtlColorEdit(WPARAM wParam, LPARAM) {
    ::SetTextColor((HDC)wParam, m_clr);
    ::SetBkColor((HDC)wParam, ::GetSysColor(COLOR_WINDOW));
    return (LRESULT)::GetSysColorBrush(COLOR_WINDOW);
}

void CMarkupCanvas::OnEditKillFocus() { CommitTextEdit(); }

void CMarkupCanvas::CommitTextEdit() {
    if (m_hEdit == nullptr || m_bEditClosing) return;
    m_bEditClosing = TRUE;
    int nLength = ::GetWindowTextLengthA(m_hEdit);
    std::string strText((size_t)nLength + 1, '\0');
    ::GetWindowTextA(m_hEdit, &strText[0], nLength + 1);
    strText.resize(std::strlen(strText.c_str()));
    HWND hEdit = m_hEdit;
    m_hEdit = nullptr;
    ::DestroyWindow(hEdit);
    m_bEditClosing = FALSE;

    MarkupMarks marks = m_marks;
    MarkupMark mark;
    mark.nKind = MarkText;
    mark.clr = m_clr;
    mark.nWidth = m_nWidth;
    mark.ptFrom = mark.ptTo = m_ptEdit;
    mark.strText = strText;
    mark.nTextSize = m_nTextSize;
    mark.strFace = m_strFace;
    bool bChanged = true;
    BOOL bAppended = FALSE;
    if (m_nEditIndex >= 0 && m_nEditIndex < (int)marks.size()) {
        mark.strFace = marks[m_nEditIndex].strFace;
        if (IsEmptyMark(mark))
            marks.erase(marks.begin() + m_nEditIndex);
        else if (marks[m_nEditIndex].strText != strText || marks[m_nEditIndex].clr != m_clr)
            marks[m_nEditIndex] = mark;
        else
            bChanged = false;
    } else if (!IsEmptyMark(mark)) {
        marks.push_back(mark);
        bAppended = TRUE;
    } else {
        bChanged = false;
    }
    m_nEditIndex = -1;
    if (bChanged && bAppended) {
        Commit(marks, TRUE);
    } else if (bChanged) {
        m_nMoving = -1;
        Commit(marks);
    } else {
        RebuildBackground(-1);
        Invalidate(FALSE);
    }
}

void CMarkupCanvas::CancelTextEdit() {
    if (m_hEdit == nullptr || m_bEditClosing) return;
    m_bEditClosing = TRUE;
    HWND hEdit = m_hEdit;
    m_hEdit = nullptr;
    ::DestroyWindow(hEdit);
    m_bEditClosing = FALSE;
    m_nEditIndex = -1;
    RebuildBackground(-1);
    Invalidate(FALSE);
}
