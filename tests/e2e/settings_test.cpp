// The settings file as a person meets it: what a session changes is there
// after a restart; a damaged, empty, cut or huge config.xml still gives a
// working program with the defaults for what it cannot read and a sound file
// at exit; a program folder that cannot be written is said so at exit, and
// the old file stays.
#include "e2e/e2e_support.h"

#include "support/temp_files.h"
#include "support/unix_side.h"

namespace {

using namespace e2e;

// The file a store of nothing but defaults writes (and the program writes at
// exit when it could read nothing), written where the program keeps it.
std::string DefaultFile() {
    CKpConfig defaults;
    defaults.SaveConfig();
    return kptest::ReadBytes(std::string(CKpConfig::GetConfigPath()));
}

using Settings = Scenario;

TEST_F(Settings, TheModeOfTheLastCaptureIsThereAfterARestart) {
    ASSERT_TRUE(StartKapto());
    ASSERT_TRUE(m_target.BringToFront());
    Picture view = ViewPicture(m_kapto.Main());
    ASSERT_TRUE(ChooseSnapType(m_kapto.Main(), 2));
    ClickControl(m_kapto.Main(), ids::kNewSnap);
    ASSERT_TRUE(WaitForNewThumbnail(view));
    ASSERT_TRUE(ExitKapto());
    EXPECT_EQ(2, StoredSettings().GetSnapMode());

    ASSERT_TRUE(StartKaptoAsIs());
    EXPECT_EQ(2, ::SendDlgItemMessageA(m_kapto.Main(), ids::kSnapType, CB_GETCURSEL, 0, 0));
    ASSERT_TRUE(ExitKapto());
}

// A valid file cut short after its first settings: what precedes the cut is
// read, the rest comes from the defaults.
std::string CutFile() {
    std::string full =
        "<Kapto>\n <AppName>\n  截图王\n </AppName>\n <Basic>\n  <PlaySnapSound>\n   0\n  </PlaySnapSound>\n"
        "  <SnapOnStart>\n   0\n  </SnapOnStart>\n  <SnapDelayTime>\n   0\n  </SnapDelayTime>\n  <KeepOnTop>\n   0"
        "\n  </KeepOnTop>\n </Basic>\n <AppData>\n  <SnapMode>\n   3\n  </SnapMode>\n </AppData>\n</Kapto>\n";
    return full.substr(0, full.find("<AppData>") + 6);
}

const char kGarbage[] = "\x89\x00\xff<<>>\x1a garbage \xfe";

struct BadFile {
    const char* pszName;
    std::string bytes;
    const char* pszCaption;  // what the window's caption shows then
};

TEST_F(Settings, ABadSettingsFileGivesTheDefaultsAndASoundFileAtExit) {
    std::string huge = "<Kapto><AppName>巨大</AppName><Image>";
    huge.reserve(10u << 20);
    while (huge.size() < (10u << 20))
        huge += "<Blur>1</Blur><x>" + std::string(300, 'z') + "</x>";
    const std::string defaults = DefaultFile();
    const BadFile files[] = {
        {"garbage", std::string(kGarbage, sizeof(kGarbage) - 1), "Lumaro"},
        {"empty", "", "Lumaro"},
        {"cut short", CutFile(), "截图王"},
        {"10 MB", huge, "巨大"},
    };
    for (const BadFile& f : files) {
        SCOPED_TRACE(f.pszName);
        ASSERT_TRUE(kptest::WriteBytes(SettingsPath(), f.bytes));
        DWORD dwStart = ::GetTickCount();
        ASSERT_TRUE(StartKaptoAsIs()) << "no main window";
        printf("%s: main window after %lu ms\n", f.pszName, ::GetTickCount() - dwStart);
        EXPECT_EQ(f.pszCaption, kaptotest::TextOf(m_kapto.Main()));
        ASSERT_TRUE(ExitKapto());

        // What the program wrote reads back completely: every setting is
        // there, in the file a store writes.
        CKpConfig stored = StoredSettings();
        EXPECT_EQ(f.pszCaption, std::string(stored.GetAppName()));
        std::string written = kptest::ReadBytes(SettingsPath());
        stored.SaveConfig();
        EXPECT_EQ(kptest::ReadBytes(SettingsPath()), written) << "not the file a store writes";
        if (std::string(f.pszCaption) == "Lumaro") {
            EXPECT_EQ(defaults, written);
        }
    }
}

TEST_F(Settings, AnUnwritableProgramFolderIsSaidAtExitAndTheOldFileStays) {
    LockedFolder folder("kapto-e2e-unwritable");
    for (const char* pszName : {"Kapto.exe", "Kaptolib.dll", "kfw.dll", "Hook.dll", "snap.wav"})
        ASSERT_TRUE(::CopyFileA((ExeDir() + pszName).c_str(), (folder.Dir() + pszName).c_str(), FALSE));
    const std::string strOld = "<Kapto><AppName>只读</AppName><Basic><SnapOnStart>0</SnapOnStart></Basic></Kapto>";
    ASSERT_TRUE(kptest::WriteBytes(folder.Dir() + "config.xml", strOld));
    if (!folder.Lock()) GTEST_SKIP() << "chattr +i refused here (it needs CAP_LINUX_IMMUTABLE)";

    ASSERT_TRUE(m_kapto.Start(folder.Dir()) && m_kapto.WaitVisible(true));
    EXPECT_EQ("只读", kaptotest::TextOf(m_kapto.Main()));
    ClickControl(m_kapto.Main(), ids::kExit);
    HWND hBox = WaitForMessageBox(m_kapto);
    ASSERT_NE(nullptr, hBox) << "no word that the settings were not saved";
    const std::string text = MessageBoxText(hBox);
    EXPECT_NE(std::string::npos, text.find("无法将设置保存到文件")) << text;
    EXPECT_NE(std::string::npos, text.find(folder.Dir() + "config.xml")) << text;
    ClickControl(hBox, IDOK);
    EXPECT_TRUE(m_kapto.WaitExit());
    EXPECT_EQ(strOld, kptest::ReadBytes(folder.Dir() + "config.xml"));
}

}  // namespace
