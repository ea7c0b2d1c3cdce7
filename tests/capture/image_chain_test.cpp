// The image-option chain built from a configuration, without a screen: which
// processors join, in which order, and with which arguments. Each step of a
// chain is run on one test image beside a processor made by hand with the
// arguments the options stand for; both must give the same size and pixels.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <typeinfo>
#include <vector>

#include "kp_config.h"
#include "kp_image_chain.h"
#include "imaging/pixel_test_support.h"

namespace {

typedef std::unique_ptr<CImage32BitProcessor> Processor;
typedef std::function<Processor()> MakeProcessor;

template <class T, class... Args>
MakeProcessor Make(Args... args) {
    return [=]() { return Processor(new T(args...)); };
}

// 9 x 7 pixels, no two alike, one of them the colour the replacer looks for
// (black) so that replacement shows.
std::vector<RGBX> TestImage(CSize& size) {
    size = CSize(9, 7);
    std::vector<RGBX> px((size_t)size.cx * size.cy);
    for (int y = 0; y < size.cy; ++y)
        for (int x = 0; x < size.cx; ++x)
            px[(size_t)y * size.cx + x] = Px(17 * x + 3, 29 * y + 5, 7 * x + 11 * y + 1);
    px[3 * size.cx + 4] = Px(0, 0, 0);
    return px;
}

// The result of p on the test image: its size and pixels, with a background
// of (1, 2, 3, 4) where p writes nothing.
std::vector<RGBX> RunOnTestImage(CImage32BitProcessor& p, CSize& sizeDst, int& nResult) {
    CSize sizeSrc;
    std::vector<RGBX> src = TestImage(sizeSrc);
    sizeDst = p.CalcDestSize(sizeSrc);
    std::vector<RGBX> dst((size_t)sizeDst.cx * sizeDst.cy, Px(1, 2, 3, 4));
    nResult = p.ProcessPixels(src.data(), sizeSrc, dst.data(), sizeDst);
    return dst;
}

void ExpectSameStep(CImage32BitProcessor& actual, CImage32BitProcessor& expected) {
    ASSERT_EQ(typeid(expected), typeid(actual));
    CSize sizeActual, sizeExpected;
    int nActual = 0, nExpected = 0;
    std::vector<RGBX> a = RunOnTestImage(actual, sizeActual, nActual);
    std::vector<RGBX> e = RunOnTestImage(expected, sizeExpected, nExpected);
    EXPECT_EQ(nExpected, nActual);
    ASSERT_EQ(sizeExpected.cx, sizeActual.cx);
    ASSERT_EQ(sizeExpected.cy, sizeActual.cy);
    for (size_t i = 0; i < e.size(); ++i) {
        if (a[i].b != e[i].b || a[i].g != e[i].g || a[i].r != e[i].r || a[i].x != e[i].x) {
            ADD_FAILURE() << "pixel " << i << ": " << Show(a[i]) << " instead of " << Show(e[i]);
            return;
        }
    }
}

// The settings keep three switches without accessors: the image-option
// switch, colour replacement and smoothing. Their values as the settings
// start with them: on, off, on.
struct Switches {
    int bImageOption = 1;
    int bReplaceColor = 0;
    int bSmoothing = 1;
};

// A chain built with the three switches given.
class CSwitchedChain : public CKpImageChain {
public:
    CSwitchedChain(const CKpConfig& config, const Switches& s)
        : CKpImageChain(config, s.bImageOption, s.bReplaceColor, s.bSmoothing) {}
};

void ExpectChain(CKpImageChain& chain, const std::vector<MakeProcessor>& expected) {
    ASSERT_EQ((int)expected.size(), chain.GetCount());
    ASSERT_EQ(chain.GetCount(), chain.GetProcessors().GetSize());
    for (int i = 0; i < chain.GetCount(); ++i) {
        SCOPED_TRACE(testing::Message() << "step " << i);
        Processor p = expected[(size_t)i]();
        ASSERT_NE(nullptr, chain.GetAt(i));
        ExpectSameStep(*chain.GetAt(i), *p);
    }
}

struct ChainCase {
    const char* name;
    std::function<void(CKpConfig&)> configure;
    Switches switches;
    std::vector<MakeProcessor> expected;  // in chain order
};

// Every option off.
CKpConfig OptionsOff() {
    CKpConfig c;
    c.ResetImageOption();
    return c;
}

Switches NoSmoothing() {
    Switches s;
    s.bSmoothing = 0;
    return s;
}

Switches WithReplacement() {
    Switches s;
    s.bReplaceColor = 1;
    return s;
}

Switches ImageOptionsOff() {
    Switches s;
    s.bImageOption = 0;
    s.bReplaceColor = 1;
    return s;
}

void AllOn(CKpConfig& c) {
    c.SetGrayScale(1);
    c.SetNegate(1);
    c.SetFlipHorz(1);
    c.SetFlipVert(1);
    c.SetRotate(1);
    c.SetRotateAngle(30);
    c.SetScale(1);
    c.SetScaleFactor(150);
    c.SetShearAcross(1);
    c.SetShearAcrossAmout(-4);
    c.SetShearDown(1);
    c.SetShearDownAmout(3);
    c.SetBlur(1);
    c.SetBlurFactor(7);
    c.SetSharpen(1);
    c.SetSharpenFactor(2);
}

const std::vector<ChainCase>& ChainCases() {
    static const std::vector<ChainCase> cases = {
        {"nothing switched on", [](CKpConfig&) {}, Switches(), {}},
        {"grey scale", [](CKpConfig& c) { c.SetGrayScale(1); }, Switches(), {Make<CImageGrayer>()}},
        {"negation", [](CKpConfig& c) { c.SetNegate(1); }, Switches(), {Make<CImageNegator>()}},
        {"colour replacement black to red",
         [](CKpConfig&) {},
         WithReplacement(),
         {Make<CImageColorReplacer>(0ul, 255ul)}},
        {"mirrored left-right", [](CKpConfig& c) { c.SetFlipHorz(1); }, Switches(), {Make<CImageFlipper>(1, 0)}},
        {"mirrored top-bottom", [](CKpConfig& c) { c.SetFlipVert(1); }, Switches(), {Make<CImageFlipper>(0, 1)}},
        {"rotated, smoothing on",
         [](CKpConfig& c) {
             c.SetRotate(1);
             c.SetRotateAngle(30);
         },
         Switches(),
         {Make<CImageRotator>(30, 1)}},
        {"rotated, smoothing off",
         [](CKpConfig& c) {
             c.SetRotate(1);
             c.SetRotateAngle(-50);
         },
         NoSmoothing(),
         {Make<CImageRotator>(-50, 0)}},
        // The factor is a percentage: 50 gives 0.5.
        {"scaled by the default 50", [](CKpConfig& c) { c.SetScale(1); }, Switches(), {Make<CImageResizer>(0.5)}},
        {"scaled by 150",
         [](CKpConfig& c) {
             c.SetScale(1);
             c.SetScaleFactor(150);
         },
         Switches(),
         {Make<CImageResizer>(1.5)}},
        // A direction that is off contributes 0, not its stored amount.
        {"shear across only",
         [](CKpConfig& c) {
             c.SetShearAcross(1);
             c.SetShearAcrossAmout(5);
             c.SetShearDownAmout(3);
         },
         Switches(),
         {Make<CImageShearer>(5, 0, 1)}},
        {"shear down only, smoothing off",
         [](CKpConfig& c) {
             c.SetShearDown(1);
             c.SetShearAcrossAmout(5);
             c.SetShearDownAmout(-3);
         },
         NoSmoothing(),
         {Make<CImageShearer>(0, -3, 0)}},
        {"blur",
         [](CKpConfig& c) {
             c.SetBlur(1);
             c.SetBlurFactor(9);
         },
         Switches(),
         {Make<CImageBlurrer>(9)}},
        {"sharpen",
         [](CKpConfig& c) {
             c.SetSharpen(1);
             c.SetSharpenFactor(3);
         },
         Switches(),
         {Make<CImageSharpener>(3)}},
        {"everything, in the fixed order",
         AllOn,
         WithReplacement(),
         {Make<CImageGrayer>(), Make<CImageNegator>(), Make<CImageColorReplacer>(0ul, 255ul), Make<CImageFlipper>(1, 1),
          Make<CImageRotator>(30, 1), Make<CImageResizer>(1.5), Make<CImageShearer>(-4, 3, 1), Make<CImageBlurrer>(7),
          Make<CImageSharpener>(2)}},
        {"everything, but the image-option switch off", AllOn, ImageOptionsOff(), {}},
    };
    return cases;
}

class ImageChainTest : public ::testing::TestWithParam<ChainCase> {};

TEST_P(ImageChainTest, HoldsTheSwitchedOnProcessorsInOrderWithTheirArguments) {
    const ChainCase& c = GetParam();
    CKpConfig config = OptionsOff();
    c.configure(config);
    CSwitchedChain chain(config, c.switches);
    ExpectChain(chain, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Options, ImageChainTest, ::testing::ValuesIn(ChainCases()),
                         [](const ::testing::TestParamInfo<ChainCase>& info) {
                             std::string s;
                             for (const char* p = info.param.name; *p; ++p)
                                 s += isalnum((unsigned char)*p) ? *p : '_';
                             return s;
                         });

// Built from the settings alone, the chain takes the three switches as the
// settings hold them: image options on, no colour replacement, smoothing.
TEST(ImageChain, TheSettingsOwnSwitchesAreOnOffOn) {
    CKpConfig config = OptionsOff();
    AllOn(config);
    CKpImageChain chain(config);
    ExpectChain(chain, {Make<CImageGrayer>(), Make<CImageNegator>(), Make<CImageFlipper>(1, 1),
                        Make<CImageRotator>(30, 1), Make<CImageResizer>(1.5), Make<CImageShearer>(-4, 3, 1),
                        Make<CImageBlurrer>(7), Make<CImageSharpener>(2)});
}

// The chain keeps no link to the settings it was built from.
TEST(ImageChain, LaterChangesOfTheSettingsDoNotReachABuiltChain) {
    CKpConfig config = OptionsOff();
    config.SetScale(1);
    CKpImageChain chain(config);
    config.SetScaleFactor(25);
    config.SetGrayScale(1);
    ExpectChain(chain, {Make<CImageResizer>(0.5)});
}

}  // namespace
