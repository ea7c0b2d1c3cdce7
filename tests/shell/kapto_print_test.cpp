// Printing the view for real: Kapto.exe prints through the private print
// server's PDF printer (tools/print-server), and the test reads the page
// back as a picture with pdftoppm. Skipped, with the reason, where the
// server cannot run.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "kapto_process.h"
#include "print_server.h"
#include "support/unix_side.h"

#include <commdlg.h>

namespace {

using namespace kaptotest;
using kptest::FromUnix;

const UINT kFilePrint = 0xE107;

// A picture of the page's top-left corner at the printer's resolution, one
// pixel per printer pixel.
struct Picture {
    int nWidth = 0;
    int nHeight = 0;
    std::string rgb;
    COLORREF At(int x, int y) const {
        if (x < 0 || y < 0 || x >= nWidth || y >= nHeight) return CLR_INVALID;
        const unsigned char* p = (const unsigned char*)rgb.data() + 3 * ((size_t)y * nWidth + x);
        return RGB(p[0], p[1], p[2]);
    }
};

bool Near(COLORREF a, COLORREF b, int nTolerance = 24) {
    return abs(GetRValue(a) - GetRValue(b)) <= nTolerance && abs(GetGValue(a) - GetGValue(b)) <= nTolerance &&
           abs(GetBValue(a) - GetBValue(b)) <= nTolerance;
}

// The page through pdftoppm, a Unix program.
bool RenderPage(const PrintServer& server, const std::string& strPdf, int nDpi, Picture& picture) {
    std::string base = server.strDir + "/page";
    ::DeleteFileA(FromUnix(base + ".ppm").c_str());
    if (kptest::RunUnixShell("pdftoppm -singlefile -r " + std::to_string(nDpi) + " -x 0 -y 0 -W 1600 -H 1200 '" +
                             server.strPdfDir + "/" + strPdf + "' '" + base + "'") != 0)
        return false;
    std::string data;
    bool bRead = ConfigFileGuard::Read(FromUnix(base + ".ppm"), data);
    ::DeleteFileA(FromUnix(base + ".ppm").c_str());
    if (!bRead) return false;
    // "P6", width, height, 255, one white space, then the pixels.
    int nMax = 0;
    int nHeader = 0;
    if (sscanf(data.c_str(), "P6 %d %d %d%n", &picture.nWidth, &picture.nHeight, &nMax, &nHeader) != 3) return false;
    picture.rgb = data.substr(nHeader + 1);
    return nMax == 255 && picture.rgb.size() == (size_t)picture.nWidth * picture.nHeight * 3;
}

class KaptoPrintTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_server = ReadPrintServer();
        if (!m_server.bRunning) GTEST_SKIP() << "no print server: " << m_server.strReason;
        // Where the page's top-left lands: the default printer's margin.
        PRINTDLGA pd = {};
        pd.lStructSize = sizeof(pd);
        pd.Flags = PD_RETURNDEFAULT | PD_RETURNDC;
        if (!::PrintDlgA(&pd) || pd.hDC == nullptr) GTEST_SKIP() << "the print server's printer is not the default";
        m_nDpi = ::GetDeviceCaps(pd.hDC, LOGPIXELSX);
        m_ptOffset = {::GetDeviceCaps(pd.hDC, PHYSICALOFFSETX), ::GetDeviceCaps(pd.hDC, PHYSICALOFFSETY)};
        ::DeleteDC(pd.hDC);
        if (pd.hDevMode != nullptr) ::GlobalFree(pd.hDevMode);
        if (pd.hDevNames != nullptr) ::GlobalFree(pd.hDevNames);
    }

    // The print command, its dialog answered with nAnswer (IDOK, IDCANCEL).
    void Print(KaptoProcess& kapto, int nAnswer) {
        ::PostMessageA(kapto.Main(), WM_COMMAND, kFilePrint, 0);
        HWND hDialog =
            kapto.WaitOwned([](HWND w) { return ClassOf(w) == "#32770" && ::GetDlgItem(w, IDOK) != nullptr; });
        ASSERT_NE(nullptr, hDialog);
        ::PostMessageA(hDialog, WM_COMMAND, nAnswer, 0);
        ASSERT_TRUE(WaitFor([&] { return !::IsWindow(hDialog); }));
    }

    // Waits for one new PDF, renders its page and deletes it; the files
    // before are in before.
    void ReadNewPage(const PdfFiles& before, Picture& page) {
        std::vector<std::string> added;
        ASSERT_TRUE(WaitFor(
            [&] {
                added.clear();
                for (const auto& f : ListPdfFiles(m_server.strPdfDir)) {
                    auto old = before.find(f.first);
                    if (old == before.end() || old->second != f.second) added.push_back(f.first);
                }
                return !added.empty();
            },
            60000));
        PumpFor(1000);  // a job that would follow has had its time too
        ASSERT_EQ(1u, added.size());
        bool bRendered = RenderPage(m_server, added[0], m_nDpi, page);
        ::DeleteFileA((FromUnix(m_server.strPdfDir) + "\\" + added[0]).c_str());
        ASSERT_TRUE(bRendered);
    }

    // Prints one page (after a cancelled dialog, with bCancelFirst), closes
    // the program and reads the page back.
    void PrintOnePage(KaptoProcess& kapto, bool bCancelFirst, Picture& page) {
        PdfFiles before = ListPdfFiles(m_server.strPdfDir);
        if (bCancelFirst) Print(kapto, IDCANCEL);
        Print(kapto, IDOK);
        ReadNewPage(before, page);
        EXPECT_TRUE(kapto.Close());
    }

    PrintServer m_server;
    int m_nDpi = 0;
    POINT m_ptOffset = {0, 0};
};

// The columns of row y of the screen (from x0 to x1) that are clr.
std::pair<int, int> ScreenSpan(int y, int x0, int x1, COLORREF clr) {
    int nFirst = -1, nLast = -1;
    for (int x = x0; x < x1; ++x) {
        if (ScreenPixel(x, y) == clr) {
            if (nFirst < 0) nFirst = x;
            nLast = x;
        }
    }
    return {nFirst - x0, nLast - x0};
}

TEST_F(KaptoPrintTest, TheThumbnailPrintsOnWhiteAtTheViewsPixelSizeAfterACancelledDialog) {
    ConfigFileGuard guard;
    WriteSettings([](CKpConfig& c) { c.SetSnapOnStart(1); });
    const COLORREF kMagenta = RGB(255, 0, 255);
    KaptoProcess kapto;
    {
        ColourScreen screen(kMagenta);
        ASSERT_TRUE(kapto.Start());
        ASSERT_TRUE(kapto.WaitVisible(true));
    }
    ::SetWindowPos(kapto.Main(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    PumpFor(500);
    RECT rc = ViewOnScreen(kapto.Main());
    int nViewWidth = rc.right - rc.left;
    int nViewHeight = rc.bottom - rc.top;
    int yMiddle = nViewHeight / 2;
    std::pair<int, int> span = ScreenSpan(rc.top + yMiddle, rc.left, rc.right, kMagenta);
    ASSERT_GT(span.first, 1);  // white beside the thumbnail

    // A cancelled dialog prints nothing: the one job that follows is the
    // only new file.
    Picture page;
    PrintOnePage(kapto, true, page);

    // The same picture at the page's top-left, one printer pixel per view
    // pixel: white inside the frame, the thumbnail where the screen has it.
    int x0 = m_ptOffset.x;
    int y0 = m_ptOffset.y;
    int yRow = y0 + yMiddle;
    EXPECT_TRUE(Near(RGB(255, 255, 255), page.At(x0 + 2, yRow)));
    EXPECT_TRUE(Near(kMagenta, page.At(x0 + span.first + 1, yRow)));
    EXPECT_TRUE(Near(kMagenta, page.At(x0 + span.second - 1, yRow)));
    EXPECT_TRUE(Near(RGB(255, 255, 255), page.At(x0 + span.first - 2, yRow)));
    EXPECT_TRUE(Near(RGB(255, 255, 255), page.At(x0 + span.second + 2, yRow)));
    EXPECT_TRUE(Near(RGB(255, 255, 255), page.At(x0 + nViewWidth + 10, yRow)));  // the paper beyond
}

TEST_F(KaptoPrintTest, WithoutAnImageThePlaceholderPrintsAtTheViewsSize) {
    ConfigFileGuard guard;
    WriteSettings([](CKpConfig&) {});
    KaptoProcess kapto;
    ASSERT_TRUE(kapto.Start());
    ASSERT_TRUE(kapto.WaitVisible(true));
    RECT rc = ViewOnScreen(kapto.Main());
    int nViewWidth = rc.right - rc.left;
    int nViewHeight = rc.bottom - rc.top;
    Picture page;
    PrintOnePage(kapto, false, page);

    // Black ground to the view's corners, the banner's band across the
    // middle, white paper around.
    int x0 = m_ptOffset.x;
    int y0 = m_ptOffset.y;
    EXPECT_TRUE(Near(RGB(0, 0, 0), page.At(x0 + 2, y0 + 2)));
    EXPECT_TRUE(Near(RGB(0, 0, 0), page.At(x0 + nViewWidth - 2, y0 + nViewHeight - 2)));
    COLORREF band = page.At(x0 + 3, y0 + nViewHeight / 2);
    EXPECT_FALSE(Near(RGB(0, 0, 0), band, 8));
    EXPECT_FALSE(Near(RGB(255, 255, 255), band));
    EXPECT_TRUE(Near(RGB(255, 255, 255), page.At(x0 + nViewWidth + 10, y0 + 10)));
    EXPECT_TRUE(Near(RGB(255, 255, 255), page.At(x0 + 10, y0 + nViewHeight + 10)));
}

}  // namespace
