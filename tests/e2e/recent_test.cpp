// Automatic saving and the recent captures as a person meets them: every
// capture written as it is, found again in 最近的截图 (打开 gives the first
// one back exactly) and after a restart; a folder that cannot be written
// told while the next capture goes on.
#include "e2e/e2e_support.h"

#include <commctrl.h>

#include "support/temp_files.h"

namespace {

using namespace e2e;

const UINT kCmdRecent = 32885, kCmdCopy = 0xE122;
const int kRecentList = 4201, kNoticeText = 1067;

class Recent : public Scenario {
protected:
    void SetUp() override {
        Scenario::SetUp();
        m_strDir = kptest::NamedTempDir("kapto-e2e-recent");
        Empty();
    }
    void TearDown() override {
        Scenario::TearDown();
        Empty();
    }
    void Empty() {
        for (const char* pszName : {"e2e_0001.png", "e2e_0002.png", "e2e_0003.png", "plain-file"})
            ::DeleteFileA((m_strDir + pszName).c_str());
    }
    bool Start(const std::string& strFolder) {
        return StartKapto([&](CKpConfig& c) {
            c.SetAutoCopy(1);
            c.SetAutoSave(1);
            c.SetAutoSaveFolder(strFolder.c_str());
            c.SetAutoSaveName("e2e_%n");
        });
    }
    // 最近的截图 opened from the menu, and the number of captures it lists.
    HWND OpenRecent(int& nCount) {
        ::PostMessageA(m_kapto.Main(), WM_COMMAND, kCmdRecent, 0);
        HWND hRecent = WaitForKaptoWindow(m_kapto, "最近的截图");
        nCount = hRecent != nullptr ? (int)::SendDlgItemMessageA(hRecent, kRecentList, LVM_GETITEMCOUNT, 0, 0) : -1;
        return hRecent;
    }

    std::string m_strDir;  // ends in a separator
};

TEST_F(Recent, EveryCaptureIsWrittenAndFoundAgainAlsoAfterARestart) {
    ASSERT_TRUE(Start(m_strDir.substr(0, m_strDir.size() - 1)));
    ColourPatch patch;
    std::vector<Picture> captures;
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(patch.Next());
        captures.push_back(CaptureScreen());
    }
    for (int i = 0; i < 3; ++i) {
        const std::string strPath = m_strDir + "e2e_000" + std::to_string(i + 1) + ".png";
        Picture saved;
        ASSERT_TRUE(Await(strPath + " written", [&] { return !(saved = FilePicture(strPath)).Empty(); }));
        ExpectSamePicture(captures[i], saved, "saved");
    }

    // Newest first: End selects the first capture, Enter opens it, Esc
    // closes the list.
    int nCount = 0;
    HWND hRecent = OpenRecent(nCount);
    ASSERT_NE(nullptr, hRecent);
    EXPECT_EQ(3, nCount);
    HWND hList = ::GetDlgItem(hRecent, kRecentList);
    ASSERT_TRUE(WaitForFocus(m_kapto, hList));
    PressKeys({VK_END});
    ASSERT_TRUE(Await("the oldest capture selected",
                      [&] { return ::SendMessageA(hList, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED) == 2; }));
    PressKeys({VK_RETURN});
    PressKeys({VK_ESCAPE});
    ASSERT_TRUE(Await("the list closed", [&] { return !::IsWindow(hRecent); }));
    ASSERT_TRUE(ClearClipboard());
    ::PostMessageA(m_kapto.Main(), WM_COMMAND, kCmdCopy, 0);
    Picture copied;
    ASSERT_TRUE(WaitForClipboardPicture(copied));
    ExpectSamePicture(captures[0], copied, "opened");
    ASSERT_TRUE(ExitKapto());
    EXPECT_EQ(4, StoredSettings().GetAutoSaveCounter()) << "the counter did not go on";

    // The next session lists the files, but not one deleted meanwhile.
    ASSERT_TRUE(::DeleteFileA((m_strDir + "e2e_0002.png").c_str()));
    ASSERT_TRUE(StartKaptoAsIs());
    hRecent = OpenRecent(nCount);
    ASSERT_NE(nullptr, hRecent);
    EXPECT_EQ(2, nCount);
    ::PostMessageA(hRecent, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(ExitKapto());
}

TEST_F(Recent, AFolderThatCannotBeWrittenIsToldWhileTheNextCaptureGoesOn) {
    // A folder inside a file can never be made.
    ASSERT_TRUE(kptest::WriteBytes(m_strDir + "plain-file", "x"));
    const std::string strFolder = m_strDir + "plain-file\\shots";
    ASSERT_TRUE(Start(strFolder));
    CaptureScreen();
    HWND hNotice = WaitForKaptoWindow(m_kapto, "自动保存");
    ASSERT_NE(nullptr, hNotice) << "no word of the folder";
    EXPECT_NE(std::string::npos, kaptotest::TextOf(::GetDlgItem(hNotice, kNoticeText)).find(strFolder));

    // Nothing waits for the notice: the next capture is made meanwhile.
    ColourPatch patch;
    ASSERT_TRUE(patch.Next());
    EXPECT_FALSE(CaptureScreen().Empty());
    ASSERT_TRUE(ExitKapto());
}

}  // namespace
