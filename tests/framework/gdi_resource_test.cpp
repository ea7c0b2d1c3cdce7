// GDI wrappers and the resource chain.
#include <gtest/gtest.h>

#include <functional>

#include "framework/controls.h"
#include "framework/gdi.h"
#include "framework/resources.h"
#include "framework/wnd.h"
#include "framework_test_ids.h"
#include "kp_resource.h"

namespace {

TEST(GdiTest, SelectedObjectsCanBeSelectedBack) {
    CClientDC screen(nullptr);
    CDC mem;
    ASSERT_TRUE(mem.CreateCompatibleDC(&screen));
    HGDIOBJ hOriginalBitmap = ::GetCurrentObject(mem, OBJ_BITMAP);
    HGDIOBJ hOriginalPen = ::GetCurrentObject(mem, OBJ_PEN);
    HGDIOBJ hOriginalBrush = ::GetCurrentObject(mem, OBJ_BRUSH);
    {
        CBitmap bmp;
        ASSERT_TRUE(bmp.CreateCompatibleBitmap(&screen, 8, 8));
        CPen pen(PS_SOLID, 1, RGB(255, 0, 0));
        CBrush brush(RGB(0, 255, 0));
        CBitmap* pOldBitmap = mem.SelectObject(&bmp);
        CPen* pOldPen = mem.SelectObject(&pen);
        CBrush* pOldBrush = mem.SelectObject(&brush);
        EXPECT_EQ(hOriginalBitmap, pOldBitmap->GetSafeHandle());
        EXPECT_EQ(bmp.m_hObject, ::GetCurrentObject(mem, OBJ_BITMAP));
        mem.FillSolidRect(0, 0, 8, 8, RGB(1, 2, 3));
        EXPECT_EQ(RGB(1, 2, 3), mem.GetPixel(4, 4));
        mem.SelectObject(pOldBrush);
        mem.SelectObject(pOldPen);
        mem.SelectObject(pOldBitmap);
    }
    // After the scope the DC holds what it held before, and the temporary
    // wrappers of the old objects did not delete them.
    EXPECT_EQ(hOriginalBitmap, ::GetCurrentObject(mem, OBJ_BITMAP));
    EXPECT_EQ(hOriginalPen, ::GetCurrentObject(mem, OBJ_PEN));
    EXPECT_EQ(hOriginalBrush, ::GetCurrentObject(mem, OBJ_BRUSH));
    AfxDeleteTempObjects();
    EXPECT_EQ(OBJ_PEN, (int)::GetObjectType(hOriginalPen));
}

TEST(GdiTest, OwningWrappersDeleteTheirObjectAndDetachedOnesDoNot) {
    HGDIOBJ hDeleted;
    HGDIOBJ hKept;
    {
        CPen a(PS_SOLID, 1, 0);
        CPen b(PS_SOLID, 1, 0);
        hDeleted = a.m_hObject;
        hKept = b.Detach();
        EXPECT_FALSE(b.Attach(nullptr));
    }
    EXPECT_EQ(0u, ::GetObjectType(hDeleted));
    EXPECT_EQ((DWORD)OBJ_PEN, ::GetObjectType(hKept));
    ::DeleteObject(hKept);
}

TEST(GdiTest, ScopedDCsReleaseThemselves) {
    CWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, nullptr, "dc", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr, nullptr));
    HGDIOBJ hDefaultPen = ::GetStockObject(BLACK_PEN);
    CPen red(PS_SOLID, 1, RGB(255, 0, 0));
    {
        CClientDC dc(&wnd);
        dc.SelectObject(&red);
        EXPECT_EQ(red.m_hObject, ::GetCurrentObject(dc, OBJ_PEN));
    }
    {
        // A released common DC comes back in its default state.
        CClientDC dc(&wnd);
        EXPECT_EQ(hDefaultPen, ::GetCurrentObject(dc, OBJ_PEN));
    }
    {
        CWindowDC dc(&wnd);
        EXPECT_NE(nullptr, dc.GetSafeHdc());
    }
    wnd.Invalidate();
    RECT rc;
    EXPECT_TRUE(::GetUpdateRect(wnd, &rc, FALSE));
    { CPaintDC dc(&wnd); }
    EXPECT_FALSE(::GetUpdateRect(wnd, &rc, FALSE));  // EndPaint validated it
}

// A 32-bit bitmap selected into a memory DC, its pixels readable.
struct PixelCanvas {
    CDC dc;
    CBitmap bitmap;
    CBitmap* pOld = nullptr;
    PixelCanvas(int w, int h, COLORREF clr) {
        CClientDC screen(nullptr);
        dc.CreateCompatibleDC(&screen);
        bitmap.CreateCompatibleBitmap(&screen, w, h);
        pOld = dc.SelectObject(&bitmap);
        dc.FillSolidRect(0, 0, w, h, clr);
    }
    ~PixelCanvas() { dc.SelectObject(pOld); }
};

TEST(GdiTest, StretchBltMagnifiesEachPixelIntoABlock) {
    PixelCanvas src(2, 2, RGB(0, 0, 0));
    src.dc.SetPixel(1, 0, RGB(255, 0, 0));
    src.dc.SetPixel(0, 1, RGB(0, 0, 255));
    PixelCanvas dst(10, 10, RGB(9, 9, 9));
    EXPECT_TRUE(dst.dc.StretchBlt(0, 0, 10, 10, &src.dc, 0, 0, 2, 2, SRCCOPY));
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            EXPECT_EQ(src.dc.GetPixel(x / 5, y / 5), dst.dc.GetPixel(x, y)) << x << "," << y;
}

TEST(GdiTest, AlphaBlendMixesAConstantAlphaOverTheDestination) {
    PixelCanvas green(4, 4, RGB(0, 255, 0));
    PixelCanvas dst(8, 4, RGB(0, 0, 0));
    dst.dc.FillSolidRect(4, 0, 4, 4, RGB(255, 255, 255));
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, 127, 0};
    EXPECT_TRUE(dst.dc.AlphaBlend(0, 0, 8, 4, &green.dc, 0, 0, 4, 4, blend));
    // About half of the green over black, and over white.
    COLORREF overBlack = dst.dc.GetPixel(1, 1);
    COLORREF overWhite = dst.dc.GetPixel(6, 1);
    EXPECT_EQ(0, GetRValue(overBlack));
    EXPECT_NEAR(127, GetGValue(overBlack), 1);
    EXPECT_NEAR(128, GetRValue(overWhite), 1);
    EXPECT_EQ(255, GetGValue(overWhite));
    EXPECT_FALSE(dst.dc.AlphaBlend(0, 0, 8, 4, nullptr, 0, 0, 4, 4, blend));
}

CString LoadTestString(UINT id) {
    CString s;
    s.LoadString(id);
    return s;
}

// Misuse that release builds pass over (the call does nothing, or fails):
// checked builds stop at it, naming the fault.
TEST(ContractTest, GdiAndListMisuseStopsCheckedBuilds) {
#if KFW_CHECKS
    const struct {
        const char* pszWhat;
        std::function<void()> misuse;
    } cases[] = {
        {"a drawing call on a CDC that holds no DC", [] { CDC().Rectangle(0, 0, 4, 4); }},
        {"Attach or Create on a GDI object that already holds one",
         [] {
             CPen pen(PS_SOLID, 1, RGB(0, 0, 0));
             pen.CreatePen(PS_SOLID, 2, RGB(0, 0, 0));
         }},
        {"a combo box index out of range",
         [] {
             CComboBox box;
             box.Create(WS_POPUP | CBS_DROPDOWNLIST, CRect(0, 0, 80, 80), nullptr, 0);
             box.AddString("one");
             box.SetCurSel(1);
         }},
    };
    for (const auto& c : cases)
        EXPECT_DEATH(c.misuse(), c.pszWhat);
#else
    GTEST_SKIP() << "contract checks are off in this build";
#endif
}

TEST(ResourceChainTest, CurrentModuleThenProgramThenLibraries) {
    HMODULE hDll = ::LoadLibraryA("kfw_test_resources.dll");
    ASSERT_NE(nullptr, hDll);
    HINSTANCE hExe = ::GetModuleHandleA(nullptr);
    EXPECT_EQ(hExe, AfxGetResourceHandle());

    // The program's own strings first; then the registered libraries'.
    EXPECT_STREQ("exe", LoadTestString(IDS_TEST_SHARED));
    EXPECT_STREQ("\xb2\xe2\xca\xd4\xd7\xd6\xb7\xfb\xb4\xae", LoadTestString(IDS_TEST_EXE));
    EXPECT_STREQ("\xbf\xe2\xd7\xd6\xb7\xfb\xb4\xae", LoadTestString(IDS_TEST_DLL));

    // With the library current, its string wins.
    AfxSetResourceHandle(hDll);
    EXPECT_STREQ("dll", LoadTestString(IDS_TEST_SHARED));
    EXPECT_STREQ("\xb2\xe2\xca\xd4\xd7\xd6\xb7\xfb\xb4\xae", LoadTestString(IDS_TEST_EXE));
    AfxSetResourceHandle(hExe);

    EXPECT_EQ(hExe, AfxFindResourceHandle(MAKEINTRESOURCEA(IDD_TEST), RT_DIALOG));
    EXPECT_EQ(nullptr, AfxFindResourceHandle(MAKEINTRESOURCEA(4242), RT_DIALOG));
    CString missing;
    EXPECT_FALSE(missing.LoadString(4242));

    // Unloading the library takes it out of the chain.
    ::FreeLibrary(hDll);
    EXPECT_TRUE(LoadTestString(IDS_TEST_DLL).IsEmpty());
    EXPECT_STREQ("exe", LoadTestString(IDS_TEST_SHARED));
}

TEST(ResourceChainTest, KaptolibRegistersItselfAndSwitchesForOneOperation) {
    HMODULE hLib = ::GetModuleHandleA("Kaptolib.dll");
    ASSERT_NE(nullptr, hLib);
    // The test program has no version resource; Kaptolib has one.
    EXPECT_EQ(hLib, AfxFindResourceHandle(MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(16)));
    HINSTANCE hBefore = AfxGetResourceHandle();
    {
        CKpLocalResource local;
        EXPECT_EQ(hLib, AfxGetResourceHandle());
        {
            CKpLocalResource nested;
            EXPECT_EQ(hLib, AfxGetResourceHandle());
        }
        EXPECT_EQ(hLib, AfxGetResourceHandle());
    }
    EXPECT_EQ(hBefore, AfxGetResourceHandle());
    // A resource library of someone else's choosing, then back to our own.
    HMODULE hOther = ::GetModuleHandleA("kfw.dll");
    KpSetResourceHandle(hOther);
    {
        CKpLocalResource local;
        EXPECT_EQ(hOther, AfxGetResourceHandle());
    }
    KpSetResourceHandle(nullptr);
    {
        CKpLocalResource local;
        EXPECT_EQ(hLib, AfxGetResourceHandle());
    }
}

}  // namespace
