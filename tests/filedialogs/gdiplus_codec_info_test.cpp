// CGdiplusCodecInfo: records made from hand-written codec texts and from the
// codecs GDI+ offers on this machine.
#include "framework/platform.h"

// The framework asks for a lean <windows.h>; GDI+ needs the OLE types too.
#include <objidl.h>
#include <gdiplus.h>
#include <string.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/gdiplus_codecs.h"

#include "gdiplus_codec_info.h"

namespace {

const GUID kSomeClsid = {0x557cf401, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};

struct RecordCase {
    const wchar_t* pszFormat;
    const wchar_t* pszExtensions;
    const char* pszWantFormat;
    const char* pszWantExtensions;
    const char* pszWantDefExt;
};

void PrintTo(const RecordCase& c, std::ostream* os) { *os << c.pszWantFormat << " " << c.pszWantExtensions; }

class CodecRecordTest : public ::testing::TestWithParam<RecordCase> {};

TEST_P(CodecRecordTest, FieldsFollowTheCodecTexts) {
    const RecordCase& c = GetParam();
    CGdiplusCodecInfo info(c.pszFormat, c.pszExtensions, kSomeClsid);
    EXPECT_STREQ(info.GetFormat(), c.pszWantFormat);
    EXPECT_STREQ(info.GetExtensions(), c.pszWantExtensions);
    EXPECT_STREQ(info.GetDefExt(), c.pszWantDefExt);
    EXPECT_TRUE(IsEqualGUID(info.GetCLSID(), kSomeClsid));
}

const RecordCase kRecords[] = {
    {L"JPEG", L"*.JPG;*.JPEG;*.JPE;*.JFIF", "JPEG", "*.jpg;*.jpeg;*.jpe;*.jfif", "jpg"},
    {L"BMP", L"*.BMP;*.DIB;*.RLE", "BMP", "*.bmp;*.dib;*.rle", "bmp"},
    {L"PNG", L"*.PNG", "PNG", "*.png", "png"},
    {L"TIFF", L"*.TIF;*.TIFF", "TIFF", "*.tif;*.tiff", "tif"},
    // Every '*' and '.' of the first pattern goes, not just the leading ones.
    {L"Odd", L"*.TAR.GZ;*.TGZ", "Odd", "*.tar.gz;*.tgz", "targz"},
    {L"Bare", L"RAW", "Bare", "raw", "raw"},
    {L"", L"", "", "", ""},
    {nullptr, nullptr, "", "", ""},
    // Text of the ANSI code page (936): each character becomes two bytes, so
    // the narrow text is longer than the wide one.
    {L"\u4f4d\u56fe\u683c\u5f0f", L"*.\u4f4d\u56fe;*.BMP", "\xce\xbb\xcd\xbc\xb8\xf1\xca\xbd",
     "*.\xce\xbb\xcd\xbc;*.bmp", "\xce\xbb\xcd\xbc"},
    // A character the code page lacks.
    {L"A\u0e01B", L"*.X", "A?B", "*.x", "x"},
};

INSTANTIATE_TEST_SUITE_P(Texts, CodecRecordTest, ::testing::ValuesIn(kRecords));

TEST(CodecRecordTest, RunsUnderCodePage936) {
    // The double-byte cases above need the program's code page.
    EXPECT_EQ(GetACP(), 936u);
}

struct FindCase {
    const wchar_t* pszExtensions;
    const char* pszExt;
    bool bWant;
};

void PrintTo(const FindCase& c, std::ostream* os) { *os << (c.pszExt ? c.pszExt : "(null)"); }

class CodecFindTest : public ::testing::TestWithParam<FindCase> {};

TEST_P(CodecFindTest, MatchesWholePatternsIgnoringCase) {
    const FindCase& c = GetParam();
    CGdiplusCodecInfo info(L"X", c.pszExtensions, kSomeClsid);
    EXPECT_EQ(info.FindExtension(c.pszExt), c.bWant);
}

const wchar_t kJpegList[] = L"*.JPG;*.JPEG;*.JPE;*.JFIF";

const FindCase kFinds[] = {
    {kJpegList, "jpg", true},  {kJpegList, "JPEG", true},
    {kJpegList, "Jpe", true},  {kJpegList, "jfif", true},
    {kJpegList, "jp", false},  {kJpegList, "jpegs", false},
    {kJpegList, "", false},    {kJpegList, "jpg;*.jpeg", false},
    {kJpegList, "png", false}, {kJpegList, nullptr, false},
    {L"*.PNG", "png", true},   {L"*.PNG", "PNG", true},
    {L"", "png", false},       {L"*.\u4f4d\u56fe", "\xce\xbb\xcd\xbc", true},
};

INSTANTIATE_TEST_SUITE_P(Extensions, CodecFindTest, ::testing::ValuesIn(kFinds));

TEST(CodecFindTest, SearchLeavesTheListWhole) {
    CGdiplusCodecInfo info(L"JPEG", kJpegList, kSomeClsid);
    EXPECT_FALSE(info.FindExtension("xyz"));
    EXPECT_TRUE(info.FindExtension("jpg"));
    EXPECT_TRUE(info.FindExtension("jfif"));
    EXPECT_TRUE(info.FindExtension("jpeg"));
    EXPECT_STREQ(info.GetExtensions(), "*.jpg;*.jpeg;*.jpe;*.jfif");
}

TEST(CodecRecordTest, CopiesCarryAllFields) {
    CGdiplusCodecInfo a(L"JPEG", kJpegList, kSomeClsid);
    CGdiplusCodecInfo b(a);
    CGdiplusCodecInfo c(L"", L"", GUID());
    c = a;
    for (const CGdiplusCodecInfo* p : {&b, &c}) {
        EXPECT_STREQ(p->GetFormat(), "JPEG");
        EXPECT_STREQ(p->GetExtensions(), "*.jpg;*.jpeg;*.jpe;*.jfif");
        EXPECT_STREQ(p->GetDefExt(), "jpg");
        EXPECT_TRUE(IsEqualGUID(p->GetCLSID(), kSomeClsid));
    }
}

// The codecs of the machine, read straight from GDI+.
class LiveCodecs : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        Gdiplus::GdiplusStartupInput input;
        ASSERT_EQ(Gdiplus::GdiplusStartup(&s_token, &input, nullptr), Gdiplus::Ok);
    }
    static void TearDownTestSuite() { Gdiplus::GdiplusShutdown(s_token); }

    static std::vector<CGdiplusCodecInfo> Read(bool bEncoders) {
        std::vector<CGdiplusCodecInfo> out;
        for (const kptest::RawCodec& c : kptest::ReadCodecs(bEncoders))
            out.emplace_back(c.format.c_str(), c.extensions.c_str(), c.clsid);
        return out;
    }

    static const CGdiplusCodecInfo* Claiming(const std::vector<CGdiplusCodecInfo>& codecs, const char* pszExt) {
        for (const CGdiplusCodecInfo& c : codecs) {
            if (c.FindExtension(pszExt)) return &c;
        }
        return nullptr;
    }

    static ULONG_PTR s_token;
};

ULONG_PTR LiveCodecs::s_token = 0;

// Class ids of the system's built-in encoders.
const GUID kBmpEncoder = {0x557cf400, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
const GUID kJpegEncoder = {0x557cf401, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
const GUID kGifEncoder = {0x557cf402, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
const GUID kTiffEncoder = {0x557cf405, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
const GUID kPngEncoder = {0x557cf406, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};

struct EncoderCase {
    const char* pszExt;
    const GUID* pClsid;
};

void PrintTo(const EncoderCase& c, std::ostream* os) { *os << c.pszExt; }

class LiveEncoderTest : public LiveCodecs, public ::testing::WithParamInterface<EncoderCase> {};

TEST_P(LiveEncoderTest, ExtensionFindsItsEncoder) {
    const EncoderCase& c = GetParam();
    std::vector<CGdiplusCodecInfo> encoders = Read(true);
    const CGdiplusCodecInfo* p = Claiming(encoders, c.pszExt);
    ASSERT_NE(p, nullptr);
    EXPECT_TRUE(IsEqualGUID(p->GetCLSID(), *c.pClsid));
    // Which pattern comes first is the machine's choice (TIFF lists *.tiff
    // first under Wine, *.tif under Windows); it is one of the codec's own.
    EXPECT_TRUE(p->FindExtension(p->GetDefExt())) << p->GetDefExt();
}

const EncoderCase kEncoders[] = {
    {"bmp", &kBmpEncoder},  {"BMP", &kBmpEncoder}, {"jpg", &kJpegEncoder}, {"JPEG", &kJpegEncoder},
    {"jpe", &kJpegEncoder}, {"gif", &kGifEncoder}, {"tif", &kTiffEncoder}, {"tiff", &kTiffEncoder},
    {"png", &kPngEncoder},  {"Png", &kPngEncoder},
};

INSTANTIATE_TEST_SUITE_P(Machine, LiveEncoderTest, ::testing::ValuesIn(kEncoders));

TEST_F(LiveCodecs, UnknownExtensionsFindNoEncoder) {
    std::vector<CGdiplusCodecInfo> encoders = Read(true);
    for (const char* pszExt : {"xyz", "", "pn", "jpg;*.png", "*.png"})
        EXPECT_EQ(Claiming(encoders, pszExt), nullptr) << pszExt;
}

TEST_F(LiveCodecs, EncodersAreTheFiveBuiltIn) {
    std::vector<CGdiplusCodecInfo> encoders = Read(true);
    ASSERT_GE(encoders.size(), 5u);
    for (const GUID* pClsid : {&kBmpEncoder, &kJpegEncoder, &kGifEncoder, &kTiffEncoder, &kPngEncoder}) {
        int nFound = 0;
        for (const CGdiplusCodecInfo& c : encoders)
            nFound += IsEqualGUID(c.GetCLSID(), *pClsid) ? 1 : 0;
        EXPECT_EQ(nFound, 1);
    }
}

TEST_F(LiveCodecs, DecodersCoverTheCommonFormats) {
    std::vector<CGdiplusCodecInfo> decoders = Read(false);
    EXPECT_GE(decoders.size(), 8u);
    for (const char* pszExt : {"bmp", "jpg", "jpeg", "gif", "tif", "tiff", "png", "ico", "wmf", "emf"})
        EXPECT_NE(Claiming(decoders, pszExt), nullptr) << pszExt;
}

}  // namespace
