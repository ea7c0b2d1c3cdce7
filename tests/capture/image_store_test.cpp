// The engine's current image: thumbnails, files and the clipboard, through
// the public interface. Images come in through the clipboard (a paste is a
// capture of a known bitmap).
#include "capture_test_support.h"
#include "support/clipboard_holder.h"
#include "support/gdiplus_codecs.h"

#include <algorithm>
#include <functional>

using namespace captest;
using kptest::ClipboardHolder;

namespace {

COLORREF Pattern(int x, int y) { return RGB((x * 7 + y) & 0xFF, (y * 5) & 0xFF, (x ^ y) & 0xFF); }

struct Encoder {
    std::wstring format;
    std::vector<std::string> extensions;  // without "*."
    CLSID clsid;
    GUID formatId;
};

std::vector<Encoder> Encoders() {
    std::vector<Encoder> result;
    for (const kptest::RawCodec& c : kptest::ReadCodecs(true)) {
        Encoder e;
        e.format = c.format;
        e.clsid = c.clsid;
        e.formatId = c.formatId;
        const std::wstring& list = c.extensions;
        size_t start = 0;
        while (start <= list.size()) {
            size_t end = list.find(L';', start);
            if (end == std::wstring::npos) end = list.size();
            std::wstring pattern = list.substr(start, end - start);
            if (pattern.size() > 2 && pattern.compare(0, 2, L"*.") == 0) {
                std::string ext;
                for (wchar_t ch : pattern.substr(2))
                    ext += (char)ch;
                e.extensions.push_back(ext);
            }
            start = end + 1;
        }
        result.push_back(e);
    }
    return result;
}

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return (char)tolower(c); });
    return s;
}

// The raw format and size of an image file, read with GDI+ itself.
bool IsGif(const Encoder& e) { return e.format == L"GIF"; }

bool ProbeFile(const std::string& path, GUID& format, UINT& w, UINT& h) {
    std::wstring wide(path.begin(), path.end());
    Gdiplus::GpImage* p = nullptr;
    if (GdipLoadImageFromFile(wide.c_str(), &p) != Gdiplus::Ok) return false;
    GdipGetImageRawFormat(p, &format);
    GdipGetImageWidth(p, &w);
    GdipGetImageHeight(p, &h);
    GdipDisposeImage(p);
    return true;
}

class StoreTest : public StartedEngineTest {
protected:
    void SetUp() override {
        StartedEngineTest::SetUp();
        if (HasFatalFailure()) return;
        m_dir = TempDir("kapto_store_test");
    }

    // A capture of a w x h pattern, through the clipboard.
    void Paste(int w, int h, COLORREF (*pfn)(int, int) = Pattern) {
        ASSERT_TRUE(PutOnClipboard(MakeBitmap(w, h, pfn)));
        ASSERT_EQ(1, m_core.PasteImageData());
        ASSERT_EQ((UINT)w, ImageWidth(m_core.GetImage()));
        ASSERT_EQ((UINT)h, ImageHeight(m_core.GetImage()));
    }
    std::vector<UINT> PatternPixels(int w, int h) {
        std::vector<UINT> v((size_t)w * h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                COLORREF c = Pattern(x, y);
                v[(size_t)y * w + x] = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
            }
        return v;
    }

    std::string m_dir;
};

// ---- Thumbnails -----------------------------------------------------------------------

struct ThumbCase {
    int w, h;            // image
    int tw, th, tx, ty;  // thumbnail and its offset, view 390 x 280 (room 386 x 276)
};

class ThumbnailTest : public StoreTest, public ::testing::WithParamInterface<ThumbCase> {};

TEST_P(ThumbnailTest, FitsTheViewWithoutEnlarging) {
    const ThumbCase& c = GetParam();
    Paste(c.w, c.h);
    int x = -1, y = -1;
    Gdiplus::GpImage* pThumb = m_core.GetThubImage(x, y);
    ASSERT_NE(nullptr, pThumb);
    EXPECT_EQ((UINT)c.tw, ImageWidth(pThumb));
    EXPECT_EQ((UINT)c.th, ImageHeight(pThumb));
    EXPECT_EQ(c.tx, x);
    EXPECT_EQ(c.ty, y);
}

INSTANTIATE_TEST_SUITE_P(Sizes, ThumbnailTest,
                         ::testing::Values(
                             // f = max(772/386, 100/276) = 2: 386 x 50 at (2, (276-50)/2 + 2).
                             ThumbCase{772, 100, 386, 50, 2, 115},
                             // Fits: kept, centred at ((386-100)/2 + 2, (276-50)/2 + 2).
                             ThumbCase{100, 50, 100, 50, 145, 115},
                             // Exactly the room: kept, at the margin.
                             ThumbCase{386, 276, 386, 276, 2, 2},
                             // Larger both ways, f = max(4, 4) = 4.
                             ThumbCase{1544, 1104, 386, 276, 2, 2},
                             // Larger both ways, height decides: f = max(2.59, 5) = 5, 200 x 276.
                             ThumbCase{1000, 1380, 200, 276, 95, 2},
                             // Only the height is too large: f = max(0.52, 2) = 2, 100 x 276.
                             ThumbCase{200, 552, 100, 276, 145, 2},
                             // f = 10; the height 0.2 keeps one pixel: (276 - 1)/2 + 2 = 139.
                             ThumbCase{3860, 2, 386, 1, 2, 139}));

TEST_F(StoreTest, ViewWithoutRoomGetsNoThumbnail) {
    // Client area 4 x 4: nothing is left inside the 2-pixel margin.
    ::MoveWindow(m_view.m_hWnd, 0, 0, 4, 4, FALSE);
    Paste(20, 10);
    int x, y;
    EXPECT_EQ(nullptr, m_core.GetThubImage(x, y));
    EXPECT_NE(nullptr, m_core.GetImage());
}

TEST_F(StoreTest, NoImageMeansNoThumbnail) {
    int x, y;
    EXPECT_EQ(nullptr, m_core.GetImage());
    EXPECT_EQ(nullptr, m_core.GetThubImage(x, y));
    Paste(20, 10);
    m_core.ClearGdiplusImage();
    EXPECT_EQ(nullptr, m_core.GetImage());
    EXPECT_EQ(nullptr, m_core.GetThubImage(x, y));
}

// Colour c of the rounded mean of the pattern over columns [x0, x1) and rows
// [y0, y1), as 0x00RRGGBB.
UINT PatternMean(int x0, int x1, int y0, int y1) {
    unsigned sum[3] = {0, 0, 0}, n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x, ++n) {
            COLORREF c = Pattern(x, y);
            sum[0] += GetRValue(c);
            sum[1] += GetGValue(c);
            sum[2] += GetBValue(c);
        }
    return ((sum[0] + n / 2) / n) << 16 | ((sum[1] + n / 2) / n) << 8 | (sum[2] + n / 2) / n;
}

TEST_F(StoreTest, ThumbnailIsTheMeanOfEachBoxOfPixels) {
    // f = max(1000 / 386, 300 / 276) = 2.59: 386 x 115, boxes of two and
    // three columns and rows, every pixel of the capture in one box.
    Paste(1000, 300);
    int x = 0, y = 0;
    Gdiplus::GpImage* pThumb = m_core.GetThubImage(x, y);
    ASSERT_NE(nullptr, pThumb);
    const int tw = 386, th = 115;
    ASSERT_EQ((UINT)tw, ImageWidth(pThumb));
    ASSERT_EQ((UINT)th, ImageHeight(pThumb));
    std::vector<UINT> got = ImagePixels(pThumb);
    ASSERT_EQ((size_t)tw * th, got.size());
    for (int ty = 0; ty < th; ++ty)
        for (int tx = 0; tx < tw; ++tx)
            ASSERT_EQ(PatternMean(tx * 1000 / tw, (tx + 1) * 1000 / tw, ty * 300 / th, (ty + 1) * 300 / th),
                      got[(size_t)ty * tw + tx])
                << tx << "," << ty;
    // The pixel format GDI+ gives its own thumbnails, so a saved or copied
    // thumbnail is the same kind of image as before.
    Gdiplus::PixelFormat format = 0;
    GdipGetImagePixelFormat(pThumb, &format);
    EXPECT_EQ(PixelFormat32bppPARGB, format);
}

TEST_F(StoreTest, ThumbnailOfATransparentPictureKeepsItsTransparency) {
    // Left half opaque blue, right half fully transparent.
    const int w = 800, h = 200;
    std::vector<UINT> argb((size_t)w * h);
    for (int yy = 0; yy < h; ++yy)
        for (int xx = 0; xx < w; ++xx)
            argb[(size_t)yy * w + xx] = xx < w / 2 ? 0xFF0000FFu : 0x00FF0000u;
    Gdiplus::GpBitmap* pBitmap = nullptr;
    ASSERT_EQ(Gdiplus::Ok, GdipCreateBitmapFromScan0(w, h, w * 4, PixelFormat32bppARGB, (BYTE*)argb.data(), &pBitmap));
    const std::string path = m_dir + "half_transparent.png";
    std::wstring wide(path.begin(), path.end());
    CLSID png = {};
    bool bFound = false;
    for (const Encoder& e : Encoders())
        if (e.format == L"PNG") png = e.clsid, bFound = true;
    ASSERT_TRUE(bFound);
    ASSERT_EQ(Gdiplus::Ok, GdipSaveImageToFile(pBitmap, wide.c_str(), &png, nullptr));
    GdipDisposeImage(pBitmap);

    ASSERT_EQ(1, m_core.OpenImage(path.c_str()));
    int x = 0, y = 0;
    Gdiplus::GpImage* pThumb = m_core.GetThubImage(x, y);
    ASSERT_NE(nullptr, pThumb);
    ASSERT_EQ(386u, ImageWidth(pThumb));
    Gdiplus::ARGB left = 0, right = 0;
    GdipBitmapGetPixel(static_cast<Gdiplus::GpBitmap*>(pThumb), 10, 40, &left);
    GdipBitmapGetPixel(static_cast<Gdiplus::GpBitmap*>(pThumb), 380, 40, &right);
    EXPECT_EQ(0xFF0000FFu, left);
    EXPECT_EQ(0u, right >> 24) << std::hex << right;
    ::DeleteFileA(path.c_str());
}

TEST_F(StoreTest, ARefreshOfTheSameSizeWritesIntoTheCurrentImage) {
    Paste(300, 200);
    Gdiplus::GpImage* pFirst = m_core.GetImage();
    // Negation keeps the size: the new picture goes into the same image.
    m_core.m_config.SetNegate(1);
    m_core.RefreshImageData();
    EXPECT_EQ(pFirst, m_core.GetImage());
    std::vector<UINT> expect = PatternPixels(300, 200);
    for (UINT& px : expect)
        px = ~px & 0x00FFFFFF;
    EXPECT_EQ(expect, ImagePixels(m_core.GetImage()));
    int x, y;
    EXPECT_EQ(PatternMean(0, 1, 0, 1) ^ 0x00FFFFFF, ImagePixels(m_core.GetThubImage(x, y))[0]);
    // Halving does not: a new image of the new size.
    m_core.m_config.SetScale(1);
    m_core.m_config.SetScaleFactor(50);
    m_core.RefreshImageData();
    EXPECT_EQ(150u, ImageWidth(m_core.GetImage()));
    EXPECT_EQ(100u, ImageHeight(m_core.GetImage()));
}

TEST_F(StoreTest, WithoutOptionsTheCaptureIsTheProcessedBitmap) {
    Paste(30, 20);
    auto shared = [&] { return m_core.ProcessedHandle() == m_core.CaptureHandle(); };
    EXPECT_TRUE(shared());
    m_core.m_config.SetNegate(1);
    m_core.RefreshImageData();
    EXPECT_FALSE(shared());
    // Back without options: the capture's own pixels again, not the last
    // processed ones.
    m_core.m_config.SetNegate(0);
    m_core.RefreshImageData();
    EXPECT_TRUE(shared());
    EXPECT_EQ(PatternPixels(30, 20), ImagePixels(m_core.GetImage()));
}

// ---- Clipboard ------------------------------------------------------------------------

TEST_F(StoreTest, CopyAndPasteRoundTripIsPixelExact) {
    Paste(64, 48);
    std::vector<UINT> before = ImagePixels(m_core.GetImage());
    EXPECT_EQ(PatternPixels(64, 48), before);

    ASSERT_EQ(1, m_core.CopyImageData(0));
    ASSERT_TRUE(::OpenClipboard(nullptr));
    int w = 0, h = 0;
    std::vector<UINT> clip = BitmapPixels((HBITMAP)::GetClipboardData(CF_BITMAP), w, h);
    ::CloseClipboard();
    EXPECT_EQ(64, w);
    EXPECT_EQ(48, h);
    EXPECT_EQ(before, clip);

    m_core.ClearGdiplusImage();
    ASSERT_EQ(1, m_core.PasteImageData());
    EXPECT_EQ(before, ImagePixels(m_core.GetImage()));
}

TEST_F(StoreTest, APastedImageCameFromNoScreenArea) {
    ASSERT_EQ(1, m_core.SnapFullScreen());
    EXPECT_EQ(kSnapFullScreen, m_core.GetCaptureInfo().nMode);
    Paste(8, 8);
    EXPECT_TRUE(m_core.GetCaptureInfo().rcScreen.IsRectEmpty());
    EXPECT_EQ(-1, m_core.GetCaptureInfo().nMode);
}

TEST_F(StoreTest, CurrentImageIsA24BitCopyOfThePixels) {
    // Odd widths: rows of 24-bit pixels padded to four bytes.
    for (int w : {1, 2, 3, 37, 64, 1023}) {
        SCOPED_TRACE(w);
        Paste(w, 5);
        Gdiplus::PixelFormat format = 0;
        GdipGetImagePixelFormat(m_core.GetImage(), &format);
        EXPECT_EQ(PixelFormat24bppRGB, format);
        EXPECT_EQ(PatternPixels(w, 5), ImagePixels(m_core.GetImage()));
    }
}

TEST_F(StoreTest, CopyOfTheThumbnailHasTheThumbnailsSize) {
    Paste(772, 100);
    ASSERT_EQ(1, m_core.CopyImageData(1));
    ASSERT_TRUE(::OpenClipboard(nullptr));
    int w = 0, h = 0;
    BitmapPixels((HBITMAP)::GetClipboardData(CF_BITMAP), w, h);
    ::CloseClipboard();
    EXPECT_EQ(386, w);
    EXPECT_EQ(50, h);
}

TEST_F(StoreTest, CopyWithoutAnImageFails) {
    EXPECT_EQ(0, m_core.CopyImageData(0));
    EXPECT_EQ(0, m_core.CopyImageData(1));
}

TEST_F(StoreTest, ClipboardHeldByAnotherProgramFailsWithoutLosingTheBitmap) {
    Paste(64, 48);
    ASSERT_EQ(1, m_core.CopyImageData(0));  // the first copy makes what the clipboard keeps
    Gdiplus::GpImage* pBefore = m_core.GetImage();
    int nBefore = GdiHeadroom();
    {
        ClipboardHolder holder;
        ASSERT_TRUE(holder.m_bOpened);
        // Each waits its second for the holder first.
        EXPECT_EQ(0, m_core.CopyImageData(0));
        EXPECT_EQ(0, m_core.CopyImageData(1));
        EXPECT_EQ(0, m_core.PasteImageData());
    }
    EXPECT_EQ(nBefore, GdiHeadroom());
    EXPECT_EQ(pBefore, m_core.GetImage());
    // Free again: both work.
    EXPECT_EQ(1, m_core.CopyImageData(0));
    EXPECT_EQ(1, m_core.PasteImageData());
}

TEST_F(StoreTest, AClipboardHeldForAMomentIsWaitedFor) {
    Paste(64, 48);
    ClipboardHolder* pHolder = new ClipboardHolder;
    ASSERT_TRUE(pHolder->m_bOpened);
    // The other program lets go a moment after the copy began.
    HANDLE hLetGo = ::CreateThread(
        nullptr, 0,
        [](LPVOID p) -> DWORD {
            ::Sleep(150);
            delete static_cast<ClipboardHolder*>(p);
            return 0;
        },
        pHolder, 0, nullptr);
    ASSERT_NE(nullptr, hLetGo);
    EXPECT_EQ(1, m_core.CopyImageData(0));
    ::WaitForSingleObject(hLetGo, 10000);
    ::CloseHandle(hLetGo);
}

TEST_F(StoreTest, PasteWithoutABitmapFailsAndChangesNothing) {
    Paste(30, 20);
    Gdiplus::GpImage* pBefore = m_core.GetImage();
    m_core.SetPathName("C:\\a.png");
    EmptyTheClipboard();
    EXPECT_EQ(0, m_core.PasteImageData());
    EXPECT_EQ(pBefore, m_core.GetImage());
    EXPECT_EQ(CString("C:\\a.png"), m_core.GetPathName());

    // Text only.
    ASSERT_TRUE(::OpenClipboard(nullptr));
    ::EmptyClipboard();
    HGLOBAL hText = ::GlobalAlloc(GMEM_MOVEABLE, 4);
    memcpy(::GlobalLock(hText), "abc", 4);
    ::GlobalUnlock(hText);
    ::SetClipboardData(CF_TEXT, hText);
    ::CloseClipboard();
    EXPECT_EQ(0, m_core.PasteImageData());
    EXPECT_EQ(pBefore, m_core.GetImage());

    // The clipboard was closed again: another program can open it.
    EXPECT_TRUE(::OpenClipboard(nullptr));
    ::CloseClipboard();
}

TEST_F(StoreTest, PasteRunsTheCurrentImageOptionsAndKeepsThem) {
    m_core.m_config.SetNegate(1);
    m_core.m_config.SetFlipHorz(1);
    ASSERT_TRUE(PutOnClipboard(MakeBitmap(4, 2, [](int x, int) { return x == 0 ? RGB(255, 0, 0) : RGB(0, 0, 0); })));
    m_core.SetPathName("C:\\a.png");
    ASSERT_EQ(1, m_core.PasteImageData());
    EXPECT_EQ(RGB(0, 255, 255), ImagePixel(m_core.GetImage(), 3, 0));  // red, negated, mirrored to x = 3
    EXPECT_EQ(RGB(255, 255, 255), ImagePixel(m_core.GetImage(), 0, 0));
    EXPECT_TRUE(m_core.GetPathName().IsEmpty());
    EXPECT_EQ(1, m_core.m_config.GetNegate());
}

// ---- Files ---------------------------------------------------------------------------------

TEST_F(StoreTest, SaveAndOpenRoundTripForEveryEncoder) {
    std::vector<Encoder> encoders = Encoders();
    ASSERT_FALSE(encoders.empty());
    Paste(64, 48);
    std::vector<UINT> original = ImagePixels(m_core.GetImage());
    for (const Encoder& e : encoders) {
        ASSERT_FALSE(e.extensions.empty());
        std::string ext = Lower(e.extensions[0]);
        std::string name = "roundtrip." + ext;
        std::string path = m_dir + name;
        SCOPED_TRACE(path);
        ::DeleteFileA(path.c_str());
        Paste(64, 48);
        ASSERT_EQ(1, m_core.SaveImage(path.c_str(), 0));
        EXPECT_EQ(CString(path.c_str()), m_core.GetPathName());
        EXPECT_EQ(CString(name.c_str()), m_core.GetFileName());
        if (IsGif(e) && RunningUnderWine()) continue;

        m_core.m_config.SetGrayScale(1);  // opening resets the options
        ASSERT_EQ(1, m_core.OpenImage(path.c_str()));
        EXPECT_EQ(0, m_core.m_config.GetGrayScale());
        EXPECT_EQ(CString(path.c_str()), m_core.GetPathName());
        EXPECT_EQ(CString(name.c_str()), m_core.GetFileName());
        EXPECT_EQ(64u, ImageWidth(m_core.GetImage()));
        EXPECT_EQ(48u, ImageHeight(m_core.GetImage()));
        int x, y;
        EXPECT_NE(nullptr, m_core.GetThubImage(x, y));
        if (ext == "bmp" || ext == "png" || ext == "tif") {
            EXPECT_EQ(original, ImagePixels(m_core.GetImage())) << "lossless format changed pixels";
            // The bitmaps now hold the opened picture: a refresh shows it.
            m_core.RefreshImageData();
            EXPECT_EQ(original, ImagePixels(m_core.GetImage()));
        }
    }
}

TEST_F(StoreTest, ExplicitPathChoosesTheEncoderByExtension) {
    std::vector<Encoder> encoders = Encoders();
    Paste(40, 30);
    int nSaved = 0;
    for (const Encoder& e : encoders) {
        for (const std::string& ext : e.extensions) {
            for (const std::string& variant : {Lower(ext), ext}) {
                std::string path = m_dir + "byext." + variant;
                SCOPED_TRACE(path);
                ::DeleteFileA(path.c_str());
                ASSERT_EQ(1, m_core.SaveImage(path.c_str(), 0));
                if (IsGif(e) && RunningUnderWine()) {
                    EXPECT_EQ(0u, ReadBytes(path).compare(0, 6, "GIF89a"));
                    continue;
                }
                GUID format = {};
                UINT w = 0, h = 0;
                ASSERT_TRUE(ProbeFile(path, format, w, h));
                EXPECT_TRUE(IsEqualGUID(e.formatId, format));
                EXPECT_EQ(40u, w);
                EXPECT_EQ(30u, h);
                ++nSaved;
            }
        }
    }
    EXPECT_GE(nSaved, 10);
}

TEST_F(StoreTest, ExplicitPathThatNoEncoderClaimsWritesNothing) {
    Paste(40, 30);
    m_core.SetPathName("C:\\kept.png");
    m_core.SetFileName("kept.png");
    for (const char* name : {"unknown.xyz", "noextension", "trailingdot.", "dir.png\\inside"}) {
        std::string path = m_dir + name;
        SCOPED_TRACE(path);
        EXPECT_EQ(0, m_core.SaveImage(path.c_str(), 0));
        EXPECT_FALSE(FileExists(path));
    }
    EXPECT_EQ(CString("C:\\kept.png"), m_core.GetPathName());
    EXPECT_EQ(CString("kept.png"), m_core.GetFileName());
}

TEST_F(StoreTest, SavingTheThumbnailKeepsTheNames) {
    Paste(772, 100);
    m_core.SetPathName("C:\\kept.png");
    m_core.SetFileName("kept.png");
    std::string path = m_dir + "thumb.png";
    ::DeleteFileA(path.c_str());
    ASSERT_EQ(1, m_core.SaveImage(path.c_str(), 1));
    GUID format;
    UINT w = 0, h = 0;
    ASSERT_TRUE(ProbeFile(path, format, w, h));
    EXPECT_EQ(386u, w);
    EXPECT_EQ(50u, h);
    EXPECT_EQ(CString("C:\\kept.png"), m_core.GetPathName());
    EXPECT_EQ(CString("kept.png"), m_core.GetFileName());
}

TEST_F(StoreTest, SaveWithoutAnImageFails) {
    std::string path = m_dir + "none.png";
    ::DeleteFileA(path.c_str());
    EXPECT_EQ(0, m_core.SaveImage(path.c_str(), 0));
    EXPECT_EQ(0, m_core.SaveImage(path.c_str(), 1));
    EXPECT_FALSE(FileExists(path));
}

TEST_F(StoreTest, SaveToAMissingFolderFailsAndKeepsTheNames) {
    Paste(10, 10);
    m_core.SetPathName("C:\\kept.png");
    EXPECT_EQ(0, m_core.SaveImage((m_dir + "no such folder\\x.png").c_str(), 0));
    EXPECT_EQ(CString("C:\\kept.png"), m_core.GetPathName());
}

TEST_F(StoreTest, OpenedImageCanBeSavedBackToItsOwnFile) {
    Paste(64, 48);
    std::string path = m_dir + "own.png";
    ASSERT_EQ(1, m_core.SaveImage(path.c_str(), 0));
    ASSERT_EQ(1, m_core.OpenImage(path.c_str()));
    // The program's Save command: the current path again.
    EXPECT_EQ(1, m_core.SaveImage(m_core.GetPathName(), 0));
    EXPECT_TRUE(::DeleteFileA(path.c_str()));  // nothing holds the file open
}

TEST_F(StoreTest, FailedOpenKeepsTheImageNamesAndOptions) {
    // A file that is not a readable image must not cost the user the capture.
    Paste(20, 10);
    Gdiplus::GpImage* pBefore = m_core.GetImage();
    m_core.SetPathName("C:\\kept.png");
    m_core.SetFileName("kept.png");
    m_core.m_config.SetGrayScale(1);
    m_core.m_config.SetRotateAngle(90);
    std::string notImage = m_dir + "not_an_image.png";
    WriteBytes(notImage, "this is text");
    std::string empty = m_dir + "empty.png";
    WriteBytes(empty, "");
    for (const std::string& path : {m_dir + "missing.png", notImage, empty}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(0, m_core.OpenImage(path.c_str()));
        EXPECT_EQ(CKpImageStore::FileFailed, m_core.GetLastFileResult());
        EXPECT_STREQ(path.c_str(), m_core.GetLastFilePath());
        int x, y;
        EXPECT_EQ(pBefore, m_core.GetImage());
        EXPECT_NE(nullptr, m_core.GetThubImage(x, y));
        EXPECT_EQ(CString("C:\\kept.png"), m_core.GetPathName());
        EXPECT_EQ(CString("kept.png"), m_core.GetFileName());
        EXPECT_EQ(1, m_core.m_config.GetGrayScale());
        EXPECT_EQ(90, m_core.m_config.GetRotateAngle());
    }
}

// The first bytes of a file whose header declares a w x h image (big-endian
// or little-endian fields as the format has them); no pixels follow.
std::string Be(unsigned v, int n) {
    std::string s;
    for (int i = n - 1; i >= 0; --i)
        s += (char)((v >> (8 * i)) & 0xFF);
    return s;
}
std::string Le(unsigned v, int n) {
    std::string s;
    for (int i = 0; i < n; ++i)
        s += (char)((v >> (8 * i)) & 0xFF);
    return s;
}

TEST_F(StoreTest, ImagesLargerThanTheLimitAreRefusedFromTheirHeaderAlone) {
    Paste(20, 10);
    Gdiplus::GpImage* pBefore = m_core.GetImage();
    const std::string png = std::string("\x89PNG\r\n\x1a\n", 8) + Be(13, 4) + "IHDR";
    const std::string tiffEntry =
        Le(256, 2) + Le(4, 2) + Le(1, 4) + Le(40000, 4) + Le(257, 2) + Le(3, 2) + Le(1, 4) + Le(40000, 2) + Le(0, 2);
    const struct {
        const char* pszName;
        std::string bytes;
        int nResult;
    } files[] = {
        {"png.png", png + Be(30000, 4) + Be(30000, 4) + std::string(5, '\0'), CKpImageStore::FileTooLarge},
        // Exactly the limit: left to the decoder, which finds no pixels.
        {"limit.png", png + Be(8000, 4) + Be(8000, 4) + std::string(5, '\0'), CKpImageStore::FileFailed},
        {"gif.gif", "GIF89a" + Le(65535, 2) + Le(65535, 2) + std::string(3, '\0'), CKpImageStore::FileTooLarge},
        {"bmp.bmp",
         "BM" + Le(0, 4) + Le(0, 4) + Le(54, 4) + Le(40, 4) + Le(20000, 4) + Le((unsigned)-20000, 4) +
             std::string(28, '\0'),
         CKpImageStore::FileTooLarge},
        {"jpeg.jpg",
         std::string("\xFF\xD8\xFF\xE0", 4) + Be(16, 2) + std::string(14, '\0') + std::string("\xFF\xC2", 2) +
             Be(17, 2) + "\x08" + Be(9000, 2) + Be(9000, 2) + std::string(12, '\0'),
         CKpImageStore::FileTooLarge},
        {"tiff.tif", std::string("II*\0", 4) + Le(8, 4) + Le(2, 2) + tiffEntry, CKpImageStore::FileTooLarge},
    };
    for (const auto& f : files) {
        SCOPED_TRACE(f.pszName);
        const std::string path = m_dir + f.pszName;
        WriteBytes(path, f.bytes);
        EXPECT_EQ(0, m_core.OpenImage(path.c_str()));
        EXPECT_EQ(f.nResult, m_core.GetLastFileResult());
        EXPECT_EQ(pBefore, m_core.GetImage());
        ::DeleteFileA(path.c_str());
    }
}

TEST_F(StoreTest, EachFileOperationTellsHowItEnded) {
    // The caller reports a failure, stays silent on a cancel, and needs the
    // file's name for its message.
    std::string good = m_dir + "good.png";
    std::string missingFolder = m_dir + "no such folder\\x.png";
    EXPECT_EQ(0, m_core.SaveImage(good.c_str(), 0));
    EXPECT_EQ(CKpImageStore::FileNoImage, m_core.GetLastFileResult());
    EXPECT_EQ(0, m_core.CopyImageData(0));
    EXPECT_EQ(CKpImageStore::FileNoImage, m_core.GetLastFileResult());
    Paste(16, 12);
    const struct {
        const char* label;
        std::function<int()> op;
        int nResult;
        std::string path;
    } cases[] = {
        {"save", [&] { return m_core.SaveImage(good.c_str(), 0); }, CKpImageStore::FileDone, good},
        {"save to a missing folder", [&] { return m_core.SaveImage(missingFolder.c_str(), 1); },
         CKpImageStore::FileFailed, missingFolder},
        {"save as a type no encoder writes", [&] { return m_core.SaveImage((m_dir + "x.abc").c_str(), 0); },
         CKpImageStore::FileFailed, m_dir + "x.abc"},
        {"open", [&] { return m_core.OpenImage(good.c_str()); }, CKpImageStore::FileDone, good},
        {"copy", [&] { return m_core.CopyImageData(0); }, CKpImageStore::FileDone, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(c.nResult == CKpImageStore::FileDone ? 1 : 0, c.op());
        EXPECT_EQ(c.nResult, m_core.GetLastFileResult());
        EXPECT_STREQ(c.path.c_str(), m_core.GetLastFilePath());
    }
    ClipboardHolder holder;
    ASSERT_TRUE(holder.m_bOpened);
    EXPECT_EQ(0, m_core.CopyImageData(1));
    EXPECT_EQ(CKpImageStore::FileFailed, m_core.GetLastFileResult());
}

}  // namespace
