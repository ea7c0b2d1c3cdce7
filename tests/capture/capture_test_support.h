// Shared pieces of the capture engine tests: the settings file guard, the
// program's stand-in windows, a window of known colours, and pixel access
// to GDI+ images and GDI bitmaps.
#pragma once

#include "framework/wnd.h"
#include "kp_config.h"
#include "kp_core.h"
#include "support/config_file_guard.h"
#include "support/desktop.h"
#include "support/message_pump.h"
#include "support/temp_files.h"
#include "support/top_down_dib.h"

#include <objidl.h>
#include <gdiplus.h>

#include <gtest/gtest.h>

#include <stdio.h>
#include <string>
#include <vector>

namespace captest {

using namespace Gdiplus::DllExports;

using kptest::PumpMessages;

// Wine's GIF encoder reports success for a 24-bit image but writes a
// header without pixels; Windows' converts it to a palette. Checks that
// need a readable GIF are made on Windows only.
using kptest::RunningUnderWine;

// Creates regions until the system refuses, frees them, and returns how
// many could be made.
inline int GdiHeadroom() {
    std::vector<HRGN> regions;
    regions.reserve(70000);
    for (;;) {
        HRGN h = ::CreateRectRgn(0, 0, 1, 1);
        if (h == nullptr) break;
        regions.push_back(h);
        if (regions.size() >= 200000) break;  // no limit in sight: stop anyway
    }
    for (HRGN h : regions)
        ::DeleteObject(h);
    return (int)regions.size();
}

using kptest::FileExists;
using kptest::ReadBytes;
using kptest::WriteBytes;

inline std::string TempPath() { return kptest::TempRoot(); }
inline std::string TempDir(const char* pszName) { return kptest::NamedTempDir(pszName); }

using kptest::ConfigFileGuard;

// The settings the engine will load: no start-up capture, no delay, no
// sound, no hiding, unless the test says otherwise.
struct StartSettings {
    int bSnapOnStart = 0;
    unsigned int nDelay = 0;
    int bSound = 0;
    int bHide = 0;
    int nSnapMode = 0;
};

inline void WriteSettings(const StartSettings& s) {
    CKpConfig config;
    config.SetSnapOnStart(s.bSnapOnStart);
    config.SetSnapDelayTime(s.nDelay);
    config.SetPlaySnapSound(s.bSound);
    config.SetHideMainWnd(s.bHide);
    config.SetSnapMode(s.nSnapMode);
    config.SaveConfig();
}

// The program's main window: records the show and hide requests it gets and
// can run a callback when it is hidden (to act in the middle of a capture).
class CTestMainWnd : public CWnd {
public:
    int m_nHidden = 0;
    int m_nShown = 0;
    void (*m_pfnOnHide)(void*) = nullptr;
    void* m_pHideArg = nullptr;

    BOOL CreateAt(int x, int y, int cx, int cy) {
        return CreateEx(0, AfxRegisterWndClass(0, nullptr, (HBRUSH)::GetStockObject(WHITE_BRUSH)), "kapto test main",
                        WS_POPUP | WS_VISIBLE, x, y, cx, cy, nullptr, nullptr);
    }
    void OnShowWindow(BOOL bShow, UINT) {
        if (bShow) {
            ++m_nShown;
        } else {
            ++m_nHidden;
            if (m_pfnOnHide != nullptr) m_pfnOnHide(m_pHideArg);
        }
        Default();
    }

    DECLARE_MESSAGE_MAP()
};

// The thumbnail view: a child whose client area is cx x cy.
inline BOOL CreateView(CWnd& view, CWnd& parent, int cx, int cy) {
    return view.CreateEx(0, AfxRegisterWndClass(0), nullptr, WS_CHILD | WS_VISIBLE, 0, 0, cx, cy, parent.m_hWnd,
                         (HMENU)1005);
}

// A topmost window painted in vertical bands of known colours.
class CColourBands : public CWnd {
public:
    std::vector<COLORREF> m_bands;
    int m_nBandWidth = 0;

    BOOL CreateAt(int x, int y, int nBandWidth, int nHeight, const std::vector<COLORREF>& bands,
                  DWORD dwExStyle = WS_EX_TOPMOST) {
        m_bands = bands;
        m_nBandWidth = nBandWidth;
        return CreateEx(dwExStyle | WS_EX_TOOLWINDOW, AfxRegisterWndClass(0), "kapto test colours",
                        WS_POPUP | WS_VISIBLE, x, y, nBandWidth * (int)bands.size(), nHeight, nullptr, nullptr);
    }
    void OnPaint() {
        PAINTSTRUCT ps;
        HDC hdc = ::BeginPaint(m_hWnd, &ps);
        RECT rc;
        ::GetClientRect(m_hWnd, &rc);
        for (size_t i = 0; i < m_bands.size(); ++i) {
            RECT band = {(LONG)(i * m_nBandWidth), 0, (LONG)((i + 1) * m_nBandWidth), rc.bottom};
            HBRUSH hBrush = ::CreateSolidBrush(m_bands[i]);
            ::FillRect(hdc, &band, hBrush);
            ::DeleteObject(hBrush);
        }
        ::EndPaint(m_hWnd, &ps);
    }
    BOOL OnEraseBkgnd(CDC*) { return TRUE; }

    DECLARE_MESSAGE_MAP()
};

// Reaches the engine's protected operations, as a program's own derived
// engine could.
class CTestCore : public CKpCore {
public:
    using CKpCore::ConvertImage;
    using CKpCore::SnapDelay;
    using CKpCore::SnapRect;
    int IsSnapping() const { return m_bSnapping; }
    HGDIOBJ CaptureHandle() const { return m_store.GetCaptureBitmap().GetSafeHandle(); }
    HGDIOBJ ProcessedHandle() const { return m_store.GetProcessedBitmap().GetSafeHandle(); }
    // Stands for a capture running elsewhere.
    void SetSnapping(int bSnapping) { m_bSnapping = bSnapping; }
    // Where a test records the mode it saw in the middle of a capture.
    int m_nModeAtHide = -1;

    // Object capture.
    using CKpCore::CheckWindowValidity;
    using CKpCore::m_dlgObjHelper;
    int IsObjSnapping() const { return m_bObjSnapping; }
    HWND GetFoundWnd() const { return m_hFoundWnd; }
    BOOL IsHookStarted() const { return m_hook.IsStarted(); }
};

// The engine started on the program's stand-in windows with the default
// settings, and closed after the test.
class StartedEngineTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    ConfigFileGuard m_guard;  // destroyed last: after CloseSnapper wrote the file
    CTestMainWnd m_main;
    CWnd m_view;
    CTestCore m_core;
};

inline UINT ImageWidth(Gdiplus::GpImage* p) {
    UINT n = 0;
    if (p != nullptr) GdipGetImageWidth(p, &n);
    return n;
}
inline UINT ImageHeight(Gdiplus::GpImage* p) {
    UINT n = 0;
    if (p != nullptr) GdipGetImageHeight(p, &n);
    return n;
}

// RGB of one pixel of a GDI+ bitmap as a COLORREF; 0xFFFFFFFF on failure.
inline COLORREF ImagePixel(Gdiplus::GpImage* p, int x, int y) {
    Gdiplus::ARGB argb = 0;
    if (p == nullptr || GdipBitmapGetPixel(static_cast<Gdiplus::GpBitmap*>(p), x, y, &argb) != Gdiplus::Ok)
        return 0xFFFFFFFF;
    return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
}

// All pixels of a GDI+ bitmap, top-down 0x00RRGGBB.
inline std::vector<UINT> ImagePixels(Gdiplus::GpImage* p) {
    std::vector<UINT> pixels;
    UINT w = ImageWidth(p), h = ImageHeight(p);
    if (w == 0 || h == 0) return pixels;
    Gdiplus::GpRect rect(0, 0, (INT)w, (INT)h);
    Gdiplus::BitmapData data;
    if (GdipBitmapLockBits(static_cast<Gdiplus::GpBitmap*>(p), &rect, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB,
                           &data) != Gdiplus::Ok)
        return pixels;
    pixels.resize((size_t)w * h);
    for (UINT y = 0; y < h; ++y) {
        const UINT* row = reinterpret_cast<const UINT*>(static_cast<const BYTE*>(data.Scan0) + (size_t)y * data.Stride);
        for (UINT x = 0; x < w; ++x)
            pixels[(size_t)y * w + x] = row[x] & 0x00FFFFFF;
    }
    GdipBitmapUnlockBits(static_cast<Gdiplus::GpBitmap*>(p), &data);
    return pixels;
}

// All pixels of a GDI bitmap, top-down 0x00RRGGBB.
inline std::vector<UINT> BitmapPixels(HBITMAP h, int& w, int& hgt) {
    std::vector<UINT> pixels;
    BITMAP bm;
    if (::GetObjectA(h, sizeof bm, &bm) == 0) return pixels;
    w = bm.bmWidth;
    hgt = bm.bmHeight;
    BITMAPINFO bmi = TopDownDib32(w, hgt);
    pixels.resize((size_t)w * hgt);
    HDC hdc = ::GetDC(nullptr);
    int n = ::GetDIBits(hdc, h, 0, hgt, pixels.data(), &bmi, DIB_RGB_COLORS);
    ::ReleaseDC(nullptr, hdc);
    if (n != hgt) pixels.clear();
    for (UINT& px : pixels)
        px &= 0x00FFFFFF;
    return pixels;
}

// A screen-compatible bitmap of w x h whose pixel (x, y) is pfn(x, y).
inline HBITMAP MakeBitmap(int w, int h, COLORREF (*pfn)(int, int)) {
    std::vector<UINT> pixels((size_t)w * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            COLORREF c = pfn(x, y);
            pixels[(size_t)y * w + x] = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
        }
    BITMAPINFO bmi = TopDownDib32(w, h);
    HDC hdc = ::GetDC(nullptr);
    HBITMAP hBitmap = ::CreateCompatibleBitmap(hdc, w, h);
    if (hBitmap != nullptr) ::SetDIBits(hdc, hBitmap, 0, h, pixels.data(), &bmi, DIB_RGB_COLORS);
    ::ReleaseDC(nullptr, hdc);
    return hBitmap;
}

// Hands hBitmap to the clipboard, which owns it from then on.
inline bool PutOnClipboard(HBITMAP hBitmap) {
    if (!::OpenClipboard(nullptr)) return false;
    ::EmptyClipboard();
    bool bOk = ::SetClipboardData(CF_BITMAP, hBitmap) != nullptr;
    ::CloseClipboard();
    if (!bOk) ::DeleteObject(hBitmap);
    return bOk;
}

inline void EmptyTheClipboard() {
    if (::OpenClipboard(nullptr)) {
        ::EmptyClipboard();
        ::CloseClipboard();
    }
}

}  // namespace captest
