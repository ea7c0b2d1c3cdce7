// The thumbnail view: the engine's thumbnail on white inside the view's
// frame, or the placeholder picture when there is no image; the same picture
// onto a printed page.
#include "kapto_dlg.h"

#include "framework/print_dialog.h"
#include "framework/scoped_handles.h"
#include "res/resource.h"

using namespace Gdiplus::DllExports;

namespace {

// The print and page-setup dialogs: no selection, no page numbers, copies
// and collation kept in the printer's settings, no "print to file".
const DWORD kPrintFlags = PD_NOSELECTION | PD_NOPAGENUMS | PD_USEDEVMODECOPIESANDCOLLATE | PD_HIDEPRINTTOFILE;

// The part of the placeholder bitmap that is the picture.
const int kPlaceholderWidth = 356;
const int kPlaceholderHeight = 240;

const char kPrintDocName[] = "Kapto";

}  // namespace

void CKaptoDlg::OnPaint() {
    if (IsIconic()) {
        CPaintDC dc(this);
        SendMessage(WM_ICONERASEBKGND, (WPARAM)dc.GetSafeHdc(), 0);
        CRect rect;
        GetClientRect(&rect);
        int x = (rect.Width() - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
        int y = (rect.Height() - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
        dc.DrawIcon(x, y, m_hIcon);
    } else {
        CDialog::OnPaint();
        DrawView(FALSE);
    }
}

void CKaptoDlg::DrawView(BOOL bPrint) {
    if (m_wndView.GetSafeHwnd() == nullptr) return;
    if (!bPrint) {
        kfw::ScopedGetDC dc(m_wndView.GetSafeHwnd());
        if (dc.get() != nullptr) PaintView(dc);
        return;
    }

    // Cancelled, no printer, or a job the spooler refuses: nothing printed,
    // nothing said. The dialog object keeps (and in the end deletes) the
    // printer's context.
    CPrintDialog dlgPrint(FALSE, kPrintFlags);
    if (dlgPrint.DoModal() != IDOK) return;
    HDC hdcPrinter = dlgPrint.GetPrinterDC();
    if (hdcPrinter == nullptr) return;
    DOCINFOA docInfo = {};
    docInfo.cbSize = sizeof(docInfo);
    docInfo.lpszDocName = kPrintDocName;
    if (::StartDocA(hdcPrinter, &docInfo) < 1) return;
    if (::StartPage(hdcPrinter) <= 0) {
        ::AbortDoc(hdcPrinter);
        return;
    }
    // One logical unit is one printer pixel: the picture comes out at the
    // view's pixel size at the top-left of the printable area.
    ::SetMapMode(hdcPrinter, MM_TEXT);
    PaintView(hdcPrinter);
    ::EndPage(hdcPrinter);
    ::EndDoc(hdcPrinter);
}

void CKaptoDlg::PaintView(HDC hdc) {
    // The view's on-screen size, also on paper.
    CRect rect;
    m_wndView.GetClientRect(&rect);

    if (m_core.GetImage() != nullptr) {
        kfw::ScopedGpGraphics graphics;
        if (GdipCreateFromHDC(hdc, graphics.out()) != Gdiplus::Ok || graphics.get() == nullptr) return;
        // Pixels on every device: a printer's default unit would be 1/100 inch.
        GdipSetPageUnit(graphics.get(), Gdiplus::UnitPixel);
        int x = 0;
        int y = 0;
        Gdiplus::GpImage* pThumb = m_core.GetThubImage(x, y);
        if (pThumb == nullptr) return;
        // White inside the view's one-pixel frame, then the thumbnail at the
        // engine's position and its own size.
        rect.DeflateRect(1, 1);
        kfw::ScopedGpBrush brush;
        if (GdipCreateSolidFill(0xFFFFFFFF, brush.out<Gdiplus::GpSolidFill>()) == Gdiplus::Ok)
            GdipFillRectangleI(graphics.get(), brush.get(), rect.left, rect.top, rect.Width(), rect.Height());
        UINT nWidth = 0;
        UINT nHeight = 0;
        GdipGetImageWidth(pThumb, &nWidth);
        GdipGetImageHeight(pThumb, &nHeight);
        GdipDrawImageRectI(graphics.get(), pThumb, x, y, (INT)nWidth, (INT)nHeight);
        return;
    }

    // No image: the placeholder over the whole view, one pixel beyond it.
    kfw::ScopedMemDC dcMem(hdc);
    kfw::ScopedSelect select(dcMem, m_hPlaceholder);
    if (!select.ok()) return;
    ::StretchBlt(hdc, 0, 0, rect.Width() + 1, rect.Height() + 1, dcMem, 0, 0, kPlaceholderWidth, kPlaceholderHeight,
                 SRCCOPY);
}

void CKaptoDlg::OnFilePrint() { DrawView(TRUE); }

void CKaptoDlg::OnFilePageSetup() {
    // Nothing of the choice is kept: each print asks afresh.
    CPrintDialog dlgSetup(TRUE, kPrintFlags);
    dlgSetup.DoModal();
}
