#include "markup_dlg.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <cstring>

#include "framework/app.h"
#include "framework/message_loop.h"
#include "framework/scoped_handles.h"
#include "monitor_enum.h"
#include "res/resource.h"

BEGIN_MESSAGE_MAP(CMarkupDlg, CDialog)
    ON_WM_SIZE()
    ON_WM_GETMINMAXINFO()
    ON_WM_DESTROY()
    ON_MESSAGE(WM_DISPLAYCHANGE, &CMarkupDlg::OnDisplayChange)
    ON_MESSAGE(WM_DPICHANGED, &CMarkupDlg::OnDpiChanged)
    ON_COMMAND_RANGE(ID_MARKUP_ARROW, ID_MARKUP_COVER, &CMarkupDlg::OnTool)
    ON_COMMAND_RANGE(ID_MARKUP_SWATCH_FIRST, ID_MARKUP_SWATCH_LAST, &CMarkupDlg::OnSwatch)
    ON_COMMAND(ID_MARKUP_COLOR, &CMarkupDlg::OnChooseColor)
    ON_COMMAND(ID_MARKUP_UNDO, &CMarkupDlg::OnUndo)
    ON_COMMAND(ID_MARKUP_REDO, &CMarkupDlg::OnRedo)
    ON_COMMAND(ID_MARKUP_FIT, &CMarkupDlg::OnFit)
    ON_COMMAND(ID_MARKUP_ACTUAL_SIZE, &CMarkupDlg::OnActualSize)
    ON_COMMAND(ID_MARKUP_COPY, &CMarkupDlg::OnCopy)
    ON_COMMAND(ID_MARKUP_DELETE, &CMarkupDlg::OnDelete)
    ON_CBN_SELCHANGE(IDC_MARKUP_WIDTH, &CMarkupDlg::OnWidthChange)
    ON_CBN_SELCHANGE(IDC_MARKUP_TEXTSIZE, &CMarkupDlg::OnTextSizeChange)
END_MESSAGE_MAP()

namespace {

const int kMaxLineWidth = 16;
const int kTextSizes[] = {12, 14, 16, 18, 20, 24, 28, 32, 36, 48, 64, 72};
const int kDefaultTextSize = 24;
const int kSwatchSize = 16;
const int kGap = 4;  // pixels between the rows and the controls
const SIZE kMinClient = {640, 360};

// The tool bar's buttons after the tools and the swatches (0: a separator).
struct TextButton {
    UINT nCommand;
    const char* pszText;
    const char* pszTip;
};
const TextButton kTextButtons[] = {
    {ID_MARKUP_COLOR, "其他颜色...", "其他颜色"},
    {0, nullptr, nullptr},
    {ID_MARKUP_UNDO, "撤销", "撤销 (Ctrl+Z)"},
    {ID_MARKUP_REDO, "重做", "重做 (Ctrl+Y)"},
    {0, nullptr, nullptr},
    {ID_MARKUP_FIT, "适应窗口", "适应窗口：显示整个图像"},
    {ID_MARKUP_ACTUAL_SIZE, "100%", "实际大小 (100%)"},
};

const char kDiscardMarks[] = "放弃所做的标注吗？";
const char kCannotFinish[] = "无法完成标注：内存不足。\n当前的图像保持不变。";
const char kCannotRead[] = "无法读取当前的图像，不能标注。";
const char kClipboardBusy[] = "无法把图像复制到剪贴板：剪贴板正被其他程序占用，请稍后再试。";

TBBUTTON MakeButton(int nImage, UINT nCommand, BYTE fsStyle, const char* pszText) {
    TBBUTTON b = {};
    b.iBitmap = nImage;
    b.idCommand = (int)nCommand;
    b.fsState = TBSTATE_ENABLED;
    b.fsStyle = fsStyle;
    b.iString = pszText != nullptr ? (INT_PTR)pszText : -1;
    return b;
}

// The pixels as a bottom-up 24-bit DIB on the clipboard (the system makes
// the bitmap formats from it).
BOOL CopyToClipboard(HWND hOwner, const CMarkupSurface& surface) {
    int w = surface.Width(), h = surface.Height();
    size_t nStride = ((size_t)w * 3 + 3) & ~(size_t)3;
    size_t nSize = sizeof(BITMAPINFOHEADER) + nStride * h;
    HGLOBAL hMem = ::GlobalAlloc(GMEM_MOVEABLE, nSize);
    if (hMem == nullptr) return FALSE;
    BYTE* p = static_cast<BYTE*>(::GlobalLock(hMem));
    BITMAPINFOHEADER* pHeader = reinterpret_cast<BITMAPINFOHEADER*>(p);
    std::memset(pHeader, 0, sizeof(*pHeader));
    pHeader->biSize = sizeof(*pHeader);
    pHeader->biWidth = w;
    pHeader->biHeight = h;
    pHeader->biPlanes = 1;
    pHeader->biBitCount = 24;
    pHeader->biCompression = BI_RGB;
    pHeader->biSizeImage = (DWORD)(nStride * h);
    ::GdiFlush();
    for (int y = 0; y < h; ++y) {
        BYTE* pDst = p + sizeof(BITMAPINFOHEADER) + nStride * (h - 1 - y);
        const uint32_t* pSrc = surface.Row(y);
        for (int x = 0; x < w; ++x) {
            pDst[3 * x] = (BYTE)pSrc[x];
            pDst[3 * x + 1] = (BYTE)(pSrc[x] >> 8);
            pDst[3 * x + 2] = (BYTE)(pSrc[x] >> 16);
        }
    }
    ::GlobalUnlock(hMem);
    kfw::ScopedClipboard clipboard(hOwner);
    if (!clipboard.IsOpen()) {
        ::GlobalFree(hMem);
        return FALSE;
    }
    ::EmptyClipboard();
    if (::SetClipboardData(CF_DIB, hMem) == nullptr) {
        ::GlobalFree(hMem);
        return FALSE;
    }
    return TRUE;
}

}  // namespace

const CMarkupDlg::Swatch CMarkupDlg::kSwatches[8] = {
    {RGB(255, 0, 0), "红色"},   {RGB(255, 128, 0), "橙色"}, {RGB(255, 255, 0), "黄色"}, {RGB(0, 176, 80), "绿色"},
    {RGB(0, 112, 255), "蓝色"}, {RGB(160, 0, 255), "紫色"}, {RGB(0, 0, 0), "黑色"},     {RGB(255, 255, 255), "白色"},
};

CMarkupDlg::CMarkupDlg(CWnd* pParent, const CMarkupSurface& image)
    : CDialog(IDD_MARKUP, pParent),
      m_pResult(nullptr),
      m_image(image),
      m_hToolBar(nullptr),
      m_hSwatchImages(nullptr),
      m_nButtonHeight(0),
      m_nToolBarWidth(0) {}

CMarkupDlg::~CMarkupDlg() {
    if (m_pResult != nullptr) Gdiplus::DllExports::GdipDisposeImage(m_pResult);
}

Gdiplus::GpBitmap* CMarkupDlg::TakeResult() {
    Gdiplus::GpBitmap* p = m_pResult;
    m_pResult = nullptr;
    return p;
}

BOOL CMarkupDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    CreateToolBar();
    if (!m_wndCanvas.Create(this, IDC_MARKUP_CANVAS, m_image)) {
        AfxMessageBox(kCannotFinish, MB_OK | MB_ICONEXCLAMATION);
        EndDialog(IDCANCEL);
        return TRUE;
    }
    // Texts are drawn in the interface's own font.
    HFONT hFont = (HFONT)SendMessage(WM_GETFONT);
    LOGFONTA lf = {};
    if (hFont != nullptr && ::GetObjectA(hFont, sizeof(lf), &lf) != 0 && lf.lfFaceName[0] != '\0')
        m_wndCanvas.SetFontFace(lf.lfFaceName);

    HWND hWidth = ::GetDlgItem(m_hWnd, IDC_MARKUP_WIDTH);
    for (int i = 1; i <= kMaxLineWidth; ++i) {
        char sz[8];
        wsprintfA(sz, "%d", i);
        ::SendMessageA(hWidth, CB_ADDSTRING, 0, (LPARAM)sz);
    }
    ::SendMessageA(hWidth, CB_SETCURSEL, (WPARAM)(m_wndCanvas.GetLineWidth() - 1), 0);
    HWND hSize = ::GetDlgItem(m_hWnd, IDC_MARKUP_TEXTSIZE);
    for (int nSize : kTextSizes) {
        char sz[8];
        wsprintfA(sz, "%d", nSize);
        int n = (int)::SendMessageA(hSize, CB_ADDSTRING, 0, (LPARAM)sz);
        if (nSize == kDefaultTextSize) ::SendMessageA(hSize, CB_SETCURSEL, (WPARAM)n, 0);
    }
    m_wndCanvas.SetTextSize(kDefaultTextSize);
    OnTool(ID_MARKUP_RECT);
    ShowColor(m_wndCanvas.GetColor());

    // As large as the image needs, within the work area of the owner's screen.
    RECT rcWindow, rcClient;
    GetWindowRect(&rcWindow);
    GetClientRect(&rcClient);
    int nChromeX = (rcWindow.right - rcWindow.left) - rcClient.right;
    int nChromeY = (rcWindow.bottom - rcWindow.top) - rcClient.bottom;
    HWND hOwner = m_pParentWnd != nullptr ? m_pParentWnd->m_hWnd : nullptr;
    MONITORINFO mi = {};
    mi.cbSize = sizeof(mi);
    ::GetMonitorInfoA(::MonitorFromWindow(hOwner != nullptr ? hOwner : m_hWnd, MONITOR_DEFAULTTONEAREST), &mi);
    RECT rcWork = mi.rcWork;
    int nEdge = 2 * ::GetSystemMetrics(SM_CXEDGE) + ::GetSystemMetrics(SM_CXVSCROLL);
    // Wide enough for the whole tool bar in one row where the screen allows;
    // the rows it takes at that width set where the canvas starts.
    int cx = std::max({(int)kMinClient.cx, m_image.Width() + nEdge, m_nToolBarWidth}) + nChromeX;
    cx = std::min(cx, (int)(rcWork.right - rcWork.left));
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, cx, rcWindow.bottom - rcWindow.top, SWP_NOMOVE | SWP_NOZORDER);
    Layout();
    RECT rcCanvas;
    m_wndCanvas.GetWindowRect(&rcCanvas);
    ScreenToClient(&rcCanvas);
    int cy = std::max((int)kMinClient.cy, (int)rcCanvas.top + m_image.Height() + nEdge) + nChromeY;
    cy = std::min(cy, (int)(rcWork.bottom - rcWork.top));
    ::SetWindowPos(m_hWnd, nullptr, rcWork.left + (rcWork.right - rcWork.left - cx) / 2,
                   rcWork.top + (rcWork.bottom - rcWork.top - cy) / 2, cx, cy, SWP_NOZORDER);
    m_wndCanvas.SetFocus();
    return FALSE;  // the canvas has the focus
}

void CMarkupDlg::CreateToolBar() {
    m_hToolBar = ::CreateWindowExA(0, TOOLBARCLASSNAMEA, nullptr,
                                   WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_LIST | TBSTYLE_TOOLTIPS |
                                       CCS_NODIVIDER | CCS_NORESIZE | CCS_NOPARENTALIGN,
                                   0, 0, 100, 30, m_hWnd, (HMENU)(INT_PTR)IDC_MARKUP_TOOLBAR, nullptr, nullptr);
    if (m_hToolBar == nullptr) return;
    ::SendMessageA(m_hToolBar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    ::SendMessageA(m_hToolBar, WM_SETFONT, SendMessage(WM_GETFONT), FALSE);
    ::SendMessageA(m_hToolBar, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_MIXEDBUTTONS);

    // One solid square per swatch, framed in grey so white shows too.
    m_hSwatchImages = ImageList_Create(kSwatchSize, kSwatchSize, ILC_COLOR32, 8, 0);
    for (const Swatch& swatch : kSwatches) {
        CMarkupSurface square;
        if (!square.Create(kSwatchSize, kSwatchSize)) continue;
        RECT rc = {0, 0, kSwatchSize, kSwatchSize};
        kfw::ScopedBrush frame(::CreateSolidBrush(RGB(96, 96, 96)));
        kfw::ScopedBrush fill(::CreateSolidBrush(swatch.clr));
        ::FillRect(square.GetDC(), &rc, frame);
        ::InflateRect(&rc, -1, -1);
        ::FillRect(square.GetDC(), &rc, fill);
        ::GdiFlush();
        // The bitmap goes into the image list by copy: it must not be
        // selected into a DC meanwhile.
        kfw::ScopedBitmap copy((HBITMAP)::CopyImage(square.GetBitmap(), IMAGE_BITMAP, 0, 0, 0));
        ImageList_Add(m_hSwatchImages, copy, nullptr);
    }
    ::SendMessageA(m_hToolBar, TB_SETIMAGELIST, 0, (LPARAM)m_hSwatchImages);

    TBBUTTON buttons[kMarkupToolCount + 1 + 8 + 1 + sizeof(kTextButtons) / sizeof(kTextButtons[0])];
    int n = 0;
    for (const MarkupTool& tool : kMarkupTools)
        buttons[n++] =
            MakeButton(I_IMAGENONE, tool.nCommand, BTNS_CHECKGROUP | BTNS_AUTOSIZE | BTNS_SHOWTEXT, tool.pszLabel);
    buttons[n++] = MakeButton(0, 0, BTNS_SEP, nullptr);
    for (int i = 0; i < 8; ++i)
        buttons[n++] = MakeButton(i, ID_MARKUP_SWATCH_FIRST + i, BTNS_CHECKGROUP | BTNS_AUTOSIZE, nullptr);
    buttons[n++] = MakeButton(0, 0, BTNS_SEP, nullptr);
    for (const TextButton& b : kTextButtons)
        buttons[n++] = b.nCommand == 0 ? MakeButton(0, 0, BTNS_SEP, nullptr)
                                       : MakeButton(I_IMAGENONE, b.nCommand,
                                                    BTNS_BUTTON | BTNS_AUTOSIZE | BTNS_SHOWTEXT, b.pszText);
    ::SendMessageA(m_hToolBar, TB_ADDBUTTONSA, (WPARAM)n, (LPARAM)buttons);
    ::SendMessageA(m_hToolBar, TB_AUTOSIZE, 0, 0);
    DWORD dwSize = (DWORD)::SendMessageA(m_hToolBar, TB_GETBUTTONSIZE, 0, 0);
    m_nButtonHeight = HIWORD(dwSize);
    // Where each button is in one row, for wrapping it later.
    m_items.assign((size_t)n, ToolBarItem());
    for (int i = 0; i < n; ++i) {
        ::SendMessageA(m_hToolBar, TB_GETITEMRECT, (WPARAM)i, (LPARAM)&m_items[(size_t)i].rcOneRow);
        m_items[(size_t)i].bSeparator = (buttons[i].fsStyle & BTNS_SEP) != 0;
    }
    m_nToolBarWidth = n > 0 ? (int)m_items.back().rcOneRow.right + kGap : 0;
}

int CMarkupDlg::WrapToolBar(int nWidth) {
    if (m_hToolBar == nullptr || m_items.empty()) return 0;
    auto stateAt = [this](int i) {
        TBBUTTON b = {};
        ::SendMessageA(m_hToolBar, TB_GETBUTTON, (WPARAM)i, (LPARAM)&b);
        return b.fsState;
    };
    auto setStateAt = [this](int i, BYTE fsState) {
        TBBUTTONINFOA info = {};
        info.cbSize = sizeof(info);
        info.dwMask = TBIF_BYINDEX | TBIF_STATE;  // separators share one command
        info.fsState = fsState;
        ::SendMessageA(m_hToolBar, TB_SETBUTTONINFOA, (WPARAM)i, (LPARAM)&info);
    };
    // A group of buttons (tools, swatches, undo and redo...) that would pass
    // the right edge starts a row, and the separator before it goes; only a
    // group wider than a row breaks inside. The control's own wrapping
    // breaks inside groups and leaves rows half empty.
    int nCount = (int)m_items.size();
    std::vector<BYTE> rows((size_t)nCount, 0);  // TBSTATE_WRAP, TBSTATE_HIDDEN
    int nRowFirst = 0, nSeparator = -1;
    for (int i = 0; i < nCount; ++i) {
        if (m_items[(size_t)i].bSeparator) {
            nSeparator = i;
            continue;
        }
        if (i == nRowFirst || m_items[(size_t)i].rcOneRow.right - m_items[(size_t)nRowFirst].rcOneRow.left <= nWidth)
            continue;
        if (nSeparator > nRowFirst) {
            rows[(size_t)nSeparator - 1] |= TBSTATE_WRAP;
            rows[(size_t)nSeparator] |= TBSTATE_HIDDEN;
            nRowFirst = nSeparator + 1;
            --i;  // this button again, on the new row
        } else {
            rows[(size_t)i - 1] |= TBSTATE_WRAP;
            nRowFirst = i;
        }
        nSeparator = -1;
    }
    for (int i = 0; i < nCount; ++i)
        setStateAt(i, (BYTE)((stateAt(i) & ~(TBSTATE_WRAP | TBSTATE_HIDDEN)) | rows[(size_t)i]));
    ::SendMessageA(m_hToolBar, TB_AUTOSIZE, 0, 0);
    int nBottom = m_nButtonHeight;
    for (int i = 0; i < nCount; ++i) {
        RECT rc = {};
        if ((rows[(size_t)i] & TBSTATE_HIDDEN) == 0 &&
            ::SendMessageA(m_hToolBar, TB_GETITEMRECT, (WPARAM)i, (LPARAM)&rc))
            nBottom = std::max(nBottom, (int)rc.bottom);
    }
    return nBottom + 2;
}

void CMarkupDlg::Layout() {
    if (m_wndCanvas.GetSafeHwnd() == nullptr) return;
    RECT rc;
    GetClientRect(&rc);
    // A narrow window has the tool bar in more rows rather than cut off.
    int nBarHeight = WrapToolBar(rc.right);
    if (m_hToolBar != nullptr) ::MoveWindow(m_hToolBar, 0, 0, rc.right, nBarHeight, TRUE);
    // The row below: line width and text size at the left, 完成 and 取消 at the right.
    int y = nBarHeight + kGap;
    int nRowHeight = 0;
    int x = kGap;
    for (int nID : {IDC_MARKUP_WIDTH_LABEL, IDC_MARKUP_WIDTH, IDC_MARKUP_TEXTSIZE_LABEL, IDC_MARKUP_TEXTSIZE}) {
        HWND h = ::GetDlgItem(m_hWnd, nID);
        RECT rcItem;
        ::GetWindowRect(h, &rcItem);
        int cx = rcItem.right - rcItem.left, cy = rcItem.bottom - rcItem.top;
        bool bLabel = nID == IDC_MARKUP_WIDTH_LABEL || nID == IDC_MARKUP_TEXTSIZE_LABEL;
        if (!bLabel) nRowHeight = std::max(nRowHeight, cy);
        ::SetWindowPos(h, nullptr, x, bLabel ? y + 4 : y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        x += cx + kGap;
    }
    x = rc.right - kGap;
    for (int nID : {IDCANCEL, IDOK}) {
        HWND h = ::GetDlgItem(m_hWnd, nID);
        RECT rcItem;
        ::GetWindowRect(h, &rcItem);
        int cx = rcItem.right - rcItem.left;
        x -= cx;
        ::SetWindowPos(h, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        x -= kGap;
    }
    int nTop = y + nRowHeight + kGap;
    m_wndCanvas.MoveWindow(0, nTop, rc.right, std::max(0, (int)rc.bottom - nTop));
}

void CMarkupDlg::OnSize(UINT, int, int) { Layout(); }

void CMarkupDlg::OnGetMinMaxInfo(MINMAXINFO* lpMMI) {
    lpMMI->ptMinTrackSize.x = kMinClient.cx / 2;
    lpMMI->ptMinTrackSize.y = kMinClient.cy / 2;
}

void CMarkupDlg::OnDestroy() {
    CDialog::OnDestroy();
    if (m_hToolBar != nullptr) ::SendMessageA(m_hToolBar, TB_SETIMAGELIST, 0, 0);
    if (m_hSwatchImages != nullptr) ImageList_Destroy(m_hSwatchImages);
    m_hSwatchImages = nullptr;
}

// ---- Commands ------------------------------------------------------------------------

void CMarkupDlg::OnTool(UINT nID) {
    m_wndCanvas.SetTool(nID);
    if (m_hToolBar != nullptr) ::SendMessageA(m_hToolBar, TB_CHECKBUTTON, nID, TRUE);
}

void CMarkupDlg::ShowColor(COLORREF clr) {
    if (m_hToolBar == nullptr) return;
    for (int i = 0; i < 8; ++i)
        ::SendMessageA(m_hToolBar, TB_CHECKBUTTON, ID_MARKUP_SWATCH_FIRST + i, kSwatches[i].clr == clr);
}

void CMarkupDlg::OnSwatch(UINT nID) {
    m_wndCanvas.SetColor(kSwatches[nID - ID_MARKUP_SWATCH_FIRST].clr);
    ShowColor(m_wndCanvas.GetColor());
}

void CMarkupDlg::OnChooseColor() {
    static COLORREF s_custom[16];  // the dialog's own custom colours, for this run of the program
    CHOOSECOLORA cc = {};
    cc.lStructSize = sizeof(cc);
    cc.hwndOwner = m_hWnd;
    cc.rgbResult = m_wndCanvas.GetColor();
    cc.lpCustColors = s_custom;
    cc.Flags = CC_RGBINIT | CC_FULLOPEN;
    BOOL bChosen;
    {
        CModalScope modal;
        bChosen = ::ChooseColorA(&cc);
    }
    if (!bChosen) return;
    m_wndCanvas.SetColor(cc.rgbResult);
    ShowColor(cc.rgbResult);
}

void CMarkupDlg::OnUndo() { m_wndCanvas.Undo(); }

void CMarkupDlg::OnRedo() { m_wndCanvas.Redo(); }

void CMarkupDlg::OnFit() { m_wndCanvas.ZoomToFit(); }

void CMarkupDlg::OnActualSize() { m_wndCanvas.SetZoom(100); }

void CMarkupDlg::OnDelete() { m_wndCanvas.DeleteSelection(); }

void CMarkupDlg::OnCopy() {
    m_wndCanvas.CommitTextEdit();
    CMarkupSurface result;
    if (!m_wndCanvas.Flatten(result)) {
        AfxMessageBox(kCannotFinish, MB_OK | MB_ICONEXCLAMATION);
    } else if (!CopyToClipboard(m_hWnd, result)) {
        AfxMessageBox(kClipboardBusy, MB_OK | MB_ICONEXCLAMATION);
    }
}

void CMarkupDlg::OnWidthChange() {
    int n = (int)::SendDlgItemMessageA(m_hWnd, IDC_MARKUP_WIDTH, CB_GETCURSEL, 0, 0);
    if (n >= 0) m_wndCanvas.SetLineWidth(n + 1);
}

void CMarkupDlg::OnTextSizeChange() {
    int n = (int)::SendDlgItemMessageA(m_hWnd, IDC_MARKUP_TEXTSIZE, CB_GETCURSEL, 0, 0);
    if (n >= 0 && n < (int)(sizeof(kTextSizes) / sizeof(kTextSizes[0]))) m_wndCanvas.SetTextSize(kTextSizes[n]);
}

void CMarkupDlg::OnOK() {
    m_wndCanvas.CommitTextEdit();
    if (m_wndCanvas.GetMarks().empty()) {
        // Nothing to put on the image: it stays exactly as it is, file name and all.
        EndDialog(IDOK);
        return;
    }
    CMarkupSurface result;
    Gdiplus::GpBitmap* pImage = m_wndCanvas.Flatten(result) ? result.MakeImage() : nullptr;
    if (pImage == nullptr) {
        // The marks stay: the user may free memory and try again.
        AfxMessageBox(kCannotFinish, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    if (m_pResult != nullptr) Gdiplus::DllExports::GdipDisposeImage(m_pResult);
    m_pResult = pImage;
    EndDialog(IDOK);
}

void CMarkupDlg::OnCancel() {
    if (m_wndCanvas.IsEditingText()) m_wndCanvas.CancelTextEdit();
    if (!m_wndCanvas.GetMarks().empty() && AfxMessageBox(kDiscardMarks, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
    EndDialog(IDCANCEL);
}

BOOL CMarkupDlg::PreTranslateMessage(MSG* pMsg) {
    if (pMsg->message == WM_MOUSEWHEEL && m_wndCanvas.GetSafeHwnd() != nullptr) {
        // The wheel scrolls and zooms the canvas wherever the focus is,
        // rather than turning a combo box over.
        POINT pt = {(short)LOWORD(pMsg->lParam), (short)HIWORD(pMsg->lParam)};
        RECT rc;
        m_wndCanvas.GetWindowRect(&rc);
        if (::PtInRect(&rc, pt)) {
            m_wndCanvas.SendMessage(WM_MOUSEWHEEL, pMsg->wParam, pMsg->lParam);
            return TRUE;
        }
    }
    if (pMsg->message != WM_KEYDOWN) return CDialog::PreTranslateMessage(pMsg);
    UINT nKey = (UINT)pMsg->wParam;
    bool bCtrl = ::GetKeyState(VK_CONTROL) < 0;
    bool bShift = ::GetKeyState(VK_SHIFT) < 0;
    if (m_wndCanvas.IsEditingText() && pMsg->hwnd == m_wndCanvas.GetTextEdit()) {
        // Enter ends the text (Shift+Enter starts a new line), Esc drops it;
        // every other key is the edit's.
        if (nKey == VK_RETURN && !bShift) {
            m_wndCanvas.CommitTextEdit();
            m_wndCanvas.SetFocus();
            return TRUE;
        }
        if (nKey == VK_ESCAPE) {
            m_wndCanvas.CancelTextEdit();
            m_wndCanvas.SetFocus();
            return TRUE;
        }
        return FALSE;
    }
    struct Key {
        UINT nKey;
        bool bCtrl;
        UINT nCommand;
    };
    static const Key kKeys[] = {
        {'Z', true, ID_MARKUP_UNDO},
        {'Y', true, ID_MARKUP_REDO},
        {'C', true, ID_MARKUP_COPY},
        {VK_DELETE, false, ID_MARKUP_DELETE},
    };
    for (const Key& key : kKeys) {
        if (key.nKey == nKey && key.bCtrl == bCtrl) {
            SendMessage(WM_COMMAND, key.nCommand, 0);
            return TRUE;
        }
    }
    return CDialog::PreTranslateMessage(pMsg);
}

BOOL CMarkupDlg::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    NMHDR* pHeader = reinterpret_cast<NMHDR*>(lParam);
    HWND hTips = m_hToolBar != nullptr ? (HWND)::SendMessageA(m_hToolBar, TB_GETTOOLTIPS, 0, 0) : nullptr;
    bool bTip = pHeader->code == TTN_GETDISPINFOA || pHeader->code == TTN_GETDISPINFOW;
    if (!bTip || hTips == nullptr || pHeader->hwndFrom != hTips) return CDialog::OnNotify(wParam, lParam, pResult);
    // The tool's id is the button's command.
    UINT nCommand = (UINT)pHeader->idFrom;
    const char* pszTip = nullptr;
    for (const MarkupTool& tool : kMarkupTools) {
        if (tool.nCommand == nCommand) pszTip = tool.pszLabel;
    }
    if (nCommand >= ID_MARKUP_SWATCH_FIRST && nCommand <= ID_MARKUP_SWATCH_LAST)
        pszTip = kSwatches[nCommand - ID_MARKUP_SWATCH_FIRST].pszName;
    for (const TextButton& b : kTextButtons) {
        if (b.nCommand != 0 && b.nCommand == nCommand) pszTip = b.pszTip;
    }
    if (pszTip == nullptr) return CDialog::OnNotify(wParam, lParam, pResult);
    if (pHeader->code == TTN_GETDISPINFOA) {
        NMTTDISPINFOA* pInfo = reinterpret_cast<NMTTDISPINFOA*>(lParam);
        pInfo->hinst = nullptr;
        pInfo->lpszText = const_cast<char*>(pszTip);  // the table's, alive as long as the program
    } else {
        // Asked in UTF-16: the texts are in the program's code page, the system's ANSI one.
        NMTTDISPINFOW* pInfo = reinterpret_cast<NMTTDISPINFOW*>(lParam);
        pInfo->hinst = nullptr;
        const int nChars = (int)(sizeof(pInfo->szText) / sizeof(pInfo->szText[0]));
        ::MultiByteToWideChar(CP_ACP, 0, pszTip, -1, pInfo->szText, nChars);
        pInfo->szText[nChars - 1] = L'\0';
        pInfo->lpszText = pInfo->szText;
    }
    *pResult = 0;
    return TRUE;
}

// ---- Running it ---------------------------------------------------------------------

Gdiplus::GpBitmap* RunMarkupWindow(CWnd* pParent, Gdiplus::GpImage* pImage) {
    // A capture or an open meanwhile would pull the image from under the window.
    CModalScope modal;
    CMarkupSurface image;
    if (pImage == nullptr) return nullptr;
    if (!image.LoadImage(pImage)) {
        AfxMessageBox(kCannotRead, MB_OK | MB_ICONEXCLAMATION);
        return nullptr;
    }
    CMarkupDlg dlg(pParent, image);
    dlg.DoModal();
    return dlg.TakeResult();
}

LRESULT CMarkupDlg::OnDisplayChange(WPARAM, LPARAM) {
    KpKeepWindowOnMonitors(m_hWnd);
    return 0;
}

LRESULT CMarkupDlg::OnDpiChanged(WPARAM, LPARAM lParam) {
    // The new size lays the bars and the canvas out again (OnSize).
    KpTakeSuggestedRect(m_hWnd, lParam);
    return 0;
}
