// The markup window: a resizable window on template IDD_MARKUP with a tool
// bar (tools, colour swatches, undo, zoom), the line width and text size,
// 完成 and 取消, and the canvas. It works on a copy of an image and hands
// the image with its marks back to whoever opened it (RunMarkupWindow).
#pragma once

#include "framework/dialog.h"

#include <commctrl.h>

#include <vector>

#include "markup_canvas.h"

class CMarkupDlg : public CDialog {
public:
    // image: the pixels to mark up (copied by the canvas).
    CMarkupDlg(CWnd* pParent, const CMarkupSurface& image);
    ~CMarkupDlg() override;

    // The image with its marks after 完成 with marks (the caller owns it
    // from then on); null after 取消 or 完成 without a mark.
    Gdiplus::GpBitmap* TakeResult();

    CMarkupCanvas m_wndCanvas;

    // The eight swatches, in tool-bar order, and their tips.
    struct Swatch {
        COLORREF clr;
        const char* pszName;
    };
    static const Swatch kSwatches[8];

protected:
    DECLARE_MESSAGE_MAP()

    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    // The keys of the window (Ctrl+Z, Ctrl+Y, Ctrl+C, Del), Enter and Esc
    // while a text is typed, and the wheel for the canvas.
    BOOL PreTranslateMessage(MSG* pMsg) override;
    // The tool bar's tips.
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

    void OnSize(UINT nType, int cx, int cy);
    void OnGetMinMaxInfo(MINMAXINFO* lpMMI);
    void OnDestroy();
    // Monitors changed or rescaled: the window stays on one that is there.
    LRESULT OnDisplayChange(WPARAM wParam, LPARAM lParam);
    LRESULT OnDpiChanged(WPARAM wParam, LPARAM lParam);
    void OnTool(UINT nID);
    void OnSwatch(UINT nID);
    void OnChooseColor();
    void OnUndo();
    void OnRedo();
    void OnFit();
    void OnActualSize();
    void OnCopy();
    void OnDelete();
    void OnWidthChange();
    void OnTextSizeChange();

private:
    void CreateToolBar();
    void ShowColor(COLORREF clr);
    void Layout();
    // The tool bar wrapped to nWidth: the height of its rows.
    int WrapToolBar(int nWidth);

    Gdiplus::GpBitmap* m_pResult;   // owned until taken
    const CMarkupSurface& m_image;  // not owned: the caller's, alive while the window runs
    HWND m_hToolBar;                // a child: destroyed with the window
    HIMAGELIST m_hSwatchImages;     // owned: destroyed in OnDestroy
    int m_nButtonHeight;            // one row of the tool bar
    int m_nToolBarWidth;            // the tool bar in one row
    struct ToolBarItem {
        RECT rcOneRow = {0, 0, 0, 0};  // where it is with the whole tool bar in one row
        bool bSeparator = false;
    };
    std::vector<ToolBarItem> m_items;  // the tool bar's buttons, by index
};

// The way in: opens the markup window modally over pParent on pImage (not
// owned: only read, never changed or kept) and holds a modal scope for the
// window's whole life, so that no capture or open runs meanwhile. Returns
// the image with its marks, a new 24-bit GDI+ bitmap the caller owns (free
// it with GdipDisposeImage), once the user pressed 完成 with at least one
// mark; null when the user cancelled, finished without a mark, or pImage
// could not be read (the user has been told then).
Gdiplus::GpBitmap* RunMarkupWindow(CWnd* pParent, Gdiplus::GpImage* pImage);
