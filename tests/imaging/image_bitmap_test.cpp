// CImageBitmap on real GDI: chains and their background refill, copies,
// loading from files and resources, and the sizes that must be refused.
#include <gtest/gtest.h>
#include <windows.h>
#include <gdiplus.h>
#include <limits.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "image_bitmap.h"
#include "pixel_test_support.h"
#include "support/gdiplus_codecs.h"
#include "support/temp_files.h"
#include "support/top_down_dib.h"

namespace {

// Reaches the protected helpers.
class TestBitmap : public CImageBitmap {
public:
    explicit TestBitmap(unsigned long clr = 0xFFFFFF) : CImageBitmap(clr) {}
    using CImageBitmap::ExtractBitmap;
    using CImageBitmap::Fill;
    using CImageBitmap::GetDIBits32;
    using CImageBitmap::GetFileType;
    using CImageBitmap::PrepareBitmapInfo32;
};

bool SameColour(const RGBX& a, const RGBX& b) { return a.b == b.b && a.g == b.g && a.r == b.r; }

struct Pixels {
    int w = 0, h = 0;
    std::vector<RGBX> px;
    RGBX at(int x, int y) const { return px[(size_t)y * w + x]; }
};

// A screen-compatible bitmap holding the given pixels.
HBITMAP MakeBitmap(int w, int h, const std::vector<RGBX>& px) {
    HDC dc = GetDC(nullptr);
    HBITMAP hb = CreateCompatibleBitmap(dc, w, h);
    BITMAPINFO bmi = TopDownDib32(w, h);
    if (hb != nullptr && !px.empty()) SetDIBits(dc, hb, 0, h, px.data(), &bmi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    return hb;
}

Pixels Read(HBITMAP hb) {
    Pixels p;
    BITMAP bm;
    if (hb == nullptr || !GetObjectA(hb, sizeof bm, &bm)) return p;
    p.w = bm.bmWidth;
    p.h = bm.bmHeight;
    p.px.resize((size_t)p.w * p.h);
    BITMAPINFO bmi = TopDownDib32(p.w, p.h);
    HDC dc = GetDC(nullptr);
    GetDIBits(dc, hb, 0, p.h, p.px.data(), &bmi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    return p;
}

Pixels Read(const CImageBitmap& b) { return Read((HBITMAP)b.GetSafeHandle()); }

// Pixel (x, y) of the test pattern: distinct colours everywhere.
RGBX Pattern(int x, int y) { return Px((x * 37 + y * 11) & 255, (x * 5 + y * 53) & 255, (x * 91 + y * 29 + 7) & 255); }

std::vector<RGBX> PatternPixels(int w, int h) {
    std::vector<RGBX> v((size_t)w * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            v[(size_t)y * w + x] = Pattern(x, y);
    return v;
}

void Load(CImageBitmap& b, int w, int h) { ASSERT_TRUE(b.Attach(MakeBitmap(w, h, PatternPixels(w, h)))); }

void ExpectPixelsEqual(const Pixels& a, const Pixels& b) {
    ASSERT_EQ(a.w, b.w);
    ASSERT_EQ(a.h, b.h);
    for (size_t i = 0; i < a.px.size(); ++i)
        ASSERT_TRUE(SameColour(a.px[i], b.px[i])) << i << ": " << Show(a.px[i]) << " vs " << Show(b.px[i]);
}

// ---- Processing ---------------------------------------------------------------

TEST(ProcessImage, WithoutABitmapEveryOperationFails) {
    CImageBitmap b;
    CArray<CImage32BitProcessor*, CImage32BitProcessor*> empty;
    EXPECT_EQ(b.ProcessImage(empty), 0);
    EXPECT_EQ(b.RotateImage(45, 1), 0);
    EXPECT_EQ(b.ShearImage(3, 3, 0), 0);
    EXPECT_EQ(b.GrayImage(), 0);
    EXPECT_EQ(b.BlurImage(5), 0);
    EXPECT_EQ(b.SharpenImage(5), 0);
    EXPECT_EQ(b.ResizeImage(0.5), 0);
    EXPECT_EQ(b.FlipImage(1, 1), 0);
    EXPECT_EQ(b.NegateImage(), 0);
    EXPECT_EQ(b.ReplaceColor(0, 255), 0);
    EXPECT_EQ(b.GetSafeHandle(), nullptr);
}

TEST(ProcessImage, EmptyChainKeepsTheSameBitmap) {
    CImageBitmap b;
    Load(b, 5, 4);
    HGDIOBJ before = b.GetSafeHandle();
    CArray<CImage32BitProcessor*, CImage32BitProcessor*> empty;
    EXPECT_EQ(b.ProcessImage(empty), 1);
    EXPECT_EQ(b.GetSafeHandle(), before);
}

struct OneCallCase {
    const char* name;
    int op;
    int w, h;     // result size
    int x, y;     // a pixel to check
    RGBX expect;  // its colour
};

// On a 3 x 2 image: (0,0) = red, (1,0) = (b10 g20 r30), (2,0) = black,
// row 1 = white. Expectations from the formulas by hand.
const OneCallCase kOneCall[] = {
    {"grey", 0, 3, 2, 0, 0, Px(76, 76, 76)},  // 3*255/10
    {"negate", 1, 3, 2, 1, 0, Px(245, 235, 225)},
    {"replace_black_by_red", 2, 3, 2, 2, 0, Px(0, 0, 255)},
    {"flip_horz", 3, 3, 2, 2, 0, Px(0, 0, 255)},  // red moves to the right end
    {"flip_both", 4, 3, 2, 2, 1, Px(0, 0, 255)},
    {"blur_zero_copies", 5, 3, 2, 1, 0, Px(10, 20, 30)},
    {"sharpen_ring_kept", 6, 3, 2, 1, 0, Px(10, 20, 30)},  // no inner pixel in 3 x 2
    {"resize_two", 7, 6, 4, 0, 0, Px(0, 0, 255)},
    {"rotate_90_size", 8, 4, 4, 0, 0, Px(255, 255, 255)},  // X = 1, Y = 1; corner is background
    {"shear_size", 9, 5, 3, 0, 0, Px(255, 255, 255)},      // (2, 1): corner has no source
};

class OneCallTest : public ::testing::TestWithParam<OneCallCase> {};

TEST_P(OneCallTest, Operation) {
    const OneCallCase& c = GetParam();
    std::vector<RGBX> px = {Px(0, 0, 255),     Px(10, 20, 30),    Px(0, 0, 0),
                            Px(255, 255, 255), Px(255, 255, 255), Px(255, 255, 255)};
    CImageBitmap b;
    ASSERT_TRUE(b.Attach(MakeBitmap(3, 2, px)));
    int r = 0;
    switch (c.op) {
        case 0:
            r = b.GrayImage();
            break;
        case 1:
            r = b.NegateImage();
            break;
        case 2:
            r = b.ReplaceColor(0x000000, 0x0000FF);
            break;
        case 3:
            r = b.FlipImage(1, 0);
            break;
        case 4:
            r = b.FlipImage(1, 1);
            break;
        case 5:
            r = b.BlurImage(0);
            break;
        case 6:
            r = b.SharpenImage(5);
            break;
        case 7:
            r = b.ResizeImage(2.0);
            break;
        case 8:
            r = b.RotateImage(90, 0);
            break;
        case 9:
            r = b.ShearImage(2, 1, 0);
            break;
    }
    EXPECT_EQ(r, 1);
    Pixels out = Read(b);
    ASSERT_EQ(out.w, c.w);
    ASSERT_EQ(out.h, c.h);
    EXPECT_TRUE(SameColour(out.at(c.x, c.y), c.expect)) << Show(out.at(c.x, c.y));
}

INSTANTIATE_TEST_SUITE_P(Bitmap, OneCallTest, ::testing::ValuesIn(kOneCall),
                         [](const ::testing::TestParamInfo<OneCallCase>& i) { return std::string(i.param.name); });

// The chain by hand: each step on a fresh background-filled array.
std::vector<RGBX> Compose(std::vector<CImage32BitProcessor*> chain, std::vector<RGBX> src, CSize& size, RGBX back) {
    for (CImage32BitProcessor* p : chain) {
        CSize out = p->CalcDestSize(size);
        std::vector<RGBX> dst((size_t)out.cx * out.cy, back);
        EXPECT_EQ(p->ProcessPixels(src.data(), size, dst.data(), out), 1);
        src.swap(dst);
        size = out;
    }
    return src;
}

TEST(ProcessImage, GrowThenShrinkLeavesNothingOfTheLargerImage) {
    // Rotation by 45 grows 31 x 17 to 36 x 36; the half scaling then reads
    // a 36 x 36 source from an array refilled with background, so the
    // result equals the two steps run on fresh arrays.
    const unsigned long clr = 0x00336699;  // not white, not black
    CImageBitmap b(clr);
    Load(b, 31, 17);
    CImageRotator rot(45, 1);
    CImageResizer half(0.5);
    CArray<CImage32BitProcessor*, CImage32BitProcessor*> chain;
    chain.Add(&rot);
    chain.Add(&half);
    ASSERT_EQ(b.ProcessImage(chain), 1);

    CSize size(31, 17);
    std::vector<RGBX> expect = Compose({&rot, &half}, PatternPixels(31, 17), size, Px(0x33, 0x66, 0x99));
    Pixels got = Read(b);
    ASSERT_EQ(got.w, size.cx);
    ASSERT_EQ(got.h, size.cy);
    for (size_t i = 0; i < expect.size(); ++i)
        ASSERT_TRUE(SameColour(got.px[i], expect[i])) << i;
    // The uncovered corner is the background colour.
    EXPECT_TRUE(SameColour(got.at(0, 0), Px(0x33, 0x66, 0x99)));
}

TEST(ProcessImage, ShrinkThenGrowRefillsTheBackground) {
    // Half scaling leaves a 5 x 3 image in the 11 x 7 destination; the
    // shear then grows it, reading the refilled array.
    CImageBitmap b(0x000000);
    Load(b, 11, 7);
    CImageResizer half(0.5);
    CImageShearer shear(4, 3, 1);
    CImageSharpener sharp(7);
    CArray<CImage32BitProcessor*, CImage32BitProcessor*> chain;
    chain.Add(&half);
    chain.Add(&shear);
    chain.Add(&sharp);
    ASSERT_EQ(b.ProcessImage(chain), 1);
    CSize size(11, 7);
    std::vector<RGBX> expect = Compose({&half, &shear, &sharp}, PatternPixels(11, 7), size, Px(0, 0, 0));
    Pixels got = Read(b);
    ASSERT_EQ(got.w, size.cx);
    ASSERT_EQ(got.h, size.cy);
    for (size_t i = 0; i < expect.size(); ++i)
        ASSERT_TRUE(SameColour(got.px[i], expect[i])) << i;
}

TEST(ProcessImage, TheFullChainOfTheCaptureEngine) {
    CImageBitmap b;
    Load(b, 40, 23);
    CImageGrayer grey;
    CImageNegator neg;
    CImageColorReplacer rep(0, 255);
    CImageFlipper flip(1, 1);
    CImageRotator rot(45, 1);
    CImageResizer half(0.5);
    CImageShearer shear(50, 50, 1);
    CImageBlurrer blur(5);
    CImageSharpener sharp(5);
    std::vector<CImage32BitProcessor*> all = {&grey, &neg, &rep, &flip, &rot, &half, &shear, &blur, &sharp};
    CArray<CImage32BitProcessor*, CImage32BitProcessor*> chain;
    for (CImage32BitProcessor* p : all)
        chain.Add(p);
    ASSERT_EQ(b.ProcessImage(chain), 1);
    CSize size(40, 23);
    std::vector<RGBX> expect = Compose(all, PatternPixels(40, 23), size, Px(255, 255, 255, 255));
    Pixels got = Read(b);
    ASSERT_EQ(got.w, size.cx);
    ASSERT_EQ(got.h, size.cy);
    for (size_t i = 0; i < expect.size(); ++i)
        ASSERT_TRUE(SameColour(got.px[i], expect[i])) << i;
}

// Each of these must return 0 and leave the bitmap exactly as it was.
struct RefusedCase {
    const char* name;
    int w, h;
    int kind;
};

const RefusedCase kRefused[] = {
    {"scale_zero", 9, 7, 0},
    {"scale_negative", 9, 7, 1},
    {"scale_100000_percent", 1920, 1080, 2},  // 1920000 x 1080000 pixels
    {"rotate_wide_image", 46341, 1, 3},       // 45 degrees: 32770 x 32770 pixels, over 2^31 bytes
    {"shear_int_max", 10, 10, 4},
    {"shear_int_min", 10, 10, 5},                       // abs(INT_MIN) must not wrap
    {"chain_max_width_times_max_height", 30000, 2, 6},  // 30000 wide, then 30000 high
    {"tiny_scale_gives_empty_image", 9, 7, 7},
    {"null_processor_in_chain", 9, 7, 8},
};

class RefusedTest : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedTest, BitmapUnchanged) {
    const RefusedCase& c = GetParam();
    CImageBitmap b;
    Load(b, c.w, c.h);
    HGDIOBJ before = b.GetSafeHandle();
    Pixels pixelsBefore = Read(b);
    CImageResizer zero(0.0), negative(-0.5), big(1000.0), tiny(0.01), half(0.5);
    CImageRotator rot(45, 1), rot90(90, 0);
    CImageShearer maxShear(INT_MAX, 0, 0), minShear(INT_MIN, INT_MIN, 1);
    CImageGrayer grey;
    CArray<CImage32BitProcessor*, CImage32BitProcessor*> chain;
    chain.Add(&grey);  // runs first, so a refusal after it must still leave the bitmap alone
    switch (c.kind) {
        case 0:
            chain.Add(&zero);
            break;
        case 1:
            chain.Add(&negative);
            break;
        case 2:
            chain.Add(&big);
            break;
        case 3:
            chain.Add(&rot);
            break;
        case 4:
            chain.Add(&maxShear);
            break;
        case 5:
            chain.Add(&minShear);
            break;
        case 6:
            chain.Add(&rot90);  // 30000 x 2 -> 4 x 30002: max width times max height is too much
            chain.Add(&half);
            break;
        case 7:
            chain.Add(&tiny);
            break;
        case 8:
            chain.Add(nullptr);
            break;
    }
    EXPECT_EQ(b.ProcessImage(chain), 0);
    EXPECT_EQ(b.GetSafeHandle(), before);
    Pixels after = Read(b);
    ExpectPixelsEqual(pixelsBefore, after);
}

INSTANTIATE_TEST_SUITE_P(Bitmap, RefusedTest, ::testing::ValuesIn(kRefused),
                         [](const ::testing::TestParamInfo<RefusedCase>& i) { return std::string(i.param.name); });

TEST(ProcessImage, OneCallOverflowsReturnZero) {
    CImageBitmap b;
    Load(b, 100, 100);
    HGDIOBJ before = b.GetSafeHandle();
    EXPECT_EQ(b.ResizeImage(1000.0), 0);
    EXPECT_EQ(b.ShearImage(INT_MAX, INT_MAX, 1), 0);
    EXPECT_EQ(b.ResizeImage(1e300), 0);
    EXPECT_EQ(b.GetSafeHandle(), before);
}

// ---- Fill ---------------------------------------------------------------------------

struct FillCase {
    const char* name;
    unsigned long clr;
    int w, h;
    RGBX expect;
};

const FillCase kFill[] = {
    {"white_sets_fourth_byte", 0xFFFFFF, 7, 5, Px(255, 255, 255, 255)},
    {"all_ones_is_white", 0xFFFFFFFF, 3, 3, Px(255, 255, 255, 255)},
    {"black", 0, 6, 1, Px(0, 0, 0, 0)},
    {"colour_odd_size", 0x00112233, 7, 5, Px(0x11, 0x22, 0x33, 0)},
    {"colour_one_pixel", 0x00ABCDEF, 1, 1, Px(0xAB, 0xCD, 0xEF, 0)},
    {"colour_one_row", 0x00010203, 13, 1, Px(1, 2, 3, 0)},
    {"colour_one_column", 0x00010203, 1, 9, Px(1, 2, 3, 0)},
    {"colour_power_of_two", 0x00808080, 16, 8, Px(128, 128, 128, 0)},
    {"high_byte_ignored", 0x7F000001, 5, 3, Px(0, 0, 1, 0)},
};

class FillTest : public ::testing::TestWithParam<FillCase> {};

TEST_P(FillTest, EveryPixel) {
    const FillCase& c = GetParam();
    // One guard pixel past the end must stay untouched.
    std::vector<RGBX> px((size_t)c.w * c.h + 1, Px(9, 9, 9, 9));
    EXPECT_EQ(TestBitmap::Fill(px.data(), CSize(c.w, c.h), c.clr), 1);
    for (size_t i = 0; i + 1 < px.size(); ++i) {
        const RGBX& p = px[i];
        ASSERT_TRUE(p.b == c.expect.b && p.g == c.expect.g && p.r == c.expect.r && p.x == c.expect.x)
            << i << " " << Show(p);
    }
    EXPECT_EQ(px.back().x, 9);
}

INSTANTIATE_TEST_SUITE_P(Bitmap, FillTest, ::testing::ValuesIn(kFill),
                         [](const ::testing::TestParamInfo<FillCase>& i) { return std::string(i.param.name); });

TEST(Fill, NullAndEmpty) {
    EXPECT_EQ(TestBitmap::Fill(nullptr, CSize(3, 3), 0x123456), 0);
    RGBX guard = Px(9, 9, 9, 9);
    EXPECT_EQ(TestBitmap::Fill(&guard, CSize(0, 5), 0x123456), 1);
    EXPECT_EQ(guard.b, 9);
    EXPECT_EQ(TestBitmap::Fill(&guard, CSize(-1, 5), 0x123456), 0);
}

// ---- Pixel access -----------------------------------------------------------------

TEST(PixelAccess, HeaderAndRead) {
    TestBitmap b;
    Load(b, 5, 3);
    BITMAPINFO bmi;
    memset(&bmi, 0, sizeof bmi);
    bmi.bmiHeader.biXPelsPerMeter = 1234;  // left as the caller had it
    EXPECT_EQ(b.PrepareBitmapInfo32(bmi, nullptr), 3);
    EXPECT_EQ(bmi.bmiHeader.biSize, 40u);
    EXPECT_EQ(bmi.bmiHeader.biWidth, 5);
    EXPECT_EQ(bmi.bmiHeader.biHeight, -3);
    EXPECT_EQ(bmi.bmiHeader.biPlanes, 1);
    EXPECT_EQ(bmi.bmiHeader.biBitCount, 32);
    EXPECT_EQ(bmi.bmiHeader.biCompression, (DWORD)BI_RGB);
    EXPECT_EQ(bmi.bmiHeader.biSizeImage, 60u);
    EXPECT_EQ(bmi.bmiHeader.biXPelsPerMeter, 1234);
    RGBX* px = b.GetDIBits32();
    ASSERT_NE(px, nullptr);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_TRUE(SameColour(px[y * 5 + x], Pattern(x, y)));
    delete[] px;
    TestBitmap none;
    EXPECT_EQ(none.GetDIBits32(), nullptr);
    EXPECT_EQ(none.PrepareBitmapInfo32(bmi, nullptr), 0);
}

// ---- Copies -------------------------------------------------------------------------

TEST(CopyImage, NullIsRefused) {
    CImageBitmap b;
    EXPECT_EQ(b.CopyImage((HBITMAP) nullptr), 0);
    EXPECT_EQ(b.CopyImage((CBitmap*)nullptr), 0);
    EXPECT_EQ(b.GetSafeHandle(), nullptr);
}

TEST(CopyImage, ReplacesAHeldBitmapAndLeavesTheSourceUsable) {
    CImageBitmap src, dst;
    Load(src, 7, 4);
    Load(dst, 3, 3);
    HGDIOBJ old = dst.GetSafeHandle();
    ASSERT_EQ(dst.CopyImage(&src), 1);
    EXPECT_NE(dst.GetSafeHandle(), old);
    EXPECT_NE(dst.GetSafeHandle(), src.GetSafeHandle());
    BITMAP bm;
    EXPECT_EQ(GetObjectA(old, sizeof bm, &bm), 0);  // the old one was deleted
    ExpectPixelsEqual(Read(src), Read(dst));
    // The source is still the caller's and still works.
    EXPECT_EQ(src.GrayImage(), 1);
    // A plain handle too.
    HBITMAP h = MakeBitmap(2, 6, PatternPixels(2, 6));
    CImageBitmap fromHandle;
    ASSERT_EQ(fromHandle.CopyImage(h), 1);
    ExpectPixelsEqual(Read(h), Read(fromHandle));
    EXPECT_NE(GetObjectA(h, sizeof bm, &bm), 0);
    DeleteObject(h);
}

TEST(CopyImage, OntoItself) {
    CImageBitmap b;
    Load(b, 4, 4);
    Pixels before = Read(b);
    ASSERT_EQ(b.CopyImage((HBITMAP)b.GetSafeHandle()), 1);
    ExpectPixelsEqual(before, Read(b));
}

// ---- Loading ------------------------------------------------------------------------

struct TypeCase {
    const char* name;
    const char* file;
    int code;
};

const TypeCase kTypes[] = {
    {"jpeg", "C:\\shots\\shot.jpeg", 2},
    {"jpg_upper", "SHOT.JPG", 2},
    {"gif_mixed_case", "shot.Gif", 3},
    {"first_test_wins", "x.bmp.gif", 0},
    {"only_extension", ".gif", 4},
    {"png", "photo.png", 4},
    {"icon", "a.ico", 1},
    {"bmp_anywhere", "a.bmpx", 0},
    {"bitmap", "pic.bmp", 0},
    {"empty", "", 4},
    {"chinese_name", "截图.gif", 3},
    {"dot_gif_twice", ".gif.gif", 3},
};

class TypeTest : public ::testing::TestWithParam<TypeCase> {};

TEST_P(TypeTest, Code) { EXPECT_EQ(TestBitmap::GetFileType(GetParam().file), GetParam().code); }

INSTANTIATE_TEST_SUITE_P(Bitmap, TypeTest, ::testing::ValuesIn(kTypes),
                         [](const ::testing::TestParamInfo<TypeCase>& i) { return std::string(i.param.name); });

std::string TempPath(const char* name) { return kptest::TempRoot() + name; }

bool WriteFileBytes(const std::string& path, const std::vector<BYTE>& bytes) {
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return false;
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
    return true;
}

template <class T>
void Put(std::vector<BYTE>& out, const T& v) {
    const BYTE* p = (const BYTE*)&v;
    out.insert(out.end(), p, p + sizeof(T));
}

// A 24-bit bottom-up bitmap file, written by hand.
std::vector<BYTE> BmpFile(int w, int h, RGBX (*colour)(int, int)) {
    const int stride = (w * 3 + 3) & ~3;
    std::vector<BYTE> out;
    BITMAPFILEHEADER fh = {};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    fh.bfSize = fh.bfOffBits + stride * h;
    BITMAPINFOHEADER ih = {};
    ih.biSize = sizeof ih;
    ih.biWidth = w;
    ih.biHeight = h;
    ih.biPlanes = 1;
    ih.biBitCount = 24;
    ih.biSizeImage = stride * h;
    Put(out, fh);
    Put(out, ih);
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x) {
            RGBX c = colour(x, y);
            out.push_back(c.b);
            out.push_back(c.g);
            out.push_back(c.r);
        }
        for (int k = w * 3; k < stride; ++k)
            out.push_back(0);
    }
    return out;
}

// A 16 x 16 32-bit icon: the left half opaque blue, the right half
// transparent through the AND mask.
std::vector<BYTE> IconFile() {
    const int n = 16;
    std::vector<BYTE> image;
    BITMAPINFOHEADER ih = {};
    ih.biSize = sizeof ih;
    ih.biWidth = n;
    ih.biHeight = 2 * n;  // colour and mask
    ih.biPlanes = 1;
    ih.biBitCount = 32;
    Put(image, ih);
    for (int y = n - 1; y >= 0; --y)
        for (int x = 0; x < n; ++x) {
            const bool opaque = x < n / 2;
            const BYTE px[4] = {(BYTE)(opaque ? 255 : 0), 0, 0, (BYTE)(opaque ? 255 : 0)};
            image.insert(image.end(), px, px + 4);
        }
    for (int y = 0; y < n; ++y) {  // mask rows: 16 bits, padded to 32
        const BYTE row[4] = {0x00, 0xFF, 0, 0};
        image.insert(image.end(), row, row + 4);
    }
    std::vector<BYTE> out;
    const WORD dir[3] = {0, 1, 1};
    Put(out, dir);
    BYTE entry[16] = {(BYTE)n, (BYTE)n, 0, 0, 1, 0, 32, 0};
    DWORD size = (DWORD)image.size(), offset = 6 + 16;
    memcpy(entry + 8, &size, 4);
    memcpy(entry + 12, &offset, 4);
    out.insert(out.end(), entry, entry + 16);
    out.insert(out.end(), image.begin(), image.end());
    return out;
}

// A uniform w x h picture saved by GDI+ with the given encoder.
bool SaveWithGdiplus(const std::string& path, const WCHAR* mime, int w, int h, RGBX colour) {
    CLSID clsid;
    if (!kptest::EncoderForMime(mime, clsid)) return false;
    std::vector<RGBX> px((size_t)w * h, colour);
    for (RGBX& p : px)
        p.x = 255;
    Gdiplus::GpBitmap* bmp = nullptr;
    if (Gdiplus::DllExports::GdipCreateBitmapFromScan0(w, h, w * 4, PixelFormat32bppARGB, (BYTE*)px.data(), &bmp) !=
        Gdiplus::Ok)
        return false;
    std::wstring wide(path.begin(), path.end());
    bool ok = Gdiplus::DllExports::GdipSaveImageToFile(bmp, wide.c_str(), &clsid, nullptr) == Gdiplus::Ok;
    Gdiplus::DllExports::GdipDisposeImage(bmp);
    return ok;
}

class Loading : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        Gdiplus::GdiplusStartupInput in;
        Gdiplus::GdiplusStartup(&s_token, &in, nullptr);
    }
    static void TearDownTestSuite() { Gdiplus::GdiplusShutdown(s_token); }
    static ULONG_PTR s_token;
};

ULONG_PTR Loading::s_token = 0;

RGBX Quadrants(int x, int y) {
    return x < 3 ? (y < 2 ? Px(0, 0, 255) : Px(0, 255, 0)) : (y < 2 ? Px(255, 0, 0) : Px(255, 255, 255));
}

TEST_F(Loading, BitmapFileThroughTheSystemLoader) {
    const std::string path = TempPath("kp_load_test.bmp");
    ASSERT_TRUE(WriteFileBytes(path, BmpFile(6, 4, Quadrants)));
    CImageBitmap b;
    ASSERT_EQ(b.LoadImage(path.c_str(), 0xFFFFFFFF), 1);
    Pixels p = Read(b);
    ASSERT_EQ(p.w, 6);
    ASSERT_EQ(p.h, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_TRUE(SameColour(p.at(x, y), Quadrants(x, y))) << x << "," << y;
    // A second load keeps the first picture.
    HGDIOBJ first = b.GetSafeHandle();
    EXPECT_EQ(b.LoadImage(path.c_str(), 0xFFFFFFFF), 0);
    EXPECT_EQ(b.GetSafeHandle(), first);
    DeleteFileA(path.c_str());
}

// A GIF written by hand: four palette colours (red, blue, green, white),
// optionally with one index transparent. The LZW stream resets after every
// two codes, so every code stays 3 bits wide.
std::vector<BYTE> GifFile(int w, int h, int (*index)(int, int), int transparent) {
    std::vector<BYTE> out = {'G', 'I', 'F', '8', '9', 'a'};
    Put(out, (WORD)w);
    Put(out, (WORD)h);
    const BYTE screen[] = {0xF1, 0, 0, 255, 0, 0, 0, 0, 255, 0, 255, 0, 255, 255, 255};
    out.insert(out.end(), screen, screen + sizeof screen);
    const BYTE control[] = {
        0x21, 0xF9, 4, (BYTE)(transparent >= 0 ? 1 : 0), 0, 0, (BYTE)(transparent >= 0 ? transparent : 0), 0};
    out.insert(out.end(), control, control + sizeof control);
    out.push_back(0x2C);
    Put(out, (WORD)0);
    Put(out, (WORD)0);
    Put(out, (WORD)w);
    Put(out, (WORD)h);
    out.push_back(0);
    out.push_back(2);  // minimum code size: clear = 4, end = 5
    std::vector<BYTE> data;
    unsigned bits = 0, nbits = 0;
    auto code = [&](unsigned c) {
        bits |= c << nbits;
        nbits += 3;
        while (nbits >= 8) {
            data.push_back((BYTE)bits);
            bits >>= 8;
            nbits -= 8;
        }
    };
    for (int i = 0; i < w * h; ++i) {
        if (i % 2 == 0) code(4);
        code((unsigned)index(i % w, i / w));
    }
    code(5);
    if (nbits > 0) data.push_back((BYTE)bits);
    for (size_t i = 0; i < data.size(); i += 255) {
        const size_t n = data.size() - i < 255 ? data.size() - i : 255;
        out.push_back((BYTE)n);
        out.insert(out.end(), data.begin() + i, data.begin() + i + n);
    }
    out.push_back(0);
    out.push_back(0x3B);
    return out;
}

int LeftRedRightWhite(int x, int) { return x < 6 ? 0 : 3; }

TEST_F(Loading, JpegThroughTheOlePictureLoader) {
    const std::string path = TempPath("kp_load_test.jpg");
    ASSERT_TRUE(SaveWithGdiplus(path, L"image/jpeg", 12, 9, Px(0, 0, 255)));
    CImageBitmap b;
    ASSERT_EQ(b.LoadImage(path.c_str(), 0xFFFFFFFF), 1);
    Pixels p = Read(b);
    ASSERT_EQ(p.w, 12);
    ASSERT_EQ(p.h, 9);
    const RGBX m = p.at(6, 4);  // lossy: near pure red
    EXPECT_GE(m.r, 250) << Show(m);
    EXPECT_LE(m.g, 6) << Show(m);
    EXPECT_LE(m.b, 6) << Show(m);
    DeleteFileA(path.c_str());
}

TEST_F(Loading, GifThroughTheOlePictureLoader) {
    const std::string path = TempPath("kp_load_test.gif");
    ASSERT_TRUE(WriteFileBytes(path, GifFile(12, 9, LeftRedRightWhite, -1)));
    CImageBitmap b;
    ASSERT_EQ(b.LoadImage(path.c_str(), 0xFFFFFFFF), 1);
    Pixels p = Read(b);
    ASSERT_EQ(p.w, 12);
    ASSERT_EQ(p.h, 9);
    EXPECT_TRUE(SameColour(p.at(2, 4), Px(0, 0, 255))) << Show(p.at(2, 4));
    EXPECT_TRUE(SameColour(p.at(9, 4), Px(255, 255, 255))) << Show(p.at(9, 4));
    DeleteFileA(path.c_str());
}

TEST_F(Loading, TransparentGifShowsTheBackground) {
    const std::string path = TempPath("kp_load_test_transparent.gif");
    ASSERT_TRUE(WriteFileBytes(path, GifFile(12, 9, LeftRedRightWhite, 3)));
    CImageBitmap b(0x0000FF00);
    ASSERT_EQ(b.LoadImage(path.c_str(), 0xFFFFFFFF), 1);
    Pixels p = Read(b);
    ASSERT_EQ(p.w, 12);
    EXPECT_TRUE(SameColour(p.at(2, 4), Px(0, 0, 255))) << Show(p.at(2, 4));
    EXPECT_TRUE(SameColour(p.at(9, 4), Px(0, 255, 0))) << Show(p.at(9, 4));
    DeleteFileA(path.c_str());
}

TEST_F(Loading, IconShowsTheBackgroundBehindTransparentParts) {
    const std::string path = TempPath("kp_load_test.ico");
    ASSERT_TRUE(WriteFileBytes(path, IconFile()));
    // 0xFFFFFFFF: the object's own background colour.
    CImageBitmap b(0x0000FF00);
    ASSERT_EQ(b.LoadImage(path.c_str(), 0xFFFFFFFF), 1);
    Pixels p = Read(b);
    ASSERT_EQ(p.w, 16);
    ASSERT_EQ(p.h, 16);
    EXPECT_TRUE(SameColour(p.at(2, 8), Px(255, 0, 0))) << Show(p.at(2, 8));    // opaque blue
    EXPECT_TRUE(SameColour(p.at(13, 8), Px(0, 255, 0))) << Show(p.at(13, 8));  // background green
    // An explicit colour wins over the object's.
    CImageBitmap c(0x0000FF00);
    ASSERT_EQ(c.LoadImage(path.c_str(), 0x00FF00FF), 1);
    EXPECT_TRUE(SameColour(Read(c).at(13, 8), Px(255, 0, 255)));
    DeleteFileA(path.c_str());
}

TEST_F(Loading, RoutingRefusesWhatTheTableDoesNotName) {
    // A PNG is never opened (Wine's loader would read it).
    const std::string png = TempPath("kp_load_test.png");
    ASSERT_TRUE(SaveWithGdiplus(png, L"image/png", 4, 4, Px(0, 0, 255)));
    CImageBitmap a;
    EXPECT_EQ(a.LoadImage(png.c_str(), 0xFFFFFFFF), 0);
    EXPECT_EQ(CImageBitmap::LoadImageFile(png.c_str(), 0), nullptr);
    // Code 0 with other content fails in the system loader.
    const std::string fake = TempPath("kp_load_test_fake.bmp");
    ASSERT_TRUE(WriteFileBytes(fake, std::vector<BYTE>(200, 0x5A)));
    CImageBitmap b;
    EXPECT_EQ(b.LoadImage(fake.c_str(), 0xFFFFFFFF), 0);
    EXPECT_EQ(b.GetSafeHandle(), nullptr);
    // A missing file.
    EXPECT_EQ(b.LoadImage(TempPath("kp_no_such_file.gif").c_str(), 0xFFFFFFFF), 0);
    EXPECT_EQ(CImageBitmap::LoadImageFile(nullptr, 0), nullptr);
    DeleteFileA(png.c_str());
    DeleteFileA(fake.c_str());
}

// ---- Resources ----------------------------------------------------------------------

const char* const kType = "KPIMAGE";
const int kBmpResourceSize = 70;  // 14 + 40 + 2 rows of 8 bytes

TEST_F(Loading, GetResourceSizeAndBuffer) {
    HINSTANCE self = GetModuleHandleA(nullptr);
    int n = 0;
    ASSERT_EQ(CImageBitmap::GetResource(MAKEINTRESOURCEA(101), kType, self, nullptr, n), 1);
    EXPECT_EQ(n, kBmpResourceSize);
    std::vector<BYTE> buf(n + 4, 0xEE);
    int exact = n;
    ASSERT_EQ(CImageBitmap::GetResource(MAKEINTRESOURCEA(101), kType, self, buf.data(), exact), 1);
    EXPECT_EQ(buf[0], 'B');
    EXPECT_EQ(buf[1], 'M');
    EXPECT_EQ(buf[n], 0xEE);
    std::vector<BYTE> small(n, 0xEE);
    int tooSmall = n - 1;
    EXPECT_EQ(CImageBitmap::GetResource(MAKEINTRESOURCEA(101), kType, self, small.data(), tooSmall), 0);
    EXPECT_EQ(small[0], 0xEE);  // nothing copied
    EXPECT_EQ(CImageBitmap::GetResource(MAKEINTRESOURCEA(999), kType, self, nullptr, n), 0);
}

TEST_F(Loading, ResourceThroughTheBufferLoader) {
    HINSTANCE self = GetModuleHandleA(nullptr);
    CImageBitmap b;
    // Only the low 16 bits of the identifier count.
    ASSERT_EQ(b.LoadImage(0x10000u + 101, kType, self, 0xFFFFFFFF), 1);
    Pixels p = Read(b);
    ASSERT_EQ(p.w, 2);
    ASSERT_EQ(p.h, 2);
    EXPECT_TRUE(SameColour(p.at(0, 0), Px(0, 0, 255)));
    EXPECT_TRUE(SameColour(p.at(1, 0), Px(255, 0, 0)));
    EXPECT_TRUE(SameColour(p.at(0, 1), Px(0, 255, 0)));
    EXPECT_TRUE(SameColour(p.at(1, 1), Px(255, 255, 255)));
    EXPECT_EQ(b.LoadImage(101, kType, self, 0xFFFFFFFF), 0);  // already holds one
    CImageBitmap missing;
    EXPECT_EQ(missing.LoadImage(102, kType, self, 0xFFFFFFFF), 0);
    EXPECT_EQ(CImageBitmap::LoadFromBuffer(nullptr, 10), nullptr);
    unsigned char junk[16] = {1, 2, 3};
    IPicture* pic = CImageBitmap::LoadFromBuffer(junk, sizeof junk);
    EXPECT_EQ(pic, nullptr);
    if (pic) pic->Release();
    EXPECT_EQ(TestBitmap::ExtractBitmap(nullptr, 0), nullptr);
}

}  // namespace
