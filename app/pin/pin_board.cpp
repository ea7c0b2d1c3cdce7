#include "pin_board.h"

#include <objidl.h>
#include <gdiplus.h>

#include <algorithm>

#include "monitor_enum.h"
#include "pin_geometry.h"
#include "pin_window.h"

// A capture's 24-bit image is read as it lies, without GDI+ converting all
// of it to 32 bits first.
BOOL CPinBoard::LoadPicture(Gdiplus::GpImage* pImage, CMarkupSurface& picture) {
    using namespace Gdiplus::DllExports;
    Gdiplus::PixelFormat format = 0;
    UINT nWidth = 0, nHeight = 0;
    if (GdipGetImagePixelFormat(pImage, &format) != Gdiplus::Ok || format != PixelFormat24bppRGB ||
        GdipGetImageWidth(pImage, &nWidth) != Gdiplus::Ok || GdipGetImageHeight(pImage, &nHeight) != Gdiplus::Ok)
        return picture.LoadImage(pImage);
    if (!picture.Create((int)nWidth, (int)nHeight)) return FALSE;
    Gdiplus::GpRect rc(0, 0, (INT)nWidth, (INT)nHeight);
    Gdiplus::BitmapData data = {};
    Gdiplus::GpBitmap* pBitmap = static_cast<Gdiplus::GpBitmap*>(pImage);
    if (GdipBitmapLockBits(pBitmap, &rc, Gdiplus::ImageLockModeRead, PixelFormat24bppRGB, &data) != Gdiplus::Ok) {
        picture.Free();
        return FALSE;
    }
    for (UINT y = 0; y < nHeight; ++y) {
        const BYTE* pSrc = static_cast<const BYTE*>(data.Scan0) + (ptrdiff_t)y * data.Stride;
        uint32_t* pDst = picture.Row((int)y);
        for (UINT x = 0; x < nWidth; ++x, pSrc += 3)
            pDst[x] = (uint32_t)pSrc[0] | ((uint32_t)pSrc[1] << 8) | ((uint32_t)pSrc[2] << 16);
    }
    GdipBitmapUnlockBits(pBitmap, &data);
    return TRUE;
}

CPinBoard::CPinBoard() : m_pCore(nullptr), m_hClipboardOwner(nullptr) {}

CPinBoard::~CPinBoard() {
    // Kapto ends: every pin goes, a busy one too (its dialog is gone with
    // the program's loop by now).
    const std::vector<CPinWnd*> pins = m_pins;
    for (CPinWnd* pPin : pins)
        pPin->DestroyWindow();
    DeleteDiscarded();
}

BOOL CPinBoard::Pin(Gdiplus::GpImage* pImage, const KpCaptureInfo& info) {
    const CRect& rcCaptured = info.rcScreen;
    DeleteDiscarded();
    CMarkupSurface image;
    if (pImage == nullptr || !LoadPicture(pImage, image)) return FALSE;
    // The monitor the pixels came from; for an image from elsewhere, the
    // one the user is looking at.
    CKpMonitorLayout layout;
    KpGetMonitorLayout(layout);
    int nMonitor = -1;
    if (rcCaptured.IsRectEmpty()) {
        POINT pt = {0, 0};
        ::GetCursorPos(&pt);
        nMonitor = layout.Nearest(pt);
    } else {
        nMonitor = layout.FromRect(rcCaptured);
    }
    const CRect rcArea = nMonitor >= 0 ? layout.GetMonitor(nMonitor).rcWork : CRect();
    const kppin::Placement place = kppin::PlacePin(CSize(image.Width(), image.Height()), rcCaptured, rcArea);
    CPinWnd* pPin = CPinWnd::Open(*this, image, info, place.rc, place.nZoom);
    if (pPin == nullptr) return FALSE;
    m_pins.push_back(pPin);
    return TRUE;
}

HWND CPinBoard::GetOwner() {
    if (m_wndOwner.GetSafeHwnd() == nullptr)
        m_wndOwner.CreateEx(WS_EX_TOOLWINDOW, AfxRegisterWndClass(0), "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr);
    return m_wndOwner.GetSafeHwnd();
}

void CPinBoard::CloseAll() {
    const std::vector<CPinWnd*> pins = m_pins;
    for (CPinWnd* pPin : pins) {
        if (!pPin->IsBusy()) pPin->DestroyWindow();
    }
    DeleteDiscarded();
}

CMarkupSurface* CPinBoard::Scratch(int nWidth, int nHeight) {
    if (m_scratch.Width() < nWidth || m_scratch.Height() < nHeight) {
        if (!m_scratch.Create(std::max(nWidth, m_scratch.Width()), std::max(nHeight, m_scratch.Height())))
            return nullptr;
    }
    return &m_scratch;
}

void CPinBoard::Remove(CPinWnd* pPin, BOOL bDiscard) {
    m_pins.erase(std::remove(m_pins.begin(), m_pins.end(), pPin), m_pins.end());
    if (bDiscard) m_discarded.push_back(pPin);
    if (m_pins.empty()) m_scratch.Free();
}

void CPinBoard::DeleteDiscarded() {
    for (CPinWnd* pPin : m_discarded)
        delete pPin;
    m_discarded.clear();
}
