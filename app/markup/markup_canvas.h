// The markup window's canvas: the image at a zoom with its top-left corner
// at the client's (0, 0) less the scroll position, the marks as objects over
// it, and the mouse work that makes, selects, moves and resizes them, with
// undo as far back as its memory allows. While a mark is dragged only the area it covers before
// and after the move is repainted, over a cached picture of the image
// flattened with all the other marks.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "framework/wnd.h"
#include "markup_marks.h"

// One tool: its command, the kind of mark it leaves (-1: the select tool
// leaves none) and its tool-bar button's text.
struct MarkupTool {
    UINT nCommand;
    int nKind;
    const char* pszLabel;
};
const int kMarkupToolCount = 12;
extern const MarkupTool kMarkupTools[kMarkupToolCount];

class CMarkupCanvas : public CWnd {
public:
    CMarkupCanvas();
    ~CMarkupCanvas() override;

    // The child window on pParent; the image's pixels are copied.
    BOOL Create(CWnd* pParent, UINT nID, const CMarkupSurface& image);

    // The tool: one of the tool commands (select, arrow ... crop).
    void SetTool(UINT nTool);
    UINT GetTool() const { return m_nTool; }
    // Colour, width and text size for the next marks and the selected one.
    void SetColor(COLORREF clr);
    COLORREF GetColor() const { return m_clr; }
    void SetLineWidth(int nWidth);
    int GetLineWidth() const { return m_nWidth; }
    void SetTextSize(int nSize);
    int GetTextSize() const { return m_nTextSize; }
    void SetFontFace(const std::string& strFace) { m_strFace = strFace; }

    // Zoom in percent; Fit: the whole image in the client, never above 100.
    void SetZoom(int nZoom);
    int GetZoom() const { return m_nZoom; }
    void ZoomToFit();
    void ZoomStep(int nSteps);

    const MarkupMarks& GetMarks() const { return m_marks; }
    BOOL CanUndo() const { return m_nDone > 0; }
    BOOL CanRedo() const { return m_nDone < m_history.size(); }
    void Undo();
    void Redo();
    // Undo keeps each step's change (the marks it replaced and those it put
    // in), within this many bytes: the oldest steps done go first, the last
    // one always stays.
    enum : size_t { kDefaultHistoryLimit = 64u << 20 };
    void SetHistoryLimit(size_t nBytes);
    size_t GetHistoryBytes() const { return m_nHistoryBytes; }
    // Removes the selected mark; FALSE when none is selected.
    BOOL DeleteSelection();
    int GetSelection() const { return m_nSelected; }
    // The image with every mark; FALSE when it cannot be made.
    BOOL Flatten(CMarkupSurface& result);

    // The text being typed in place, if any.
    BOOL IsEditingText() const { return m_hEdit != nullptr; }
    HWND GetTextEdit() const { return m_hEdit; }
    void CommitTextEdit();
    void CancelTextEdit();

protected:
    DECLARE_MESSAGE_MAP()

    void OnPaint();
    BOOL OnEraseBkgnd(CDC* pDC);
    void OnSize(UINT nType, int cx, int cy);
    void OnLButtonDown(UINT nFlags, CPoint point);
    void OnMouseMove(UINT nFlags, CPoint point);
    void OnLButtonUp(UINT nFlags, CPoint point);
    void OnLButtonDblClk(UINT nFlags, CPoint point);
    void OnCaptureChanged(CWnd* pWnd);
    BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);
    LRESULT OnHScroll(WPARAM wParam, LPARAM lParam);
    LRESULT OnVScroll(WPARAM wParam, LPARAM lParam);
    LRESULT OnMouseWheel(WPARAM wParam, LPARAM lParam);
    LRESULT OnCtlColorEdit(WPARAM wParam, LPARAM lParam);
    void OnEditKillFocus();

private:
    enum DragMode { DragNone, DragNew, DragMove, DragHandle };

    POINT ToImage(POINT ptClient) const;
    RECT ToClient(const RECT& rcImage) const;
    // The marks become marks (a new step of the history), the picture
    // follows. bAppended: marks is the current marks and one more at the
    // end, which is drawn onto the cached picture rather than rebuilding it.
    void Commit(const MarkupMarks& marks, BOOL bAppended = FALSE);
    // The cached picture: every mark but the one at nSkip (the one moving).
    void RebuildBackground(int nSkip);
    void InvalidateImageRect(const RECT& rcImage);
    void UpdateScrollBars();
    void ScrollTo(int x, int y);
    // A scroll bar's code (SB_LINEUP ...) on the bar SB_HORZ or SB_VERT.
    void OnScroll(int nBar, UINT nCode);
    void StartTextEdit(POINT ptImage, int nIndex);
    // The selected mark's handle at the point (an index into MarkHandles), or -1.
    int HandleAt(POINT ptImage) const;
    // Overlays on the picture of rcImage (scratch's origin): the selection and the crop.
    void DrawOverlays(CMarkupSurface& scratch, const RECT& rcImage);

    CMarkupSurface m_base;        // the image as it came
    CMarkupSurface m_background;  // m_base with every mark but m_nMoving
    CMarkupSurface m_scratch;     // the picture of one repaint
    MarkupMarks m_marks;
    // One step: the marks from nAt on that were removed, and those put there.
    struct Change {
        size_t nAt;
        MarkupMarks removed;
        MarkupMarks inserted;
        size_t nBytes;
    };
    // Replaces m_marks[nAt, nAt + from.size()) with to.
    void Replace(size_t nAt, const MarkupMarks& from, const MarkupMarks& to);
    std::deque<Change> m_history;  // oldest first; the first m_nDone are done, the rest undone
    size_t m_nDone;
    size_t m_nHistoryBytes;
    size_t m_nHistoryLimit;

    UINT m_nTool;
    COLORREF m_clr;
    int m_nWidth;
    int m_nTextSize;
    std::string m_strFace;
    int m_nZoom;
    POINT m_ptScroll;  // client pixels of the zoomed image scrolled out at the left and top

    int m_nSelected;  // index into m_marks, or -1
    DragMode m_nDrag;
    int m_nMoving;          // the mark left out of the background while dragged, or -1
    MarkupMark m_active;    // the mark being drawn or moved
    int m_nHandle;          // DragHandle: the index of the handle in MarkHandles
    POINT m_ptDragStart;    // image pixels
    MarkupMark m_original;  // the moved mark as it was

    HWND m_hEdit;       // owned: the text typed in place, a child of the canvas
    HFONT m_hEditFont;  // owned
    int m_nEditIndex;   // the text mark edited, or -1 for a new one
    POINT m_ptEdit;     // image pixels
    BOOL m_bEditClosing;
};
