// The markup window: a resizable window on template IDD_MARKUP with a tool
// bar (tools, colour swatches, undo, zoom), the line width and text size,
// 完成 and 取消, and the canvas. 完成 makes the image with its marks the
// engine's current image; 取消 leaves the current image as it was.
#pragma once

#include "framework/dialog.h"

#include <commctrl.h>

#include <vector>

#include "kp_core.h"
#include "markup_canvas.h"

class CMarkupDlg : public CDialog {
public:
    // image: the pixels to mark up (copied); pCore: where 完成 puts the result.
    CMarkupDlg(CWnd* pParent, CKpCore* pCore, const CMarkupSurface& image);

    CMarkupCanvas m_wndCanvas;
    BOOL m_bReplaced;  // 完成 made the marked image the current image

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

    CKpCore* m_pCore;               // not owned
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

// Opens the markup window on the engine's current image, modally over
// pParent, and holds a modal scope for its whole life. TRUE when 完成 made
// the marked image the current one; FALSE when there is no image, it cannot
// be read, or the user cancelled.
BOOL RunMarkupWindow(CWnd* pParent, CKpCore& core);
