// Files that are not readable images, opened through the engine: refused
// with the current image kept, whether the header gives them away, the
// helper that decodes them fails, crashes, hangs or is killed; a corpus of
// damaged files made from valid ones; limits on pasted bitmaps and saves
// that never leave a half-written file.
#include "capture_test_support.h"
#include "image_decoder.h"
#include "support/gdiplus_codecs.h"

#include <random>
#include <string>

using namespace captest;

namespace {

COLORREF Stripes(int x, int y) { return RGB(x * 16, y * 20, (x + y) & 1 ? 255 : 0); }

std::string Le(unsigned v, int n) {
    std::string s;
    for (int i = 0; i < n; ++i)
        s += (char)((v >> (8 * i)) & 0xFF);
    return s;
}

std::string Hex(const char* psz) {
    std::string s;
    for (; psz[0] && psz[1]; psz += 2)
        s += (char)strtoul(std::string(psz, 2).c_str(), nullptr, 16);
    return s;
}

// An enhanced metafile with a rectangle, its frame nRight x nBottom
// hundredths of a millimetre.
bool WriteEmf(const std::string& path, LONG nRight, LONG nBottom) {
    RECT frame = {0, 0, nRight, nBottom};
    HDC hdc = ::CreateEnhMetaFileA(nullptr, path.c_str(), &frame, nullptr);
    if (hdc == nullptr) return false;
    ::Rectangle(hdc, 0, 0, 16, 12);
    ::DeleteEnhMetaFile(::CloseEnhMetaFile(hdc));
    return true;
}

class DecoderTest : public StartedEngineTest {
protected:
    void SetUp() override {
        StartedEngineTest::SetUp();
        if (HasFatalFailure()) return;
        m_dir = TempDir("kapto_decoder_test");
        ASSERT_TRUE(PutOnClipboard(MakeBitmap(20, 10, Stripes)));
        ASSERT_EQ(1, m_core.PasteImageData());
        m_core.SetPathName("C:\\kept.png");
    }
    void TearDown() override {
        KpSetDecoderTestHooks(nullptr);
        StartedEngineTest::TearDown();
    }
    // A refused open leaves the image, its names and the options as they were.
    void ExpectRefused(const std::string& path, int nResult) {
        Gdiplus::GpImage* pBefore = m_core.GetImage();
        EXPECT_EQ(0, m_core.OpenImage(path.c_str()));
        EXPECT_EQ(nResult, m_core.GetLastFileResult());
        EXPECT_EQ(pBefore, m_core.GetImage());
        EXPECT_EQ(CString("C:\\kept.png"), m_core.GetPathName());
    }
    // The file a GDI+ encoder makes of a w x h image.
    std::string Encode(const kptest::RawCodec& codec, int w, int h) {
        Gdiplus::GpBitmap* p = nullptr;
        HBITMAP hBitmap = MakeBitmap(w, h, Stripes);
        GdipCreateBitmapFromHBITMAP(hBitmap, nullptr, &p);
        ::DeleteObject(hBitmap);
        const std::string path = m_dir + "original";
        std::wstring wide(path.begin(), path.end());
        Gdiplus::GpStatus status = GdipSaveImageToFile(p, wide.c_str(), &codec.clsid, nullptr);
        GdipDisposeImage(p);
        return status == Gdiplus::Ok ? ReadBytes(path) : std::string();
    }
    std::string m_dir;
};

TEST_F(DecoderTest, FilesThatGiveThemselvesAwayAreRefused) {
    // A metafile of 10 x 10 metres.
    ASSERT_TRUE(WriteEmf(m_dir + "huge.emf", 1000000, 1000000));
    const struct {
        const char* pszName;
        std::string bytes;
        int nResult;
    } files[] = {
        // Its header puts the pixels past the end of the file.
        {"short.bmp",
         Hex("424d12b6000000000000360010002800000096000000670000000100180000000000dcb50000120b0000120b00000000000000000"
             "0"
             "00"),
         CKpImageStore::FileFailed},
        // A comment segment before a 30000 x 30000 frame.
        {"marker.jpg",
         std::string("\xFF\xD8\xFF\xFE\x00\x04xx\xFF\xC0\x00\x11\x08\x75\x30\x75\x30", 17) + std::string(12, '\0'),
         CKpImageStore::FileTooLarge},
        {"huge.emf", std::string(), CKpImageStore::FileTooLarge},
        // Its directory of 40000 x 40000 after a megabyte and a half of pixels.
        {"late.tif",
         std::string("II*\0", 4) + Le(0x180000, 4) + std::string(0x180000 - 8, '\0') + Le(2, 2) + Le(256, 2) +
             Le(4, 2) + Le(1, 4) + Le(40000, 4) + Le(257, 2) + Le(3, 2) + Le(1, 4) + Le(40000, 4),
         CKpImageStore::FileTooLarge},
    };
    for (const auto& f : files) {
        SCOPED_TRACE(f.pszName);
        if (!f.bytes.empty()) WriteBytes(m_dir + f.pszName, f.bytes);
        const DWORD t0 = ::GetTickCount();
        ExpectRefused(m_dir + f.pszName, f.nResult);
        EXPECT_LT(::GetTickCount() - t0, 5000u);
    }
}

TEST_F(DecoderTest, AHelperThatIsKilledOrTakesTooLongIsARefusal) {
    std::string good = m_dir + "good.png";
    ASSERT_EQ(1, m_core.SaveImage(good.c_str(), 0));
    m_core.SetPathName("C:\\kept.png");
    const struct {
        const char* pszLabel;
        const wchar_t* pszHelper;
        DWORD dwTimeoutMs;
        void (*pfnStarted)(HANDLE, void*);
        int nResult;
    } cases[] = {
        {"killed while it holds", nullptr, 0, [](HANDLE hProcess, void*) { ::TerminateProcess(hProcess, 1); },
         CKpImageStore::FileFailed},
        {"out of time", nullptr, 500, nullptr, CKpImageStore::FileFailed},
        // Said apart: the file may be fine.
        {"cannot start", L"C:\\no such folder\\Kapto.exe", 0, nullptr, CKpImageStore::FileNoDecoder},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszLabel);
        KpDecoderTestHooks hooks = {c.pszHelper, c.dwTimeoutMs, TRUE, c.pfnStarted, nullptr};
        KpSetDecoderTestHooks(&hooks);
        const DWORD t0 = ::GetTickCount();
        ExpectRefused(good, c.nResult);
        EXPECT_LT(::GetTickCount() - t0, 5000u);
    }
    KpSetDecoderTestHooks(nullptr);
    EXPECT_EQ(1, m_core.OpenImage(good.c_str()));
}

// The decode's time limit is the helper's work alone: a decode that ends
// while the program's thread sits in a modal loop longer than the limit
// opens once the loop is over.
TEST_F(DecoderTest, ADecodeThatEndsDuringALongModalLoopOpens) {
    std::string good = m_dir + "good.png";
    ASSERT_EQ(1, m_core.SaveImage(good.c_str(), 0));
    KpDecoderTestHooks hooks = {nullptr, 800, FALSE, nullptr, nullptr};
    KpSetDecoderTestHooks(&hooks);
    KpPrepareImageDecoder();
    // Met by the decode's message pump: a loop of its own for twice the limit.
    HWND hLoop = ::CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ::SetWindowLongPtrA(hLoop, GWLP_WNDPROC, (LONG_PTR)(WNDPROC)[](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        if (m != WM_APP) return ::DefWindowProcA(h, m, w, l);
        for (const DWORD nEnd = ::GetTickCount() + 1600; ::GetTickCount() < nEnd;) {
            MSG msg;
            while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                ::DispatchMessageA(&msg);
            ::Sleep(10);
        }
        return 0;
    });
    ::PostMessageA(hLoop, WM_APP, 0, 0);
    EXPECT_EQ(1, m_core.OpenImage(good.c_str()));
    ::DestroyWindow(hLoop);
}

// A helper that answers with a section the program did not give it is not
// believed, whatever its section holds. It ran in the sandbox the program
// asked for; which restrictions a system takes and enforces differs (Wine 8
// takes them all and enforces the job and the handle list), and every open
// of these tests ran through it all the same.
TEST_F(DecoderTest, AnAnswerWithAForeignSectionIsRefused) {
    const std::string helper = kptest::ExeDir() + "decoder_stand_in.exe";
    const std::wstring wide(helper.begin(), helper.end());
    KpDecoderTestHooks hooks = {wide.c_str(), 0, FALSE, nullptr, nullptr};
    KpSetDecoderTestHooks(&hooks);
    WriteBytes(m_dir + "foreign.png", "any");
    ExpectRefused(m_dir + "foreign.png", CKpImageStore::FileFailed);
    const KpDecoderSandbox s = KpGetDecoderSandbox();
    for (int nState : {s.nRestrictedToken, s.nLowIntegrity, s.nJob, s.nOneProcess, s.nUiLimits, s.nHandleList}) {
        EXPECT_NE(KpNotAsked, nState);
        if (!RunningUnderWine()) {
            EXPECT_EQ(KpTaken, nState);
        }
    }
}

TEST_F(DecoderTest, APastedBitmapOverTheLimitIsRefused) {
    Gdiplus::GpImage* pBefore = m_core.GetImage();
    // 64,008,000 pixels at one bit each.
    ASSERT_TRUE(PutOnClipboard(::CreateBitmap(8001, 8000, 1, 1, nullptr)));
    EXPECT_EQ(0, m_core.PasteImageData());
    EXPECT_EQ(pBefore, m_core.GetImage());
}

TEST_F(DecoderTest, AFailedSaveLeavesTheOldFile) {
    // Wine's GDI+ opens the file and then finds it cannot encode a metafile.
    const std::string emf = m_dir + "small.emf";
    ASSERT_TRUE(WriteEmf(emf, 2000, 1000));
    std::wstring wide(emf.begin(), emf.end());
    Gdiplus::GpImage* pMetafile = nullptr;
    ASSERT_EQ(Gdiplus::Ok, GdipLoadImageFromFile(wide.c_str(), &pMetafile));
    ASSERT_EQ(1, m_core.SetCurrentImage(pMetafile));
    const std::string old = m_dir + "old.png";
    WriteBytes(old, "the old picture");
    if (m_core.SaveImage(old.c_str(), 0)) GTEST_SKIP() << "this GDI+ writes metafiles: no failing write to make";
    EXPECT_EQ("the old picture", ReadBytes(old));
}

// Damaged copies of a small valid file of every format GDI+ writes here and
// of a metafile, all opened through the engine: the engine never
// dies or hangs, a refusal keeps the previous image, and each original opens
// at its size.
TEST_F(DecoderTest, DamagedFilesOfEveryFormatNeverCostTheImage) {
    const unsigned seed = ::GetTickCount();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::vector<std::pair<std::string, std::string>> originals;  // extension, bytes
    for (const kptest::RawCodec& codec : kptest::ReadCodecs(true)) {
        if (codec.format == L"GIF" && RunningUnderWine()) continue;  // no pixels from Wine's GIF encoder
        std::string bytes = Encode(codec, 16, 12);
        ASSERT_FALSE(bytes.empty());
        const std::wstring ext = codec.extensions.substr(2, codec.extensions.find(L';') - 2);
        originals.push_back({"." + std::string(ext.begin(), ext.end()), bytes});
    }
    const std::string emf = m_dir + "original.emf";
    ASSERT_TRUE(WriteEmf(emf, 400, 300));
    originals.push_back({".emf", ReadBytes(emf)});

    const int kPerFormat = 50;
    int nOpened = 0;
    for (const auto& original : originals) {
        const std::string path = m_dir + "original" + original.first;
        WriteBytes(path, original.second);
        ASSERT_EQ(1, m_core.OpenImage(path.c_str())) << original.first;
        const UINT w = ImageWidth(m_core.GetImage()), h = ImageHeight(m_core.GetImage());
        if (original.first != ".emf") {
            EXPECT_TRUE(w == 16 && h == 12) << original.first;
        }
        for (int i = 0; i < kPerFormat; ++i) {
            std::string bytes = original.second;
            const size_t n = bytes.size();
            switch (i % 3) {
                case 0:  // cut short
                    bytes.resize(random() % n);
                    break;
                case 1:  // bits flipped
                    for (int k = 1 + random() % 4; k > 0; --k)
                        bytes[random() % n] ^= (char)(1 << random() % 8);
                    break;
                default: {  // a header field at an extreme
                    static const unsigned kExtremes[] = {0, 0xFFFFFFFF, 0x7FFFFFFF, 0x80000000, 0x10000};
                    const size_t at = random() % std::min<size_t>(n - 4, 64);
                    const std::string field = Le(kExtremes[random() % 5], 4);
                    bytes.replace(at, 1 + random() % 4, field.substr(0, 1 + random() % 4));
                    break;
                }
            }
            const std::string damaged = m_dir + "damaged" + std::to_string(i) + original.first;
            WriteBytes(damaged, bytes);
            SCOPED_TRACE(damaged);
            Gdiplus::GpImage* pBefore = m_core.GetImage();
            const CString strBefore = m_core.GetPathName();
            if (m_core.OpenImage(damaged.c_str())) {
                ++nOpened;
                EXPECT_NE(nullptr, m_core.GetImage());
            } else {
                EXPECT_EQ(pBefore, m_core.GetImage());
                EXPECT_EQ(strBefore, m_core.GetPathName());
            }
        }
        ASSERT_EQ(1, m_core.OpenImage(path.c_str())) << original.first;
        EXPECT_EQ(w, ImageWidth(m_core.GetImage()));
        EXPECT_EQ(h, ImageHeight(m_core.GetImage()));
    }
    printf("%d of %d damaged files opened\n", nOpened, (int)originals.size() * kPerFormat);
}

}  // namespace
