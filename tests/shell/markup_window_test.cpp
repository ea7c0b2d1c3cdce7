// The markup window over the main window in this process: marks made with
// injected mouse and key input on the canvas, and the pixels of the image
// that 完成 leaves as the current one (or that 取消 leaves alone).
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/message_loop.h"
#include "framework/resources.h"
#include "image_processors.h"
#include "kapto_dlg.h"
#include "markup/markup_canvas.h"
#include "markup/markup_dlg.h"
#include "res/resource.h"
#include "support/desktop.h"
#include "support/input_events.h"
#include "user_script.h"

namespace {

using shelltest::UserScript;
using Step = std::function<void(HWND)>;

const int kImageWidth = 160, kImageHeight = 120;

HWND FindThreadWindow(bool (*pfnIs)(HWND)) {
    struct Search {
        bool (*pfnIs)(HWND);
        HWND hFound;
    } search = {pfnIs, nullptr};
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND h, LPARAM l) {
            Search* s = reinterpret_cast<Search*>(l);
            if (::IsWindowVisible(h) && s->pfnIs(h)) s->hFound = h;
            return TRUE;
        },
        (LPARAM)&search);
    return search.hFound;
}

HWND Markup() {
    return FindThreadWindow([](HWND h) { return ::GetDlgItem(h, IDC_MARKUP_CANVAS) != nullptr; });
}
HWND YesNoBox() {
    return FindThreadWindow([](HWND h) { return ::GetDlgItem(h, IDYES) != nullptr; });
}
CMarkupCanvas* Canvas() {
    return static_cast<CMarkupCanvas*>(CWnd::FromHandlePermanent(::GetDlgItem(Markup(), IDC_MARKUP_CANVAS)));
}

// The pixels of an image as 0x00RRGGBB, row by row.
std::vector<uint32_t> PixelsOf(Gdiplus::GpImage* pImage, int* pWidth = nullptr, int* pHeight = nullptr) {
    CMarkupSurface s;
    if (!s.LoadImage(pImage)) return {};
    if (pWidth != nullptr) *pWidth = s.Width();
    if (pHeight != nullptr) *pHeight = s.Height();
    return std::vector<uint32_t>(s.Bits(), s.Bits() + (size_t)s.Width() * s.Height());
}

// A picture where every pixel differs from its neighbours, as the current image.
void PastePattern(HWND hDlg) {
    std::vector<uint32_t> bits((size_t)kImageWidth * kImageHeight);
    for (int y = 0; y < kImageHeight; ++y)
        for (int x = 0; x < kImageWidth; ++x)
            bits[(size_t)y * kImageWidth + x] = RGB((x * 7) & 0xFF, (y * 5 + 40) & 0xFF, ((x + y) * 3) & 0xFF);
    BITMAPINFO bmi = {};
    bmi.bmiHeader = {sizeof(BITMAPINFOHEADER), kImageWidth, -kImageHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    HDC hdc = ::GetDC(nullptr);
    HBITMAP hBitmap = ::CreateDIBitmap(hdc, &bmi.bmiHeader, CBM_INIT, bits.data(), &bmi, DIB_RGB_COLORS);
    ::ReleaseDC(nullptr, hdc);
    if (::OpenClipboard(nullptr)) {
        ::EmptyClipboard();
        ::SetClipboardData(CF_BITMAP, hBitmap);
        ::CloseClipboard();
    }
    ::SendMessageA(hDlg, WM_COMMAND, ID_EDIT_PASTE, 0);
}

POINT CanvasToScreen(int x, int y) {
    POINT pt = {x, y};
    ::ClientToScreen(::GetDlgItem(Markup(), IDC_MARKUP_CANVAS), &pt);
    return pt;
}

void MouseAt(int x, int y, DWORD dwButtons = 0) {
    POINT pt = CanvasToScreen(x, y);
    testinput::SendMoveTo(pt.x, pt.y, dwButtons);
}

// The steps of a drag on the canvas from one client point to another, each
// a tick of the script so the window's loop sees every event.
void AddDrag(std::vector<Step>& steps, POINT from, POINT to) {
    steps.push_back([=](HWND) { MouseAt(from.x, from.y); });
    steps.push_back([=](HWND) { MouseAt(from.x, from.y, MOUSEEVENTF_LEFTDOWN); });
    steps.push_back([=](HWND) { MouseAt((from.x + to.x) / 2, (from.y + to.y) / 2); });
    steps.push_back([=](HWND) { MouseAt(to.x, to.y); });
    steps.push_back([=](HWND) { MouseAt(to.x, to.y, MOUSEEVENTF_LEFTUP); });
}

// The canvas's image with its marks, as 0x00RRGGBB.
void Flatten(std::vector<uint32_t>& out) {
    CMarkupSurface s;
    ASSERT_TRUE(Canvas()->Flatten(s));
    out.assign(s.Bits(), s.Bits() + (size_t)s.Width() * s.Height());
}

void MarkupCommand(UINT nID) { ::SendMessageA(Markup(), WM_COMMAND, nID, 0); }

class MarkupWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_hKapto = ::LoadLibraryExA((kptest::ExeDir() + "Kapto.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        AfxSetResourceHandle(s_hKapto);
        INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES};
        ::InitCommonControlsEx(&icc);
    }
    void SetUp() override {
        ASSERT_NE(nullptr, s_hKapto);
        CKpConfig c;
        c.SetSnapOnStart(0);
        c.SetHideMainWnd(0);
        c.SetAutoCopy(0);
        c.SaveConfig();
    }
    void TearDown() override { ::DeleteFileA((kptest::ExeDir() + "config.xml").c_str()); }

    // Runs the main window: paste the pattern, open the markup window, the
    // steps, then whatever ends the markup window, and the checks after it.
    void Run(std::vector<Step> marks, std::vector<Step> end, Step after) {
        UserScript script;
        script.steps.push_back([this](HWND h) {
            PastePattern(h);
            m_original = PixelsOf(m_pDlg->m_core.GetImage());
            ::PostMessageA(h, WM_COMMAND, ID_EDIT_MARKUP, 0);
        });
        int nWaits = 0;
        script.steps.push_back([this, &script, &nWaits](HWND) {
            // The window shows once its loop first runs dry: this step waits for it.
            if (Markup() == nullptr && ++nWaits < 50) {
                --script.nNext;
                return;
            }
            ASSERT_NE(nullptr, Markup());
            m_nModalCount = AfxGetModalCount();
        });
        for (Step& s : marks)
            script.steps.push_back(s);
        for (Step& s : end)
            script.steps.push_back(s);
        script.steps.push_back([](HWND) {});
        script.steps.push_back([after](HWND h) {
            EXPECT_EQ(nullptr, Markup()) << "the markup window ended";
            after(h);
        });
        script.steps.push_back([this](HWND) { m_pDlg->PostMessage(WM_COMMAND, IDCANCEL, 0); });
        CKaptoDlg dlg;
        m_pDlg = &dlg;
        shelltest::RunWithScript(script, [&] { return dlg.DoModal(); });
        m_pDlg = nullptr;
        EXPECT_EQ(script.steps.size(), script.nNext) << "every step ran";
        for (const std::string& box : script.boxes)
            ADD_FAILURE() << "message: " << box;
    }
    std::vector<uint32_t> Current(int* pWidth = nullptr, int* pHeight = nullptr) {
        return PixelsOf(m_pDlg->m_core.GetImage(), pWidth, pHeight);
    }
    uint32_t Original(int x, int y) const { return m_original[(size_t)y * kImageWidth + x]; }

    static HMODULE s_hKapto;
    CKaptoDlg* m_pDlg = nullptr;  // not owned: the window running now
    std::vector<uint32_t> m_original;
    int m_nModalCount = 0;
};

HMODULE MarkupWindowTest::s_hKapto = nullptr;

const Step kFinish = [](HWND) { ::PostMessageA(Markup(), WM_COMMAND, IDOK, 0); };

TEST_F(MarkupWindowTest, DragsLeaveTheirMarksWhereTheyWereDrawn) {
    struct Case {
        UINT nTool;  // 0: the default tool
        POINT from, to;
        POINT ptMarked, ptUntouched;
    } cases[] = {
        {0, {20, 20}, {120, 90}, {20, 55}, {70, 55}},                  // the rectangle's left side
        {ID_MARKUP_ARROW, {20, 100}, {140, 30}, {137, 31}, {20, 30}},  // the head's tip at the end point
        {ID_MARKUP_LINE, {10, 10}, {10, 100}, {10, 50}, {30, 50}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "tool " << c.nTool);
        std::vector<Step> marks;
        if (c.nTool != 0) marks.push_back([c](HWND) { MarkupCommand(c.nTool); });
        AddDrag(marks, c.from, c.to);
        Run(marks, {kFinish}, [&](HWND) {
            std::vector<uint32_t> now = Current();
            ASSERT_EQ(m_original.size(), now.size());
            EXPECT_EQ(0xFF0000u, now[(size_t)c.ptMarked.y * kImageWidth + c.ptMarked.x]) << "pure red";
            EXPECT_EQ(Original(c.ptUntouched.x, c.ptUntouched.y),
                      now[(size_t)c.ptUntouched.y * kImageWidth + c.ptUntouched.x]);
        });
        EXPECT_GE(m_nModalCount, 2) << "the markup window counts as a modal run";
    }
}

// The mosaic's blocks, each the mean of its own original pixels, with what
// is left over at the right and bottom joined to the last block (65 x 45
// leaves 15 and 15; 21 x 21 is two blocks of 10 and 11 each way); the cover
// leaves its colour on every pixel. The cover's capture was negated: the
// marked image is what the user has, and grey ticked afterwards runs once
// over it, not over it negated back.
TEST_F(MarkupWindowTest, AreaToolsLeaveExactlyTheirPixels) {
    const struct {
        UINT nTool;
        RECT rc;
    } cases[] = {
        {ID_MARKUP_MOSAIC, {13, 7, 78, 52}},
        {ID_MARKUP_MOSAIC, {30, 30, 51, 51}},
        {ID_MARKUP_COVER, {20, 25, 97, 66}},
    };
    for (const auto& c : cases) {
        const RECT rc = c.rc;
        SCOPED_TRACE(testing::Message() << c.nTool << " " << rc.right - rc.left << " x " << rc.bottom - rc.top);
        if (c.nTool == ID_MARKUP_COVER) {
            CKpConfig config;
            config.SetSnapOnStart(0);
            config.SetHideMainWnd(0);
            config.SetNegate(1);
            config.SaveConfig();
        }
        std::vector<Step> marks = {[c](HWND) { MarkupCommand(c.nTool); }};
        AddDrag(marks, {rc.left, rc.top}, {rc.right, rc.bottom});
        Run(marks, {kFinish}, [&](HWND h) {
            std::vector<uint32_t> now = Current();
            ASSERT_EQ(m_original.size(), now.size());
            // The blocks' edges: every kMosaicBlock pixels, the last one to the area's end.
            auto edges = [](LONG from, LONG to) {
                std::vector<int> v;
                for (int at = from; at + 2 * kMosaicBlock <= to; at += kMosaicBlock)
                    v.push_back(at);
                v.push_back(v.empty() ? from : v.back() + kMosaicBlock);
                v.push_back(to);
                return v;
            };
            std::vector<int> xs = edges(rc.left, rc.right), ys = edges(rc.top, rc.bottom);
            if (c.nTool == ID_MARKUP_COVER) xs = {rc.left, rc.right}, ys = {rc.top, rc.bottom};
            for (size_t j = 0; j + 1 < ys.size(); ++j) {
                for (size_t i = 0; i + 1 < xs.size(); ++i) {
                    unsigned sum[3] = {}, n = (unsigned)((xs[i + 1] - xs[i]) * (ys[j + 1] - ys[j]));
                    for (int y = ys[j]; y < ys[j + 1]; ++y)
                        for (int x = xs[i]; x < xs[i + 1]; ++x)
                            for (int k = 0; k < 3; ++k)
                                sum[k] += (Original(x, y) >> (8 * k)) & 0xFF;
                    uint32_t expected = 0xFF0000;  // the cover in the default red
                    if (c.nTool == ID_MARKUP_MOSAIC) {
                        EXPECT_GE(std::min(xs[i + 1] - xs[i], ys[j + 1] - ys[j]), kMosaicBlock);
                        expected = 0;
                        for (int k = 0; k < 3; ++k)
                            expected |= ((sum[k] + n / 2) / n) << (8 * k);
                    }
                    for (int y = ys[j]; y < ys[j + 1]; ++y)
                        for (int x = xs[i]; x < xs[i + 1]; ++x)
                            ASSERT_EQ(expected, now[(size_t)y * kImageWidth + x]) << x << "," << y;
                }
            }
            EXPECT_EQ(Original(rc.right, rc.bottom), now[(size_t)rc.bottom * kImageWidth + rc.right]) << "outside";
            if (c.nTool != ID_MARKUP_COVER) return;
            EXPECT_FALSE(m_pDlg->m_bNegate) << "the negation is in the marked image already";
            ::SendMessageA(h, WM_COMMAND, ID_OPT_GRAYSCALE, 0);
            std::vector<uint32_t> grey(now.size());
            const CSize size(kImageWidth, kImageHeight);
            CImageGrayer().ProcessPixels(reinterpret_cast<RGBX*>(now.data()), size, reinterpret_cast<RGBX*>(grey.data()),
                                         size);
            for (uint32_t& px : grey)
                px &= 0xFFFFFF;
            EXPECT_EQ(grey, Current()) << "the grey of the marked image, not of it negated again";
        });
    }
}

// Two hundred strokes: undo keeps each stroke once, not every mark at every
// step; under a tighter bound the oldest steps go and the newest still undo.
TEST_F(MarkupWindowTest, UndoKeepsChangesWithinItsMemory) {
    std::vector<Step> marks = {[](HWND) { MarkupCommand(ID_MARKUP_PEN); }};
    marks.push_back([](HWND) {
        HWND hCanvas = ::GetDlgItem(Markup(), IDC_MARKUP_CANVAS);
        for (int i = 0; i < 200; ++i) {
            ::SendMessageA(hCanvas, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5 + i % 150, 5));
            for (int k = 1; k <= 20; ++k)
                ::SendMessageA(hCanvas, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(5 + i % 150, 5 + k * 5));
            ::SendMessageA(hCanvas, WM_LBUTTONUP, 0, MAKELPARAM(5 + i % 150, 105));
        }
        CMarkupCanvas* pCanvas = Canvas();
        ASSERT_EQ(200u, pCanvas->GetMarks().size());
        size_t nMarks = 0;
        for (const MarkupMark& mark : pCanvas->GetMarks())
            nMarks += MarkBytes(mark);
        EXPECT_LE(pCanvas->GetHistoryBytes(), nMarks + 200 * 256) << "more than one copy of each stroke";
        const size_t nLimit = pCanvas->GetHistoryBytes() / 4;
        pCanvas->SetHistoryLimit(nLimit);
        EXPECT_LE(pCanvas->GetHistoryBytes(), nLimit);
        int nUndone = 0;
        while (pCanvas->CanUndo()) {
            pCanvas->Undo();
            ++nUndone;
        }
        EXPECT_GT(nUndone, 10);
        EXPECT_EQ(200u - nUndone, pCanvas->GetMarks().size()) << "each undo took one stroke";
    });
    Run(marks, {kFinish}, [](HWND) {});
}

TEST_F(MarkupWindowTest, UndoRestoresTheExactPixelsAndRedoBringsThemBack) {
    std::vector<uint32_t> marked;
    std::vector<Step> marks;
    AddDrag(marks, {20, 20}, {60, 60});
    marks.push_back([](HWND) { MarkupCommand(ID_MARKUP_MOSAIC); });
    AddDrag(marks, {50, 30}, {100, 80});
    marks.push_back([](HWND) { MarkupCommand(ID_MARKUP_PEN); });
    AddDrag(marks, {10, 100}, {150, 10});
    marks.push_back([&](HWND) {
        ASSERT_EQ(3u, Canvas()->GetMarks().size());
        Flatten(marked);
        EXPECT_NE(m_original, marked);
    });
    for (int i = 0; i < 3; ++i)
        marks.push_back([](HWND) { testinput::SendChord({VK_CONTROL, 'Z'}); });
    marks.push_back([&](HWND) {
        std::vector<uint32_t> now;
        Flatten(now);
        EXPECT_EQ(m_original, now) << "three undos: the image as it came";
        EXPECT_FALSE(Canvas()->CanUndo());
    });
    for (int i = 0; i < 3; ++i)
        marks.push_back([](HWND) { testinput::SendChord({VK_CONTROL, 'Y'}); });
    Run(marks, {kFinish}, [&](HWND) { EXPECT_EQ(marked, Current()) << "three redos: all three marks again"; });
}

TEST_F(MarkupWindowTest, SelectedMarkMovesAndDeleteRemovesIt) {
    std::vector<uint32_t> moved;
    std::vector<Step> marks;
    AddDrag(marks, {20, 20}, {120, 90});
    marks.push_back([](HWND) { MarkupCommand(ID_MARKUP_SELECT); });
    AddDrag(marks, {20, 55}, {45, 65});  // by its left side, 25 right and 10 down
    marks.push_back([&](HWND) {
        ASSERT_EQ(1u, Canvas()->GetMarks().size());
        EXPECT_EQ(45, Canvas()->GetMarks()[0].ptFrom.x);
        EXPECT_EQ(100, Canvas()->GetMarks()[0].ptTo.y);
        Flatten(moved);
        EXPECT_EQ(0xFF0000u, moved[(size_t)65 * kImageWidth + 45]);
        EXPECT_EQ(Original(20, 55), moved[(size_t)55 * kImageWidth + 20]) << "nothing left where it was";
    });
    marks.push_back([](HWND) { testinput::SendKey(VK_DELETE); });
    marks.push_back([&](HWND) {
        std::vector<uint32_t> now;
        Flatten(now);
        EXPECT_EQ(m_original, now);
    });
    Run(marks, {kFinish}, [&](HWND) { EXPECT_EQ(m_original, Current()); });
}

TEST_F(MarkupWindowTest, CropKeepsExactlyTheDraggedArea) {
    std::vector<Step> marks = {[](HWND) { MarkupCommand(ID_MARKUP_CROP); }};
    AddDrag(marks, {10, 15}, {60, 45});
    Run(marks, {kFinish}, [&](HWND) {
        int w = 0, h = 0;
        std::vector<uint32_t> now = Current(&w, &h);
        ASSERT_EQ(50, w);
        ASSERT_EQ(30, h);
        EXPECT_EQ(Original(10, 15), now[0]);
        EXPECT_EQ(Original(59, 44), now[(size_t)29 * 50 + 49]);
    });
}

TEST_F(MarkupWindowTest, ChineseTextLeavesTextPixelsInItsBox) {
    std::vector<Step> marks = {[](HWND) { MarkupCommand(ID_MARKUP_TEXT); }};
    marks.push_back([](HWND) { MouseAt(30, 30); });
    marks.push_back([](HWND) { MouseAt(30, 30, MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_LEFTUP); });
    marks.push_back([](HWND) {
        ASSERT_TRUE(Canvas()->IsEditingText());
        ::SetWindowTextA(Canvas()->GetTextEdit(), "标注");
    });
    marks.push_back([](HWND) { testinput::SendKey(VK_RETURN); });
    marks.push_back([](HWND) {
        ASSERT_EQ(1u, Canvas()->GetMarks().size());
        EXPECT_EQ("标注", Canvas()->GetMarks()[0].strText);
    });
    Run(marks, {kFinish}, [&](HWND) {
        std::vector<uint32_t> now = Current();
        int nInBox = 0, nOutside = 0;
        for (int y = 0; y < kImageHeight; ++y)
            for (int x = 0; x < kImageWidth; ++x) {
                if (now[(size_t)y * kImageWidth + x] == Original(x, y)) continue;
                bool bInBox = x >= 28 && x < 90 && y >= 28 && y < 62;  // two 24-pixel characters
                (bInBox ? nInBox : nOutside)++;
            }
        EXPECT_GT(nInBox, 40) << "the strokes of two characters";
        EXPECT_EQ(0, nOutside);
    });
}

TEST_F(MarkupWindowTest, EscapeAsksAndLeavesTheImageByteIdentical) {
    Gdiplus::GpImage* pBefore = nullptr;
    std::string strAsked;
    std::vector<Step> marks = {[&](HWND) { pBefore = m_pDlg->m_core.GetImage(); }};
    AddDrag(marks, {20, 20}, {120, 90});
    std::vector<Step> end = {
        [](HWND) { testinput::SendKey(VK_ESCAPE); },
        [&](HWND) {
            HWND hBox = YesNoBox();
            ASSERT_NE(nullptr, hBox) << "it asks first when there are marks";
            char text[256] = "";
            ::GetDlgItemTextA(hBox, 0xFFFF, text, sizeof(text));
            strAsked = text;
            ::PostMessageA(hBox, WM_COMMAND, IDYES, 0);
        },
    };
    Run(marks, end, [&](HWND) {
        EXPECT_EQ("放弃所做的标注吗？", strAsked);
        EXPECT_EQ(pBefore, m_pDlg->m_core.GetImage()) << "the same image object";
        EXPECT_EQ(m_original, Current());
    });
}

TEST_F(MarkupWindowTest, CopyPutsTheMarkedImageOnTheClipboard) {
    struct Case {
        const char* pszHow;
        bool bInMarkup;  // else from the main window after 完成
    } cases[] = {{"Ctrl+C in the markup window", true}, {"完成, then Copy", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszHow);
        std::vector<Step> marks;
        AddDrag(marks, {20, 20}, {120, 90});
        if (c.bInMarkup) marks.push_back([](HWND) { testinput::SendChord({VK_CONTROL, 'C'}); });
        Run(marks, {kFinish}, [&](HWND h) {
            if (!c.bInMarkup) ::SendMessageA(h, WM_COMMAND, ID_EDIT_COPY, 0);
            ASSERT_TRUE(::OpenClipboard(nullptr));
            HBITMAP hBitmap = (HBITMAP)::GetClipboardData(CF_BITMAP);
            BITMAP bm = {};
            ::GetObjectA(hBitmap, sizeof(bm), &bm);
            HDC hdc = ::CreateCompatibleDC(nullptr);
            HGDIOBJ hOld = ::SelectObject(hdc, hBitmap);
            COLORREF clr = ::GetPixel(hdc, 20, 55);
            ::SelectObject(hdc, hOld);
            ::DeleteDC(hdc);
            ::CloseClipboard();
            EXPECT_EQ(kImageWidth, bm.bmWidth);
            EXPECT_EQ(RGB(255, 0, 0), clr);
        });
    }
}

TEST_F(MarkupWindowTest, ZoomChangesTheViewAndNotTheImage) {
    auto ctrlWheel = [](int nDelta) {
        return [nDelta](HWND) {
            MouseAt(80, 60);
            testinput::SendKeyEvent(VK_CONTROL, true);
            testinput::SendWheel(nDelta);
            testinput::SendKeyEvent(VK_CONTROL, false);
        };
    };
    struct Case {
        const char* pszWhat;
        Step act;
        int nZoom;
    } cases[] = {
        {"Ctrl+wheel forward", ctrlWheel(WHEEL_DELTA), 150},
        {"Ctrl+wheel back", ctrlWheel(-WHEEL_DELTA), 100},
        {"Ctrl+wheel back again", ctrlWheel(-WHEEL_DELTA), 75},
        {"适应窗口: the whole image, never above 100 %", [](HWND) { MarkupCommand(ID_MARKUP_FIT); }, 100},
    };
    std::vector<uint32_t> marked;
    std::vector<Step> marks;
    AddDrag(marks, {20, 20}, {120, 90});
    marks.push_back([&](HWND) { Flatten(marked); });
    for (const Case& c : cases) {
        marks.push_back(c.act);
        marks.push_back([&c](HWND) { EXPECT_EQ(c.nZoom, Canvas()->GetZoom()) << c.pszWhat; });
    }
    Run(marks, {kFinish}, [&](HWND) { EXPECT_EQ(marked, Current()); });
}

TEST_F(MarkupWindowTest, PenStrokeScalesByItsCornerHandleAndUndoPutsItBack) {
    std::vector<uint32_t> drawn;
    std::vector<Step> marks = {[](HWND) { MarkupCommand(ID_MARKUP_PEN); }};
    AddDrag(marks, {10, 100}, {150, 10});  // through (80, 55)
    marks.push_back([&](HWND) {
        Flatten(drawn);
        MarkupCommand(ID_MARKUP_SELECT);
    });
    marks.push_back([](HWND) { MouseAt(80, 55, MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_LEFTUP); });
    AddDrag(marks, {150, 10}, {80, 55});  // the top-right corner: half as wide, half as high
    marks.push_back([this](HWND) {
        ASSERT_EQ(1u, Canvas()->GetMarks().size());
        std::vector<std::pair<LONG, LONG>> points;
        for (const POINT& pt : Canvas()->GetMarks()[0].points)
            points.push_back({pt.x, pt.y});
        EXPECT_EQ((std::vector<std::pair<LONG, LONG>>{{10, 100}, {45, 77}, {80, 55}}), points)
            << "the bottom-left corner stays";
        std::vector<uint32_t> now;
        Flatten(now);
        EXPECT_EQ(Original(150, 10), now[(size_t)10 * kImageWidth + 150]) << "nothing left at the old corner";
    });
    marks.push_back([](HWND) { testinput::SendChord({VK_CONTROL, 'Z'}); });
    Run(marks, {kFinish}, [&](HWND) { EXPECT_EQ(drawn, Current()) << "undo: the stroke as it was drawn"; });
}

TEST_F(MarkupWindowTest, MenuItemIsEnabledOnlyWithAnImage) {
    UINT nWithout = 0, nWith = 0, nPinWithout = 0, nPinWith = 0;
    auto state = [](HWND h, UINT nID = ID_EDIT_MARKUP) {
        ::SendMessageA(h, WM_KICKIDLE, 0, 0);
        return ::GetMenuState(::GetSubMenu(::GetMenu(h), 1), nID, MF_BYCOMMAND);
    };
    UserScript script;
    script.steps = {
        [&](HWND h) {
            ::SendMessageA(h, WM_COMMAND, ID_EDIT_CLEAR, 0);
            nWithout = state(h);
            nPinWithout = state(h, ID_EDIT_PIN);
        },
        [&](HWND h) {
            PastePattern(h);
            nWith = state(h);
            nPinWith = state(h, ID_EDIT_PIN);
            m_pDlg->PostMessage(WM_COMMAND, IDCANCEL, 0);
        },
    };
    CKaptoDlg dlg;
    m_pDlg = &dlg;
    shelltest::RunWithScript(script, [&] { return dlg.DoModal(); });
    EXPECT_TRUE(nWithout & MF_GRAYED);
    EXPECT_FALSE(nWith & MF_GRAYED);
    EXPECT_TRUE(nPinWithout & MF_GRAYED);
    EXPECT_FALSE(nPinWith & MF_GRAYED);
}

}  // namespace
