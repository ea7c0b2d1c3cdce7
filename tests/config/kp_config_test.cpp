// The configuration store: defaults, config.xml byte for byte, loading over
// current values, and saves that never lose the previous file.
#include <functional>
#include <string>

#include <gtest/gtest.h>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "config/config_roundtrip.h"
#include "support/temp_files.h"
#include "kp_config.h"

namespace {

using kptest::FileConfig;
using kptest::Join;
using kptest::ReadBytes;
using kptest::WriteBytes;

// config.xml of a store that still holds its defaults: one element per line,
// one space deeper per level, each value one space deeper than its tag, "/"
// written as "\colon", line feeds only.
const char kDefaultFile[] = R"(<Kapto>
 <Author>
  Orvel
 </Author>
 <Version>
  Ver 1.1.3
 </Version>
 <URL>
  http:\colon\colonlumaro.example.com\colon
 </URL>
 <Mail>
  orvel@lumaro.example.com
 </Mail>
 <AppName>
  Lumaro
 </AppName>
 <Basic>
  <PlaySnapSound>
   1
  </PlaySnapSound>
  <HideMainWnd>
   1
  </HideMainWnd>
  <SnapOnStart>
   1
  </SnapOnStart>
  <SnapDelayTime>
   500
  </SnapDelayTime>
  <KeepOnTop>
   1
  </KeepOnTop>
 </Basic>
 <Image>
  <GrayScale>
   0
  </GrayScale>
  <Negate>
   0
  </Negate>
  <Scale>
   0
  </Scale>
  <Rotate>
   0
  </Rotate>
  <FlipHorz>
   0
  </FlipHorz>
  <FlipVert>
   0
  </FlipVert>
  <ShearDown>
   0
  </ShearDown>
  <ShearAcross>
   0
  </ShearAcross>
  <Blur>
   0
  </Blur>
  <Sharpen>
   0
  </Sharpen>
  <AutoCopy>
   0
  </AutoCopy>
  <EditAppPath>
   mspaint.exe
  </EditAppPath>
  <RotateAngle>
   45
  </RotateAngle>
  <XShearAmount>
   50
  </XShearAmount>
  <YShearAmount>
   50
  </YShearAmount>
  <BlurFactor>
   5
  </BlurFactor>
  <SharpenFactor>
   5
  </SharpenFactor>
 </Image>
 <HotKey>
  <NewSnapModifier>
   0
  </NewSnapModifier>
  <NewSnapVk>
   44
  </NewSnapVk>
  <FullScreenModifier>
   2
  </FullScreenModifier>
  <FullScreenVk>
   44
  </FullScreenVk>
  <ActiveWinModifier>
   0
  </ActiveWinModifier>
  <ActiveWinVk>
   114
  </ActiveWinVk>
  <CurrentWinModifier>
   0
  </CurrentWinModifier>
  <CurrentWinVk>
   115
  </CurrentWinVk>
  <WinClientModifier>
   0
  </WinClientModifier>
  <WinClientVk>
   116
  </WinClientVk>
  <WinObjModifier>
   0
  </WinObjModifier>
  <WinObjVk>
   117
  </WinObjVk>
  <SelectRectModifier>
   0
  </SelectRectModifier>
  <SelectRectVk>
   118
  </SelectRectVk>
  <ShowHideModifier>
   0
  </ShowHideModifier>
  <ShowHideVk>
   119
  </ShowHideVk>
 </HotKey>
 <AppData>
  <SnapMode>
   0
  </SnapMode>
 </AppData>
</Kapto>
)";

std::string Replaced(std::string s, const std::string& from, const std::string& to) {
    size_t at = s.find(from);
    if (at != std::string::npos) s.replace(at, from.size(), to);
    return s;
}

std::string Crlf(const std::string& s) {
    std::string r;
    for (char c : s) {
        if (c == '\n') r += '\r';
        r += c;
    }
    return r;
}

// A store with every setting away from its default.
void SetAllAwayFromDefaults(CKpConfig& c) {
    c.SetAppName("Other");
    c.SetPlaySnapSound(0);
    c.SetHideMainWnd(0);
    c.SetSnapOnStart(0);
    c.SetSnapDelayTime(1234);
    c.SetKeepOnTop(0);
    c.SetCapturePointer(1);
    c.SetFullScreenScope(2);
    c.SetEditAppPath("ed.exe");
    c.SetGrayScale(1);
    c.SetNegate(2);
    c.SetScale(3);
    c.SetRotate(4);
    c.SetRotateAngle(-90);
    c.SetFlipHorz(5);
    c.SetFlipVert(6);
    c.SetShearDown(7);
    c.SetShearDownAmout(11);
    c.SetShearAcross(8);
    c.SetShearAcrossAmout(12);
    c.SetBlur(9);
    c.SetBlurFactor(13);
    c.SetSharpen(10);
    c.SetSharpenFactor(14);
    c.SetAutoCopy(1);
    c.SetAutoSave(1);
    c.SetAutoSaveFolder("D:\\\xbd\xd8\xcd\xbc/shots");
    c.SetAutoSaveName("%t %n");
    c.SetAutoSaveFormat("jpg");
    c.SetAutoSaveCounter(17);
    c.SetNewSnapHotkey(1, 2);
    c.SetFullScreenHotkey(3, 4);
    c.SetActiveWinHotkey(5, 6);
    c.SetCurrentWinHotkey(7, 8);
    c.SetWinClientHotkey(9, 10);
    c.SetWinObjHotkey(11, 12);
    c.SetSelectRectHotkey(13, 14);
    c.SetShowHideHotkey(15, 16);
    c.SetScrollSnapHotkey(17, 18);
    c.SetSnapMode(5);
}

class ConfigFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = kptest::MakeTempDir();
        ASSERT_FALSE(dir_.empty());
        path_ = Join(dir_, "config.xml");
        temp_ = path_ + "." + std::to_string(OwnProcessId()) + ".tmp";
    }
    void TearDown() override {
        kptest::RemoveFile(path_);
        kptest::RemoveFile(temp_);
        kptest::RemoveDir(temp_);
        for (const std::string& left : {path_ + ".tmp", Leftover(kGoneProcess), Leftover(kGoneProcess + 1)})
            kptest::RemoveFile(left), kptest::RemoveDir(left);
        kptest::RemoveDir(path_);
        kptest::RemoveDir(dir_);
    }
    // The store after loading these bytes over the defaults.
    void LoadBytes(FileConfig& c, const std::string& bytes) {
        ASSERT_TRUE(WriteBytes(path_, bytes));
        c.LoadConfigFrom(path_.c_str());
    }
    static unsigned long OwnProcessId() {
#ifdef _WIN32
        return GetCurrentProcessId();
#else
        return (unsigned long)getpid();
#endif
    }
    // What a save by process nPid left unfinished beside config.xml.
    std::string Leftover(unsigned long nPid) const { return path_ + "." + std::to_string(nPid) + ".tmp"; }
    // No process has this id while the tests run.
    static const unsigned long kGoneProcess = 3999996;

    std::string dir_;
    std::string path_;
    std::string temp_;  // where this process writes its next config.xml
};

TEST(ConfigDefaults, EveryGetterStartsAtItsDefault) {
    CKpConfig c;
    unsigned short m = 0, v = 0;
    const struct {
        const char* name;
        std::function<long long()> get;
        long long expected;
    } cases[] = {
        {"PlaySnapSound", [&] { return c.GetPlaySnapSound(); }, 1},
        {"HideMainWnd", [&] { return c.GetHideMainWnd(); }, 1},
        {"SnapOnStart", [&] { return c.GetSnapOnStart(); }, 1},
        {"SnapDelayTime", [&] { return c.GetSnapDelayTime(); }, 500},
        {"KeepOnTop", [&] { return c.GetKeepOnTop(); }, 1},
        {"GrayScale", [&] { return c.GetGrayScale(); }, 0},
        {"Negate", [&] { return c.GetNegate(); }, 0},
        {"Scale", [&] { return c.GetScale(); }, 0},
        {"ScaleFactor", [&] { return c.GetScaleFactor(); }, 50},
        {"Rotate", [&] { return c.GetRotate(); }, 0},
        {"RotateAngle", [&] { return c.GetRotateAngle(); }, 45},
        {"FlipHorz", [&] { return c.GetFlipHorz(); }, 0},
        {"FlipVert", [&] { return c.GetFlipVert(); }, 0},
        {"ShearDown", [&] { return c.GetShearDown(); }, 0},
        {"ShearDownAmout", [&] { return c.GetShearDownAmout(); }, 50},
        {"ShearAcross", [&] { return c.GetShearAcross(); }, 0},
        {"ShearAcrossAmout", [&] { return c.GetShearAcrossAmout(); }, 50},
        {"Blur", [&] { return c.GetBlur(); }, 0},
        {"BlurFactor", [&] { return c.GetBlurFactor(); }, 5},
        {"Sharpen", [&] { return c.GetSharpen(); }, 0},
        {"SharpenFactor", [&] { return c.GetSharpenFactor(); }, 5},
        {"AutoCopy", [&] { return c.GetAutoCopy(); }, 0},
        {"SnapMode", [&] { return c.GetSnapMode(); }, 0},
        {"NewSnap",
         [&] {
             c.GetNewSnapHotkey(m, v);
             return m << 16 | v;
         },
         0x0000002C},
        {"FullScreen",
         [&] {
             c.GetFullScreenHotkey(m, v);
             return m << 16 | v;
         },
         0x0002002C},
        {"ActiveWin",
         [&] {
             c.GetActiveWinHotkey(m, v);
             return m << 16 | v;
         },
         0x00000072},
        {"CurrentWin",
         [&] {
             c.GetCurrentWinHotkey(m, v);
             return m << 16 | v;
         },
         0x00000073},
        {"WinClient",
         [&] {
             c.GetWinClientHotkey(m, v);
             return m << 16 | v;
         },
         0x00000074},
        {"WinObj",
         [&] {
             c.GetWinObjHotkey(m, v);
             return m << 16 | v;
         },
         0x00000075},
        {"SelectRect",
         [&] {
             c.GetSelectRectHotkey(m, v);
             return m << 16 | v;
         },
         0x00000076},
        {"ShowHide",
         [&] {
             c.GetShowHideHotkey(m, v);
             return m << 16 | v;
         },
         0x00000077},
    };
    for (const auto& t : cases)
        EXPECT_EQ(t.expected, t.get()) << t.name;
    EXPECT_STREQ("Lumaro", c.GetAppName());
    EXPECT_STREQ("mspaint.exe", c.GetEditAppPath());
}

TEST_F(ConfigFileTest, DefaultsSaveAsTheExactFile) {
    FileConfig c;
    ASSERT_TRUE(c.SaveConfigTo(path_.c_str()));
    EXPECT_EQ(kDefaultFile, ReadBytes(path_));
    EXPECT_FALSE(kptest::FileExists(temp_));
}

TEST_F(ConfigFileTest, MissingFileChangesNothing) {
    FileConfig c;
    SetAllAwayFromDefaults(c);
    EXPECT_FALSE(c.LoadConfigFrom(path_.c_str()));
    FileConfig expected;
    SetAllAwayFromDefaults(expected);
    EXPECT_EQ("", kptest::CompareConfigs(expected, c));
    // An empty file has no root either.
    ASSERT_TRUE(WriteBytes(path_, ""));
    EXPECT_FALSE(c.LoadConfigFrom(path_.c_str()));
    EXPECT_EQ("", kptest::CompareConfigs(expected, c));
}

TEST_F(ConfigFileTest, LoadChangesExactlyWhatTheFileHolds) {
    const std::string crlf = Crlf(
        "<Kapto>\n <AppName>\n  Cap\n </AppName>\n <Basic>\n  <SnapDelayTime>\n   250\n"
        "  </SnapDelayTime>\n  <KeepOnTop>\n   0\n  </KeepOnTop>\n </Basic>\n</Kapto>\n");
    const struct {
        const char* label;
        std::string file;
        std::function<void(CKpConfig&)> expect;
    } cases[] = {
        {"one setting", "<Kapto><Basic><KeepOnTop>0</KeepOnTop></Basic></Kapto>",
         [](CKpConfig& c) { c.SetKeepOnTop(0); }},
        {"root of another name", "<Other><AppName>Named</AppName></Other>",
         [](CKpConfig& c) { c.SetAppName("Named"); }},
        {"names match case-sensitively", "<Kapto><AppData><snapmode>3</snapmode></AppData></Kapto>", [](CKpConfig&) {}},
        {"element outside its group", "<Kapto><KeepOnTop>0</KeepOnTop><SnapMode>2</SnapMode></Kapto>",
         [](CKpConfig&) {}},
        {"delay -1 is all bits set", "<Kapto><Basic><SnapDelayTime>-1</SnapDelayTime></Basic></Kapto>",
         [](CKpConfig& c) { c.SetSnapDelayTime(4294967295u); }},
        {"hot key word keeps its low 16 bits", "<Kapto><HotKey><WinObjVk>65580</WinObjVk></HotKey></Kapto>",
         [](CKpConfig& c) { c.SetWinObjHotkey(0, 44); }},
        {"negative hot key word", "<Kapto><HotKey><ShowHideModifier>-1</ShowHideModifier></HotKey></Kapto>",
         [](CKpConfig& c) { c.SetShowHideHotkey(65535, 0x77); }},
        {"text that is no number gives 0", "<Kapto><Basic><PlaySnapSound>yes</PlaySnapSound></Basic></Kapto>",
         [](CKpConfig& c) { c.SetPlaySnapSound(0); }},
        {"no clamping", "<Kapto><Image><RotateAngle>100000</RotateAngle><Blur>-3</Blur></Image></Kapto>",
         [](CKpConfig& c) {
             c.SetRotateAngle(100000);
             c.SetBlur(-3);
         }},
        {"empty string value", "<Kapto><AppName></AppName></Kapto>", [](CKpConfig& c) { c.SetAppName(""); }},
        {"a whole-screen scope above the known ones is the primary screen",
         "<Kapto><Basic><FullScreenScope>3</FullScreenScope></Basic></Kapto>", [](CKpConfig&) {}},
        {"scale factor is never read", "<Kapto><Image><ScaleFactor>75</ScaleFactor></Image></Kapto>",
         [](CKpConfig&) {}},
        {"a declaration becomes the root and hides the settings",
         "<?xml version=\"1.0\"?><Kapto><AppName>X</AppName></Kapto>", [](CKpConfig&) {}},
        {"second top-level element ignored", "<Kapto></Kapto><Kapto><AppName>X</AppName></Kapto>", [](CKpConfig&) {}},
        {"a carriage return is no blank: strings keep the line ends, numbers convert", crlf,
         [](CKpConfig& c) {
             c.SetAppName("\r\n  Cap\r");
             c.SetSnapDelayTime(250);
             c.SetKeepOnTop(0);
         }},
        {"the whole default file in CRLF", Crlf(kDefaultFile),
         [](CKpConfig& c) {
             c.SetAppName("\r\n  Lumaro\r");
             c.SetEditAppPath("\r\n   mspaint.exe\r");
         }},
    };
    for (const auto& t : cases) {
        FileConfig loaded;
        LoadBytes(loaded, t.file);
        FileConfig expected;
        t.expect(expected);
        EXPECT_EQ("", kptest::CompareConfigs(expected, loaded)) << t.label;
    }
}

TEST_F(ConfigFileTest, LoadReadsOverCurrentValues) {
    FileConfig c;
    c.SetAppName("Mine");
    c.SetSnapMode(3);
    LoadBytes(c, "<Kapto><Basic><KeepOnTop>0</KeepOnTop></Basic></Kapto>");
    EXPECT_STREQ("Mine", c.GetAppName());
    EXPECT_EQ(3, c.GetSnapMode());
    EXPECT_EQ(0, c.GetKeepOnTop());
}

TEST_F(ConfigFileTest, EverySettingSurvivesASaveAndALoad) {
    FileConfig saved;
    SetAllAwayFromDefaults(saved);
    ASSERT_TRUE(saved.SaveConfigTo(path_.c_str()));
    FileConfig loaded;
    ASSERT_TRUE(loaded.LoadConfigFrom(path_.c_str()));
    EXPECT_EQ("", kptest::CompareConfigs(saved, loaded));
}

// Values and the lines they are written as.
TEST_F(ConfigFileTest, ValuesAreWrittenAsTheFileExpects) {
    const struct {
        const char* label;
        std::function<void(CKpConfig&)> set;
        const char* line;
    } cases[] = {
        {"delay as a signed number", [](CKpConfig& c) { c.SetSnapDelayTime(4294967295u); },
         "  <SnapDelayTime>\n   -1\n"},
        {"large delay", [](CKpConfig& c) { c.SetSnapDelayTime(3000000000u); }, "  <SnapDelayTime>\n   -1294967296\n"},
        {"hot-key words unsigned", [](CKpConfig& c) { c.SetWinObjHotkey(0x8000, 0xFFFF); },
         "  <WinObjModifier>\n   32768\n  </WinObjModifier>\n  <WinObjVk>\n   65535\n"},
        {"slashes in the editor path", [](CKpConfig& c) { c.SetEditAppPath("C:/Tools/a b/paint.exe"); },
         "  <EditAppPath>\n   C:\\colonTools\\colona b\\colonpaint.exe\n"},
        {"double-byte path with a trail byte 0x5C",
         [](CKpConfig& c) { c.SetEditAppPath("D:\\\x81\x5c\\\xc6\xc1\xc4\xbb/p.exe"); },
         "  <EditAppPath>\n   D:\\\x81\x5c\\\xc6\xc1\xc4\xbb\\colonp.exe\n"},
        {"empty string: no value line", [](CKpConfig& c) { c.SetAppName(""); }, " <AppName>\n </AppName>\n"},
        {"the pointer option, written only when on", [](CKpConfig& c) { c.SetCapturePointer(1); },
         "  </KeepOnTop>\n  <CapturePointer>\n   1\n  </CapturePointer>\n </Basic>\n"},
    };
    for (const auto& t : cases) {
        FileConfig c;
        t.set(c);
        ASSERT_TRUE(c.SaveConfigTo(path_.c_str()));
        std::string bytes = ReadBytes(path_);
        EXPECT_NE(std::string::npos, bytes.find(t.line)) << t.label << "\n" << bytes;
    }
}

TEST_F(ConfigFileTest, DelayRoundTripsThroughMinusOne) {
    FileConfig c;
    LoadBytes(c, "<Kapto><Basic><SnapDelayTime>-1</SnapDelayTime></Basic></Kapto>");
    EXPECT_EQ(4294967295u, c.GetSnapDelayTime());
    ASSERT_TRUE(c.SaveConfigTo(path_.c_str()));
    EXPECT_EQ(Replaced(kDefaultFile, "   500\n", "   -1\n"), ReadBytes(path_));
}

TEST_F(ConfigFileTest, ScaleFactorIsNeverStored) {
    FileConfig c;
    c.SetScaleFactor(75);
    ASSERT_TRUE(c.SaveConfigTo(path_.c_str()));
    EXPECT_EQ(kDefaultFile, ReadBytes(path_));
    FileConfig restarted;
    restarted.LoadConfigFrom(path_.c_str());
    EXPECT_EQ(50, restarted.GetScaleFactor());
}

TEST_F(ConfigFileTest, DescriptiveStringsAreWrittenBackAsLoaded) {
    FileConfig c;
    LoadBytes(c,
              "<Kapto><Author>Someone</Author><Version>V 9</Version><URL>x:\\colon\\colony</URL>"
              "<Mail>m@n</Mail></Kapto>");
    ASSERT_TRUE(c.SaveConfigTo(path_.c_str()));
    std::string expected = kDefaultFile;
    expected = Replaced(expected, "  Orvel\n", "  Someone\n");
    expected = Replaced(expected, "  Ver 1.1.3\n", "  V 9\n");
    expected = Replaced(expected, "  http:\\colon\\colonlumaro.example.com\\colon\n", "  x:\\colon\\colony\n");
    expected = Replaced(expected, "  orvel@lumaro.example.com\n", "  m@n\n");
    EXPECT_EQ(expected, ReadBytes(path_));
}

TEST_F(ConfigFileTest, StringsSurviveASaveAndALoad) {
    const struct {
        const char* label;
        std::string stored;
        std::string loaded;
    } cases[] = {
        {"slashes", "C:/Program Files/Paint/paint.exe", "C:/Program Files/Paint/paint.exe"},
        {"blanks at both ends are lost", "  Lumaro X \t", "Lumaro X"},
        {"line feed at the end is lost", "a\n", "a"},
        {"CP936 with a trail byte 0x5C", "\xd5\xfb\xb8\xf6\x81\x5c\\\xc6\xc1\xc4\xbb/x.exe",
         "\xd5\xfb\xb8\xf6\x81\x5c\\\xc6\xc1\xc4\xbb/x.exe"},
        {"trail byte 0x5C before colon",
         "\xd5\xfb\x81\x5c"
         "colon",
         "\xd5\xfb\x81\x5c"
         "colon"},
        {"239 bytes fit the reader", std::string(239, 'x'), std::string(239, 'x')},
        {"239 bytes with slashes fit too", "C:" + std::string(237, '/'), "C:" + std::string(237, '/')},
    };
    for (const auto& t : cases) {
        FileConfig saved;
        saved.SetAppName(t.stored.c_str());
        saved.SetEditAppPath(t.stored.c_str());
        ASSERT_TRUE(saved.SaveConfigTo(path_.c_str()));
        FileConfig loaded;
        loaded.LoadConfigFrom(path_.c_str());
        EXPECT_STREQ(t.loaded.c_str(), loaded.GetAppName()) << t.label;
        EXPECT_STREQ(t.loaded.c_str(), loaded.GetEditAppPath()) << t.label;
    }
}

TEST_F(ConfigFileTest, ValueLongerThanTheReaderTakesLoadsEmpty) {
    // 240 bytes do not fit the reader's token: the text is dropped rather
    // than cut, so the element is there without a value.
    std::string longName(240, 'n');
    FileConfig saved;
    saved.SetAppName(longName.c_str());
    ASSERT_TRUE(saved.SaveConfigTo(path_.c_str()));
    EXPECT_NE(std::string::npos, ReadBytes(path_).find("  " + longName + "\n"));
    FileConfig loaded;
    loaded.LoadConfigFrom(path_.c_str());
    EXPECT_STREQ("", loaded.GetAppName());
    EXPECT_STREQ("mspaint.exe", loaded.GetEditAppPath());
}

TEST_F(ConfigFileTest, ValueHoldingALessThanSignFallsBackToItsDefaultAlone) {
    // "<" would open a tag in the middle of the value; every setting after it
    // must still load, and the rest of the file stays exactly as it was.
    FileConfig saved;
    SetAllAwayFromDefaults(saved);
    ASSERT_TRUE(saved.SaveConfigTo(path_.c_str()));
    std::string expected = Replaced(ReadBytes(path_), "  <EditAppPath>\n   ed.exe\n  </EditAppPath>\n", "");
    saved.SetEditAppPath("C:\\a<b>.exe");
    ASSERT_TRUE(saved.SaveConfigTo(path_.c_str()));
    EXPECT_EQ(expected, ReadBytes(path_));
    FileConfig loaded;
    ASSERT_TRUE(loaded.LoadConfigFrom(path_.c_str()));
    EXPECT_STREQ("mspaint.exe", loaded.GetEditAppPath());
    loaded.SetEditAppPath(saved.GetEditAppPath());
    EXPECT_EQ("", kptest::CompareConfigs(saved, loaded));
}

TEST(ConfigImageOptions, ResetLeavesClipboardEditorAndOthers) {
    CKpConfig c;
    SetAllAwayFromDefaults(c);
    c.SetScaleFactor(80);
    c.ResetImageOption();
    const struct {
        const char* name;
        int got;
        int expected;
    } cases[] = {
        {"GrayScale", c.GetGrayScale(), 0},
        {"Negate", c.GetNegate(), 0},
        {"Scale", c.GetScale(), 0},
        {"Rotate", c.GetRotate(), 0},
        {"FlipHorz", c.GetFlipHorz(), 0},
        {"FlipVert", c.GetFlipVert(), 0},
        {"ShearDown", c.GetShearDown(), 0},
        {"ShearAcross", c.GetShearAcross(), 0},
        {"Blur", c.GetBlur(), 0},
        {"Sharpen", c.GetSharpen(), 0},
        {"BlurFactor", c.GetBlurFactor(), 5},
        {"SharpenFactor", c.GetSharpenFactor(), 5},
        {"ScaleFactor", c.GetScaleFactor(), 50},
        {"RotateAngle", c.GetRotateAngle(), 45},
        {"ShearDownAmout", c.GetShearDownAmout(), 50},
        {"ShearAcrossAmout", c.GetShearAcrossAmout(), 50},
        // untouched
        {"AutoCopy", c.GetAutoCopy(), 1},
        {"KeepOnTop", c.GetKeepOnTop(), 0},
        {"SnapMode", c.GetSnapMode(), 5},
        {"PlaySnapSound", c.GetPlaySnapSound(), 0},
    };
    for (const auto& t : cases)
        EXPECT_EQ(t.expected, t.got) << t.name;
    EXPECT_STREQ("ed.exe", c.GetEditAppPath());
    EXPECT_STREQ("Other", c.GetAppName());
}

TEST(ConfigCopy, CopiesEveryField) {
    CKpConfig a;
    SetAllAwayFromDefaults(a);
    CKpConfig b(a);
    EXPECT_EQ("", kptest::CompareConfigs(a, b));
    CKpConfig c;
    c = a;
    EXPECT_EQ("", kptest::CompareConfigs(a, c));
}

// Saving never loses the previous file.

TEST_F(ConfigFileTest, SaveReplacesAnOldFileCompletely) {
    ASSERT_TRUE(WriteBytes(path_, std::string(10000, 'o')));  // longer than the new file
    FileConfig c;
    ASSERT_TRUE(c.SaveConfigTo(path_.c_str()));
    EXPECT_EQ(kDefaultFile, ReadBytes(path_));
    EXPECT_FALSE(kptest::FileExists(temp_));
}

TEST_F(ConfigFileTest, SaveThatCannotWriteLeavesTheOldFile) {
    const std::string old = "<Kapto><AppName>Old</AppName></Kapto>";
    ASSERT_TRUE(WriteBytes(path_, old));
    ASSERT_TRUE(kptest::MakeDir(temp_));  // the new file cannot be created
    FileConfig c;
    EXPECT_FALSE(c.SaveConfigTo(path_.c_str()));
    EXPECT_EQ(old, ReadBytes(path_));
    kptest::RemoveDir(temp_);
}

#ifndef _WIN32
// (Wine's ReplaceFile puts a file in a folder's place; Windows refuses. The
// locked-file case below covers a refused replacement there.)
TEST_F(ConfigFileTest, SaveThatCannotReplaceRemovesItsNewFile) {
    // The target is a folder: the finished new file cannot take its place.
    ASSERT_TRUE(kptest::MakeDir(path_));
    FileConfig c;
    EXPECT_FALSE(c.SaveConfigTo(path_.c_str()));
    EXPECT_FALSE(kptest::FileExists(temp_));
    kptest::RemoveDir(path_);
}
#endif

TEST_F(ConfigFileTest, SaveToAMissingFolderFails) {
    FileConfig c;
    EXPECT_FALSE(c.SaveConfigTo(Join(Join(dir_, "absent"), "config.xml").c_str()));
}

// A save cut short between writing its new file and putting it in place
// left a whole new file (one cut short is no settings file): it stands in
// for a missing config.xml, and the next save, which writes only under this
// process's own name, puts config.xml back and clears what was left.
TEST_F(ConfigFileTest, AWholeFileAnUnfinishedSaveLeftStandsInForAMissingOne) {
    FileConfig saved;
    saved.SetAppName("Left");
    ASSERT_TRUE(saved.SaveConfigTo(path_.c_str()));
    const std::string whole = ReadBytes(path_);
    kptest::RemoveFile(path_);
    ASSERT_TRUE(WriteBytes(Leftover(kGoneProcess), whole));
    ASSERT_TRUE(WriteBytes(Leftover(kGoneProcess + 1), whole.substr(0, whole.size() - 3)));
    ASSERT_TRUE(kptest::MakeDir(path_ + ".tmp"));  // in the way of a save under the older name
    FileConfig c;
    EXPECT_TRUE(c.LoadConfigFrom(path_.c_str()));
    EXPECT_EQ(CKpConfig::ConfigLeftover, c.GetLoadResult());
    EXPECT_STREQ("Left", c.GetAppName());
    ASSERT_TRUE(c.SaveConfigTo(path_.c_str()));
    EXPECT_EQ(whole, ReadBytes(path_));
    EXPECT_FALSE(kptest::FileExists(Leftover(kGoneProcess)));
    EXPECT_FALSE(kptest::FileExists(Leftover(kGoneProcess + 1)));
}

#ifdef _WIN32
TEST_F(ConfigFileTest, SaveWhileTheFileIsLockedLeavesTheOldFile) {
    const std::string old = "<Kapto><AppName>Old</AppName></Kapto>";
    ASSERT_TRUE(WriteBytes(path_, old));
    HANDLE h = CreateFileA(path_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    FileConfig c;
    EXPECT_FALSE(c.SaveConfigTo(path_.c_str()));
    CloseHandle(h);
    EXPECT_EQ(old, ReadBytes(path_));
    EXPECT_FALSE(kptest::FileExists(temp_));
}
#endif

// The program directory and config.xml in it.

std::string ExpectedAppPath() {
#ifdef _WIN32
    char buf[MAX_PATH * 4];
    DWORD n = GetModuleFileNameA(nullptr, buf, sizeof(buf));
    std::string exe(buf, n);
    return exe.substr(0, exe.rfind('\\') + 1);
#else
    return std::string(KAPTO_TEST_BIN_DIR) + "/";
#endif
}

TEST(ConfigAppPath, IsTheProgramFolderWithASeparator) {
    std::string path = (const char*)CHelper::GetAppPath();
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(kptest::kSep, path.back());
    EXPECT_EQ(ExpectedAppPath(), path);
}

// LoadConfig and SaveConfig work on config.xml beside the test program; keep
// whatever was there before.
class ConfigBesideProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = std::string((const char*)CHelper::GetAppPath()) + "config.xml";
        existed_ = kptest::FileExists(path_);
        if (existed_) before_ = ReadBytes(path_);
    }
    void TearDown() override {
        if (existed_)
            WriteBytes(path_, before_);
        else
            kptest::RemoveFile(path_);
    }
    std::string path_;
    std::string before_;
    bool existed_ = false;
};

TEST_F(ConfigBesideProgramTest, SaveAndLoadUseTheProgramFolder) {
    kptest::RemoveFile(path_);
    CKpConfig fresh;
    fresh.LoadConfig();  // no file: defaults stay
    EXPECT_STREQ("Lumaro", fresh.GetAppName());
    fresh.SaveConfig();
    EXPECT_EQ(kDefaultFile, ReadBytes(path_));

    ASSERT_TRUE(WriteBytes(path_, "<Kapto><AppName>Beside</AppName><AppData><SnapMode>4</SnapMode></AppData></Kapto>"));
    CKpConfig c;
    c.LoadConfig();
    EXPECT_STREQ("Beside", c.GetAppName());
    EXPECT_EQ(4, c.GetSnapMode());
}

}  // namespace
