// The markup window: a resizable window on template IDD_MARKUP with a tool
// bar (tools, colour swatches, undo, zoom), the line width and text size,
// 完成 and 取消, and the canvas. 完成 makes the image with its marks the
// engine's current image; 取消 leaves the current image as it was.
#pragma once

#include "framework/dialog.h"

#include <commctrl.h>
#include "kp_core.h"
#include "markup_canvas.h"

class CMarkupDlg : public CDialog {
public:
    // image: the pixels to mark up (copied); pCore: where 完成 puts the result.
    CMarkupDlg(CWnd* pParent, CKpCore* pCore, const CMarkupSurface& image);

    CMarkupCanvas m_wndCanvas;
    BOOL m_bReplaced;  // 完成 made the marked image the current image

    // The eight swatches, in tool-bar order.
    static const COLORREF kSwatches[8];

protected:
    DECLARE_MESSAGE_MAP()

    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    // The keys of the window (Ctrl+Z, Ctrl+Y, Ctrl+C, Del), Enter and Esc
    // while a text is typed, and the wheel for the canvas.
    BOOL PreTranslateMessage(MSG* pMsg) override;

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

    CKpCore* m_pCore;               // not owned
    const CMarkupSurface& m_image;  // not owned: the caller's, alive while the window runs
    HWND m_hToolBar;                // a child: destroyed with the window
    HIMAGELIST m_hSwatchImages;     // owned: destroyed in OnDestroy
    int m_nToolBarHeight;
};

// Opens the markup window on the engine's current image, modally over
// pParent, and holds a modal scope for its whole life. TRUE when 完成 made
// the marked image the current one; FALSE when there is no image, it cannot
// be read, or the user cancelled.
BOOL RunMarkupWindow(CWnd* pParent, CKpCore& core);
