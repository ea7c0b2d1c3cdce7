// Opening and saving through the file dialogs: the image store's side of
// it (the names it keeps, what a cancel leaves). A thread timer, run by the
// dialog's own message loop, plays the user.
#include "capture_test_support.h"

#include <dlgs.h>

using namespace captest;

namespace {

// What the "user" does once the dialog is up.
struct DialogScript {
    std::string strType;      // file name to type; empty: cancel
    std::string strSpecSeen;  // the file name the dialog proposed
    bool bFound = false;
    int nTicks = 0;
};

DialogScript* g_pScript = nullptr;

BOOL CALLBACK FindDialog(HWND hWnd, LPARAM lParam) {
    char szClass[16];
    if (::IsWindowVisible(hWnd) && ::GetClassNameA(hWnd, szClass, sizeof szClass) && strcmp(szClass, "#32770") == 0) {
        *reinterpret_cast<HWND*>(lParam) = hWnd;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK PlayUser(HWND, UINT, UINT_PTR nID, DWORD) {
    DialogScript* s = g_pScript;
    if (s == nullptr) return;
    if (++s->nTicks > 100) {  // ten seconds without a dialog: give up
        ::KillTimer(nullptr, nID);
        return;
    }
    HWND hDialog = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), FindDialog, (LPARAM)&hDialog);
    if (hDialog == nullptr) return;
    ::KillTimer(nullptr, nID);
    s->bFound = true;
    char szSpec[MAX_PATH] = "";
    if (::SendMessageA(hDialog, CDM_GETSPEC, MAX_PATH, (LPARAM)szSpec) > 0) s->strSpecSeen = szSpec;
    if (s->strType.empty()) {
        ::PostMessageA(hDialog, WM_COMMAND, IDCANCEL, 0);
    } else {
        ::SendMessageA(hDialog, CDM_SETCONTROLTEXT, cmb13, (LPARAM)s->strType.c_str());
        ::SendMessageA(hDialog, CDM_SETCONTROLTEXT, edt1, (LPARAM)s->strType.c_str());
        ::PostMessageA(hDialog, WM_COMMAND, IDOK, 0);
    }
}

class DialogTest : public StartedEngineTest {
protected:
    void SetUp() override {
        StartedEngineTest::SetUp();
        if (HasFatalFailure()) return;
        m_dir = TempDir("kapto_dialog_test");
        ASSERT_TRUE(PutOnClipboard(MakeBitmap(40, 30, [](int x, int y) { return RGB(x * 6, y * 8, 99); })));
        ASSERT_EQ(1, m_core.PasteImageData());
    }
    void TearDown() override {
        g_pScript = nullptr;
        StartedEngineTest::TearDown();
    }
    // Runs op with the script playing the user in the dialog it opens.
    template <class Op>
    int WithDialog(DialogScript& script, Op op) {
        g_pScript = &script;
        ::SetTimer(nullptr, 0, 100, PlayUser);
        int nResult = op();
        g_pScript = nullptr;
        return nResult;
    }

    std::string m_dir;
};

TEST_F(DialogTest, CancelledSaveProposedThePatternsNameAndChangesNothing) {
    m_core.SetPathName("C:\\kept.png");
    m_core.SetFileName("kept.png");
    DialogScript script;
    EXPECT_EQ(0, WithDialog(script, [&] { return m_core.SaveImage(CString(), 0); }));
    ASSERT_TRUE(script.bFound);
    EXPECT_EQ(CKpImageStore::FileCancelled, m_core.GetLastFileResult());
    // The default pattern's name, of today (a pasted image: the time it came).
    SYSTEMTIME st;
    ::GetLocalTime(&st);
    char szDay[32];
    snprintf(szDay, sizeof szDay, "Kapto_%04d%02d%02d_", st.wYear, st.wMonth, st.wDay);
    EXPECT_EQ(0u, script.strSpecSeen.find(szDay)) << script.strSpecSeen;
    EXPECT_EQ(strlen("Kapto_20240305_070809"), script.strSpecSeen.size()) << script.strSpecSeen;
    EXPECT_EQ(CString("C:\\kept.png"), m_core.GetPathName());
    EXPECT_EQ(CString("kept.png"), m_core.GetFileName());
}

TEST_F(DialogTest, CancelledOpenKeepsTheImageAndItsOptions) {
    Gdiplus::GpImage* pBefore = m_core.GetImage();
    m_core.m_config.SetGrayScale(1);
    DialogScript script;
    EXPECT_EQ(0, WithDialog(script, [&] { return m_core.OpenImage(CString()); }));
    ASSERT_TRUE(script.bFound);
    EXPECT_EQ(CKpImageStore::FileCancelled, m_core.GetLastFileResult());
    EXPECT_EQ(pBefore, m_core.GetImage());
    EXPECT_EQ(1, m_core.m_config.GetGrayScale());
}

TEST_F(DialogTest, SaveAndOpenThroughTheDialogsSetBothNames) {
    std::string path = m_dir + "dialog_shot.png";
    ::DeleteFileA(path.c_str());
    DialogScript save;
    save.strType = path;
    ASSERT_EQ(1, WithDialog(save, [&] { return m_core.SaveImage(CString(), 0); }));
    EXPECT_EQ(CString(path.c_str()), m_core.GetPathName());
    EXPECT_EQ(CString("dialog_shot.png"), m_core.GetFileName());
    // The typed extension chose the encoder, whatever file type was selected.
    EXPECT_EQ(0u, ReadBytes(path).compare(0, 4, "\x89PNG"));

    m_core.ClearGdiplusImage();
    DialogScript open;
    open.strType = path;
    ASSERT_EQ(1, WithDialog(open, [&] { return m_core.OpenImage(CString()); }));
    EXPECT_EQ(CString(path.c_str()), m_core.GetPathName());
    EXPECT_EQ(CString("dialog_shot.png"), m_core.GetFileName());
    EXPECT_EQ(40u, ImageWidth(m_core.GetImage()));
    EXPECT_EQ(RGB(6 * 5, 8 * 7, 99), ImagePixel(m_core.GetImage(), 5, 7));
}

TEST_F(DialogTest, SavingTheThumbnailThroughTheDialogKeepsTheNames) {
    m_core.SetPathName("C:\\kept.png");
    m_core.SetFileName("kept.png");
    std::string path = m_dir + "dialog_thumb.png";
    ::DeleteFileA(path.c_str());
    DialogScript save;
    save.strType = path;
    ASSERT_EQ(1, WithDialog(save, [&] { return m_core.SaveImage(CString(), 1); }));
    EXPECT_TRUE(FileExists(path));
    EXPECT_EQ(CString("C:\\kept.png"), m_core.GetPathName());
    EXPECT_EQ(CString("kept.png"), m_core.GetFileName());
}

}  // namespace
